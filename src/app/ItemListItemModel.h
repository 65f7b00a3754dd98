#pragma once
// Item-model adapters that show an ItemList in Qt views without copying it: a
// tree model over the file tree of scan mode and a table model over the flat
// file list of list mode. The list is the storage; the models only announce
// changes. Code that changes the list tells its model how:
//  - appendItem / ScanFolder: syncAppended() once per batch (the scan view's
//    yield and the end of the scan), which inserts the new rows;
//  - marks or texts changed in place: marksChanged() / contentsChanged();
//  - reorderings (moves, sorts): reorder(), which keeps persistent indexes
//    (selection, current row) with their rows;
//  - anything else (clear, remove, rebuild): resetWith(), a full refresh.

#include "app/ItemList.h"

#include <QAbstractItemModel>

#include <functional>

namespace quelt {

/// What the two models share: the list, the shown row counts and the change calls.
class ItemListModelBase : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit ItemListModelBase(ItemList& list, QObject* parent = nullptr);

    ItemList& list() { return list_; }
    const ItemList& list() const { return list_; }

    /// Runs `change` on the list as one full refresh of the views.
    template <class Change>
    void resetWith(Change&& change)
    {
        beginResetModel();
        change(list_);
        adoptCounts();
        endResetModel();
    }
    /// A full refresh after the list was changed elsewhere.
    void refresh();
    /// Inserts, as one batch, the items appended since the last call.
    virtual void syncAppended() = 0;
    /// Check marks of any rows were changed in place.
    virtual void marksChanged() = 0;
    /// Texts, colours or marks of any rows were changed in place.
    virtual void contentsChanged() = 0;
    /// Runs `reorderer` (which reorders the list and returns the permutation it
    /// applied, as MoveSelectedRows and SortDisplayedList do) and moves the
    /// persistent indexes with their rows.
    template <class Reorderer>
    RowPermutation reorder(Reorderer&& reorderer)
    {
        Q_EMIT layoutAboutToBeChanged();
        RowPermutation from = reorderer(list_);
        if (!from.empty())
            movePersistentIndexes(InversePermutation(from));
        Q_EMIT layoutChanged();
        return from;
    }

Q_SIGNALS:
    /// The user ticked or cleared a check box (for the instant preview request).
    void checkStateEdited(const QModelIndex& index);

protected:
    /// Takes the list's current size as the shown size.
    virtual void adoptCounts() = 0;
    /// Maps persistent indexes after a reordering; `to[old position] = new position`.
    virtual void movePersistentIndexes(const RowPermutation& to) = 0;

    ItemList& list_;
};

/// The file tree: folder nodes at the top level, their item nodes as children;
/// one column with the node text and a check box.
class FileTreeItemModel : public ItemListModelBase {
    Q_OBJECT
public:
    /// Called when the user finishes editing an item node's text; returns whether
    /// the new text is to be kept (the item was renamed on disk).
    using RenameHandler = std::function<bool(qsizetype node, const QString& text)>;

    explicit FileTreeItemModel(ItemList& tree, QObject* parent = nullptr);

    /// With a handler set, item nodes (never folder nodes) can be edited in place.
    void setRenameHandler(RenameHandler handler) { renameHandler_ = std::move(handler); }

    /// Position in list().nodes() of a node's index, or -1.
    qsizetype nodeAt(const QModelIndex& index) const;
    /// Index of the node at a position in list().nodes() (invalid when not shown).
    QModelIndex indexOfNode(qsizetype node) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void syncAppended() override;
    void marksChanged() override;
    void contentsChanged() override;

protected:
    void adoptCounts() override;
    void movePersistentIndexes(const RowPermutation& to) override;

private:
    qsizetype childCount(qsizetype folderRow) const;
    void announceFolderChanged(qsizetype folderRow, const QList<int>& roles);

    qsizetype shownFolders_ = 0;
    qsizetype shownChildrenOfLast_ = 0; // children shown under the last shown folder
    RenameHandler renameHandler_;
};

/// The flat file list: one row per item; columns "Path" and "Name", or with
/// instant preview "Path", "Old Name", "New Name" and "Validation". The check box
/// sits in the first column; the row's colour is its text colour.
class FileListItemModel : public ItemListModelBase {
    Q_OBJECT
public:
    explicit FileListItemModel(ItemList& list, QObject* parent = nullptr);

    /// Shows the two instant-preview columns or hides them.
    void setInstantPreview(bool on);
    bool instantPreview() const { return instantPreview_; }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    /// A click on a column header: sorts the rows by that column's text.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    void syncAppended() override;
    void marksChanged() override;
    void contentsChanged() override;

protected:
    void adoptCounts() override;
    void movePersistentIndexes(const RowPermutation& to) override;

private:
    const ListRow* rowAt(const QModelIndex& index) const;

    qsizetype shownRows_ = 0;
    bool instantPreview_ = false;
};

} // namespace quelt
