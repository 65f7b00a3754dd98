#include "RenamingTestSupport.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace quelt {
namespace {

using test::Native;
using test::RenamingTest;

const QString Success = QStringLiteral("Undo process has been completed successfully!");

class UndoTest : public RenamingTest {
protected:
    /// Runs an undo of the current record as the "&Undo" button does, answering OK.
    void undoLastRun()
    {
        prompt = ScriptedPrompt({PromptAnswer::Ok});
        UndoLastRun(prompt, undoWindow());
    }
    QString lastMessage() const { return prompt.asked.empty() ? QString() : prompt.asked.back().text; }
    void writeRecoveryFile(const QByteArray& bytes) const { test::WriteBytes(Native(recoveryFile()), bytes); }
    QByteArray recoveryStart(int count) const
    {
        return "#Quelt Disaster Recovery File v1.0\r\n1/2/26\r\n10:00:00\r\n" + QByteArray::number(count) + "\r\n";
    }
    QByteArray triple(const QString& folder, const QString& oldName, const QString& newName) const
    {
        return platform::EncodeName(path(folder)) + "\r\n" + platform::EncodeName(oldName) + "\r\n"
            + platform::EncodeName(newName) + "\r\n";
    }
};

TEST_F(UndoTest, UndoOfARunWithOneFailureRestoresTheRenamedItems)
{
    PreviewArray items;
    for (int i = 1; i <= 5; ++i) {
        const QString name = QString::number(i);
        if (i != 3)
            makeFile(name);
        items.push_back(item("", name, "n" + name));
    }
    items.push_back(item("", "same", "same"));
    makeFile("same");
    run(items, RunOrigin::FromMainList);
    ASSERT_EQ(RenameState().result.renamedCount, 5);
    ASSERT_TRUE(recoveryFileExists());

    undoLastRun();
    ASSERT_EQ(prompt.asked.size(), 2u);
    EXPECT_EQ(prompt.asked[0].text, "Undo changes of 5 item(s)?");
    EXPECT_EQ(prompt.asked[0].caption, "Undo Changes");
    EXPECT_EQ(prompt.asked[0].icon, PromptIcon::Warning);
    EXPECT_EQ(lastMessage(), Success);
    EXPECT_EQ(prompt.asked.back().icon, PromptIcon::Information);
    EXPECT_EQ(lastUndo.restored, 5);
    EXPECT_EQ(lastUndo.failed, 0);
    EXPECT_EQ(names(), (QStringList{"1", "2", "4", "5", "same"}));

    // The list shows the old names again, and nothing is offered a second time.
    const std::vector<ListRow>& rows = mainList.itemList().rows();
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0].name, "1");
    EXPECT_EQ(rows[2].name, "3");
    EXPECT_FALSE(RenameState().undoEnabled);
    EXPECT_FALSE(recoveryFileExists());
    EXPECT_EQ(mainList.statusText, "Preparing to restore...");
    const QStringList log = logTexts();
    EXPECT_TRUE(log.contains(QStringLiteral("Name of file \"%1\" restored successfully.").arg(path("1"))));
    EXPECT_TRUE(log.contains(QStringLiteral("Name of file \"%1\" restored successfully.").arg(path("same"))));
}

TEST_F(UndoTest, CancelOrNothingRenamedLeavesEverything)
{
    makeFile("a");
    PreviewArray items{item("", "a", "b")};
    run(items);
    prompt = ScriptedPrompt({PromptAnswer::Cancel});
    EXPECT_FALSE(UndoLastRun(prompt, undoWindow()));
    EXPECT_EQ(names(), QStringList{"b"});
    EXPECT_TRUE(RenameState().undoEnabled);

    restart();
    prompt = ScriptedPrompt();
    EXPECT_FALSE(UndoLastRun(prompt, undoWindow()));
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_EQ(undoWindows, 0);
}

