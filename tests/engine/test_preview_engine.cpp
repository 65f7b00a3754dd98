#include "engine/PreviewEngine.h"
#include "engine/ExistingNames.h"

#include "TestSupport.h"
#include "app/ItemList.h"
#include "app/Settings.h"
#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QSet>
#include <QStringList>

#include <sys/stat.h>
#include <unistd.h>

using namespace quelt;
using quelt::test::TempDir;
using quelt::test::WriteBytes;

namespace {

RuleLine Rule(const char* category, const char* text, bool enabled = true)
{
    return RuleLine{QString::fromUtf8(category), QString::fromUtf8(text), QString(), enabled};
}

RuleLine FindReplace(const char* find, const char* with, const char* applyTo = "Title")
{
    return Rule("Title & Extension", QStringLiteral("Find and replace text: <Find What=%1> <Replace With=%2> <Apply To=%3>")
                                         .arg(QString::fromUtf8(find), QString::fromUtf8(with), QString::fromUtf8(applyTo))
                                         .toUtf8()
                                         .constData());
}

RuleLine Attach(const char* text, const char* where, const char* applyTo)
{
    return Rule("Title & Extension",
                QStringLiteral("Attach text to edge of name: <Insert This=%1> <Insert Where=%2> <Apply To=%3>")
                    .arg(QString::fromUtf8(text), QString::fromUtf8(where), QString::fromUtf8(applyTo))
                    .toUtf8()
                    .constData());
}

const RuleLine NumberTitles = Rule("Auto Numbering",
                                   "Set title as auto-number: <Numbering Type=Decimal> <Start With=1> <Increment By=1> "
                                   "<Minimum Width=2> <Reset on Path Change=True>");
const RuleLine SkipFailed = Rule("Miscellaneous", "Skip rule if causing validation error: <Skip Rules=True>");
const RuleLine RemoveBeyondTitle = Rule("Title & Extension",
                                        "Remove characters from position: <Starting Position=10> <Length=1> "
                                        "<Removal Direction=Left to Right> <Apply To=Title>");
const RuleLine SortByName = Rule("Sorting", "Sort the list: <Sorting Type=Name (Ascending)> <Sorting Source=Old Name>");

struct Entry {
    const char* folder;
    const char* name;
    bool checked = true;
};

ItemList FlatList(std::initializer_list<Entry> entries)
{
    ItemList list(ItemList::Shape::Flat);
    for (const Entry& e : entries)
        list.appendItem(QString::fromUtf8(e.folder), QString::fromUtf8(e.name), e.checked);
    return list;
}

// Records the labels; can stop the run at a given yield and checks the busy flag.
class RecordingView : public PreviewProgressView {
public:
    void setLblProgress(const QString& text) override { progress.append(text); }
    void setPbrProgress(qint64 value, qint64 maximum) override { item = {value, maximum}; }
    void setPbrTotalProgress(qint64 value, qint64 maximum) override { total = {value, maximum}; }
    void setLblTotalProgress(const QString& text) override { totalText.append(text); }
    void setLblTimeLeft(const QString& text) override { timeLeft.append(text); }
    void yield() override
    {
        ++yields;
        runningSeen = runningSeen || EngineRunning;
        if (yields == stopAtYield && stop)
            *stop = true;
    }
    void DoAction() override { ++actions; }

    QStringList progress, totalText, timeLeft;
    std::pair<qint64, qint64> item, total;
    int yields = 0;
    int stopAtYield = -1;
    bool* stop = nullptr;
    int actions = 0;
    bool runningSeen = false;
};

class PreviewEngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = AppSettings();
        AppSettings().AutoNumberDuplicated.clear();
        AppSettings().CaseSensitive = false;
        AppSettings().LongnameMode = false;
        AppSettings().ReplaceInvalidChars = false;
        AppSettings().EnableLogging = false;
    }
    void TearDown() override { AppSettings() = saved_; }

    qsizetype run(const ItemList& list, const std::vector<RuleLine>& rules, bool foldersOnly = false)
    {
        view = RecordingView();
        view.stop = &stop;
        return GeneratePreview(items, list, rules, view, stop, foldersOnly);
    }
    QStringList newNames() const
    {
        QStringList names;
        for (const PreviewItem& item : items)
            names.append(item.newName);
        return names;
    }
    std::vector<bool> validity() const
    {
        std::vector<bool> v;
        for (const PreviewItem& item : items)
            v.push_back(item.valid);
        return v;
    }

    PreviewArray items;
    RecordingView view;
    bool stop = false;

