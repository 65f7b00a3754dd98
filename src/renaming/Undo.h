#pragma once
// Undo of the last rename run, from the undo record or from the disaster
// recovery file, and the writing of that file.

#include "app/UserPrompt.h"
#include "renaming/RenameResult.h"

#include <QString>
#include <functional>

namespace quelt {

class MainListHost;

struct UndoOutcome {
    int restored = 0;
    int failed = 0;
};

/// Runs an undo: every item of `record` whose renameDone is set is renamed back,
/// in the reverse order of the run (so items inside a renamed folder come back
/// before the folder); each restore is logged. For the origins that rebuilt the
/// main list, the list is rebuilt as it was (`mainList` may be nullptr: no list).
/// Ends with the completion message and the view's finishedRenaming. An undo
/// from the record disables the "&Undo" button and removes drinfo.dat, so the
/// run is not offered for undo a second time.
UndoOutcome RunUndo(UndoRecord& record, RenameProgressView& view, UserPrompt& prompt, MainListHost* mainList);

/// Shows the undo window for a record: creates the view, calls RunUndo with it
/// and returns when the window has closed.
using UndoWindowLauncher = std::function<void(UndoRecord& record)>;

/// The "&Undo" button: the recovery file when UndoFromRecoveryFile is set; else,
/// when the last run renamed something, asks "Undo changes of {n} item(s)?" and
/// on OK shows the undo window for the undo record. True when an undo ran.
bool UndoLastRun(UserPrompt& prompt, const UndoWindowLauncher& showUndoWindow);

/// Writes drinfo.dat in the program folder from the undo record (atomically
/// replacing any older file), its triples in the order of the run; logs
/// "Disaster Recovery: Undo information succesfully recorded!". On failure the
/// file is deleted (never a partial or an older one is left) and false is returned.
bool SaveUndoToFile();
bool SaveUndoToFile(const UndoRecord& record, const QString& path);

/// Restores the names recorded in drinfo.dat: checks the header, asks the user,
/// shows the undo window for the items of the file (undone in reverse file
/// order), then deletes the file and clears UndoFromRecoveryFile. A missing,
/// unreadable or malformed file shows its message and changes nothing on disk.
/// `fromCommandLine`: a missing file gets "Disaster Recovery file could not be
/// found. No names to restore!" (the "/disasterrecovery" switch). True when an
/// undo ran.
bool RestoreFromDR(UserPrompt& prompt, const UndoWindowLauncher& showUndoWindow, bool fromCommandLine = false);

/// Start-up: when drinfo.dat exists, the "&Undo" button stands for it
/// (UndoFromRecoveryFile and undoEnabled set). Returns whether it exists.
bool OfferRecoveryFileAtStart();
/// Exit: writes drinfo.dat from the undo record when the "&Undo" button is
/// enabled for the record (not for the file, which stays untouched).
void SaveUndoAtExit();

/// The record of the undo of a recovery file: its items in file order, origin
/// FromRecoveryFile, folder mode off.
UndoRecord UndoRecordFromFile(const PreviewArray& items);

} // namespace quelt
