#include "engine/LettersSpacesRules.h"
#include "engine/NameParts.h"
#include "engine/PreviewRunState.h"
#include "engine/RuleLine.h"
#include "engine/RuleOps.h"

#include <gtest/gtest.h>

#include <vector>

using namespace quelt;

namespace {

QString Q(const char* utf8) { return QString::fromUtf8(utf8); }

struct CaseRow {
    const char* name;
    const char* type;
    const char* text;
    const char* expected;
    int limit = -1;
    bool rightToLeft = false;
    const char* exceptions = "";
    bool countSkipped = true;
    bool ignoreCase = true;
    const char* separators = nullptr; // null: the default set
};

QString RunCase(const CaseRow& row)
{
    auto options = CaseOptionsForType(Q(row.type));
    if (!options)
        return QStringLiteral("<no type>");
    options->wordLimit = row.limit;
    options->rightToLeft = row.rightToLeft;
    options->exceptions = ParseExceptionsList(Q(row.exceptions));
    options->countSkipped = row.countSkipped;
    options->ignoreCase = row.ignoreCase;
    options->separators = row.separators ? Q(row.separators) : DefaultWordSeparators;
    return ChangeCase(Q(row.text), *options);
}

const CaseRow CaseRows[] = {
    {.name = "upper", .type = "upper case", .text = "my song-title", .expected = "MY SONG-TITLE"},
    {.name = "lower", .type = "lower case", .text = "My SONG", .expected = "my song"},
    {.name = "first up", .type = "first letter up", .text = "my song-title", .expected = "My Song-Title"},
    {.name = "first up lowers the rest", .type = "first letter up", .text = "mY SONG", .expected = "My Song"},
    {.name = "first down", .type = "first letter down", .text = "my song-title", .expected = "mY sONG-tITLE"},
    {.name = "word up-down", .type = "word up-down", .text = "one two three", .expected = "ONE two THREE"},
    {.name = "word down-up", .type = "word down-up", .text = "one two three", .expected = "one TWO three"},
    {.name = "letter up-down carries across words", .type = "letter up-down", .text = "letter up-down",
     .expected = "LEtTeR Up-DOwN"},
    {.name = "letter down-up", .type = "letter down-up", .text = "letter", .expected = "leTtEr"},
    {.name = "limit 1 from left", .type = "upper case", .text = "ab cd ef", .expected = "AB cd ef", .limit = 1},
    {.name = "limit 1 from right", .type = "upper case", .text = "ab cd ef", .expected = "ab cd EF", .limit = 1,
     .rightToLeft = true},
    {.name = "one-letter last word is a word", .type = "upper case", .text = "ab c", .expected = "AB c", .limit = 1},
    {.name = "first letters read forwards from the right", .type = "first letter up", .text = " ab",
     .expected = " Ab", .limit = 1, .rightToLeft = true},
    {.name = "limit 0 changes nothing", .type = "upper case", .text = "ab cd", .expected = "ab cd", .limit = 0},
    {.name = "leading separators do not count a word", .type = "upper case", .text = "  ab cd",
     .expected = "  AB cd", .limit = 1},
    {.name = "exception kept", .type = "first letter up", .text = "war of worlds", .expected = "War of Worlds",
     .exceptions = "of"},
    {.name = "exception keeps the name's case", .type = "lower case", .text = "WAR OF WORLDS",
     .expected = "war OF worlds", .exceptions = "of"},
    {.name = "exception inside a word", .type = "lower case", .text = "PROOF", .expected = "proOF",
     .exceptions = "of"},
    {.name = "case-sensitive exception does not match", .type = "lower case", .text = "WAR OF WORLDS",
     .expected = "war of worlds", .exceptions = "of", .ignoreCase = false},
    {.name = "exception toggles word case", .type = "word up-down", .text = "war of the worlds",
     .expected = "WAR of the WORLDS", .exceptions = "of"},
    {.name = "skipped word not counted", .type = "upper case", .text = "the cat sat", .expected = "the CAT sat",
     .limit = 1, .exceptions = "the", .countSkipped = false},
    {.name = "skipped word counted", .type = "upper case", .text = "the cat sat", .expected = "the cat sat",
     .limit = 1, .exceptions = "the", .countSkipped = true},
    {.name = "first listed exception wins", .type = "upper case", .text = "abc", .expected = "abC",
     .exceptions = "ab:abc"},
    {.name = "exception matched reversed from the right", .type = "upper case", .text = "yy xab",
     .expected = "YY Xab", .limit = 2, .rightToLeft = true, .exceptions = "ab"},
    {.name = "no separators: one word", .type = "first letter up", .text = "my song", .expected = "My song",
     .separators = ""},
    {.name = "custom separators", .type = "first letter up", .text = "a_b c", .expected = "A_B c", .separators = "_"},
    {.name = "accented letters", .type = "first letter up", .text = "élan ÉTÉ", .expected = "Élan Été"},
    {.name = "full mapping to several letters", .type = "upper case", .text = "straße", .expected = "STRASSE"},
    {.name = "letters beyond the BMP", .type = "upper case", .text = "\xF0\x90\x90\xA8\xF0\x90\x90\xA9",
     .expected = "\xF0\x90\x90\x80\xF0\x90\x90\x81"},
    {.name = "a pair is one character", .type = "letter up-down", .text = "a\xF0\x9F\x98\x80" "b",
     .expected = "A\xF0\x9F\x98\x80" "b"},
    {.name = "pairs survive reversal", .type = "upper case", .text = "ab c\xF0\x9F\x98\x80",
     .expected = "ab C\xF0\x9F\x98\x80", .limit = 1, .rightToLeft = true},
    {.name = "several-letter mapping keeps its order reversed", .type = "upper case", .text = "x \xC5\x89" "a",
     .expected = "x \xCA\xBCNA", .limit = 1, .rightToLeft = true},
    {.name = "digits and symbols have no case", .type = "upper case", .text = "a1#b", .expected = "A1#B"},
    {.name = "empty text", .type = "first letter up", .text = "", .expected = ""},
};

TEST(ChangeCase, Table)
{
    for (const CaseRow& row : CaseRows)
        EXPECT_EQ(RunCase(row), Q(row.expected)) << row.name;
}

TEST(ChangeCase, LoneSurrogateStaysInPlace)
{
    auto options = *CaseOptionsForType(QStringLiteral("upper case"));
    options.separators = DefaultWordSeparators;
    const QString name = QStringLiteral("a") + QChar(0xDC80) + QStringLiteral("b");
    EXPECT_EQ(ChangeCase(name, options), QStringLiteral("A") + QChar(0xDC80) + QStringLiteral("B"));
    options.rightToLeft = true;
    EXPECT_EQ(ChangeCase(name, options), QStringLiteral("A") + QChar(0xDC80) + QStringLiteral("B"));
}

TEST(ChangeCase, UnknownTypeHasNoOptions)
{
    EXPECT_FALSE(CaseOptionsForType(QStringLiteral("title case")));
    EXPECT_FALSE(CaseOptionsForType(QStringLiteral("UPPER CASE"))); // callers pass the lower-case keyword
    EXPECT_FALSE(CaseOptionsForType(NotFound));
}

TEST(ExceptionsList, Pieces)
{
    const std::pair<const char*, QStringList> cases[] = {
        {"", {}},
        {"of", {"of"}},
        {"of:the", {"of", "the"}},
        {"::of::the:", {"of", "the"}},
        {" of : the", {" of ", " the"}},
    };
    for (const auto& [words, expected] : cases)
        EXPECT_EQ(ParseExceptionsList(Q(words)), expected) << words;
}

TEST(SpaceHelpers, RemoveAndCollapse)
{
    const QString text = QStringLiteral("  a  b  ");
    EXPECT_EQ(RemoveSpaces(text, SpaceTrim::Leading), QStringLiteral("a  b  "));
    EXPECT_EQ(RemoveSpaces(text, SpaceTrim::Trailing), QStringLiteral("  a  b"));
    EXPECT_EQ(RemoveSpaces(text, SpaceTrim::Both), QStringLiteral("a  b"));
    EXPECT_EQ(RemoveSpaces(text, SpaceTrim::None), text);
    EXPECT_EQ(RemoveSpaces(QStringLiteral("\ta\t"), SpaceTrim::Both), QStringLiteral("\ta\t"));
    EXPECT_EQ(RemoveSpaces(QStringLiteral("   "), SpaceTrim::Both), QString());
    EXPECT_EQ(CollapseSpaces(QStringLiteral("  a   b  ")), QStringLiteral(" a b "));
    EXPECT_EQ(CollapseSpaces(QStringLiteral("a\t\tb")), QStringLiteral("a\t\tb"));
    EXPECT_EQ(SpaceTrimOf(QStringLiteral("leading & trailing")), SpaceTrim::Both);
    EXPECT_EQ(SpaceTrimOf(QStringLiteral("both")), SpaceTrim::None);
}

// Runs rule lines over names the way the preview driver does: one rule at a
// time over every item, the parts rebuilt from each item's new name.
class LetterRules : public ::testing::Test {
protected:
    std::vector<QString> Run(const QStringList& rules, const QStringList& names)
    {
        items.clear();
        for (const QString& n : names)
            items.push_back(PreviewItem{QStringLiteral("/d/"), n, n, true, true, true});
        state = PreviewRunState::ForRun(int(rules.size()), caseSensitive, fullNames);
        for (int r = 0; r < rules.size(); ++r) {
            RuleOperation op = nullptr;
            for (const RuleOpEntry& e : LetterAndSpaceOperations())
                if (QString::fromUtf16(e.name) == RuleName(rules[r]))
                    op = e.op;
            EXPECT_NE(op, nullptr) << rules[r].toStdString();
            if (!op)
                return {};
            for (std::size_t i = 0; i < items.size(); ++i) {
                NameParts parts = NameParts::FromName(items[i].newName);
                RuleOpContext context{state, r, items, qsizetype(i)};
                op(context, rules[r], parts);
                EXPECT_FALSE(context.failed);
                items[i].newName = parts.toName();
            }
        }
        std::vector<QString> out;
        for (const PreviewItem& item : items)
            out.push_back(item.newName);
        return out;
    }

