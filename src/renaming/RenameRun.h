#pragma once
// The rename run: renames the included and selected items of a preview array,
// logs each outcome, keeps the recovery file current, collects the failures for
// the report, corrects folder paths in folder mode, rebuilds the main list and
// leaves the undo record.

#include "app/ItemList.h"
#include "app/UserPrompt.h"
#include "engine/PreviewItem.h"
#include "renaming/RenameResult.h"

#include <QString>
#include <vector>

namespace quelt {

/// The main window as the rename and undo runs see it: its item list (in the shape
/// of its mode: flat in list mode, tree in scan mode) and the few controls the
/// runs change. Windows implement it over their own list; the console and tests
/// use BasicMainList.
class MainListHost {
public:
    virtual ~MainListHost() = default;
    virtual ItemList& itemList() = 0;
    /// Before an undo rebuilds the list: set the folders-only box of the mode the
    /// window is in to `folderMode`, then empty the list of `kind`, switching mode
    /// without asking when the window is in the other one.
    virtual void prepareUndoRebuild(ListKind kind, bool folderMode);
    /// The first panel of the status bar.
    virtual void setStatusText(const QString& text) { (void)text; }
    /// The list was rebuilt by an undo (windows update their list buttons).
    virtual void listRebuilt() {}
};

/// A main list without a window, for silent runs and tests.
class BasicMainList : public MainListHost {
public:
    explicit BasicMainList(ItemList::Shape shape = ItemList::Shape::Flat) : list_(shape) {}
    ItemList& itemList() override { return list_; }
    void prepareUndoRebuild(ListKind kind, bool folderMode) override;
    void setStatusText(const QString& text) override { statusText = text; }

    bool foldersOnly = false;
    QString statusText;

private:
    ItemList list_;
};

/// What the caller of a run supplies besides the items.
struct RenameRunContext {
    /// Every question of the run goes through it.
    UserPrompt* prompt = nullptr;
    /// The main window's list, rebuilt for the origins FromPreviewWindow and
    /// FromMainList; nullptr leaves no list to rebuild.
    MainListHost* mainList = nullptr;
    /// "Folders only" at the start of the run.
    bool folderMode = false;
    /// A silent quick rename: no question after the run, the report only when asked.
    bool silent = false;
    /// A silent run that asked for the report ("showreport").
    bool showReport = false;
};

/// The program-wide state of renaming, one instance (RenameState()). It lives on
/// the window thread; Stop buttons only set flags that the run reads.
struct RenameRunState {
    /// The outcome of the last run, for the report and the callers.
    RenameResult result;
    /// The history of the last run, for the undo and the recovery file at exit.
    UndoRecord undo;
    /// From the start of RunRename until just before the view's finishedRenaming.
    bool running = false;
    /// Set by RequestStop; cleared at the start of a run and when the user declines
    /// to stop. It stays set after a run the user stopped.
    bool stopRequested = false;
    /// The "&Undo" button stands for drinfo.dat instead of the undo record. Set at
    /// start-up when the file exists; cleared by every run and by a restore.
    bool UndoFromRecoveryFile = false;
    /// The state of the "&Undo" button: a run renamed something that was not undone
    /// yet (or UndoFromRecoveryFile is set).
    bool undoEnabled = false;
};

RenameRunState& RenameState();

/// Asks the running rename run to stop before its next item.
void RequestStop();

/// Renames the first `count` items of `items` (see the file comment). Returns when
/// the run is complete, after calling the view's finishedRenaming; the outcome is
/// in RenameState(). A second call while a run is going on does nothing.
void RunRename(PreviewArray& items, int count, RunOrigin origin, RenameProgressView& view,
               const RenameRunContext& context);

/// The order in which a run takes the first `count` items: array order, except
/// that an item whose target name is the current name of another item to be
/// renamed in the same folder goes after that item (1 -> 2, 2 -> 3 renames 2
/// first). Items on a cycle (a swap) keep array order and fail with 58.
std::vector<int> RenameOrder(const PreviewArray& items, int count);

/// The name an item is renamed to: its new name without one trailing period.
QString RenameTarget(const QString& newName);

} // namespace quelt
