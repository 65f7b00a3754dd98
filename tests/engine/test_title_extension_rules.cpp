#include "engine/RuleLine.h"
#include "engine/RuleOps.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace quelt;

namespace {

RuleOperation OperationOf(const QString& ruleText)
{
    const QString name = RuleName(ruleText);
    for (const RuleOpEntry& e : TitleExtensionOperations()) {
        if (QString::fromUtf16(e.name) == name)
            return e.op;
    }
    return nullptr;
}

// A one-item preview run: the rule on `name`, the new name rebuilt from the parts.
struct ItemRun {
    PreviewRunState state = PreviewRunState::ForRun(1, false, false);
    PreviewArray items = PreviewArray(1);
    bool failed = false;

    QString apply(const QString& ruleText, const QString& name, int ruleIndex = 0)
    {
        const RuleOperation op = OperationOf(ruleText);
        EXPECT_TRUE(op) << ruleText.toStdString();
        if (!op)
            return name;
        NameParts parts = NameParts::FromName(name);
        RuleOpContext context{state, ruleIndex, items, 0};
        op(context, ruleText, parts);
        failed = context.failed;
        return parts.toName();
    }
};

struct RuleCase {
    const char* label;
    const char* rule;
    const char* name;
    const char* expected;
    bool fails = false;
    bool caseSensitive = false;
    bool fullNames = false;
};

void RunCases(std::span<const RuleCase> cases)
{
    for (const RuleCase& c : cases) {
        ItemRun run;
        run.state.ignoreCase = !c.caseSensitive;
        run.state.fullNames = c.fullNames;
        const QString got = run.apply(QString::fromUtf8(c.rule), QString::fromUtf8(c.name));
        EXPECT_EQ(got, QString::fromUtf8(c.expected)) << c.label;
        EXPECT_EQ(run.failed, c.fails) << c.label;
    }
}

} // namespace

TEST(TitleExtensionRules, EveryRuleHasAnOperation)
{
    const char* names[] = {
        "Create a new name", "Find and replace text", "Find and replace text (Advanced)",
        "Find and replace using Regular Expression", "Attach text to edge of name", "Add text at position",
        "Remove characters from position", "Remove characters from edge of name", "Remove characters (Advanced)",
        "Clear text between margins", "Replace text between margins", "Set as line from text file",
        "Set maximum name length", "Set the text comparison type", "Make 'Title & Extension' affect full names",
        "Skip rule if causing validation error",
    };
    ASSERT_EQ(TitleExtensionOperations().size(), std::size(names));
    for (const char* name : names)
        EXPECT_TRUE(OperationOf(QString::fromUtf8(name) + u':')) << name;
}

TEST(TitleExtensionRules, ApplyToChoosesTheParts)
{
    const RuleCase cases[] = {
        {"title", "Create a new name: <New Text=new> <Apply To=Title>", "old.txt", "new.txt"},
        {"extension", "Create a new name: <New Text=new> <Apply To=Extension>", "old.txt", "old.new"},
        {"both separately", "Create a new name: <New Text=new> <Apply To=Title & Extension>", "old.txt", "new.new"},
        {"keyword in any case", "Create a new name: <New Text=new> <Apply To=tITLE>", "old.txt", "new.txt"},
        {"full name", "Create a new name: <New Text=new> <Apply To=Title & Extension>", "old.txt", "new", false,
         false, true},
        {"missing Apply To changes nothing", "Create a new name: <New Text=new>", "old.txt", "old.txt"},
        {"unknown Apply To changes nothing", "Create a new name: <New Text=new> <Apply To=Both>", "old.txt",
         "old.txt"},
        {"extension-less name", "Create a new name: <New Text=x> <Apply To=Extension>", "README", "README.x"},
        {"leading dot", "Create a new name: <New Text=x> <Apply To=Title>", ".profile", "x.profile"},
        {"variables inserted as typed", "Create a new name: <New Text=%file_title%-1> <Apply To=Title>", "a.b",
         "%file_title%-1.b"},
    };
    RunCases(cases);
}

