#include "metadata/ID3v2.h"

#include "metadata/General.h"
#include "platform/ItemFile.h"

#include <algorithm>
#include <functional>

namespace quelt {
namespace {

using platform::ItemFile;

// Reads `length` bytes at `offset` of a file or buffer (fewer at its end).
using ByteReader = std::function<QByteArray(std::int64_t offset, std::int64_t length)>;

constexpr QByteArrayView HeaderId("ID3");
constexpr QByteArrayView FooterId("3DI");
// The header may stand anywhere in the first bytes of a file.
constexpr int HeaderSearchRange = 10;
// A footer is looked for from 10 to 256 bytes before the end (an ID3v1 tag may follow it).
constexpr int FooterSearchNearest = 10;
constexpr int FooterSearchFarthest = 256;

// Header flag bits (ID3v2.3.0 section 3.1, ID3v2.4.0 structure 3.1).
constexpr std::uint8_t FlagUnsynchronisation = 0x80;
constexpr std::uint8_t FlagExtendedHeader = 0x40;
constexpr std::uint8_t FlagFooter = 0x10;
constexpr std::uint8_t KnownFlagsV3 = 0xE0;
constexpr std::uint8_t KnownFlagsV4 = 0xF0;

// Second frame flag byte, version 2.4.0 (structure 4.1.2).
constexpr std::uint8_t FrameGrouping4 = 0x40;
constexpr std::uint8_t FrameCompression4 = 0x08;
constexpr std::uint8_t FrameEncryption4 = 0x04;
constexpr std::uint8_t FrameUnsynchronised4 = 0x02;
constexpr std::uint8_t FrameDataLengthIndicator4 = 0x01;
constexpr int DataLengthIndicatorSize = 4;

struct HeaderFields {
    std::uint8_t major = 0;
    std::uint8_t revision = 0;
    std::uint8_t flags = 0;
    std::int64_t size = 0;
};

HeaderFields ReadHeaderFields(QByteArrayView header)
{
    return {std::uint8_t(header[3]), std::uint8_t(header[4]), std::uint8_t(header[5]),
            std::int64_t(ReadSynchsafe(header.sliced(6, 4)))};
}

std::int64_t FooterLength(const HeaderFields& h)
{
    return (h.major == 4 && (h.flags & FlagFooter)) ? ID3v2HeaderSize : 0;
}

ID3v2HeaderLocation FindHeader(std::int64_t fileSize, const ByteReader& read)
{
    ID3v2HeaderLocation none;
    const QByteArray start = read(0, HeaderSearchRange + ID3v2HeaderSize);
    for (int at = 0; at < HeaderSearchRange && fileSize - at > ID3v2HeaderSize; ++at) {
        const QByteArrayView candidate = ByteSlice(start, at, ID3v2HeaderSize);
        if (candidate.size() == ID3v2HeaderSize && candidate.startsWith(HeaderId))
            return {at, candidate.toByteArray()};
    }
    if (fileSize < 2 * ID3v2HeaderSize)
        return none;
    const std::int64_t tailStart = std::max<std::int64_t>(1, fileSize - FooterSearchFarthest);
    const QByteArray tail = read(tailStart, fileSize - tailStart);
    for (std::int64_t at = fileSize - FooterSearchNearest; at >= tailStart; --at) {
        const QByteArrayView footer = ByteSlice(tail, qsizetype(at - tailStart), ID3v2HeaderSize);
        if (footer.size() < ID3v2HeaderSize || !footer.startsWith(FooterId))
            continue;
        const std::int64_t size = std::int64_t(ReadSynchsafe(footer.sliced(6, 4)));
        const std::int64_t headerAt = at - size - ID3v2HeaderSize;
        if (headerAt < 0)
            continue;
        const QByteArray header = read(headerAt, ID3v2HeaderSize);
        // The header must be there and announce the same size as its footer.
        if (header.size() == ID3v2HeaderSize && header.startsWith(HeaderId)
            && header.sliced(6, 4) == footer.sliced(6, 4))
            return {headerAt, header};
    }
    return none;
}

ByteReader FileReader(ItemFile& file)
{
    return [&file](std::int64_t offset, std::int64_t length) { return file.read(offset, length); };
}

ByteReader BufferReader(QByteArrayView bytes)
{
    return [bytes](std::int64_t offset, std::int64_t length) {
        if (offset < 0 || offset >= bytes.size())
            return QByteArray();
        return ByteSlice(bytes, qsizetype(offset), qsizetype(std::min<std::int64_t>(length, bytes.size())))
            .toByteArray();
    };
}

// Undoes unsynchronisation: every 0xFF 0x00 pair loses its 0x00.
QByteArray RemoveUnsynchronisation(QByteArrayView bytes)
{
    QByteArray out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        out.append(bytes[i]);
        if (std::uint8_t(bytes[i]) == 0xFF && i + 1 < bytes.size() && bytes[i + 1] == '\0')
            ++i;
    }
    return out;
}

bool IsFrameIdChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool IsValidFrameId(QByteArrayView id)
{
    return id.size() == 4 && std::all_of(id.begin(), id.end(), IsFrameIdChar);
}

// Start of the frames in the body: after the extended header, if any.
std::optional<qsizetype> FramesStart(QByteArrayView body, const HeaderFields& h)
{
    if (!(h.flags & FlagExtendedHeader))
        return 0;
    if (body.size() < 4)
        return std::nullopt;
    const QByteArrayView sizeBytes = body.first(4);
    std::int64_t skip = 0;
    if (h.major == 3) {
        // Version 2.3.0 (section 3.2): the size excludes its own 4 bytes.
        skip = 4 + std::int64_t(ReadBigEndian(sizeBytes));
    } else {
        // Version 2.4.0 (structure 3.2): synchsafe, and counts the whole extended header.
        if (!IsSynchsafe(sizeBytes))
            return std::nullopt;
        skip = std::int64_t(ReadSynchsafe(sizeBytes));
        if (skip < 6)
            return std::nullopt;
    }
    if (skip > body.size())
        return std::nullopt;
    return qsizetype(skip);
}

enum class FrameParse { Held, PassedOver, Damaged };

// Builds the frame from its raw bytes. Version 2.4.0 frames are brought to their
// plain form: unsynchronisation undone and a data length indicator dropped, both
// flags cleared; compressed, encrypted or grouped frames are kept as they are.
FrameParse MakeFrame(QByteArrayView id, std::array<std::uint8_t, 2> flags, QByteArrayView raw,
                     const HeaderFields& h, ID3v2Frame& frame)
{
    if (raw.size() - 1 > MaxID3v2FrameData)
        return FrameParse::PassedOver;
    QByteArray data;
    if (h.major == 4) {
        const bool tagUnsynchronised = h.flags & FlagUnsynchronisation;
        const bool opaque = flags[1] & (FrameGrouping4 | FrameCompression4 | FrameEncryption4);
        if (opaque) {
            data = raw.toByteArray();
            // The whole tag was unsynchronised: say so on the frame, which keeps its bytes.
            if (tagUnsynchronised)
                flags[1] |= FrameUnsynchronised4;
        } else {
            const bool unsynchronised = tagUnsynchronised || (flags[1] & FrameUnsynchronised4);
            data = unsynchronised ? RemoveUnsynchronisation(raw) : raw.toByteArray();
            flags[1] &= ~FrameUnsynchronised4;
            if (flags[1] & FrameDataLengthIndicator4) {
                if (data.size() <= DataLengthIndicatorSize)
                    return FrameParse::Damaged;
                data.remove(0, DataLengthIndicatorSize);
                flags[1] &= ~FrameDataLengthIndicator4;
            }
        }
    } else {
        data = raw.toByteArray();
    }
    if (data.isEmpty())
        return FrameParse::Damaged;
    frame.id = QString::fromLatin1(id);
    frame.flags = flags;
    frame.encoding = std::uint8_t(data[0]);
    frame.data = data.sliced(1);
    frame.dataLength = std::int32_t(frame.data.size());
    return FrameParse::Held;
}

ID3v2Tag Damaged(ID3v2Tag tag, ID3v2Status status = ID3v2Status::Damaged)
{
    tag.present = false;
    tag.frames.clear();
    tag.status = status;
    return tag;
}

// Reads the frames of `body` from `pos` into the tag.
ID3v2Tag ReadFrames(ID3v2Tag tag, QByteArrayView body, qsizetype pos, const HeaderFields& h)
{
    tag.status = ID3v2Status::Complete;
    while (pos < body.size()) {
        if (body[pos] == '\0')
            break; // padding
        const QByteArrayView header = ByteSlice(body, pos, ID3v2FrameHeaderSize);
        if (header.size() < ID3v2FrameHeaderSize || !IsValidFrameId(header.first(4))) {
            // Bytes that are neither a frame nor padding: what came before is read,
            // but the tag is not rewritten, which could lose whatever they hold.
            tag.status = ID3v2Status::Partial;
            break;
        }
        const QByteArrayView sizeBytes = header.sliced(4, 4);
        // Version 2.4.0 frame sizes are synchsafe (structure 4.1); 2.3.0 ones plain.
        if (h.major == 4 && !IsSynchsafe(sizeBytes))
            return Damaged(std::move(tag));
        const std::int64_t size =
            std::int64_t(h.major == 4 ? ReadSynchsafe(sizeBytes) : ReadBigEndian(sizeBytes));
        const qsizetype dataStart = pos + ID3v2FrameHeaderSize;
        if (size == 0 || size > body.size() - dataStart)
            return Damaged(std::move(tag));
        const std::array<std::uint8_t, 2> flags{std::uint8_t(header[8]), std::uint8_t(header[9])};
        ID3v2Frame frame;
        switch (MakeFrame(header.first(4), flags, body.sliced(dataStart, qsizetype(size)), h, frame)) {
        case FrameParse::Damaged:
            return Damaged(std::move(tag));
        case FrameParse::PassedOver:
            tag.status = ID3v2Status::Partial;
            break;
        case FrameParse::Held:
            if (tag.frameCount() == MaxID3v2Frames)
                return Damaged(std::move(tag));
            tag.frames.push_back(std::move(frame));
            break;
        }
        pos = dataStart + qsizetype(size);
    }
    std::int64_t offset = tag.headerOffset + ID3v2HeaderSize;
    for (ID3v2Frame& frame : tag.frames) {
        frame.offset = offset;
        offset += ID3v2FrameHeaderSize + 1 + frame.dataLength;
    }
    return tag;
}

QByteArray FooterFor(QByteArray header)
{
    header.replace(0, FooterId.size(), FooterId.toByteArray());
    return header;
}

bool AppendFrame(QByteArray& out, const ID3v2Frame& frame, std::uint8_t major)
{
    const QByteArray id = frame.id.toLatin1();
    const std::int64_t size = std::int64_t(frame.data.size()) + 1;
    if (!IsValidFrameId(id) || frame.data.size() > MaxID3v2FrameData)
        return false;
    out.append(id);
    out.append(major == 4 ? WriteSynchsafe(std::uint32_t(size)) : WriteBigEndian32(std::uint32_t(size)));
    out.append(char(frame.flags[0]));
    out.append(char(frame.flags[1]));
    out.append(char(frame.encoding));
    out.append(frame.data);
    return true;
}

// Reads the tag of an open file.
ID3v2Tag ReadFromFile(ItemFile& file, const QString& path)
{
    ID3v2Tag none;
    none.path = path;
    const std::int64_t size = file.size();
    if (size < 0)
        return none;
    const ID3v2HeaderLocation location = FindHeader(size, FileReader(file));
    if (location.offset < 0)
        return none;
    const HeaderFields h = ReadHeaderFields(location.header);
    // Never read (or allocate) more than the file holds: a tag that announces more
    // than remains is damaged, and ParseID3v2Tag says so from the bytes at hand.
    const std::int64_t wanted = ID3v2HeaderSize + h.size + FooterLength(h);
    const QByteArray bytes = file.read(location.offset, std::min(wanted, size - location.offset));
    ID3v2Tag tag = ParseID3v2Tag(bytes, location.offset);
    tag.path = path;
    return tag;
}

bool Rewritable(const ID3v2Tag& tag)
{
    return tag.status == ID3v2Status::NoTag || tag.status == ID3v2Status::Complete;
}

} // namespace

