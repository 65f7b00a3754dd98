#include "app/ItemList.h"
#include "app/ItemListSort.h"
#include "app/MoveSelectedRows.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <filesystem>
#include <random>
#include <string>

using namespace quelt;

static void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

QString Q(const char* text) { return QString::fromUtf8(text); }

// Letters "a", "b", ... one per row, so an order reads as a word.
std::vector<char> Letters(int n)
{
    std::vector<char> rows;
    for (int i = 0; i < n; ++i)
        rows.push_back(char('a' + i));
    return rows;
}

std::vector<bool> Selection(int n, std::initializer_list<int> oneBasedRows)
{
    std::vector<bool> selected(std::size_t(n), false);
    for (int row : oneBasedRows)
        selected[std::size_t(row - 1)] = true;
    return selected;
}

std::string Word(const std::vector<char>& rows) { return std::string(rows.begin(), rows.end()); }

// The row mover as a chain of single exchanges: one step up visits the rows from
// the top and exchanges each selected row with the row above it.
void StepwiseMove(std::vector<char>& rows, std::vector<bool>& sel, MoveDirection direction)
{
    const int n = int(rows.size());
    int first = -1, last = -1;
    for (int i = 0; i < n; ++i)
        if (sel[std::size_t(i)]) {
            if (first < 0)
                first = i;
            last = i;
        }
    if (first < 0)
        return;
    auto stepUp = [&] {
        for (int i = 1; i < n; ++i)
            if (sel[std::size_t(i)]) {
                std::swap(rows[std::size_t(i)], rows[std::size_t(i - 1)]);
                std::vector<bool>::swap(sel[std::size_t(i)], sel[std::size_t(i - 1)]);
            }
    };
    auto stepDown = [&] {
        for (int i = n - 2; i >= 0; --i)
            if (sel[std::size_t(i)]) {
                std::swap(rows[std::size_t(i)], rows[std::size_t(i + 1)]);
                std::vector<bool>::swap(sel[std::size_t(i)], sel[std::size_t(i + 1)]);
            }
    };
    switch (direction) {
    case MoveDirection::Up: if (first > 0) stepUp(); break;
    case MoveDirection::Down: if (last < n - 1) stepDown(); break;
    case MoveDirection::Top: for (int k = 0; k < first; ++k) stepUp(); break;
    case MoveDirection::Bottom: for (int k = 0; k < n - 1 - last; ++k) stepDown(); break;
    }
}

const char* DirectionName(MoveDirection d)
{
    switch (d) {
    case MoveDirection::Up: return "Up";
    case MoveDirection::Down: return "Down";
    case MoveDirection::Top: return "Top";
    case MoveDirection::Bottom: return "Bottom";
    }
    return "?";
}

} // namespace

// ---- MoveSelectedRows ----

TEST(MoveSelectedRows, BlocksAndGapsAtTheEdges)
{
    struct Case { int n; std::initializer_list<int> selected; MoveDirection direction; const char* result; };
    const Case cases[] = {
        {5, {2, 4}, MoveDirection::Up, "badce"},
        {5, {2, 4}, MoveDirection::Top, "badce"},    // the first selected row needs one step
        {5, {2, 4}, MoveDirection::Down, "acbed"},
        {5, {2, 3}, MoveDirection::Bottom, "adebc"},
        {5, {3, 5}, MoveDirection::Top, "caebd"},    // the gap between them stays
        {5, {1, 3}, MoveDirection::Up, "abcde"},     // first row selected: nothing moves
        {5, {1, 3}, MoveDirection::Top, "abcde"},
        {5, {2, 5}, MoveDirection::Down, "abcde"},   // last row selected: nothing moves
        {5, {2, 5}, MoveDirection::Bottom, "abcde"},
        {5, {1, 3}, MoveDirection::Bottom, "bdaec"},
        {5, {}, MoveDirection::Top, "abcde"},
        {1, {1}, MoveDirection::Down, "a"},
        {6, {3, 4}, MoveDirection::Top, "cdabef"},
    };
    for (const Case& c : cases) {
        std::vector<char> rows = Letters(c.n);
        std::vector<bool> selected = Selection(c.n, c.selected);
        const RowPermutation from = MoveSelectedRows(rows, selected, c.direction);
        const std::string where = std::to_string(c.n) + " rows, " + DirectionName(c.direction);
        EXPECT_EQ(Word(rows), c.result) << where;
        EXPECT_EQ(from.empty(), Word(rows) == Word(Letters(c.n))) << where;
        // The same rows stay selected after the move.
        for (std::size_t i = 0; i < rows.size(); ++i)
            EXPECT_EQ(selected[i], std::find(c.selected.begin(), c.selected.end(), rows[i] - 'a' + 1)
                                       != c.selected.end()) << where << " row " << i;
    }
}

