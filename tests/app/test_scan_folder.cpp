#include "app/ScanFolder.h"

#include "platform/NameCodec.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <filesystem>
#include <functional>

using namespace quelt;

static void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
namespace fs = std::filesystem;

namespace {

QString Q(const char* text) { return QString::fromUtf8(text); }

// A small folder tree:
//   a.txt  B.TXT  c.mp3  .hidden.txt  ro.txt (read-only)  pagefile.sys  PageFile.SYS
//   file-link -> a.txt   folder-link -> sub   self -> .   <byte 0xFF>.txt
//   sub/ x.txt  sub/deep/ y.txt   .hid/ z.txt   empty/   only/inner/ w.txt
class ScanTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        StopRequested = false;
        for (const char* name : {"a.txt", "B.TXT", "c.mp3", ".hidden.txt", "ro.txt", "pagefile.sys",
                                 "PageFile.SYS", "sub/x.txt", "sub/deep/y.txt", ".hid/z.txt", "only/inner/w.txt"}) {
            const fs::path path = root() / name;
            fs::create_directories(path.parent_path());
            test::WriteBytes(path.string(), "data");
        }
        fs::create_directory(root() / "empty");
        fs::permissions(root() / "ro.txt", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        fs::create_symlink("a.txt", root() / "file-link");
        fs::create_symlink("sub", root() / "folder-link");
        fs::create_symlink(".", root() / "self");
        test::WriteBytes((root() / "\xff.txt").string(), "data");
    }

    // QTemporaryDir cannot remove a name that is not UTF-8.
    void TearDown() override { fs::remove(root() / "\xff.txt"); }

    fs::path root() const { return fs::path(dir.path().toStdString()); }
    QString path(const char* relative = "") const { return dir.path() + Q(relative); }

    ItemList scan(const QString& filter, const ScanOptions& options, ItemList::Shape shape = ItemList::Shape::Tree)
    {
        ItemList list(shape);
        counters = {};
        ScanFolder(dir.path(), filter, counters, list, options, nullptr);
        return list;
    }

    // Folder (relative to the root) + name of every item, sorted, since the
    // file system lists entries in no particular order.
    QStringList found(const ItemList& list) const
    {
        QStringList items;
        list.forEachItem([&](const QString& folder, const QString& name, bool) {
            items << folder.mid(dir.path().size()) + name;
        });
        items.sort();
        return items;
    }

    test::TempDir dir;
    ScanCounters counters;
};

const QString FF = platform::DecodeName("\xff.txt");

} // namespace

TEST_F(ScanTree, FilesOfOneFolder)
{
    struct Case { const char* filter; QStringList items; };
    const Case cases[] = {
        {"*.*", {Q(".hidden.txt"), Q("B.TXT"), Q("a.txt"), Q("c.mp3"), Q("file-link"), Q("ro.txt"), FF}},
        {"*", {Q(".hidden.txt"), Q("B.TXT"), Q("a.txt"), Q("c.mp3"), Q("file-link"), Q("ro.txt"), FF}},
        {"*.TXT", {Q(".hidden.txt"), Q("B.TXT"), Q("a.txt"), Q("ro.txt"), FF}},
        {"?.txt", {Q("B.TXT"), Q("a.txt"), FF}}, // an escaped byte is one character
        {"pagefile.*", {}},
        {"*.none", {}},
    };
    for (const Case& c : cases) {
        const ItemList list = scan(Q(c.filter), ScanOptions{});
        QStringList expected = c.items;
        expected.sort();
        EXPECT_EQ(found(list), expected) << c.filter;
        EXPECT_EQ(counters.foundItems, expected.size()) << c.filter;
        EXPECT_EQ(counters.foundFolders, 0) << c.filter;
    }
}

TEST_F(ScanTree, NameThatIsNotUtf8KeepsItsBytes)
{
    const ItemList list = scan(Q("*.*"), ScanOptions{});
    bool seen = false;
    list.forEachItem([&](const QString&, const QString& name, bool) {
        if (platform::EncodeName(name) == QByteArray("\xff.txt"))
            seen = true;
    });
    EXPECT_TRUE(seen);
}

