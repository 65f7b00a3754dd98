#include "metadata/MP3Info.h"

#include "metadata/ID3v2.h"
#include "platform/ItemFile.h"

#include <QByteArray>
#include <algorithm>
#include <array>
#include <limits>
#include <optional>

namespace quelt {
namespace {

constexpr std::array<const char*, 4> VersionNames = {"MPEG 2.5", "N/A", "MPEG 2", "MPEG 1"};
constexpr std::array<const char*, 4> LayerNames = {"N/A", "Layer III", "Layer II", "Layer I"};
constexpr std::array<const char*, 4> ChannelModeNames = {"Stereo", "Joint Stereo", "Dual Channel", "Single Channel"};
constexpr std::array<const char*, 4> EmphasisNames = {"None", "50/15 ms", "N/A", "CCIT J.17"};

// FailureCode of a read that returned fewer bytes than the file holds.
constexpr int ReadFailure = 57;

// The ID3v2 header search looks at the first 10 offsets, so it needs this many bytes.
constexpr std::int64_t ID3v2LeadingHeaderReach = 10 + ID3v2HeaderSize;
// Some files carry several tags one after the other; this many are skipped.
constexpr int MaxLeadingTags = 8;

// Windows of the variable-bitrate walk.
constexpr std::int64_t WalkChunk = 1 << 20;

// n / d rounded to the nearest integer, a half to the even one; n >= 0, d > 0.
std::int64_t RoundHalfEven(__int128 n, __int128 d)
{
    __int128 q = n / d;
    const __int128 twice = (n % d) * 2;
    if (twice > d || (twice == d && (q & 1)))
        ++q;
    return q > std::numeric_limits<std::int64_t>::max() ? std::numeric_limits<std::int64_t>::max() : std::int64_t(q);
}

QString KbpsText(std::int64_t kbps)
{
    return QString::number(kbps) + QStringLiteral("Kbps");
}

// Random access to the bytes of a stream in windows. A window stays valid until
// the next call of window().
class StreamSource {
public:
    virtual ~StreamSource() = default;
    virtual std::int64_t length() const = 0;
    /// The bytes from `offset` on, `count` of them or up to the end; empty
    /// when the read failed (error() then holds the FailureCode).
    virtual std::optional<FileBytes> window(std::int64_t offset, std::int64_t count) = 0;
    int error() const { return error_; }

protected:
    int error_ = 0;
};

class MemorySource final : public StreamSource {
public:
    explicit MemorySource(QByteArrayView bytes) : bytes_(bytes) {}
    std::int64_t length() const override { return bytes_.size(); }
    std::optional<FileBytes> window(std::int64_t offset, std::int64_t count) override
    {
        offset = std::clamp<std::int64_t>(offset, 0, length());
        count = std::clamp<std::int64_t>(count, 0, length() - offset);
        return FileBytes{bytes_.sliced(qsizetype(offset), qsizetype(count)), offset};
    }

private:
    QByteArrayView bytes_;
};

class FileSource final : public StreamSource {
public:
    explicit FileSource(platform::ItemFile& file) : file_(file), length_(std::max<std::int64_t>(file.size(), 0)) {}
    std::int64_t length() const override { return length_; }
    std::optional<FileBytes> window(std::int64_t offset, std::int64_t count) override
    {
        offset = std::clamp<std::int64_t>(offset, 0, length_);
        count = std::clamp<std::int64_t>(count, 0, length_ - offset);
        const std::int64_t cacheEnd = cacheOffset_ + cache_.size();
        if (offset < cacheOffset_ || offset + count > cacheEnd) {
            // One read serves the tag check and the frame search at the start.
            const std::int64_t wanted = std::min(std::max(count, FrameSearchWindow), length_ - offset);
            cache_ = file_.read(offset, wanted);
            cacheOffset_ = offset;
            if (cache_.size() != wanted) {
                cache_.clear();
                error_ = ReadFailure;
                return std::nullopt;
            }
        }
        return FileBytes{QByteArrayView(cache_).sliced(qsizetype(offset - cacheOffset_), qsizetype(count)), offset};
    }

private:
    platform::ItemFile& file_;
    std::int64_t length_;
    QByteArray cache_;
    std::int64_t cacheOffset_ = 0;
};

void FillHeaderFields(const FoundFrame& frame, FrameParse mode, MP3Info& info)
{
    const FrameHeader& h = frame.header;
    info.Found = true;
    info.FirstFrame = frame.offset;
    info.Version = QString::fromLatin1(VersionNames[std::size_t(h.version)]);
    info.Layer = QString::fromLatin1(LayerNames[std::size_t(h.layer)]);
    info.Protection = h.protection;
    info.Bitrate = KbpsText(h.bitrate);
    info.SampleRate = QString::number(h.sampleRate) + QStringLiteral("Hz");
    info.FrameLength = h.frameLength;
    if (mode == FrameParse::Quick)
        return;
    info.Private = h.privateBit;
    info.ChannelMode = QString::fromLatin1(ChannelModeNames[std::size_t(h.channelMode & 3)]);
    info.Copyright = h.copyright;
    info.Original = h.original;
    info.Emphasis = QString::fromLatin1(EmphasisNames[std::size_t(h.emphasis & 3)]);
}

// Offset behind the ID3v2 tags that open the stream; 0 when there are none.
std::optional<std::int64_t> AudioSearchStart(StreamSource& source)
{
    const auto head = source.window(0, ID3v2LeadingHeaderReach);
    if (!head)
        return std::nullopt;
    // Over the first bytes alone the search finds a header at the start only,
    // never one through a footer (a tag at the end is no reason to skip).
    const std::int64_t at = FindID3v2HeaderInBuffer(head->bytes).offset;
    if (at < 0)
        return 0;
    std::int64_t start = at;
    for (int tags = 0; tags < MaxLeadingTags && start < source.length(); ++tags) {
        const auto header = source.window(start, ID3v2HeaderSize);
        if (!header)
            return std::nullopt;
        const std::int64_t length = ID3v2TagLength(header->bytes);
        if (length == 0)
            break;
        start += length;
    }
    return start == at ? 0 : start;
}

// The first confirmed frame: behind the leading tags, or, when a tag's size
// is wrong and nothing follows it, from the start of the file.
std::optional<FoundFrame> FindFirstFrame(StreamSource& source, FileBytes& head, bool& failed)
{
    failed = false;
    const std::optional<std::int64_t> start = AudioSearchStart(source);
    if (!start) {
        failed = true;
        return std::nullopt;
    }
    for (const std::int64_t from : {*start, std::int64_t(0)}) {
        const auto window = source.window(from, FrameSearchWindow);
        if (!window) {
            failed = true;
            return std::nullopt;
        }
        head = *window;
        if (const auto frame = FindFrame(head, from))
            return frame;
        if (from == 0)
            break;
    }
    return std::nullopt;
}

struct StreamCount {
    std::int64_t frames = 0;
    bool failed = false;
};

// The frame that a confirmed frame announces at `at`, when its header is valid
// (the confirmation checked it) and it lies whole inside the stream. This takes
// in the last frame of a stream, which no header follows, so no search confirms it.
std::optional<FoundFrame> AnnouncedFrame(const FileBytes& window, std::int64_t at, std::int64_t streamLength)
{
    const auto header = DecodeFrameHeader(window.from(at));
    if (!header || at + header->frameLength > streamLength)
        return std::nullopt;
    return FoundFrame{at, *header};
}

// Frame by frame from the first frame: the next frame is the one the current
// frame announces when that is confirmed, and otherwise the result of a search
// from there. The "Xing" frame itself carries no audio: its bitrate is whatever
// fits the tag, so it is left out of the count and the bitrate figures.
StreamCount WalkVariableBitrate(StreamSource& source, FileBytes window, const FoundFrame& first, MP3Info& info)
{
    std::int64_t bitrateSum = 0;
    std::int64_t lengthSum = 0;
    std::int64_t count = 0;
    int lowest = std::numeric_limits<int>::max();
    int highest = 0;
    FoundFrame frame = first;
    bool confirmed = true;
    for (;;) {
        const std::int64_t next = frame.offset + frame.header.frameLength;
        const std::int64_t needed = std::min(next + FrameSearchWindow, source.length());
        if (next < window.offset || needed > window.end()) {
            const auto fresh = source.window(next, std::max(WalkChunk, FrameSearchWindow));
            if (!fresh)
                return {0, true};
            window = *fresh;
        }
        std::optional<FoundFrame> found = confirmed ? AnnouncedFrame(window, next, source.length()) : std::nullopt;
        if (found) {
            confirmed = ConfirmedFrameAt(window, next).has_value();
        } else {
            found = FindFrame(window, next);
            confirmed = true;
        }
        if (!found)
            break;
        frame = *found;
        bitrateSum += frame.header.bitrate;
        lengthSum += frame.header.frameLength;
        ++count;
        lowest = std::min(lowest, frame.header.bitrate);
        highest = std::max(highest, frame.header.bitrate);
    }
    info.VBR = true;
    if (count == 0) {
        info.MinBitrate = info.MaxBitrate = info.Bitrate;
        return {0, false};
    }
    info.Bitrate = KbpsText(RoundHalfEven(bitrateSum, count));
    info.MinBitrate = KbpsText(lowest);
    info.MaxBitrate = KbpsText(highest);
    info.FrameLength = int(lengthSum / count);
    return {count, false};
}

// Frames from the first frame to the last one, found as the frame announced by
// the last frame the end search confirms. The count divides by the exact mean
// frame length of the bitrate (samples / 8 x bitrate / rate), not by the first
// frame's, which padding makes a byte longer or shorter than the mean.
StreamCount CountConstantBitrate(StreamSource& source, const FoundFrame& first, MP3Info& info)
{
    info.VBR = false;
    info.MinBitrate = info.Bitrate;
    info.MaxBitrate = info.Bitrate;

    const std::int64_t length = source.length();
    const auto tail = source.window(std::max<std::int64_t>(0, length - 5 - LastFrameSearchSpan), length);
    if (!tail)
        return {0, true};
    const FrameHeader& h = first.header;
    const __int128 meanLengthDenominator = __int128(h.samplesPerFrame) * 125 * h.bitrate;
    const auto framesIn = [&](std::int64_t bytes) {
        return RoundHalfEven(__int128(bytes) * h.sampleRate, meanLengthDenominator);
    };
    std::int64_t frames = 0;
    const auto last = FindLastFrame(*tail);
    if (last && last->offset >= first.offset) {
        const std::int64_t closing = last->offset + last->header.frameLength;
        frames = framesIn(last->offset - first.offset) + 1 + (AnnouncedFrame(*tail, closing, length) ? 1 : 0);
    } else {
        // No frame confirmed near the end (long trailing data): estimate from
        // the bytes behind the first frame.
        frames = std::max<std::int64_t>(1, framesIn(length - first.offset));
    }
    return {frames, false};
}

MP3Info FailedRead(std::int64_t fileLength, int code)
{
    MP3Info info;
    info.FileLength = fileLength;
    info.ErrorCode = code;
    return info;
}

MP3Info Describe(StreamSource& source)
{
    MP3Info info;
    info.FileLength = source.length();

    FileBytes head;
    bool failed = false;
    const auto first = FindFirstFrame(source, head, failed);
    if (failed)
        return FailedRead(info.FileLength, source.error());
    if (!first)
        return info;
    // An information frame ("Xing", or "Info" at a constant bitrate) opens the
    // stream without audio, often with a bitrate and channel mode of its own;
    // the audio frame it announces describes the stream.
    const std::int64_t firstLength = first->header.frameLength;
    const bool xing = HasXingHeader(head, first->offset, firstLength);
    const bool infoFrame = xing || HasInfoHeader(head, first->offset, firstLength);
    const auto audio = infoFrame ? AnnouncedFrame(head, first->offset + firstLength, source.length()) : first;
    FillHeaderFields(audio ? *audio : *first, FrameParse::Full, info);
    info.FirstFrame = first->offset;

    const StreamCount count = xing ? WalkVariableBitrate(source, head, *first, info)
        : audio ? CountConstantBitrate(source, *audio, info)
        : StreamCount{};
    if (count.failed)
        return FailedRead(info.FileLength, source.error());

    const FrameHeader& h = first->header;
    info.Frames = count.frames;
    info.Duration = double(count.frames) * h.samplesPerFrame / h.sampleRate;
    info.Seconds = RoundHalfEven(__int128(count.frames) * h.samplesPerFrame, h.sampleRate);
    info.PlayTime = PlayTime(info.Seconds);
    return info;
}

bool HasMP3Extension(const QString& path)
{
    const qsizetype dot = path.lastIndexOf(u'.');
    return dot >= 0 && path.sliced(dot + 1).compare(QLatin1String("mp3"), Qt::CaseInsensitive) == 0;
}

} // namespace

bool ParseFrameHeader(const FileBytes& data, std::int64_t start, FrameParse mode, MP3Info& info)
{
    const auto frame = FindFrame(data, start);
    info.Found = frame.has_value();
    if (frame)
        FillHeaderFields(*frame, mode, info);
    return info.Found;
}

MP3Info ReadMP3Info(const QString& path)
{
    // Opening for reading never creates the file; a missing one fails with 53.
    platform::ItemFile file;
    if (!file.open(path))
        return FailedRead(0, file.error());
    FileSource source(file);
    return Describe(source);
}

MP3Info ReadMP3InfoFromBytes(QByteArrayView file)
{
    MemorySource source(file);
    return Describe(source);
}

bool IsValidMP3(const QString& path)
{
    if (!HasMP3Extension(path))
        return false;
    platform::ItemFile file;
    if (!file.open(path))
        return false;
    FileSource source(file);
    FileBytes head;
    bool failed = false;
    return FindFirstFrame(source, head, failed).has_value();
}

QString PlayTime(std::int64_t seconds)
{
    seconds = std::max<std::int64_t>(seconds, 0);
    return QStringLiteral("%1:%2")
        .arg(seconds / 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace quelt
