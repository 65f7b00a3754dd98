#include "renaming/RecoveryFile.h"

#include "platform/NameCodec.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace quelt {
namespace {

using Status = RecoveryFileContent::Status;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

std::string Native(const QString& path) { return platform::EncodeName(path).toStdString(); }

const QByteArray Start = "#Quelt Disaster Recovery File v1.0\r\n12/11/26\r\n11:47:32\r\n";

struct ParseCase {
    const char* name;
    QByteArray bytes;
    Status status;
    int itemCount;
    int triples;
    bool torn = false;
};

void PrintTo(const ParseCase& c, std::ostream* out) { *out << c.name; }

class ParseRecoveryFileTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseRecoveryFileTest, Parses)
{
    const ParseCase& c = GetParam();
    const RecoveryFileContent content = ParseRecoveryFile(c.bytes);
    EXPECT_EQ(content.status, c.status);
    if (c.status == Status::Ok || c.status == Status::TooManyTriples || c.status == Status::BadTriple) {
        EXPECT_EQ(content.itemCount, c.itemCount);
    }
    EXPECT_EQ(int(content.items.size()), c.triples);
    EXPECT_EQ(content.tornTail, c.torn);
    for (const PreviewItem& item : content.items) {
        EXPECT_TRUE(item.renameDone && item.selected && item.included);
        EXPECT_FALSE(item.restoreDone);
    }
}

