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

/// The program folder, ending in "/": $QUELT_HOME when set; else the executable's
/// folder when it holds a file named "portable"; else $XDG_DATA_HOME/quelt
/// (default ~/.local/share/quelt). Created when missing.
QString ProgramFolder();
/// Folder of the read-only resources (help pages, sample rules, icon), ending in "/":
/// share/quelt/ next to the executable's prefix, or the source tree's resources.
QString ResourceFolder();

/// Decodes the bytes of a text file: a UTF-8 BOM is skipped; text that is not
/// valid UTF-8 is read as Windows-1252.
QString DecodeText(QByteArrayView bytes);
/// Splits text at CR LF, LF or CR. A final line end does not start another line.
QStringList SplitLines(const QString& text);

/// Reads a whole text file into lines. Returns false when it cannot be read.
bool ReadTextFile(const QString& path, QStringList& lines);

/// Writes bytes through a temporary file in the same folder, flushed and synced,
/// then renamed over the old file (keeping its permissions). On failure the old
/// file is left as it was and false is returned.
bool WriteFileAtomically(const QString& path, QByteArrayView data);
/// Writes lines as UTF-8 without BOM, each ending in CR LF, atomically.
bool WriteTextFile(const QString& path, const QStringList& lines);

/// Appends lines (UTF-8, CR LF) to a file with no buffering in the program,
/// for the event log and the recovery journal.
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
class IniFile {
public:
    /// Loads the file; a missing or unreadable file gives an empty INI (returns false).
    bool load(const QString& path);
    bool contains(const QString& section, const QString& key) const;
    QString value(const QString& section, const QString& key, const QString& fallback = {}) const;
    void setValue(const QString& section, const QString& key, const QString& value);
    /// Writes the whole file atomically (UTF-8, CR LF). False when the write fails.
    bool save(const QString& path) const;

    struct Entry { QString key; QString value; };
    struct Section { QString name; std::vector<Entry> entries; };
    const std::vector<Section>& sections() const { return sections_; }

private:
    std::vector<Section> sections_;
};

} // namespace quelt::platform