TEST_F(ScanTree, RecursionGivesEachFolderItsOwnNode)
{
    ScanOptions options;
    options.recurse = true;
    const ItemList tree = scan(Q("*.txt"), options);

    // Every folder node is followed by exactly its own items; folders without a
    // match ("only/", "empty/") get no node; links to folders are not entered.
    QStringList folders;
    for (qsizetype i = 0; i < qsizetype(tree.nodes().size()); ++i) {
        const TreeNode& node = tree.nodes()[std::size_t(i)];
        if (node.isFolder)
            folders << node.text.mid(dir.path().size());
        else
            EXPECT_TRUE(fs::is_regular_file(platform::EncodeName(tree.itemFolder(i) + node.text).toStdString()))
                << node.text.toStdString();
    }
    EXPECT_EQ(folders.first(), QString()); // the scanned folder comes first
    folders.sort();
    EXPECT_EQ(folders, (QStringList{QString(), Q(".hid/"), Q("only/inner/"), Q("sub/"), Q("sub/deep/")}));
    EXPECT_EQ(found(tree), (QStringList{Q(".hid/z.txt"), Q(".hidden.txt"), Q("B.TXT"), Q("a.txt"),
                                        Q("only/inner/w.txt"), Q("ro.txt"), Q("sub/deep/y.txt"), Q("sub/x.txt"), FF}));
    EXPECT_EQ(counters.foundItems, tree.itemCount());
    EXPECT_EQ(counters.foundFolders, 6); // sub, deep, .hid, empty, only, inner
}

TEST_F(ScanTree, HiddenFlagKeepsHiddenFoldersOutEvenWithTheFilterOff)
{
    ScanOptions options;
    options.recurse = true;
    options.attributes.showHidden = true; // filter itself off
    const QStringList items = found(scan(Q("*.*"), options));
    EXPECT_TRUE(items.contains(Q(".hidden.txt")));  // hidden files are still retrieved
    EXPECT_FALSE(items.contains(Q(".hid/z.txt"))); // but hidden folders are not entered
    EXPECT_EQ(counters.foundFolders, 5);
}

TEST_F(ScanTree, AttributeFilter)
{
    struct Case { const char* label; AttributeFilter filter; QStringList missing; };
    const Case cases[] = {
        {"off", {false, true, false, true, true}, {}},
        {"read-only", {true, true, false, false, false}, {Q("ro.txt")}},
        {"hidden", {true, false, true, false, false}, {Q(".hidden.txt")}},
        {"both", {true, true, true, false, false}, {Q("ro.txt"), Q(".hidden.txt")}},
        {"system and archive only", {true, false, false, true, true}, {}}, // no such bits here
    };
    const QStringList all = found(scan(Q("*.*"), ScanOptions{}));
    for (const Case& c : cases) {
        ScanOptions options;
        options.attributes = c.filter;
        QStringList expected = all;
        for (const QString& name : c.missing)
            expected.removeAll(name);
        EXPECT_EQ(found(scan(Q("*.*"), options)), expected) << c.label;
    }
}

TEST_F(ScanTree, FoldersOnly)
{
    ScanOptions options;
    options.foldersOnly = true;
    const QStringList top{Q(".hid"), Q("empty"), Q("folder-link"), Q("only"), Q("self"), Q("sub")};
    EXPECT_EQ(found(scan(Q("*.*"), options)), top);

    options.recurse = true;
    const ItemList tree = scan(Q("*.*"), options);
    QStringList expected = top;
    expected << Q("only/inner") << Q("sub/deep");
    expected.sort();
    EXPECT_EQ(found(tree), expected);
    // Each level is listed under its own parent's node.
    for (qsizetype i = 0; i < qsizetype(tree.nodes().size()); ++i) {
        if (tree.nodes()[std::size_t(i)].text == u"deep") {
            EXPECT_EQ(tree.itemFolder(i), path("sub/"));
        }
    }
}

TEST_F(ScanTree, ListTargetRowsAndMarks)
{
    ScanOptions options;
    options.autoSelectFiles = false;
    ItemList list(ItemList::Shape::Flat);
    ScanCounters first;
    ScanFolder(path("sub"), Q("*.*"), first, list, options); // no trailing "/"
    ASSERT_EQ(list.itemCount(), 1);
    EXPECT_EQ(list.rows()[0].folder, path("sub/"));
    EXPECT_EQ(list.rows()[0].name, Q("x.txt"));
    EXPECT_FALSE(list.rows()[0].checked);

    options.autoSelectFiles = true;
    ScanCounters second;
    ScanFolder(path("sub/"), Q("*.*"), second, list, options); // no duplicate test
    ASSERT_EQ(list.itemCount(), 2);
    EXPECT_TRUE(list.rows()[1].checked);
}

