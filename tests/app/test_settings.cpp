#include "app/Settings.h"

#include "platform/NameCodec.h"
#include "platform/ProgramFiles.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>

namespace quelt {
namespace {

using namespace Qt::StringLiterals;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

std::string Std(const QString& path) { return platform::EncodeName(path).toStdString(); }

// The bytes of a string literal, NUL characters included.
template <size_t N>
QByteArray Bytes(const char (&literal)[N])
{
    return QByteArray(literal, N - 1);
}

// The file SaveSettings writes from the defaults; FOLDER stands for the program folder.
constexpr const char* DefaultOptionsIni = R"([General]
MaximizeWindow=0
SaveState=-1
AskOnExit=-1
SplashScreen=-1
ShowTips=-1
ShowTipsOnStatusBar=-1
CycleTips=30
ShowWizard=-1
AutoSelectFiles=-1
ConfirmRuleDeletion=0
RulesHelpMode=-1
AlwaysOnTop=0

[Instant Preview]
OverloadTimeout=30
DelayPreview=2000
MarkWithColors=-1
ValidColor=16711680
InvalidColor=255
SkippedColor=12632256

[Renaming]
AutoRefresh=-1
CaseSensitive=0
WarnBeforeRename=-1
ReplaceInvalidChars=0
ReplaceWith=_
RenameReadOnly=0
LongnameMode=0
AutoNumberDuplicated=

[State]
ScanningMode=1
Folder=FOLDER
RulesFolder=FOLDER
RecursiveScan=0
EnableAttrFilter=0
ShowReadOnly=0
ShowHidden=0
ShowSystem=0
ShowArchive=0
Filter=*.*
GetFolders=0
AdvancedRules=-1
WindowState=0
WindowHeight=-1
WindowWidth=-1
Resizer1Left=-1
Resizer2Top=-1
InstantPreview=1

[Logging]
EnableLogging=-1
SizeLimit=1000
WhenReachMax=1

[Language]
FontName=Arial
FontStyle=400
FontCharSet=1

[Advanced]
DoEventsTimeout=500
)";

QByteArray ExpectedDefaultFile(const QString& folder)
{
    QByteArray text = QByteArray(DefaultOptionsIni).replace("FOLDER", platform::EncodeName(folder));
    return text.replace("\n", "\r\n");
}

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedHome_ = qgetenv("QUELT_HOME");
        qputenv("QUELT_HOME", platform::EncodeName(home_.path()));
        AppSettings() = Settings{};
    }
    void TearDown() override
    {
        qputenv("QUELT_HOME", savedHome_);
        AppSettings() = Settings{};
    }
    QString iniPath() const { return home_.file("options.ini"); }
    void writeIni(const QByteArray& bytes) { WriteBytes(Std(iniPath()), bytes); }
    Settings read(const QString& fallback = {}) const
    {
        return ReadSettings(iniPath(), home_.path(), fallback);
    }
    Settings defaultsHere() const
    {
        Settings s;
        s.Folder = s.RulesFolder = home_.path();
        return s;
    }

    QByteArray savedHome_;
    TempDir home_;
};

TEST_F(SettingsTest, NoFileGivesTheDefaultsAndSaveWritesAllKeysInOrder)
{
    LoadSettings({});
    EXPECT_EQ(AppSettings(), defaultsHere());
    ASSERT_TRUE(SaveSettings());
    const QByteArray written = ReadBytes(Std(iniPath()));
    EXPECT_EQ(written, ExpectedDefaultFile(home_.path()));
    EXPECT_EQ(written.count('='), 51);
}

TEST_F(SettingsTest, DefaultsWrittenReadBackUnchanged)
{
    ASSERT_TRUE(WriteSettings(defaultsHere(), iniPath()));
    EXPECT_EQ(read(), defaultsHere());
}

template <typename T>
QString Text(const T& value)
{
    if constexpr (std::is_same_v<T, QString>)
        return value;
    else if constexpr (std::is_same_v<T, bool>)
        return value ? "true" : "false";
    else
        return QString::number(value);
}

#define FIELD(name) #name, [](const Settings& s) { return Text(s.name); }