    bool caseSensitive = false;
    bool fullNames = false;
    PreviewRunState state;
    PreviewArray items;
};

TEST_F(LetterRules, CapitalizationThroughApplyTo)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Change capitalization: <Capitalization Type=UPPER CASE> <Apply To=Title>", "MY SONG.mp3"},
        {"Change capitalization: <Capitalization Type=UPPER CASE> <Apply To=Extension>", "my song.MP3"},
        {"Change capitalization: <Capitalization Type=First Letter Up> <Apply To=Title & Extension>", "My Song.Mp3"},
        {"Change capitalization: <Capitalization Type=Title Case> <Apply To=Title>", "my song.mp3"},
        {"Change capitalization: <Capitalization Type=UPPER CASE>", "my song.mp3"},
        {"Change capitalization (Advanced): <Capitalization Type=UPPER CASE> <Apply To=Title> <Number of Words=1> "
         "<Search Direction=Left to Right>",
         "MY song.mp3"},
        {"Change capitalization (Advanced): <Capitalization Type=UPPER CASE> <Apply To=Title> <Number of Words=1> "
         "<Search Direction=Right to Left>",
         "my SONG.mp3"},
        {"Change capitalization (Advanced): <Capitalization Type=UPPER CASE> <Apply To=Title> <Number of Words=-1> "
         "<Search Direction=Left to Right>",
         "MY SONG.mp3"},
    };
    for (const auto& [rule, expected] : cases)
        EXPECT_EQ(Run({Q(rule)}, {QStringLiteral("my song.mp3")}), std::vector<QString>{Q(expected)}) << rule;
}