TEST(TitleExtensionRules, FindAndReplace)
{
    const RuleCase cases[] = {
        {"ignore case", "Find and replace text: <Find What=a> <Replace With=b> <Apply To=Title>", "Aaa", "bbb"},
        {"case sensitive", "Find and replace text: <Find What=a> <Replace With=b> <Apply To=Title>", "Aaa", "Abb",
         false, true},
        {"no overlap", "Find and replace text: <Find What=aa> <Replace With=b> <Apply To=Title>", "aaaaa", "bba"},
        {"remove", "Find and replace text: <Find What=_> <Replace With=> <Apply To=Title>", "a_b_c.t_t", "abc.t_t"},
        {"empty find", "Find and replace text: <Find What=> <Replace With=x> <Apply To=Title>", "abc", "abc"},
        {"extension", "Find and replace text: <Find What=JPEG> <Replace With=jpg> <Apply To=Extension>",
         "a.jpeg", "a.jpg"},
        {"title then extension", "Find and replace text: <Find What=a> <Replace With=o> <Apply To=Title & Extension>",
         "banana.tar", "bonono.tor"},
        {"full name crosses the dot", "Find and replace text: <Find What=a.t> <Replace With=-> "
         "<Apply To=Title & Extension>", "banana.tar", "banan-ar", false, false, true},
        {"Unicode case", "Find and replace text: <Find What=\xc3\xa9t\xc3\xa9> <Replace With=x> <Apply To=Title>",
         "\xc3\x89T\xc3\x89", "x"},
        {"emoji", "Find and replace text: <Find What=\xf0\x9f\x98\x80> <Replace With=:)> <Apply To=Title>",
         "a\xf0\x9f\x98\x80" "b", "a:)b"},
    };
    RunCases(cases);
}

TEST(TitleExtensionRules, FindAndReplaceAdvanced)
{
    const RuleCase cases[] = {
        {"right to left twice", "Find and replace text (Advanced): <Maximum Replacements=2> <Find What=a> "
         "<Replace With=x> <Search Direction=Right to Left> <Apply To=Title>", "banana", "banxnx"},
        {"left to right twice", "Find and replace text (Advanced): <Maximum Replacements=2> <Find What=a> "
         "<Replace With=x> <Search Direction=Left to Right> <Apply To=Title>", "banana", "bxnxna"},
        {"other direction is left to right", "Find and replace text (Advanced): <Maximum Replacements=1> "
         "<Find What=a> <Replace With=x> <Search Direction=sideways> <Apply To=Title>", "banana", "bxnana"},
        {"maximum below one is one", "Find and replace text (Advanced): <Maximum Replacements=0> <Find What=a> "
         "<Replace With=x> <Search Direction=Right to Left> <Apply To=Title>", "banana", "bananx"},
        {"right to left walks into the replacement", "Find and replace text (Advanced): "
         "<Maximum Replacements=9> <Find What=aa> <Replace With=a> <Search Direction=Right to Left> "
         "<Apply To=Title>", "aaaa", "a"},
        {"find longer than part", "Find and replace text (Advanced): <Maximum Replacements=9> <Find What=abcd> "
         "<Replace With=x> <Search Direction=Right to Left> <Apply To=Title>", "abc", "abc"},
        {"right to left ignores case", "Find and replace text (Advanced): <Maximum Replacements=1> <Find What=A> "
         "<Replace With=x> <Search Direction=Right to Left> <Apply To=Title>", "aAa", "aAx"},
        {"right to left keeps pairs whole", "Find and replace text (Advanced): <Maximum Replacements=9> "
         "<Find What=\xf0\x9f\x98\x80> <Replace With=x> <Search Direction=Right to Left> <Apply To=Title>",
         "\xf0\x9f\x98\x80\xf0\x9f\x98\x80", "xx"},
    };
    RunCases(cases);
}