TEST(MoveSelectedRows, MatchesTheStepwiseExchangesOnRandomSelections)
{
    std::mt19937 random(7);
    for (int round = 0; round < 400; ++round) {
        const int n = 1 + int(random() % 12);
        std::vector<bool> selected(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i)
            selected[std::size_t(i)] = random() % 3 == 0;
        for (MoveDirection d : {MoveDirection::Up, MoveDirection::Down, MoveDirection::Top, MoveDirection::Bottom}) {
            std::vector<char> fast = Letters(n), slow = Letters(n);
            std::vector<bool> fastSel = selected, slowSel = selected;
            MoveSelectedRows(fast, fastSel, d);
            StepwiseMove(slow, slowSel, d);
            ASSERT_EQ(Word(fast), Word(slow)) << "round " << round << " " << DirectionName(d);
            ASSERT_EQ(fastSel, slowSel) << "round " << round << " " << DirectionName(d);
        }
    }
}

TEST(MoveSelectedRows, RowsCarryEveryColumnMarkAndColour)
{
    ItemList list(ItemList::Shape::Flat);
    for (const char* name : {"a", "b", "c"})
        list.appendItem(Q("/f/"), Q(name), name[0] == 'c');
    list.rows()[2].newName = Q("C");
    list.rows()[2].validation = Q("OK");
    list.rows()[2].colour = 0xFF0000;
    std::vector<bool> selected{false, false, true};
    list.moveRows(selected, MoveDirection::Top);
    const ListRow& top = list.rows()[0];
    EXPECT_EQ(top.name, Q("c"));
    EXPECT_EQ(top.newName, Q("C"));
    EXPECT_EQ(top.validation, Q("OK"));
    EXPECT_EQ(top.colour, 0xFF0000u);
    EXPECT_TRUE(top.checked);
    EXPECT_FALSE(list.rows()[1].checked);
    EXPECT_EQ(selected, (std::vector<bool>{true, false, false}));
}

TEST(MoveSelectedRows, MismatchedSelectionMovesNothing)
{
    std::vector<char> rows = Letters(3);
    std::vector<bool> selected{true};
    EXPECT_TRUE(MoveSelectedRows(rows, selected, MoveDirection::Bottom).empty());
    EXPECT_EQ(Word(rows), "abc");
}

// ---- The tree shape ----

namespace {

// "PATH:/a/ +x -y" style: folder nodes with their text, items with + or - for the mark.
QString Describe(const ItemList& list)
{
    QStringList parts;
    for (const TreeNode& node : list.nodes())
    {
        const QString mark = node.checked ? QStringLiteral("+") : QStringLiteral("-");
        parts << (node.isFolder ? u'[' + mark + node.text + u']' : mark + node.text);
    }
    return parts.join(u' ');
}

ItemList TwoFolderTree()
{
    ItemList tree(ItemList::Shape::Tree);
    tree.appendItem(Q("/a/"), Q("x"), false);
    tree.appendItem(Q("/a/"), Q("y"), false);
    tree.appendItem(Q("/b/"), Q("z"), false);
    return tree;
}

} // namespace

