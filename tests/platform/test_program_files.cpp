#include "platform/NameCodec.h"
#include "platform/ProgramFiles.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quelt::platform {
namespace {

using namespace Qt::StringLiterals;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

std::string Std(const QString& path) { return EncodeName(path).toStdString(); }

mode_t ModeOf(const QString& path)
{
    struct stat st {};
    EXPECT_EQ(::stat(Std(path).c_str(), &st), 0) << path.toStdString();
    return st.st_mode & 07777;
}

QStringList FolderEntries(const TempDir& dir)
{
    return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// ---- Program folder ----

TEST(ProgramFolderTest, ChoosesInOrderOfPrecedence)
{
    TempDir exe;
    TempDir portableExe;
    WriteBytes(Std(portableExe.file("portable")), "");
    TempDir folderNamedPortable;
    QDir(folderNamedPortable.path()).mkdir("portable");

    struct Case {
        const char* name;
        QString queltHome, exeFolder, xdg, home, expected;
    } cases[] = {
        {"home variable wins", "/srv/q", portableExe.path(), "/x", "/h", "/srv/q/"},
        {"home variable keeps its slash", "/srv/q/", exe.path(), "", "/h", "/srv/q/"},
        {"portable file beside the program", "", portableExe.path(), "/x", "/h", portableExe.path()},
        {"a folder named portable does not count", "", folderNamedPortable.path(), "/x", "/h",
         "/x/quelt/"},
        {"data home", "", exe.path(), "/data/", "/h", "/data/quelt/"},
        {"relative data home is ignored", "", exe.path(), "rel", "/h", "/h/.local/share/quelt/"},
        {"default under home", "", exe.path(), "", "/home/u", "/home/u/.local/share/quelt/"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChooseProgramFolder(c.queltHome, c.exeFolder, c.xdg, c.home), c.expected) << c.name;
}

TEST(ProgramFolderTest, RelativeHomeVariableIsMadeAbsolute)
{
    const QString chosen = ChooseProgramFolder("rel/home", {}, {}, "/h");
    EXPECT_TRUE(chosen.startsWith(u'/'));
    EXPECT_TRUE(chosen.endsWith(u"/rel/home/"));
}

class ProgramFolderEnvTest : public ::testing::Test {
protected:
    void SetUp() override { saved_ = qgetenv("QUELT_HOME"); }
    void TearDown() override { qputenv("QUELT_HOME", saved_); }
    QByteArray saved_;
    TempDir dir_;
};

TEST_F(ProgramFolderEnvTest, CreatesTheFolderOnFirstUse)
{
    const QString home = dir_.path() + "a/b/quelt";
    qputenv("QUELT_HOME", EncodeName(home));
    EXPECT_EQ(ProgramFolder(), home + "/");
    struct stat st {};
    ASSERT_EQ(::stat(Std(home).c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
}

TEST(ProgramFolderTest, ExecutableFolderIsTheTestBinarysFolder)
{
    const QString folder = ExecutableFolder();
    ASSERT_TRUE(folder.endsWith(u'/'));
    EXPECT_EQ(folder, QCoreApplication::applicationDirPath() + "/");
    EXPECT_TRUE(ResourceFolder().endsWith(u'/'));
}

// ---- Decoding ----

struct DecodeCase {
    const char* name;
    QByteArray bytes;
    QString expected;
};

TEST(DecodeTextTest, Table)
{
    const DecodeCase cases[] = {
        {"ascii", "plain text", "plain text"},
        {"empty", "", ""},
        {"BOM only", "\xEF\xBB\xBF", ""},
        {"BOM skipped", "\xEF\xBB\xBFname", "name"},
        {"UTF-8", "caf\xC3\xA9 \xE2\x82\xAC", u"caf\u00E9 \u20AC"_s},
        {"UTF-8 outside the BMP", "\xF0\x9F\x8E\xB5", u"\U0001F3B5"_s},
        {"1252 euro and quotes", "\x80 \x93q\x94", u"\u20AC \u201Cq\u201D"_s},
        {"1252 upper half is Latin-1", "caf\xE9 \xFF", u"caf\u00E9 \u00FF"_s},
        {"1252 undefined bytes stay C1 codes", "\x81\x8D\x8F\x90\x9D", u"\u0081\u008D\u008F\u0090\u009D"_s},
        {"1252 last row", "\x9E\x9F", u"\u017E\u0178"_s},
        {"one bad byte makes the whole text 1252", "\xC3\xA9 \xE9", u"\u00C3\u00A9 \u00E9"_s},
        {"truncated sequence at the end", "ab\xC3", u"ab\u00C3"_s},
        {"overlong form", "\xC0\xAF", u"\u00C0\u00AF"_s},
        {"encoded surrogate", "\xED\xA0\x80", u"\u00ED\u00A0\u20AC"_s},
        {"BOM before 1252 text", "\xEF\xBB\xBF\xE9", u"\u00E9"_s},
        {"NUL kept", QByteArray("a\0b", 3), QString(u"a\0b"_s)},
    };
    for (const DecodeCase& c : cases)
        EXPECT_EQ(DecodeText(c.bytes), c.expected) << c.name;
}

TEST(DecodeTextTest, NameBytesVariantKeepsInvalidBytes)
{
    const QByteArray bytes = "\xEF\xBB\xBF" "caf\xC3\xA9 \xE9";
    const QString text = DecodeTextWithNameBytes(bytes);
    EXPECT_TRUE(text.startsWith(u"caf\u00E9 "_s));
    EXPECT_EQ(EncodeName(text), bytes.mid(3));
}

TEST(SplitLinesTest, Table)
{
    struct Case {
        const char* name;
        QString text;
        QStringList expected;
    } cases[] = {
        {"empty", "", {}},
        {"one line, no end", "a", {"a"}},
        {"CR LF", "a\r\nb", {"a", "b"}},
        {"LF", "a\nb", {"a", "b"}},
        {"CR", "a\rb", {"a", "b"}},
        {"final end starts no line", "a\r\n", {"a"}},
        {"empty lines kept", "a\n\nb\n", {"a", "", "b"}},
        {"a lone line end", "\r\n", {""}},
        {"CR then CR LF", "a\r\r\nb", {"a", "", "b"}},
        {"LF CR is two ends", "a\n\rb", {"a", "", "b"}},
        {"mixed", "1\r\n2\n3\r4", {"1", "2", "3", "4"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitLines(c.text), c.expected) << c.name;
}

// ---- Reading and writing files ----

TEST(TextFileTest, ReadsAnyLineEndAndRefusesWhatIsNotAFile)
{
    TempDir dir;
    WriteBytes(Std(dir.file("t.txt")), "\xEF\xBB\xBFone\r\ntwo\nthree\rfour\xE9");
    QStringList lines{"stale"};
    ASSERT_TRUE(ReadTextFile(dir.file("t.txt"), lines));
    EXPECT_EQ(lines, QStringList({"one", "two", "three", u"four\u00E9"_s}));

    EXPECT_FALSE(ReadTextFile(dir.file("missing.txt"), lines));
    EXPECT_TRUE(lines.isEmpty());
    EXPECT_FALSE(ReadTextFile(dir.path(), lines));
}

TEST(TextFileTest, ReadWholeFileStopsAtTheLimit)
{
    TempDir dir;
    WriteBytes(Std(dir.file("big")), QByteArray(200000, 'x'));
    QByteArray bytes;
    ASSERT_TRUE(ReadWholeFile(dir.file("big"), bytes, 70000));
    EXPECT_EQ(bytes.size(), 70000);
    ASSERT_TRUE(ReadWholeFile(dir.file("big"), bytes));
    EXPECT_EQ(bytes.size(), 200000);
}

TEST(TextFileTest, WritesUtf8WithCrLfAndNoBom)
{
    TempDir dir;
    ASSERT_TRUE(WriteTextFile(dir.file("out.txt"), {u"caf\u00E9"_s, "", "end"}));
    EXPECT_EQ(ReadBytes(Std(dir.file("out.txt"))), QByteArray("caf\xC3\xA9\r\n\r\nend\r\n"));
    ASSERT_TRUE(WriteTextFile(dir.file("empty.txt"), {}));
    EXPECT_EQ(ReadBytes(Std(dir.file("empty.txt"))), QByteArray());
}

TEST(TextFileTest, NameBytesSurviveAWriteAndRead)
{
    TempDir dir;
    const QString name = DecodeName("song\xFF\xFE.mp3");
    ASSERT_TRUE(WriteTextFile(dir.file("journal"), {"header", name}));
    EXPECT_EQ(ReadBytes(Std(dir.file("journal"))), QByteArray("header\r\nsong\xFF\xFE.mp3\r\n"));
    QStringList lines;
    ASSERT_TRUE(ReadTextFileWithNameBytes(dir.file("journal"), lines));
    EXPECT_EQ(lines, QStringList({"header", name}));
}

class AtomicWriteTest : public ::testing::Test {
protected:
    QString target() const { return dir_.file("options.ini"); }
    void writeOld() { WriteBytes(Std(target()), "old contents"); }
    void expectOldAndNoLeftovers()
    {
        EXPECT_EQ(ReadBytes(Std(target())), QByteArray("old contents"));
        EXPECT_EQ(FolderEntries(dir_), QStringList({"options.ini"}));
    }
    TempDir dir_;
};

TEST_F(AtomicWriteTest, ReplacesAndLeavesNoTemporaryFile)
{
    writeOld();
    ASSERT_TRUE(WriteFileAtomically(target(), "new"));
    EXPECT_EQ(ReadBytes(Std(target())), QByteArray("new"));
    EXPECT_EQ(FolderEntries(dir_), QStringList({"options.ini"}));
}

TEST_F(AtomicWriteTest, KeepsThePermissionsOfTheOldFile)
{
    writeOld();
    ASSERT_EQ(::chmod(Std(target()).c_str(), 0640), 0);
    ASSERT_TRUE(WriteFileAtomically(target(), "new"));
    EXPECT_EQ(ModeOf(target()), mode_t(0640));
}

TEST_F(AtomicWriteTest, NewFileGetsTheUsualPermissions)
{
    const mode_t mask = ::umask(022);
    ASSERT_TRUE(WriteFileAtomically(target(), "new"));
    ::umask(mask);
    EXPECT_EQ(ModeOf(target()), mode_t(0644));
}

TEST_F(AtomicWriteTest, WritesThroughASymbolicLink)
{
    WriteBytes(Std(dir_.file("real.ini")), "old");
    ASSERT_EQ(::symlink("real.ini", Std(target()).c_str()), 0);
    ASSERT_TRUE(WriteFileAtomically(target(), "new"));
    struct stat st {};
    ASSERT_EQ(::lstat(Std(target()).c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadBytes(Std(dir_.file("real.ini"))), QByteArray("new"));
}

TEST_F(AtomicWriteTest, FailsWhenTheFolderIsMissingOrAFile)
{
    EXPECT_FALSE(WriteFileAtomically(dir_.file("no/such/folder/options.ini"), "x"));
    WriteBytes(Std(dir_.file("plain")), "file");
    EXPECT_FALSE(WriteFileAtomically(dir_.file("plain/options.ini"), "x"));
    EXPECT_FALSE(WriteFileAtomically(QString(), "x"));
    EXPECT_FALSE(WriteFileAtomically(dir_.path(), "x"));
    EXPECT_EQ(ReadBytes(Std(dir_.file("plain"))), QByteArray("file"));
}

TEST_F(AtomicWriteTest, FolderInTheWayIsLeftAlone)
{
    ASSERT_EQ(::mkdir(Std(target()).c_str(), 0755), 0);
    WriteBytes(Std(dir_.file("options.ini/inside")), "kept");
    EXPECT_FALSE(WriteFileAtomically(target(), "x"));
    EXPECT_EQ(ReadBytes(Std(dir_.file("options.ini/inside"))), QByteArray("kept"));
    EXPECT_EQ(FolderEntries(dir_), QStringList({"options.ini"}));
}

// A write that fails half-way (here: the file size limit, as a full disk would)
// leaves the old file as it was and removes the temporary file.
TEST_F(AtomicWriteTest, FailedWriteLeavesTheOldFile)
{
    writeOld();
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = WriteFileAtomically(target(), QByteArray(100000, 'n'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    expectOldAndNoLeftovers();
}

// ---- Appending ----

TEST(TextAppenderTest, AppendsLinesUnbuffered)
{
    TempDir dir;
    const QString path = dir.file("log");
    WriteBytes(Std(path), "first\r\n");
    TextAppender out;
    EXPECT_FALSE(out.isOpen());
    EXPECT_FALSE(out.appendLine("nowhere"));
    EXPECT_EQ(out.size(), -1);
    ASSERT_TRUE(out.open(path));
    ASSERT_TRUE(out.appendLine(u"second \u00E9"_s));
    // Visible to a reader at once: nothing waits in a buffer.
    EXPECT_EQ(ReadBytes(Std(path)), QByteArray("first\r\nsecond \xC3\xA9\r\n"));
    ASSERT_TRUE(out.append("raw"));
    EXPECT_TRUE(out.sync());
    EXPECT_EQ(out.size(), qint64(QByteArray("first\r\nsecond \xC3\xA9\r\nraw").size()));
    out.close();
    EXPECT_FALSE(out.isOpen());

    ASSERT_TRUE(out.open(path, true));
    EXPECT_EQ(out.size(), 0);
    ASSERT_TRUE(out.appendLine(DecodeName("n\xFF")));
    out.close();
    EXPECT_EQ(ReadBytes(Std(path)), QByteArray("n\xFF\r\n"));

    EXPECT_FALSE(out.open(dir.file("missing/log")));
    EXPECT_FALSE(out.isOpen());
}

// ---- INI files ----

IniFile Parsed(const QByteArray& bytes)
{
    IniFile ini;
    ini.parse(bytes);
    return ini;
}

TEST(IniFileTest, ReadingTable)
{
    const IniFile ini = Parsed(
        "ignored=before any section\r\n"
        "[General]\r\n"
        "Key=first\r\n"
        "KEY=second\r\n"
        "  Spaced  =  padded value  \r\n"
        "Quoted=\"  kept  \"\r\n"
        "Single='x'\r\n"
        "Lone=\"\r\n"
        "Empty=\r\n"
        "; comment=no\r\n"
        "no equals sign\r\n"
        "=no key\r\n"
        "Eq=a=b\r\n"
        "[ Second ]\n"
        "k=v\r"
        "[general]\n"
        "Later=merged\n"
        "Key=third\n"
        "[broken\n"
        "lost=yes\n");
    struct Case {
        const char* section;
        const char* key;
        const char* expected; // nullptr: not there
    } cases[] = {
        {"General", "Key", "first"},
        {"GENERAL", "key", "first"},
        {"general", "spaced", "padded value"},
        {"General", "Quoted", "  kept  "},
        {"General", "Single", "x"},
        {"General", "Lone", "\""},
        {"General", "Empty", ""},
        {"General", "Eq", "a=b"},
        {"General", "Later", "merged"},
        {"second", "K", "v"},
        {"General", "ignored", nullptr},
        {"General", "; comment", nullptr},
        {"General", "no equals sign", nullptr},
        {"General", "lost", nullptr},
        {"broken", "lost", nullptr},
        {"Missing", "Key", nullptr},
    };
    for (const Case& c : cases) {
        const std::string where = std::string(c.section) + "/" + c.key;
        EXPECT_EQ(ini.contains(c.section, c.key), c.expected != nullptr) << where;
        EXPECT_EQ(ini.value(c.section, c.key, "fallback"), c.expected ? c.expected : "fallback")
            << where;
    }
    ASSERT_EQ(ini.sections().size(), 2u);
    EXPECT_EQ(ini.sections()[1].name, "Second");
}

TEST(IniFileTest, ValuesAreCutAt255Characters)
{
    const QString longValue(300, u'v');
    const IniFile ini = Parsed("[S]\nk=" + longValue.toUtf8() + "\nexact="
                               + QByteArray(255, 'e') + "\n");
    EXPECT_EQ(ini.value("S", "k"), QString(255, u'v'));
    EXPECT_EQ(ini.value("S", "exact"), QString(255, u'e'));
    EXPECT_EQ(ini.value("S", "missing", longValue).size(), 255);
    // A character outside the BMP counts once and is never split.
    const QString notes = QString(254, u'a') + u"\U0001F3B5\U0001F3B5"_s;
    const IniFile pairs = Parsed("[S]\nk=" + notes.toUtf8() + "\n");
    EXPECT_EQ(pairs.value("S", "k"), QString(254, u'a') + u"\U0001F3B5"_s);
    // The value itself is kept whole and written back whole.
    EXPECT_EQ(ini.sections()[0].entries[0].value, longValue);
}

TEST(IniFileTest, EachLineIsUtf8Or1252)
{
    const IniFile ini = Parsed("[S]\nutf=caf\xC3\xA9\nansi=caf\xE9\n");
    EXPECT_EQ(ini.value("S", "utf"), u"caf\u00E9"_s);
    EXPECT_EQ(ini.value("S", "ansi"), u"caf\u00E9"_s);
}

TEST(IniFileTest, WritesInOrderOfFirstUse)
{
    IniFile ini;
    ini.setValue("B", "two", "2");
    ini.setValue("A", "one", "1");
    ini.setValue("b", "ONE", "1b");
    ini.setValue("B", "Two", "2b");
    EXPECT_EQ(ini.toLines(), QStringList({"[B]", "two=2b", "ONE=1b", "", "[A]", "one=1"}));
    TempDir dir;
    ASSERT_TRUE(ini.save(dir.file("x.ini")));
    EXPECT_EQ(ReadBytes(Std(dir.file("x.ini"))),
              QByteArray("[B]\r\ntwo=2b\r\nONE=1b\r\n\r\n[A]\r\none=1\r\n"));
}

TEST(IniFileTest, UpdatingALoadedFileKeepsItsOrderAndOtherKeys)
{
    IniFile ini = Parsed("[Z]\r\nkeep=me\r\nk=old\r\nK=shadowed\r\n[Y]\r\ny=1\r\n");
    ini.setValue("z", "K", "new");
    ini.setValue("X", "x", "3");
    EXPECT_EQ(ini.toLines(),
              QStringList({"[Z]", "keep=me", "k=new", "K=shadowed", "", "[Y]", "y=1", "", "[X]", "x=3"}));
}

TEST(IniFileTest, EveryValueSurvivesARoundTrip)
{
    const QString values[] = {
        "plain", " (%number%)", "trailing ", "\tTab", "\"quoted\"", "'single'", "\"", "'",
        "", "a=b;c", u"caf\u00E9 \U0001F3B5"_s, "[not a section]",
    };
    IniFile ini;
    int n = 0;
    for (const QString& v : values)
        ini.setValue("S", QString("k%1").arg(n++), v);
    TempDir dir;
    ASSERT_TRUE(ini.save(dir.file("r.ini")));
    IniFile back;
    ASSERT_TRUE(back.load(dir.file("r.ini")));
    n = 0;
    for (const QString& v : values)
        EXPECT_EQ(back.value("S", QString("k%1").arg(n++)), v) << v.toStdString();
}

TEST(IniFileTest, LineBreakInAValueCannotAddKeys)
{
    IniFile ini;
    ini.setValue("State", "Folder", "/tmp/x\n[General]\r\nAskOnExit=0");
    ini.setValue("State", "Filter", "*.*");
    TempDir dir;
    ASSERT_TRUE(ini.save(dir.file("i.ini")));
    IniFile back;
    ASSERT_TRUE(back.load(dir.file("i.ini")));
    EXPECT_EQ(back.value("State", "Folder", "missing"), "");
    EXPECT_FALSE(back.contains("General", "AskOnExit"));
    EXPECT_EQ(back.value("State", "Filter"), "*.*");
}

TEST(IniFileTest, MissingFileOrFolderGivesAnEmptyIni)
{
    TempDir dir;
    IniFile ini = Parsed("[S]\nk=v\n");
    EXPECT_FALSE(ini.load(dir.file("none.ini")));
    EXPECT_TRUE(ini.sections().empty());
    EXPECT_FALSE(ini.load(dir.path()));
    EXPECT_FALSE(ini.save(dir.file("none/x.ini")));
}

TEST(IniFileTest, BinaryJunkParsesWithoutHarm)
{
    QByteArray junk;
    for (int i = 0; i < 4096; ++i)
        junk.append(char((i * 7919 + 13) & 0xFF));
    junk.append("\n[S]\nk=v\0w\n", 11);
    const IniFile ini = Parsed(junk);
    EXPECT_EQ(ini.value("S", "k"), QString(u"v\0w"_s));
}

} // namespace
} // namespace quelt::platform