TEST(TitleExtensionRules, RegularExpression)
{
    const RuleCase cases[] = {
        {"all", "Find and replace using Regular Expression: <Search Pattern=(\\d+)> <Replace With=[$1]> "
         "<Replace All=True> <Apply To=Title>", "a1b22.mp3", "a[1]b[22].mp3"},
        {"first only", "Find and replace using Regular Expression: <Search Pattern=\\d+> <Replace With=#> "
         "<Replace All=False> <Apply To=Title>", "a1b22", "a#b22"},
        {"extension like title", "Find and replace using Regular Expression: <Search Pattern=\\d> "
         "<Replace With=X> <Replace All=true> <Apply To=Extension>", "a1.mp3", "a1.mpX"},
        {"ignore case from the run", "Find and replace using Regular Expression: <Search Pattern=a> "
         "<Replace With=o> <Replace All=True> <Apply To=Title>", "AaA", "ooo"},
        {"case sensitive run", "Find and replace using Regular Expression: <Search Pattern=a> "
         "<Replace With=o> <Replace All=True> <Apply To=Title>", "AaA", "AoA", false, true},
        {"bad pattern leaves the part", "Find and replace using Regular Expression: <Search Pattern=(> "
         "<Replace With=o> <Replace All=True> <Apply To=Title>", "a(b", "a(b"},
        {"parts stay separate in full-name mode", "Find and replace using Regular Expression: "
         "<Search Pattern=\\.> <Replace With=_> <Replace All=True> <Apply To=Title & Extension>",
         "a.b.c", "a_b.c", false, false, true},
        {"missing parameters change nothing", "Find and replace using Regular Expression: <Search Pattern=a> "
         "<Replace With=o>", "aa", "aa"},
    };
    RunCases(cases);
}

TEST(TitleExtensionRules, AttachAndAddAtPosition)
{
    const RuleCase cases[] = {
        {"attach start", "Attach text to edge of name: <Insert This=X> <Insert Where=Start> <Apply To=Title>",
         "a.b", "Xa.b"},
        {"attach end", "Attach text to edge of name: <Insert This=X> <Insert Where=End> <Apply To=Title>",
         "a.b", "aX.b"},
        {"attach other is end", "Attach text to edge of name: <Insert This=X> <Insert Where=> <Apply To=Title>",
         "a.b", "aX.b"},
        {"attach both parts", "Attach text to edge of name: <Insert This=X> <Insert Where=Start> "
         "<Apply To=Title & Extension>", "a.b", "Xa.Xb"},
        {"attach after full name", "Attach text to edge of name: <Insert This=X> <Insert Where=End> "
         "<Apply To=Title & Extension>", "README", "README.X", false, false, true},
        {"position 2", "Add text at position: <New Text=_> <Position=2> <Search Direction=Left to Right> "
         "<Apply To=Title>", "abc", "a_bc"},
        {"position 2 from the right", "Add text at position: <New Text=_> <Position=2> "
         "<Search Direction=Right to Left> <Apply To=Title>", "abc", "ab_c"},
        {"position past the end", "Add text at position: <New Text=_> <Position=9> "
         "<Search Direction=Left to Right> <Apply To=Title>", "abc", "abc_"},
        {"position past the end from the right", "Add text at position: <New Text=_> <Position=9> "
         "<Search Direction=Right to Left> <Apply To=Title>", "abc", "_abc"},
        {"position 1", "Add text at position: <New Text=_> <Position=1> <Search Direction=Left to Right> "
         "<Apply To=Title>", "abc", "_abc"},
        {"position 1 from the right", "Add text at position: <New Text=_> <Position=1> "
         "<Search Direction=Right to Left> <Apply To=Title>", "abc", "abc_"},
        {"position 0", "Add text at position: <New Text=_> <Position=0> <Search Direction=Left to Right> "
         "<Apply To=Title>", "abc", "_abc"},
        {"counts code points", "Add text at position: <New Text=_> <Position=2> "
         "<Search Direction=Left to Right> <Apply To=Title>", "\xf0\x9f\x98\x80" "b", "\xf0\x9f\x98\x80_b"},
        {"combining accent counts as its own code point", "Add text at position: <New Text=_> <Position=2> "
         "<Search Direction=Right to Left> <Apply To=Title>", "e\xcc\x81x", "e\xcc\x81_x"},
    };
    RunCases(cases);
}

