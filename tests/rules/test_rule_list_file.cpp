#include "rules/RuleListFile.h"

#include "TestSupport.h"
#include "app/Settings.h"
#include "app/UserPrompt.h"
#include "platform/FileSystem.h"
#include "platform/ProgramFiles.h"
#include "rules/RulesList.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace quelt;
using quelt::test::ReadBytes;
using quelt::test::TempDir;
using quelt::test::WriteBytes;

namespace {

RuleLine Rule(const char* category, const char* text, bool enabled = true, const char* comment = "")
{
    return RuleLine{QString::fromUtf8(category), QString::fromUtf8(text), QString::fromUtf8(comment), enabled};
}

const RuleLine FindReplace = Rule("Title & Extension", "Find and replace text: <Find What=_> <Replace With= > <Apply To=Title>");
const RuleLine Capitalize = Rule("Letters", "Change capitalization: <Capitalization Type=First Letter Up> <Apply To=Title>",
                                 false);
const RuleLine Numbering = Rule("Auto Numbering",
                                "Set title as auto-number: <Numbering Type=Decimal> <Start With=1> <Increment By=1> "
                                "<Minimum Width=2> <Reset on Path Change=True>",
                                true, "number them");

void ExpectSameRules(const std::vector<RuleLine>& actual, const std::vector<RuleLine>& expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
        EXPECT_EQ(actual[i].category, expected[i].category) << "rule " << i;
        EXPECT_EQ(actual[i].text, expected[i].text) << "rule " << i;
        EXPECT_EQ(actual[i].comment, expected[i].comment) << "rule " << i;
        EXPECT_EQ(actual[i].enabled, expected[i].enabled) << "rule " << i;
    }
}

RulesList ListOf(const std::vector<RuleLine>& rules)
{
    RulesList list;
    for (const RuleLine& rule : rules)
        list.append(rule);
    return list;
}

class RuleFileTest : public ::testing::Test {
protected:
    void SetUp() override { saved_ = AppSettings(); }
    void TearDown() override { AppSettings() = saved_; }

    QString writeFile(const char* name, const QByteArray& bytes)
    {
        const QString path = dir_.file(QString::fromUtf8(name));
        WriteBytes(path.toStdString(), bytes);
        return path;
    }

    TempDir dir_;

private:
    Settings saved_;
};

} // namespace

TEST_F(RuleFileTest, ExportWritesHeaderAndFourLinesPerRuleInUtf8WithCrLf)
{
    ScriptedPrompt prompt;
    const QString path = dir_.file(QStringLiteral("rules.rls"));
    RuleLine withSpaces = Rule("  Letters ", " Remove spaces: <Type=Trailing> <Apply To=Title>  ", false, "  café  ");
    ASSERT_TRUE(ExportRulesList(path, ListOf({FindReplace, withSpaces}), prompt));
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_EQ(ReadBytes(path.toStdString()),
              QByteArray("#QUELT_RULES_FILE_V2.1\r\n"
                         "Title & Extension\r\n"
                         "Find and replace text: <Find What=_> <Replace With= > <Apply To=Title>\r\n"
                         "True\r\n"
                         "\r\n"
                         "Letters\r\n"
                         "Remove spaces: <Type=Trailing> <Apply To=Title>\r\n"
                         "False\r\n"
                         "caf\xc3\xa9\r\n"));
    EXPECT_EQ(AppSettings().RulesFolder, dir_.path());
}

TEST_F(RuleFileTest, ExportThenImportGivesTheSameRowsChecksAndComments)
{
    ScriptedPrompt prompt;
    const QString path = dir_.file(QStringLiteral("three.rls"));
    const std::vector<RuleLine> rules = {FindReplace, Capitalize, Numbering};
    ASSERT_TRUE(ExportRulesList(path, ListOf(rules), prompt));
    EXPECT_TRUE(IsRulesFile(path));

    RulesList imported;
    EXPECT_EQ(ImportRulesFile(path, imported, prompt), ImportResult::Imported);
    EXPECT_TRUE(prompt.asked.empty());
    ExpectSameRules(imported.rules(), rules);
}

