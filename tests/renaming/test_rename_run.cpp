#include "RenamingTestSupport.h"

#include "renaming/RunProgress.h"

#include <sys/stat.h>

namespace quelt {
namespace {

using test::Native;
using test::RenamingTest;

// ---- One item, every outcome of the decision ----

struct OneItemCase {
    const char* name;
    QString newName;
    bool readOnly = false;       // the item lacks its owner's write bit
    bool renameReadOnly = false; // the setting
    bool deleteFirst = false;    // vanished between preview and run
    bool targetExists = false;
    bool renamed = false;
    int code = 0;
    QString logText;             // %1 the old path, %2 the new path
    QStringList namesAfter;
};

void PrintTo(const OneItemCase& c, std::ostream* out) { *out << c.name; }

class OneItemTest : public RenamingTest, public ::testing::WithParamInterface<OneItemCase> {};

TEST_P(OneItemTest, DecidesLogsAndRecords)
{
    const OneItemCase& c = GetParam();
    makeFile("a.txt", "A");
    if (c.targetExists)
        makeFile(c.newName, "B");
    if (c.readOnly)
        ::chmod(Native(path("a.txt")).c_str(), 0444);
    if (c.deleteFirst)
        ::unlink(Native(path("a.txt")).c_str());
    AppSettings().RenameReadOnly = c.renameReadOnly;

    PreviewArray items{item("", "a.txt", c.newName)};
    run(items);

    const RenameRunState& state = RenameState();
    EXPECT_EQ(items[0].renameDone, c.renamed);
    EXPECT_EQ(state.result.renamedCount, c.renamed ? 1 : 0);
    EXPECT_EQ(state.result.failedCount, c.renamed ? 0 : 1);
    EXPECT_EQ(state.undoEnabled, c.renamed);
    if (!c.renamed) {
        ASSERT_EQ(state.result.failures.size(), 1u);
        const RenameFailure& f = state.result.failures[0];
        EXPECT_EQ(f.code, c.code);
        EXPECT_EQ(f.folder, dir());
        EXPECT_EQ(f.name, "a.txt");
        EXPECT_FALSE(f.time.isEmpty());
        EXPECT_FALSE(f.date.isEmpty());
    }
    QString expected = c.logText;
    expected.replace("%1", path("a.txt")).replace("%2", path(RenameTarget(c.newName)));
    EXPECT_EQ(logTexts(), QStringList{expected});
    EXPECT_EQ(names(), c.namesAfter);
    if (c.targetExists) {
        EXPECT_EQ(content("a.txt"), "A");
        EXPECT_EQ(content(c.newName), "B");
    }
}

const QString Renamed = QStringLiteral("File successfully renamed from \"%1\" to \"%2\"");

INSTANTIATE_TEST_SUITE_P(
    Outcomes, OneItemTest,
    ::testing::Values(
        OneItemCase{"Success", "b.txt", false, false, false, false, true, 0, Renamed, {"b.txt"}},
        OneItemCase{"ReadOnlySettingOff", "b.txt", true, false, false, false, false, 75,
                    "Read-only file: \"%1\"", {"a.txt"}},
        OneItemCase{"ReadOnlySettingOn", "b.txt", true, true, false, false, true, 0, Renamed, {"b.txt"}},
        OneItemCase{"Vanished", "b.txt", false, false, true, false, false, 53,
                    "Unable to rename \"%1\" (Error 53: File not found!)", {}},
        OneItemCase{"VanishedReadOnlyAllowed", "b.txt", false, true, true, false, false, 53,
                    "Unable to rename \"%1\" (Error 53: File not found!)", {}},
        OneItemCase{"TargetExists", "b.txt", false, false, false, true, false, 58,
                    "Unable to rename \"%1\" (Error 58: File exists)", {"a.txt", "b.txt"}},
        OneItemCase{"SameName", "a.txt", false, false, false, false, true, 0, Renamed, {"a.txt"}},
        OneItemCase{"TrailingPeriodDropped", "b.", false, false, false, false, true, 0, Renamed, {"b"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RenamingTest, ItemsNotIncludedOrNotSelectedArePassedOver)
{
    makeFile("a");
    makeFile("b");
    makeFile("c");
    PreviewArray items{item("", "a", "A", /*selected*/ false), item("", "b", "B", true, /*included*/ false),
                       item("", "c", "C")};
    items[0].renameDone = true; // left over from an earlier run
    run(items);
    EXPECT_EQ(names(), (QStringList{"C", "a", "b"}));
    EXPECT_FALSE(items[0].renameDone);
    EXPECT_EQ(RenameState().result.renamedCount, 1);
    EXPECT_EQ(RenameState().result.failedCount, 0);
    EXPECT_EQ(logTexts().size(), 1);
}

TEST_F(RenamingTest, LoggingOffWritesNothingButStillRecordsFailures)
{
    AppSettings().EnableLogging = false;
    makeFile("a");
    PreviewArray items{item("", "a", "b"), item("", "gone", "x")};
    run(items);
    EXPECT_TRUE(logTexts().isEmpty());
    ASSERT_EQ(RenameState().result.failures.size(), 1u);
    EXPECT_EQ(RenameState().result.failures[0].code, 53);
}

TEST_F(RenamingTest, NameWithBytesThatAreNotUtf8IsRenamedAndJournaledAsItsOwnBytes)
{
    const QString odd = platform::DecodeName("caf\xE9.txt");
    makeFile(odd, "x");
    PreviewArray items{item("", odd, "cafe.txt")};
    run(items);
    EXPECT_EQ(names(), QStringList{"cafe.txt"});
    const QByteArray journal = test::ReadBytes(Native(recoveryFile()));
    EXPECT_TRUE(journal.endsWith(platform::EncodeName(dir()) + "\r\ncaf\xE9.txt\r\ncafe.txt\r\n"));
    EXPECT_EQ(logTexts(), QStringList{Renamed.arg(path(odd), path("cafe.txt"))});
}

TEST_F(RenamingTest, LogShowsPathsTrimmedOfWhiteSpaceAtTheirEnds)
{
    const QString spaced = QStringLiteral("a.txt\u00A0");
    makeFile("a.txt ");
    makeFile("c.txt");
    PreviewArray items{item("", "a.txt ", "b.txt"), item("", "c.txt", spaced)};
    run(items);
    EXPECT_EQ(names(), QStringList({spaced, "b.txt"}));
    EXPECT_EQ(logTexts(), QStringList({Renamed.arg(path("a.txt"), path("b.txt")),
                                       Renamed.arg(path("c.txt"), path("a.txt"))}));
}

// ---- Folder mode ----

TEST_F(RenamingTest, FolderWithPeriodIsRenamedWithoutIt)
{
    makeFolder("old");
    PreviewArray items{item("", "old", "Photos.")};
    run(items, RunOrigin::FromPreviewWindow, /*folderMode*/ true);
    EXPECT_EQ(names(), QStringList{"Photos"});
    EXPECT_EQ(items[0].newName, "Photos");
    EXPECT_EQ(RenameState().undo.items[0].newName, "Photos");
    EXPECT_EQ(logTexts(), QStringList{Renamed.arg(path("old"), path("Photos"))});
    ASSERT_EQ(mainList.itemList().rows().size(), 1u);
    EXPECT_EQ(mainList.itemList().rows()[0].name, "Photos");
}

TEST_F(RenamingTest, FolderModeCorrectsPathsInsideTheRenamedFolderOnly)
{
    makeFolder("X");
    makeFolder("X/sub");
    makeFolder("X/sub/inner");
    makeFolder("XY");
    makeFolder("XY/other");
    PreviewArray items{item("", "X", "Y"), item("X/sub/", "inner", "inner2"), item("XY/", "other", "other2")};
    run(items, RunOrigin::FromPreviewWindow, true);

    EXPECT_EQ(RenameState().result.renamedCount, 3);
    EXPECT_EQ(names(), (QStringList{"XY", "Y"}));
    EXPECT_EQ(names("Y/sub"), QStringList{"inner2"});
    EXPECT_EQ(names("XY"), QStringList{"other2"});
    EXPECT_EQ(items[1].folder, path("Y/sub/"));
    EXPECT_EQ(items[2].folder, path("XY/"));
    EXPECT_EQ(RenameState().undo.items[1].folder, path("Y/sub/"));
}

TEST_F(RenamingTest, FolderModeCorrectsItemsBeforeTheFolderToo)
{
    makeFolder("X");
    makeFolder("X/in");
    PreviewArray items{item("X/", "in", "in2"), item("", "X", "Y")};
    run(items, RunOrigin::FromPreviewWindow, true);
    EXPECT_EQ(names("Y"), QStringList{"in2"});
    EXPECT_EQ(items[0].folder, path("Y/"));
}

// ---- Chains and swaps ----

TEST_F(RenamingTest, ChainIsOrderedSoEveryNameIsFreedBeforeItIsTaken)
{
    for (int n = 1; n <= 4; ++n)
        makeFile(QString::number(n) + ".txt", QByteArray::number(n));
    PreviewArray items;
    for (int n = 1; n <= 4; ++n)
        items.push_back(item("", QString::number(n) + ".txt", QString::number(n + 1) + ".txt"));
    run(items);

    EXPECT_EQ(RenameState().result.failedCount, 0);
    for (int n = 2; n <= 5; ++n)
        EXPECT_EQ(content(QString::number(n) + ".txt"), QByteArray::number(n - 1)) << n;
    EXPECT_FALSE(exists("1.txt"));
    EXPECT_EQ(RenameState().undo.order, (std::vector<int>{3, 2, 1, 0}));
    const RecoveryFileContent journal = ReadRecoveryFile(recoveryFile());
    ASSERT_EQ(journal.items.size(), 4u);
    EXPECT_EQ(journal.items[0].oldName, "4.txt");
    EXPECT_EQ(journal.items[3].oldName, "1.txt");
}

TEST_F(RenamingTest, SwapFailsWithAlreadyExistsAndLosesNothing)
{
    makeFile("a", "A");
    makeFile("b", "B");
    PreviewArray items{item("", "a", "b"), item("", "b", "a")};
    run(items);
    EXPECT_EQ(RenameState().result.failedCount, 2);
    EXPECT_EQ(RenameState().result.failures[0].code, 58);
    EXPECT_EQ(RenameState().result.failures[1].code, 58);
    EXPECT_EQ(content("a"), "A");
    EXPECT_EQ(content("b"), "B");
    EXPECT_FALSE(recoveryFileExists()); // nothing renamed, nothing to restore
}

struct OrderCase {
    const char* name;
    std::vector<std::pair<QString, QString>> renames; // old -> new, one folder
    std::vector<int> order;
};

void PrintTo(const OrderCase& c, std::ostream* out) { *out << c.name; }

class RenameOrderTest : public ::testing::TestWithParam<OrderCase> {};

TEST_P(RenameOrderTest, Orders)
{
    PreviewArray items;
    for (const auto& [from, to] : GetParam().renames) {
        PreviewItem i;
        i.folder = "/d/";
        i.oldName = from;
        i.newName = to;
        i.included = i.selected = true;
        items.push_back(i);
    }
    EXPECT_EQ(RenameOrder(items, int(items.size())), GetParam().order);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RenameOrderTest,
    ::testing::Values(OrderCase{"Independent", {{"a", "x"}, {"b", "y"}}, {0, 1}},
                      OrderCase{"ChainForward", {{"1", "2"}, {"2", "3"}}, {1, 0}},
                      OrderCase{"ChainAlreadyInOrder", {{"2", "3"}, {"1", "2"}}, {0, 1}},
                      OrderCase{"Swap", {{"a", "b"}, {"b", "a"}}, {0, 1}},
                      OrderCase{"ThreeCycle", {{"c", "a"}, {"a", "b"}, {"b", "c"}}, {0, 1, 2}},
                      OrderCase{"ChainIntoCycle", {{"z", "a"}, {"b", "a"}, {"a", "b"}}, {1, 2, 0}},
                      OrderCase{"SameNameIsNoDependency", {{"a", "a"}, {"b", "a"}}, {0, 1}},
                      OrderCase{"TrailingPeriod", {{"a", "b."}, {"b", "c"}}, {1, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RenameOrder, ItemsPassedOverAndOtherFoldersDoNotChain)
{
    PreviewArray items(3);
    items[0] = {"/d/", "1", "2", true, true, true};
    items[1] = {"/d/", "2", "3", true, true, false}; // not selected: stays, so 1 fails
    items[2] = {"/e/", "3", "4", true, true, true};
    EXPECT_EQ(RenameOrder(items, 3), (std::vector<int>{0, 1, 2}));
}

// The item a rename waits for is found by its whole path, whichever way folder
// and name split it: a new name reaching into a subfolder, or a folder given
// without its final "/", still names the same item.
TEST(RenameOrder, PathsMatchWhateverTheSplitOfFolderAndName)
{
    struct Case {
        const char* name;
        PreviewItem first;  // waits for the second: it takes the second's current path
        PreviewItem second;
    };
    const Case cases[] = {
        {"NewNameWithFolder", {"/d/", "x", "sub/a", true, true, true}, {"/d/sub/", "a", "b", true, true, true}},
        {"FolderWithoutSlash", {"/d/", "x", "a", true, true, true}, {"/d", "/a", "b", true, true, true}},
        {"SameSplit", {"/d/", "x", "a", true, true, true}, {"/d/", "a", "b", true, true, true}},
    };
    for (const Case& c : cases) {
        PreviewArray items{c.first, c.second};
        EXPECT_EQ(RenameOrder(items, 2), (std::vector<int>{1, 0})) << c.name;
    }
    PreviewArray apart{{"/d/", "x", "suba", true, true, true}, {"/d/sub/", "a", "b", true, true, true}};
    EXPECT_EQ(RenameOrder(apart, 2), (std::vector<int>{0, 1}));
}

TEST(RenameOrder, LongChainNeedsNoDeepRecursion)
{
    constexpr int N = 200000;
    PreviewArray items(N);
    for (int i = 0; i < N; ++i)
        items[std::size_t(i)] = {"/d/", QString::number(i), QString::number(i + 1), true, true, true};
    const std::vector<int> order = RenameOrder(items, N);
    ASSERT_EQ(order.size(), std::size_t(N));
    EXPECT_EQ(order.front(), N - 1);
    EXPECT_EQ(order.back(), 0);
}

// ---- Stop, questions, report ----

TEST_F(RenamingTest, StopAnsweredCancelGoesOnWithTheSameItem)
{
    for (const char* n : {"a", "b"})
        makeFile(n);
    prompt = ScriptedPrompt({PromptAnswer::Cancel});
    view.onYield = [this] {
        if (view.yields == 1)
            RequestStop();
    };
    PreviewArray items{item("", "a", "A"), item("", "b", "B")};
    run(items);
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].text, "Stop the renaming process?");
    EXPECT_EQ(prompt.asked[0].caption, "Preview & Rename");
    EXPECT_EQ(prompt.asked[0].icon, PromptIcon::Warning);
    EXPECT_EQ(prompt.asked[0].buttons, PromptButtons::OkCancel);
    EXPECT_EQ(names(), (QStringList{"A", "B"}));
    EXPECT_FALSE(RenameState().stopRequested);
}

TEST_F(RenamingTest, StopAnsweredOkLeavesTheRestButStillReportsAndRebuilds)
{
    for (const char* n : {"a", "b"})
        makeFile(n);
    prompt = ScriptedPrompt({PromptAnswer::Ok});
    view.onYield = [this] {
        if (view.yields == 1)
            RequestStop();
    };
    PreviewArray items{item("", "a", "A"), item("", "b", "B")};
    run(items);
    EXPECT_EQ(names(), (QStringList{"a", "b"}));
    EXPECT_EQ(RenameState().result.failedCount, 0);
    EXPECT_EQ(RenameState().result.renamedCount, 0);
    EXPECT_TRUE(RenameState().stopRequested);
    EXPECT_EQ(view.reports, 1);
    EXPECT_EQ(mainList.itemList().rows().size(), 2u);
    EXPECT_EQ(view.finished, 1);
    EXPECT_FALSE(RenameState().running);
    EXPECT_FALSE(RenameState().undoEnabled);
}

struct QuestionCase {
    const char* name;
    int renamed;
    int failed;
    bool silent;
    bool wizard;
    bool asked;
};

void PrintTo(const QuestionCase& c, std::ostream* out) { *out << c.name; }

class RemovalQuestionTest : public RenamingTest, public ::testing::WithParamInterface<QuestionCase> {};

TEST_P(RemovalQuestionTest, AskedOnlyAfterAMixedInteractiveRun)
{
    const QuestionCase& c = GetParam();
    silent = c.silent;
    view.wizard = c.wizard;
    PreviewArray items;
    for (int i = 0; i < c.renamed; ++i) {
        makeFile(QString::number(i));
        items.push_back(item("", QString::number(i), "new" + QString::number(i)));
    }
    for (int i = 0; i < c.failed; ++i)
        items.push_back(item("", "missing" + QString::number(i), "x" + QString::number(i)));
    run(items);
    EXPECT_EQ(prompt.asked.size(), c.asked ? 1u : 0u);
    if (c.asked) {
        EXPECT_EQ(prompt.asked[0].caption, "Renaming");
        EXPECT_EQ(prompt.asked[0].buttons, PromptButtons::YesNo);
        EXPECT_TRUE(prompt.asked[0].text.startsWith(
            "Would you like to remove the successfully renamed items out of the list?\r\n\r\nThis way"));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, RemovalQuestionTest,
                         ::testing::Values(QuestionCase{"Mixed", 2, 1, false, false, true},
                                           QuestionCase{"AllSucceeded", 2, 0, false, false, false},
                                           QuestionCase{"AllFailed", 0, 2, false, false, false},
                                           QuestionCase{"Silent", 2, 1, true, false, false},
                                           QuestionCase{"Wizard", 2, 1, false, true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RenamingTest, AnsweringYesLeavesRenamedItemsOutOfTheList)
{
    makeFile("a");
    prompt = ScriptedPrompt({PromptAnswer::Yes});
    PreviewArray items{item("", "a", "b"), item("", "gone", "x")};
    run(items);
    ASSERT_EQ(mainList.itemList().rows().size(), 1u);
    EXPECT_EQ(mainList.itemList().rows()[0].name, "gone");
    EXPECT_EQ(RenameState().undo.items.size(), 2u); // the record keeps every item
}

TEST_F(RenamingTest, ReportShownUnlessSilentWithoutShowReport)
{
    struct Row { bool silent, showReport; int reports; };
    for (const Row r : {Row{false, false, 1}, Row{true, false, 0}, Row{true, true, 1}}) {
        view = test::RecordingView{};
        silent = r.silent;
        showReport = r.showReport;
        PreviewArray items{item("", "none", "x")};
        run(items, RunOrigin::FromMainList, true);
        EXPECT_EQ(view.reports, r.reports) << r.silent << r.showReport;
        if (r.reports) {
            EXPECT_TRUE(view.reportFolders);
        }
    }
}

// ---- List rebuild and the record ----

TEST_F(RenamingTest, RebuildsTheTreeWithFolderNodesAndCheckMarks)
{
    makeFolder("one");
    makeFolder("two");
    makeFile("one/a");
    makeFile("one/b");
    makeFile("two/c");
    BasicMainList tree(ItemList::Shape::Tree);
    PreviewArray items{item("one/", "a", "A"), item("one/", "b", "B", false), item("two/", "c", "C")};
    run(items, RunOrigin::FromMainList, false, &tree);

    const std::vector<TreeNode>& nodes = tree.itemList().nodes();
    ASSERT_EQ(nodes.size(), 5u);
    EXPECT_TRUE(nodes[0].isFolder);
    EXPECT_EQ(nodes[0].text, path("one/"));
    EXPECT_TRUE(nodes[0].checked);
    EXPECT_EQ(nodes[1].text, "A");
    EXPECT_TRUE(nodes[1].checked);
    EXPECT_EQ(nodes[2].text, "b");
    EXPECT_FALSE(nodes[2].checked);
    EXPECT_EQ(nodes[3].text, path("two/"));
    EXPECT_EQ(nodes[4].text, "C");
    EXPECT_TRUE(nodes[0].key().startsWith("PATH"));
    EXPECT_TRUE(nodes[1].key().startsWith("FILE"));
    EXPECT_EQ(RenameState().undo.listKind, ListKind::Tree);
}

TEST_F(RenamingTest, RebuildsTheFlatListAndFillsTheRecord)
{
    makeFile("a");
    mainList.itemList().appendItem("/old/", "stale", true);
    PreviewArray items{item("", "a", "b"), item("", "gone", "x", false)};
    run(items, RunOrigin::FromMainList);

    const std::vector<ListRow>& rows = mainList.itemList().rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].folder, dir());
    EXPECT_EQ(rows[0].name, "b");
    EXPECT_TRUE(rows[0].checked);
    EXPECT_EQ(rows[1].name, "gone");
    EXPECT_FALSE(rows[1].checked);

    const UndoRecord& undo = RenameState().undo;
    EXPECT_EQ(undo.itemCount, 2);
    EXPECT_EQ(undo.renamedCount, 1);
    EXPECT_EQ(undo.origin, RunOrigin::FromMainList);
    EXPECT_EQ(undo.listKind, ListKind::FlatList);
    EXPECT_FALSE(undo.folderMode);
    EXPECT_TRUE(undo.items[0].renameDone);
    EXPECT_EQ(undo.journal, (std::vector<RecoveryEntry>{{dir(), "a", "b"}}));
    EXPECT_FALSE(view.stopEnabled);
    EXPECT_EQ(view.actions.back(), "Done!");
    EXPECT_EQ(view.percent, "100%");
    EXPECT_EQ(view.timeLeft, "Done!");
    EXPECT_EQ(view.finished, 1);
}

TEST_F(RenamingTest, WizardRunLeavesTheMainListAlone)
{
    makeFile("a");
    mainList.itemList().appendItem("/kept/", "row", true);
    view.wizard = true;
    PreviewArray items{item("", "a", "b")};
    run(items, RunOrigin::FromWizard);
    ASSERT_EQ(mainList.itemList().rows().size(), 1u);
    EXPECT_EQ(mainList.itemList().rows()[0].name, "row");
    EXPECT_TRUE(view.stopEnabled); // the wizard has no Stop button to disable
}

TEST_F(RenamingTest, StartClearsTheRecoveryFileOfferAndASecondStartIsIgnored)
{
    RenameState().UndoFromRecoveryFile = true;
    makeFile("a");
    PreviewArray items{item("", "a", "b")};
    view.onYield = [&] {
        if (view.yields == 1) {
            PreviewArray other{item("", "b", "c")};
            RenameRunContext context;
            context.prompt = &prompt;
            RunRename(other, 1, RunOrigin::FromMainList, view, context);
        }
    };
    run(items);
    EXPECT_FALSE(RenameState().UndoFromRecoveryFile);
    EXPECT_EQ(names(), QStringList{"b"});
    EXPECT_EQ(view.finished, 1);
}

TEST_F(RenamingTest, FastRunYieldsOnlyAtItsFixedPoints)
{
    PreviewArray items;
    for (int i = 0; i < 200; ++i) {
        makeFile(QString::number(i));
        items.push_back(item("", QString::number(i), "n" + QString::number(i)));
    }
    run(items);
    EXPECT_EQ(view.yields, 3); // start, end of the renaming phase, start of the rebuild
}

// ---- Progress texts ----

TEST(RunProgress, TimeLeftAndPercent)
{
    struct Row { qint64 count, handled; double elapsed; const char* timeLeft; };
    for (const Row r : {Row{10, 5, 10.0, "00:00:10"}, Row{100, 1, 2.0, "00:03:18"}, Row{4, 4, 9.0, "00:00:00"},
                        Row{7200, 1, 1.0, "01:59:59"}, Row{10, 0, 0.0, "00:00:00"}})
        EXPECT_EQ(FormatTimeLeft(r.count, r.handled, r.elapsed), r.timeLeft) << r.count << " " << r.handled;
    EXPECT_EQ(FormatPercent(1, 3), "33%");
    EXPECT_EQ(FormatPercent(3, 3), "100%");
    EXPECT_EQ(FormatPercent(0, 0), "0%");
}

} // namespace
} // namespace quelt