TEST(ItemListTree, FolderNodesComeFirstAndKeysNeverRestart)
{
    ItemList tree = TwoFolderTree();
    ASSERT_EQ(tree.nodes().size(), 5u);
    EXPECT_EQ(tree.itemCount(), 3);
    EXPECT_EQ(tree.folderNodes(), (std::vector<qsizetype>{0, 3}));
    EXPECT_TRUE(tree.nodes()[0].key().startsWith(u"PATH"));
    EXPECT_TRUE(tree.nodes()[1].key().startsWith(u"FILE"));
    EXPECT_EQ(tree.itemFolder(4), Q("/b/"));
    EXPECT_EQ(tree.folderRowOf(2), 0);
    EXPECT_EQ(tree.folderEnd(0), 3);
    EXPECT_EQ(tree.folderEnd(3), 5);

    const std::uint32_t lastPath = tree.nodes()[3].number;
    const std::uint32_t lastFile = tree.nodes()[4].number;
    EXPECT_EQ(tree.nodes()[0].number + 1, lastPath);
    tree.clear();
    ItemList other(ItemList::Shape::Tree); // the numbers belong to the program, not to one list
    other.appendItem(Q("/a/"), Q("x"), true);
    EXPECT_GT(other.nodes()[0].number, lastPath);
    EXPECT_GT(other.nodes()[1].number, lastFile);
}

TEST(ItemListTree, CheckedItemChecksItsFolderNode)
{
    ItemList tree(ItemList::Shape::Tree);
    tree.appendItem(Q("/a/"), Q("x"), false);
    tree.appendItem(Q("/a/"), Q("y"), true);
    tree.appendItem(Q("/b/"), Q("z"), false);
    EXPECT_EQ(Describe(tree), Q("[+/a/] -x +y [-/b/] -z"));
}

TEST(ItemListTree, ForgettingTheLastFolderStartsAnotherNode)
{
    ItemList tree(ItemList::Shape::Tree);
    tree.appendItem(Q("/a/"), Q("x"), false);
    tree.forgetLastFolder();
    tree.appendItem(Q("/a/"), Q("y"), false);
    EXPECT_EQ(Describe(tree), Q("[-/a/] -x [-/a/] -y"));
    EXPECT_EQ(tree.itemFolder(3), Q("/a/"));
}

TEST(ItemListTree, ClickOnCheckBoxes)
{
    struct Step { qsizetype node; bool checked; const char* result; };
    const Step steps[] = {
        {0, true, "[+/a/] +x +y [-/b/] -z"},  // a folder node passes its state to its own items only
        {1, false, "[+/a/] -x +y [-/b/] -z"},
        {2, false, "[+/a/] -x -y [-/b/] -z"}, // unchecking the last checked item leaves the folder
        {4, true, "[+/a/] -x -y [+/b/] +z"},  // a checked item checks its folder
        {0, false, "[-/a/] -x -y [+/b/] +z"},
    };
    ItemList tree = TwoFolderTree();
    for (const Step& s : steps) {
        tree.checkNode(s.node, s.checked);
        EXPECT_EQ(Describe(tree), Q(s.result)) << "node " << s.node;
    }
}

TEST(ItemListTree, InvertCheckedLeavesFoldersCheckedOnlyWhenAnItemBecameChecked)
{
    ItemList tree(ItemList::Shape::Tree);
    tree.appendItem(Q("/a/"), Q("x"), true);
    tree.appendItem(Q("/a/"), Q("y"), false);
    tree.appendItem(Q("/b/"), Q("z"), true);
    tree.appendItem(Q("/c/"), Q("w"), false);
    tree.setNodeChecked(5, true); // a checked folder node over an unchecked item
    tree.invertChecked();
    EXPECT_EQ(Describe(tree), Q("[+/a/] -x +y [-/b/] -z [+/c/] +w"));
    tree.checkAll(false);
    EXPECT_EQ(Describe(tree), Q("[-/a/] -x -y [-/b/] -z [-/c/] -w"));
}

TEST(ItemListTree, ForEachItemGivesEachItemItsFolder)
{
    ItemList tree = TwoFolderTree();
    tree.checkNode(4, true);
    QStringList seen;
    tree.forEachItem([&](const QString& folder, const QString& name, bool checked) {
        seen << folder + name + (checked ? u'+' : u'-');
    });
    EXPECT_EQ(seen, (QStringList{Q("/a/x-"), Q("/a/y-"), Q("/b/z+")}));

    int visited = 0;
    tree.forEachItem([&](const QString&, const QString&, bool) { return ++visited < 2; });
    EXPECT_EQ(visited, 2);
}

// ---- The flat shape ----

