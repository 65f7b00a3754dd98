#pragma once
// The program folder, text files and INI files of the program, and the atomic
// replace of files the program owns.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace quelt::platform {

/// Largest text file read whole; a longer one is read up to this size.
inline constexpr qint64 MaxTextFileBytes = qint64(1) << 30;
/// Longest value IniFile::value returns, in characters (code points).
inline constexpr qsizetype MaxIniValueLength = 255;

/// The program folder, ending in "/": $QUELT_HOME when set; else the executable's
/// folder when it holds a file named "portable"; else $XDG_DATA_HOME/quelt
/// (default ~/.local/share/quelt). Created when missing.
QString ProgramFolder();
/// The choice ProgramFolder() makes from its inputs, without creating anything:
/// queltHome when not empty (made absolute), else exeFolder when it holds a file
/// "portable", else xdgDataHome + "/quelt" when xdgDataHome is an absolute path,
/// else home + "/.local/share/quelt". Ends in "/".
QString ChooseProgramFolder(const QString& queltHome, const QString& exeFolder,
                            const QString& xdgDataHome, const QString& home);
/// Folder of the running executable, ending in "/" (empty when unknown).
QString ExecutableFolder();
/// Folder of the read-only resources (help pages, sample rules, icon), ending in "/":
/// share/quelt/ next to the executable's prefix, or the source tree's resources.
QString ResourceFolder();

/// Decodes the bytes of a text file: a UTF-8 BOM is skipped; text that is not
/// valid UTF-8 is read as Windows-1252.
QString DecodeText(QByteArrayView bytes);
/// Decodes bytes from inside a text file (UTF-8, else Windows-1252); unlike
/// DecodeText a leading EF BB BF is a character here, not a byte-order mark.
QString DecodeTextLine(QByteArrayView bytes);
/// Splits text at CR LF, LF or CR. A final line end does not start another line.
QStringList SplitLines(const QString& text);

/// Decodes like DecodeText, except that text which is not valid UTF-8 keeps its
/// other bytes as escaped name bytes (NameCodec.h) instead of being read as
/// Windows-1252: for the program's own files that hold item names, which
/// WriteTextFile and TextAppender write back byte for byte.
QString DecodeTextWithNameBytes(QByteArrayView bytes);

/// Reads a whole file, at most maxBytes of it (the rest is left unread).
/// False when it cannot be opened or read, or is a folder.
bool ReadWholeFile(const QString& path, QByteArray& bytes, qint64 maxBytes = MaxTextFileBytes);

/// Reads a whole text file into lines. Returns false when it cannot be read.
bool ReadTextFile(const QString& path, QStringList& lines);
/// Reads a whole text file into lines decoded by DecodeTextWithNameBytes.
bool ReadTextFileWithNameBytes(const QString& path, QStringList& lines);

/// Writes bytes through a temporary file in the same folder, flushed and synced,
/// then renamed over the old file (keeping its permissions). On failure the old
/// file is left as it was and false is returned.
bool WriteFileAtomically(const QString& path, QByteArrayView data);
/// Writes lines as UTF-8 without BOM, each ending in CR LF, atomically. Escaped
/// name bytes (NameCodec.h) are written as the bytes they stand for.
bool WriteTextFile(const QString& path, const QStringList& lines);

/// Appends lines (UTF-8, CR LF; escaped name bytes as their bytes) to a file with
/// no buffering in the program, for the event log and the recovery journal.
class TextAppender {
public:
    TextAppender() = default;
    ~TextAppender();
    TextAppender(const TextAppender&) = delete;
    TextAppender& operator=(const TextAppender&) = delete;

    /// Opens for appending (truncate = start empty). False when it cannot be opened.
    bool open(const QString& path, bool truncate = false);
    bool isOpen() const { return fd_ >= 0; }
    bool appendLine(const QString& line);
    bool append(QByteArrayView bytes);
    bool sync();
    /// Current size of the file in bytes, or -1.
    qint64 size() const;
    void close();

private:
    int fd_ = -1;
};

/// INI file with the private-profile semantics the program relies on: sections
/// and keys compared without regard to case, the first of two equal keys wins,
/// values read are cut at 255 characters. Writing keeps the order of first use.
///
/// Reading: lines are "[section]" or "key=value" (names and values trimmed of
/// white space); other lines, and keys before the first section, are ignored. A
/// value enclosed in a pair of double or single quotes loses them. A section that
/// appears twice is one section. Each line is UTF-8, or Windows-1252 when it is not
/// valid UTF-8.
/// Writing: sections in order of first use, a blank line between them. A value
/// with white space at either end, or enclosed in quotes, is written within double
/// quotes so that it reads back unchanged; a value holding a line break cannot be
/// stored on its line and is written empty.
class IniFile {
public:
    /// Loads the file; a missing or unreadable file gives an empty INI (returns false).
    bool load(const QString& path);
    /// Parses the bytes of an INI file (replacing what was loaded).
    void parse(QByteArrayView bytes);
    bool contains(const QString& section, const QString& key) const;
    QString value(const QString& section, const QString& key, const QString& fallback = {}) const;
    void setValue(const QString& section, const QString& key, const QString& value);
    /// Writes the whole file atomically (UTF-8, CR LF). False when the write fails.
    bool save(const QString& path) const;
    /// The lines save() writes.
    QStringList toLines() const;

    struct Entry { QString key; QString value; };
    struct Section { QString name; std::vector<Entry> entries; };
    const std::vector<Section>& sections() const { return sections_; }

private:
    std::vector<Section> sections_;
};

} // namespace quelt::platform
