#pragma once
// The "Sort the list" rule's sorter: reorders the preview array folder run by
// folder run with the partition scheme below. The scheme is not stable, and its
// exact order on equal keys is part of the result, so later numbering rules see
// the same order every time.

#include "engine/PreviewItem.h"

#include <QString>
#include <QStringView>

#include <optional>
#include <utility>
#include <vector>

namespace quelt {

class PreviewMeter;
struct PreviewRunState;

/// The orderings, numbered as the rule and the main window's menu number them.
enum class SortMode {
    NameAscending = 0,
    NameDescending = 1,
    ModifiedAscending = 2,
    ModifiedDescending = 4,
    SizeAscending = 8,
    SizeDescending = 16,
    NumericAscending = 32,
    NumericDescending = 64,
};

/// The mode of a Sorting Type in lower case ("name (ascending)", ...); nothing
/// for any other text.
std::optional<SortMode> SortModeOf(QStringView typeLower);
bool IsSizeMode(SortMode mode);

/// Partition sort of elements [lo, hi] (0-based, inclusive):
///   pivot = element (lo + hi) / 2 (truncated), taken once before any exchange;
///   i = lo, j = hi; repeat: while before(e[i], pivot) i++; while before(pivot,
///   e[j]) j--; if i <= j exchange e[i] and e[j], i++, j--; until i > j;
///   then [lo, j] when lo < j, then [i, hi] when i < hi.
/// `before(a, b)` returns whether a comes before b in the mode's order, or
/// nothing when a key cannot be read: the sort then stops where it stands and
/// false is returned. The left part is always finished before the right one, as
/// the recursive scheme does, without recursing (no stack depth limit).
template <class T, class Before>
bool PartitionSort(std::vector<T>& e, qsizetype lo, qsizetype hi, Before&& before)
{
    std::vector<std::pair<qsizetype, qsizetype>> pending; // right parts still to sort
    while (true) {
        if (lo < hi) {
            const T pivot = e[std::size_t((lo + hi) / 2)];
            qsizetype i = lo;
            qsizetype j = hi;
            do {
                while (true) {
                    const std::optional<bool> b = before(e[std::size_t(i)], pivot);
                    if (!b)
                        return false;
                    if (!*b || i >= hi)
                        break;
                    ++i;
                }
                while (true) {
                    const std::optional<bool> b = before(pivot, e[std::size_t(j)]);
                    if (!b)
                        return false;
                    if (!*b || j <= lo)
                        break;
                    --j;
                }
                if (i <= j) {
                    std::swap(e[std::size_t(i)], e[std::size_t(j)]);
                    ++i;
                    --j;
                }
            } while (i <= j);
            if (i < hi)
                pending.emplace_back(i, hi);
            hi = j; // [lo, j] next; an empty or single range falls through to the pending ones
            continue;
        }
        if (pending.empty())
            return true;
        std::tie(lo, hi) = pending.back();
        pending.pop_back();
    }
}

/// Sorts the first `count` items of the array as "Sort the list" does: every run
/// of consecutive items with the same folder (exact text) on its own, by `mode`;
/// names (old or new per `byOldName`) compare in upper case, code unit by code
/// unit; times and sizes come from folder + old name on disk, sizes read once per
/// run into PreviewItem::size (state.sizesKnown); numeric values are the leading
/// number of the name. A run whose modification time cannot be read for some item
/// stays as far as it got. The stop flag is looked at between runs. Progress goes
/// to `meter` with `ruleName` in its labels.
void SortPreviewArray(PreviewArray& items, qsizetype count, SortMode mode, bool byOldName, const QString& ruleName,
                      PreviewMeter& meter, PreviewRunState& state, const bool& stop);

} // namespace quelt
