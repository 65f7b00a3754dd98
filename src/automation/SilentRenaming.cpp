#include "automation/SilentRenaming.h"

#include "app/ItemList.h"
#include "app/ScanFolder.h"
#include "app/Settings.h"
#include "app/UserPrompt.h"
#include "automation/DryRun.h"
#include "engine/PreviewEngine.h"
#include "platform/FileSystem.h"
#include "renaming/EventLog.h"
#include "renaming/RenameRun.h"
#include "renaming/Undo.h"
#include "rules/RuleListFile.h"
#include "rules/RulesList.h"

namespace quelt {
namespace {

const QString QuickRenamePrefix = QStringLiteral("Quick rename: ");
const QString FilesSkippedCaption = QStringLiteral("Files skipped");

void Log(const QString& level, const QString& text)
{
    if (AppSettings().EnableLogging)
        LogEvent(level, QuickRenamePrefix + text);
}

ScanOptions ScanOptionsFor(const QuickRenameRequest& request)
{
    const ScanState& state = AppScanState();
    ScanOptions options;
    options.recurse = request.includeSubFolders;
    options.foldersOnly = request.renameFolders;
    options.attributes.enableAttrFilter = state.EnableAttrFilter != 0;
    options.attributes.showReadOnly = state.ShowReadOnly != 0;
    options.attributes.showHidden = state.ShowHidden != 0;
    options.attributes.showSystem = state.ShowSystem != 0;
    options.attributes.showArchive = state.ShowArchive != 0;
    options.autoSelectFiles = true; // every item found is checked in a quick rename
    options.doEventsTimeout = AppSettings().DoEventsTimeout;
    return options;
}

/// Clears included and selected of every item whose new name is invalid; returns how many.
int SkipInvalidItems(PreviewArray& preview, qsizetype count)
{
    int skipped = 0;
    for (qsizetype i = 0; i < count; ++i) {
        PreviewItem& item = preview[std::size_t(i)];
        if (!item.valid) {
            item.included = false;
            item.selected = false;
            ++skipped;
        }
    }
    return skipped;
}

void PrintDryRun(const PreviewArray& preview, qsizetype count, const SilentRenamingHost& host)
{
    for (qsizetype i = 0; i < count; ++i) {
        const PreviewItem& item = preview[std::size_t(i)];
        const QByteArray line = host.json ? DryRunJsonLine(item) : DryRunTextLine(item);
        std::fwrite(line.constData(), 1, std::size_t(line.size()), host.dryRunOut);
    }
    std::fflush(host.dryRunOut);
}

QString Counted(int n, const char* ending)
{
    return QString::number(n) + QLatin1String(ending);
}

} // namespace

QString CheckQuickRenameRequest(const QuickRenameRequest& request)
{
    if (!platform::FolderExists(request.folder)) {
        Log(QStringLiteral("ERROR"), QStringLiteral("Folder does not exist!"));
        return QStringLiteral("the folder \"%1\" does not exist").arg(request.folder);
    }
    if (request.rulesFile == ChooseTaskRules)
        return {};
    if (request.rulesFile.isEmpty() || !platform::PathExists(request.rulesFile)) {
        Log(QStringLiteral("ERROR"), QStringLiteral("Rule parameter incorrect!"));
        return QStringLiteral("the rules file \"%1\" does not exist").arg(request.rulesFile);
    }
    return {};
}

SilentOutcome SilentRenaming(QuickRenameRequest& request, SilentRenamingHost& host)
{
    Log(QStringLiteral("INFO"), QStringLiteral("Silent renaming is starting..."));
    request.silent = true;

    RulesList rules;
    ImportRulesFile(request.rulesFile, rules, host.prompt);
    if (rules.empty()) {
        Log(QStringLiteral("ERROR"), QStringLiteral("No rules loaded!"));
        return SilentOutcome::CannotStart;
    }

    host.previewView.setLblProgress(QStringLiteral("Loading item[s], please wait..."));
    BasicMainList mainList(ItemList::Shape::Flat);
    mainList.foldersOnly = request.renameFolders;
    ScanCounters counters;
    StopRequested = false;
    ScanFolder(request.folder, request.filter, counters, mainList.itemList(), ScanOptionsFor(request), host.scanView);
    if (counters.foundItems == 0 || StopRequested) {
        Log(QStringLiteral("ERROR"), QStringLiteral("Zero files returned or search aborted!"));
        return SilentOutcome::Incomplete;
    }

    bool previewStopped = false;
    PreviewArray& preview = ThePreviewArray();
    const qsizetype count =
        GeneratePreview(mainList.itemList(), rules.rules(), host.previewView, previewStopped, request.renameFolders);
    if (host.dryRun) {
        PrintDryRun(preview, count, host);
        const bool allValid = SkipInvalidItems(preview, count) == 0;
        return allValid && !previewStopped && count > 0 ? SilentOutcome::Done : SilentOutcome::Incomplete;
    }
    const int skipped = SkipInvalidItems(preview, count);

    if (request.showReport && skipped > 0) {
        if (skipped < count) {
            host.prompt.ask({Counted(skipped, " file[s]")
                                 + QStringLiteral(" generated invalid new names and cannot be renamed.\r\n\r\n"
                                                  "Quelt will skip these files."),
                             FilesSkippedCaption, PromptIcon::Information, PromptButtons::Ok, PromptAnswer::Ok});
        } else {
            host.prompt.ask({QStringLiteral("None of the files can be renamed. All new names are invalid!\r\n\r\n"
                                            "Quelt will now terminate."),
                             FilesSkippedCaption, PromptIcon::Error, PromptButtons::Ok, PromptAnswer::Ok});
            Log(QStringLiteral("ERROR"), QStringLiteral("None of the new names are valid. Terminating..."));
            return SilentOutcome::Incomplete;
        }
    }

    if (previewStopped) {
        Log(QStringLiteral("INFO"), QStringLiteral("Renaming aborted by user in the preview stage."));
        return SilentOutcome::Incomplete;
    }

    RenameRunContext context;
    context.prompt = &host.prompt;
    context.mainList = &mainList;
    context.folderMode = request.renameFolders;
    context.silent = true;
    context.showReport = request.showReport;
    RenameState().stopRequested = false;
    RunRename(preview, int(count), RunOrigin::FromMainList, host.renameView, context);
    SaveUndoToFile();

    const RenameRunState& state = RenameState();
    if (state.stopRequested) {
        Log(QStringLiteral("INFO"), QStringLiteral("Renaming aborted by user in the renaming stage."));
        return SilentOutcome::Incomplete;
    }
    const QString complete = QStringLiteral("Renaming complete. ");
    Log(QStringLiteral("INFO"), complete + Counted(counters.foundItems, " file[s] processed."));
    Log(QStringLiteral("INFO"), complete + Counted(state.result.renamedCount, " file[s] renamed!"));
    Log(QStringLiteral("INFO"), complete + Counted(state.result.failedCount, " file[s] failed!"));
    Log(QStringLiteral("INFO"), complete + Counted(skipped, " file[s] skipped!"));
    return state.result.failedCount == 0 && skipped == 0 ? SilentOutcome::Done : SilentOutcome::Incomplete;
}

} // namespace quelt