namespace {

ItemList FlatList(std::initializer_list<const char*> names)
{
    ItemList list(ItemList::Shape::Flat);
    for (const char* name : names)
        list.appendItem(Q("/f/"), Q(name), true);
    return list;
}

QString Names(const ItemList& list)
{
    QStringList names;
    for (const ListRow& row : list.rows())
        names << row.name;
    return names.join(u' ');
}

} // namespace

TEST(ItemListFlat, SameItemTwiceGivesTwoRows)
{
    ItemList list = FlatList({"a", "a"});
    EXPECT_EQ(list.itemCount(), 2);
    EXPECT_EQ(list.rows()[1].folder, Q("/f/"));
}

TEST(ItemListFlat, RemoveSelectedAndCrop)
{
    const std::vector<bool> selected{true, false, true, false, false};
    ItemList removed = FlatList({"a", "b", "c", "d", "e"});
    EXPECT_EQ(removed.removeRows(selected), 2);
    EXPECT_EQ(Names(removed), Q("b d e"));

    ItemList cropped = FlatList({"a", "b", "c", "d", "e"});
    EXPECT_EQ(cropped.cropTo(selected), 3);
    EXPECT_EQ(Names(cropped), Q("a c"));

    ItemList untouched = FlatList({"a", "b"});
    EXPECT_EQ(untouched.removeRows({true}), 0); // a selection of another length changes nothing
    EXPECT_EQ(Names(untouched), Q("a b"));
}

TEST(ItemListFlat, ChecksAndInvalidNames)
{
    ItemList list = FlatList({"a", "b", "c"});
    list.setChecked({false, true, false}, false);
    EXPECT_EQ(list.checkedRows(), (std::vector<bool>{true, false, true}));
    list.invertChecked();
    EXPECT_EQ(list.checkedRows(), (std::vector<bool>{false, true, false}));

    list.checkAll(true);
    list.rows()[0].validation = Q("Failed");
    list.rows()[1].validation = Q("OK");
    EXPECT_EQ(list.uncheckInvalid(), 1);
    EXPECT_EQ(list.checkedRows(), (std::vector<bool>{false, true, true}));
    EXPECT_EQ(list.uncheckInvalid(), 0);
}

TEST(ItemListFlat, RemoveDeadLinks)
{
    test::TempDir dir;
    test::WriteBytes(dir.file(Q("kept.txt")).toStdString(), "x");
    std::filesystem::create_directory(dir.file(Q("folder")).toStdString());
    std::filesystem::create_symlink("nowhere", dir.file(Q("dangling")).toStdString());

    ItemList files(ItemList::Shape::Flat);
    for (const char* name : {"kept.txt", "gone.txt", "dangling"})
        files.appendItem(dir.path(), Q(name), true);
    EXPECT_EQ(files.removeDeadLinks(false), 1);
    EXPECT_EQ(Names(files), Q("kept.txt dangling")); // a dangling link exists

    ItemList folders(ItemList::Shape::Flat);
    folders.appendItem(dir.path(), Q("folder/"), true);
    folders.appendItem(dir.path(), Q("missing/"), true);
    EXPECT_EQ(folders.removeDeadLinks(true), 1);
    EXPECT_EQ(Names(folders), Q("folder/"));
}

TEST(ItemListFlat, ColumnSortIsStableAndIgnoresCase)
{
    ItemList list = FlatList({"b", "A", "a", "C"});
    list.rows()[1].checked = false;
    list.sortByColumn(1, true);
    EXPECT_EQ(Names(list), Q("A a b C"));
    EXPECT_FALSE(list.rows()[0].checked);
    list.sortByColumn(1, false);
    EXPECT_EQ(Names(list), Q("C b a A"));
}

