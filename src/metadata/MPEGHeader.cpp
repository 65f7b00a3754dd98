#include "metadata/MPEGHeader.h"

#include <algorithm>
#include <array>

namespace quelt {
namespace {

// Bitrates in kbit/s by bitrate index 0..15 (0 = free format, 15 = invalid).
// ISO/IEC 11172-3 table 2.4.2.3 and ISO/IEC 13818-3 table 2.4.2.3; MPEG 2.5
// uses the MPEG 2 rows.
using BitrateRow = std::array<int, 16>;
constexpr BitrateRow Mpeg1LayerI = {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0};
constexpr BitrateRow Mpeg1LayerII = {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0};
constexpr BitrateRow Mpeg1LayerIII = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
constexpr BitrateRow Mpeg2LayerI = {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0};
constexpr BitrateRow Mpeg2LayerIIandIII = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};

// Per version index (2.5, reserved, 2, 1) and rate index 0..3 (3 reserved).
constexpr std::array<std::array<int, 4>, 4> SampleRates = {{
    {11025, 12000, 8000, 0},
    {0, 0, 0, 0},
    {22050, 24000, 16000, 0},
    {44100, 48000, 32000, 0},
}};

struct LayerTraits {
    const BitrateRow* bitrates;
    int samplesPerFrame;
};

// Per version index, then layer index (reserved, III, II, I).
constexpr LayerTraits Reserved = {nullptr, 0};
constexpr std::array<std::array<LayerTraits, 4>, 4> Layers = {{
    {{Reserved, {&Mpeg2LayerIIandIII, 576}, {&Mpeg2LayerIIandIII, 1152}, {&Mpeg2LayerI, 384}}},
    {{Reserved, Reserved, Reserved, Reserved}},
    {{Reserved, {&Mpeg2LayerIIandIII, 576}, {&Mpeg2LayerIIandIII, 1152}, {&Mpeg2LayerI, 384}}},
    {{Reserved, {&Mpeg1LayerIII, 1152}, {&Mpeg1LayerII, 1152}, {&Mpeg1LayerI, 384}}},
}};

const LayerTraits& TraitsOf(MPEGVersion version, MPEGLayer layer)
{
    return Layers[std::size_t(version) & 3][std::size_t(layer) & 3];
}

// Frame length from the standards: a frame holds samplesPerFrame / 8 bytes per
// bit/s of bitrate, counted in slots of 4 bytes for Layer I and 1 byte
// otherwise; padding adds one slot. This gives (12000 * kbps / rate + p) * 4,
// 144000 * kbps / rate + p and, for Layer III of MPEG 2 and 2.5, 72000 * kbps / rate + p.
int FrameLengthOf(MPEGLayer layer, int samplesPerFrame, int kbps, int rate, bool padding)
{
    const int slot = layer == MPEGLayer::LayerI ? 4 : 1;
    const int slots = samplesPerFrame / 8 * 1000 / slot * kbps / rate + (padding ? 1 : 0);
    return slots * slot;
}

// Bytes to look at on each side of a candidate header.
constexpr std::int64_t HeaderSize = 4;
// Candidates stay this far from the end of the file.
constexpr std::int64_t EndMargin = 5;

} // namespace

int BitrateKbps(MPEGVersion version, MPEGLayer layer, int index)
{
    const LayerTraits& traits = TraitsOf(version, layer);
    if (!traits.bitrates || index < 0 || index > 15)
        return 0;
    return (*traits.bitrates)[std::size_t(index)];
}

int SampleRateHz(MPEGVersion version, int index)
{
    if (index < 0 || index > 3)
        return 0;
    return SampleRates[std::size_t(version) & 3][std::size_t(index)];
}

int SamplesPerFrame(MPEGVersion version, MPEGLayer layer)
{
    return TraitsOf(version, layer).samplesPerFrame;
}