TEST_F(ScanTree, SecondScanContinuesTheKeysAndStartsANewFolderNode)
{
    ItemList tree(ItemList::Shape::Tree);
    ScanCounters c1;
    ScanFolder(path("sub/"), Q("*.*"), c1, tree, ScanOptions{});
    ScanCounters c2;
    ScanFolder(path("sub/"), Q("*.*"), c2, tree, ScanOptions{});
    ASSERT_EQ(tree.nodes().size(), 4u);
    EXPECT_TRUE(tree.nodes()[2].isFolder); // fresh counters: the folder gets a node again
    EXPECT_EQ(tree.nodes()[2].number, tree.nodes()[0].number + 1);
    EXPECT_EQ(tree.nodes()[3].number, tree.nodes()[1].number + 1);
    EXPECT_NE(tree.nodes()[0].key(), tree.nodes()[2].key());
}

TEST_F(ScanTree, MissingFolderGivesNothing)
{
    ItemList list(ItemList::Shape::Tree);
    ScanCounters c;
    ScanOptions options;
    options.recurse = true;
    ScanFolder(path("no such folder/"), Q("*.*"), c, list, options);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(c.foundItems, 0);
}

namespace {

struct ScriptedView : ScanProgressView {
    std::function<void(const QString&, const ScanCounters&)> onYield;
    int calls = 0;
    void scanYield(const QString& folder, const ScanCounters& counters) override
    {
        ++calls;
        if (onYield)
            onYield(folder, counters);
    }
};

} // namespace

TEST_F(ScanTree, StopKeepsWhatWasFound)
{
    ScanOptions options;
    options.recurse = true;
    options.doEventsTimeout = -1; // yield at every step
    ScriptedView view;
    int itemsAtStop = -1;
    view.onYield = [&](const QString&, const ScanCounters& c) {
        if (c.foundItems == 2 && itemsAtStop < 0) {
            itemsAtStop = c.foundItems;
            StopRequested = true;
        }
    };
    ItemList tree(ItemList::Shape::Tree);
    ScanCounters c;
    ScanFolder(dir.path(), Q("*.*"), c, tree, options, &view);
    EXPECT_EQ(itemsAtStop, 2);
    EXPECT_EQ(c.foundItems, 2);
    EXPECT_EQ(tree.itemCount(), 2);
    EXPECT_TRUE(StopRequested); // the scan does not clear it; the next scan's caller does
}

TEST_F(ScanTree, StopBeforeTheStartFindsNothing)
{
    StopRequested = true;
    const ItemList list = scan(Q("*.*"), ScanOptions{});
    EXPECT_TRUE(list.empty());
    StopRequested = false;
}

TEST_F(ScanTree, YieldsFollowTheTimeout)
{
    ScanOptions options;
    options.recurse = true;
    ScriptedView view;
    QStringList folders;
    view.onYield = [&](const QString& folder, const ScanCounters&) { folders << folder; };

    options.doEventsTimeout = 1 << 30;
    ItemList quiet(ItemList::Shape::Tree);
    ScanCounters c1;
    ScanFolder(dir.path(), Q("*.*"), c1, quiet, options, &view);
    EXPECT_EQ(view.calls, 0);

    options.doEventsTimeout = -1;
    ItemList busy(ItemList::Shape::Tree);
    ScanCounters c2;
    ScanFolder(dir.path(), Q("*.*"), c2, busy, options, &view);
    EXPECT_GT(view.calls, 20);
    EXPECT_TRUE(folders.contains(path("sub/deep/")));
    EXPECT_FALSE(folders.contains(path("folder-link/")));
}

TEST_F(ScanTree, FolderThatCannotBeListedIsPassedOver)
{
    // "sub" is found by the listing of the root and removed before the scan gets
    // to it; the scan goes on with the other folders.
    ScanOptions options;
    options.recurse = true;
    options.doEventsTimeout = -1;
    ScriptedView view;
    view.onYield = [&](const QString&, const ScanCounters&) { fs::remove_all(root() / "sub"); };
    ItemList tree(ItemList::Shape::Tree);
    ScanCounters c;
    ScanFolder(dir.path(), Q("*.txt"), c, tree, options, &view);
    const QStringList items = found(tree);
    EXPECT_FALSE(items.contains(Q("sub/x.txt")));
    EXPECT_TRUE(items.contains(Q(".hid/z.txt")));
    EXPECT_TRUE(items.contains(Q("only/inner/w.txt")));
    EXPECT_EQ(c.foundItems, tree.itemCount());
}
