#pragma once
// The program's command line: switches as whole arguments ("/name" or "--name",
// any case), quick-rename parameters, and the help text.

#include <QString>
#include <QStringList>

namespace quelt {

/// The quick-rename parameters of one program run.
struct QuickRenameRequest {
    bool silent = false;
    QString folder;
    QString rulesFile; // a rule list file, or "$choose_task$"
    QString filter = QStringLiteral("*.*");
    bool showReport = false;
    bool includeSubFolders = false;
    bool renameFolders = false;
};

/// The rules value that lets the user choose a saved task.
inline const QString ChooseTaskRules = QStringLiteral("$choose_task$");

/// Stores one quick-rename parameter: keys "folder", "rules", "filter",
/// "showreport", "includesubfolders", "renamefolders" (trimmed, any case); the
/// three switches are on only for the value "on" exactly. Other keys are ignored.
void SetQuickRenameParameter(QuickRenameRequest& request, const QString& key, const QString& value);

/// Reads quick-rename parameter text of the form key="value" key="value" ...
void ParseParameters(const QString& text, QuickRenameRequest& request);

/// What one command line asks for.
struct CommandLine {
    bool help = false;
    QString folder;            // "/folder": scan this folder (empty: not given)
    QString rulesFile;         // "/rulesfile": import this rule list file (empty: not given)
    bool disasterRecovery = false;
    bool quickRename = false;
    QuickRenameRequest request;
    bool dryRun = false;       // with quick rename: preview only
    bool json = false;         // dry-run output as JSON Lines
    bool console = false;      // run without windows
    bool yes = false;          // answer OK/Yes to every question on the console
    QString error;             // not empty: the command line cannot be carried out

    bool empty() const;
};

/// Interprets the argument list (without the program name).
CommandLine ParseCommandLine(const QStringList& arguments);

/// The text shown for "/?", "/h", "/help", "-h" and "--help" (lines joined by "\n").
QString HelpText();

} // namespace quelt
