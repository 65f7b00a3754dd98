#pragma once
// Expansion of variable references ("%file_modified_date[yyyy-mm-dd]%",
// "%id3v1_artist ELSE const=No Artist%") in new names, and the name helpers that
// other parts of the program reuse. The variables themselves are listed in
// VariableGroups.h, which is also where new groups are added.

#include "engine/PreviewItem.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

namespace quelt {

/// The settings the expansion depends on.
struct ExpansionOptions {
    bool replaceInvalidChars = false; // replace characters a name cannot hold instead of removing them
    QString replaceWith = QStringLiteral("_"); // one character (code point)
    bool enableLogging = true;        // write the failure line to the event log
};

/// ReplaceInvalidChars, ReplaceWith and EnableLogging of AppSettings().
ExpansionOptions ExpansionOptionsFromSettings();

/// Expands every variable reference in item.newName for the item's file
/// (item.folder + item.oldName) and cleans the result with FixInvalidChars.
/// The returned copy has the new text and valid = item.valid && every reference
/// resolved && the new name is not "." or "..". A reference without a closing "%"
/// leaves the text unexpanded (only cleaned) and valid unchanged, and logs
/// "ConvertText: Unexpected error #1" at level "ERROR" when logging is on.
/// Never throws; reads each group of file facts at most once per call.
PreviewItem ConvertText(const PreviewItem& item, const ExpansionOptions& options);
/// ConvertText on the item itself: newName and valid become those of the copy
/// ConvertText would return. Spares the copy of the record for callers that
/// expand every item after every rule.
void ConvertTextInPlace(PreviewItem& item, const ExpansionOptions& options);
/// ConvertText with the options of AppSettings().
PreviewItem ConvertText(const PreviewItem& item);

class VariableSet;
/// ConvertText over another set of variable groups (tests).
PreviewItem ConvertText(const PreviewItem& item, const ExpansionOptions& options,
                        const VariableSet& variables);
/// ConvertTextInPlace over another set of variable groups.
void ConvertTextInPlace(PreviewItem& item, const ExpansionOptions& options, const VariableSet& variables);

/// Numbers of the failure line "ConvertText: Unexpected error #N".
enum ExpansionFailure : int {
    UnclosedReference = 1, // a "%" without a closing "%" after it
    InternalError = 2,     // an exception inside the expansion (such as out of memory)
};

/// Removes the characters a name cannot hold (/ \ : * ? " < > | and the control
/// characters 0-31), or, with replaceInvalidChars on, replaces the nine visible
/// ones by replaceWith ("_" when replaceWith is empty or itself not allowed).
/// Control characters are always removed.
QString FixInvalidChars(const QString& text, const ExpansionOptions& options);
/// FixInvalidChars with the options of AppSettings().
QString FixInvalidChars(const QString& text);

/// True for "." and "..", which are never valid new names.
bool IsReservedName(QStringView name);

/// The text after the last "."; empty when there is none.
QString GetFileExtension(const QString& text);
/// The text before the last "."; the whole text when there is none.
QString GetFileTitle(const QString& text);

/// Size of the file in bytes (64-bit); 0 for a folder or a path that cannot be read.
std::int64_t GetFileSize(const QString& path);

/// "1,024 bytes", "1 KB", "3 MB", "2 GB", "1 TB": the whole number of the largest
/// unit (1 KB = 1024 bytes) that the size exceeds, grouped by thousands with the
/// locale's separator.
QString FormatFileSize(std::int64_t size);

/// Selector of GetFileTimes.
enum FileTimeSelector : int { LastAccess = 0, Creation = 1, LastWrite = 2 };

/// One of the item's times in local time; std::nullopt when the path does not
/// exist or its times cannot be read, or for an unknown selector. Creation is the
/// birth time where the file system keeps one, else the modification time.
std::optional<QDateTime> GetFileDateTime(const QString& path, int selector);

struct FileTimeTexts {
    QString date; // the user's short date format
    QString time; // the user's time format with seconds
};
/// GetFileDateTime as texts in the user's locale; both empty when it has none.
FileTimeTexts GetFileTimes(const QString& path, int selector);

/// Bytes GetHTMLTitle reads at a time.
inline constexpr std::int64_t HtmlReadChunk = 64 * 1024;

/// The text between "<title>" and "</title>" (any case) on the first line of an
/// existing ".htm" or ".html" file that holds both in that order; empty otherwise
/// or when the file cannot be read. Reads in chunks up to the end of that line,
/// holding one line at a time.
QString GetHTMLTitle(const QString& path);
/// The title found in the bytes of a page, read line by line (CR LF, LF or CR),
/// each line as UTF-8 or, when it is not, as Windows-1252.
QString HtmlTitleFromBytes(QByteArrayView bytes);

} // namespace quelt
