#pragma once
// Outcome and history of a rename run, and the view that hosts it.

#include "engine/PreviewItem.h"

#include <QString>
#include <vector>

namespace quelt {

/// Who started a run (the undo run from the recovery file has its own origin).
enum class RunOrigin { FromPreviewWindow, FromMainList, FromWizard, FromRecoveryFile };

/// How the main list was rebuilt after a run.
enum class ListKind { FlatList, Tree };

/// Codes a failure can carry (the file-system layer maps errno values onto them).
namespace FailureCode {
inline constexpr int NotFound = 53;
inline constexpr int PathNotFound = 76;
inline constexpr int PathAccess = 75;
inline constexpr int PermissionDenied = 70;
inline constexpr int DeviceIO = 57;
inline constexpr int AlreadyExists = 58;
inline constexpr int BadFileNameOrNumber = 52;
inline constexpr int DeviceUnavailable = 68;
inline constexpr int DiskNotReady = 71;
inline constexpr int OutOfMemory = 31001;
} // namespace FailureCode

struct RenameFailure {
    QString folder;
    QString name;
    int code = 0;
    QString time; // long time format of the system, when recorded
    QString date; // short date format of the system, when recorded
};

struct RenameResult {
    std::vector<RenameFailure> failures;
    int renamedCount = 0;
    int failedCount = 0;
};

/// One rename as it was made: the folder the item had at that moment, its old and
/// its new name. The recovery file holds these triples in the order of the run.
struct RecoveryEntry {
    QString folder;
    QString oldName;
    QString newName;
    friend bool operator==(const RecoveryEntry&, const RecoveryEntry&) = default;
};

struct UndoRecord {
    /// The whole preview array after the renaming phase: corrected folders,
    /// renameDone flags, the new names used.
    PreviewArray items;
    int itemCount = 0;
    int renamedCount = 0;
    bool folderMode = false;
    ListKind listKind = ListKind::FlatList;
    RunOrigin origin = RunOrigin::FromPreviewWindow;
    /// Indices into items in the order the run took them (chains reordered so that
    /// a name is freed before it is taken). The undo goes through it backwards;
    /// empty means array order.
    std::vector<int> order;
    /// The renames in the order they were made, as the recovery file records them.
    std::vector<RecoveryEntry> journal;
};

/// What a window hosting a rename or undo run offers the run.
class RenameProgressView {
public:
    virtual ~RenameProgressView() = default;
    virtual void setProgress(int value, int maximum) = 0;
    virtual void setAction(const QString& text) = 0;
    virtual void setPercent(const QString& text) = 0;
    virtual void setTimeLeft(const QString& text) = 0;
    virtual void setStopEnabled(bool enabled) = 0;
    virtual bool isWizard() const { return false; }
    virtual bool isRenamingWindow() const { return true; }
    /// Lets the host process its input once (windows: QCoreApplication::processEvents).
    virtual void yield() {}
    virtual void setBusy(bool busy) { (void)busy; }
    /// Shows the renaming report between the renaming phase and the list rebuild,
    /// and returns when it is closed (windows: the modal report window).
    virtual void showReport(const RenameResult& result, bool folders)
    {
        (void)result;
        (void)folders;
    }
    /// Called once at the end of a run.
    virtual void finishedRenaming() {}
};

} // namespace quelt
