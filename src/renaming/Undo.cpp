#include "renaming/Undo.h"

#include "app/Settings.h"
#include "platform/FileSystem.h"
#include "renaming/EventLog.h"
#include "renaming/RecoveryFile.h"
#include "renaming/RenameRun.h"
#include "renaming/RunProgress.h"

#include <numeric>

namespace quelt {

namespace {

const QString UndoCaption = QStringLiteral("Undo Changes");
const QString RecoveryCaption = QStringLiteral("Disaster Recovery");

void Tell(UserPrompt& prompt, const QString& text, const QString& caption, PromptIcon icon)
{
    prompt.ask({text, caption, icon, PromptButtons::Ok, PromptAnswer::Ok});
}

bool RebuildsMainList(RunOrigin origin)
{
    return origin == RunOrigin::FromPreviewWindow || origin == RunOrigin::FromMainList;
}

// The items in the order the run took them; array order when the record has none.
std::vector<int> RunOrderOf(const UndoRecord& record, int count)
{
    std::vector<int> order;
    for (int i : record.order) {
        if (i >= 0 && i < count)
            order.push_back(i);
    }
    if (record.order.empty()) {
        order.resize(std::size_t(count));
        std::iota(order.begin(), order.end(), 0);
    }
    return order;
}

QString Quoted(const QString& prefix, const QString& name)
{
    return prefix + QStringLiteral(" '") + name.trimmed() + u'\'';
}

void LogRestore(const QString& targetPath, const platform::OpResult& r)
{
    if (!AppSettings().EnableLogging)
        return;
    const QString path = targetPath.trimmed();
    if (r.ok())
        LogEvent(QStringLiteral("INFO"), QStringLiteral("Name of file \"%1\" restored successfully.").arg(path));
    else
        LogEvent(QStringLiteral("ERROR"), QStringLiteral("Unable to restore the name of \"%1\" (Error %2: %3)")
                                              .arg(path, QString::number(r.code), r.description));
}

void RestorePhase(UndoRecord& record, int count, RenameProgressView& view, UndoOutcome& outcome)
{
    PreviewArray& items = record.items;
    FolderIndex folders(items, count, record.folderMode);
    PhaseProgress progress(view);
    const std::vector<int> order = RunOrderOf(record, count);
    qsizetype handled = 0;
    for (auto it = order.rbegin(); it != order.rend(); ++it, ++handled) {
        const int i = *it;
        PreviewItem& item = items[std::size_t(i)];
        if (item.renameDone) {
            const QString target = item.folder + item.oldName;
            const QString current = item.folder + item.newName;
            const platform::OpResult r = current == target ? platform::OpResult{}
                                                           : platform::RenameNoReplace(current, target);
            LogRestore(target, r);
            item.restoreDone = r.ok();
            if (r.ok()) {
                ++outcome.restored;
                if (record.folderMode && current != target)
                    folders.replacePrefix(items, i, current + u'/', target + u'/');
            } else {
                ++outcome.failed;
            }
        }
        if (progress.due())
            progress.show(handled, count, handled + 1, Quoted(QStringLiteral("Restoring"), item.oldName));
    }
}

void RebuildPhase(const UndoRecord& record, int count, RenameProgressView& view, ItemList& list)
{
    PhaseProgress progress(view);
    view.setProgress(0, count);
    list.reserve(count);
    for (int i = 0; i < count; ++i) {
        const PreviewItem& item = record.items[std::size_t(i)];
        const QString& shown = item.renameDone && !item.restoreDone ? item.newName : item.oldName;
        list.appendItem(item.folder, shown, item.selected);
        if (progress.due())
            progress.show(i, count, i + 1, Quoted(QStringLiteral("Adding to list"), shown));
    }
}

void TellOutcome(UserPrompt& prompt, const UndoOutcome& outcome)
{
    if (outcome.failed == 0) {
        Tell(prompt, QStringLiteral("Undo process has been completed successfully!"), UndoCaption,
             PromptIcon::Information);
        return;
    }
    QString text = QStringLiteral("Undo process completed with errors...\r\n\r\n%1 name(s) were unable to restore...")
                       .arg(outcome.failed);
    if (AppSettings().EnableLogging)
        text += QStringLiteral(" (View the log file for more details)");
    Tell(prompt, text, UndoCaption, PromptIcon::Error);
}

void TellUnopenable(UserPrompt& prompt)
{
    Tell(prompt, QStringLiteral("Disaster Recovery data could not be opened!"), RecoveryCaption, PromptIcon::Error);
}

bool ConfirmRestore(UserPrompt& prompt, const RecoveryFileContent& content)
{
    const QString text = QStringLiteral(
                             "You have asked to restore names using Disaster Recovery data.\r\n\r\n"
                             "Last recorded renaming task: \r\nDate: %1\r\nTime: %2\r\n\r\n"
                             "Are you sure you want to restore? (changes cannot be undone!)")
                             .arg(content.date, content.time);
    return prompt.ask({text, RecoveryCaption, PromptIcon::Warning, PromptButtons::OkCancel, PromptAnswer::Cancel})
        == PromptAnswer::Ok;
}

} // namespace

UndoOutcome RunUndo(UndoRecord& record, RenameProgressView& view, UserPrompt& prompt, MainListHost* mainList)
{
    RenameRunState& state = RenameState();
    const int count = std::clamp(record.itemCount, 0, int(record.items.size()));
    view.setAction(QStringLiteral("Cleaning list..."));
    view.setBusy(true);

    const bool rebuild = RebuildsMainList(record.origin) && mainList;
    if (rebuild)
        mainList->prepareUndoRebuild(record.listKind, record.folderMode);
    view.setProgress(0, count);
    state.undoEnabled = false;
    if (mainList)
        mainList->setStatusText(QStringLiteral("Preparing to restore..."));
    for (PreviewItem& item : record.items)
        item.restoreDone = false;

    UndoOutcome outcome;
    RestorePhase(record, count, view, outcome);
    if (rebuild)
        RebuildPhase(record, count, view, mainList->itemList());
    if (record.origin != RunOrigin::FromRecoveryFile)
        platform::DeletePath(RecoveryFilePath());

    view.setBusy(false);
    TellOutcome(prompt, outcome);
    if (rebuild)
        mainList->listRebuilt();
    view.finishedRenaming();
    return outcome;
}

bool UndoLastRun(UserPrompt& prompt, const UndoWindowLauncher& showUndoWindow)
{
    RenameRunState& state = RenameState();
    if (state.UndoFromRecoveryFile)
        return RestoreFromDR(prompt, showUndoWindow);
    if (state.undo.renamedCount < 1)
        return false;
    const QString text = QStringLiteral("Undo changes of %1 item(s)?").arg(state.undo.renamedCount);
    if (prompt.ask({text, UndoCaption, PromptIcon::Warning, PromptButtons::OkCancel, PromptAnswer::Cancel})
        != PromptAnswer::Ok)
        return false;
    showUndoWindow(state.undo);
    return true;
}

bool SaveUndoToFile() { return SaveUndoToFile(RenameState().undo, RecoveryFilePath()); }

bool SaveUndoToFile(const UndoRecord& record, const QString& path)
{
    std::vector<RecoveryEntry> entries = record.journal;
    if (entries.empty()) {
        for (const PreviewItem& item : record.items) {
            if (item.renameDone)
                entries.push_back({item.folder, item.oldName, item.newName});
        }
    }
    if (!WriteRecoveryFile(path, record.itemCount, entries)) {
        // Never leave a file that does not describe the last run.
        platform::DeletePath(path);
        return false;
    }
    if (AppSettings().EnableLogging)
        LogEvent(QStringLiteral("INFO"), QStringLiteral("Disaster Recovery: Undo information succesfully recorded!"));
    return true;
}

bool OfferRecoveryFileAtStart()
{
    RenameRunState& state = RenameState();
    if (!platform::PathExists(RecoveryFilePath()))
        return false;
    state.UndoFromRecoveryFile = true;
    state.undoEnabled = true;
    return true;
}

void SaveUndoAtExit()
{
    const RenameRunState& state = RenameState();
    if (state.undoEnabled && !state.UndoFromRecoveryFile)
        SaveUndoToFile();
}

UndoRecord UndoRecordFromFile(const PreviewArray& items)
{
    UndoRecord record;
    record.items = items;
    record.itemCount = int(items.size());
    record.renamedCount = int(items.size());
    record.origin = RunOrigin::FromRecoveryFile;
    record.folderMode = false;
    record.order.resize(items.size());
    std::iota(record.order.begin(), record.order.end(), 0);
    return record;
}

bool RestoreFromDR(UserPrompt& prompt, const UndoWindowLauncher& showUndoWindow, bool fromCommandLine)
{
    using Status = RecoveryFileContent::Status;
    const QString path = RecoveryFilePath();
    const RecoveryFileContent content = ReadRecoveryFile(path);
    switch (content.status) {
    case Status::Missing:
        if (fromCommandLine) {
            Tell(prompt, QStringLiteral("Disaster Recovery file could not be found. No names to restore!"),
                 RecoveryCaption, PromptIcon::Error);
            return false;
        }
        TellUnopenable(prompt);
        return false;
    case Status::Unreadable:
        TellUnopenable(prompt);
        return false;
    case Status::BadHeader:
        Tell(prompt, QStringLiteral("Disaster Recovery data is not vaild. Unable to restore names!"),
             RecoveryCaption, PromptIcon::Error);
        return false;
    default:
        break;
    }
    if (!ConfirmRestore(prompt, content))
        return false;
    if (content.status != Status::Ok) {
        TellUnopenable(prompt);
        return false;
    }
    if (content.itemCount <= 0)
        return false;

    UndoRecord record = UndoRecordFromFile(content.items);
    showUndoWindow(record);
    RenameRunState& state = RenameState();
    state.UndoFromRecoveryFile = false;
    state.undoEnabled = false;
    platform::DeletePath(path);
    return true;
}

} // namespace quelt