struct ReadCase {
    const char* section;
    const char* key;
    QByteArray stored;
    const char* field;
    std::function<QString(const Settings&)> get;
    QString expected;
};

TEST_F(SettingsTest, ValuesAreReadAndCorrected)
{
    const ReadCase cases[] = {
        {"General", "CycleTips", "0", FIELD(CycleTips), "30"},
        {"General", "CycleTips", "61", FIELD(CycleTips), "30"},
        {"General", "CycleTips", "-4", FIELD(CycleTips), "30"},
        {"General", "CycleTips", "1", FIELD(CycleTips), "1"},
        {"General", "CycleTips", "60", FIELD(CycleTips), "60"},
        {"General", "CycleTips", "", FIELD(CycleTips), "30"},
        {"Logging", "SizeLimit", "50", FIELD(SizeLimit), "100"},
        {"Logging", "SizeLimit", "-3", FIELD(SizeLimit), "100"},
        {"Logging", "SizeLimit", "0", FIELD(SizeLimit), "0"},
        {"Logging", "SizeLimit", "100", FIELD(SizeLimit), "100"},
        {"Logging", "SizeLimit", "10001", FIELD(SizeLimit), "10000"},
        {"Logging", "SizeLimit", "2000000", FIELD(SizeLimit), "10000"},
        {"Logging", "SizeLimit", "99999999999", FIELD(SizeLimit), "0"},
        {"Advanced", "DoEventsTimeout", "10", FIELD(DoEventsTimeout), "100"},
        {"Advanced", "DoEventsTimeout", "0", FIELD(DoEventsTimeout), "100"},
        {"Advanced", "DoEventsTimeout", "6000", FIELD(DoEventsTimeout), "5000"},
        {"Advanced", "DoEventsTimeout", "250", FIELD(DoEventsTimeout), "250"},
        {"State", "WindowHeight", "32767", FIELD(WindowHeight), "32767"},
        {"State", "WindowHeight", "32768", FIELD(WindowHeight), "0"},
        {"State", "WindowHeight", "-32768", FIELD(WindowHeight), "-32768"},
        {"State", "WindowHeight", "-32769", FIELD(WindowHeight), "0"},
        {"State", "WindowWidth", "12abc", FIELD(WindowWidth), "12"},
        {"State", "WindowWidth", "abc", FIELD(WindowWidth), "0"},
        {"State", "WindowWidth", "+7", FIELD(WindowWidth), "7"},
        {"State", "WindowWidth", "2.5", FIELD(WindowWidth), "2"},
        {"State", "WindowWidth", "3.5", FIELD(WindowWidth), "4"},
        {"State", "WindowWidth", "-", FIELD(WindowWidth), "0"},
        {"State", "WindowWidth", "1e3", FIELD(WindowWidth), "1"},
        {"State", "WindowWidth", QByteArray(400, '9'), FIELD(WindowWidth), "0"},
        {"Logging", "WhenReachMax", "7", FIELD(WhenReachMax), "7"},
        {"Instant Preview", "ValidColor", "4294967295", FIELD(ValidColor), "0"},
        {"Instant Preview", "ValidColor", "-2147483648", FIELD(ValidColor), "-2147483648"},
        {"Renaming", "CaseSensitive", "-1", FIELD(CaseSensitive), "true"},
        {"Renaming", "CaseSensitive", "1", FIELD(CaseSensitive), "true"},
        {"Renaming", "CaseSensitive", "yes", FIELD(CaseSensitive), "false"},
        {"Renaming", "CaseSensitive", "40000", FIELD(CaseSensitive), "false"},
        {"General", "SaveState", "", FIELD(SaveState), "false"},
        {"Renaming", "ReplaceWith", "", FIELD(ReplaceWith), " "},
        {"Renaming", "ReplaceWith", "abc", FIELD(ReplaceWith), "a"},
        {"Renaming", "ReplaceWith", "\" - \"", FIELD(ReplaceWith), "-"},
        {"Renaming", "ReplaceWith", "\xF0\x9F\x8E\xB5x", FIELD(ReplaceWith), u"\U0001F3B5"_s},
        {"Renaming", "AutoNumberDuplicated", "\" (%number%)\"", FIELD(AutoNumberDuplicated),
         " (%number%)"},
        {"Renaming", "AutoNumberDuplicated", Bytes("_%number%\0junk"),
         FIELD(AutoNumberDuplicated), "_%number%"},
        {"Language", "FontName", "\"  Verdana  \"", FIELD(FontName), "Verdana"},
        {"Language", "FontName", Bytes("Sans\0Serif"), FIELD(FontName), "Sans"},
        {"Language", "FontName", "Caf\xE9", FIELD(FontName), u"Caf\u00E9"_s},
        {"State", "Filter", QByteArray(300, 'f'), FIELD(Filter), QString(255, u'f')},
        {"state", "filter", "*.mp3", FIELD(Filter), "*.mp3"},
        {"State", "RulesFolder", "/no/such/folder/", FIELD(RulesFolder), "/no/such/folder/"},
    };
    for (const ReadCase& c : cases) {
        writeIni(QByteArray("[") + c.section + "]\r\n" + c.key + "=" + c.stored + "\r\n");
        EXPECT_EQ(c.get(read()), c.expected)
            << c.section << "/" << c.key << "=" << c.stored.toStdString() << " -> " << c.field;
    }
}

