#include "renaming/RenameRun.h"

#include "app/Settings.h"
#include "platform/FileSystem.h"
#include "platform/NameCodec.h"
#include "renaming/EventLog.h"
#include "renaming/RecoveryFile.h"
#include "renaming/RunProgress.h"

#include <QDateTime>
#include <QLocale>
#include <algorithm>
#include <deque>
#include <optional>

namespace quelt {

namespace {

const QString NotFoundDescription = QStringLiteral("File not found!");

bool Processed(const PreviewItem& item) { return item.included && item.selected; }

// Log paths are folder + name trimmed of spaces, as every log text is.
QString LogPath(const QString& folder, const QString& name) { return (folder + name).trimmed(); }

struct Outcome {
    bool renamed = false;
    bool readOnly = false;
    int code = 0;
    QString description;

    static Outcome Renamed() { return {true, false, 0, {}}; }
    static Outcome Failed(int code, const QString& description) { return {false, false, code, description}; }
};

// The folder of the items being renamed, kept open while items of it follow, so
// each call looks up a name instead of the whole path.
class CurrentFolder {
public:
    const platform::FolderHandle& of(const QString& folder)
    {
        if (!handle_ || handle_->folder() != folder)
            handle_.emplace(folder);
        return *handle_;
    }

private:
    std::optional<platform::FolderHandle> handle_;
};

// Decides and carries out one item's rename: read-only, missing, unchanged, renamed.
// `from` and `to` are the old name and the target as their bytes.
Outcome RenameOne(const platform::FolderHandle& folder, const PreviewItem& item, const QString& target,
                  const QByteArray& from, const QByteArray& to, bool renameReadOnly)
{
    // One stat answers both the read-only and the existence question; when
    // read-only items may be renamed, the rename itself tells a missing item.
    if (!renameReadOnly) {
        const platform::ItemPresence presence = folder.presence(from);
        if (presence.readOnly)
            return {false, true, FailureCode::PathAccess, {}};
        if (!presence.exists)
            return Outcome::Failed(FailureCode::NotFound, NotFoundDescription);
    }
    if (target == item.oldName) {
        if (renameReadOnly && !folder.presence(from).exists)
            return Outcome::Failed(FailureCode::NotFound, NotFoundDescription);
        return Outcome::Renamed();
    }
    const platform::OpResult r = folder.renameNoReplace(from, to);
    if (r.ok())
        return Outcome::Renamed();
    if (r.code == FailureCode::NotFound && !folder.presence(from).exists)
        return Outcome::Failed(FailureCode::NotFound, NotFoundDescription);
    return Outcome::Failed(r.code, r.description);
}

RenameFailure MakeFailure(const PreviewItem& item, int code)
{
    const QLocale locale = QLocale::system();
    const QDateTime now = QDateTime::currentDateTime();
    return RenameFailure{item.folder, item.oldName, code, locale.toString(now.time(), QLocale::LongFormat),
                         locale.toString(now.date(), QLocale::ShortFormat)};
}

void LogFailure(const PreviewItem& item, const Outcome& outcome)
{
    const QString path = LogPath(item.folder, item.oldName);
    if (outcome.readOnly)
        LogEvent(QStringLiteral("ERROR"), QStringLiteral("Read-only file: \"%1\"").arg(path));
    else
        LogEvent(QStringLiteral("ERROR"), QStringLiteral("Unable to rename \"%1\" (Error %2: %3)")
                                              .arg(path, QString::number(outcome.code), outcome.description));
}

// Trimming "folder + name" cannot change it: a folder path starts with "/", so
// only the end of a name can hold white space.
bool LogPathIsUntrimmed(const QString& folder, const QString& name)
{
    return folder.startsWith(u'/') && !name.isEmpty() && !name.back().isSpace();
}

// The line is built from the bytes the rename used, where they are what the log shows.
void LogSuccess(const PreviewItem& item, const QString& target, const platform::FolderHandle& folder,
                QByteArrayView from, QByteArrayView to)
{
    if (!LogPathIsUntrimmed(item.folder, item.oldName) || !LogPathIsUntrimmed(item.folder, target)) {
        LogEvent(QStringLiteral("INFO"), QStringLiteral("File successfully renamed from \"")
                     + LogPath(item.folder, item.oldName) + QStringLiteral("\" to \"")
                     + LogPath(item.folder, target) + u'"');
        return;
    }
    const QByteArray& folderBytes = folder.folderBytes();
    LogEventBytes(QStringLiteral("INFO"),
                  {"File successfully renamed from \"", folderBytes, from, "\" to \"", folderBytes, to, "\""});
}

QString Quoted(const QString& prefix, const QString& name)
{
    return prefix + QStringLiteral(" '") + name.trimmed() + u'\'';
}

bool AskToStop(UserPrompt& prompt)
{
    return prompt.ask({QStringLiteral("Stop the renaming process?"), QStringLiteral("Preview & Rename"),
                       PromptIcon::Warning, PromptButtons::OkCancel, PromptAnswer::Ok})
        == PromptAnswer::Ok;
}

bool AskToRemoveRenamed(UserPrompt& prompt)
{
    const QString text = QStringLiteral(
        "Would you like to remove the successfully renamed items out of the list?\r\n\r\n"
        "This way you can continue working on the remaining failed items, modify the rules "
        "accordingly and launch the renaming process again.");
    return prompt.ask({text, QStringLiteral("Renaming"), PromptIcon::Question, PromptButtons::YesNo,
                       PromptAnswer::No})
        == PromptAnswer::Yes;
}

// An item path as its folder, up to and including the last "/", and the name
// after it. The folder is a number: consecutive items mostly share one, so a
// folder is hashed once per change of folder instead of once per item.
struct PathKey {
    int folder;
    QStringView name;
    friend bool operator==(const PathKey&, const PathKey&) = default;
};

size_t qHash(const PathKey& key, size_t seed) { return qHashMulti(seed, key.folder, key.name); }

// Keys for folder + name without joining them: a folder that ends in "/" and a
// name without one already are the two parts. Other pairs are joined and cut at
// the last "/", so two pairs that join to the same path give the same key.
class PathKeys {
public:
    PathKey key(const QString& folder, const QString& name)
    {
        if (folder.endsWith(u'/') && !name.contains(u'/'))
            return {folderNumber(folder), name};
        const QString& path = joined_.emplace_back(folder + name);
        const qsizetype cut = path.lastIndexOf(u'/') + 1;
        return {folderNumber(QStringView(path).first(cut)), QStringView(path).sliced(cut)};
    }

private:
    int folderNumber(QStringView folder)
    {
        if (lastNumber_ >= 0 && folder == last_)
            return lastNumber_;
        auto it = numbers_.constFind(folder);
        if (it == numbers_.constEnd())
            it = numbers_.insert(folder, int(numbers_.size()));
        last_ = folder;
        lastNumber_ = it.value();
        return lastNumber_;
    }

