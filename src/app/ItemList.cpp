#include "app/ItemList.h"

#include "platform/FileSystem.h"

#include <algorithm>
#include <numeric>

namespace quelt {

namespace {

// Key numbers run for the whole program and are never reset, so keys stay
// unique across scans, rebuilds and every tree of the program.
std::uint32_t nextFolderNumber = 0;
std::uint32_t nextItemNumber = 0;

template <class Row>
qsizetype EraseFlagged(std::vector<Row>& rows, const std::vector<bool>& flags, bool eraseWhen)
{
    if (flags.size() != rows.size())
        return 0;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (flags[i] == eraseWhen)
            continue;
        if (kept != i)
            rows[kept] = std::move(rows[i]);
        ++kept;
    }
    const qsizetype removed = qsizetype(rows.size() - kept);
    rows.erase(rows.begin() + qsizetype(kept), rows.end());
    return removed;
}

const QString& ColumnText(const ListRow& row, int column)
{
    switch (column) {
    case 0: return row.folder;
    case 2: return row.newName;
    case 3: return row.validation;
    default: return row.name;
    }
}

} // namespace

QString TreeNode::key() const
{
    return (isFolder ? QStringLiteral("PATH") : QStringLiteral("FILE")) + QString::number(number);
}

void ItemList::reset(Shape shape)
{
    clear();
    shape_ = shape;
}

void ItemList::clear()
{
    nodes_.clear();
    folderNodes_.clear();
    rows_.clear();
    hasLastFolder_ = false;
    lastFolder_.clear();
}

qsizetype ItemList::itemCount() const
{
    return isTree() ? qsizetype(nodes_.size() - folderNodes_.size()) : qsizetype(rows_.size());
}

void ItemList::reserve(qsizetype items)
{
    if (isTree())
        nodes_.reserve(std::size_t(items));
    else
        rows_.reserve(std::size_t(items));
}

void ItemList::appendItem(const QString& folder, const QString& name, bool checked)
{
    if (!isTree()) {
        ListRow row;
        row.folder = folder;
        row.name = name;
        row.checked = checked;
        rows_.push_back(std::move(row));
        return;
    }
    if (!hasLastFolder_ || lastFolder_ != folder) {
        folderNodes_.push_back(qsizetype(nodes_.size()));
        nodes_.push_back(TreeNode{folder, nextFolderNumber++, true, false});
        lastFolder_ = folder;
        hasLastFolder_ = true;
    }
    nodes_.push_back(TreeNode{name, nextItemNumber++, false, checked});
    if (checked)
        nodes_[std::size_t(folderNodes_.back())].checked = true;
}

void ItemList::checkAll(bool checked)
{
    for (TreeNode& node : nodes_)
        node.checked = checked;
    for (ListRow& row : rows_)
        row.checked = checked;
}

void ItemList::invertChecked()
{
    if (!isTree()) {
        for (ListRow& row : rows_)
            row.checked = !row.checked;
        return;
    }
    TreeNode* folder = nullptr;
    for (TreeNode& node : nodes_) {
        if (node.isFolder) {
            node.checked = false;
            folder = &node;
        } else if (!node.checked) {
            node.checked = true;
            if (folder)
                folder->checked = true;
        } else {
            node.checked = false;
        }
    }
}

qsizetype ItemList::folderRowOf(qsizetype node) const
{
    const auto after = std::upper_bound(folderNodes_.begin(), folderNodes_.end(), node);
    return qsizetype(after - folderNodes_.begin()) - 1;
}

qsizetype ItemList::folderNodeOf(qsizetype node) const
{
    const qsizetype row = folderRowOf(node);
    return row < 0 ? 0 : folderNodes_[std::size_t(row)];
}

qsizetype ItemList::folderEnd(qsizetype folderNode) const
{
    const auto after = std::upper_bound(folderNodes_.begin(), folderNodes_.end(), folderNode);
    return after == folderNodes_.end() ? qsizetype(nodes_.size()) : *after;
}

void ItemList::checkNode(qsizetype node, bool checked)
{
    TreeNode& target = nodes_[std::size_t(node)];
    target.checked = checked;
    if (target.isFolder) {
        const qsizetype end = folderEnd(node);
        for (qsizetype i = node + 1; i < end; ++i)
            nodes_[std::size_t(i)].checked = checked;
    } else if (checked) {
        nodes_[std::size_t(folderNodeOf(node))].checked = true;
    }
}

void ItemList::permuteNodes(const RowPermutation& from)
{
    ApplyPermutation(nodes_, from);
}

void ItemList::setChecked(const std::vector<bool>& which, bool checked)
{
    const std::size_t n = std::min(which.size(), rows_.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (which[i])
            rows_[i].checked = checked;
    }
}

std::vector<bool> ItemList::checkedRows() const
{
    std::vector<bool> marks(rows_.size());
    for (std::size_t i = 0; i < rows_.size(); ++i)
        marks[i] = rows_[i].checked;
    return marks;
}

qsizetype ItemList::removeRows(const std::vector<bool>& which)
{
    return EraseFlagged(rows_, which, true);
}

qsizetype ItemList::cropTo(const std::vector<bool>& keep)
{
    return EraseFlagged(rows_, keep, false);
}

qsizetype ItemList::removeDeadLinks(bool foldersOnly)
{
    std::vector<bool> dead(rows_.size());
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        QString path = rows_[i].folder + rows_[i].name;
        if (foldersOnly && path.endsWith(u'/'))
            path.chop(1);
        dead[i] = !platform::PathExists(path);
    }
    return removeRows(dead);
}

qsizetype ItemList::uncheckInvalid()
{
    qsizetype changed = 0;
    for (ListRow& row : rows_) {
        if (row.checked && row.validation == ValidationFailed) {
            row.checked = false;
            ++changed;
        }
    }
    return changed;
}

RowPermutation ItemList::sortByColumn(int column, bool ascending)
{
    // Folded once per row rather than in every comparison.
    std::vector<QString> folded(rows_.size());
    for (std::size_t i = 0; i < rows_.size(); ++i)
        folded[i] = ColumnText(rows_[i], column).toCaseFolded();
    RowPermutation from(rows_.size());
    std::iota(from.begin(), from.end(), qsizetype(0));
    std::stable_sort(from.begin(), from.end(), [&](qsizetype a, qsizetype b) {
        int order = folded[std::size_t(a)].compare(folded[std::size_t(b)]);
        if (order == 0)
            order = ColumnText(rows_[std::size_t(a)], column).compare(ColumnText(rows_[std::size_t(b)], column));
        return ascending ? order < 0 : order > 0;
    });
    ApplyPermutation(rows_, from);
    return from;
}

void RebuildFromPreview(ItemList& list, const PreviewArray& items, qsizetype count, bool dropRenamed)
{
    list.clear();
    count = std::clamp<qsizetype>(count, 0, qsizetype(items.size()));
    list.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        const PreviewItem& item = items[std::size_t(i)];
        if (dropRenamed && item.renameDone)
            continue;
        list.appendItem(item.folder, item.renameDone ? item.newName : item.oldName, item.selected);
    }
}

} // namespace quelt