TEST(TitleExtensionRules, RemoveCharacters)
{
    const RuleCase cases[] = {
        {"start past the end fails", "Remove characters from position: <Starting Position=4> <Length=1> "
         "<Removal Direction=Left to Right> <Apply To=Title>", "abc", "abc", true},
        {"length past the end", "Remove characters from position: <Starting Position=3> <Length=5> "
         "<Removal Direction=Left to Right> <Apply To=Title>", "abc", "ab"},
        {"middle", "Remove characters from position: <Starting Position=2> <Length=2> "
         "<Removal Direction=Left to Right> <Apply To=Title>", "abcd", "ad"},
        {"from the right", "Remove characters from position: <Starting Position=2> <Length=1> "
         "<Removal Direction=Right to Left> <Apply To=Title>", "abcd", "abd"},
        {"emoji whole", "Remove characters from position: <Starting Position=2> <Length=1> "
         "<Removal Direction=Left to Right> <Apply To=Title>", "a\xf0\x9f\x98\x80" "b", "ab"},
        {"emoji whole from the right", "Remove characters from position: <Starting Position=1> <Length=1> "
         "<Removal Direction=Right to Left> <Apply To=Title>", "a\xf0\x9f\x98\x80", "a"},
        {"empty extension fails", "Remove characters from position: <Starting Position=1> <Length=1> "
         "<Removal Direction=Left to Right> <Apply To=Title & Extension>", "README", "EADME", true},
        {"edge start too short for title", "Remove characters from edge of name: <Number of Characters=3> "
         "<Remove From=Start> <Apply To=Title>", "abc.mp3", "abc.mp3", true},
        {"edge whole extension", "Remove characters from edge of name: <Number of Characters=3> "
         "<Remove From=Start> <Apply To=Extension>", "abc.mp3", "abc"},
        {"edge one part fails, other changes", "Remove characters from edge of name: <Number of Characters=3> "
         "<Remove From=Start> <Apply To=Title & Extension>", "abc.mp3", "abc", true},
        {"edge end", "Remove characters from edge of name: <Number of Characters=2> <Remove From=End> "
         "<Apply To=Title>", "abcd.x", "ab.x"},
        {"edge end of full name removes the added dot", "Remove characters from edge of name: "
         "<Number of Characters=1> <Remove From=End> <Apply To=Title & Extension>", "README", "README", false,
         false, true},
        {"edge counts code points", "Remove characters from edge of name: <Number of Characters=1> "
         "<Remove From=End> <Apply To=Title>", "ab\xf0\x9f\x98\x80", "ab"},
        {"before each", "Remove characters (Advanced): <Number of Characters=1> <Find What=X> "
         "<Remove From=Before> <Apply To=Title>", "aXbXc", "XXc"},
        {"before moves the search", "Remove characters (Advanced): <Number of Characters=1> <Find What=X> "
         "<Remove From=Before> <Apply To=Title>", "abXXcd", "aXXcd"},
        {"before resumes in characters, not code units", "Remove characters (Advanced): "
         "<Number of Characters=1> <Find What=X> <Remove From=Before> <Apply To=Title>",
         "\xf0\x9f\x98\x80XaXb", "XXb"},
        {"after each", "Remove characters (Advanced): <Number of Characters=1> <Find What=X> "
         "<Remove From=After> <Apply To=Title>", "aXbXc", "aXX"},
        {"too few before fails", "Remove characters (Advanced): <Number of Characters=2> <Find What=X> "
         "<Remove From=Before> <Apply To=Title>", "aXb", "aXb", true},
        {"too few after fails", "Remove characters (Advanced): <Number of Characters=2> <Find What=X> "
         "<Remove From=After> <Apply To=Title>", "abXc", "abXc", true},
        {"find ignores case", "Remove characters (Advanced): <Number of Characters=1> <Find What=x> "
         "<Remove From=After> <Apply To=Title>", "aXbc", "aXc"},
        {"empty find", "Remove characters (Advanced): <Number of Characters=1> <Find What=> "
         "<Remove From=After> <Apply To=Title>", "abc", "abc"},
        {"not found", "Remove characters (Advanced): <Number of Characters=1> <Find What=q> "
         "<Remove From=After> <Apply To=Title>", "abc", "abc"},
    };
    RunCases(cases);
}