TEST_F(UndoTest, FailedRestoreIsReportedAndNothingIsOverwritten)
{
    struct Row { bool logging; QString suffix; };
    for (const Row& r : {Row{true, " (View the log file for more details)"}, Row{false, ""}}) {
        AppSettings().EnableLogging = r.logging;
        makeFile("a", "first");
        makeFile("c", "C");
        PreviewArray items{item("", "a", "b"), item("", "c", "d")};
        run(items);
        makeFile("a", "newcomer"); // takes the old name back before the undo
        undoLastRun();
        EXPECT_EQ(lastMessage(),
                  "Undo process completed with errors...\r\n\r\n1 name(s) were unable to restore..." + r.suffix);
        EXPECT_EQ(prompt.asked.back().icon, PromptIcon::Error);
        EXPECT_EQ(content("a"), "newcomer");
        EXPECT_EQ(content("b"), "first");
        EXPECT_EQ(content("c"), "C");
        ::unlink(Native(path("a")).c_str());
        ::unlink(Native(path("b")).c_str());
        ::unlink(Native(path("c")).c_str());
    }
    EXPECT_TRUE(logTexts().contains(
        QStringLiteral("Unable to restore the name of \"%1\" (Error 58: File exists)").arg(path("a"))));
}

TEST_F(UndoTest, UndoOfAChainGoesInExactReverse)
{
    for (int n = 1; n <= 3; ++n)
        makeFile(QString::number(n), QByteArray::number(n));
    PreviewArray items{item("", "1", "2"), item("", "2", "3"), item("", "3", "4")};
    run(items);
    ASSERT_EQ(RenameState().result.renamedCount, 3);
    undoLastRun();
    EXPECT_EQ(lastUndo.failed, 0);
    for (int n = 1; n <= 3; ++n)
        EXPECT_EQ(content(QString::number(n)), QByteArray::number(n));
    EXPECT_FALSE(exists("4"));
}

class FolderModeUndoTest : public UndoTest {
protected:
    void SetUp() override
    {
        UndoTest::SetUp();
        makeFolder("X");
        makeFolder("X/sub");
        makeFolder("X/sub/inner");
        makeFolder("XY");
        makeFolder("XY/other");
        items_ = {item("", "X", "Y"), item("X/sub/", "inner", "inner2"), item("XY/", "other", "other2")};
        run(items_, RunOrigin::FromPreviewWindow, true);
        ASSERT_EQ(RenameState().result.renamedCount, 3);
    }
    void expectAsBefore() const
    {
        EXPECT_EQ(names(), (QStringList{"X", "XY"}));
        EXPECT_EQ(names("X/sub"), QStringList{"inner"});
        EXPECT_EQ(names("XY"), QStringList{"other"});
    }
    PreviewArray items_;
};

TEST_F(FolderModeUndoTest, FromTheRecordCorrectsTheInnerFolderBack)
{
    undoLastRun();
    EXPECT_EQ(lastMessage(), Success);
    expectAsBefore();
    EXPECT_EQ(RenameState().undo.items[1].folder, path("X/sub/"));
    EXPECT_TRUE(mainList.foldersOnly);
    ASSERT_EQ(mainList.itemList().rows().size(), 3u);
    EXPECT_EQ(mainList.itemList().rows()[1].folder, path("X/sub/"));
    EXPECT_EQ(mainList.itemList().rows()[1].name, "inner");
}

TEST_F(FolderModeUndoTest, FromTheFileAfterARestartRestoresEveryItem)
{
    restart();
    RenameState().UndoFromRecoveryFile = true;
    prompt = ScriptedPrompt({PromptAnswer::Ok});
    EXPECT_TRUE(UndoLastRun(prompt, undoWindow()));
    EXPECT_EQ(lastMessage(), Success);
    EXPECT_EQ(lastUndo.restored, 3);
    expectAsBefore();
    EXPECT_FALSE(recoveryFileExists());
    EXPECT_FALSE(RenameState().UndoFromRecoveryFile);
}

TEST_F(UndoTest, RecordOfTheTreeSwitchesTheListBackToATree)
{
    makeFile("a");
    BasicMainList tree(ItemList::Shape::Tree);
    PreviewArray items{item("", "a", "b")};
    run(items, RunOrigin::FromMainList, false, &tree);
    tree.itemList().reset(ItemList::Shape::Flat); // the user switched to list mode since
    prompt = ScriptedPrompt({PromptAnswer::Ok});
    UndoLastRun(prompt, undoWindow(&tree));
    ASSERT_TRUE(tree.itemList().isTree());
    ASSERT_EQ(tree.itemList().nodes().size(), 2u);
    EXPECT_EQ(tree.itemList().nodes()[1].text, "a");
}

// ---- The recovery file ----

