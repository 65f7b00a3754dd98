#include "app/ItemListItemModel.h"

#include <QBrush>
#include <QColor>

#include <algorithm>
#include <limits>

namespace quelt {

namespace {

// Models address at most INT_MAX rows; larger counts are clamped.
int ClampedRows(qsizetype n)
{
    return int(std::min<qsizetype>(n, std::numeric_limits<int>::max()));
}

Qt::CheckState CheckStateOf(bool checked) { return checked ? Qt::Checked : Qt::Unchecked; }

bool IsChecked(const QVariant& value)
{
    return Qt::CheckState(value.toInt()) != Qt::Unchecked;
}

// 0x00BBGGRR as the settings store colours.
QColor ColourOf(std::uint32_t bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

const QString& ListColumnText(const ListRow& row, int column)
{
    switch (column) {
    case 0: return row.folder;
    case 1: return row.name;
    case 2: return row.newName;
    default: return row.validation;
    }
}

} // namespace

// ---- ItemListModelBase ----

ItemListModelBase::ItemListModelBase(ItemList& list, QObject* parent) : QAbstractItemModel(parent), list_(list) {}

void ItemListModelBase::refresh()
{
    beginResetModel();
    adoptCounts();
    endResetModel();
}

// ---- FileTreeItemModel ----
//
// Top-level rows are folder nodes (internal id 0); a child's internal id is its
// folder's row + 1, so parent() needs no search.

FileTreeItemModel::FileTreeItemModel(ItemList& tree, QObject* parent) : ItemListModelBase(tree, parent)
{
    adoptCounts();
}

qsizetype FileTreeItemModel::childCount(qsizetype folderRow) const
{
    const auto& folders = list_.folderNodes();
    if (folderRow < 0 || folderRow >= qsizetype(folders.size()))
        return 0;
    const qsizetype node = folders[std::size_t(folderRow)];
    return list_.folderEnd(node) - node - 1;
}

void FileTreeItemModel::adoptCounts()
{
    shownFolders_ = qsizetype(list_.folderNodes().size());
    shownChildrenOfLast_ = childCount(shownFolders_ - 1);
}

qsizetype FileTreeItemModel::nodeAt(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this)
        return -1;
    const auto& folders = list_.folderNodes();
    const quintptr id = index.internalId();
    const qsizetype folderRow = id == 0 ? index.row() : qsizetype(id) - 1;
    if (folderRow < 0 || folderRow >= qsizetype(folders.size()) || folderRow >= shownFolders_)
        return -1;
    const qsizetype folder = folders[std::size_t(folderRow)];
    if (id == 0)
        return folder;
    if (index.row() < 0 || (folderRow == shownFolders_ - 1 && index.row() >= shownChildrenOfLast_))
        return -1;
    const qsizetype node = folder + 1 + index.row();
    return node < list_.folderEnd(folder) ? node : -1;
}

QModelIndex FileTreeItemModel::indexOfNode(qsizetype node) const
{
    if (node < 0 || node >= qsizetype(list_.nodes().size()))
        return {};
    const qsizetype folderRow = list_.folderRowOf(node);
    if (folderRow < 0 || folderRow >= shownFolders_)
        return {};
    const qsizetype folder = list_.folderNodes()[std::size_t(folderRow)];
    if (node == folder)
        return createIndex(int(folderRow), 0, quintptr(0));
    const qsizetype row = node - folder - 1;
    if (folderRow == shownFolders_ - 1 && row >= shownChildrenOfLast_)
        return {};
    return createIndex(int(row), 0, quintptr(folderRow + 1));
}

QModelIndex FileTreeItemModel::index(int row, int column, const QModelIndex& parent) const
{
    if (row < 0 || column != 0 || row >= rowCount(parent))
        return {};
    if (!parent.isValid())
        return createIndex(row, 0, quintptr(0));
    if (parent.internalId() != 0)
        return {};
    return createIndex(row, 0, quintptr(parent.row()) + 1);
}

QModelIndex FileTreeItemModel::parent(const QModelIndex& child) const
{
    if (!child.isValid() || child.internalId() == 0)
        return {};
    return createIndex(int(child.internalId() - 1), 0, quintptr(0));
}

int FileTreeItemModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return ClampedRows(shownFolders_);
    if (parent.column() != 0 || parent.internalId() != 0 || parent.row() >= shownFolders_)
        return 0;
    if (parent.row() == shownFolders_ - 1)
        return ClampedRows(shownChildrenOfLast_);
    return ClampedRows(childCount(parent.row()));
}

int FileTreeItemModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() && parent.internalId() != 0 ? 0 : 1;
}

QVariant FileTreeItemModel::data(const QModelIndex& index, int role) const
{
    const qsizetype node = nodeAt(index);
    if (node < 0)
        return {};
    const TreeNode& n = list_.nodes()[std::size_t(node)];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: return n.text;
    case Qt::CheckStateRole: return CheckStateOf(n.checked);
    case Qt::ToolTipRole: return n.isFolder ? n.text : list_.itemFolder(node) + n.text;
    default: return {};
    }
}

void FileTreeItemModel::announceFolderChanged(qsizetype folderRow, const QList<int>& roles)
{
    const QModelIndex folder = createIndex(int(folderRow), 0, quintptr(0));
    Q_EMIT dataChanged(folder, folder, roles);
    const int children = rowCount(folder);
    if (children > 0)
        Q_EMIT dataChanged(index(0, 0, folder), index(children - 1, 0, folder), roles);
}

bool FileTreeItemModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    const qsizetype node = nodeAt(index);
    if (node < 0)
        return false;
    const bool isFolder = list_.nodes()[std::size_t(node)].isFolder;
    if (role == Qt::CheckStateRole) {
        list_.checkNode(node, IsChecked(value));
        const qsizetype folderRow = isFolder ? index.row() : qsizetype(index.internalId()) - 1;
        if (isFolder) {
            announceFolderChanged(folderRow, {Qt::CheckStateRole});
        } else {
            const QModelIndex folder = createIndex(int(folderRow), 0, quintptr(0));
            Q_EMIT dataChanged(folder, folder, {Qt::CheckStateRole});
            Q_EMIT dataChanged(index, index, {Qt::CheckStateRole});
        }
        Q_EMIT checkStateEdited(index);
        return true;
    }
    if (role == Qt::EditRole && !isFolder && renameHandler_) {
        const QString text = value.toString();
        if (!renameHandler_(node, text))
            return false;
        list_.setNodeText(node, text);
        Q_EMIT dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole, Qt::ToolTipRole});
        return true;
    }
    return false;
}

Qt::ItemFlags FileTreeItemModel::flags(const QModelIndex& index) const
{
    const qsizetype node = nodeAt(index);
    if (node < 0)
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable;
    const TreeNode& n = list_.nodes()[std::size_t(node)];
    if (n.isFolder)
        return flags;
    flags |= Qt::ItemNeverHasChildren;
    if (renameHandler_)
        flags |= Qt::ItemIsEditable;
    return flags;
}

void FileTreeItemModel::syncAppended()
{
    const qsizetype folders = qsizetype(list_.folderNodes().size());
    // Anything but growth at the end was not announced: refresh everything.
    if (folders < shownFolders_ || (shownFolders_ > 0 && childCount(shownFolders_ - 1) < shownChildrenOfLast_)) {
        refresh();
        return;
    }
    if (shownFolders_ > 0) {
        const qsizetype last = shownFolders_ - 1;
        const qsizetype children = childCount(last);
        if (children > shownChildrenOfLast_) {
            beginInsertRows(createIndex(int(last), 0, quintptr(0)), int(shownChildrenOfLast_), int(children - 1));
            shownChildrenOfLast_ = children;
            endInsertRows();
        }
    }
    if (folders > shownFolders_) {
        beginInsertRows({}, int(shownFolders_), int(folders - 1));
        adoptCounts();
        endInsertRows();
    }
}

void FileTreeItemModel::marksChanged()
{
    for (qsizetype row = 0; row < shownFolders_; ++row)
        announceFolderChanged(row, {Qt::CheckStateRole});
}

void FileTreeItemModel::contentsChanged()
{
    for (qsizetype row = 0; row < shownFolders_; ++row)
        announceFolderChanged(row, {});
}

