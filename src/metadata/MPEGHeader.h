#pragma once
// MPEG audio frame headers (ISO/IEC 11172-3, ISO/IEC 13818-3 and the MPEG 2.5
// extension for low sampling rates) and the frame searches over byte buffers.
// Everything here works on memory; MP3Info.cpp feeds it windows of a file.

#include <QByteArrayView>
#include <cstdint>
#include <optional>

namespace quelt {

/// Version index of a header (bits 4-3 of the second byte).
enum class MPEGVersion : std::uint8_t { MPEG25 = 0, Reserved = 1, MPEG2 = 2, MPEG1 = 3 };
/// Layer index of a header (bits 2-1 of the second byte).
enum class MPEGLayer : std::uint8_t { Reserved = 0, LayerIII = 1, LayerII = 2, LayerI = 3 };

/// The fields of one valid four-byte frame header, with the values the tables
/// give for its version and layer.
struct FrameHeader {
    MPEGVersion version = MPEGVersion::MPEG1;
    MPEGLayer layer = MPEGLayer::LayerIII;
    bool protection = false;   // the protection bit is 1 (no CRC follows)
    int bitrate = 0;           // kbit/s
    int sampleRate = 0;        // Hz
    bool padding = false;
    bool privateBit = false;
    int channelMode = 0;       // 0 stereo, 1 joint stereo, 2 dual channel, 3 single channel
    bool copyright = false;
    bool original = false;
    int emphasis = 0;          // 0 none, 1 50/15 ms, 2 reserved, 3 CCITT J.17
    int frameLength = 0;       // bytes, header included
    int samplesPerFrame = 0;
};

/// Longest frame any valid header can declare (MPEG 2.5 Layer II, 160 kbit/s at
/// 8,000 Hz, padded): a search window needs this much beyond its last candidate.
inline constexpr int MaxFrameLength = 2881;
/// How far FindFrame looks past its start offset.
inline constexpr std::int64_t FrameSearchSpan = 65536;
/// How far FindLastFrame looks back from the end.
inline constexpr std::int64_t LastFrameSearchSpan = 262144;
/// Bytes a window must hold from a FindFrame start (or reach the end of the
/// file) for the search to see everything it may look at.
inline constexpr std::int64_t FrameSearchWindow = FrameSearchSpan + MaxFrameLength + 4;

/// Bitrate in kbit/s for a version, layer and bitrate index; 0 for the free
/// format (index 0), the invalid index 15 and reserved versions or layers.
int BitrateKbps(MPEGVersion version, MPEGLayer layer, int index);
/// Sampling rate in Hz for a version and rate index; 0 when reserved.
int SampleRateHz(MPEGVersion version, int index);
/// Samples one frame holds for a version and layer; 0 when reserved.
int SamplesPerFrame(MPEGVersion version, MPEGLayer layer);

/// Decodes the first four bytes of `bytes` as a frame header. Empty when fewer
/// than four bytes are given or the header is not valid: no sync, reserved
/// version or layer, free-format or invalid bitrate, reserved sampling rate.
std::optional<FrameHeader> DecodeFrameHeader(QByteArrayView bytes);

/// A stretch of a file: `bytes` are the file's bytes from offset `offset` on.
/// The searches below take the end of `bytes` for the end of the file, so a
/// caller that passes less than the whole file must pass enough (see
/// FrameSearchWindow) or the true end.
struct FileBytes {
    QByteArrayView bytes;
    std::int64_t offset = 0;

    std::int64_t end() const { return offset + bytes.size(); }
    /// The bytes from file offset `at` on; empty outside the stretch.
    QByteArrayView from(std::int64_t at) const;
};

/// A confirmed frame: its file offset and decoded header.
struct FoundFrame {
    std::int64_t offset = -1;
    FrameHeader header;
};

/// True when the header at `at` is valid and the four bytes one frame length
/// later form a valid header as well.
std::optional<FrameHeader> ConfirmedFrameAt(const FileBytes& data, std::int64_t at);

/// First confirmed frame at or after `start`, looking at most FrameSearchSpan
/// bytes past it and never closer than 5 bytes to the end. Empty when none.
std::optional<FoundFrame> FindFrame(const FileBytes& data, std::int64_t start);

/// Searching backwards from 5 bytes before the end, at most LastFrameSearchSpan
/// bytes back and never at file offset 0, the first confirmed frame met. The
/// very last frame (no header follows it) is therefore not the answer.
std::optional<FoundFrame> FindLastFrame(const FileBytes& data);

/// True when "Xing" starts inside the frame at `frameOffset` (at an offset
/// below frameOffset + frameLength, with more than 4 bytes after it).
bool HasXingHeader(const FileBytes& data, std::int64_t frameOffset, std::int64_t frameLength);
/// The same for "Info", the tag encoders write into the first frame of a
/// constant-bitrate stream. Such a frame, like a "Xing" one, holds no audio.
bool HasInfoHeader(const FileBytes& data, std::int64_t frameOffset, std::int64_t frameLength);

} // namespace quelt
