#include "app/MoveSelectedRows.h"

namespace quelt {

RowPermutation MoveSelectedRowsOrder(const std::vector<bool>& selected, MoveDirection direction)
{
    const qsizetype n = qsizetype(selected.size());
    qsizetype first = -1;
    qsizetype last = -1;
    for (qsizetype i = 0; i < n; ++i) {
        if (selected[std::size_t(i)]) {
            if (first < 0)
                first = i;
            last = i;
        }
    }
    if (first < 0)
        return {};

    // k single steps each move every selected row one place; as long as no
    // selected row reaches the edge, that is a shift of all of them by k, with the
    // unselected rows filling the remaining places in their own order.
    qsizetype shift = 0;
    switch (direction) {
    case MoveDirection::Up: shift = first > 0 ? -1 : 0; break;
    case MoveDirection::Top: shift = -first; break;
    case MoveDirection::Down: shift = last < n - 1 ? 1 : 0; break;
    case MoveDirection::Bottom: shift = n - 1 - last; break;
    }
    if (shift == 0)
        return {};

    RowPermutation from(std::size_t(n), -1);
    for (qsizetype i = first; i <= last; ++i) {
        if (selected[std::size_t(i)])
            from[std::size_t(i + shift)] = i;
    }
    qsizetype slot = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (selected[std::size_t(i)])
            continue;
        while (from[std::size_t(slot)] >= 0)
            ++slot;
        from[std::size_t(slot)] = i;
    }
    return from;
}

RowPermutation InversePermutation(const RowPermutation& from)
{
    RowPermutation to(from.size());
    for (std::size_t i = 0; i < from.size(); ++i)
        to[std::size_t(from[i])] = qsizetype(i);
    return to;
}

} // namespace quelt
