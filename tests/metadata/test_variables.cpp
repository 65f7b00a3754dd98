#include "app/Settings.h"
#include "metadata/VariableGroups.h"
#include "metadata/Variables.h"
#include "platform/ProgramFiles.h"
#include "renaming/EventLog.h"

#include "TestSupport.h"

#include <QDate>
#include <QLocale>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quelt;

void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

const QString MissingFolder = QStringLiteral("/nonexistent-quelt-variables/Rock/");

PreviewItem Item(const QString& folder, const QString& oldName, const QString& newName, bool valid = true)
{
    PreviewItem item;
    item.folder = folder;
    item.oldName = oldName;
    item.newName = newName;
    item.valid = valid;
    item.included = true;
    item.selected = true;
    return item;
}

PreviewItem Expand(const QString& newName, const QString& oldName = QStringLiteral("song.mp3"),
                   const QString& folder = MissingFolder, const ExpansionOptions& options = {})
{
    return ConvertText(Item(folder, oldName, newName), options);
}

// Seconds since the epoch of a local date and time.
std::time_t LocalSeconds(int year, int month, int day, int hour, int minute, int second)
{
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    parts.tm_isdst = -1;
    return std::mktime(&parts);
}

void SetTimes(const QString& path, std::time_t accessed, std::time_t modified)
{
    const timespec times[2] = {{accessed, 250000000}, {modified, 750000000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.toUtf8().constData(), times, 0), 0);
}

void MakeSparseFile(const QString& path, off_t size)
{
    const int fd = ::open(path.toUtf8().constData(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, size), 0);
    ::close(fd);
}

// Runs with a known locale for the texts that follow the user's locale.
class EnglishLocale : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }
};

} // namespace

// ---- Syntax: references, "%%", ELSE chains and parameters (no file needed) ----

struct ExpansionCase {
    const char* name;
    const char* text;
    const char* expected;
    bool valid;
};

void PrintTo(const ExpansionCase& c, std::ostream* os)
{
    *os << c.text;
}

class ExpansionSyntax : public ::testing::TestWithParam<ExpansionCase> {};

TEST_P(ExpansionSyntax, Expands)
{
    const ExpansionCase& c = GetParam();
    const PreviewItem out = Expand(QString::fromUtf8(c.text));
    EXPECT_EQ(out.newName, QString::fromUtf8(c.expected)) << c.text;
    EXPECT_EQ(out.valid, c.valid) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ExpansionSyntax,
    ::testing::Values(
        ExpansionCase{"PlainText", "plain name.txt", "plain name.txt", true},
        ExpansionCase{"DoublePercent", "100%%", "100%", true},
        ExpansionCase{"DoublePercentInside", "a%%b%%c", "a%b%c", true},
        ExpansionCase{"TrailingPercent", "100%", "100%", true},
        ExpansionCase{"LonePercent", "%", "%", true},
        ExpansionCase{"TriplePercent", "%%%", "%%", true},
        ExpansionCase{"TitleAndExtension", "%file_title%.%file_ext%", "song.mp3", true},
        ExpansionCase{"Capitals", "%FILE_TITLE%.%File_Ext%", "song.mp3", true},
        ExpansionCase{"BackToBackIsOneName", "%file_title%%file_ext%", "", false},
        ExpansionCase{"DoubledPercentInsideReference", "x%file%%title%y", "xy", false},
        ExpansionCase{"ReferencesSideBySide", "%const=a%const=b%", "aconst=b%", true},
        ExpansionCase{"EscapedReference", "%%const=x%%", "%const=x%", true},
        ExpansionCase{"SpacesAroundName", "% file_title %", "song", true},
        ExpansionCase{"UnknownVariable", "a%no_such_variable%b", "ab", false},
        ExpansionCase{"EmptyName", "a% %b", "ab", false},
        ExpansionCase{"ElseOnly", "a%ELSE%b", "ab", false},
        ExpansionCase{"ElseWithEmptyAlternatives", "%ELSE ELSE %", "", false},
        ExpansionCase{"ElseFallsThrough", "%no_such ELSE file_title%", "song", true},
        ExpansionCase{"ElseAnyCase", "%no_such else file_title%", "song", true},
        ExpansionCase{"ElseFirstWins", "%file_ext ELSE file_title%", "mp3", true},
        ExpansionCase{"ElseNoneResolves", "[%no_such ELSE other%]", "[]", false},
        ExpansionCase{"ElseToConstant", "%id3v1_artist ELSE id3v2_artist ELSE const=No Artist%", "No Artist", true},
        ExpansionCase{"ConstantHoldsElse", "%const=Black ELSE White%", "Black ELSE White", true},
        ExpansionCase{"ConstantInCapitalsHoldsElse", "%CONST=Black ELSE White%", "Black ELSE White", true},
        ExpansionCase{"ConstantKeepsCaseAndLeadingSpace", "x%const= Mixed Case%", "x Mixed Case", true},
        ExpansionCase{"ConstantKeepsEquals", "%const=a=b%", "a=b", true},
        ExpansionCase{"ConstantHoldsKeyword", "%const=Best midi_track random%", "Best midi_track random", true},
        ExpansionCase{"ConstantEmpty", "a%const=%b", "ab", true},
        ExpansionCase{"ConstantWithoutEquals", "a%const%b", "ab", true},
        ExpansionCase{"ConstantHoldsPercent", "%const=50%% off%", "50% off", true},
        ExpansionCase{"EqualsOnUnknownName", "%file_title=x%", "", false},
        ExpansionCase{"RandomWithoutLength", "a%random_letters%b", "ab", true},
        ExpansionCase{"RandomNegativeLength", "a%random_numbers=-5%b", "ab", true},
        ExpansionCase{"RandomNotANumber", "a%random_numbers=abc%b", "ab", true},
        ExpansionCase{"CurrentDateNeedsLayout", "%curr_date%", "", false},
        ExpansionCase{"UnknownLayout", "%curr_date[yyyy-mm]%", "", false},
        ExpansionCase{"DateLayoutOnTime", "%curr_time[yyyy-mm-dd]%", "", false},
        ExpansionCase{"EmptyLayout", "%file_modified_date[]%", "", false},
        ExpansionCase{"ParentFolder", "%parent_folder%", "Rock", true},
        ExpansionCase{"MissingItemTimesAreEmpty", "[%file_modified_date[yyyy-mm-dd]%,%file_created_time[hh-mm]%]", "[,]", true},
        ExpansionCase{"MissingItemSize", "%size_bytes% %fixed_size%", "0 0 bytes", true},
        ExpansionCase{"MissingItemHtmlTitle", "%html_title%", "", false},
        ExpansionCase{"ValueIsCleaned", "%const=AC/DC: Live?%", "ACDC Live", true},
        ExpansionCase{"LiteralIsCleaned", "a|b%const=c%", "abc", true},
        ExpansionCase{"DotIsNoName", "%const=.%", ".", false},
        ExpansionCase{"DotDotIsNoName", "%const=..%", "..", false},
        ExpansionCase{"ThreeDotsAreAName", "%const=...%", "...", true}),
    [](const ::testing::TestParamInfo<ExpansionCase>& info) { return std::string(info.param.name); });