std::optional<FrameHeader> DecodeFrameHeader(QByteArrayView bytes)
{
    if (bytes.size() < HeaderSize)
        return std::nullopt;
    const auto b0 = std::uint8_t(bytes[0]);
    const auto b1 = std::uint8_t(bytes[1]);
    const auto b2 = std::uint8_t(bytes[2]);
    const auto b3 = std::uint8_t(bytes[3]);
    if (b0 != 0xFF || b1 < 0xE0)
        return std::nullopt;

    FrameHeader h;
    h.version = MPEGVersion((b1 >> 3) & 3);
    h.layer = MPEGLayer((b1 >> 1) & 3);
    h.bitrate = BitrateKbps(h.version, h.layer, b2 >> 4);
    h.sampleRate = SampleRateHz(h.version, (b2 >> 2) & 3);
    h.samplesPerFrame = SamplesPerFrame(h.version, h.layer);
    if (h.bitrate == 0 || h.sampleRate == 0 || h.samplesPerFrame == 0)
        return std::nullopt;

    h.protection = (b1 & 1) != 0;
    h.padding = (b2 & 2) != 0;
    h.privateBit = (b2 & 1) != 0;
    h.channelMode = b3 >> 6;
    h.copyright = (b3 & 8) != 0;
    h.original = (b3 & 4) != 0;
    h.emphasis = b3 & 3;
    h.frameLength = FrameLengthOf(h.layer, h.samplesPerFrame, h.bitrate, h.sampleRate, h.padding);
    return h;
}

QByteArrayView FileBytes::from(std::int64_t at) const
{
    if (at < offset || at > end())
        return {};
    return bytes.sliced(qsizetype(at - offset));
}

std::optional<FrameHeader> ConfirmedFrameAt(const FileBytes& data, std::int64_t at)
{
    const std::optional<FrameHeader> header = DecodeFrameHeader(data.from(at));
    if (!header || !DecodeFrameHeader(data.from(at + header->frameLength)))
        return std::nullopt;
    return header;
}

std::optional<FoundFrame> FindFrame(const FileBytes& data, std::int64_t start)
{
    const std::int64_t first = std::max(start, data.offset);
    const std::int64_t last = std::min(start + FrameSearchSpan, data.end() - EndMargin);
    for (std::int64_t at = first; at <= last; ++at) {
        // Cheap sync test before decoding: most bytes are not 0xFF.
        if (std::uint8_t(data.bytes[qsizetype(at - data.offset)]) != 0xFF)
            continue;
        if (const auto header = ConfirmedFrameAt(data, at))
            return FoundFrame{at, *header};
    }
    return std::nullopt;
}

std::optional<FoundFrame> FindLastFrame(const FileBytes& data)
{
    const std::int64_t top = data.end() - EndMargin;
    const std::int64_t bottom = std::max({top - LastFrameSearchSpan, data.offset, std::int64_t(1)});
    for (std::int64_t at = top; at >= bottom; --at) {
        if (std::uint8_t(data.bytes[qsizetype(at - data.offset)]) != 0xFF)
            continue;
        if (const auto header = ConfirmedFrameAt(data, at))
            return FoundFrame{at, *header};
    }
    return std::nullopt;
}

namespace {

// True when `tag` starts inside the frame, more than 4 bytes before the end.
bool FrameHolds(const FileBytes& data, std::int64_t frameOffset, std::int64_t frameLength, QByteArrayView tag)
{
    const std::int64_t first = std::max(frameOffset, data.offset);
    const std::int64_t last = std::min<std::int64_t>(frameOffset + frameLength - 1, data.end() - tag.size() - 1);
    if (last < first)
        return false;
    const QByteArrayView frame = data.bytes.sliced(qsizetype(first - data.offset), qsizetype(last - first + tag.size()));
    return frame.indexOf(tag) >= 0;
}

} // namespace

bool HasXingHeader(const FileBytes& data, std::int64_t frameOffset, std::int64_t frameLength)
{
    return FrameHolds(data, frameOffset, frameLength, QByteArrayView("Xing"));
}

bool HasInfoHeader(const FileBytes& data, std::int64_t frameOffset, std::int64_t frameLength)
{
    return FrameHolds(data, frameOffset, frameLength, QByteArrayView("Info"));
}

} // namespace quelt