TEST(ItemListRebuild, ShownNamesMarksAndRemovedItems)
{
    PreviewArray items(4);
    const char* folders[] = {"/a/", "/a/", "/b/", "/a/"};
    for (int i = 0; i < 4; ++i) {
        items[std::size_t(i)].folder = Q(folders[i]);
        items[std::size_t(i)].oldName = QStringLiteral("old%1").arg(i);
        items[std::size_t(i)].newName = QStringLiteral("new%1").arg(i);
    }
    items[0].renameDone = true;
    items[0].selected = true;
    items[2].selected = true;

    ItemList tree(ItemList::Shape::Tree);
    tree.appendItem(Q("/stale/"), Q("gone"), true);
    RebuildFromPreview(tree, items, 4, false);
    EXPECT_EQ(Describe(tree), Q("[+/a/] +new0 -old1 [+/b/] +old2 [-/a/] -old3"));

    ItemList flat(ItemList::Shape::Flat);
    RebuildFromPreview(flat, items, 3, true); // only the first three slots count
    EXPECT_EQ(Names(flat), Q("old1 old2"));
    EXPECT_EQ(flat.checkedRows(), (std::vector<bool>{false, true}));
    EXPECT_EQ(flat.rows()[1].folder, Q("/b/"));
}

// ---- SortDisplayedList ----

namespace {

struct FlatRow { const char* folder; const char* name; };

ItemList RowsOf(std::initializer_list<FlatRow> rows)
{
    ItemList list(ItemList::Shape::Flat);
    for (const FlatRow& row : rows)
        list.appendItem(Q(row.folder), Q(row.name), true);
    return list;
}

QString Paths(const ItemList& list)
{
    QStringList paths;
    list.forEachItem([&](const QString& folder, const QString& name, bool) { paths << folder + name; });
    return paths.join(u' ');
}

} // namespace

TEST(SortDisplayedList, FlatListModes)
{
    struct Case { const char* label; std::initializer_list<FlatRow> rows; DisplaySortMode mode; const char* result; };
    const Case cases[] = {
        {"grouped by folder, then names", {{"/b/", "x"}, {"/a/", "z"}, {"/b/", "a"}, {"/a/", "y"}},
         DisplaySortMode::NameAscending, "/a/y /a/z /b/a /b/x"},
        {"upper case compare", {{"/f/", "b"}, {"/f/", "B2"}, {"/f/", "_"}, {"/f/", "A"}},
         DisplaySortMode::NameAscending, "/f/A /f/b /f/B2 /f/_"},
        {"descending keeps folder runs apart", {{"/b/", "a"}, {"/b/", "c"}, {"/a/", "z"}, {"/b/", "b"}},
         DisplaySortMode::NameDescending, "/b/c /b/a /a/z /b/b"},
        {"numeric values", {{"/f/", "10 song"}, {"/f/", "9 song"}, {"/f/", "song"}},
         DisplaySortMode::NumericAscending, "/f/song /f/9 song /f/10 song"},
        {"numeric descending", {{"/f/", "2"}, {"/f/", "10"}, {"/f/", "x"}},
         DisplaySortMode::NumericDescending, "/f/10 /f/2 /f/x"},
        {"two rows are sorted", {{"/f/", "b"}, {"/f/", "a"}}, DisplaySortMode::NameAscending, "/f/a /f/b"},
        // Equal keys end where the partition scheme puts them.
        {"four equal keys", {{"/f/", "a"}, {"/f/", "b"}, {"/f/", "c"}, {"/f/", "d"}},
         DisplaySortMode::NumericAscending, "/f/c /f/d /f/a /f/b"},
        {"three equal keys", {{"/f/", "c"}, {"/f/", "a"}, {"/f/", "b"}},
         DisplaySortMode::NumericDescending, "/f/c /f/b /f/a"},
    };
    for (const Case& c : cases) {
        ItemList list = RowsOf(c.rows);
        SortDisplayedList(list, c.mode);
        EXPECT_EQ(Paths(list), Q(c.result)) << c.label;
    }
}

TEST(SortDisplayedList, MarksAndColumnsMoveWithTheirRow)
{
    ItemList list = RowsOf({{"/f/", "b"}, {"/f/", "c"}, {"/f/", "a"}});
    list.rows()[2].checked = false;
    list.rows()[2].newName = Q("A!");
    list.rows()[2].colour = 255;
    const RowPermutation from = SortDisplayedList(list, DisplaySortMode::NameAscending);
    EXPECT_EQ(from, (RowPermutation{2, 0, 1}));
    EXPECT_EQ(list.rows()[0].name, Q("a"));
    EXPECT_FALSE(list.rows()[0].checked);
    EXPECT_EQ(list.rows()[0].newName, Q("A!"));
    EXPECT_EQ(list.rows()[0].colour, 255u);
    EXPECT_TRUE(list.rows()[1].checked);
}