TEST(Expansion, NameWithoutExtensionHasEmptyExtensionThatResolves)
{
    const PreviewItem out = Expand(QStringLiteral("[%file_ext%]%file_title%"), QStringLiteral("README"));
    EXPECT_EQ(out.newName, QStringLiteral("[]README"));
    EXPECT_TRUE(out.valid);
}

TEST(Expansion, ParentFolderOfRootDoesNotResolve)
{
    const PreviewItem out = Expand(QStringLiteral("x%parent_folder%"), QStringLiteral("etc"), QStringLiteral("/"));
    EXPECT_EQ(out.newName, QStringLiteral("x"));
    EXPECT_FALSE(out.valid);
}

TEST(Expansion, ParentFolderKeepsSpacesAndOddBytes)
{
    const QString folder = QStringLiteral("/music/ Live ") + QChar(0xDCFF) + u'/';
    const PreviewItem out = Expand(QStringLiteral("%parent_folder%"), QStringLiteral("a"), folder);
    EXPECT_EQ(out.newName, QStringLiteral(" Live ") + QChar(0xDCFF));
}

TEST(Expansion, InvalidItemStaysInvalidWhenEverythingResolves)
{
    const PreviewItem out = ConvertText(Item(MissingFolder, QStringLiteral("a.b"), QStringLiteral("%file_title%"), false), {});
    EXPECT_EQ(out.newName, QStringLiteral("a"));
    EXPECT_FALSE(out.valid);
}

TEST(Expansion, OtherFieldsPassThrough)
{
    PreviewItem in = Item(MissingFolder, QStringLiteral("a.b"), QStringLiteral("%no_such%"));
    in.included = false;
    in.selected = true;
    in.renameDone = true;
    in.restoreDone = true;
    in.size = 1234;
    const PreviewItem out = ConvertText(in, {});
    EXPECT_EQ(out.folder, in.folder);
    EXPECT_EQ(out.oldName, in.oldName);
    EXPECT_EQ(out.included, in.included);
    EXPECT_EQ(out.selected, in.selected);
    EXPECT_EQ(out.renameDone, in.renameDone);
    EXPECT_EQ(out.restoreDone, in.restoreDone);
    EXPECT_EQ(out.size, in.size);
}

TEST(Expansion, NulInValueCutsTheNameThere)
{
    const QString text = QStringLiteral("x%const=ab") + QChar(0) + QStringLiteral("cd%y");
    EXPECT_EQ(Expand(text).newName, QStringLiteral("xaby"));
}

TEST(Expansion, NulInLiteralCutsAtTheNextReference)
{
    const QString withReference = QStringLiteral("a") + QChar(0) + QStringLiteral("b%const=c%d");
    EXPECT_EQ(Expand(withReference).newName, QStringLiteral("ad"));
    const QString withoutReference = QStringLiteral("a") + QChar(0) + QStringLiteral("b");
    EXPECT_EQ(Expand(withoutReference).newName, QStringLiteral("ab"));
}

TEST(Expansion, ReplaceInvalidCharsInValues)
{
    ExpansionOptions replace;
    replace.replaceInvalidChars = true;
    replace.replaceWith = QStringLiteral("_");
    EXPECT_EQ(Expand(QStringLiteral("%const=1/2:3%"), {}, MissingFolder, replace).newName, QStringLiteral("1_2_3"));
    EXPECT_EQ(Expand(QStringLiteral("%const=1/2:3%")).newName, QStringLiteral("123"));
}