TEST(TitleExtensionRules, Margins)
{
    const RuleCase cases[] = {
        {"clear keeping margins", "Clear text between margins: <Left Margin=(> <Remove Left Margin=False> "
         "<Right Margin=)> <Remove Right Margin=False> <Apply To=Title>", "song (live) x", "song () x"},
        {"clear with margins", "Clear text between margins: <Left Margin=(> <Remove Left Margin=True> "
         "<Right Margin=)> <Remove Right Margin=True> <Apply To=Title>", "song (live) x", "song  x"},
        {"right margin searched after the left one", "Clear text between margins: <Left Margin=--> "
         "<Remove Left Margin=False> <Right Margin=-> <Remove Right Margin=False> <Apply To=Title>",
         "a---b", "a---b"},
        {"left margin missing", "Clear text between margins: <Left Margin=[> <Remove Left Margin=True> "
         "<Right Margin=]> <Remove Right Margin=True> <Apply To=Title>", "a]b", "a]b"},
        {"right margin missing", "Clear text between margins: <Left Margin=[> <Remove Left Margin=True> "
         "<Right Margin=]> <Remove Right Margin=True> <Apply To=Title>", "a[b", "a[b"},
        {"no right margin clears to the end", "Clear text between margins: <Left Margin=-> "
         "<Remove Left Margin=True> <Right Margin=> <Remove Right Margin=True> <Apply To=Title>",
         "ab-cd", "ab"},
        {"margins ignore case", "Clear text between margins: <Left Margin=a> <Remove Left Margin=False> "
         "<Right Margin=b> <Remove Right Margin=False> <Apply To=Title>", "xAyyBz", "xABz"},
        {"replace from the start", "Replace text between margins: <Left Margin=> <Remove Left Margin=False> "
         "<Right Margin=-> <Remove Right Margin=False> <Insert This=X> <Apply To=Title>", "ab-cd", "X-cd"},
        {"replace inside", "Replace text between margins: <Left Margin=(> <Remove Left Margin=True> "
         "<Right Margin=)> <Remove Right Margin=True> <Insert This=[live]> <Apply To=Title>",
         "song (live)", "song [live]"},
        {"both margins empty replace all", "Replace text between margins: <Left Margin=> "
         "<Remove Left Margin=False> <Right Margin=> <Remove Right Margin=False> <Insert This=X> "
         "<Apply To=Extension>", "a.txt", "a.X"},
    };
    RunCases(cases);
}

TEST(TitleExtensionRules, MaximumLength)
{
    const RuleCase cases[] = {
        {"title", "Set maximum name length: <Length=3> <Apply To=Title>", "abcdef.txt", "abc.txt"},
        {"extension", "Set maximum name length: <Length=3> <Apply To=Extension>", "x.jpeg", "x.jpe"},
        {"shorter stays", "Set maximum name length: <Length=8> <Apply To=Title>", "abc.txt", "abc.txt"},
        {"zero fails", "Set maximum name length: <Length=0> <Apply To=Title>", "abc", "abc", true},
        {"missing fails", "Set maximum name length:", "abc", "abc", true},
        {"code points", "Set maximum name length: <Length=2> <Apply To=Title>",
         "\xf0\x9f\x98\x80\xf0\x9f\x98\x80\xf0\x9f\x98\x80", "\xf0\x9f\x98\x80\xf0\x9f\x98\x80"},
        {"full name", "Set maximum name length: <Length=4> <Apply To=Title & Extension>", "ab.cdef", "ab.c",
         false, false, true},
    };
    RunCases(cases);
}

TEST(TitleExtensionRules, SettingsRulesChangeLaterRules)
{
    ItemRun run;
    const QString replace = QStringLiteral("Find and replace text: <Find What=a> <Replace With=b> <Apply To=Title>");
    EXPECT_EQ(run.apply(replace, QStringLiteral("Aaa")), QStringLiteral("bbb"));
    run.apply(QStringLiteral("Set the text comparison type: <Case Sensitive=True>"), QStringLiteral("x"));
    EXPECT_FALSE(run.state.ignoreCase);
    EXPECT_EQ(run.apply(replace, QStringLiteral("Aaa")), QStringLiteral("Abb"));
    run.apply(QStringLiteral("Set the text comparison type: <Case Sensitive=no>"), QStringLiteral("x"));
    EXPECT_TRUE(run.state.ignoreCase);

    run.apply(QStringLiteral("Make 'Title & Extension' affect full names: <Enabled=TRUE>"), QStringLiteral("x"));
    EXPECT_TRUE(run.state.fullNames);
    run.apply(QStringLiteral("Make 'Title & Extension' affect full names:"), QStringLiteral("x"));
    EXPECT_FALSE(run.state.fullNames) << "a missing value is not \"true\"";

    EXPECT_EQ(run.apply(QStringLiteral("Skip rule if causing validation error: <Skip Rules=true>"),
                        QStringLiteral("a.b")),
              QStringLiteral("a.b"));
    EXPECT_TRUE(run.state.skipFailedRules);
    run.apply(QStringLiteral("Skip rule if causing validation error: <Skip Rules=False>"), QStringLiteral("x"));
    EXPECT_FALSE(run.state.skipFailedRules);
    EXPECT_FALSE(run.failed);
}

