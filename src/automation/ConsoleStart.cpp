#include "automation/ConsoleStart.h"

#include "app/Settings.h"
#include "automation/ConsoleProgress.h"
#include "automation/ConsolePrompt.h"
#include "automation/SilentRenaming.h"
#include "platform/FileSystem.h"
#include "renaming/EventLog.h"
#include "renaming/RecoveryFile.h"
#include "renaming/RenameRun.h"
#include "renaming/Undo.h"

#include <QDir>
#include <cstdio>

namespace quelt {
namespace {

void PrintError(const QString& text)
{
    std::fprintf(stderr, "quelt: %s\n", text.toUtf8().constData());
}

void StartUp()
{
    LoadSettings(QDir::homePath() + u'/');
    AppScanState() = ScanStateFromSettings(AppSettings());
    OpenLog();
    if (AppSettings().EnableLogging) {
        LogEvent(QStringLiteral("NOTHING"), QString());
        LogEvent(QStringLiteral("INFO"), QStringLiteral("Application started..."));
    }
    RenameState().UndoFromRecoveryFile = platform::PathExists(RecoveryFilePath());
}

int QuickRename(const CommandLine& line, UserPrompt& prompt)
{
    QuickRenameRequest request = line.request;
    if (const QString problem = CheckQuickRenameRequest(request); !problem.isEmpty()) {
        PrintError(problem);
        return ExitCannotRun;
    }
    if (request.rulesFile == ChooseTaskRules) {
        PrintError(QStringLiteral("choosing a saved task needs the tasks window, which needs a display"));
        return ExitCannotRun;
    }
    ConsoleProgress progress(request.showReport || line.dryRun ? request.showReport : false);
    SilentRenamingHost host{prompt, progress, progress, &progress};
    host.dryRun = line.dryRun;
    host.json = line.json;
    const SilentOutcome outcome = SilentRenaming(request, host);
    progress.endLine();
    switch (outcome) {
    case SilentOutcome::Done:
        return ExitDone;
    case SilentOutcome::CannotStart:
        PrintError(QStringLiteral("no rules could be loaded from \"%1\"").arg(request.rulesFile));
        return ExitCannotRun;
    case SilentOutcome::Incomplete:
        break;
    }
    return ExitIncomplete;
}

int DisasterRecovery(UserPrompt& prompt)
{
    const bool fileThere = platform::PathExists(RecoveryFilePath());
    ConsoleProgress progress(false);
    UndoOutcome outcome;
    const bool ran = RestoreFromDR(
        prompt, [&](UndoRecord& record) { outcome = RunUndo(record, progress, prompt, nullptr); },
        /*fromCommandLine=*/true);
    progress.endLine();
    if (!fileThere)
        return ExitCannotRun;
    if (!ran || outcome.failed > 0)
        return ExitIncomplete;
    return ExitDone;
}

} // namespace

bool RunsOnConsole(const CommandLine& line)
{
    return line.help || line.quickRename || line.disasterRecovery;
}

int RunConsole(const CommandLine& line)
{
    if (line.help) {
        std::fprintf(stdout, "%s\n", HelpText().toUtf8().constData());
        return ExitDone;
    }
    if (!RunsOnConsole(line)) {
        PrintError(QStringLiteral("this command needs the main window, which needs a display"));
        return ExitCannotRun;
    }
    StartUp();
    ConsolePrompt prompt(line.yes);
    int status = ExitDone;
    if (line.quickRename) {
        status = QuickRename(line, prompt);
    } else {
        status = DisasterRecovery(prompt);
        if (AppSettings().EnableLogging)
            LogEvent(QStringLiteral("INFO"), QStringLiteral("Application terminated..."));
    }
    CloseLog();
    return status;
}

} // namespace quelt