const QByteArray T1 = "/a/\r\nold1\r\nnew1\r\n";
const QByteArray T2 = "/a/b/\r\nold2\r\nnew2\r\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseRecoveryFileTest,
    ::testing::Values(
        ParseCase{"Empty", "", Status::Unreadable, 0, 0},
        ParseCase{"WrongVersion", "#Quelt Disaster Recovery File v1.1\r\nd\r\nt\r\n1\r\n" + T1, Status::BadHeader, 0, 0},
        ParseCase{"HeaderWithTrailingSpace", "#Quelt Disaster Recovery File v1.0 \r\nd\r\nt\r\n1\r\n", Status::BadHeader,
                  0, 0},
        ParseCase{"TornHeader", "#Quelt Disaster Rec", Status::BadHeader, 0, 0},
        ParseCase{"NoTime", "#Quelt Disaster Recovery File v1.0\r\n12/11/26\r\n", Status::Unreadable, 0, 0},
        ParseCase{"NoCount", Start, Status::NoItemCount, 0, 0},
        ParseCase{"NoTriples", Start + "5\r\n", Status::Ok, 5, 0},
        ParseCase{"TwoTriples", Start + "2\r\n" + T1 + T2, Status::Ok, 2, 2},
        ParseCase{"CountWithSpaces", Start + "  7  \r\n" + T1, Status::Ok, 7, 1},
        ParseCase{"CountWithTrailingText", Start + "3 items\r\n" + T1, Status::Ok, 3, 1},
        ParseCase{"CountNotANumber", Start + "many\r\n" + T1, Status::Ok, 0, 0},
        ParseCase{"CountNegative", Start + "-4\r\n" + T1, Status::Ok, -4, 0},
        ParseCase{"CountHuge", Start + "99999999999999999999\r\n" + T1, Status::Ok, 2147483647, 1},
        ParseCase{"MoreTriplesThanCount", Start + "1\r\n" + T1 + T2, Status::TooManyTriples, 1, 0},
        ParseCase{"TornAfterOneLine", Start + "9\r\n" + T1 + "/a/b/\r\n", Status::Ok, 9, 1, true},
        ParseCase{"TornInTheLastLine", Start + "9\r\n" + T1 + T2.chopped(3), Status::Ok, 9, 1, true},
        ParseCase{"TornBetweenCrAndLf", Start + "9\r\n" + T1 + T2.chopped(1), Status::Ok, 9, 2},
        ParseCase{"TornTripleBeyondTheCount", Start + "1\r\n" + T1 + "/a/\r\nx", Status::Ok, 1, 1, true},
        ParseCase{"LfLineEnds", QByteArray(Start).replace("\r\n", "\n") + "1\n/a/\nx\ny\n", Status::Ok, 1, 1},
        ParseCase{"CrLineEnds", QByteArray(Start).replace("\r\n", "\r") + "1\r/a/\rx\ry\r", Status::Ok, 1, 1},
        ParseCase{"Bom", "\xEF\xBB\xBF" + Start + "1\r\n" + T1, Status::Ok, 1, 1},
        ParseCase{"RelativeFolder", Start + "1\r\na/\r\nx\r\ny\r\n", Status::BadTriple, 1, 0},
        ParseCase{"FolderWithoutSlash", Start + "1\r\n/a\r\nx\r\ny\r\n", Status::BadTriple, 1, 0},
        ParseCase{"WindowsFolder", Start + "1\r\nC:\\a\\\r\nx\r\ny\r\n", Status::BadTriple, 1, 0},
        ParseCase{"EmptyName", Start + "1\r\n/a/\r\n\r\ny\r\n", Status::BadTriple, 1, 0},
        ParseCase{"NameWithSlash", Start + "1\r\n/a/\r\nx\r\n../y\r\n", Status::BadTriple, 1, 0},
        ParseCase{"DotDotName", Start + "1\r\n/a/\r\n..\r\ny\r\n", Status::BadTriple, 1, 0},
        ParseCase{"NulInName", Start + "1\r\n/a/\r\n" + QByteArray("x\0y", 3) + "\r\ny\r\n", Status::BadTriple, 1, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ParseRecoveryFile, KeepsFieldsAndBytesThatAreNotUtf8)
{
    const RecoveryFileContent content =
        ParseRecoveryFile(Start + "2\r\n/m\xFC/\r\nold \xE9\r\nnew.txt\r\n" + T2);
    ASSERT_EQ(content.status, Status::Ok);
    EXPECT_EQ(content.date, "12/11/26");
    EXPECT_EQ(content.time, "11:47:32");
    ASSERT_EQ(content.items.size(), 2u);
    EXPECT_EQ(platform::EncodeName(content.items[0].folder), "/m\xFC/");
    EXPECT_EQ(platform::EncodeName(content.items[0].oldName), "old \xE9");
    EXPECT_EQ(content.items[0].newName, "new.txt");
    EXPECT_EQ(content.items[1].folder, "/a/b/");
}

// Found by the fuzzer: a name that is only the bytes of U+FEFF decoded to an
// empty name (the decoder dropped it as a byte-order mark).
TEST(ParseRecoveryFile, NameThatLooksLikeAByteOrderMarkIsKept)
{
    const RecoveryFileContent content = ParseRecoveryFile(Start + "1\r\n/a/\r\n\xEF\xBB\xBF\r\nx\xEF\xBB\xBFy\r\n");
    ASSERT_EQ(content.items.size(), 1u);
    EXPECT_EQ(content.items[0].oldName, QString(QChar(0xFEFF)));
    EXPECT_EQ(content.items[0].newName, "x" + QString(QChar(0xFEFF)) + "y");
    EXPECT_EQ(platform::EncodeName(content.items[0].oldName), "\xEF\xBB\xBF");
}

TEST(ParseRecoveryFile, ReadsOnlyTheBytesItIsGiven)
{
    const QByteArray whole = Start + "1\r\n" + T1;
    for (qsizetype n = 0; n <= whole.size(); ++n) {
        const QByteArray cut = whole.left(n); // a copy: reading past it is a fault ASan finds
        const RecoveryFileContent content = ParseRecoveryFile(cut);
        EXPECT_LE(content.items.size(), 1u) << n;
        if (n == whole.size()) {
            EXPECT_EQ(content.items.size(), 1u);
        }
    }
}

TEST(RecoveryFile, WriteAndReadRoundTripWithNamesThatAreNotUtf8)
{
    TempDir dir;
    const std::vector<RecoveryEntry> entries{{"/x/", platform::DecodeName("\xFF"), "b"},
                                             {"/y z/", " lead", "trail "},
                                             {"/w/", "\xC3\xA9t\xC3\xA9", "summer"}};
    ASSERT_TRUE(WriteRecoveryFile(dir.file("drinfo.dat"), 7, entries));
    const QByteArray bytes = ReadBytes(Native(dir.file("drinfo.dat")));
    EXPECT_TRUE(bytes.startsWith("#Quelt Disaster Recovery File v1.0\r\n"));
    EXPECT_TRUE(bytes.contains("\r\n7\r\n/x/\r\n\xFF\r\nb\r\n"));

    const RecoveryFileContent content = ReadRecoveryFile(dir.file("drinfo.dat"));
    ASSERT_EQ(content.status, Status::Ok);
    EXPECT_EQ(content.itemCount, 7);
    ASSERT_EQ(content.items.size(), entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(content.items[i].folder, entries[i].folder) << i;
        EXPECT_EQ(content.items[i].oldName, entries[i].oldName) << i;
        EXPECT_EQ(content.items[i].newName, entries[i].newName) << i;
    }
}

TEST(RecoveryFile, ReadOfAMissingOrUnreadablePath)
{
    TempDir dir;
    EXPECT_EQ(ReadRecoveryFile(dir.file("none.dat")).status, Status::Missing);
    ::mkdir(Native(dir.file("folder.dat")).c_str(), 0755);
    EXPECT_EQ(ReadRecoveryFile(dir.file("folder.dat")).status, Status::Unreadable);
}

TEST(RecoveryJournal, WritesTheStartThenEachTripleAsItComes)
{
    TempDir dir;
    const QString path = dir.file("drinfo.dat");
    WriteBytes(Native(path), "an older file that is replaced whole\r\n");
    RecoveryJournal journal;
    ASSERT_TRUE(journal.begin(path, 3));
    RecoveryFileContent content = ReadRecoveryFile(path);
    EXPECT_EQ(content.status, Status::Ok);
    EXPECT_EQ(content.itemCount, 3);
    EXPECT_TRUE(content.items.empty());

    journal.recordRenamed("/a/", "1", "2");
    // Nothing is held back in the program: the triple is in the file at once.
    content = ReadRecoveryFile(path);
    ASSERT_EQ(content.items.size(), 1u);
    EXPECT_EQ(content.items[0].newName, "2");

    journal.recordRenamed("/a/", platform::DecodeName("\x80"), "3");
    journal.finish();
    EXPECT_FALSE(journal.isOpen());
    EXPECT_TRUE(ReadBytes(Native(path)).endsWith("/a/\r\n\x80\r\n3\r\n"));
    EXPECT_EQ(ReadRecoveryFile(path).items.size(), 2u);
}

TEST(RecoveryJournal, BeginFailsWhereTheFileCannotBeWritten)
{
    TempDir dir;
    RecoveryJournal journal;
    EXPECT_FALSE(journal.begin(dir.file("missing/drinfo.dat"), 1));
    EXPECT_FALSE(journal.isOpen());
    journal.recordRenamed("/a/", "b", "c"); // harmless without a file
    journal.finish();
}

} // namespace
} // namespace quelt