TEST_F(UndoTest, SaveUndoToFileWritesTheRunInItsOrder)
{
    makeFile("1");
    makeFile("2");
    PreviewArray items{item("", "1", "2"), item("", "2", "3"), item("", "gone", "x")};
    run(items);
    ::unlink(Native(recoveryFile()).c_str());
    ASSERT_TRUE(SaveUndoToFile());

    const QByteArray bytes = test::ReadBytes(Native(recoveryFile()));
    const QList<QByteArray> lines = bytes.split('\n');
    ASSERT_EQ(lines.size(), 11); // 4 start lines, 2 triples, the empty rest after the last line end
    EXPECT_EQ(lines[0], "#Quelt Disaster Recovery File v1.0\r");
    EXPECT_EQ(lines[3], "3\r");
    EXPECT_TRUE(bytes.endsWith(triple("", "2", "3") + triple("", "1", "2")));
    EXPECT_TRUE(logTexts().contains("Disaster Recovery: Undo information succesfully recorded!"));
}

TEST_F(UndoTest, SaveUndoToFileThatCannotWriteLeavesNoFileAndLogsNothing)
{
    ::mkdir(Native(recoveryFile()).c_str(), 0755);
    test::WriteBytes(Native(recoveryFile() + "/keep"), "x");
    EXPECT_FALSE(SaveUndoToFile());
    EXPECT_TRUE(logTexts().isEmpty());
}

TEST_F(UndoTest, SilentRunThatRenamedNothingStillGivesARestorableFile)
{
    silent = true;
    PreviewArray items{item("", "gone", "x")};
    run(items, RunOrigin::FromMainList);
    ASSERT_TRUE(SaveUndoToFile());
    EXPECT_EQ(test::ReadBytes(Native(recoveryFile())).count('\n'), 4);
    restart();
    prompt = ScriptedPrompt({PromptAnswer::Ok});
    EXPECT_TRUE(RestoreFromDR(prompt, undoWindow()));
    EXPECT_EQ(lastMessage(), Success);
    EXPECT_EQ(lastUndo.restored, 0);
    EXPECT_FALSE(recoveryFileExists());
}

class RestoreMessageTest;

struct RestoreCase {
    const char* name;
    QByteArray (*file)(const RestoreMessageTest&); // nullptr: no file
    bool fromCommandLine;
    bool questionAsked;
    QString message;     // the last message; empty: none after the question
    bool fileStays;
    QStringList namesAfter;
};

void PrintTo(const RestoreCase& c, std::ostream* out) { *out << c.name; }

class RestoreMessageTest : public UndoTest, public ::testing::WithParamInterface<RestoreCase> {
public:
    QByteArray start(int count) const { return recoveryStart(count); }
    QByteArray entry(const QString& oldName, const QString& newName) const { return triple("", oldName, newName); }
};

TEST_P(RestoreMessageTest, ShowsItsMessageAndChangesNothingOnBadData)
{
    const RestoreCase& c = GetParam();
    makeFile("b");
    makeFile("d");
    if (c.file)
        writeRecoveryFile(c.file(*this));
    RenameState().UndoFromRecoveryFile = true;
    prompt = ScriptedPrompt({PromptAnswer::Ok});
    RestoreFromDR(prompt, undoWindow(), c.fromCommandLine);

    const bool asked = !prompt.asked.empty() && prompt.asked[0].text.startsWith("You have asked");
    EXPECT_EQ(asked, c.questionAsked);
    if (!c.message.isEmpty()) {
        EXPECT_EQ(lastMessage(), c.message);
        EXPECT_EQ(prompt.asked.back().caption, c.message.startsWith("Undo") ? "Undo Changes" : "Disaster Recovery");
    } else {
        EXPECT_EQ(prompt.asked.size(), c.questionAsked ? 1u : 0u);
    }
    EXPECT_EQ(recoveryFileExists(), c.fileStays);
    EXPECT_EQ(RenameState().UndoFromRecoveryFile, undoWindows == 0);
    EXPECT_EQ(names(), c.namesAfter);
}

const QString CouldNotOpen = QStringLiteral("Disaster Recovery data could not be opened!");