TEST(TitleExtensionRules, LineFromTextFile)
{
    test::TempDir dir;
    const QString file = dir.file(QStringLiteral("names.txt"));
    test::WriteBytes(file.toStdString(), QByteArray("first line\r\nsecond \xc3\xa9\xf0\x9f\x98\x80 line\nthird"));
    struct Case { const char* label; const char* params; const char* expected; };
    const Case cases[] = {
        {"line 1", "<Line Number=1> <Start From=1> <Length=999>", "first line"},
        {"line 0 is line 1", "<Line Number=0> <Start From=0> <Length=999>", "first line"},
        {"piece in code points", "<Line Number=2> <Start From=8> <Length=2>", "\xc3\xa9\xf0\x9f\x98\x80"},
        {"last line without line end", "<Line Number=3> <Start From=1> <Length=999>", "third"},
        {"start one past the end", "<Line Number=3> <Start From=6> <Length=999>", ""},
        {"start further is an error", "<Line Number=3> <Start From=7> <Length=999>", ""},
        {"no such line", "<Line Number=4> <Start From=1> <Length=999>", ""},
        {"length 0", "<Line Number=1> <Start From=1> <Length=0>", ""},
    };
    for (const Case& c : cases) {
        ItemRun run;
        const QString rule = QStringLiteral("Set as line from text file: <Filename=") + file + QStringLiteral("> ")
            + QString::fromUtf8(c.params) + QStringLiteral(" <Apply To=Title>");
        EXPECT_EQ(run.apply(rule, QStringLiteral("old.txt")), QString::fromUtf8(c.expected) + QStringLiteral(".txt")) << c.label;
        EXPECT_FALSE(run.failed) << c.label;
    }
}

TEST(TitleExtensionRules, LineFromTextFileIsReadOncePerRun)
{
    test::TempDir dir;
    const QString file = dir.file(QStringLiteral("names.txt"));
    test::WriteBytes(file.toStdString(), QByteArray("one\n"));
    const QString rule = QStringLiteral("Set as line from text file: <Filename=") + file
        + QStringLiteral("> <Line Number=1> <Start From=1> <Length=999> <Apply To=Title & Extension>");
    ItemRun run;
    run.state = PreviewRunState::ForRun(3, false, false);
    EXPECT_EQ(run.apply(rule, QStringLiteral("a.b"), 2), QStringLiteral("one.one"));
    test::WriteBytes(file.toStdString(), QByteArray("two\n"));
    EXPECT_EQ(run.apply(rule, QStringLiteral("c.d"), 2), QStringLiteral("one.one")) << "same run, same text";
    EXPECT_EQ(run.apply(rule, QStringLiteral("c.d"), 1), QStringLiteral("two.two")) << "another rule reads anew";
    ItemRun next;
    EXPECT_EQ(next.apply(rule, QStringLiteral("c.d")), QStringLiteral("two.two")) << "a new run reads anew";
}

TEST(TitleExtensionRules, LineFromMissingFileGivesAnEmptyTitle)
{
    ItemRun run;
    const QString rule = QStringLiteral("Set as line from text file: <Filename=/nonexistent/quelt/names.txt> "
                                        "<Line Number=1> <Start From=1> <Length=999> <Apply To=Title>");
    EXPECT_EQ(run.apply(rule, QStringLiteral("a.txt")), QStringLiteral(".txt"));
    EXPECT_FALSE(run.failed) << "the final validation marks the empty title";
}
