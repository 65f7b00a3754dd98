#include "renaming/EventLog.h"

#include "app/Settings.h"
#include "platform/NameCodec.h"
#include "platform/ProgramFiles.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QDateTime>
#include <QThread>
#include <QTime>
#include <QDir>
#include <QLocale>
#include <QRegularExpression>

namespace quelt {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

const QByteArray Header = "# You can safely delete this file when needed...\r\n";

std::string Std(const QString& path) { return platform::EncodeName(path).toStdString(); }

class EventLogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AppSettings() = Settings{};
        SetLogFolder(dir_.path());
    }
    void TearDown() override
    {
        CloseLog();
        SetLogFolder({});
        AppSettings() = Settings{};
    }
    QByteArray file(const char* name) const { return ReadBytes(Std(dir_.file(name))); }
    QStringList logFiles() const
    {
        return QDir(dir_.path()).entryList({"*"}, QDir::Files | QDir::Hidden, QDir::Name);
    }
    // A "STRING" line of `n` bytes, numbered so that lines can be told apart.
    static QString Line(int number, int n = 100)
    {
        const QString head = QString::number(number) + u':';
        return head + QString(n - head.size(), u'x');
    }

    TempDir dir_;
};

TEST_F(EventLogTest, FirstOpenWritesTheHeaderAndLaterOpensAppend)
{
    EXPECT_EQ(LogFilePath(), dir_.file("events.log"));
    OpenLog();
    EXPECT_EQ(file("events.log"), Header);
    LogEvent("STRING", "one");
    CloseLog();
    OpenLog();
    LogEvent("STRING", "two");
    CloseLog();
    EXPECT_EQ(file("events.log"), Header + "one\r\ntwo\r\n");
}

TEST_F(EventLogTest, LineFormsByLevel)
{
    OpenLog();
    const QTime before = QTime::currentTime();
    LogEvent("NOTHING", "ignored text");
    LogEvent("STRING", "  kept exactly as passed  ");
    LogEvent("INFO", "  Renamed a to b  ");
    LogEvent(" ERROR ", "\tfailed\t");
    LogEvent("WARN", "   "); // nothing but spaces
    CloseLog();
    const QTime after = QTime::currentTime();

    const QStringList lines = platform::SplitLines(platform::DecodeText(file("events.log")));
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], "  kept exactly as passed  ");

    const QRegularExpression stamped(R"(^\[(\w+) - (.+), (.+)\] (.*)$)");
    const struct {
        int line;
        const char* level;
        QString text;
    } cases[] = {
        {3, "INFO", "Renamed a to b"},
        {4, "ERROR", "\tfailed\t"}, // only spaces are trimmed
        {5, "WARN", ""},
    };
    const QLocale locale = QLocale::system();
    for (const auto& c : cases) {
        const QRegularExpressionMatch m = stamped.match(lines[c.line]);
        ASSERT_TRUE(m.hasMatch()) << lines[c.line].toStdString();
        EXPECT_EQ(m.captured(1), c.level);
        EXPECT_EQ(m.captured(2), locale.toString(QDate::currentDate(), QLocale::ShortFormat).trimmed());
        QStringList times;
        QTime t = before.addMSecs(-before.msec());
        for (int second = 0; second <= before.secsTo(after) + 1; ++second, t = t.addSecs(1))
            times << locale.toString(t, QLocale::LongFormat).trimmed();
        EXPECT_TRUE(times.contains(m.captured(3))) << m.captured(3).toStdString();
        EXPECT_EQ(m.captured(4), c.text);
    }
}

