#pragma once
// The main window's items, in one of two shapes: the file tree of scan mode
// (folder nodes, each followed by the item nodes of its folder) or the flat
// file list of list mode (one row per item). Both are plain vectors in display
// order; windows show them through item-model adapters over the same storage,
// and the preview engine, the rename run, undo and export read them from here.

#include "app/MoveSelectedRows.h"
#include "engine/PreviewItem.h"

#include <QString>

#include <cstdint>
#include <type_traits>
#include <vector>

namespace quelt {

/// One node of the file tree.
struct TreeNode {
    QString text;             // folder node: the folder's full path, ending in "/"; item node: the bare name
    std::uint32_t number = 0; // the number of its key ("PATH" or "FILE" followed by it)
    bool isFolder = false;    // a folder node (key "PATH...") or an item node (key "FILE...")
    bool checked = false;

    /// "PATH" or "FILE" followed by the node's number.
    QString key() const;
};

/// One row of the flat list.
struct ListRow {
    QString folder;           // ends in "/"
    QString name;             // bare name of the file, or of the folder in folders-only mode
    QString newName;          // the last preview's new name (instant preview)
    QString validation;       // "OK", "Failed" or empty
    std::uint32_t colour = 0; // text colour, 0x00BBGGRR; 0 is the view's normal text colour
    bool checked = false;
};

/// Text of the validation column for an item that failed the preview.
inline const QString ValidationFailed = QStringLiteral("Failed");

class ItemList {
public:
    enum class Shape : std::uint8_t { Tree, Flat };

    explicit ItemList(Shape shape = Shape::Flat) : shape_(shape) {}

    Shape shape() const { return shape_; }
    bool isTree() const { return shape_ == Shape::Tree; }
    /// Empties the list and gives it `shape`.
    void reset(Shape shape);
    /// Empties the list; the key numbers go on from where they are.
    void clear();
    bool empty() const { return isTree() ? nodes_.empty() : rows_.empty(); }
    /// Number of items: the item nodes of the tree, the rows of the flat list.
    qsizetype itemCount() const;
    void reserve(qsizetype items);

    /// Adds one item at the end. Tree: a folder node for `folder` comes first when
    /// it differs from the folder that received the last node (or after
    /// forgetLastFolder); a checked item also checks its folder node. Flat: one row.
    /// No duplicate test is made.
    void appendItem(const QString& folder, const QString& name, bool checked);
    /// The next appendItem starts a new folder node even for the same folder.
    void forgetLastFolder() { hasLastFolder_ = false; }

    /// Calls visit(folder, name, checked) for every item in list order. A visitor
    /// that returns bool stops the walk by returning false.
    template <class Visitor>
    void forEachItem(Visitor&& visit) const;

    /// Checks or unchecks every node or row.
    void checkAll(bool checked);
    /// Tree: each unchecked item node becomes checked and checks its folder node,
    /// every other node becomes unchecked. Flat: every row's mark is flipped.
    void invertChecked();

    // ---- Tree shape ----

    const std::vector<TreeNode>& nodes() const { return nodes_; }
    /// Positions of the folder nodes in nodes(), ascending.
    const std::vector<qsizetype>& folderNodes() const { return folderNodes_; }
    /// Position of the folder node that holds node `node` (itself for a folder node).
    qsizetype folderNodeOf(qsizetype node) const;
    /// Index in folderNodes() of the folder node that holds node `node`.
    qsizetype folderRowOf(qsizetype node) const;
    /// Position just after the last item node of the folder node at `folderNode`.
    qsizetype folderEnd(qsizetype folderNode) const;
    /// The folder of an item node: its folder node's text.
    const QString& itemFolder(qsizetype node) const { return nodes_[std::size_t(folderNodeOf(node))].text; }
    /// A click on a node's check box: a folder node passes its state to all its
    /// items; an item node that becomes checked also checks its folder node.
    void checkNode(qsizetype node, bool checked);
    /// Sets one node's mark and nothing else.
    void setNodeChecked(qsizetype node, bool checked) { nodes_[std::size_t(node)].checked = checked; }
    void setNodeText(qsizetype node, const QString& text) { nodes_[std::size_t(node)].text = text; }
    /// Reorders item nodes by `from` (a permutation of node positions that keeps
    /// every folder node in place).
    void permuteNodes(const RowPermutation& from);

    // ---- Flat shape ----

    const std::vector<ListRow>& rows() const { return rows_; }
    /// The rows for changes in place (columns, marks, order).
    std::vector<ListRow>& rows() { return rows_; }
    /// Checks or unchecks the rows whose flag in `which` is set.
    void setChecked(const std::vector<bool>& which, bool checked);
    /// The check marks, one flag per row (for "Select Checked" and the like).
    std::vector<bool> checkedRows() const;
    /// Removes the rows whose flag in `which` is set; returns how many went.
    qsizetype removeRows(const std::vector<bool>& which);
    /// Keeps only the rows whose flag in `keep` is set; returns how many went.
    qsizetype cropTo(const std::vector<bool>& keep);
    /// Removes every row whose folder + name does not exist; in folders-only mode a
    /// trailing "/" is dropped before the test. Returns how many went.
    qsizetype removeDeadLinks(bool foldersOnly);
    /// Unchecks every row whose validation is "Failed"; returns how many were changed.
    qsizetype uncheckInvalid();
    /// Moves the selected rows as a block (see MoveSelectedRows).
    RowPermutation moveRows(std::vector<bool>& selected, MoveDirection direction)
    {
        return MoveSelectedRows(rows_, selected, direction);
    }
    /// Sorts the rows by one column's text (0 folder, 1 name, 2 new name,
    /// 3 validation), without regard to case and stable; ties of letter case keep
    /// exact texts together. Returns the permutation applied.
    RowPermutation sortByColumn(int column, bool ascending);

private:
    Shape shape_;
    std::vector<TreeNode> nodes_;
    std::vector<qsizetype> folderNodes_;
    std::vector<ListRow> rows_;
    QString lastFolder_;
    bool hasLastFolder_ = false;
};

/// Empties `list` (keeping its shape) and adds the first `count` items of a preview
/// array in array order, as the rename run leaves the list: the shown name is
/// `newName` for a renamed item, else `oldName`; checked as `selected`. With
/// `dropRenamed` the renamed items are left out.
void RebuildFromPreview(ItemList& list, const PreviewArray& items, qsizetype count, bool dropRenamed);

template <class Visitor>
void ItemList::forEachItem(Visitor&& visit) const
{
    using Result = std::invoke_result_t<Visitor&, const QString&, const QString&, bool>;
    auto call = [&](const QString& folder, const QString& name, bool checked) {
        if constexpr (std::is_same_v<Result, bool>)
            return visit(folder, name, checked);
        else {
            visit(folder, name, checked);
            return true;
        }
    };
    if (isTree()) {
        const QString* folder = nullptr;
        for (const TreeNode& node : nodes_) {
            if (node.isFolder)
                folder = &node.text;
            else if (!call(folder ? *folder : QString(), node.text, node.checked))
                return;
        }
    } else {
        for (const ListRow& row : rows_) {
            if (!call(row.folder, row.name, row.checked))
                return;
        }
    }
}

} // namespace quelt