private:
    Settings saved_;
};

} // namespace

TEST_F(PreviewEngineTest, EachRuleSeesTheResultOfTheOneBefore)
{
    EXPECT_EQ(run(FlatList({{"/f/", "a.txt"}}), {FindReplace("a", "b"), FindReplace("b", "c")}), 1);
    EXPECT_EQ(newNames(), QStringList{"c.txt"});
    EXPECT_TRUE(items[0].valid);
    EXPECT_TRUE(items[0].included);
    EXPECT_TRUE(items[0].selected);
    EXPECT_FALSE(items[0].renameDone);
    EXPECT_FALSE(EngineRunning);
    EXPECT_TRUE(view.runningSeen);
}

TEST_F(PreviewEngineTest, VariablesAreExpandedAfterEveryRule)
{
    const std::vector<RuleLine> rules = {
        Rule("Title & Extension", "Create a new name: <New Text=x%file_title%> <Apply To=Title>"),
        FindReplace("xs", "Z"),
    };
    run(FlatList({{"/f/", "song.mp3"}}), rules);
    EXPECT_EQ(newNames(), QStringList{"Zong.mp3"});

    run(FlatList({{"/f/", "song.mp3"}}), {Attach("%no_such_variable%", "End", "Title")});
    EXPECT_FALSE(items[0].valid);
}

