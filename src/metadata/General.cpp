#include "metadata/General.h"

#include "platform/ItemFile.h"
#include "platform/NameCodec.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace quelt {
namespace {

using platform::ItemFile;

// Block size of the temporary copy: large enough to keep system calls few, small
// enough that a big song is never held whole.
constexpr std::int64_t CopyBlockSize = 64 * 1024;
constexpr qsizetype MaxNumberBytes = 8;

// The file a path names, symbolic links resolved, so that replacing it changes the
// file the link points to instead of turning the link into a plain file.
QString ResolvedPath(const QString& path)
{
    const QByteArray encoded = platform::EncodeName(path);
    char* real = ::realpath(encoded.constData(), nullptr);
    if (real == nullptr)
        return path;
    const QString resolved = platform::DecodeName(QByteArrayView(real));
    std::free(real);
    return resolved;
}

// Appends `length` bytes of `from` at `offset` to `to` at `*written`, in blocks.
// A short read (the file shrank meanwhile) is an I/O failure.
int CopyBlocks(ItemFile& from, std::int64_t offset, std::int64_t length, ItemFile& to,
               std::int64_t* written)
{
    while (length > 0) {
        const std::int64_t want = std::min(length, CopyBlockSize);
        const QByteArray block = from.read(offset, want);
        if (block.size() != want)
            return 57;
        if (!to.write(*written, block))
            return to.error();
        offset += want;
        length -= want;
        *written += want;
    }
    return 0;
}

int WriteZeros(ItemFile& to, std::int64_t count, std::int64_t* written)
{
    const QByteArray zeros(qsizetype(std::min(count, CopyBlockSize)), '\0');
    while (count > 0) {
        const std::int64_t n = std::min(count, CopyBlockSize);
        if (!to.write(*written, n == zeros.size() ? zeros : zeros.first(qsizetype(n))))
            return to.error();
        count -= n;
        *written += n;
    }
    return 0;
}

// Copies the file to a temporary beside it with `insert` and `zeroCount` zero
// bytes in place of the `removeCount` bytes at `offset`, then replaces the file.
int RewriteThroughCopy(const QString& path, std::int64_t offset, std::int64_t removeCount,
                       QByteArrayView insert, std::int64_t zeroCount)
{
    const QString target = ResolvedPath(path);
    ItemFile source;
    // Opened for writing although only read: a file we may not change stays unchanged
    // even where its folder would let us replace it.
    if (!source.open(target, ItemFile::Mode::ReadWrite))
        return source.error();
    const std::int64_t size = source.size();
    if (size < 0)
        return 57;
    offset = std::clamp<std::int64_t>(offset, 0, size);
    removeCount = std::clamp<std::int64_t>(removeCount, 0, size - offset);

    ItemFile temp;
    if (!temp.createTemporaryBeside(target))
        return FileAccessCode;
    std::int64_t written = 0;
    int status = CopyBlocks(source, 0, offset, temp, &written);
    if (status == 0 && !insert.isEmpty()) {
        if (temp.write(written, insert.toByteArray()))
            written += insert.size();
        else
            status = temp.error();
    }
    if (status == 0)
        status = WriteZeros(temp, zeroCount, &written);
    if (status == 0)
        status = CopyBlocks(source, offset + removeCount, size - offset - removeCount, temp, &written);
    if (status != 0) {
        temp.discardTemporary();
        return status;
    }
    source.close();
    if (!temp.replace(target))
        return temp.error();
    return 0;
}

} // namespace

QByteArrayView ByteSlice(QByteArrayView bytes, qsizetype offset, qsizetype length)
{
    if (offset < 0 || offset >= bytes.size() || length <= 0)
        return {};
    return bytes.sliced(offset, std::min(length, bytes.size() - offset));
}

std::uint64_t ReadSynchsafe(QByteArrayView bytes)
{
    std::uint64_t value = 0;
    for (const char c : bytes.first(std::min(bytes.size(), MaxNumberBytes)))
        value = (value << 7) | (std::uint8_t(c) & 0x7F);
    return value;
}

std::uint64_t ReadBigEndian(QByteArrayView bytes)
{
    std::uint64_t value = 0;
    for (const char c : bytes.first(std::min(bytes.size(), MaxNumberBytes)))
        value = (value << 8) | std::uint8_t(c);
    return value;
}

bool IsSynchsafe(QByteArrayView bytes)
{
    return std::none_of(bytes.begin(), bytes.end(), [](char c) { return std::uint8_t(c) & 0x80; });
}

QByteArray WriteSynchsafe(std::uint32_t value)
{
    QByteArray out(4, '\0');
    for (int i = 3; i >= 0; --i) {
        out[i] = char(value & 0x7F);
        value >>= 7;
    }
    return out;
}

QByteArray WriteBigEndian32(std::uint32_t value)
{
    QByteArray out(4, '\0');
    for (int i = 3; i >= 0; --i) {
        out[i] = char(value & 0xFF);
        value >>= 8;
    }
    return out;
}

QString CutAtNul(const QString& text)
{
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.first(nul);
}

QString BytesToText(QByteArrayView bytes)
{
    const qsizetype nul = bytes.indexOf('\0');
    return QString::fromLatin1(nul < 0 ? bytes : bytes.first(nul)).trimmed();
}

int InsertBytes(const QString& path, std::int64_t offset, std::int64_t count)
{
    if (count == std::numeric_limits<std::int64_t>::min())
        return FileAccessCode;
    count = count < 0 ? -count : count;
    if (count == 0)
        return 0;
    return RewriteThroughCopy(path, offset, 0, {}, count);
}

int ReplaceFileRange(const QString& path, std::int64_t offset, std::int64_t removeCount,
                     QByteArrayView bytes)
{
    return RewriteThroughCopy(path, offset, removeCount, bytes, 0);
}

} // namespace quelt
