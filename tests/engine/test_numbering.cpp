#include "engine/NameParts.h"
#include "engine/NumberCounter.h"
#include "engine/NumberingRules.h"
#include "engine/PreviewRunState.h"
#include "engine/RuleLine.h"
#include "engine/RuleOps.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

using namespace quelt;

namespace {

QString Q(const char* utf8) { return QString::fromUtf8(utf8); }

constexpr std::int64_t Max64 = std::numeric_limits<std::int64_t>::max();

TEST(NumberValues, LetterValue)
{
    const std::pair<const char*, std::int64_t> cases[] = {
        {"A", 1}, {"Z", 26}, {"AA", 27}, {"AZ", 52}, {"ZZ", 702}, {"1", -15}, {"", 0}, {"a", 33}, {"@", 0},
        {"\xF0\x9F\x98\x80", 0x1F600 - 64}, // one code point, not two halves
        {"ZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZ", Max64},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(LetterValue(Q(text)), value) << text;
}

TEST(NumberValues, LettersOfValue)
{
    const std::pair<std::int64_t, const char*> cases[] = {
        {1, "A"}, {26, "Z"}, {27, "AA"}, {52, "AZ"}, {702, "ZZ"}, {703, "AAA"}, {0, "Z"}, {-1, "?"},
        {-15, "1"}, {-6, ":"}, {-26, "?Z"},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(LettersOfValue(value), Q(text)) << value;
    for (std::int64_t v = 1; v < 20000; ++v)
        ASSERT_EQ(LetterValue(LettersOfValue(v)), v) << v;
    EXPECT_FALSE(LettersOfValue(Max64).isEmpty());
    EXPECT_FALSE(LettersOfValue(std::numeric_limits<std::int64_t>::min()).isEmpty());
}

TEST(NumberValues, HexAndDecimal)
{
    const std::pair<const char*, std::int64_t> hex[] = {
        {"9", 9}, {"ff", 255}, {" A ", 10}, {"-A", -10}, {"1G", 0}, {"", 0}, {"-", 0}, {"0x1F", 0},
        {"FFFFFFFFFFFFFFFFFFFF", Max64},
    };
    for (const auto& [text, value] : hex)
        EXPECT_EQ(HexValue(Q(text)), value) << text;
    EXPECT_EQ(HexDigits(255), QStringLiteral("FF"));
    EXPECT_EQ(HexDigits(0), QStringLiteral("0"));
    EXPECT_EQ(HexDigits(-10), QStringLiteral("-A"));
    EXPECT_EQ(HexDigits(Max64), QStringLiteral("7FFFFFFFFFFFFFFF"));

    const std::pair<const char*, std::int64_t> dec[] = {
        {"12", 12}, {" 7x", 7}, {"-3", -3}, {"abc", 0}, {"<NOTFOUND>", 0},
        {"99999999999999999999999", Max64}, {"-99999999999999999999999", -Max64},
    };
    for (const auto& [text, value] : dec)
        EXPECT_EQ(NumberValue(Q(text)), value) << text;
    EXPECT_EQ(SaturatingAdd(Max64, 1), Max64);
    EXPECT_EQ(SaturatingAdd(-Max64, -1), -Max64);
}

TEST(NumberCounterRestart, OnlyStartedCountersThatAskForIt)
{
    NumberCounter c;
    c.type = QStringLiteral("hexadecimal");
    c.start = QStringLiteral("a");
    c.reset = QStringLiteral("true");
    c.current = QStringLiteral("F0");
    RestartCounterOnPathChange(c);
    EXPECT_EQ(c.current, QStringLiteral("F0")); // not started yet
    c.started = true;
    RestartCounterOnPathChange(c);
    EXPECT_EQ(c.current, QStringLiteral("A"));
    c.current = QStringLiteral("F0");
    c.reset = QStringLiteral("false");
    RestartCounterOnPathChange(c);
    EXPECT_EQ(c.current, QStringLiteral("F0"));
}

struct Item {
    const char* folder;
    const char* name;
    bool included = true;
};

struct Outcome {
    std::vector<QString> names;
    std::vector<bool> valid;
};

// Applies rule lines the way the preview driver does: one rule at a time over
// every slot, restarting the rule's counter on a change of folder (unchecked
// slots included), then applying it to the included items.
class NumberingRules : public ::testing::Test {
protected:
    Outcome Run(const QStringList& rules, const std::vector<Item>& list)
    {
        items.clear();
        for (const Item& i : list) {
            PreviewItem p;
            p.folder = Q(i.folder);
            p.oldName = Q(i.name);
            p.included = p.selected = i.included;
            p.newName = i.included ? p.oldName : QString();
            items.push_back(p);
        }
        state = PreviewRunState::ForRun(int(rules.size()), caseSensitive, false);
        for (int r = 0; r < rules.size(); ++r) {
            RuleOperation op = nullptr;
            for (const RuleOpEntry& e : NumberingOperations())
                if (QString::fromUtf16(e.name) == RuleName(rules[r]))
                    op = e.op;
            EXPECT_NE(op, nullptr) << rules[r].toStdString();
            if (!op)
                return {};
            for (std::size_t i = 0; i < items.size(); ++i) {
                if (i == 0 || items[i].folder != items[i - 1].folder)
                    RestartCounterOnPathChange(state.counters[std::size_t(r)]);
                if (!items[i].included)
                    continue;
                NameParts parts = NameParts::FromName(items[i].newName);
                RuleOpContext context{state, r, items, qsizetype(i)};
                op(context, rules[r], parts);
                items[i].newName = parts.toName();
                if (context.failed)
                    items[i].valid = false;
            }
        }
        Outcome out;
        for (const PreviewItem& item : items) {
            out.names.push_back(item.newName);
            out.valid.push_back(item.valid);
        }
        return out;
    }

    std::vector<QString> Names(const QString& rule, int count, const char* name = "x.txt")
    {
        return Run({rule}, std::vector<Item>(std::size_t(count), Item{"/a/", name})).names;
    }

    bool caseSensitive = false;
    PreviewRunState state;
    PreviewArray items;
};

QString SetTitle(const char* type, const char* start, const char* step, const char* width, const char* reset = "True")
{
    return QStringLiteral("Set title as auto-number: <Numbering Type=%1> <Start With=%2> <Increment By=%3> "
                          "<Minimum Width=%4> <Reset on Path Change=%5>")
        .arg(Q(type), Q(start), Q(step), Q(width), Q(reset));
}

std::vector<QString> WithExtension(std::initializer_list<const char*> titles, const char* ext = ".txt")
{
    std::vector<QString> out;
    for (const char* t : titles)
        out.push_back(Q(t) + Q(ext));
    return out;
}

TEST_F(NumberingRules, DecimalHexadecimalAndAlphabeticalSequences)
{
    struct Row {
        const char* name;
        QString rule;
        int count;
        std::vector<QString> expected;
    };
    const Row rows[] = {
        {"decimal", SetTitle("Decimal", "1", "1", "2"), 3, WithExtension({"01", "02", "03"})},
        {"start as typed", SetTitle("Decimal", "007", "1", "2"), 3, WithExtension({"007", "08", "09"})},
        {"negative step", SetTitle("Decimal", "2", "-1", "1"), 4, WithExtension({"2", "1", "0", "-1"})},
        {"hexadecimal", SetTitle("Hexadecimal", "9", "1", "2"), 3, WithExtension({"09", "0A", "0B"})},
        {"hexadecimal step is hexadecimal", SetTitle("Hexadecimal", "9", "10", "2"), 3,
         WithExtension({"09", "19", "29"})},
        {"alphabetical wraps", SetTitle("alphabetical", "Y", "1", "1"), 4, WithExtension({"Y", "Z", "AA", "AB"})},
        {"alphabetical pads on the right", SetTitle("Alphabetical", "A", "1", "3"), 2,
         WithExtension({"A  ", "B  "})},
        {"alphabetical from the digit 1", SetTitle("Alphabetical", "1", "1", "1"), 17,
         WithExtension({"1", "2", "3", "4", "5", "6", "7", "8", "9", ":", ";", "<", "=", ">", "?", "Z", "A"})},
        {"saturates at the top", SetTitle("Decimal", "9223372036854775806", "1", "1"), 3,
         WithExtension({"9223372036854775806", "9223372036854775807", "9223372036854775807"})},
        {"saturates at the bottom", SetTitle("Decimal", "-9223372036854775806", "-9", "1"), 3,
         WithExtension({"-9223372036854775806", "-9223372036854775807", "-9223372036854775807"})},
    };
    for (const Row& row : rows)
        EXPECT_EQ(Names(row.rule, row.count), row.expected) << row.name;
}

TEST_F(NumberingRules, WidthIsClampedToTheEditorRange)
{
    const auto names = Names(SetTitle("Decimal", "1", "1", "2000000000"), 1);
    EXPECT_EQ(names[0].size(), MaxNumberWidth + 4);
    EXPECT_TRUE(names[0].startsWith(QStringLiteral("0000")));
    EXPECT_TRUE(names[0].endsWith(QStringLiteral("1.txt")));
}

TEST_F(NumberingRules, RestartOnPathChange)
{
    const std::vector<Item> list = {{"/A/", "x.txt"}, {"/A/", "x.txt"}, {"/B/", "x.txt"}, {"/A/", "x.txt"}};
    EXPECT_EQ(Run({SetTitle("Decimal", "1", "1", "2", "True")}, list).names, WithExtension({"01", "02", "01", "01"}));
    EXPECT_EQ(Run({SetTitle("Decimal", "1", "1", "2", "False")}, list).names,
              WithExtension({"01", "02", "03", "04"}));
    // An unchecked item in another folder is a path change too.
    const std::vector<Item> gap = {{"/A/", "x.txt"}, {"/B/", "x.txt", false}, {"/A/", "x.txt"}, {"/A/", "x.txt"}};
    const auto out = Run({SetTitle("Hexadecimal", "F", "1", "1", "true")}, gap).names;
    EXPECT_EQ(out, (std::vector<QString>{QStringLiteral("F.txt"), QString(), QStringLiteral("F.txt"),
                                         QStringLiteral("10.txt")}));
}

TEST_F(NumberingRules, UnknownTypeFails)
{
    const auto out = Run({SetTitle("Roman", "1", "1", "2")}, {{"/a/", "x.txt"}});
    EXPECT_EQ(out.names[0], QStringLiteral("x.txt"));
    EXPECT_FALSE(out.valid[0]);
}

QString AtPosition(const char* find, const char* where, const char* start = "1")
{
    return QStringLiteral("Insert auto-number at position: <Numbering Type=Decimal> <Start With=%1> "
                          "<Increment By=1> <Minimum Width=2> <Reset on Path Change=False> <Find What=%2> "
                          "<Insert Where=%3>")
        .arg(Q(start), Q(find), Q(where));
}

TEST_F(NumberingRules, InsertAtPositionStepsBackWhenNotFound)
{
    const std::vector<Item> list = {{"/a/", "a-b"}, {"/a/", "ab"}, {"/a/", "c-d"}};
    const Outcome after = Run({AtPosition("-", "After")}, list);
    EXPECT_EQ(after.names, (std::vector<QString>{QStringLiteral("a-01b"), QStringLiteral("ab"), QStringLiteral("c-02d")}));
    EXPECT_EQ(after.valid, (std::vector<bool>{true, false, true}));
    EXPECT_EQ(Run({AtPosition("-", "Before")}, list).names[0], QStringLiteral("a01-b"));

    // The unused number comes back exactly as it would have been written.
    const Outcome typed = Run({AtPosition("-", "After", "007")}, {{"/a/", "ab"}, {"/a/", "a-b"}});
    EXPECT_EQ(typed.names[1], QStringLiteral("a-007b"));

    // An empty Find What inserts nothing but uses the number up.
    Run({AtPosition("", "After")}, {{"/a/", "ab"}, {"/a/", "cd"}});
    EXPECT_EQ(items[0].newName, QStringLiteral("ab"));
    EXPECT_TRUE(items[1].valid);
    EXPECT_EQ(state.counters[0].current, QStringLiteral("3"));
}

TEST_F(NumberingRules, PositionSearchFollowsComparisonTypeAndCodePoints)
{
    EXPECT_EQ(Run({AtPosition("X", "After")}, {{"/a/", "axb"}}).names[0], QStringLiteral("ax01b"));
    caseSensitive = true;
    EXPECT_FALSE(Run({AtPosition("X", "After")}, {{"/a/", "axb"}}).valid[0]);

    // A lone low surrogate may not match the second half of a pair.
    const QString lone(QChar(0xDE00));
    const QString pair = Q("\xF0\x9F\x98\x80"); // U+1F600 = D83D DE00
    const QString rule = QStringLiteral("Insert auto-number at position: <Numbering Type=Decimal> <Start With=1> "
                                        "<Increment By=1> <Minimum Width=1> <Reset on Path Change=False> "
                                        "<Find What=%1> <Insert Where=Before>")
                             .arg(lone);
    PreviewArray manual(2);
    manual[0].folder = manual[1].folder = QStringLiteral("/a/");
    manual[0].newName = pair;
    manual[1].newName = pair + lone;
    manual[0].included = manual[1].included = true;
    state = PreviewRunState::ForRun(1, false, false);
    RuleOperation op = NumberingOperations()[1].op;
    for (qsizetype i = 0; i < 2; ++i) {
        NameParts parts = NameParts::FromName(manual[std::size_t(i)].newName);
        RuleOpContext context{state, 0, manual, i};
        op(context, rule, parts);
        manual[std::size_t(i)].newName = parts.toName();
        manual[std::size_t(i)].valid = !context.failed;
    }
    EXPECT_EQ(manual[0].newName, pair);
    EXPECT_FALSE(manual[0].valid);
    EXPECT_EQ(manual[1].newName, pair + QStringLiteral("1") + lone);
    EXPECT_TRUE(manual[1].valid);
}

TEST_F(NumberingRules, EdgeAndReplace)
{
    const QString edge = QStringLiteral("Insert auto-number at edge of title: <Numbering Type=Decimal> <Start With=1> "
                                        "<Increment By=1> <Minimum Width=2> <Reset on Path Change=True> "
                                        "<Insert Where=%1>");
    EXPECT_EQ(Names(edge.arg(QStringLiteral("End")), 1, "song.mp3")[0], QStringLiteral("song01.mp3"));
    EXPECT_EQ(Names(edge.arg(QStringLiteral("Start")), 1, "song.mp3")[0], QStringLiteral("01song.mp3"));

    const QString replace = QStringLiteral("Replace text with auto-number: <Numbering Type=Decimal> <Start With=1> "
                                           "<Increment By=1> <Minimum Width=2> <Reset on Path Change=True> "
                                           "<Find What=%1>");
    const Outcome out = Run({replace.arg(QStringLiteral("x"))}, {{"/a/", "axbx"}, {"/a/", "none"}, {"/a/", "Xy"}});
    EXPECT_EQ(out.names, (std::vector<QString>{QStringLiteral("a01bx"), QStringLiteral("none"), QStringLiteral("03y")}));
    EXPECT_EQ(out.valid, (std::vector<bool>{true, true, true}));
    EXPECT_EQ(Names(replace.arg(QString()), 1, "ab")[0], QStringLiteral("ab"));
}

TEST_F(NumberingRules, CounterWithoutRunStateFails)
{
    PreviewArray list(1);
    list[0].newName = QStringLiteral("a");
    list[0].included = true;
    state = PreviewRunState::ForRun(0, false, false);
    NameParts parts = NameParts::FromName(QStringLiteral("a"));
    RuleOpContext context{state, 3, list, 0};
    NumberingOperations()[0].op(context, SetTitle("Decimal", "1", "1", "1"), parts);
    EXPECT_TRUE(context.failed);
    EXPECT_EQ(parts.title, QStringLiteral("a"));
}

struct PadRow {
    const char* name;
    const char* text;
    int width;
    int maximum;
    bool rightToLeft;
    const char* pad;
    unsigned sides;
    const char* expected;
};

const PadRow PadRows[] = {
    {"first from the left", "5 of 12", 3, 1, false, "0", PadLeft, "005 of 12"},
    {"first from the right", "5 of 12", 3, 1, true, "0", PadLeft, "5 of 012"},
    {"two numbers", "5 of 12", 3, 2, false, "0", PadLeft, "005 of 012"},
    {"no limit", "1 2 3", 2, -1, false, "0", PadLeft, "01 02 03"},
    {"other negative limits pad nothing", "1 2", 2, -2, false, "0", PadLeft, "1 2"},
    {"limit 0", "1 2", 2, 0, false, "0", PadLeft, "1 2"},
    {"a lone dot is a number", "archive.tar", 2, 1, false, "0", PadLeft, "archive0.tar"},
    {"dots join digits", "1.5", 2, 1, false, "0", PadLeft, "1.5"},
    {"long numbers stay", "12345", 3, 1, false, "0", PadLeft, "12345"},
    {"an unpadded number still counts", "123 4", 3, 1, false, "0", PadLeft, "123 4"},
    {"both sides", "7", 3, 1, false, "_", PadBoth, "__7__"},
    {"right side", "7", 3, 1, false, "_", PadRight, "7__"},
    {"no side", "7", 3, 1, false, "_", PadNone, "7"},
    {"several characters", "7", 2, 1, false, "ab", PadLeft, "ab7"},
    {"several characters reversed", "7", 2, 1, true, "ab", PadLeft, "ba7"},
    {"reversed right side", "7 8", 2, 1, true, "ab", PadRight, "7 8ba"},
    {"pairs survive reversal", "\xF0\x9F\x98\x80" "5", 2, 1, true, "0", PadLeft, "\xF0\x9F\x98\x80" "05"},
    {"empty", "", 3, 1, false, "0", PadLeft, ""},
};

TEST(PadNumbers, Table)
{
    for (const PadRow& row : PadRows)
        EXPECT_EQ(PadNumbers(Q(row.text), row.width, row.maximum, row.rightToLeft, Q(row.pad), row.sides),
                  Q(row.expected))
            << row.name;
}

TEST(PadNumbers, OversizedResultIsEmpty)
{
    const QString pad(100, u'x');
    EXPECT_EQ(PadNumbers(QStringLiteral("1 1 1 1 1 1"), 2000000000, -1, false, pad, PadBoth), QString());
    EXPECT_EQ(PadNumbers(QStringLiteral("1"), 2000000000, 1, false, QStringLiteral("0"), PadLeft).size(),
              MaxNumberWidth);
}

TEST_F(NumberingRules, PaddingRules)
{
    struct Row {
        const char* rule;
        const char* name;
        const char* expected;
    };
    const Row rows[] = {
        {"Add zero padding to numbers: <Minimum Width=3> <Maximum Replacements=1> <Search Direction=Left to Right> "
         "<Apply To=Title>",
         "5 of 12.mp3", "005 of 12.mp3"},
        {"Add zero padding to numbers: <Minimum Width=3> <Maximum Replacements=1> <Search Direction=Right to Left> "
         "<Apply To=Title>",
         "5 of 12.mp3", "5 of 012.mp3"},
        {"Add zero padding to numbers: <Minimum Width=2> <Maximum Replacements=1> <Search Direction=Left to Right> "
         "<Apply To=Title>",
         "archive.tar.gz", "archive0.tar.gz"},
        {"Add custom padding to numbers: <Pad With=_> <Pad Where=Left & Right> <Minimum Width=3> "
         "<Maximum Replacements=1> <Search Direction=Left to Right> <Apply To=Title>",
         "7.txt", "__7__.txt"},
        {"Add custom padding to numbers: <Pad With=_> <Pad Where=Left> <Minimum Width=2> "
         "<Maximum Replacements=1> <Search Direction=Left to Right> <Apply To=Extension>",
         "a1.mp3", "a1.mp_3"},
        {"Add custom padding to numbers: <Pad With=_> <Pad Where=Middle> <Minimum Width=2> "
         "<Maximum Replacements=1> <Search Direction=Left to Right> <Apply To=Title>",
         "1.mp3", "1.mp3"},
    };
    for (const Row& row : rows) {
        const Outcome out = Run({Q(row.rule)}, {{"/a/", row.name}});
        EXPECT_EQ(out.names[0], Q(row.expected)) << row.rule;
        EXPECT_TRUE(out.valid[0]) << row.rule;
    }
}

} // namespace