TEST_F(RuleFileTest, ExportOfAnEmptyListWritesNothing)
{
    ScriptedPrompt prompt;
    const QString path = dir_.file(QStringLiteral("none.rls"));
    AppSettings().RulesFolder = QStringLiteral("/unchanged/");
    EXPECT_FALSE(ExportRulesList(path, RulesList(), prompt));
    EXPECT_FALSE(platform::PathExists(path));
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_EQ(AppSettings().RulesFolder, QStringLiteral("/unchanged/"));
}

TEST_F(RuleFileTest, ExportFailureShowsTheSaveErrorAndKeepsTheOldFile)
{
    ScriptedPrompt prompt;
    EXPECT_FALSE(ExportRulesList(dir_.file(QStringLiteral("missing/rules.rls")), ListOf({FindReplace}), prompt));
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].text, QStringLiteral("File could not be saved!"));
    EXPECT_EQ(prompt.asked[0].icon, PromptIcon::Error);
    EXPECT_EQ(prompt.asked[0].caption, ProgramTitle);

    // A folder where the file should be: the write fails, nothing is replaced.
    const QString folder = dir_.file(QStringLiteral("taken"));
    ASSERT_EQ(::mkdir(folder.toUtf8().constData(), 0700), 0);
    EXPECT_FALSE(ExportRulesList(folder, ListOf({FindReplace}), prompt));
    EXPECT_TRUE(platform::FolderExists(folder));
}

TEST_F(RuleFileTest, LineBreaksInsideAFieldDoNotBreakTheFile)
{
    ScriptedPrompt prompt;
    const QString path = dir_.file(QStringLiteral("breaks.rls"));
    RuleLine odd = Rule("Letters", "Set word separators: <Characters=a\r\nb>", true, "two\nlines");
    ASSERT_TRUE(ExportRulesList(path, ListOf({odd, FindReplace}), prompt));
    RulesList imported;
    ASSERT_EQ(ImportRulesFile(path, imported, prompt), ImportResult::Imported);
    ASSERT_EQ(imported.size(), 2);
    EXPECT_EQ(imported.at(0).text, QStringLiteral("Set word separators: <Characters=a  b>"));
    EXPECT_EQ(imported.at(0).comment, QStringLiteral("two lines"));
    ExpectSameRules({imported.at(1)}, {FindReplace});
}

struct ParseCase {
    const char* name;
    QByteArray bytes;
    RulesFileKind kind;
    std::vector<RuleLine> rules;
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.name; }

class RuleFileParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(RuleFileParse, ReadsAsExpected)
{
    const ParseCase& c = GetParam();
    const ParsedRulesFile parsed = ParseRulesFile(c.bytes);
    EXPECT_EQ(parsed.kind, c.kind);
    if (c.kind == RulesFileKind::Rules)
        ExpectSameRules(parsed.rules, c.rules);
}