TEST_F(PreviewEngineTest, FileVariableReadsTheItemOnDisk)
{
    TempDir dir;
    WriteBytes(dir.file(QStringLiteral("photo.jpg")).toStdString(), "x");
    const platform::FileTime noonUtc{1'000'000'000 + 11 * 3600, 0}; // 2001-09-09, midday
    ASSERT_TRUE(platform::SetFileTimes(dir.file(QStringLiteral("photo.jpg")), nullptr, &noonUtc, nullptr).ok());
    ItemList list(ItemList::Shape::Flat);
    list.appendItem(dir.path(), QStringLiteral("photo.jpg"), true);
    run(list, {Attach(" %file_modified_date[yyyy-mm-dd]%", "End", "Title")});
    EXPECT_EQ(newNames(), QStringList{"photo 2001-09-09.jpg"});
}

TEST_F(PreviewEngineTest, ItemsNotIncludedKeepTheirSlotAndAnEmptyName)
{
    const ItemList list = FlatList({{"/f/", "a.txt"}, {"/f/", "b.txt", false}, {"/f/", "c.txt"}});
    EXPECT_EQ(run(list, {NumberTitles}), 3);
    EXPECT_EQ(newNames(), (QStringList{"01.txt", "", "02.txt"}));
    EXPECT_FALSE(items[1].included);
    EXPECT_FALSE(items[1].selected);
    EXPECT_FALSE(items[1].valid);
}

TEST_F(PreviewEngineTest, CountersRestartOnEveryPathChangeIncludingUncheckedItems)
{
    const ItemList list = FlatList({{"/A/", "1.txt"}, {"/A/", "2.txt"}, {"/B/", "3.txt"}, {"/A/", "4.txt"},
                                    {"/C/", "5.txt", false}, {"/A/", "6.txt"}});
    run(list, {NumberTitles});
    EXPECT_EQ(newNames(), (QStringList{"01.txt", "02.txt", "01.txt", "01.txt", "", "01.txt"}));
}

TEST_F(PreviewEngineTest, TreeItemsTakeTheFolderOfTheirFolderNode)
{
    ItemList tree(ItemList::Shape::Tree);
    tree.appendItem(QStringLiteral("/A/"), QStringLiteral("x.txt"), true);
    tree.appendItem(QStringLiteral("/A/"), QStringLiteral("y.txt"), true);
    tree.appendItem(QStringLiteral("/B/"), QStringLiteral("z.txt"), true);
    EXPECT_EQ(run(tree, {NumberTitles}), 3);
    EXPECT_EQ(items[2].folder, QStringLiteral("/B/"));
    EXPECT_EQ(items[2].oldName, QStringLiteral("z.txt"));
    EXPECT_EQ(newNames(), (QStringList{"01.txt", "02.txt", "01.txt"}));
}

TEST_F(PreviewEngineTest, FoldersOnlyNamesAreATitleForTheFirstRuleOnly)
{
    const std::vector<RuleLine> rules = {Attach("X", "End", "Title"), Attach("_", "Start", "Extension")};
    run(FlatList({{"/f/", "My.Folder"}}), rules, true);
    EXPECT_EQ(newNames(), QStringList{"My._FolderX"});
    run(FlatList({{"/f/", "My.Folder"}}), rules, false);
    EXPECT_EQ(newNames(), QStringList{"MyX._Folder"});
    run(FlatList({{"/f/", "Plain"}}), {Attach("X", "End", "Title")}, true);
    EXPECT_EQ(newNames(), QStringList{"PlainX"});
}

TEST_F(PreviewEngineTest, SettingsRulesChangeTheRulesAfterThem)
{
    run(FlatList({{"/f/", "Aaa"}}), {FindReplace("a", "b")});
    EXPECT_EQ(newNames(), QStringList{"bbb"});
    run(FlatList({{"/f/", "Aaa"}}), {Rule("Miscellaneous", "Set the text comparison type: <Case Sensitive=True>"),
                                     FindReplace("a", "b")});
    EXPECT_EQ(newNames(), QStringList{"Abb"});
    AppSettings().CaseSensitive = true;
    run(FlatList({{"/f/", "Aaa"}}), {FindReplace("a", "b")});
    EXPECT_EQ(newNames(), QStringList{"Abb"});
}

TEST_F(PreviewEngineTest, SkipFailedRulesUndoesTheFailingRuleOnly)
{
    struct Case { const char* name; std::vector<RuleLine> rules; const char* newName; bool valid; };
    const Case cases[] = {
        {"without skipping the item fails", {RemoveBeyondTitle}, "abc.txt", false},
        {"skipping keeps the name and validity", {SkipFailed, RemoveBeyondTitle}, "abc.txt", true},
        {"other rules still apply", {SkipFailed, FindReplace("b", "B"), RemoveBeyondTitle, FindReplace("c", "C")},
         "aBC.txt", true},
        {"an unresolved variable is undone too", {SkipFailed, Attach("%nope%", "End", "Title")}, "abc.txt", true},
        {"skip off again", {SkipFailed, Rule("Miscellaneous", "Skip rule if causing validation error: <Skip Rules=False>"),
                            RemoveBeyondTitle},
         "abc.txt", false},
        {"an earlier failure stays", {RemoveBeyondTitle, SkipFailed, FindReplace("a", "A")}, "Abc.txt", false},
    };
    for (const Case& c : cases) {
        run(FlatList({{"/f/", "abc.txt"}}), c.rules);
        EXPECT_EQ(items[0].newName, QString::fromUtf8(c.newName)) << c.name;
        EXPECT_EQ(items[0].valid, c.valid) << c.name;
    }
}

TEST_F(PreviewEngineTest, NamesWithoutATitleAreInvalid)
{
    const ItemList list = FlatList({{"/f/", "song.mp3"}, {"/f/", ".profile"}, {"/f/", "x.txt"}});
    run(list, {Rule("Title & Extension", "Create a new name: <New Text=> <Apply To=Title>"), FindReplace("q", "r")});
    EXPECT_EQ(newNames(), (QStringList{".mp3", ".profile", ".txt"}));
    EXPECT_EQ(validity(), (std::vector<bool>{false, false, false}));
    run(list, {FindReplace("q", "r")});
    EXPECT_EQ(validity(), (std::vector<bool>{true, false, true}));
}

TEST_F(PreviewEngineTest, UnknownRulesStillExpandExceptInTheSortingCategory)
{
    const ItemList list = FlatList({{"/f/", "a%%b"}});
    run(list, {Rule("Title & Extension", "No such rule: <X=1>")});
    EXPECT_EQ(newNames(), QStringList{"a%b"});
    run(list, {Rule("Letters", "Find and replace text: <Find What=a> <Replace With=b> <Apply To=Title>")});
    EXPECT_EQ(newNames(), QStringList{"a%b"}); // a rule under the wrong category is unknown
    run(list, {Rule("Sorting", "No such rule: <X=1>")});
    EXPECT_EQ(newNames(), QStringList{"a%%b"});
}

TEST_F(PreviewEngineTest, SortingComesBeforeNumbering)
{
    const ItemList list = FlatList({{"/f/", "c.txt"}, {"/f/", "a.txt"}, {"/f/", "b.txt", false}});
    run(list, {SortByName, NumberTitles});
    QStringList old;
    for (const PreviewItem& item : items)
        old.append(item.oldName);
    EXPECT_EQ(old, (QStringList{"a.txt", "b.txt", "c.txt"}));
    EXPECT_EQ(newNames(), (QStringList{"01.txt", "", "02.txt"}));
}

TEST_F(PreviewEngineTest, SortingKeepsTheValidityOfTheFirstItemUnderSkipping)
{
    const ItemList list = FlatList({{"/f/", "b.txt"}, {"/f/", "a.txt"}});
    run(list, {RemoveBeyondTitle, SkipFailed, SortByName});
    EXPECT_EQ(validity(), (std::vector<bool>{false, false}));
}

TEST_F(PreviewEngineTest, NamesFromAListAreGivenOnceAndExpanded)
{
    TempDir dir;
    const QString file = dir.file(QStringLiteral("names.txt"));
    WriteBytes(file.toStdString(), "header\r\none%%.txt\r\n\r\nC:\\x\\two.txt\r\n");
    const RuleLine fromList = Rule("Miscellaneous", QStringLiteral("Create new names from list: <Input File=%1> "
                                                                   "<Read From Line=2> <Insert From=1> "
                                                                   "<Apply To=Title & Extension>")
                                                        .arg(file)
                                                        .toUtf8()
                                                        .constData());
    run(FlatList({{"/f/", "a.mp3"}, {"/f/", "b.mp3"}, {"/f/", "c.mp3"}}), {fromList, Attach("!", "End", "Title")});
    EXPECT_EQ(newNames(), (QStringList{"one%!.txt", "two!.txt", "c!.mp3"}));
}

TEST_F(PreviewEngineTest, DuplicatesAreNumberedWhenTheSettingIsOn)
{
    const ItemList list = FlatList({{"/f/", "1.txt"}, {"/f/", "2.txt"}, {"/f/", "3.txt"}, {"/g/", "4.txt"},
                                    {"/f/", "5.txt", false}, {"/f/", "6"}, {"/f/", "7"}});
    const std::vector<RuleLine> rules = {
        Rule("Title & Extension", "Create a new name: <New Text=a> <Apply To=Title>"),
        FindReplace("7", "6", "Title"),
    };
    run(list, rules);
    EXPECT_EQ(newNames(), (QStringList{"a.txt", "a.txt", "a.txt", "a.txt", "", "a", "a"}));

    AppSettings().AutoNumberDuplicated = QStringLiteral("(%number%)");
    run(list, rules);
    EXPECT_EQ(newNames(), (QStringList{"a.txt", "a(1).txt", "a(2).txt", "a.txt", "", "a", "a(1)."}));
    EXPECT_EQ(validity(), (std::vector<bool>{true, true, true, true, false, true, true}));

    AppSettings().AutoNumberDuplicated = QStringLiteral("-copy");
    run(list, rules);
    EXPECT_EQ(AppSettings().AutoNumberDuplicated, QStringLiteral("(%number%)"));
    EXPECT_EQ(newNames()[1], QStringLiteral("a(1).txt"));

    AppSettings().AutoNumberDuplicated = QStringLiteral(" [%NUMBER%]");
    run(list, rules);
    EXPECT_EQ(newNames()[2], QStringLiteral("a [2].txt"));
}

TEST_F(PreviewEngineTest, DuplicatesIgnoreCaseAndLookAtTheDisk)
{
    TempDir dir;
    for (const char* name : {"a.txt", "a(1).txt", "own.txt"})
        WriteBytes(dir.file(QString::fromUtf8(name)).toStdString(), "x");
    AppSettings().AutoNumberDuplicated = QStringLiteral("(%number%)");
    ItemList list(ItemList::Shape::Flat);
    for (const char* name : {"own.txt", "b.txt", "c.txt", "d.txt"})
        list.appendItem(dir.path(), QString::fromUtf8(name), true);
    const std::vector<RuleLine> rules = {FindReplace("b", "A"), FindReplace("c", "a"), FindReplace("d", "OWN")};
    run(list, rules);
    // own.txt keeps its own name. Names on disk are found as the file system has
    // them (case-sensitive here): "A.txt" is free, "a.txt" and "a(1).txt" are not.
    // Earlier items' names compare without regard to case: "OWN.txt" is numbered.
    EXPECT_EQ(newNames(), (QStringList{"own.txt", "A.txt", "a(2).txt", "OWN(1).txt"}));
}

TEST_F(PreviewEngineTest, ManyEqualNamesGetDistinctNumbers)
{
    AppSettings().AutoNumberDuplicated = QStringLiteral("(%number%)");
    ItemList list(ItemList::Shape::Flat);
    constexpr int count = 5000;
    for (int i = 0; i < count; ++i)
        list.appendItem(QStringLiteral("/nowhere/"), QStringLiteral("x%1.txt").arg(i), true);
    run(list, {Rule("Title & Extension", "Create a new name: <New Text=same> <Apply To=Title>")});
    EXPECT_EQ(items[0].newName, QStringLiteral("same.txt"));
    EXPECT_EQ(items[count - 1].newName, QStringLiteral("same(%1).txt").arg(count - 1));
    QSet<QString> distinct;
    for (const PreviewItem& item : items)
        distinct.insert(item.newName);
    EXPECT_EQ(distinct.size(), count);
}

TEST_F(PreviewEngineTest, TheDuplicatedNamesRuleNumbersAgainstEarlierItemsOfThePass)
{
    const RuleLine duplicates = Rule("Auto Numbering",
                                     "Auto-number duplicated names: <Numbering Type=Decimal> <Start With=1> "
                                     "<Increment By=1> <Minimum Width=1> <Numbering Format= (%number%)> "
                                     "<Search Where=New Names>");
    run(FlatList({{"/f/", "1.txt"}, {"/f/", "2.txt"}, {"/f/", "3.txt"}}),
        {Rule("Title & Extension", "Create a new name: <New Text=a> <Apply To=Title>"), duplicates});
    EXPECT_EQ(newNames(), (QStringList{"a.txt", "a (1).txt", "a (2).txt"}));
}

TEST_F(PreviewEngineTest, StopEndsTheRulePhaseAndCallsDoActionOnce)
{
    AppSettings().AutoNumberDuplicated = QStringLiteral("(%number%)");
    const ItemList list = FlatList({{"/f/", "a.txt"}, {"/f/", "b.txt"}, {"/f/", ".x"}});
    const std::vector<RuleLine> rules = {Rule("Title & Extension", "Create a new name: <New Text=n> <Apply To=Title>"),
                                         FindReplace("n", "m")};
    // Yield 1 is the start of the run, 2 the start of the first rule, 3 the second.
    struct Case { int stopAt; QStringList names; int actions; bool lastValid; };
    const Case cases[] = {
        {2, {"a.txt", "b.txt", ".x"}, 1, false}, // the title check runs after a stop
        {3, {"n.txt", "n.txt", "n.x"}, 1, true}, // and the duplicates phase does not
        {-1, {"m.txt", "m(1).txt", "m.x"}, 0, true},
    };
    for (const Case& c : cases) {
        view = RecordingView();
        view.stop = &stop;
        view.stopAtYield = c.stopAt;
        EXPECT_EQ(GeneratePreview(items, list, rules, view, stop), 3) << c.stopAt;
        EXPECT_EQ(newNames(), c.names) << c.stopAt;
        EXPECT_EQ(view.actions, c.actions) << c.stopAt;
        EXPECT_EQ(items[2].valid, c.lastValid) << c.stopAt;
        EXPECT_FALSE(EngineRunning);
    }
}

TEST_F(PreviewEngineTest, StopFlagIsClearedAtTheStart)
{
    stop = true;
    view = RecordingView();
    EXPECT_EQ(GeneratePreview(items, FlatList({{"/f/", "a"}}), {FindReplace("a", "b")}, view, stop), 1);
    EXPECT_FALSE(stop);
    EXPECT_EQ(newNames(), QStringList{"b"});
    EXPECT_EQ(view.actions, 0);
}

TEST_F(PreviewEngineTest, NothingToDoReturnsZero)
{
    EXPECT_EQ(run(FlatList({}), {FindReplace("a", "b")}), 0);
    EXPECT_EQ(view.progress.back(), QStringLiteral("Initializing..."));
    EXPECT_EQ(run(FlatList({{"/f/", "a"}}), {Rule("Title & Extension", "Find and replace text: <Find What=a> "
                                                                       "<Replace With=b> <Apply To=Title>", false)}),
              0);
    EXPECT_EQ(view.progress.back(), QStringLiteral("Initializing..."));
    EXPECT_EQ(run(FlatList({{"/f/", "a"}}), {}), 0);
    EXPECT_FALSE(EngineRunning);
}

TEST_F(PreviewEngineTest, ProgressLabelsAndBars)
{
    AppSettings().DoEventsTimeout = -1; // every step counts as due
    AppSettings().AutoNumberDuplicated = QStringLiteral("(%number%)");
    run(FlatList({{"/f/", "a.txt"}, {"/f/", "b.txt"}}), {FindReplace("a", "b"), FindReplace("x", "y")});
    EXPECT_EQ(view.progress.front(), QStringLiteral("Preparing to generate preview... "));
    EXPECT_TRUE(view.progress.contains(QStringLiteral("Processing Rule: \"Find and replace text\" (0%)")));
    EXPECT_TRUE(view.progress.contains(QStringLiteral("Processing Rule: \"Find and replace text\" (50%)")));
    EXPECT_TRUE(view.progress.contains(QStringLiteral("Finding and Fixing Duplicates... 100%")));
    EXPECT_EQ(view.progress.back(), QStringLiteral("Preview completed..."));
    EXPECT_TRUE(view.totalText.contains(QStringLiteral("25%")));
    EXPECT_TRUE(view.totalText.contains(QStringLiteral("75%")));
    EXPECT_EQ(view.totalText.back(), QStringLiteral("100%"));
    EXPECT_TRUE(view.timeLeft.contains(QStringLiteral("Done!")));
    for (const QString& t : view.timeLeft)
        EXPECT_TRUE(t == QStringLiteral("Done!") || QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$")).match(t).hasMatch())
            << t.toStdString();
    EXPECT_EQ(view.item, (std::pair<qint64, qint64>{2, 2}));
    EXPECT_EQ(view.total, (std::pair<qint64, qint64>{2, 2}));
    EXPECT_EQ(newNames(), (QStringList{"b.txt", "b(1).txt"}));
}

TEST_F(PreviewEngineTest, YieldsStayFewWithTheDefaultTimeout)
{
    ItemList list(ItemList::Shape::Flat);
    for (int i = 0; i < 2000; ++i)
        list.appendItem(QStringLiteral("/f/"), QStringLiteral("n%1").arg(i), true);
    run(list, {FindReplace("n", "m"), FindReplace("m", "k")});
    // Start, once per rule, end of the rule phase: no yield per item.
    EXPECT_LE(view.yields, 4 + 2);
}

TEST_F(PreviewEngineTest, GeneratePreviewFillsTheProgramWideArray)
{
    view = RecordingView();
    EXPECT_EQ(GeneratePreview(FlatList({{"/f/", "a"}, {"/f/", "b"}}), {FindReplace("a", "z")}, view, stop), 2);
    ASSERT_EQ(ThePreviewArray().size(), 2u);
    EXPECT_EQ(ThePreviewArray()[0].newName, QStringLiteral("z"));
}

TEST(ExistingNamesTest, AnswersAsPathExistsForListedAndUnlistedFolders)
{
    TempDir dir;
    const QString root = dir.path();
    WriteBytes((root + QStringLiteral("file.txt")).toStdString(), "x");
    WriteBytes((root + QStringLiteral("Case.TXT")).toStdString(), "x");
    ASSERT_EQ(::mkdir((root + QStringLiteral("sub")).toUtf8().constData(), 0700), 0);
    ASSERT_EQ(::symlink("/nowhere/at/all", (root + QStringLiteral("dangling")).toUtf8().constData()), 0);
    const QByteArray rawName = root.toUtf8() + "raw\xff.txt"; // not UTF-8: an escaped byte in the program
    WriteBytes(rawName.toStdString(), "x");
    std::vector<platform::DirEntry> listed;
    ASSERT_TRUE(platform::ListFolder(root, listed));
    QString escaped;
    for (const platform::DirEntry& e : listed)
        if (e.name.startsWith(QStringLiteral("raw")))
            escaped = e.name;
    ASSERT_FALSE(escaped.isEmpty());

    const QStringList names = {"file.txt", "FILE.TXT", "case.txt", "Case.TXT", "sub", "sub/", "dangling", "missing",
                               "", ".", "..", escaped, "file.txt/x", QString::fromUtf16(u"a\0b", 3)};
    for (const bool listedFolder : {false, true}) {
        ExistingNames names_;
        for (qsizetype i = 0; listedFolder && i < ExistingNames::ListFromItems; ++i)
            names_.countItem(root);
        for (const QString& name : names)
            EXPECT_EQ(names_.exists(root + name), platform::PathExists(root + name))
                << name.toStdString() << (listedFolder ? " listed" : " asked");
        EXPECT_FALSE(names_.exists(root + QStringLiteral("nothere/file.txt")));
    }
    ::unlink(rawName.constData()); // QTemporaryDir cannot remove a name that is not UTF-8
}