TEST(Expansion, SettingsOverloadsFollowAppSettings)
{
    Settings& settings = AppSettings();
    const Settings saved = settings;
    settings.ReplaceInvalidChars = true;
    settings.ReplaceWith = QStringLiteral("-");
    settings.EnableLogging = false;
    const ExpansionOptions options = ExpansionOptionsFromSettings();
    EXPECT_TRUE(options.replaceInvalidChars);
    EXPECT_EQ(options.replaceWith, QStringLiteral("-"));
    EXPECT_FALSE(options.enableLogging);
    EXPECT_EQ(ConvertText(Item(MissingFolder, QStringLiteral("a.b"), QStringLiteral("%file_title%:1"))).newName, QStringLiteral("a-1"));
    EXPECT_EQ(FixInvalidChars(QStringLiteral("x/y")), QStringLiteral("x-y"));
    settings.ReplaceInvalidChars = false;
    EXPECT_EQ(FixInvalidChars(QStringLiteral("x/y")), QStringLiteral("xy"));
    settings = saved;
}

// ---- Random texts ----

TEST(RandomVariables, LengthsAndAlphabets)
{
    struct Case {
        const char* text;
        qsizetype length;
        const char* pattern;
    };
    const Case cases[] = {
        {"%random_numbers=10%", 10, "^[0-9]*$"},
        {"%random_letters=25%", 25, "^[A-Za-z]*$"},
        {"%random_letters_numbers=40%", 40, "^[A-Za-z0-9]*$"},
        {"%RANDOM_NUMBERS=7%", 7, "^[0-9]*$"},
        {"%random_numbers = 3%", 3, "^[0-9]*$"},
        {"%random_numbers=2.9%", 2, "^[0-9]*$"},
        {"%random_numbers=5000%", 1000, "^[0-9]*$"},
        {"%random_numbers=99999999999999999999999999%", 1000, "^[0-9]*$"},
        {"%random_numbers=1e400%", 1000, "^[0-9]*$"},
        {"%random_letters=0%", 0, "^$"},
    };
    for (const Case& c : cases) {
        const PreviewItem out = Expand(QString::fromUtf8(c.text));
        EXPECT_EQ(out.newName.size(), c.length) << c.text;
        EXPECT_TRUE(QRegularExpression(QString::fromUtf8(c.pattern)).match(out.newName).hasMatch())
            << c.text << " gave " << out.newName.toStdString();
        EXPECT_TRUE(out.valid) << c.text;
    }
}

TEST(RandomVariables, EveryCharacterOfTheAlphabetTurnsUpAndDrawsDiffer)
{
    const QString first = Expand(QStringLiteral("%random_letters_numbers=1000%")).newName;
    const QString second = Expand(QStringLiteral("%random_letters_numbers=1000%")).newName;
    EXPECT_NE(first, second);
    const QString all = first + second;
    for (const QChar c : QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz1234567890"))
        EXPECT_TRUE(all.contains(c)) << QString(c).toStdString();
}

// ---- Current date and time ----

TEST(CurrentDateTime, Layouts)
{
    const QDate before = QDate::currentDate();
    const QString ymd = Expand(QStringLiteral("%curr_date[yyyy-mm-dd]%")).newName;
    const QString dmy = Expand(QStringLiteral("%CURR_DATE[DD-MM-YYYY]%")).newName;
    const QString mdy = Expand(QStringLiteral("%curr_date[mm-dd-yyyy]%")).newName;
    const QDate after = QDate::currentDate();
    const QDate today = ymd == after.toString(u"yyyy-MM-dd") ? after : before;
    EXPECT_EQ(ymd, today.toString(u"yyyy-MM-dd"));
    EXPECT_EQ(dmy, today.toString(u"dd-MM-yyyy"));
    EXPECT_EQ(mdy, today.toString(u"MM-dd-yyyy"));

    const QString hms = Expand(QStringLiteral("%curr_time[hh-mm-ss]%")).newName;
    const QString hm = Expand(QStringLiteral("%curr_time[hh-mm]%")).newName;
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^([01][0-9]|2[0-3])-[0-5][0-9]-[0-5][0-9]$")).match(hms).hasMatch()) << hms.toStdString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^([01][0-9]|2[0-3])-[0-5][0-9]$")).match(hm).hasMatch()) << hm.toStdString();
}

// ---- Unclosed references ----

TEST(ExpansionFailure, UnclosedReferenceReturnsTheItemAsItWas)
{
    for (const bool valid : {true, false}) {
        for (const char* text : {"50% off", "%file_title", "a%%b%c", "%abc%%", "%const=x%%y"}) {
            const PreviewItem in = Item(MissingFolder, QStringLiteral("a.b"), QString::fromUtf8(text), valid);
            const PreviewItem out = ConvertText(in, ExpansionOptions{false, QStringLiteral("_"), false});
            EXPECT_EQ(out.newName, in.newName) << text;
            EXPECT_EQ(out.valid, valid) << text;
        }
    }
}

TEST(ExpansionFailure, UnclosedReferenceStillCleansTheName)
{
    // A separator must never reach the rename, even when the text cannot be expanded.
    const PreviewItem out = ConvertText(Item(MissingFolder, QStringLiteral("a"), QStringLiteral("../x/50% off")),
                                        ExpansionOptions{false, QStringLiteral("_"), false});
    EXPECT_EQ(out.newName, QStringLiteral("..x50% off"));
    EXPECT_TRUE(out.valid);
}