TEST(SortDisplayedList, TreeSortsEachFolderAndKeepsFolderNodes)
{
    ItemList tree(ItemList::Shape::Tree);
    tree.appendItem(Q("/a/"), Q("b"), true);
    tree.appendItem(Q("/a/"), Q("a"), false);
    tree.appendItem(Q("/b/"), Q("d"), false);
    tree.appendItem(Q("/b/"), Q("c"), true);
    SortDisplayedList(tree, DisplaySortMode::NameAscending);
    EXPECT_EQ(Describe(tree), Q("[+/a/] -a +b [+/b/] +c -d"));
    SortDisplayedList(tree, DisplaySortMode::NameDescending);
    EXPECT_EQ(Describe(tree), Q("[+/a/] +b -a [+/b/] -d +c"));
    EXPECT_EQ(tree.folderNodes(), (std::vector<qsizetype>{0, 3}));
}

TEST(SortDisplayedList, SizesAndTimesFromDiskWithTheSchemesPivot)
{
    test::TempDir dir;
    const int sizes[] = {5, 5, 1, 5, 5, 5};
    const char* names[] = {"a", "b", "c", "d", "e", "f"};
    for (int i = 0; i < 6; ++i)
        test::WriteBytes(dir.file(Q(names[i])).toStdString(), QByteArray(sizes[i], 'x'));

    // The pivot is the middle row in the list's own row numbers, so the same run
    // ends differently in the list (rows 1 to 6) and in the tree (nodes 2 to 7).
    ItemList flat(ItemList::Shape::Flat);
    ItemList tree(ItemList::Shape::Tree);
    for (const char* name : names) {
        flat.appendItem(dir.path(), Q(name), true);
        tree.appendItem(dir.path(), Q(name), true);
    }
    auto order = [&](const ItemList& list) {
        QString word;
        list.forEachItem([&](const QString&, const QString& name, bool) { word += name; });
        return word;
    };
    SortDisplayedList(flat, DisplaySortMode::SizeAscending);
    EXPECT_EQ(order(flat), Q("cefdab"));
    SortDisplayedList(tree, DisplaySortMode::SizeAscending);
    EXPECT_EQ(order(tree), Q("cefdba"));

    // Modified times; a row whose file is gone counts as time 0 and comes first.
    namespace fs = std::filesystem;
    const auto base = fs::file_time_type::clock::now();
    ItemList byTime(ItemList::Shape::Flat);
    for (int i = 0; i < 3; ++i) {
        fs::last_write_time(dir.file(Q(names[i])).toStdString(), base - std::chrono::hours(i + 1));
        byTime.appendItem(dir.path(), Q(names[i]), true);
    }
    byTime.appendItem(dir.path(), Q("missing"), true);
    SortDisplayedList(byTime, DisplaySortMode::ModifiedAscending);
    EXPECT_EQ(order(byTime), Q("missingcba"));
    SortDisplayedList(byTime, DisplaySortMode::ModifiedDescending);
    EXPECT_EQ(order(byTime), Q("abcmissing"));
}

TEST(SortDisplayedList, CaptionsAndTheYield)
{
    EXPECT_EQ(DisplaySortModeFromCaption(u" Numeric Value (Descending) "), DisplaySortMode::NumericDescending);
    EXPECT_EQ(DisplaySortModeFromCaption(u"size (ascending)"), DisplaySortMode::SizeAscending);
    EXPECT_FALSE(DisplaySortModeFromCaption(u"Size").has_value());

    ItemList list = RowsOf({{"/f/", "c"}, {"/f/", "b"}, {"/f/", "a"}});
    int yields = 0;
    SortDisplayedList(list, DisplaySortMode::NameAscending, [&] { ++yields; }, -1);
    EXPECT_GT(yields, 0);
    EXPECT_TRUE(SortDisplayedList(list, DisplaySortMode::NameAscending, [&] { ++yields; }, 1 << 30).size() == 3);

    ItemList single = RowsOf({{"/f/", "a"}});
    EXPECT_TRUE(SortDisplayedList(single, DisplaySortMode::NameDescending).empty());
}
