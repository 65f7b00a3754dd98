#pragma once
// The ID3v1 tag: the 128-byte block at the end of an MP3 file, in its ID3v1 and
// ID3v1.1 (track number) layouts, and the genre list it numbers genres by.
// Texts are ISO-8859-1, the format's own character set.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <array>
#include <cstdint>

namespace quelt {

/// One ID3v1 tag as the program holds it. Texts hold no fill characters.
struct ID3v1Tag {
    QString path;              // the file the tag was read from
    QString title;             // at most 30 characters
    QString artist;            // at most 30 characters
    QString album;             // at most 30 characters
    QString year;              // at most 4 characters
    std::uint8_t track = 0;    // 0 = no track number
    std::uint8_t genre = 255;  // genre number; 255 = none
    QString genreName;         // GenreList entry of genre; empty for 148 to 255
    QString comment;           // at most 30 characters read, 28 written
    bool present = false;      // a tag was found
    std::int64_t headerOffset = -1; // offset of "TAG" in the file; -1 without a tag
    QString version;           // "ID3v1" or "ID3v1.1" for a tag found; else empty
};

/// Size of the tag block, which always ends the file.
inline constexpr int ID3v1Size = 128;
/// Genre numbers 0 to LastGenre have names.
inline constexpr int LastGenre = 147;
inline constexpr std::uint8_t NoGenre = 255;

using GenreTable = std::array<QString, 256>;

/// The genre names by number: 0 to 147 named, 148 to 255 empty.
const GenreTable& GenreList();
/// Fills GenreList from the built-in names; the program calls it once at start.
void FillGenreList();
/// The first number 0 to 147 whose name equals `name`, both trimmed and compared
/// without regard to case; 255 when there is none.
std::uint8_t GenreIndexOf(const QString& name);

/// Reads the tag from the last 128 bytes of `fileEnd` (the end of a file): a tag
/// is there when they begin with "TAG". Path and headerOffset stay to be set by
/// the caller (headerOffset is set relative to `fileEnd`).
ID3v1Tag ParseID3v1(QByteArrayView fileEnd);
/// The 128-byte ID3v1.1 block of `tag`: texts ISO-8859-1, cut to their fields and
/// padded with spaces, comment 28 bytes, genres above 147 written as 255.
QByteArray FormatID3v1(const ID3v1Tag& tag);

/// Reads the file's tag; never fails: any problem gives present false.
ID3v1Tag ReadID3v1(const QString& path);
/// Writes `tag` over the file's tag, or appends one to a file without. Returns 0,
/// 53 for a missing file, or the failure's code (70 for a file we may not write).
int WriteID3v1(const QString& path, const ID3v1Tag& tag);
/// Empties the texts and sets track 0 and genre 255, which a write then stores as
/// a blank tag (a tag is never removed from the file).
void ClearID3v1(ID3v1Tag& tag);

} // namespace quelt
