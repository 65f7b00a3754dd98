#include "app/ItemListItemModel.h"
#include "app/ItemListSort.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QColor>
#include <QPersistentModelIndex>
#include <QSignalSpy>
#include <QStringList>

#include <memory>

using namespace quelt;

static void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

QString Q(const char* text) { return QString::fromUtf8(text); }

// Collects the model tester's complaints so a test can fail on them.
QStringList testerWarnings;

void RecordWarnings(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        testerWarnings << message;
}

class ModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testerWarnings.clear();
        previous_ = qInstallMessageHandler(RecordWarnings);
    }
    void TearDown() override
    {
        testers_.clear();
        qInstallMessageHandler(previous_);
        EXPECT_TRUE(testerWarnings.isEmpty()) << testerWarnings.join(u'\n').toStdString();
    }
    void attachTester(QAbstractItemModel* model)
    {
        testers_.push_back(std::make_unique<QAbstractItemModelTester>(
            model, QAbstractItemModelTester::FailureReportingMode::Warning));
    }

private:
    QtMessageHandler previous_ = nullptr;
    std::vector<std::unique_ptr<QAbstractItemModelTester>> testers_;
};

QString Text(const QAbstractItemModel& model, const QModelIndex& index)
{
    return model.data(index, Qt::DisplayRole).toString();
}

bool Checked(const QAbstractItemModel& model, const QModelIndex& index)
{
    return model.data(index, Qt::CheckStateRole).toInt() == Qt::Checked;
}

} // namespace

TEST_F(ModelTest, TreeGrowsInBatches)
{
    ItemList tree(ItemList::Shape::Tree);
    FileTreeItemModel model(tree);
    attachTester(&model);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);

    tree.appendItem(Q("/a/"), Q("1"), true);
    tree.appendItem(Q("/a/"), Q("2"), true);
    EXPECT_EQ(model.rowCount(), 0); // not announced yet
    model.syncAppended();
    ASSERT_EQ(model.rowCount(), 1);
    const QModelIndex a = model.index(0, 0);
    EXPECT_EQ(Text(model, a), Q("/a/"));
    EXPECT_EQ(model.rowCount(a), 2);

    // One batch that grows the last folder and adds new ones.
    tree.appendItem(Q("/a/"), Q("3"), false);
    tree.appendItem(Q("/b/"), Q("4"), false);
    tree.appendItem(Q("/c/"), Q("5"), false);
    inserted.clear();
    model.syncAppended();
    EXPECT_EQ(inserted.count(), 2); // children of /a/, then the two folders
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.rowCount(a), 3);
    EXPECT_EQ(Text(model, model.index(0, 0, model.index(2, 0))), Q("5"));
    EXPECT_EQ(model.parent(model.index(0, 0, model.index(1, 0))), model.index(1, 0));
    EXPECT_EQ(model.data(model.index(2, 0, a), Qt::ToolTipRole).toString(), Q("/a/3"));

    model.syncAppended();
    EXPECT_EQ(model.rowCount(), 3);

    // Out of range and foreign indexes give nothing.
    EXPECT_FALSE(model.index(3, 0).isValid());
    EXPECT_FALSE(model.index(0, 1).isValid());
    EXPECT_FALSE(model.index(0, 0, model.index(0, 0, a)).isValid());
    EXPECT_EQ(model.nodeAt(QModelIndex()), -1);
    EXPECT_EQ(model.indexOfNode(model.nodeAt(model.index(1, 0, a))), model.index(1, 0, a));
}