void FileTreeItemModel::movePersistentIndexes(const RowPermutation& to)
{
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before) {
        const qsizetype node = nodeAt(index);
        if (node < 0 || std::size_t(node) >= to.size()) {
            after.append(QModelIndex());
            continue;
        }
        after.append(indexOfNode(to[std::size_t(node)]));
    }
    changePersistentIndexList(before, after);
}

// ---- FileListItemModel ----

FileListItemModel::FileListItemModel(ItemList& list, QObject* parent) : ItemListModelBase(list, parent)
{
    adoptCounts();
}

void FileListItemModel::setInstantPreview(bool on)
{
    if (on == instantPreview_)
        return;
    beginResetModel();
    instantPreview_ = on;
    adoptCounts();
    endResetModel();
}

void FileListItemModel::adoptCounts()
{
    shownRows_ = qsizetype(list_.rows().size());
}

const ListRow* FileListItemModel::rowAt(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this || index.parent().isValid())
        return nullptr;
    const qsizetype row = index.row();
    if (row < 0 || row >= shownRows_ || row >= qsizetype(list_.rows().size()) || index.column() < 0
        || index.column() >= columnCount())
        return nullptr;
    return &list_.rows()[std::size_t(row)];
}

QModelIndex FileListItemModel::index(int row, int column, const QModelIndex& parent) const
{
    if (parent.isValid() || row < 0 || column < 0 || row >= rowCount() || column >= columnCount())
        return {};
    return createIndex(row, column);
}

QModelIndex FileListItemModel::parent(const QModelIndex&) const
{
    return {};
}

int FileListItemModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ClampedRows(shownRows_);
}

int FileListItemModel::columnCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return instantPreview_ ? 4 : 2;
}

QVariant FileListItemModel::data(const QModelIndex& index, int role) const
{
    const ListRow* row = rowAt(index);
    if (!row)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: return ListColumnText(*row, index.column());
    case Qt::CheckStateRole:
        if (index.column() == 0)
            return CheckStateOf(row->checked);
        return {};
    case Qt::ForegroundRole:
        if (row->colour != 0)
            return QBrush(ColourOf(row->colour));
        return {};
    default: return {};
    }
}

bool FileListItemModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    const ListRow* row = rowAt(index);
    if (!row || role != Qt::CheckStateRole || index.column() != 0)
        return false;
    list_.rows()[std::size_t(index.row())].checked = IsChecked(value);
    Q_EMIT dataChanged(index, index, {Qt::CheckStateRole});
    Q_EMIT checkStateEdited(index);
    return true;
}

Qt::ItemFlags FileListItemModel::flags(const QModelIndex& index) const
{
    if (!rowAt(index))
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == 0)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QVariant FileListItemModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnCount())
        return {};
    static const char* const plain[] = {"Path", "Name"};
    static const char* const preview[] = {"Path", "Old Name", "New Name", "Validation"};
    return QString::fromLatin1(instantPreview_ ? preview[section] : plain[section]);
}

void FileListItemModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= columnCount())
        return;
    reorder([&](ItemList& list) { return list.sortByColumn(column, order == Qt::AscendingOrder); });
}

void FileListItemModel::syncAppended()
{
    const qsizetype rows = qsizetype(list_.rows().size());
    if (rows < shownRows_) {
        refresh();
        return;
    }
    if (rows == shownRows_)
        return;
    beginInsertRows({}, int(shownRows_), int(rows - 1));
    shownRows_ = rows;
    endInsertRows();
}

void FileListItemModel::marksChanged()
{
    if (shownRows_ > 0)
        Q_EMIT dataChanged(index(0, 0), index(int(shownRows_) - 1, 0), {Qt::CheckStateRole});
}

void FileListItemModel::contentsChanged()
{
    if (shownRows_ > 0)
        Q_EMIT dataChanged(index(0, 0), index(int(shownRows_) - 1, columnCount() - 1));
}

void FileListItemModel::movePersistentIndexes(const RowPermutation& to)
{
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before) {
        const qsizetype row = index.row();
        if (row < 0 || std::size_t(row) >= to.size())
            after.append(QModelIndex());
        else
            after.append(createIndex(int(to[std::size_t(row)]), index.column()));
    }
    changePersistentIndexList(before, after);
}

} // namespace quelt