TEST(ExpansionFailure, UnclosedReferenceLogsOneErrorLineWhenLoggingIsOn)
{
    const std::string log = (platform::ProgramFolder() + QStringLiteral("events.log")).toStdString();
    const auto lineCount = [&] { return test::ReadBytes(log).count('\n'); };
    OpenLog();
    const qsizetype before = lineCount();
    const ExpansionOptions logging{false, QStringLiteral("_"), true};
    const ExpansionOptions silent{false, QStringLiteral("_"), false};
    ConvertText(Item(MissingFolder, QStringLiteral("a"), QStringLiteral("%file_title% %no_such%")), logging);
    ConvertText(Item(MissingFolder, QStringLiteral("a"), QStringLiteral("50% off")), silent);
    ConvertText(Item(MissingFolder, QStringLiteral("a"), QStringLiteral("50% off")), logging);
    CloseLog();
    const QByteArray text = test::ReadBytes(log);
    ASSERT_EQ(lineCount(), before + 1) << text.toStdString();
    const QByteArray last = text.trimmed().split('\n').last().trimmed();
    EXPECT_TRUE(last.contains("ERROR")) << last.toStdString();
    EXPECT_TRUE(last.endsWith("ConvertText: Unexpected error #1")) << last.toStdString();
}

// ---- FixInvalidChars ----

TEST(FixInvalidChars, Table)
{
    struct Case {
        const char* name;
        QString text;
        bool replace;
        QString with;
        QString expected;
    };
    const QString controls = QStringLiteral("a\tb\nc\rd") + QChar(0) + QChar(1) + QChar(31) + QStringLiteral("e");
    const Case cases[] = {
        {"empty", QString(), true, QStringLiteral("_"), QString()},
        {"clean", QStringLiteral("Song - Title (1).mp3"), true, QStringLiteral("_"), QStringLiteral("Song - Title (1).mp3")},
        {"nine removed", QStringLiteral("a/b\\c:d*e?f\"g<h>i|j"), false, QStringLiteral("_"), QStringLiteral("abcdefghij")},
        {"nine replaced", QStringLiteral("a/b\\c:d*e?f\"g<h>i|j"), true, QStringLiteral("-"), QStringLiteral("a-b-c-d-e-f-g-h-i-j")},
        {"forbidden replacement", QStringLiteral("a/b"), true, QStringLiteral("/"), QStringLiteral("a_b")},
        {"forbidden replacement 2", QStringLiteral("a:b"), true, QStringLiteral("?"), QStringLiteral("a_b")},
        {"empty replacement", QStringLiteral("a/b"), true, QString(), QStringLiteral("a_b")},
        {"control replacement", QStringLiteral("a/b"), true, QStringLiteral("\t"), QStringLiteral("a_b")},
        {"wide replacement", QStringLiteral("a/b"), true, QStringLiteral("\U0001F600"), QStringLiteral("a\U0001F600b")},
        {"controls removed", controls, false, QStringLiteral("_"), QStringLiteral("abcde")},
        {"controls removed when replacing", controls, true, QStringLiteral("_"), QStringLiteral("abcde")},
        {"delete kept", QStringLiteral("a") + QChar(127) + QStringLiteral("b"), false, QStringLiteral("_"), QStringLiteral("a") + QChar(127) + QStringLiteral("b")},
        {"escaped bytes kept", QStringLiteral("a") + QChar(0xDC80) + QChar(0xDCFF), false, QStringLiteral("_"), QStringLiteral("a") + QChar(0xDC80) + QChar(0xDCFF)},
        {"surrogate pair kept", QStringLiteral("\U0001F3B5/x"), false, QStringLiteral("_"), QStringLiteral("\U0001F3B5x")},
        {"dots stay", QStringLiteral(".."), true, QStringLiteral("_"), QStringLiteral("..")},
    };
    for (const Case& c : cases) {
        ExpansionOptions options;
        options.replaceInvalidChars = c.replace;
        options.replaceWith = c.with;
        EXPECT_EQ(FixInvalidChars(c.text, options), c.expected) << c.name;
    }
}

TEST(FixInvalidChars, ReservedNames)
{
    EXPECT_TRUE(IsReservedName(u"."));
    EXPECT_TRUE(IsReservedName(u".."));
    for (const char16_t* name : {u"", u"...", u".a", u"a.", u". ."})
        EXPECT_FALSE(IsReservedName(name)) << QString::fromUtf16(name).toStdString();
}

TEST(FixInvalidChars, ControlCharsMakeReservedNamesInvalidToo)
{
    const PreviewItem out = Expand(QStringLiteral(".\t.%const=%"));
    EXPECT_EQ(out.newName, QStringLiteral(".."));
    EXPECT_FALSE(out.valid);
    const PreviewItem plain = Expand(QStringLiteral(".") + QChar(1));
    EXPECT_EQ(plain.newName, QStringLiteral("."));
    EXPECT_FALSE(plain.valid);
}

// ---- Name helpers ----

TEST(NameHelpers, ExtensionAndTitle)
{
    struct Case {
        const char* text;
        const char* extension;
        const char* title;
    };
    const Case cases[] = {
        {"song.mp3", "mp3", "song"},
        {"archive.tar.gz", "gz", "archive.tar"},
        {"README", "", "README"},
        {".profile", "profile", ""},
        {"trailing.", "", "trailing"},
        {"", "", ""},
        {" spaced . ext ", " ext ", " spaced "},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GetFileExtension(QString::fromUtf8(c.text)), QString::fromUtf8(c.extension)) << c.text;
        EXPECT_EQ(GetFileTitle(QString::fromUtf8(c.text)), QString::fromUtf8(c.title)) << c.text;
    }
}

using FormatFileSizeTest = EnglishLocale;