ID3v2HeaderLocation FindID3v2Header(const QString& path)
{
    ItemFile file;
    if (!file.open(path))
        return {};
    return FindHeader(file.size(), FileReader(file));
}

ID3v2HeaderLocation FindID3v2HeaderInBuffer(QByteArrayView file)
{
    return FindHeader(file.size(), BufferReader(file));
}

std::int64_t ID3v2TagLength(QByteArrayView header)
{
    if (header.size() < ID3v2HeaderSize || !header.startsWith(HeaderId))
        return 0;
    const HeaderFields h = ReadHeaderFields(header);
    if (h.major == 0xFF || h.revision == 0xFF || !IsSynchsafe(header.sliced(6, 4)))
        return 0;
    return ID3v2HeaderSize + h.size + FooterLength(h);
}

ID3v2Tag ParseID3v2Tag(QByteArrayView tagBytes, std::int64_t headerOffset)
{
    ID3v2Tag tag;
    if (tagBytes.size() < ID3v2HeaderSize || !tagBytes.startsWith(HeaderId))
        return tag;
    tag.headerOffset = headerOffset;
    tag.header = tagBytes.first(ID3v2HeaderSize).toByteArray();
    const HeaderFields h = ReadHeaderFields(tag.header);
    tag.version = QStringLiteral("ID3v2.%1.%2").arg(h.major).arg(h.revision);
    tag.size = std::int32_t(h.size);
    tag.footer = h.flags & FlagFooter;
    tag.present = true;
    if (!IsSynchsafe(QByteArrayView(tag.header).sliced(6, 4)))
        return Damaged(std::move(tag));
    if (h.major != 3 && h.major != 4)
        return Damaged(std::move(tag), ID3v2Status::Unsupported);
    if (h.flags & ~(h.major == 3 ? KnownFlagsV3 : KnownFlagsV4))
        return Damaged(std::move(tag), ID3v2Status::Unsupported);
    if (tagBytes.size() < ID3v2HeaderSize + h.size + FooterLength(h))
        return Damaged(std::move(tag));

    QByteArrayView body = tagBytes.sliced(ID3v2HeaderSize, qsizetype(h.size));
    // Version 2.3.0 unsynchronises the whole tag after the header (section 5);
    // version 2.4.0 does it frame by frame.
    QByteArray decoded;
    if (h.major == 3 && (h.flags & FlagUnsynchronisation)) {
        decoded = RemoveUnsynchronisation(body);
        body = decoded;
    }
    const std::optional<qsizetype> start = FramesStart(body, h);
    if (!start)
        return Damaged(std::move(tag));
    return ReadFrames(std::move(tag), body, *start, h);
}

