#include "engine/ListRules.h"
#include "engine/PreviewProgress.h"
#include "engine/PreviewRunState.h"
#include "engine/Sorting.h"

#include "TestSupport.h"
#include "metadata/Variables.h"
#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <fcntl.h>
#include <unistd.h>

using namespace quelt;
using quelt::test::TempDir;
using quelt::test::WriteBytes;

namespace {

struct Tagged {
    int key;
    char tag;
};

std::string Tags(const std::vector<Tagged>& v)
{
    std::string s;
    for (const Tagged& t : v)
        s += t.tag;
    return s;
}

std::vector<Tagged> Sorted(std::vector<Tagged> v, bool descending = false)
{
    PartitionSort(v, 0, qsizetype(v.size()) - 1, [descending](const Tagged& a, const Tagged& b) -> std::optional<bool> {
        return descending ? b.key < a.key : a.key < b.key;
    });
    return v;
}

PreviewItem Item(const QString& folder, const QString& name, bool included = true)
{
    PreviewItem item;
    item.folder = folder;
    item.oldName = name;
    item.included = item.selected = item.valid = included;
    if (included)
        item.newName = name;
    return item;
}

PreviewArray Items(std::initializer_list<std::pair<const char*, const char*>> folderAndName)
{
    PreviewArray items;
    for (const auto& [folder, name] : folderAndName)
        items.push_back(Item(QString::fromUtf8(folder), QString::fromUtf8(name)));
    return items;
}

QStringList OldNames(const PreviewArray& items)
{
    QStringList names;
    for (const PreviewItem& item : items)
        names.append(item.oldName);
    return names;
}

QStringList NewNames(const PreviewArray& items)
{
    QStringList names;
    for (const PreviewItem& item : items)
        names.append(item.newName);
    return names;
}

// Records what the sorter shows; can ask for a stop at a given yield.
class RecordingView : public PreviewProgressView {
public:
    void setLblProgress(const QString& text) override { labels.append(text); }
    void setPbrProgress(qint64, qint64) override {}
    void setPbrTotalProgress(qint64, qint64) override {}
    void setLblTotalProgress(const QString&) override {}
    void setLblTimeLeft(const QString&) override {}
    void yield() override
    {
        if (++yields == stopAtYield && stop)
            *stop = true;
    }
    QStringList labels;
    int yields = 0;
    int stopAtYield = -1;
    bool* stop = nullptr;
};

struct SortFixture {
    RecordingView view;
    PreviewMeter meter{view, 500};
    PreviewRunState state = PreviewRunState::ForRun(1, false, false);
    bool stop = false;

    void sortRule(PreviewArray& items, const char* type, const char* source, bool foldersOnly = false)
    {
        const QString rule = QStringLiteral("Sort the list: <Sorting Type=%1> <Sorting Source=%2>")
                                 .arg(QString::fromUtf8(type), QString::fromUtf8(source));
        ApplySortRule(rule, items, qsizetype(items.size()), foldersOnly, meter, state, stop);
    }
};

} // namespace

TEST(PartitionSort, EqualKeysEndInTheSchemesOrder)
{
    struct Case { const char* name; std::vector<Tagged> input; const char* ascending; const char* descending; };
    const Case cases[] = {
        {"two equal swap", {{1, 'a'}, {1, 'b'}}, "ba", "ba"},
        {"three equal reverse", {{1, 'a'}, {1, 'b'}, {1, 'c'}}, "cba", "cba"},
        {"four equal", {{1, 'a'}, {1, 'b'}, {1, 'c'}, {1, 'd'}}, "cdab", "cdab"},
        {"ties among others", {{2, 'a'}, {1, 'b'}, {2, 'c'}, {1, 'd'}}, "dbac", "cadb"},
        {"distinct", {{3, 'c'}, {1, 'a'}, {2, 'b'}}, "abc", "cba"},
        {"one", {{1, 'a'}}, "a", "a"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Tags(Sorted(c.input)), c.ascending) << c.name;
        EXPECT_EQ(Tags(Sorted(c.input, true)), c.descending) << c.name;
    }
}

