#pragma once
// The ID3v2 tag (versions 2.3.0 and 2.4.0): finding it, reading its frames into
// memory, the text of the twelve frames the program edits, changing them, and
// writing the tag back into the file. New tags are written as version 2.3.0.
//
// The parsers work on byte buffers (so fuzzers and tests feed memory); the file
// functions read the bytes they need and hand them over.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace quelt {

/// One frame. The data is kept as read (after undoing unsynchronisation) and
/// written back unchanged unless the program sets the frame's text.
struct ID3v2Frame {
    /// Where the frame's 10-byte header is in the file, with the frames laid out
    /// one after the other from 10 bytes after the tag header, as a write puts them.
    std::int64_t offset = 0;
    std::uint8_t encoding = 0;          // the first data byte (text encoding of text frames)
    QString id;                         // 4 characters
    std::int32_t dataLength = 0;        // frame size minus 1: the bytes of data
    std::array<std::uint8_t, 2> flags{}; // the frame header's two flag bytes
    QByteArray data;                    // the dataLength bytes after the encoding byte
};

/// How far a tag could be read.
enum class ID3v2Status : std::uint8_t {
    NoTag,       ///< no tag header in the file
    Complete,    ///< read; every frame is held and the tag may be rewritten
    Partial,     ///< read, but a frame is not held (too large, or unreadable bytes
                 ///< after the frames): present, but never rewritten
    Damaged,     ///< a header, but the tag cannot be read (present false)
    Unsupported, ///< a version or header flags this reader does not know (present false)
};

struct ID3v2Tag {
    bool footer = false;            // the tag ends with a footer (header flag bit 4)
    QString path;                   // the file
    std::int64_t headerOffset = -1; // offset of "ID3"; -1 without a tag
    bool present = false;           // a tag was read
    QString version;                // "ID3v2." major "." revision, e.g. "ID3v2.3.0"
    std::int32_t size = 0;          // tag size from the header, without the header
    std::vector<ID3v2Frame> frames; // in file order, at most MaxID3v2Frames
    QByteArray header;              // the 10 header bytes as found; empty without a tag
    ID3v2Status status = ID3v2Status::NoTag;

    int frameCount() const { return int(frames.size()); }
};

inline constexpr int ID3v2HeaderSize = 10;
inline constexpr int ID3v2FrameHeaderSize = 10;
inline constexpr int MaxID3v2Frames = 256;
/// Frames with more data are passed over (not held); a tag holding one is not rewritten.
inline constexpr std::int32_t MaxID3v2FrameData = 16'777'216;
/// A text the program sets is cut to this many bytes.
inline constexpr int MaxID3v2SetTextBytes = 32'768;
/// A written tag has at least this much room, so later edits fit without a copy.
inline constexpr int MinID3v2TagSize = 1024;

enum class FrameTextMode {
    Plain = 0,     ///< the frame's text
    Number = 1,    ///< "TCON": the genre number; "COMM": the language
    GenreName = 2, ///< "TCON": the genre name
};

/// A header position and its 10 bytes; offset -1 when there is no tag.
struct ID3v2HeaderLocation {
    std::int64_t offset = -1;
    QByteArray header;
};

/// Looks for the tag header in the first 10 bytes of a file, else through a
/// footer in its last 256 bytes.
ID3v2HeaderLocation FindID3v2Header(const QString& path);
/// The same search over a whole file held in memory.
ID3v2HeaderLocation FindID3v2HeaderInBuffer(QByteArrayView file);
/// Bytes the tag whose header starts `header` takes in the file: the header, the
/// size it announces and, for version 2.4.0 with the footer flag, the footer.
/// 0 when `header` is no tag header ("ID3", version bytes below 0xFF, synchsafe size).
std::int64_t ID3v2TagLength(QByteArrayView header);

/// Parses a tag whose header starts `tagBytes` (header, body and footer; fewer
/// bytes than the header announces make the tag damaged). `headerOffset` is where
/// the header is in the file.
ID3v2Tag ParseID3v2Tag(QByteArrayView tagBytes, std::int64_t headerOffset);
/// Finds and parses the tag of a whole file held in memory.
ID3v2Tag ParseID3v2Buffer(QByteArrayView file);
/// Reads the file's tag; never fails: problems give present false and a status.
ID3v2Tag ReadID3v2(const QString& path);

/// The text of frame `id` (see the implementation for the frames and modes);
/// empty for an absent frame, an id that is not 4 characters, or another frame.
QString GetFrameText(const ID3v2Tag& tag, const QString& id, FrameTextMode mode = FrameTextMode::Plain);
/// Sets the text of frame `id` in memory: ISO-8859-1 when it fits, otherwise
/// UTF-16 with a byte-order mark; cut to 32,768 bytes; "COMM" gets language "eng"
/// and an empty description, "WXXX" the description "desc". An empty text empties
/// an existing frame and adds none.
void SetFrameText(ID3v2Tag& tag, const QString& id, const QString& text);
/// Index of the first frame whose id equals `id` in upper case; -1 when absent.
int FindFrameIndex(const ID3v2Tag& tag, const QString& id);
/// Bytes from the first frame's header to the end of the last frame; 0 without frames.
std::int64_t GetFramesSize(const ID3v2Tag& tag);

/// The tag as a write puts it into the file: its header (the tag's own, without
/// the unsynchronisation and extended-header flags, or a new 2.3.0 header), the
/// frames, zero padding up to max(frames, minimumSize) and, when the header has
/// the flag, a footer. Empty when the tag cannot be written (partial, more than
/// 256 frames, an invalid frame id, larger than a tag may be).
std::optional<QByteArray> FormatID3v2(const ID3v2Tag& tag, std::int64_t minimumSize);

/// Writes `tag` into the file: in place when it fits the room of the file's tag,
/// otherwise through a temporary copy that replaces the file. Returns 0, 53 for a
/// missing file, 321 when the file's tag (or `tag`) cannot be read completely and
/// the file is left untouched, or the failure's code.
int WriteID3v2(const QString& path, const ID3v2Tag& tag);

} // namespace quelt
