#pragma once
// The preview engine: turns the item list and the rules list into the preview
// array, one PreviewItem per item with its new name and validity.
//
// Order of a run: build the items from the list; apply each enabled rule to every
// included item before the next rule starts (so the settings rules change the
// rules after them), expanding variables after every rule except sorting; number
// duplicated names when AutoNumberDuplicated is set; mark names without a title
// invalid. Progress goes to the host's view at most once per DoEventsTimeout.

#include "engine/PreviewItem.h"
#include "engine/PreviewProgress.h"
#include "engine/RuleLine.h"

#include <vector>

namespace quelt {

class ItemList;

/// Set while the preview engine (or the tag generation) runs; the main window
/// and its dialogs refuse to change the item list or the rules while it is set.
inline bool EngineRunning = false;

/// The program-wide preview array that GeneratePreview fills and the preview
/// window, the rename run and undo read (up to the count the run returned).
PreviewArray& ThePreviewArray();

/// Runs a preview into ThePreviewArray(): one slot per item of `items` in list
/// order (tree: each item with the folder of the folder node before it; flat: the
/// row's folder and name). Checked items are included and selected, their new name
/// starts as the old name (with a "." added in `foldersOnly` mode, so that a
/// folder's name is a title only for the first rule). `stop` is cleared at the
/// start and read while running; after a stop the rules not yet reached are not
/// applied, the duplicates phase ends, the title check still runs, and the view's
/// DoAction is called. Returns the number of filled slots; 0 (with the action
/// label "Initializing...") when the list is empty or no rule is enabled.
/// Reads CaseSensitive, LongnameMode, AutoNumberDuplicated (corrected in place to
/// "(%number%)" when it holds no "%number%") and DoEventsTimeout from AppSettings().
qsizetype GeneratePreview(const ItemList& items, const std::vector<RuleLine>& rules, PreviewProgressView& view,
                          bool& stop, bool foldersOnly = false);

/// GeneratePreview into another array (tests, benchmarks).
qsizetype GeneratePreview(PreviewArray& preview, const ItemList& items, const std::vector<RuleLine>& rules,
                          PreviewProgressView& view, bool& stop, bool foldersOnly = false);

} // namespace quelt