TEST_F(SettingsTest, FolderThatIsGoneBecomesTheFallback)
{
    TempDir other;
    struct Case {
        const char* name;
        QString stored, fallback, expected;
    } cases[] = {
        {"existing folder stays", other.path(), "/fallback/", other.path()},
        {"missing folder", "/no/such/place/", "/fallback/", "/fallback/"},
        {"no fallback: the program folder", "/no/such/place/", "", home_.path()},
        {"empty", "\"\"", "/fallback/", "/fallback/"},
    };
    for (const Case& c : cases) {
        writeIni("[State]\nFolder=" + platform::EncodeName(c.stored) + "\n");
        EXPECT_EQ(read(c.fallback).Folder, c.expected) << c.name;
    }
}

TEST_F(SettingsTest, EveryFieldSurvivesARoundTrip)
{
    TempDir folder;
    Settings s;
    s.MaximizeWindow = true;
    s.SaveState = false;
    s.AskOnExit = false;
    s.SplashScreen = false;
    s.ShowTips = false;
    s.ShowTipsOnStatusBar = false;
    s.CycleTips = 5;
    s.ShowWizard = false;
    s.AutoSelectFiles = false;
    s.ConfirmRuleDeletion = true;
    s.RulesHelpMode = false;
    s.AlwaysOnTop = true;
    s.OverloadTimeout = 0;
    s.DelayPreview = 0;
    s.MarkWithColors = false;
    s.ValidColor = 0x00123456;
    s.InvalidColor = 0;
    s.SkippedColor = 0x00FFFFFF;
    s.AutoRefresh = false;
    s.CaseSensitive = true;
    s.WarnBeforeRename = false;
    s.ReplaceInvalidChars = true;
    s.ReplaceWith = u"\u00E9"_s;
    s.RenameReadOnly = true;
    s.LongnameMode = true;
    s.AutoNumberDuplicated = " (%number%) ";
    s.ScanningMode = 0;
    s.Folder = folder.path();
    s.RulesFolder = u"/rules/caf\u00E9/"_s;
    s.RecursiveScan = 1;
    s.EnableAttrFilter = 1;
    s.ShowReadOnly = 1;
    s.ShowHidden = 1;
    s.ShowSystem = 1;
    s.ShowArchive = 1;
    s.Filter = "*.mp3";
    s.GetFolders = 1;
    s.AdvancedRules = false;
    s.WindowState = 2;
    s.WindowHeight = 9000;
    s.WindowWidth = 12000;
    s.Resizer1Left = 3000;
    s.Resizer2Top = 4000;
    s.InstantPreview = 0;
    s.EnableLogging = false;
    s.SizeLimit = 0;
    s.WhenReachMax = 2;
    s.FontName = "DejaVu Sans";
    s.FontStyle = 700;
    s.FontCharSet = 204;
    s.DoEventsTimeout = 5000;
    ASSERT_TRUE(WriteSettings(s, iniPath()));
    EXPECT_EQ(read(), s);
}