ID3v2Tag ParseID3v2Buffer(QByteArrayView file)
{
    const ID3v2HeaderLocation location = FindID3v2HeaderInBuffer(file);
    if (location.offset < 0)
        return {};
    return ParseID3v2Tag(file.sliced(qsizetype(location.offset)), location.offset);
}

ID3v2Tag ReadID3v2(const QString& path)
{
    ItemFile file;
    if (!file.open(path)) {
        ID3v2Tag none;
        none.path = path;
        return none;
    }
    return ReadFromFile(file, path);
}

int FindFrameIndex(const ID3v2Tag& tag, const QString& id)
{
    const QString wanted = id.toUpper();
    const auto it = std::find_if(tag.frames.begin(), tag.frames.end(),
                                 [&](const ID3v2Frame& f) { return f.id == wanted; });
    return it == tag.frames.end() ? -1 : int(it - tag.frames.begin());
}

std::int64_t GetFramesSize(const ID3v2Tag& tag)
{
    if (tag.frames.empty())
        return 0;
    const ID3v2Frame& last = tag.frames.back();
    return last.offset + ID3v2FrameHeaderSize + last.dataLength + 1 - tag.frames.front().offset;
}

std::optional<QByteArray> FormatID3v2(const ID3v2Tag& tag, std::int64_t minimumSize)
{
    if (tag.status == ID3v2Status::Partial || tag.frameCount() > MaxID3v2Frames)
        return std::nullopt;
    QByteArray header = tag.header;
    if (header.size() != ID3v2HeaderSize)
        header = QByteArray("ID3\x03\x00\x00\x00\x00\x00\x00", ID3v2HeaderSize);
    const HeaderFields h = ReadHeaderFields(header);
    if (!header.startsWith(HeaderId) || (h.major != 3 && h.major != 4))
        return std::nullopt;

    QByteArray frames;
    for (const ID3v2Frame& frame : tag.frames) {
        if (!AppendFrame(frames, frame, h.major))
            return std::nullopt;
    }
    const std::int64_t roomSize = std::max<std::int64_t>(frames.size(), minimumSize);
    if (roomSize > MaxSynchsafe32)
        return std::nullopt;
    // The frames are written plain, so unsynchronisation is off; the extended
    // header (whose checksum would no longer hold) is left out.
    header[5] = char(h.flags & ~(FlagUnsynchronisation | FlagExtendedHeader));
    header.replace(6, 4, WriteSynchsafe(std::uint32_t(roomSize)));

    QByteArray out = header;
    out.reserve(qsizetype(ID3v2HeaderSize + roomSize + FooterLength(h)));
    out.append(frames);
    out.append(QByteArray(qsizetype(roomSize - frames.size()), '\0'));
    if (FooterLength(h) > 0)
        out.append(FooterFor(header));
    return out;
}