// The stamp is formatted once a second and reused: a line written after the clock's
// second has moved on must carry the new time, never the one kept from before.
TEST_F(EventLogTest, StampFollowsTheClockFromOneSecondToTheNext)
{
    const QLocale locale = QLocale::system();
    auto stamp = [&](qint64 second) {
        const QDateTime t = QDateTime::fromSecsSinceEpoch(second);
        return locale.toString(t.date(), QLocale::ShortFormat).trimmed() + QStringLiteral(", ")
            + locale.toString(t.time(), QLocale::LongFormat).trimmed();
    };
    auto stampsBetween = [&](qint64 first, qint64 last) {
        QStringList stamps;
        for (qint64 s = first; s <= last; ++s)
            stamps << stamp(s);
        return stamps;
    };
    OpenLog();
    const qint64 firstFrom = QDateTime::currentSecsSinceEpoch();
    LogEvent("INFO", "first");
    LogEvent("INFO", "again");
    const qint64 firstTo = QDateTime::currentSecsSinceEpoch();
    while (QDateTime::currentSecsSinceEpoch() <= firstTo)
        QThread::msleep(20);
    const qint64 secondFrom = QDateTime::currentSecsSinceEpoch();
    LogEvent("INFO", "second");
    const qint64 secondTo = QDateTime::currentSecsSinceEpoch();
    CloseLog();

    const QStringList lines = platform::SplitLines(platform::DecodeText(file("events.log")));
    ASSERT_EQ(lines.size(), 4);
    const QRegularExpression stamped(R"(^\[INFO - (.+)\] (\w+)$)");
    const struct {
        int line;
        const char* text;
        QStringList stamps;
    } cases[] = {
        {1, "first", stampsBetween(firstFrom, firstTo)},
        {2, "again", stampsBetween(firstFrom, firstTo)},
        {3, "second", stampsBetween(secondFrom, secondTo)},
    };
    for (const auto& c : cases) {
        const QRegularExpressionMatch m = stamped.match(lines[c.line]);
        ASSERT_TRUE(m.hasMatch()) << lines[c.line].toStdString();
        EXPECT_EQ(m.captured(2), c.text);
        EXPECT_TRUE(c.stamps.contains(m.captured(1))) << c.text << ": " << m.captured(1).toStdString();
    }
    EXPECT_NE(lines[3].section(u']', 0, 0), lines[1].section(u']', 0, 0));
}

TEST_F(EventLogTest, NameBytesAreWrittenAsTheyAre)
{
    OpenLog();
    LogEvent("INFO", platform::DecodeName("Renamed \xFF.mp3"));
    CloseLog();
    EXPECT_TRUE(file("events.log").endsWith("] Renamed \xFF.mp3\r\n"));
}

// Header (50 bytes with its line end) + 9 lines of 102 bytes = 968; a 10th line of
// 100 bytes would pass 1000, so it starts the new file.
TEST_F(EventLogTest, BackupModeMovesTheFullLogToTheFirstFreeNumber)
{
    AppSettings().SizeLimit = 1;
    AppSettings().WhenReachMax = 2;
    WriteBytes(Std(dir_.file("events0.log")), "older backup");
    OpenLog();
    for (int i = 1; i <= 10; ++i)
        LogEvent("STRING", Line(i));
    QByteArray full = Header;
    for (int i = 1; i <= 9; ++i)
        full += platform::EncodeName(Line(i)) + "\r\n";
    EXPECT_EQ(file("events1.log"), full);
    EXPECT_EQ(file("events0.log"), "older backup");
    EXPECT_EQ(file("events.log"), Header + platform::EncodeName(Line(10)) + "\r\n");

    for (int i = 11; i <= 20; ++i)
        LogEvent("STRING", Line(i));
    CloseLog();
    EXPECT_EQ(logFiles(), QStringList({"events.log", "events0.log", "events1.log", "events2.log"}));
    EXPECT_TRUE(file("events2.log").startsWith(Header + platform::EncodeName(Line(10)) + "\r\n"));
    EXPECT_EQ(file("events.log"), Header + platform::EncodeName(Line(19)) + "\r\n"
                                      + platform::EncodeName(Line(20)) + "\r\n");
}

TEST_F(EventLogTest, BatchedLinesWaitForAFlushAndRotateAsSingleLinesDo)
{
    AppSettings().SizeLimit = 1;
    AppSettings().WhenReachMax = 2;
    OpenLog();
    {
        const LogBatch batch;
        LogEvent("STRING", Line(1));
        EXPECT_EQ(file("events.log"), Header);
        FlushLog();
        EXPECT_EQ(file("events.log"), Header + platform::EncodeName(Line(1)) + "\r\n");
        for (int i = 2; i <= 20; ++i)
            LogEvent("STRING", Line(i));
    }
    // The same files as BackupModeMovesTheFullLogToTheFirstFreeNumber writes line by line.
    QByteArray first = Header;
    for (int i = 1; i <= 9; ++i)
        first += platform::EncodeName(Line(i)) + "\r\n";
    EXPECT_EQ(logFiles(), QStringList({"events.log", "events0.log", "events1.log"}));
    EXPECT_EQ(file("events0.log"), first);
    EXPECT_TRUE(file("events1.log").startsWith(Header + platform::EncodeName(Line(10)) + "\r\n"));
    EXPECT_EQ(file("events.log"), Header + platform::EncodeName(Line(19)) + "\r\n"
                                      + platform::EncodeName(Line(20)) + "\r\n");
}