INSTANTIATE_TEST_SUITE_P(
    Cases, RestoreMessageTest,
    ::testing::Values(
        RestoreCase{"MissingFromButton", nullptr, false, false, CouldNotOpen, false, {"b", "d"}},
        RestoreCase{"MissingFromCommandLine", nullptr, true, false,
                    "Disaster Recovery file could not be found. No names to restore!", false, {"b", "d"}},
        RestoreCase{"Empty", [](const RestoreMessageTest&) { return QByteArray(); }, false, false, CouldNotOpen, true,
                    {"b", "d"}},
        RestoreCase{"WrongHeader",
                    [](const RestoreMessageTest& t) {
                        QByteArray b = t.start(2);
                        b.replace("v1.0", "v1.1");
                        return b + t.entry("a", "b");
                    },
                    false, false, "Disaster Recovery data is not vaild. Unable to restore names!", true, {"b", "d"}},
        RestoreCase{"CountZero",
                    [](const RestoreMessageTest& r) {
                        return r.start(0) + r.entry("a", "b");
                    },
                    false, true, "", true, {"b", "d"}},
        RestoreCase{"NoCountLine",
                    [](const RestoreMessageTest&) { return QByteArray("#Quelt Disaster Recovery File v1.0\r\nd\r\nt\r\n"); },
                    false, true, CouldNotOpen, true, {"b", "d"}},
        RestoreCase{"MoreTriplesThanCount",
                    [](const RestoreMessageTest& r) {
                        return r.start(1) + r.entry("a", "b") + r.entry("c", "d");
                    },
                    false, true, CouldNotOpen, true, {"b", "d"}},
        RestoreCase{"TornLastTriple",
                    [](const RestoreMessageTest& r) {
                        return r.start(5) + r.entry("a", "b") + r.entry("c", "d").chopped(3);
                    },
                    false, true, Success, false, {"a", "d"}},
        RestoreCase{"PathNoLongerThere",
                    [](const RestoreMessageTest& r) {
                        return r.start(5) + r.entry("a", "b") + r.entry("x", "gone");
                    },
                    false, true,
                    "Undo process completed with errors...\r\n\r\n1 name(s) were unable to restore... "
                    "(View the log file for more details)",
                    false, {"a", "d"}},
        RestoreCase{"PathLeavesItsFolder",
                    [](const RestoreMessageTest& r) {
                        return r.start(5) + r.entry("../a", "b");
                    },
                    false, true, CouldNotOpen, true, {"b", "d"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UndoTest, RestoreQuestionShowsTheRecordedDateAndTimeAndCancelKeepsTheOffer)
{
    makeFile("b");
    writeRecoveryFile(recoveryStart(1) + triple("", "a", "b"));
    RenameState().UndoFromRecoveryFile = true;
    prompt = ScriptedPrompt({PromptAnswer::Cancel});
    EXPECT_FALSE(UndoLastRun(prompt, undoWindow()));
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].text,
              "You have asked to restore names using Disaster Recovery data.\r\n\r\nLast recorded renaming task: "
              "\r\nDate: 1/2/26\r\nTime: 10:00:00\r\n\r\nAre you sure you want to restore? (changes cannot be "
              "undone!)");
    EXPECT_EQ(prompt.asked[0].caption, "Disaster Recovery");
    EXPECT_EQ(prompt.asked[0].buttons, PromptButtons::OkCancel);
    EXPECT_EQ(prompt.asked[0].safeAnswer, PromptAnswer::Cancel);
    EXPECT_TRUE(recoveryFileExists());
    EXPECT_TRUE(RenameState().UndoFromRecoveryFile);
    EXPECT_EQ(names(), QStringList{"b"});
}

TEST_F(UndoTest, RestoreFromFileGoesInReverseFileOrder)
{
    // As the journal records a chain 2 -> 3 then 1 -> 2.
    makeFile("2", "one");
    makeFile("3", "two");
    writeRecoveryFile(recoveryStart(2) + triple("", "2", "3") + triple("", "1", "2"));
    prompt = ScriptedPrompt({PromptAnswer::Ok});
    EXPECT_TRUE(RestoreFromDR(prompt, undoWindow()));
    EXPECT_EQ(lastMessage(), Success);
    EXPECT_EQ(content("1"), "one");
    EXPECT_EQ(content("2"), "two");
}

TEST_F(UndoTest, RestoreOfNamesThatAreNotUtf8)
{
    const QString odd = platform::DecodeName("\xFF\xFE name");
    makeFile("plain");
    writeRecoveryFile(recoveryStart(1) + triple("", odd, "plain"));
    prompt = ScriptedPrompt({PromptAnswer::Ok});
    EXPECT_TRUE(RestoreFromDR(prompt, undoWindow()));
    EXPECT_EQ(names(), QStringList{odd});
    EXPECT_TRUE(test::ReadBytes(Native(path(odd))) == "plain");
}

TEST_F(UndoTest, StartOffersTheFileAndExitWritesOnlyTheRecord)
{
    EXPECT_FALSE(OfferRecoveryFileAtStart());
    EXPECT_FALSE(RenameState().undoEnabled);

    const QByteArray file = recoveryStart(1) + triple("", "a", "b");
    writeRecoveryFile(file);
    EXPECT_TRUE(OfferRecoveryFileAtStart());
    EXPECT_TRUE(RenameState().UndoFromRecoveryFile);
    EXPECT_TRUE(RenameState().undoEnabled);
    SaveUndoAtExit(); // stands for the file: left as it is
    EXPECT_EQ(test::ReadBytes(Native(recoveryFile())), file);

    makeFile("c");
    PreviewArray items{item("", "c", "d")};
    run(items);
    ::unlink(Native(recoveryFile()).c_str());
    SaveUndoAtExit(); // stands for the record of the run: written
    const RecoveryFileContent saved = ReadRecoveryFile(recoveryFile());
    ASSERT_EQ(saved.items.size(), 1u);
    EXPECT_EQ(saved.items[0].oldName, "c");
}

// A run killed part-way (a real process, SIGKILL) leaves a journal from which a
// fresh start restores every item it renamed. The child's event log is a FIFO
// nobody reads, so the child blocks in its log once the pipe is full: after its
// journal holds some triples and before the run ends. The kill comes while it is
// blocked there, after the journal got the triple of its last rename.
TEST_F(UndoTest, RunKilledPartWayIsRestoredFromTheJournal)
{
    constexpr int Files = 3000;
    PreviewArray items;
    for (int i = 0; i < Files; ++i) {
        const QString name = QStringLiteral("f%1").arg(i, 5, 10, QChar(u'0'));
        makeFile(name);
        items.push_back(item("", name, "renamed-" + name));
    }
    test::TempDir fifoFolder;
    ASSERT_EQ(::mkfifo(Native(fifoFolder.file("events.log")).c_str(), 0600), 0);
    const int reader = ::open(Native(fifoFolder.file("events.log")).c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    CloseLog();

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SetLogFolder(fifoFolder.path());
        OpenLog();
        run(items);
        ::_exit(0);
    }

    // Wait until the child sleeps in its write to the full pipe.
    const std::string wchan = "/proc/" + std::to_string(child) + "/wchan";
    bool blocked = false;
    for (int attempt = 0; attempt < 2000 && !blocked; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        blocked = test::ReadBytes(wchan).contains("pipe_write");
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(reader);
    ASSERT_TRUE(blocked);
    ASSERT_TRUE(WIFSIGNALED(status));
    OpenLog();

    const RecoveryFileContent journal = ReadRecoveryFile(recoveryFile());
    ASSERT_EQ(journal.status, RecoveryFileContent::Status::Ok);
    EXPECT_EQ(journal.itemCount, Files);
    const int renamed = int(journal.items.size());
    ASSERT_GE(renamed, 10);
    ASSERT_LT(renamed, Files);
    int renamedOnDisk = 0;
    for (const QString& name : names())
        renamedOnDisk += name.startsWith("renamed-");
    EXPECT_EQ(renamedOnDisk, renamed);

    restart();
    RenameState().UndoFromRecoveryFile = true;
    prompt = ScriptedPrompt({PromptAnswer::Ok});
    EXPECT_TRUE(UndoLastRun(prompt, undoWindow()));
    EXPECT_EQ(lastMessage(), Success);
    EXPECT_EQ(lastUndo.restored, renamed);
    const QStringList after = names();
    ASSERT_EQ(after.size(), Files);
    for (int i = 0; i < Files; ++i)
        EXPECT_EQ(after[i], items[std::size_t(i)].oldName);
    EXPECT_FALSE(recoveryFileExists());
}

} // namespace
} // namespace quelt