TEST_F(FormatFileSizeTest, UnitsAndGrouping)
{
    constexpr std::int64_t KB = 1024;
    const std::pair<std::int64_t, const char*> cases[] = {
        {0, "0 bytes"},
        {1, "1 bytes"},
        {999, "999 bytes"},
        {1024, "1,024 bytes"},
        {1025, "1 KB"},
        {1536, "1 KB"},
        {KB * KB, "1,024 KB"},
        {KB * KB + 1, "1 MB"},
        {KB * KB * KB, "1,024 MB"},
        {3 * KB * KB * KB, "3 GB"},
        {KB * KB * KB * KB, "1,024 GB"},
        {KB * KB * KB * KB + 1, "1 TB"},
        {1234567 * KB * KB * KB * KB, "1,234,567 TB"},
        {std::numeric_limits<std::int64_t>::max(), "8,388,607 TB"},
    };
    for (const auto& [size, text] : cases)
        EXPECT_EQ(FormatFileSize(size), QString::fromUtf8(text)) << size;
}

TEST_F(FormatFileSizeTest, LocaleSeparator)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(FormatFileSize(1024), QStringLiteral("1.024 bytes"));
    EXPECT_EQ(FormatFileSize(std::int64_t(1234567) << 40), QStringLiteral("1.234.567 TB"));
}

// ---- Variables on real files ----

class FileVariables : public EnglishLocale {
protected:
    PreviewItem expandFor(const QString& name, const QString& text)
    {
        return ConvertText(Item(dir.path(), name, text), {});
    }
    test::TempDir dir;
};

TEST_F(FileVariables, SizesOfSmallFilesAndFolders)
{
    test::WriteBytes(dir.file(QStringLiteral("five.txt")).toStdString(), "12345");
    ASSERT_EQ(::mkdir(dir.file(QStringLiteral("sub")).toUtf8().constData(), 0755), 0);
    test::WriteBytes(dir.file(QStringLiteral("empty")).toStdString(), "");

    EXPECT_EQ(expandFor(QStringLiteral("five.txt"), QStringLiteral("%size_bytes%-%fixed_size%")).newName, QStringLiteral("5-5 bytes"));
    EXPECT_EQ(expandFor(QStringLiteral("sub"), QStringLiteral("%size_bytes%")).newName, QStringLiteral("0"));
    EXPECT_EQ(expandFor(QStringLiteral("empty"), QStringLiteral("%size_bytes%")).newName, QStringLiteral("0"));
    EXPECT_EQ(GetFileSize(dir.file(QStringLiteral("five.txt"))), 5);
    EXPECT_EQ(GetFileSize(dir.file(QStringLiteral("sub"))), 0);
    EXPECT_EQ(GetFileSize(dir.file(QStringLiteral("missing"))), 0);
}

TEST_F(FileVariables, SizesAroundTheUnitBoundaries)
{
    const std::pair<off_t, const char*> cases[] = {
        {1024, "1,024 bytes"},
        {1048576, "1,024 KB"},
        {1048577, "1 MB"},
    };
    for (const auto& [size, text] : cases) {
        const QString name = QStringLiteral("f%1").arg(size);
        MakeSparseFile(dir.file(name), size);
        const PreviewItem out = expandFor(name, QStringLiteral("%fixed_size%"));
        EXPECT_EQ(out.newName, QString::fromUtf8(text)) << size;
        EXPECT_TRUE(out.valid);
    }
}

TEST_F(FileVariables, SizeAboveTwoGigabytes)
{
    const off_t size = off_t(5) * 1024 * 1024 * 1024 + 3;
    MakeSparseFile(dir.file(QStringLiteral("big.bin")), size);
    EXPECT_EQ(GetFileSize(dir.file(QStringLiteral("big.bin"))), std::int64_t(size));
    EXPECT_EQ(expandFor(QStringLiteral("big.bin"), QStringLiteral("%size_bytes% %fixed_size%")).newName,
              QStringLiteral("5368709123 5 GB"));
}

TEST_F(FileVariables, ModifiedAndAccessedDatesAndTimes)
{
    const QString name = QStringLiteral("dated.txt");
    test::WriteBytes(dir.file(name).toStdString(), "x");
    SetTimes(dir.file(name), LocalSeconds(2019, 11, 22, 23, 58, 9), LocalSeconds(2021, 3, 4, 5, 6, 7));

    struct Case {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"%file_modified_date[yyyy-mm-dd]%", "2021-03-04"},
        {"%file_modified_date[dd-mm-yyyy]%", "04-03-2021"},
        {"%file_modified_date[mm-dd-yyyy]%", "03-04-2021"},
        {"%FILE_MODIFIED_DATE[YYYY-MM-DD]%", "2021-03-04"},
        {"%file_modified_time[hh-mm-ss]%", "05-06-07"},
        {"%file_modified_time[hh-mm]%", "05-06"},
        {"%file_accessed_date[yyyy-mm-dd]%", "2019-11-22"},
        {"%file_accessed_date[dd-mm-yyyy]%", "22-11-2019"},
        {"%file_accessed_time[hh-mm-ss]%", "23-58-09"},
        {"%file_accessed_time[hh-mm]%", "23-58"},
        {"%file_modified_date[yyyy-mm-dd]% %file_accessed_time[hh-mm]% %file_title%", "2021-03-04 23-58 dated"},
    };
    for (const Case& c : cases) {
        const PreviewItem out = expandFor(name, QString::fromUtf8(c.text));
        EXPECT_EQ(out.newName, QString::fromUtf8(c.expected)) << c.text;
        EXPECT_TRUE(out.valid) << c.text;
    }
}

