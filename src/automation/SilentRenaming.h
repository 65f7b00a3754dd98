#pragma once
// Quick rename without the main window: import a rule list file, scan a folder,
// preview, rename, record for undo and log every step.

#include "automation/CommandLine.h"

#include <cstdio>

namespace quelt {

class UserPrompt;
class PreviewProgressView;
class RenameProgressView;
class ScanProgressView;

struct SilentRenamingHost {
    UserPrompt& prompt;
    PreviewProgressView& previewView;
    RenameProgressView& renameView;
    ScanProgressView* scanView = nullptr;
    /// Preview only: print one line per found item to `dryRunOut`, rename nothing
    /// and write no recovery file.
    bool dryRun = false;
    bool json = false;
    std::FILE* dryRunOut = stdout;
};

/// How a quick rename ended, for the exit status.
enum class SilentOutcome {
    Done,         ///< every found item was renamed (or, dry run, has a valid name)
    Incomplete,   ///< an item failed or was skipped, nothing was found, or the user stopped
    CannotStart,  ///< no rules could be loaded
};

/// Runs the quick rename of `request` (its folder exists and its rules file is
/// given; the caller checks both first).
SilentOutcome SilentRenaming(QuickRenameRequest& request, SilentRenamingHost& host);

/// The start-up checks of a quick rename, with their log lines. Returns an empty
/// text when the request can run, else the reason it cannot.
QString CheckQuickRenameRequest(const QuickRenameRequest& request);

} // namespace quelt