TEST_F(ModelTest, TreeCheckBoxesFollowTheFolderRules)
{
    ItemList tree(ItemList::Shape::Tree);
    for (const char* name : {"x", "y"})
        tree.appendItem(Q("/a/"), Q(name), false);
    tree.appendItem(Q("/b/"), Q("z"), false);
    FileTreeItemModel model(tree);
    attachTester(&model);
    QSignalSpy edited(&model, &ItemListModelBase::checkStateEdited);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

    const QModelIndex a = model.index(0, 0);
    EXPECT_TRUE(model.flags(a) & Qt::ItemIsUserCheckable);
    ASSERT_TRUE(model.setData(a, Qt::Checked, Qt::CheckStateRole));
    EXPECT_TRUE(Checked(model, model.index(0, 0, a)));
    EXPECT_TRUE(Checked(model, model.index(1, 0, a)));
    EXPECT_FALSE(Checked(model, model.index(1, 0)));
    EXPECT_EQ(edited.count(), 1);
    EXPECT_GE(changed.count(), 2); // the folder and its items

    const QModelIndex z = model.index(0, 0, model.index(1, 0));
    ASSERT_TRUE(model.setData(z, Qt::Checked, Qt::CheckStateRole));
    EXPECT_TRUE(Checked(model, model.index(1, 0)));
    ASSERT_TRUE(model.setData(z, Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_TRUE(Checked(model, model.index(1, 0))); // the folder stays checked

    tree.invertChecked();
    changed.clear();
    model.marksChanged();
    EXPECT_EQ(changed.count(), 4); // each folder node and each folder's items
    EXPECT_TRUE(Checked(model, z));
}

TEST_F(ModelTest, TreeRenameOnlyForItemsAndOnlyWhenTheHandlerAgrees)
{
    ItemList tree(ItemList::Shape::Tree);
    tree.appendItem(Q("/a/"), Q("old"), true);
    FileTreeItemModel model(tree);
    attachTester(&model);
    const QModelIndex folder = model.index(0, 0);
    const QModelIndex item = model.index(0, 0, folder);
    EXPECT_FALSE(model.flags(item) & Qt::ItemIsEditable); // no handler: no editing
    EXPECT_FALSE(model.setData(item, Q("new")));

    bool agree = false;
    QStringList asked;
    model.setRenameHandler([&](qsizetype node, const QString& text) {
        asked << tree.itemFolder(node) + text;
        return agree;
    });
    EXPECT_FALSE(model.flags(folder) & Qt::ItemIsEditable);
    EXPECT_TRUE(model.flags(item) & Qt::ItemIsEditable);
    EXPECT_FALSE(model.setData(folder, Q("/b/")));
    EXPECT_FALSE(model.setData(item, Q("new")));
    EXPECT_EQ(Text(model, item), Q("old"));
    agree = true;
    EXPECT_TRUE(model.setData(item, Q("new")));
    EXPECT_EQ(Text(model, item), Q("new"));
    EXPECT_EQ(asked, (QStringList{Q("/a/new"), Q("/a/new")}));
}

TEST_F(ModelTest, TreeSortKeepsPersistentIndexesWithTheirNodes)
{
    ItemList tree(ItemList::Shape::Tree);
    for (const char* name : {"c", "a", "b"})
        tree.appendItem(Q("/a/"), Q(name), true);
    tree.appendItem(Q("/b/"), Q("z"), true);
    FileTreeItemModel model(tree);
    attachTester(&model);
    const QModelIndex folder = model.index(0, 0);
    const QPersistentModelIndex c(model.index(0, 0, folder));
    const QPersistentModelIndex z(model.index(0, 0, model.index(1, 0)));
    model.reorder([](ItemList& list) { return SortDisplayedList(list, DisplaySortMode::NameAscending); });
    EXPECT_EQ(Text(model, model.index(0, 0, folder)), Q("a"));
    EXPECT_EQ(c.row(), 2);
    EXPECT_EQ(Text(model, c), Q("c"));
    EXPECT_EQ(Text(model, z), Q("z"));
}

TEST_F(ModelTest, TreeResetAndUnannouncedShrink)
{
    ItemList tree(ItemList::Shape::Tree);
    tree.appendItem(Q("/a/"), Q("1"), true);
    FileTreeItemModel model(tree);
    attachTester(&model);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);

    model.resetWith([](ItemList& list) {
        list.clear();
        list.appendItem(Q("/new/"), Q("n"), false);
        list.appendItem(Q("/new2/"), Q("m"), false);
    });
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(model.rowCount(), 2);

    tree.clear(); // changed behind the model's back
    model.syncAppended();
    EXPECT_EQ(resets.count(), 2);
    EXPECT_EQ(model.rowCount(), 0);
}

TEST_F(ModelTest, ListColumnsMarksAndColours)
{
    ItemList list(ItemList::Shape::Flat);
    FileListItemModel model(list);
    attachTester(&model);
    list.appendItem(Q("/f/"), Q("a.txt"), true);
    list.appendItem(Q("/f/"), Q("b.txt"), false);
    model.syncAppended();
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.columnCount(), 2);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), Q("Name"));
    EXPECT_EQ(Text(model, model.index(1, 0)), Q("/f/"));
    EXPECT_EQ(Text(model, model.index(1, 1)), Q("b.txt"));
    EXPECT_FALSE(model.data(model.index(0, 1), Qt::CheckStateRole).isValid()); // the box is in the first column
    EXPECT_FALSE(model.index(2, 0).isValid());
    EXPECT_FALSE(model.index(0, 2).isValid());

    list.rows()[0].newName = Q("A.txt");
    list.rows()[0].validation = Q("OK");
    list.rows()[0].colour = 0x0000FF; // 0x00BBGGRR: red
    model.setInstantPreview(true);
    EXPECT_EQ(model.columnCount(), 4);
    const QStringList headers{Q("Path"), Q("Old Name"), Q("New Name"), Q("Validation")};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(model.headerData(i, Qt::Horizontal).toString(), headers[i]);
    EXPECT_EQ(Text(model, model.index(0, 2)), Q("A.txt"));
    EXPECT_EQ(Text(model, model.index(0, 3)), Q("OK"));
    EXPECT_EQ(model.data(model.index(0, 3), Qt::ForegroundRole).value<QBrush>().color(), QColor(255, 0, 0));
    EXPECT_FALSE(model.data(model.index(1, 3), Qt::ForegroundRole).isValid()); // the view's own colour

    QSignalSpy edited(&model, &ItemListModelBase::checkStateEdited);
    EXPECT_TRUE(model.setData(model.index(1, 0), Qt::Checked, Qt::CheckStateRole));
    EXPECT_TRUE(list.rows()[1].checked);
    EXPECT_FALSE(model.setData(model.index(1, 1), Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_EQ(edited.count(), 1);
}

TEST_F(ModelTest, ListMovesAndHeaderSortKeepTheSelection)
{
    ItemList list(ItemList::Shape::Flat);
    for (const char* name : {"c", "a", "d", "b"})
        list.appendItem(Q("/f/"), Q(name), true);
    FileListItemModel model(list);
    attachTester(&model);
    const QPersistentModelIndex d(model.index(2, 1));

    std::vector<bool> selected{false, false, true, false};
    model.reorder([&](ItemList& l) { return l.moveRows(selected, MoveDirection::Top); });
    EXPECT_EQ(Text(model, model.index(0, 1)), Q("d"));
    EXPECT_EQ(d.row(), 0);

    model.sort(1, Qt::DescendingOrder);
    EXPECT_EQ(Text(model, model.index(0, 1)), Q("d"));
    EXPECT_EQ(Text(model, model.index(3, 1)), Q("a"));
    model.sort(1, Qt::AscendingOrder);
    EXPECT_EQ(d.row(), 3);
    EXPECT_EQ(Text(model, d), Q("d"));
}

TEST_F(ModelTest, ListRemovalIsOneRefresh)
{
    ItemList list(ItemList::Shape::Flat);
    for (int i = 0; i < 10; ++i)
        list.appendItem(Q("/f/"), QString::number(i), true);
    FileListItemModel model(list);
    attachTester(&model);
    std::vector<bool> selected(10, false);
    selected[3] = selected[7] = true;
    model.resetWith([&](ItemList& l) { l.removeRows(selected); });
    EXPECT_EQ(model.rowCount(), 8);
    EXPECT_EQ(Text(model, model.index(3, 1)), Q("4"));
}

TEST_F(ModelTest, HundredThousandRowsArriveInBatches)
{
    ItemList list(ItemList::Shape::Flat);
    FileListItemModel model(list);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    const QString folder = Q("/big/");
    for (int batch = 0; batch < 10; ++batch) {
        for (int i = 0; i < 10000; ++i)
            list.appendItem(folder, QString::number(batch * 10000 + i), true);
        model.syncAppended();
    }
    EXPECT_EQ(inserted.count(), 10);
    EXPECT_EQ(model.rowCount(), 100000);
    EXPECT_EQ(Text(model, model.index(99999, 1)), Q("99999"));
}