int WriteID3v2(const QString& path, const ID3v2Tag& tag)
{
    ItemFile file;
    if (!file.open(path, ItemFile::Mode::ReadWrite))
        return file.error();
    const ID3v2Tag old = ReadFromFile(file, path);
    // A tag we could not read completely is never rewritten, nor hidden behind a
    // new one: either would lose what we did not understand.
    if (!Rewritable(old) || tag.status == ID3v2Status::Partial)
        return InvalidFileFormatCode;

    ID3v2Tag toWrite = tag;
    toWrite.header = old.header;
    const std::int64_t oldRoom = old.present ? old.size : 0;
    const std::optional<QByteArray> block = FormatID3v2(toWrite, std::max<std::int64_t>(MinID3v2TagSize, oldRoom));
    if (!block)
        return InvalidFileFormatCode;

    if (!old.present) {
        file.close();
        return ReplaceFileRange(path, 0, 0, *block);
    }
    const std::int64_t oldLength = ID3v2HeaderSize + old.size + (old.footer ? ID3v2HeaderSize : 0);
    if (block->size() == oldLength) {
        // The tag fits its old room: rewritten in place, the rest of the file untouched.
        if (!file.write(old.headerOffset, *block))
            return file.error();
        return 0;
    }
    file.close();
    return ReplaceFileRange(path, old.headerOffset, oldLength, *block);
}

} // namespace quelt