TEST_F(FileVariables, CreatedIsBirthTimeOrModifiedTime)
{
    const QString name = QStringLiteral("born.txt");
    const QDate before = QDate::currentDate();
    test::WriteBytes(dir.file(name).toStdString(), "x");
    SetTimes(dir.file(name), LocalSeconds(2019, 11, 22, 23, 58, 9), LocalSeconds(2021, 3, 4, 5, 6, 7));
    const QDate after = QDate::currentDate();

    const QString created = expandFor(name, QStringLiteral("%file_created_date[yyyy-mm-dd]%")).newName;
    struct statx sx {};
    ASSERT_EQ(::statx(AT_FDCWD, dir.file(name).toUtf8().constData(), 0, STATX_BTIME, &sx), 0);
    if (sx.stx_mask & STATX_BTIME) {
        EXPECT_TRUE(created == before.toString(u"yyyy-MM-dd") || created == after.toString(u"yyyy-MM-dd")) << created.toStdString();
    } else {
        EXPECT_EQ(created, QStringLiteral("2021-03-04"));
        EXPECT_EQ(expandFor(name, QStringLiteral("%file_created_time[hh-mm-ss]%")).newName, QStringLiteral("05-06-07"));
    }
}

TEST_F(FileVariables, GetFileTimesTextsFollowTheLocale)
{
    const QString path = dir.file(QStringLiteral("t.txt"));
    test::WriteBytes(path.toStdString(), "x");
    SetTimes(path, LocalSeconds(2019, 11, 22, 23, 58, 9), LocalSeconds(2021, 3, 4, 15, 6, 7));

    const FileTimeTexts modified = GetFileTimes(path, LastWrite);
    const QDate parsed = QLocale().toDate(modified.date, QLocale::ShortFormat);
    EXPECT_EQ(parsed.month(), 3) << modified.date.toStdString();
    EXPECT_EQ(parsed.day(), 4) << modified.date.toStdString();
    EXPECT_TRUE(modified.time.startsWith(QStringLiteral("3:06:07"))) << modified.time.toStdString();
    EXPECT_TRUE(modified.time.contains(QStringLiteral("PM"))) << modified.time.toStdString();
    const FileTimeTexts accessed = GetFileTimes(path, LastAccess);
    EXPECT_TRUE(accessed.time.startsWith(QStringLiteral("11:58:09"))) << accessed.time.toStdString();

    const std::optional<QDateTime> exact = GetFileDateTime(path, LastWrite);
    ASSERT_TRUE(exact);
    EXPECT_EQ(exact->toSecsSinceEpoch(), LocalSeconds(2021, 3, 4, 15, 6, 7));
    EXPECT_EQ(exact->time().msec(), 750);

    for (const int selector : {-1, 3}) {
        EXPECT_FALSE(GetFileDateTime(path, selector)) << selector;
        EXPECT_TRUE(GetFileTimes(path, selector).date.isEmpty()) << selector;
    }
    const FileTimeTexts missing = GetFileTimes(dir.file(QStringLiteral("missing")), LastWrite);
    EXPECT_TRUE(missing.date.isEmpty());
    EXPECT_TRUE(missing.time.isEmpty());
}

TEST_F(FileVariables, FolderTimes)
{
    ASSERT_EQ(::mkdir(dir.file(QStringLiteral("folder")).toUtf8().constData(), 0755), 0);
    SetTimes(dir.file(QStringLiteral("folder")), LocalSeconds(2020, 1, 2, 3, 4, 5), LocalSeconds(2020, 6, 7, 8, 9, 10));
    EXPECT_EQ(expandFor(QStringLiteral("folder"), QStringLiteral("%file_modified_date[yyyy-mm-dd]%")).newName,
              QStringLiteral("2020-06-07"));
}

// ---- HTML titles ----

struct HtmlCase {
    const char* name;
    const char* file;
    QByteArray content;
    const char* title;
};

void PrintTo(const HtmlCase& c, std::ostream* os)
{
    *os << c.name;
}

class HtmlTitles : public ::testing::TestWithParam<HtmlCase> {};

TEST_P(HtmlTitles, FromFile)
{
    const HtmlCase& c = GetParam();
    test::TempDir dir;
    const QString path = dir.file(QString::fromUtf8(c.file));
    test::WriteBytes(path.toStdString(), c.content);
    EXPECT_EQ(GetHTMLTitle(path), QString::fromUtf8(c.title));
}

