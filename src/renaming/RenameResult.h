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

struct UndoRecord {
    PreviewArray items;
    int itemCount = 0;
    int renamedCount = 0;
    bool folderMode = false;
    ListKind listKind = ListKind::FlatList;
    RunOrigin origin = RunOrigin::FromPreviewWindow;
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
    /// Called once at the end of a run.
    virtual void finishedRenaming() {}
};

} // namespace quelt
