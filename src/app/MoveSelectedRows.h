#pragma once
// Moving the selected rows of any list (the rules list, the file list) up, down,
// to the top or to the bottom as a block.

#include <QtGlobal>

#include <utility>
#include <vector>

namespace quelt {

enum class MoveDirection { Up, Down, Top, Bottom };

/// Where each row of a list comes from after a reordering: row i of the new
/// order is row from[i] of the old one. Empty when the order does not change.
using RowPermutation = std::vector<qsizetype>;

/// The new order of a list whose rows are selected where `selected` is true.
///
/// One step up moves every selected row one place up (the unselected row above a
/// block of selected rows goes below it), so blocks stay together and the gaps
/// between selected rows stay the same. Up is one step, and nothing when the first
/// row is selected; Top is as many steps as bring the first selected row to the
/// top. Down and Bottom mirror them. No selected row: nothing moves.
/// Linear in the number of rows, however far the rows travel.
RowPermutation MoveSelectedRowsOrder(const std::vector<bool>& selected, MoveDirection direction);

/// The inverse of a permutation: old row r is new row result[r].
RowPermutation InversePermutation(const RowPermutation& from);

/// Reorders `rows` by `from` (as MoveSelectedRowsOrder gives it). Every field of a
/// row moves with it.
template <class Row>
void ApplyPermutation(std::vector<Row>& rows, const RowPermutation& from)
{
    if (from.empty())
        return;
    std::vector<Row> reordered;
    reordered.reserve(rows.size());
    for (const qsizetype source : from)
        reordered.push_back(std::move(rows[std::size_t(source)]));
    rows = std::move(reordered);
}

/// Moves the selected rows of `rows` as a block; `selected` (one flag per row)
/// moves with them, so the same rows stay selected. Returns the permutation
/// applied (empty when nothing moved), for views that keep indexes.
template <class Row>
RowPermutation MoveSelectedRows(std::vector<Row>& rows, std::vector<bool>& selected,
                                MoveDirection direction)
{
    if (selected.size() != rows.size())
        return {};
    RowPermutation from = MoveSelectedRowsOrder(selected, direction);
    if (from.empty())
        return from;
    ApplyPermutation(rows, from);
    std::vector<bool> moved(selected.size());
    for (std::size_t i = 0; i < from.size(); ++i)
        moved[i] = selected[std::size_t(from[i])];
    selected = std::move(moved);
    return from;
}

} // namespace quelt