TEST_F(EventLogTest, BatchWritesABlockOnceItIsFull)
{
    OpenLog();
    const LogBatch batch;
    const int lines = int(LogBatchBytes / 102) + 1;
    for (int i = 1; i <= lines; ++i)
        LogEvent("STRING", Line(i));
    EXPECT_EQ(file("events.log").size(), Header.size() + qsizetype(lines) * 102);
    LogEvent("STRING", Line(lines + 1));
    EXPECT_EQ(file("events.log").size(), Header.size() + qsizetype(lines) * 102);
}

TEST_F(EventLogTest, OverwriteModeKeepsNoBackup)
{
    AppSettings().SizeLimit = 1;
    AppSettings().WhenReachMax = 1;
    OpenLog();
    for (int i = 1; i <= 10; ++i)
        LogEvent("STRING", Line(i));
    CloseLog();
    EXPECT_EQ(logFiles(), QStringList({"events.log"}));
    EXPECT_EQ(file("events.log"), Header + platform::EncodeName(Line(10)) + "\r\n");
}

TEST_F(EventLogTest, LineThatReachesTheLimitExactlyStaysInTheFile)
{
    AppSettings().SizeLimit = 1;
    OpenLog();
    for (int i = 1; i <= 9; ++i)
        LogEvent("STRING", Line(i));
    LogEvent("STRING", Line(10, 1000 - 968)); // 968 + 32 is not past 1000
    LogEvent("STRING", "");                   // 1002 + 0 is past it
    CloseLog();
    EXPECT_EQ(logFiles(), QStringList({"events.log"}));
    EXPECT_EQ(file("events.log"), Header + "\r\n");
}

TEST_F(EventLogTest, ExistingFileCountsTowardsTheLimit)
{
    AppSettings().SizeLimit = 1;
    AppSettings().WhenReachMax = 2;
    WriteBytes(Std(dir_.file("events.log")), QByteArray(991, 'o'));
    OpenLog();
    LogEvent("STRING", "short line"); // 991 + 10 is past 1000
    CloseLog();
    EXPECT_EQ(file("events0.log"), QByteArray(991, 'o'));
    EXPECT_EQ(file("events.log"), Header + "short line\r\n");
}

TEST_F(EventLogTest, NoLimitNeverRotates)
{
    AppSettings().SizeLimit = 0;
    AppSettings().WhenReachMax = 2;
    OpenLog();
    for (int i = 0; i < 2000; ++i)
        LogEvent("STRING", Line(i));
    CloseLog();
    EXPECT_EQ(logFiles(), QStringList({"events.log"}));
    EXPECT_EQ(file("events.log").size(), Header.size() + 2000 * 102);
}

TEST_F(EventLogTest, NothingIsWrittenOutsideOpenAndClose)
{
    LogEvent("INFO", "before open");
    EXPECT_TRUE(logFiles().isEmpty());
    OpenLog();
    CloseLog();
    LogEvent("INFO", "after close");
    EXPECT_EQ(file("events.log"), Header);
}

TEST_F(EventLogTest, UnwritableFolderIsIgnoredAndRetried)
{
    WriteBytes(Std(dir_.file("blocker")), "a file where the folder should be");
    SetLogFolder(dir_.file("blocker/"));
    OpenLog();
    LogEvent("INFO", "lost");
    AppSettings().SizeLimit = 1;
    LogEvent("STRING", Line(1, 2000));
    CloseLog();
    EXPECT_EQ(logFiles(), QStringList({"blocker"}));

    // When the folder turns up, the open log starts writing again.
    const QString later = dir_.file("later/");
    SetLogFolder(later);
    OpenLog();
    ASSERT_TRUE(QDir().mkdir(later));
    LogEvent("STRING", "found");
    CloseLog();
    EXPECT_EQ(ReadBytes(Std(later + "events.log")), Header + "found\r\n");
}

TEST_F(EventLogTest, DefaultFolderIsTheProgramFolder)
{
    SetLogFolder({});
    EXPECT_EQ(LogFolder(), platform::ProgramFolder());
}

} // namespace
} // namespace quelt