TEST_F(SettingsTest, TextsAreWrittenTrimmedExceptTheNumberFormat)
{
    Settings s = defaultsHere();
    s.FontName = "  Arial  ";
    s.AutoNumberDuplicated = " #%number% ";
    ASSERT_TRUE(WriteSettings(s, iniPath()));
    const QByteArray written = ReadBytes(Std(iniPath()));
    EXPECT_TRUE(written.contains("\r\nFontName=Arial\r\n"));
    EXPECT_TRUE(written.contains("\r\nAutoNumberDuplicated=\" #%number% \"\r\n"));
}

TEST_F(SettingsTest, UnreadableOrDamagedFilesGiveWhatCouldBeRead)
{
    QByteArray junk;
    for (int i = 0; i < 8192; ++i)
        junk.append(char((i * 40503u + 7) >> 3));
    writeIni(junk);
    EXPECT_EQ(read(), defaultsHere()) << "binary junk";

    writeIni("[General]\r\nCycleTips=12\r\nAskOnExit=0\r\n[State]\r\nFil");
    Settings expected = defaultsHere();
    expected.CycleTips = 12;
    expected.AskOnExit = false;
    EXPECT_EQ(read(), expected) << "truncated";

    writeIni(Bytes("\xEF\xBB\xBF[General]\nCycleTips=9\n\0\0\0\0[State]\nFilter=*.txt\n"));
    expected = defaultsHere();
    expected.CycleTips = 9;
    EXPECT_EQ(read(), expected) << "NUL bytes";

    ::unlink(Std(iniPath()).c_str());
    ASSERT_EQ(::mkdir(Std(iniPath()).c_str(), 0755), 0);
    EXPECT_EQ(read(), defaultsHere()) << "a folder in its place";
}

TEST_F(SettingsTest, SaveFailsWhenTheFileCannotBeWritten)
{
    ASSERT_EQ(::mkdir(Std(iniPath()).c_str(), 0755), 0);
    EXPECT_FALSE(SaveSettings()) << "a folder named options.ini";

    WriteBytes(Std(home_.file("plain")), "x");
    qputenv("QUELT_HOME", platform::EncodeName(home_.file("plain/sub")));
    EXPECT_FALSE(SaveSettings()) << "program folder cannot be created";
}

TEST_F(SettingsTest, SaveKeepsTheOtherContentsOfTheFile)
{
    writeIni("[Extra]\r\nmine=1\r\n[General]\r\nCycleTips=7\r\nunknown=kept\r\n");
    LoadSettings({});
    EXPECT_EQ(AppSettings().CycleTips, 7);
    AppSettings().CycleTips = 8;
    ASSERT_TRUE(SaveSettings());
    const QByteArray written = ReadBytes(Std(iniPath()));
    EXPECT_TRUE(written.startsWith("[Extra]\r\nmine=1\r\n\r\n[General]\r\nCycleTips=8\r\nunknown=kept\r\n"
                                   "MaximizeWindow=0\r\n"));
    EXPECT_EQ(written.count('='), 53);
}

TEST_F(SettingsTest, ScanStateTravelsThroughTheSettings)
{
    Settings s;
    ScanState state;
    state.Folder = "/music/";
    state.Filter = "*.mp3";
    state.RecursiveScan = 1;
    state.ShowHidden = 1;
    state.GetFolders = 1;
    StoreScanState(state, s);
    EXPECT_EQ(s.Folder, "/music/");
    EXPECT_EQ(s.ShowHidden, 1);
    EXPECT_EQ(ScanStateFromSettings(s), state);
    EXPECT_EQ(ScanStateFromSettings(Settings{}), ScanState{});
}

TEST(ProgramTitleTest, IsTheApplicationTitle)
{
    EXPECT_EQ(ProgramTitle, "Vantelo (Quelt) v1.7.4");
}

} // namespace
} // namespace quelt