TEST_F(LetterRules, FullNamesTreatTheNameAsOneText)
{
    fullNames = true;
    const QString rule = QStringLiteral("Change capitalization: <Capitalization Type=First Letter Up> "
                                        "<Apply To=Title & Extension>");
    // The dot is a separator, so the extension begins a word of the full name.
    EXPECT_EQ(Run({rule}, {QStringLiteral("my song.mp3"), QStringLiteral("readme")}),
              (std::vector<QString>{QStringLiteral("My Song.Mp3"), QStringLiteral("Readme")}));
    const QString trim = QStringLiteral("Remove spaces: <Type=Leading & Trailing> <Apply To=Title & Extension>");
    EXPECT_EQ(Run({trim}, {QStringLiteral(" a .mp3 ")}), std::vector<QString>{QStringLiteral("a .mp3")});
}

TEST_F(LetterRules, SettingsRulesAffectLaterRules)
{
    const QString upper = QStringLiteral("Change capitalization: <Capitalization Type=First Letter Up> <Apply To=Title>");
    EXPECT_EQ(Run({QStringLiteral("Set word separators: <Characters=>"), upper}, {QStringLiteral("my song")}),
              std::vector<QString>{QStringLiteral("My song")});
    EXPECT_EQ(Run({QStringLiteral("Set word separators: <Characters=->"), upper}, {QStringLiteral("my song-title")}),
              std::vector<QString>{QStringLiteral("My song-Title")});

    const QString advanced = QStringLiteral("Change capitalization (Advanced): <Capitalization Type=UPPER CASE> "
                                            "<Apply To=Title> <Number of Words=1> <Search Direction=Left to Right>");
    EXPECT_EQ(Run({QStringLiteral("Set exceptions list: <Words=the:of> <Count Skipped Words=False>"), advanced},
                  {QStringLiteral("the cat sat")}),
              std::vector<QString>{QStringLiteral("the CAT sat")});
    EXPECT_FALSE(state.countSkipped);
    EXPECT_EQ(state.exceptions, (QStringList{QStringLiteral("the"), QStringLiteral("of")}));
    EXPECT_EQ(Run({QStringLiteral("Set exceptions list: <Words=the> <Count Skipped Words=True>"), advanced},
                  {QStringLiteral("the cat sat")}),
              std::vector<QString>{QStringLiteral("the cat sat")});
    // A later list replaces the earlier one.
    Run({QStringLiteral("Set exceptions list: <Words=a:b> <Count Skipped Words=True>"),
         QStringLiteral("Set exceptions list: <Words=c> <Count Skipped Words=yes>")},
        {QStringLiteral("x")});
    EXPECT_EQ(state.exceptions, QStringList{QStringLiteral("c")});
    EXPECT_FALSE(state.countSkipped);
}