TEST(PartitionSort, LargeInputsSortWithoutDeepRecursion)
{
    // Sorted, reversed and all-equal inputs of 200,000 elements.
    for (int pattern = 0; pattern < 3; ++pattern) {
        std::vector<Tagged> v(200'000);
        for (int i = 0; i < int(v.size()); ++i)
            v[std::size_t(i)] = {pattern == 0 ? i : pattern == 1 ? -i : 7, 'x'};
        const std::vector<Tagged> out = Sorted(v);
        EXPECT_TRUE(std::is_sorted(out.begin(), out.end(), [](auto& a, auto& b) { return a.key < b.key; }))
            << pattern;
    }
}

TEST(PartitionSort, AnUnreadableKeyStopsWhereItStands)
{
    std::vector<Tagged> v = {{3, 'c'}, {-1, 'x'}, {1, 'a'}, {2, 'b'}};
    // Pivot is element 1, whose key cannot be read: nothing moves.
    const bool finished = PartitionSort(v, 0, 3, [](const Tagged& a, const Tagged& b) -> std::optional<bool> {
        if (a.key < 0 || b.key < 0)
            return std::nullopt;
        return a.key < b.key;
    });
    EXPECT_FALSE(finished);
    EXPECT_EQ(Tags(v), "cxab");
}

TEST(SortRule, NameAscendingSortsEachFolderRunInPlace)
{
    SortFixture f;
    PreviewArray items = Items({{"/A/", "b.txt"}, {"/A/", "A.txt"}, {"/A/", "c.txt"}, {"/B/", "z.txt"}, {"/B/", "y.txt"}});
    f.sortRule(items, "Name (Ascending)", "Old Name");
    EXPECT_EQ(OldNames(items), (QStringList{"A.txt", "b.txt", "c.txt", "y.txt", "z.txt"}));
    EXPECT_EQ(items[0].folder, QStringLiteral("/A/"));
    EXPECT_EQ(items[4].folder, QStringLiteral("/B/"));
    EXPECT_TRUE(f.view.labels.contains(QStringLiteral("Initializing sorting rule...")));
}

TEST(SortRule, OrdersAndSources)
{
    struct Case {
        const char* name;
        const char* type;
        const char* source;
        std::vector<std::pair<const char*, const char*>> oldAndNew;
        QStringList expectedOld;
    };
    const Case cases[] = {
        {"two items", "name (ascending)", "Old Name", {{"b", "b"}, {"a", "a"}}, {"a", "b"}},
        {"descending", "Name (Descending)", "Old Name", {{"b", "b"}, {"c", "c"}, {"a", "a"}}, {"c", "b", "a"}},
        {"numeric", "Numeric Value (Ascending)", "Old Name", {{"10 song", "10 song"}, {"9 song", "9 song"}, {"song", "song"}},
         {"song", "9 song", "10 song"}},
        {"numeric descending", "NUMERIC VALUE (DESCENDING)", "Old Name",
         {{"9 a", "9 a"}, {"20230101123456 b", "20230101123456 b"}, {"10 c", "10 c"}},
         {"20230101123456 b", "10 c", "9 a"}},
        {"new names", "Name (Ascending)", "New Name", {{"a", "z"}, {"b", "y"}}, {"b", "a"}},
        {"any other source is the new name", "Name (Ascending)", "<NOTFOUND>", {{"a", "z"}, {"b", "y"}}, {"b", "a"}},
        {"case-equal names swap", "Name (Ascending)", "Old Name", {{"x", "x"}, {"X", "X"}}, {"X", "x"}},
        {"upper case order puts _ after letters", "Name (Ascending)", "Old Name", {{"_a", "_a"}, {"b", "b"}}, {"b", "_a"}},
        {"unknown type does nothing", "Name (Sideways)", "Old Name", {{"b", "b"}, {"a", "a"}}, {"b", "a"}},
    };
    for (const Case& c : cases) {
        SortFixture f;
        PreviewArray items;
        for (const auto& [oldName, newName] : c.oldAndNew) {
            items.push_back(Item(QStringLiteral("/f/"), QString::fromUtf8(oldName)));
            items.back().newName = QString::fromUtf8(newName);
        }
        f.sortRule(items, c.type, c.source);
        EXPECT_EQ(OldNames(items), c.expectedOld) << c.name;
    }
}

TEST(SortRule, EveryFieldMovesWithItsItem)
{
    SortFixture f;
    PreviewArray items = Items({{"/f/", "b"}, {"/f/", "a"}});
    items[0].valid = false;
    items[0].newName = QStringLiteral("B-new");
    items[1].included = false;
    items[1].newName.clear();
    f.sortRule(items, "Name (Ascending)", "Old Name");
    EXPECT_EQ(OldNames(items), (QStringList{"a", "b"}));
    EXPECT_FALSE(items[0].included);
    EXPECT_TRUE(items[0].newName.isEmpty());
    EXPECT_FALSE(items[1].valid);
    EXPECT_EQ(items[1].newName, QStringLiteral("B-new"));
}

TEST(SortRule, SeparateRunsOfOneFolderStaySeparate)
{
    SortFixture f;
    PreviewArray items = Items({{"/A/", "b"}, {"/A/", "a"}, {"/B/", "z"}, {"/A/", "d"}, {"/A/", "c"}});
    f.sortRule(items, "Name (Ascending)", "Old Name");
    EXPECT_EQ(OldNames(items), (QStringList{"a", "b", "z", "c", "d"}));
}

TEST(SortRule, StopIsHonouredBetweenRuns)
{
    SortFixture f;
    f.view.stop = &f.stop;
    f.view.stopAtYield = 1; // the yield before the first run
    PreviewArray items = Items({{"/A/", "b"}, {"/A/", "a"}, {"/B/", "z"}, {"/B/", "y"}});
    f.sortRule(items, "Name (Ascending)", "Old Name");
    EXPECT_EQ(OldNames(items), (QStringList{"b", "a", "z", "y"}));
}

TEST(SortRule, SizesAreReadOnceAs64BitAndNotInFoldersOnlyMode)
{
    TempDir dir;
    const auto makeFile = [&](const char* name, qint64 size) {
        const QString path = dir.file(QString::fromUtf8(name));
        const int fd = ::open(path.toUtf8().constData(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, size), 0); // sparse: no disk space needed
        ::close(fd);
    };
    makeFile("big", qint64(3) << 30);
    makeFile("small", 10);
    makeFile("mid", 5000);
    const QByteArray folder = dir.path().toUtf8();
    PreviewArray items = Items({{folder.constData(), "big"}, {folder.constData(), "missing"},
                                {folder.constData(), "small"}, {folder.constData(), "mid"}});

    SortFixture folders;
    folders.sortRule(items, "Size (Ascending)", "Old Name", true);
    EXPECT_EQ(OldNames(items), (QStringList{"big", "missing", "small", "mid"}));
    EXPECT_FALSE(folders.state.sizesKnown);

    SortFixture f;
    f.sortRule(items, "Size (Descending)", "Old Name");
    EXPECT_EQ(OldNames(items), (QStringList{"big", "mid", "small", "missing"}));
    EXPECT_EQ(items[0].size, qint64(3) << 30);
    EXPECT_EQ(items[3].size, 0);
    EXPECT_TRUE(f.state.sizesKnown);

    // Known sizes are not read again in the same run.
    items[3].size = qint64(4) << 30;
    f.sortRule(items, "Size (Descending)", "Old Name");
    EXPECT_EQ(OldNames(items), (QStringList{"missing", "big", "mid", "small"}));
}

TEST(SortRule, ModifiedTimesAndAnUnreadableTimeStopOnlyItsRun)
{
    TempDir a;
    TempDir b;
    const auto makeFile = [](const TempDir& dir, const char* name, std::int64_t seconds) {
        const QString path = dir.file(QString::fromUtf8(name));
        WriteBytes(path.toStdString(), "x");
        const platform::FileTime t{seconds, 0};
        ASSERT_TRUE(platform::SetFileTimes(path, nullptr, &t, nullptr).ok());
    };
    makeFile(a, "new", 2'000'000'000);
    makeFile(a, "old", 1'000'000'000);
    makeFile(b, "later", 1'500'000'000);
    makeFile(b, "earlier", 1'400'000'000);
    const QByteArray fa = a.path().toUtf8();
    const QByteArray fb = b.path().toUtf8();
    PreviewArray items = Items({{fa.constData(), "new"}, {fa.constData(), "gone"}, {fa.constData(), "old"},
                                {fb.constData(), "later"}, {fb.constData(), "earlier"}});
    SortFixture f;
    f.sortRule(items, "Modified (Ascending)", "New Name");
    EXPECT_EQ(OldNames(items), (QStringList{"new", "gone", "old", "earlier", "later"}));

    PreviewArray readable = Items({{fa.constData(), "new"}, {fa.constData(), "old"}});
    f.sortRule(readable, "Modified (Ascending)", "Old Name");
    EXPECT_EQ(OldNames(readable), (QStringList{"old", "new"}));
    f.sortRule(readable, "Modified (Descending)", "Old Name");
    EXPECT_EQ(OldNames(readable), (QStringList{"new", "old"}));
}

class NamesFromListTest : public ::testing::Test {
protected:
    QString listFile(const QByteArray& bytes)
    {
        const QString path = dir_.file(QStringLiteral("names.txt"));
        WriteBytes(path.toStdString(), bytes);
        return path;
    }
    static QString Rule(const QString& file, int readFrom, int insertFrom, const char* applyTo)
    {
        return QStringLiteral("Create new names from list: <Input File=%1> <Read From Line=%2> <Insert From=%3> "
                              "<Apply To=%4>")
            .arg(file)
            .arg(readFrom)
            .arg(insertFrom)
            .arg(QString::fromUtf8(applyTo));
    }

    TempDir dir_;
    ExpansionOptions options_;
};

TEST_F(NamesFromListTest, AssignsLinesSkippingBlanksAndCuttingPaths)
{
    const QString file = listFile("header\r\none.txt\r\n\r\nC:\\x\\two.txt\r\n/home/u/three.txt\n");
    struct Case { const char* name; int readFrom; int insertFrom; const char* applyTo; QStringList before; QStringList after; };
    const Case cases[] = {
        {"title & extension", 2, 1, "Title & Extension", {"a.mp3", "b.mp3", "c.mp3"}, {"one.txt", "two.txt", "three.txt"}},
        {"title", 2, 1, "Title", {"a.mp3", "b.mp3"}, {"one.mp3", "two.mp3"}},
        {"extension", 2, 1, "extension", {"a.mp3", "b"}, {"a.txt", "b.txt"}},
        {"insert from 2", 2, 2, "Title & Extension", {"a.mp3", "b.mp3", "c.mp3"}, {"a.mp3", "one.txt", "two.txt"}},
        {"insert from 0 counts as 1", 2, 0, "Title & Extension", {"a"}, {"one.txt"}},
        {"fewer lines than items", 4, 1, "Title & Extension", {"a", "b", "c"}, {"two.txt", "three.txt", "c"}},
        {"read past the end", 9, 1, "Title & Extension", {"a"}, {"a"}},
        {"other apply to", 2, 1, "Title & Ext", {"a"}, {"a"}},
    };
    for (const Case& c : cases) {
        PreviewArray items;
        for (const QString& name : c.before)
            items.push_back(Item(QStringLiteral("/f/"), name));
        AssignNamesFromList(Rule(file, c.readFrom, c.insertFrom, c.applyTo), items, qsizetype(items.size()), options_);
        EXPECT_EQ(NewNames(items), c.after) << c.name;
    }
}

TEST_F(NamesFromListTest, ItemsNotIncludedUseUpALineAndStayEmpty)
{
    const QString file = listFile("one\ntwo\nthree\n");
    PreviewArray items = {Item(QStringLiteral("/f/"), QStringLiteral("a")),
                          Item(QStringLiteral("/f/"), QStringLiteral("b"), false),
                          Item(QStringLiteral("/f/"), QStringLiteral("c"))};
    AssignNamesFromList(Rule(file, 1, 1, "Title & Extension"), items, 3, options_);
    EXPECT_EQ(NewNames(items), (QStringList{"one", "", "three"}));
}

TEST_F(NamesFromListTest, InvalidCharactersAreCleanedAndWindowsListsRead)
{
    const QString file = listFile("caf\xe9 <1>.txt\r\n");
    PreviewArray items = {Item(QStringLiteral("/f/"), QStringLiteral("a"))};
    AssignNamesFromList(Rule(file, 1, 1, "Title & Extension"), items, 1, options_);
    EXPECT_EQ(items[0].newName, QStringLiteral(u"café 1.txt"));
}

TEST_F(NamesFromListTest, MissingFileChangesNothing)
{
    PreviewArray items = {Item(QStringLiteral("/f/"), QStringLiteral("a"))};
    AssignNamesFromList(Rule(dir_.file(QStringLiteral("none.txt")), 1, 1, "Title & Extension"), items, 1, options_);
    AssignNamesFromList(Rule(dir_.path(), 1, 1, "Title & Extension"), items, 1, options_); // a folder
    EXPECT_EQ(items[0].newName, QStringLiteral("a"));
}

TEST(PreviewProgressText, PercentAndTimeLeft)
{
    EXPECT_EQ(ProgressPercent(1, 3), 33);
    EXPECT_EQ(ProgressPercent(5, 0), 0);
    EXPECT_EQ(FormatTimeLeft(0), QStringLiteral("00:00:00"));
    EXPECT_EQ(FormatTimeLeft(3725.4), QStringLiteral("01:02:05"));
    EXPECT_EQ(FormatTimeLeft(59.6), QStringLiteral("00:01:00"));
    EXPECT_EQ(FormatTimeLeft(-3), QStringLiteral("00:00:00"));
    EXPECT_EQ(FormatTimeLeft(90000), QStringLiteral("25:00:00"));
}