    std::deque<QString> joined_; // a deque keeps the views into it valid
    QHash<QStringView, int> numbers_;
    QStringView last_;
    int lastNumber_ = -1;
};

bool RebuildsMainList(RunOrigin origin)
{
    return origin == RunOrigin::FromPreviewWindow || origin == RunOrigin::FromMainList;
}

// The renaming phase: every item in run order until the end or a confirmed stop.
void RenamingPhase(PreviewArray& items, int count, RenameProgressView& view, const RenameRunContext& context,
                   RenameRunState& state, RecoveryJournal& journal)
{
    const Settings& settings = AppSettings();
    UndoRecord& undo = state.undo;
    RenameResult& result = state.result;
    FolderIndex folders(items, count, context.folderMode);
    PhaseProgress progress(view);

    CurrentFolder current;
    // Log lines reach the file in blocks and at each progress step.
    const LogBatch logBatch;
    const std::vector<int> order = RenameOrder(items, count);
    undo.order.reserve(order.size());
    for (qsizetype position = 0; position < qsizetype(order.size()); ++position) {
        if (state.stopRequested) {
            FlushLog();
            if (AskToStop(*context.prompt))
                break;
            state.stopRequested = false;
        }
        const int i = order[std::size_t(position)];
        PreviewItem& item = items[std::size_t(i)];
        undo.order.push_back(i);
        item.renameDone = false;
        if (Processed(item)) {
            const QString target = RenameTarget(item.newName);
            const platform::FolderHandle& folder = current.of(item.folder);
            const QByteArray from = platform::EncodeName(item.oldName);
            const QByteArray to = platform::EncodeName(target);
            const Outcome outcome = RenameOne(folder, item, target, from, to, settings.RenameReadOnly);
            if (outcome.renamed) {
                journal.recordRenamedBytes(folder.folderBytes(), from, to);
                undo.journal.push_back({item.folder, item.oldName, target});
                item.renameDone = true;
                item.newName = target;
                if (settings.EnableLogging)
                    LogSuccess(item, target, folder, from, to);
                ++result.renamedCount;
                if (context.folderMode && target != item.oldName)
                    folders.replacePrefix(items, i, item.folder + item.oldName + u'/', item.folder + target + u'/');
            } else {
                if (settings.EnableLogging)
                    LogFailure(item, outcome);
                result.failures.push_back(MakeFailure(item, outcome.code));
                ++result.failedCount;
            }
        }
        if (progress.due()) {
            FlushLog();
            progress.show(position, count, position + 1, Quoted(QStringLiteral("Renaming"), item.oldName));
        }
    }
}

// Copies the items into the undo record and, for the origins that rebuild it,
// refills the main list with the names now on disk.
void RebuildPhase(const PreviewArray& items, int count, RunOrigin origin, RenameProgressView& view,
                  const RenameRunContext& context, bool removeRenamed, RenameRunState& state)
{
    view.setBusy(true);
    view.setProgress(0, count);
    view.setPercent(QStringLiteral("0%"));
    view.setTimeLeft(QStringLiteral("Estimating..."));
    view.setAction(QStringLiteral("Cleaning list..."));
    view.yield();

    ItemList* list = nullptr;
    if (RebuildsMainList(origin) && context.mainList) {
        list = &context.mainList->itemList();
        state.undo.listKind = list->isTree() ? ListKind::Tree : ListKind::FlatList;
        list->clear();
        list->reserve(count);
    }
    if (view.isRenamingWindow())
        view.setStopEnabled(false);
    view.setProgress(0, count);
    view.setAction(QStringLiteral("Preparing to rebuild list..."));
    PhaseProgress progress(view);

    state.undo.items.assign(items.begin(), items.begin() + count);
    for (int i = 0; i < count; ++i) {
        const PreviewItem& item = items[std::size_t(i)];
        if (removeRenamed && item.renameDone)
            continue;
        if (list)
            list->appendItem(item.folder, item.renameDone ? item.newName : item.oldName, item.selected);
        if (progress.due())
            progress.show(i, count, i + 1, Quoted(QStringLiteral("Adding to list"), item.oldName));
    }

    view.setProgress(count, count);
    view.setAction(QStringLiteral("Done!"));
    view.setPercent(QStringLiteral("100%"));
    view.setTimeLeft(QStringLiteral("Done!"));
    view.setBusy(false);
}

} // namespace

void MainListHost::prepareUndoRebuild(ListKind kind, bool folderMode)
{
    (void)folderMode;
    itemList().reset(kind == ListKind::Tree ? ItemList::Shape::Tree : ItemList::Shape::Flat);
}

void BasicMainList::prepareUndoRebuild(ListKind kind, bool folderMode)
{
    foldersOnly = folderMode;
    MainListHost::prepareUndoRebuild(kind, folderMode);
}

RenameRunState& RenameState()
{
    static RenameRunState state;
    return state;
}

void RequestStop() { RenameState().stopRequested = true; }

QString RenameTarget(const QString& newName)
{
    return newName.endsWith(u'.') ? newName.chopped(1) : newName;
}

std::vector<int> RenameOrder(const PreviewArray& items, int count)
{
    constexpr int None = -1;
    // The item each processed item must wait for: the one whose current name it takes.
    PathKeys keys;
    QHash<PathKey, int> byPath;
    byPath.reserve(count);
    for (int i = 0; i < count; ++i) {
        const PreviewItem& item = items[std::size_t(i)];
        if (Processed(item))
            byPath.insert(keys.key(item.folder, item.oldName), i);
    }
    std::vector<int> waitsFor(std::size_t(count), None);
    for (int i = 0; i < count; ++i) {
        const PreviewItem& item = items[std::size_t(i)];
        if (!Processed(item))
            continue;
        const QString target = RenameTarget(item.newName);
        if (target == item.oldName)
            continue;
        const int j = byPath.value(keys.key(item.folder, target), None);
        if (j != i)
            waitsFor[std::size_t(i)] = j;
    }

    enum Mark : unsigned char { Unseen, OnPath, Placed };
    std::vector<Mark> mark(std::size_t(count), Unseen);
    std::vector<int> order;
    order.reserve(std::size_t(count));
    std::vector<int> path;
    for (int i = 0; i < count; ++i) {
        if (mark[std::size_t(i)] != Unseen)
            continue;
        // Follow what i waits for until an item that waits for nothing, one already
        // placed, or the start of a cycle on this path.
        path.clear();
        int x = i;
        while (x != None && mark[std::size_t(x)] == Unseen) {
            mark[std::size_t(x)] = OnPath;
            path.push_back(x);
            x = waitsFor[std::size_t(x)];
        }
        auto chainEnd = path.end();
        if (x != None && mark[std::size_t(x)] == OnPath) {
            // A cycle: its members keep array order and go first.
            chainEnd = std::find(path.begin(), path.end(), x);
            std::vector<int> cycle(chainEnd, path.end());
            std::sort(cycle.begin(), cycle.end());
            order.insert(order.end(), cycle.begin(), cycle.end());
        }
        for (auto it = chainEnd; it != path.begin();)
            order.push_back(*--it);
        for (int placed : path)
            mark[std::size_t(placed)] = Placed;
    }
    return order;
}

void RunRename(PreviewArray& items, int count, RunOrigin origin, RenameProgressView& view,
               const RenameRunContext& context)
{
    RenameRunState& state = RenameState();
    if (state.running)
        return;
    count = std::clamp(count, 0, int(items.size()));
    ScriptedPrompt noPrompt;
    RenameRunContext ctx = context;
    if (!ctx.prompt)
        ctx.prompt = &noPrompt;

    state.running = true;
    state.stopRequested = false;
    state.UndoFromRecoveryFile = false;
    state.result = RenameResult{};
    state.result.failures.reserve(std::size_t(count));
    state.undo = UndoRecord{};
    for (int i = 0; i < count; ++i) {
        items[std::size_t(i)].renameDone = false;
        items[std::size_t(i)].restoreDone = false;
    }

    view.setBusy(true);
    view.setProgress(0, count);
    view.yield();

    RecoveryJournal journal;
    const bool journaling = journal.begin(RecoveryFilePath(), count);
    RenamingPhase(items, count, view, ctx, state, journal);
    journal.finish();
    // A journal without a single rename offers nothing to restore.
    if (journaling && state.result.renamedCount == 0)
        platform::DeletePath(RecoveryFilePath());

    view.setBusy(false);
    view.setAction(QStringLiteral("Done!"));
    view.yield();

    const RenameResult& result = state.result;
    if (!ctx.silent || ctx.showReport)
        view.showReport(result, ctx.folderMode);
    const bool removeRenamed = !ctx.silent && result.failedCount > 0 && result.renamedCount > 0
        && !view.isWizard() && AskToRemoveRenamed(*ctx.prompt);

    RebuildPhase(items, count, origin, view, ctx, removeRenamed, state);

    UndoRecord& undo = state.undo;
    undo.itemCount = count;
    undo.renamedCount = result.renamedCount;
    undo.folderMode = ctx.folderMode;
    undo.origin = origin;
    state.undoEnabled = result.renamedCount > 0;
    state.running = false;
    view.finishedRenaming();
}

} // namespace quelt
