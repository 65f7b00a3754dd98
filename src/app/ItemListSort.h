#pragma once
// The display sorter behind the main window's "Sort by..." menu: sorts the shown
// file tree or file list folder by folder.

#include "app/ItemList.h"
#include "engine/Sorting.h"

#include <QStringView>

#include <functional>
#include <optional>

namespace quelt {

/// The orderings of "Sort by...": the same as the sorting rule's.
using DisplaySortMode = SortMode;

/// The mode of a menu caption such as "Name (Ascending)" or
/// "numeric value (descending)" (trimmed, without regard to case).
std::optional<DisplaySortMode> DisplaySortModeFromCaption(QStringView caption);

/// Sorts the list as the "Sort by..." menu does:
/// - tree: the item nodes of every folder node by name ascending, then, for any
///   other mode, again by `mode`; folder nodes stay where they are;
/// - flat: unless the mode is "Name (Descending)", the rows are grouped by their
///   folder column and each folder's rows sorted by name ascending; then, for any
///   other mode than "Name (Ascending)", every run of consecutive rows with the
///   same folder is sorted by `mode`.
/// Names compare in upper case, code unit by code unit; sizes and modification
/// times are read from disk (0 when unreadable); numeric values are the leading
/// number of the name. The partition scheme is not stable: equal keys end in the
/// order it produces. Every field of an item moves with it.
///
/// `yieldToEvents`, when given, is called at most once per `doEventsTimeout` ms.
/// Returns the permutation applied to nodes() or rows() (empty when nothing was sorted).
RowPermutation SortDisplayedList(ItemList& list, DisplaySortMode mode,
                                 const std::function<void()>& yieldToEvents = {},
                                 int doEventsTimeout = 500);

} // namespace quelt