const QByteArray FindReplaceLines =
    "Title & Extension\r\nFind and replace text: <Find What=_> <Replace With= > <Apply To=Title>\r\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, RuleFileParse,
    ::testing::Values(
        ParseCase{"V21", "#QUELT_RULES_FILE_V2.1\r\n" + FindReplaceLines + "True\r\n\r\n", RulesFileKind::Rules,
                  {FindReplace}},
        ParseCase{"V20HasEmptyComments",
                  "#QUELT_RULES_FILE_V2.0\r\n" + FindReplaceLines + "True\r\nLetters\r\nRemove spaces: <Type=Leading>\r\nfalse\r\n",
                  RulesFileKind::Rules,
                  {FindReplace, Rule("Letters", "Remove spaces: <Type=Leading>", false)}},
        ParseCase{"HeaderOnly", "#QUELT_RULES_FILE_V2.1\r\n", RulesFileKind::Rules, {}},
        ParseCase{"HeaderWithoutLineEnd", "#QUELT_RULES_FILE_V2.1", RulesFileKind::Rules, {}},
        ParseCase{"HeaderWithSpacesAccepted", "   #QUELT_RULES_FILE_V2.1  \r\n" + FindReplaceLines + "True\r\n\r\n",
                  RulesFileKind::Rules, {FindReplace}},
        ParseCase{"LowerCaseHeaderIsNotARulesFile", "#quelt_rules_file_v2.1\r\n" + FindReplaceLines + "True\r\n\r\n",
                  RulesFileKind::Unknown, {}},
        ParseCase{"OlderGeneration", "#QUELT_RULES_FILE\r\nwhatever\r\n", RulesFileKind::OlderGeneration, {}},
        ParseCase{"OlderGenerationWithSpaces", " #QUELT_RULES_FILE \r\n", RulesFileKind::OlderGeneration, {}},
        ParseCase{"OtherFirstLine", "hello\r\nworld\r\n", RulesFileKind::Unknown, {}},
        ParseCase{"BlankFirstLine", "\r\n#QUELT_RULES_FILE_V2.1\r\n", RulesFileKind::Unknown, {}},
        ParseCase{"EmptyFileCannotBeRead", "", RulesFileKind::Unreadable, {}},
        ParseCase{"MissingCommentLine", "#QUELT_RULES_FILE_V2.1\r\n" + FindReplaceLines + "True\r\n",
                  RulesFileKind::Unreadable, {}},
        ParseCase{"MissingEnabledLine", "#QUELT_RULES_FILE_V2.0\r\n" + FindReplaceLines, RulesFileKind::Unreadable, {}},
        ParseCase{"MissingRuleText", "#QUELT_RULES_FILE_V2.0\r\nLetters", RulesFileKind::Unreadable, {}},
        ParseCase{"TrailingBlankLineStartsATruncatedRule",
                  "#QUELT_RULES_FILE_V2.1\r\n" + FindReplaceLines + "True\r\n\r\n\r\n", RulesFileKind::Unreadable, {}},
        ParseCase{"LfLineEnds", "#QUELT_RULES_FILE_V2.1\nTitle & Extension\nFind and replace text: <Find What=_> "
                                "<Replace With= > <Apply To=Title>\nTrue\n\n",
                  RulesFileKind::Rules, {FindReplace}},
        ParseCase{"CrLineEnds", "#QUELT_RULES_FILE_V2.1\rTitle & Extension\rFind and replace text: <Find What=_> "
                                "<Replace With= > <Apply To=Title>\rTrue\r\r",
                  RulesFileKind::Rules, {FindReplace}},
        ParseCase{"Utf8Bom", "\xef\xbb\xbf#QUELT_RULES_FILE_V2.1\r\n" + FindReplaceLines + "True\r\n\r\n",
                  RulesFileKind::Rules, {FindReplace}},
        ParseCase{"Windows1252", "#QUELT_RULES_FILE_V2.1\r\nLetters\r\nCreate a new name: <New Text=Caf\xe9> "
                                 "<Apply To=Title>\r\nTrue\r\n\x93quoted\x94\r\n",
                  RulesFileKind::Rules,
                  {Rule("Letters", "Create a new name: <New Text=Caf\xc3\xa9> <Apply To=Title>", true,
                        "\xe2\x80\x9cquoted\xe2\x80\x9d")}},
        ParseCase{"EnabledTrimmedAnyCase", "#QUELT_RULES_FILE_V2.0\r\nA\r\nB: <x=1>\r\n  TRUE  \r\nA\r\nB: <x=2>\r\nyes\r\n",
                  RulesFileKind::Rules, {Rule("A", "B: <x=1>", true), Rule("A", "B: <x=2>", false)}},
        ParseCase{"CategoryAndTextTrimmedCommentKept",
                  "#QUELT_RULES_FILE_V2.1\r\n  Letters  \r\n\tRemove spaces: <Type=Leading> \r\nTrue\r\n  keep me  \r\n",
                  RulesFileKind::Rules, {Rule("Letters", "Remove spaces: <Type=Leading>", true, "  keep me  ")}},
        ParseCase{"BinaryGarbage", QByteArray("\x00\xff\xfe\x01\x02\r\n\x00\x00", 10), RulesFileKind::Unknown, {}},
        ParseCase{"NulInsideARuleIsKept", QByteArray("#QUELT_RULES_FILE_V2.0\r\nA\r\nB\0" "C\r\nTrue\r\n", 38),
                  RulesFileKind::Rules, {RuleLine{QStringLiteral("A"), QString::fromUtf16(u"B\0C", 3), QString(), true}}}),
    [](const ::testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

TEST(RuleFileParseLimits, TooLargeInputIsUnreadable)
{
    QByteArray bytes = "#QUELT_RULES_FILE_V2.0\r\n";
    bytes.append(QByteArray(MaxRulesFileBytes, 'x'));
    EXPECT_EQ(ParseRulesFile(bytes).kind, RulesFileKind::Unreadable);
}

TEST_F(RuleFileTest, IsRulesFile)
{
    struct Case { const char* name; QByteArray bytes; bool expected; };
    const Case cases[] = {
        {"v21.rls", "#QUELT_RULES_FILE_V2.1\r\n", true},
        {"v20.rls", "#QUELT_RULES_FILE_V2.0\n", true},
        {"spaced.rls", "  #QUELT_RULES_FILE_V2.0  \r\nbroken", true},
        {"old.rls", "#QUELT_RULES_FILE\r\n", false},
        {"lower.rls", "#quelt_rules_file_v2.0\r\n", false},
        {"empty.rls", "", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsRulesFile(writeFile(c.name, c.bytes)), c.expected) << c.name;
    EXPECT_FALSE(IsRulesFile(dir_.file(QStringLiteral("missing.rls"))));
    EXPECT_FALSE(IsRulesFile(dir_.path()));
}

TEST_F(RuleFileTest, ImportIntoAnEmptyListAsksNothing)
{
    ScriptedPrompt prompt;
    RulesList list;
    const QString path = writeFile("one.rls", "#QUELT_RULES_FILE_V2.1\r\n" + FindReplaceLines + "True\r\n\r\n");
    EXPECT_EQ(ImportRulesFile(path, list, prompt), ImportResult::Imported);
    EXPECT_TRUE(prompt.asked.empty());
    ExpectSameRules(list.rules(), {FindReplace});
}

TEST_F(RuleFileTest, ImportIntoANonEmptyListAsksAndFollowsTheAnswer)
{
    const QString path = writeFile("one.rls", "#QUELT_RULES_FILE_V2.1\r\n" + FindReplaceLines + "True\r\n\r\n");
    struct Case { const char* name; PromptAnswer answer; ImportResult result; std::vector<RuleLine> after; };
    const Case cases[] = {
        {"yes appends", PromptAnswer::Yes, ImportResult::Imported, {Capitalize, FindReplace}},
        {"no replaces", PromptAnswer::No, ImportResult::Imported, {FindReplace}},
        {"cancel leaves the list", PromptAnswer::Cancel, ImportResult::Cancelled, {Capitalize}},
    };
    for (const Case& c : cases) {
        ScriptedPrompt prompt({c.answer});
        RulesList list = ListOf({Capitalize});
        EXPECT_EQ(ImportRulesFile(path, list, prompt), c.result) << c.name;
        ASSERT_EQ(prompt.asked.size(), 1u) << c.name;
        EXPECT_EQ(prompt.asked[0].text, QStringLiteral("Your list is not empty, append file to current list?"));
        EXPECT_EQ(prompt.asked[0].caption, QStringLiteral("Import Rules List"));
        EXPECT_EQ(prompt.asked[0].icon, PromptIcon::Question);
        EXPECT_EQ(prompt.asked[0].buttons, PromptButtons::YesNoCancel);
        ExpectSameRules(list.rules(), c.after);
    }
}

TEST_F(RuleFileTest, CancelLeavesTheFileUnread)
{
    ScriptedPrompt prompt({PromptAnswer::Cancel});
    RulesList list = ListOf({Capitalize});
    EXPECT_EQ(ImportRulesFile(dir_.file(QStringLiteral("missing.rls")), list, prompt), ImportResult::Cancelled);
    EXPECT_EQ(prompt.asked.size(), 1u); // no load error: the file was never opened
    EXPECT_EQ(list.size(), 1);
}

TEST_F(RuleFileTest, UnreadableFilesShowTheLoadErrorAndEmptyTheList)
{
    struct Case { const char* name; QByteArray bytes; };
    const Case cases[] = {
        {"truncated.rls", "#QUELT_RULES_FILE_V2.1\r\n" + FindReplaceLines + "True\r\n\r\n" + FindReplaceLines},
        {"empty.rls", ""},
    };
    std::vector<QString> paths;
    for (const Case& c : cases)
        paths.push_back(writeFile(c.name, c.bytes));
    paths.push_back(dir_.file(QStringLiteral("missing.rls")));
    paths.push_back(dir_.path());

    for (const QString& path : paths) {
        ScriptedPrompt prompt({PromptAnswer::Yes});
        RulesList list = ListOf({Capitalize, Numbering});
        EXPECT_EQ(ImportRulesFile(path, list, prompt), ImportResult::Failed) << path.toStdString();
        EXPECT_TRUE(list.empty()) << path.toStdString();
        ASSERT_EQ(prompt.asked.size(), 2u) << path.toStdString();
        EXPECT_EQ(prompt.asked[1].text, QStringLiteral("Rules file could not be loaded!"));
        EXPECT_EQ(prompt.asked[1].icon, PromptIcon::Error);
        EXPECT_EQ(prompt.asked[1].caption, ProgramTitle);
    }
}

TEST_F(RuleFileTest, OlderGenerationIsRefusedWithAWarning)
{
    ScriptedPrompt prompt({PromptAnswer::Yes});
    RulesList list = ListOf({Capitalize});
    const QString path = writeFile("old.rls", "#QUELT_RULES_FILE\r\nTitle\r\nrule\r\nTrue\r\n");
    EXPECT_EQ(ImportRulesFile(path, list, prompt, QStringLiteral("Main caption")), ImportResult::OlderGeneration);
    ASSERT_EQ(prompt.asked.size(), 2u);
    EXPECT_EQ(prompt.asked[1].text,
              QStringLiteral("Sorry, this version of Quelt doesn't accept rules from older versions.\r\n"
                             "Please use the new rules system to create a new set."));
    EXPECT_EQ(prompt.asked[1].icon, PromptIcon::Warning);
    EXPECT_EQ(prompt.asked[1].caption, QStringLiteral("Main caption"));
    ExpectSameRules(list.rules(), {Capitalize});
}

TEST_F(RuleFileTest, OtherFilesAddNothingAndShowNothing)
{
    ScriptedPrompt prompt;
    RulesList list;
    const QString path = writeFile("notes.txt", "just some notes\r\n");
    EXPECT_EQ(ImportRulesFile(path, list, prompt), ImportResult::NotRulesFile);
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_TRUE(list.empty());
}

TEST_F(RuleFileTest, HundredThousandRulesRoundTrip)
{
    constexpr int count = 100'000;
    std::vector<RuleLine> rules;
    rules.reserve(count);
    for (int i = 0; i < count; ++i)
        rules.push_back(Rule("Title & Extension", "Create a new name: <New Text=x> <Apply To=Title>", i % 3 != 0,
                             i % 7 == 0 ? "seven" : ""));
    rules.back().text = QStringLiteral("Create a new name: <New Text=last> <Apply To=Title>");
    const QString path = dir_.file(QStringLiteral("huge.rls"));
    ASSERT_TRUE(WriteRulesFile(path, rules));

    ScriptedPrompt prompt;
    RulesList list;
    ASSERT_EQ(ImportRulesFile(path, list, prompt), ImportResult::Imported);
    ExpectSameRules(list.rules(), rules);
}

TEST_F(RuleFileTest, DialogFolderFollowsSaveState)
{
    RememberRulesFolder(QStringLiteral("/home/u/rule sets/set.rls"));
    EXPECT_EQ(AppSettings().RulesFolder, QStringLiteral("/home/u/rule sets/"));
    AppSettings().SaveState = true;
    EXPECT_EQ(RulesDialogFolder(), QStringLiteral("/home/u/rule sets/"));
    AppSettings().SaveState = false;
    EXPECT_EQ(RulesDialogFolder(), platform::ProgramFolder() + QStringLiteral("rules/"));
}