// The same rule text under settings that change from run to run (and back) must
// follow the settings of each run, never those of an earlier one.
TEST_F(LetterRules, SameRuleFollowsTheSettingsOfEachRun)
{
    const QString upper = QStringLiteral("Change capitalization: <Capitalization Type=First Letter Up> <Apply To=Title>");
    const QString exceptions = QStringLiteral("Set exceptions list: <Words=song> <Count Skipped Words=True>");
    const QString noSeparators = QStringLiteral("Set word separators: <Characters=>");
    struct Row {
        QStringList rules;
        bool caseSensitive;
        const char* expected;
    };
    const Row rows[] = {
        {{upper}, false, "My Song-Title"},
        {{noSeparators, upper}, false, "My song-title"},
        {{upper}, false, "My Song-Title"},
        {{exceptions, upper}, false, "My song-Title"},
        {{QStringLiteral("Set exceptions list: <Words=SONG> <Count Skipped Words=True>"), upper}, true,
         "My Song-Title"},
        {{QStringLiteral("Set exceptions list: <Words=SONG> <Count Skipped Words=True>"), upper}, false,
         "My song-Title"},
        {{upper}, false, "My Song-Title"},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        caseSensitive = rows[i].caseSensitive;
        EXPECT_EQ(Run(rows[i].rules, {QStringLiteral("my song-title")}), std::vector<QString>{Q(rows[i].expected)})
            << "row " << i;
    }
}

TEST_F(LetterRules, ExceptionsFollowTheComparisonType)
{
    caseSensitive = true;
    const QStringList rules = {QStringLiteral("Set exceptions list: <Words=of> <Count Skipped Words=True>"),
                               QStringLiteral("Change capitalization: <Capitalization Type=lower case> <Apply To=Title>")};
    EXPECT_EQ(Run(rules, {QStringLiteral("WAR OF of")}), std::vector<QString>{QStringLiteral("war of of")});
}

TEST_F(LetterRules, SpacesRules)
{
    struct Row {
        const char* rule;
        const char* name;
        const char* expected;
    };
    const Row rows[] = {
        {"Remove spaces: <Type=Leading & Trailing> <Apply To=Title & Extension>", " a .mp3 ", "a.mp3"},
        {"Remove spaces: <Type=Leading> <Apply To=Title & Extension>", " a . mp3 ", "a .mp3 "},
        {"Remove spaces: <Type=Trailing> <Apply To=Title>", " a . mp3 ", " a. mp3 "},
        {"Remove spaces: <Type=Both> <Apply To=Title & Extension>", " a . mp3 ", " a . mp3 "},
        {"Remove spaces: <Apply To=Title>", " a ", " a "},
        {"Convert multiple spaces into one: <Apply To=Title>", "  a   b  ", " a b "},
        {"Convert multiple spaces into one: <Apply To=Extension>", "a  b.  mp3", "a  b. mp3"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(Run({Q(row.rule)}, {Q(row.name)}), std::vector<QString>{Q(row.expected)}) << row.rule;
}

} // namespace
