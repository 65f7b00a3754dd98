#pragma once
// Rule list files (".rls"): a header line, then per rule its category, rule
// text, enabled flag ("True"/"False") and, in version 2.1, its comment, one line
// each. Written as UTF-8 with CR LF; read with any line end, as UTF-8 or, when
// the bytes are not UTF-8, as Windows-1252.

#include "app/Settings.h"
#include "engine/RuleLine.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <vector>

namespace quelt {

class RulesList;
class UserPrompt;

inline const QString RulesFileHeaderV21 = QStringLiteral("#QUELT_RULES_FILE_V2.1");
inline const QString RulesFileHeaderV20 = QStringLiteral("#QUELT_RULES_FILE_V2.0");
/// Header of the older generation of rule files, which are refused.
inline const QString RulesFileHeaderOld = QStringLiteral("#QUELT_RULES_FILE");

/// Largest rule file read; a larger one counts as unreadable. About half a
/// million rules of ordinary length.
inline constexpr qint64 MaxRulesFileBytes = qint64(64) << 20;

inline const QString RulesFileLoadError = QStringLiteral("Rules file could not be loaded!");
inline const QString RulesFileSaveError = QStringLiteral("File could not be saved!");
inline const QString RulesFileOlderVersion =
    QStringLiteral("Sorry, this version of Quelt doesn't accept rules from older versions.\r\n"
                   "Please use the new rules system to create a new set.");
inline const QString ImportAppendQuestion =
    QStringLiteral("Your list is not empty, append file to current list?");
inline const QString ImportRulesCaption = QStringLiteral("Import Rules List");
inline const QString ExportRulesCaption = QStringLiteral("Export Rules List");
/// Filter of the file dialogs, in the "Text|*.x|..." form the dialogs convert.
inline const QString RulesFileFilter = QStringLiteral("Rules list file|*.rls|All files (*.*)|*.*");
inline const QString RulesFileProposedName = QStringLiteral("rules.rls");

/// What the bytes of a rule file hold.
enum class RulesFileKind {
    Rules,           ///< a version 2.0 or 2.1 file, read to its end
    OlderGeneration, ///< header "#QUELT_RULES_FILE": refused
    Unknown,         ///< any other first line: nothing to read
    Unreadable,      ///< empty, ends in the middle of a rule, or too large
};

struct ParsedRulesFile {
    RulesFileKind kind = RulesFileKind::Unreadable;
    /// The rules read (for Unreadable: those read before the fault).
    std::vector<RuleLine> rules;
};

/// Parses the bytes of a rule file. Category and rule text are trimmed, the
/// enabled line counts when trimmed and in lower case it is "true", a comment
/// is taken as read; version 2.0 rules have empty comments.
ParsedRulesFile ParseRulesFile(QByteArrayView bytes);

/// True when the file can be read and its first line, trimmed, is one of the
/// two headers read; false on any error.
bool IsRulesFile(const QString& path);

/// The lines of a version 2.1 file for `rules` (category, rule text and comment
/// trimmed). A line break inside a field, which no rule or comment should hold,
/// is written as a space, so the file always reads back rule by rule.
QStringList RulesFileLines(const std::vector<RuleLine>& rules);
/// Writes a version 2.1 rule file, replacing `path` atomically (UTF-8, CR LF).
/// False when it could not be written; the old file is then unchanged.
bool WriteRulesFile(const QString& path, const std::vector<RuleLine>& rules);

/// How an import ended.
enum class ImportResult {
    Imported,        ///< rules appended; the caller asks for a new instant preview
    Cancelled,       ///< the user cancelled the append question; nothing read
    OlderGeneration, ///< refused with the older-version message; nothing added
    NotRulesFile,    ///< other first line; nothing added, nothing shown
    Failed,          ///< "Rules file could not be loaded!" shown; the list is empty
};

/// Reads a rule file into `list`. A list that is not empty first asks whether
/// to append (Yes), replace (No) or cancel. A file that cannot be read or ends
/// in the middle of a rule shows the load error and empties the list, also the
/// rules that were there before an append. `mainCaption` is the caption of the
/// older-version warning. The caller updates the count and the buttons.
ImportResult ImportRulesFile(const QString& path, RulesList& list, UserPrompt& prompt,
                             const QString& mainCaption = ProgramTitle);

/// Export of the rules list to the path chosen in the save dialog: remembers its
/// folder in RulesFolder, writes the file, and shows "File could not be saved!"
/// when that fails. Returns whether the file was written; an empty list writes
/// nothing and returns false without a message.
bool ExportRulesList(const QString& path, const RulesList& list, UserPrompt& prompt);

/// Sets the RulesFolder setting to the folder of a path chosen in a rules file
/// dialog (the path without its file name, ending in "/").
void RememberRulesFolder(const QString& chosenPath);
/// Folder the rules file dialogs start in: RulesFolder when SaveState is on,
/// else "rules/" under the program folder.
QString RulesDialogFolder();

} // namespace quelt