INSTANTIATE_TEST_SUITE_P(
    Table, HtmlTitles,
    ::testing::Values(
        HtmlCase{"OneLine", "a.html", "<html><head><title>Hello World</title></head></html>", "Hello World"},
        HtmlCase{"UpperCaseTags", "a.htm", "<HTML><TITLE>Upper</TITLE>", "Upper"},
        HtmlCase{"MixedCaseTags", "a.html", "<Title>Mixed</tItLe>", "Mixed"},
        HtmlCase{"UpperCaseExtension", "a.HTML", "<title>Ext</title>", "Ext"},
        HtmlCase{"SpacesKept", "a.html", "\n\n<head>\n<title>  Spaced  </title>\n", "  Spaced  "},
        HtmlCase{"LaterLine", "a.html", "<!DOCTYPE html>\n<html>\n  <head>\n    <title>Later</title>\n", "Later"},
        HtmlCase{"SplitTitlePassedOver", "a.html", "<title>\nSplit\n</title>\n<title>Next</title>\n", "Next"},
        HtmlCase{"FirstOfTwoOnALine", "a.html", "<title>a</title><title>b</title>", "a"},
        HtmlCase{"CloseBeforeOpen", "a.html", "x</title>y<title>z</title>", "z"},
        HtmlCase{"OnlyCloseBeforeOpen", "a.html", "</title><title>", ""},
        HtmlCase{"EmptyTitle", "a.html", "<title></title>", ""},
        HtmlCase{"CrLf", "a.html", "<head>\r\n<title>CrLf</title>\r\n", "CrLf"},
        HtmlCase{"CrOnly", "a.html", "<head>\r<title>Cr</title>\r", "Cr"},
        HtmlCase{"BomAndUtf8", "a.html", "\xEF\xBB\xBF<title>Caf\xC3\xA9</title>", "Caf\xC3\xA9"},
        HtmlCase{"Windows1252", "a.html", "<title>Caf\xE9 \x93q\x94</title>", "Caf\xC3\xA9 \xE2\x80\x9Cq\xE2\x80\x9D"},
        HtmlCase{"Utf8TitleLatinBody", "a.html", "<title>Caf\xC3\xA9</title>\n<p>na\xEFve</p>", "Caf\xC3\xA9"},
        HtmlCase{"AttributesOnTagNotATitle", "a.html", "<title lang=\"en\">x</title>", ""},
        HtmlCase{"NoTitle", "a.html", "<html><body>none</body></html>", ""},
        HtmlCase{"EmptyFile", "a.html", "", ""},
        HtmlCase{"NotHtmlExtension", "a.txt", "<title>Text</title>", ""},
        HtmlCase{"NoExtension", "html", "<title>Text</title>", ""}),
    [](const ::testing::TestParamInfo<HtmlCase>& info) { return std::string(info.param.name); });

TEST(HtmlTitle, MissingFileAndFolder)
{
    test::TempDir dir;
    EXPECT_EQ(GetHTMLTitle(dir.file(QStringLiteral("missing.html"))), QString());
    ASSERT_EQ(::mkdir(dir.file(QStringLiteral("folder.html")).toUtf8().constData(), 0755), 0);
    EXPECT_EQ(GetHTMLTitle(dir.file(QStringLiteral("folder.html"))), QString());
}

TEST(HtmlTitle, TitleFarIntoThePageIsFound)
{
    // Pages with large inline styles or scripts in their head: the file is read
    // on until the title line, in chunks, so no limit hides a late title.
    struct Case {
        const char* name;
        QByteArray page;
        QByteArray title;
    };
    const QByteArray head(5 * HtmlReadChunk / 2, ' ');
    const Case cases[] = {
        {"late line", head + "\n<title>Far</title>\n", "Far"},
        {"late in a long line", head + "<title>Long line</title>", "Long line"},
        {"open and close tag in different chunks",
         QByteArray(HtmlReadChunk - 10, 'x') + "\n<title>" + QByteArray(HtmlReadChunk, 'y') + "</title>",
         QByteArray(HtmlReadChunk, 'y')},
        {"early title", QByteArray("<title>Near</title>\n") + QByteArray(4 * HtmlReadChunk, 'x'), "Near"},
        {"CR LF across chunks", QByteArray(HtmlReadChunk - 1, 'x') + "\r\n<title>Split</title>", "Split"},
        {"no title", head + head, ""},
    };
    test::TempDir dir;
    const QString path = dir.file(QStringLiteral("long.html"));
    for (const Case& c : cases) {
        test::WriteBytes(path.toStdString(), c.page);
        EXPECT_EQ(GetHTMLTitle(path), QString::fromUtf8(c.title)) << c.name;
    }
}

TEST(HtmlTitle, CharacterCutByAReadChunkDoesNotSpoilTheLine)
{
    // A one-line page whose multi-byte characters straddle the end of the first chunk.
    test::TempDir dir;
    const QString path = dir.file(QStringLiteral("minified.html"));
    QByteArray page = QByteArray(HtmlReadChunk - 1, 'x') + "\xE2\x82\xAC<title>Caf\xC3\xA9</title>";
    test::WriteBytes(path.toStdString(), page);
    EXPECT_EQ(GetHTMLTitle(path), QStringLiteral("Caf\u00E9"));
}

TEST(HtmlTitle, AsVariable)
{
    test::TempDir dir;
    test::WriteBytes(dir.file(QStringLiteral("page.html")).toStdString(), "<title> Best: Of/2020 </title>");
    test::WriteBytes(dir.file(QStringLiteral("empty.html")).toStdString(), "<title></title>");
    test::WriteBytes(dir.file(QStringLiteral("page.txt")).toStdString(), "<title>Text</title>");
    test::WriteBytes(dir.file(QStringLiteral("nul.html")).toStdString(), QByteArray("<title>a\0b</title>", 18));
    EXPECT_EQ(ConvertText(Item(dir.path(), QStringLiteral("nul.html"), QStringLiteral("%html_title%.html")), {}).newName,
              QStringLiteral("a.html"));
    const PreviewItem page = ConvertText(Item(dir.path(), QStringLiteral("page.html"), QStringLiteral("%html_title%.html")), {});
    EXPECT_EQ(page.newName, QStringLiteral(" Best Of2020 .html"));
    EXPECT_TRUE(page.valid);
    for (const char* name : {"empty.html", "page.txt"}) {
        const PreviewItem out = ConvertText(Item(dir.path(), QString::fromUtf8(name), QStringLiteral("%html_title%")), {});
        EXPECT_EQ(out.newName, QString()) << name;
        EXPECT_FALSE(out.valid) << name;
    }
}

