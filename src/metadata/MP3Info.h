#pragma once
// MPEG audio stream data of a file: version, layer, bitrate, sampling rate,
// channel mode, header flags, frame count and play time; and the test by which
// the program decides whether a file is an MP3 file.

#include "metadata/MPEGHeader.h"

#include <QByteArrayView>
#include <QString>
#include <cstdint>

namespace quelt {

/// What ReadMP3Info found. Texts stay empty and numbers at their defaults when
/// no confirmed frame was found.
struct MP3Info {
    std::int64_t FileLength = 0;  // bytes
    int ErrorCode = 0;            // 0, 53 for a missing file, or the FailureCode of a failed read
    std::int64_t FirstFrame = -1; // offset of the first confirmed frame
    bool Found = false;
    QString Version;              // "MPEG 1", "MPEG 2", "MPEG 2.5" or "N/A"
    QString Layer;                // "Layer I", "Layer II", "Layer III" or "N/A"
    bool Protection = false;      // the header's protection bit is 1
    QString Bitrate;              // "128Kbps"; the rounded average for a variable bitrate
    QString SampleRate;           // "44100Hz"
    bool Private = false;
    QString ChannelMode;          // "Stereo", "Joint Stereo", "Dual Channel", "Single Channel"
    bool Copyright = false;
    bool Original = false;
    QString Emphasis;             // "None", "50/15 ms", "N/A", "CCIT J.17"
    int FrameLength = -1;         // bytes; the truncated average for a variable bitrate
    std::int64_t Frames = 0;
    bool VBR = false;
    QString MaxBitrate;           // highest frame bitrate, like Bitrate
    QString MinBitrate;           // lowest frame bitrate, like Bitrate
    std::int64_t Seconds = 0;     // play time, rounded to whole seconds
    QString PlayTime;             // "mm:ss", minutes at least two digits
    double Duration = 0;          // play time in seconds, exact: Frames x samples per frame / rate
};

enum class FrameParse { Quick, Full };

/// Runs FindFrame from `start` over `data` and fills Found and, when a frame is
/// found, FirstFrame, Version, Layer, Protection, Bitrate, SampleRate and
/// FrameLength; a full parse also fills Private, ChannelMode, Copyright,
/// Original and Emphasis. Returns Found.
bool ParseFrameHeader(const FileBytes& data, std::int64_t start, FrameParse mode, MP3Info& info);

/// Describes the MPEG stream of the file at `path`. Never fails to the caller:
/// a missing file gives ErrorCode 53, a failed read the read's FailureCode,
/// both with Found false. A leading ID3v2 tag is skipped before the frame search.
/// A constant-bitrate stream is described from one search at the start and one
/// at the end; only a stream with a "Xing" header is walked frame by frame.
MP3Info ReadMP3Info(const QString& path);

/// ReadMP3Info over bytes in memory (the whole file).
MP3Info ReadMP3InfoFromBytes(QByteArrayView file);

/// True when the path exists, its extension is "mp3" in any case, and a
/// confirmed MPEG frame follows its leading ID3v2 tag (or starts the file).
bool IsValidMP3(const QString& path);

/// Whole minutes (at least two digits), ":", seconds (two digits): 3725 gives "62:05".
QString PlayTime(std::int64_t seconds);

} // namespace quelt