// ---- Variable groups ----

TEST(VariableGroupTable, NamesAreUniqueAndWellFormed)
{
    const VariableSet& set = StandardVariables();
    EXPECT_TRUE(set.duplicateNames().isEmpty()) << set.duplicateNames().join(u' ').toStdString();
    for (const VariableGroup* group : set.groups()) {
        for (qsizetype r = 0; r < group->rowCount(); ++r) {
            const QString name = group->prefix().toString() + group->row(r).name.toString();
            EXPECT_EQ(name, name.toLower()) << name.toStdString();
            EXPECT_FALSE(name.isEmpty());
            for (const QChar c : QStringLiteral("%=[] "))
                EXPECT_FALSE(name.contains(c)) << name.toStdString();
            EXPECT_NE(group->row(r).layouts, 0u) << name.toStdString();
        }
    }
}

TEST(VariableGroupTable, EveryGeneralVariableIsKnown)
{
    for (const char* name : {"const", "random_letters", "random_numbers", "random_letters_numbers", "curr_date",
                             "curr_time", "file_created_date", "file_modified_date", "file_accessed_date",
                             "file_created_time", "file_modified_time", "file_accessed_time", "size_bytes",
                             "fixed_size", "file_ext", "file_title", "parent_folder", "html_title"})
        EXPECT_NE(StandardVariables().find(QString::fromUtf8(name)), nullptr) << name;
}

namespace {

int loads = 0;

struct CountedRecord {
    QString path;
};

CountedRecord LoadCounted(const QString& path)
{
    ++loads;
    return {path};
}

VariableValue CountedPath(const CountedRecord& record, const VariableRequest&) { return record.path.section(u'/', -1); }
VariableValue CountedNothing(const CountedRecord&, const VariableRequest&) { return std::nullopt; }
VariableValue CountedIndex(const CountedRecord&, const VariableRequest& request)
{
    return QString::number(request.trackIndex);
}
VariableValue CountedLayout(const CountedRecord&, const VariableRequest& request)
{
    return FormatDateLayout(QDate(2001, 2, 3), request.layout);
}

const TableVariableGroup<CountedRecord>::Row CountedRows[] = {
    {u"name", &CountedPath},
    {u"nothing", &CountedNothing},
    {u"midi_track_index", &CountedIndex},
    {u"date", &CountedLayout, PlainName | DateLayouts},
};

} // namespace

TEST(VariableGroupTable, LoaderRunsAtMostOncePerCallAndOnlyWhenNamed)
{
    static const TableVariableGroup<CountedRecord> counted(u"test_", &LoadCounted, CountedRows);
    static const VariableGroup* const groups[] = {&counted, VariableGroups()[0]};
    const VariableSet set(groups);

    struct Case {
        const char* text;
        const char* expected;
        bool valid;
        int loads;
    };
    const Case cases[] = {
        {"%test_name%-%test_nothing ELSE test_name%-%TEST_NAME%", "f.txt-f.txt-f.txt", true, 1},
        {"%const=x% %file_title%", "x f", true, 0},
        {"%test_nothing%", "", false, 1},
        {"plain", "plain", true, 0},
        {"%test_midi_track_index=7%,%test_midi_track_index%,%test_midi_track_index=x%", "7,-1,0", true, 1},
        {"%test_date%,%test_date[yyyy-mm-dd]%,%test_date[mm-dd-yyyy]%,%test_date[hh-mm]%", "03-02-2001,2001-02-03,02-03-2001,", false, 1},
    };
    for (const Case& c : cases) {
        loads = 0;
        const PreviewItem out = ConvertText(Item(MissingFolder, QStringLiteral("f.txt"), QString::fromUtf8(c.text)), {}, set);
        EXPECT_EQ(out.newName, QString::fromUtf8(c.expected)) << c.text;
        EXPECT_EQ(out.valid, c.valid) << c.text;
        EXPECT_EQ(loads, c.loads) << c.text;
    }
}

TEST(VariableGroupTable, DuplicateNamesAreReported)
{
    static const TableVariableGroup<CountedRecord> counted(u"", &LoadCounted, CountedRows);
    static const VariableGroup* const groups[] = {&counted, &counted};
    EXPECT_EQ(VariableSet(groups).duplicateNames().size(), qsizetype(std::size(CountedRows)));
}

TEST(VariableLayouts, FormatHelpers)
{
    const QDate date(987, 6, 5);
    EXPECT_EQ(FormatDateLayout(date, VariableLayout::YearMonthDay), QStringLiteral("0987-06-05"));
    EXPECT_EQ(FormatDateLayout(date, VariableLayout::None), QStringLiteral("05-06-0987"));
    EXPECT_EQ(FormatDateLayout(date, VariableLayout::HourMinute), QString());
    EXPECT_EQ(FormatDateLayout(QDate(), VariableLayout::YearMonthDay), QString());
    EXPECT_EQ(FormatTimeLayout(QTime(1, 2, 3), VariableLayout::None), QStringLiteral("01-02-03"));
    EXPECT_EQ(FormatTimeLayout(QTime(1, 2, 3), VariableLayout::HourMinute), QStringLiteral("01-02"));
    EXPECT_EQ(FormatTimeLayout(QTime(1, 2, 3), VariableLayout::DayMonthYear), QString());
    EXPECT_EQ(LayoutFromText(u"YYYY-MM-DD"), VariableLayout::YearMonthDay);
    EXPECT_EQ(LayoutFromText(u"yyyy-mm"), std::nullopt);
}
