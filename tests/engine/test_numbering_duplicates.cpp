#include "engine/NameParts.h"
#include "engine/NumberingDuplicates.h"
#include "engine/PreviewRunState.h"
#include "engine/RuleLine.h"
#include "engine/RuleOps.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QSet>

#include <vector>

using namespace quelt;

namespace {

QString Q(const char* utf8) { return QString::fromUtf8(utf8); }

struct Slot {
    const char* folder;
    const char* oldName;
    const char* newName;
    bool included = true;
};

// A disk holding exactly the given paths (compared exactly, as on a
// case-sensitive file system), counting its look-ups.
struct FakeDisk {
    QSet<QString> paths;
    mutable long long lookups = 0;
    PathExistsFunction function()
    {
        return [this](const QString& p) {
            ++lookups;
            return paths.contains(p);
        };
    }
};

PreviewArray MakeItems(const std::vector<Slot>& slots)
{
    PreviewArray items;
    for (const Slot& s : slots) {
        PreviewItem p;
        p.folder = Q(s.folder);
        p.oldName = Q(s.oldName);
        p.newName = s.included ? Q(s.newName) : QString();
        p.included = p.selected = s.included;
        items.push_back(p);
    }
    return items;
}

// The loop of the duplicates phase, as the namer's header describes it.
void NumberAsPhase(PreviewArray& items, const DuplicateNumbering& numbering, PathExistsFunction exists)
{
    DuplicateNamer namer(numbering, std::move(exists));
    for (PreviewItem& item : items) {
        if (!item.included)
            continue;
        const auto r = namer.number(item.folder, item.oldName, item.newName);
        if (r.outcome == DuplicateNamer::Outcome::Numbered)
            item.newName = r.name;
        else if (r.outcome == DuplicateNamer::Outcome::NoFreeName)
            item.valid = false;
        namer.addName(item.folder, item.newName);
    }
}

std::vector<QString> NewNames(const PreviewArray& items)
{
    std::vector<QString> out;
    for (const PreviewItem& i : items)
        out.push_back(i.newName);
    return out;
}

std::vector<QString> Strings(std::initializer_list<const char*> texts)
{
    std::vector<QString> out;
    for (const char* t : texts)
        out.push_back(Q(t));
    return out;
}

DuplicateNumbering Rule(const char* type, const char* start, const char* step, int width, const char* format)
{
    return DuplicateNumbering::FromRule(Q(type), Q(start), Q(step), width, Q(format));
}

TEST(DuplicateNamer, NumbersEqualNamesInOneFolder)
{
    struct Row {
        const char* name;
        DuplicateNumbering numbering;
        std::vector<Slot> slots;
        std::vector<const char*> onDisk;
        std::vector<QString> expected;
    };
    const Row rows[] = {
        {"three equal names", Rule("decimal", "1", "1", 1, " (%number%)"),
         {{"/d/", "1", "a.txt"}, {"/d/", "2", "a.txt"}, {"/d/", "3", "a.txt"}},
         {},
         Strings({"a.txt", "a (1).txt", "a (2).txt"})},
        {"a candidate on disk is skipped", Rule("decimal", "1", "1", 1, " (%number%)"),
         {{"/d/", "1", "a.txt"}, {"/d/", "2", "a.txt"}, {"/d/", "3", "a.txt"}},
         {"/d/a (1).txt"},
         Strings({"a.txt", "a (2).txt", "a (3).txt"})},
        {"a name on disk that is another item's", Rule("decimal", "1", "1", 1, " (%number%)"),
         {{"/d/", "1", "a.txt"}},
         {"/d/a.txt"},
         Strings({"a (1).txt"})},
        {"an item keeping its own name", Rule("decimal", "1", "1", 1, " (%number%)"),
         {{"/d/", "a.txt", "a.txt"}, {"/d/", "A.TXT", "a.txt"}},
         {"/d/a.txt", "/d/A.TXT"},
         Strings({"a.txt", "a (1).txt"})},
        {"a case change of its own name", Rule("decimal", "1", "1", 1, " (%number%)"),
         {{"/d/", "a.txt", "A.txt"}},
         {"/d/a.txt", "/d/A.txt"},
         Strings({"A.txt"})},
        {"names differing in case collide", Rule("decimal", "1", "1", 1, "_%number%"),
         {{"/d/", "1", "a.txt"}, {"/d/", "2", "A.TXT"}, {"/d/", "3", "a_1.txt"}},
         {},
         Strings({"a.txt", "A_1.TXT", "a_1_1.txt"})},
        {"other folders do not collide", Rule("decimal", "1", "1", 1, "_%number%"),
         {{"/d/", "1", "a.txt"}, {"/e/", "2", "a.txt"}, {"/D/", "3", "a.txt"}},
         {},
         Strings({"a.txt", "a.txt", "a_1.txt"})},
        {"unchecked items do not count", Rule("decimal", "1", "1", 1, "_%number%"),
         {{"/d/", "1", "a.txt", false}, {"/d/", "2", "a.txt"}},
         {},
         {QString(), Q("a.txt")}},
        {"hexadecimal padded", Rule("hexadecimal", "f", "1", 2, "_%number%"),
         {{"/d/", "1", "a"}, {"/d/", "2", "a"}, {"/d/", "3", "a"}},
         {},
         Strings({"a", "a_0F.", "a_10."})},
        {"alphabetical padded on the left", Rule("alphabetical", "Z", "1", 3, "_%number%"),
         {{"/d/", "1", "a.x"}, {"/d/", "2", "a.x"}, {"/d/", "3", "a.x"}},
         {},
         Strings({"a.x", "a_  Z.x", "a_ AA.x"})},
        {"first marker in any case, also in the title", Rule("decimal", "5", "5", 1, "-%number%"),
         {{"/d/", "1", "x%NUMBER%.t"}, {"/d/", "2", "x%NUMBER%.t"}},
         {},
         Strings({"x%NUMBER%.t", "x5-%number%.t"})},
    };
    for (const Row& row : rows) {
        FakeDisk disk;
        for (const char* p : row.onDisk)
            disk.paths.insert(Q(p));
        PreviewArray items = MakeItems(row.slots);
        NumberAsPhase(items, row.numbering, disk.function());
        EXPECT_EQ(NewNames(items), row.expected) << row.name;
        for (const PreviewItem& item : items)
            EXPECT_TRUE(item.valid) << row.name;
    }
}

TEST(DuplicateNamer, SearchEndsWhenTheCandidateCannotChange)
{
    struct Row {
        const char* name;
        DuplicateNumbering numbering;
    };
    const Row rows[] = {
        {"no marker", Rule("decimal", "1", "1", 1, "-copy")},
        {"step 0", Rule("decimal", "1", "0", 1, "-%number%")},
        {"counter at its limit", Rule("decimal", "9223372036854775807", "1", 1, "-%number%")},
        {"unknown type", Rule("roman", "1", "1", 1, "-%number%")},
    };
    for (const Row& row : rows) {
        FakeDisk disk;
        PreviewArray items = MakeItems({{"/d/", "1", "a.txt"}, {"/d/", "2", "a.txt"}, {"/d/", "3", "a.txt"}});
        NumberAsPhase(items, row.numbering, disk.function());
        EXPECT_TRUE(items[0].valid && items[1].valid) << row.name;
        EXPECT_NE(items[1].newName, QStringLiteral("a.txt")) << row.name;
        EXPECT_FALSE(items[2].valid) << row.name;
        EXPECT_EQ(items[2].newName, QStringLiteral("a.txt")) << row.name;
        EXPECT_LT(disk.lookups, 20) << row.name;
    }
}

TEST(DuplicateNamer, SearchEndsAfterTheAttemptBound)
{
    PreviewArray items = MakeItems({{"/d/", "1", "a.txt"}});
    NumberAsPhase(items, Rule("decimal", "1", "1", 1, "-%number%"), [](const QString&) { return true; });
    EXPECT_FALSE(items[0].valid);
    EXPECT_EQ(items[0].newName, QStringLiteral("a.txt"));
}

TEST(DuplicateNamer, ManyEqualNamesCostAFewLookupsEach)
{
    constexpr int Count = 20000;
    FakeDisk disk;
    disk.paths.insert(QStringLiteral("/d/a (7).txt"));
    PreviewArray items = MakeItems(std::vector<Slot>(Count, Slot{"/d/", "old", "a.txt"}));
    NumberAsPhase(items, DuplicateNumbering::ForPhase(QStringLiteral(" (%number%)")), disk.function());
    EXPECT_EQ(items[0].newName, QStringLiteral("a.txt"));
    EXPECT_EQ(items[6].newName, QStringLiteral("a (6).txt"));
    EXPECT_EQ(items[7].newName, QStringLiteral("a (8).txt"));
    EXPECT_EQ(items[Count - 1].newName, QStringLiteral("a (%1).txt").arg(Count));
    QSet<QString> distinct;
    for (const PreviewItem& item : items) {
        EXPECT_TRUE(item.valid);
        distinct.insert(item.newName);
    }
    EXPECT_EQ(distinct.size(), Count);
    EXPECT_LT(disk.lookups, 4LL * Count);
}

// Straight from the pairwise wording: every earlier item and every number is
// compared again for each item.
void NumberPairwise(PreviewArray& items, const DuplicateNamer& texts, const DuplicateNumbering& numbering,
                    const QSet<QString>& disk, int bound)
{
    auto same = [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; };
    auto earlierHolds = [&](std::size_t i, const QString& name) {
        for (std::size_t k = 0; k < i; ++k)
            if (items[k].included && same(items[k].folder, items[i].folder) && same(items[k].newName, name))
                return true;
        return false;
    };
    for (std::size_t i = 0; i < items.size(); ++i) {
        PreviewItem& item = items[i];
        if (!item.included)
            continue;
        const bool needs = earlierHolds(i, item.newName)
                           || (disk.contains(item.folder + item.newName) && !same(item.newName, item.oldName));
        if (!needs)
            continue;
        const qsizetype dot = item.newName.lastIndexOf(u'.');
        const QString title = dot < 0 ? item.newName : item.newName.left(dot);
        const QString ext = dot < 0 ? QString() : item.newName.mid(dot + 1);
        std::int64_t n = numbering.start;
        bool found = false;
        for (int attempt = 0; attempt < bound && !found; ++attempt) {
            QString candidate = title + numbering.format + u'.' + ext;
            const qsizetype at = candidate.indexOf(QStringLiteral("%number%"), 0, Qt::CaseInsensitive);
            if (at >= 0)
                candidate.replace(at, 8, texts.numberText(n));
            if (!disk.contains(item.folder + candidate) && !earlierHolds(i, candidate)) {
                item.newName = candidate;
                found = true;
            }
            n = SaturatingAdd(n, numbering.step);
        }
        if (!found)
            item.valid = false;
    }
}

TEST(DuplicateNamer, SameResultsAsComparingEveryPair)
{
    const char* names[] = {"a.txt", "A.TXT", "a (1).txt", "a (2).TXT", "b", "b.", "b (1)", "a.txt", "a.txt"};
    const char* folders[] = {"/x/", "/X/", "/y/"};
    const QSet<QString> disk = {QStringLiteral("/x/a (2).txt"), QStringLiteral("/y/b (1)"), QStringLiteral("/x/a.txt"),
                                QStringLiteral("/X/A (1).TXT"), QStringLiteral("/y/a.txt")};
    const DuplicateNumbering numberings[] = {
        Rule("decimal", "1", "1", 1, " (%number%)"),
        Rule("decimal", "0", "2", 3, "(%Number%)"),
        Rule("hexadecimal", "9", "1", 1, " (%number%)"),
        Rule("alphabetical", "Y", "1", 2, " (%number%)"),
        DuplicateNumbering::ForPhase(QStringLiteral("(%number%)")),
    };
    unsigned seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7fff;
    };
    for (const DuplicateNumbering& numbering : numberings) {
        for (int round = 0; round < 5; ++round) {
            std::vector<Slot> slots;
            for (int i = 0; i < 150; ++i)
                slots.push_back({folders[next() % 3], next() % 4 == 0 ? "a.txt" : "old", names[next() % 9],
                                 next() % 8 != 0});
            PreviewArray fast = MakeItems(slots);
            PreviewArray slow = fast;
            NumberAsPhase(fast, numbering, [&disk](const QString& p) { return disk.contains(p); });
            NumberPairwise(slow, DuplicateNamer(numbering, {}), numbering, disk, 1000);
            ASSERT_EQ(NewNames(fast), NewNames(slow)) << "round " << round;
            for (std::size_t i = 0; i < fast.size(); ++i)
                ASSERT_EQ(fast[i].valid, slow[i].valid) << i;
        }
    }
}

TEST(DuplicatesPhaseFormat, MissingMarkerBecomesTheDefault)
{
    const std::pair<const char*, const char*> cases[] = {
        {"", ""}, {"(%number%)", "(%number%)"}, {"_%NUMBER%", "_%NUMBER%"}, {"-copy", "(%number%)"}, {" ", "(%number%)"},
    };
    for (const auto& [setting, expected] : cases)
        EXPECT_EQ(DuplicatesPhaseFormat(Q(setting)), Q(expected)) << setting;
}

TEST(DuplicatesPhase, ExtensionlessNamesKeepTheCandidateDot)
{
    PreviewArray items = MakeItems({{"/d/", "1", "a.txt"}, {"/d/", "2", "a.txt"}, {"/d/", "3", "a.txt"},
                                    {"/d/", "4", "b"}, {"/d/", "5", "b"}});
    NumberAsPhase(items, DuplicateNumbering::ForPhase(DuplicatesPhaseFormat(QStringLiteral("-copy"))), {});
    EXPECT_EQ(NewNames(items), Strings({"a.txt", "a(1).txt", "a(2).txt", "b", "b(1)."}));
}

// The rule through its operation, on a real folder.
class DuplicatedNamesRule : public ::testing::Test {
protected:
    std::vector<QString> Run(const QStringList& rules, const std::vector<std::pair<QString, QString>>& oldAndNew)
    {
        items.clear();
        for (const auto& [oldName, newName] : oldAndNew) {
            PreviewItem p;
            p.folder = dir.path();
            p.oldName = oldName;
            p.newName = newName;
            p.included = p.selected = true;
            items.push_back(p);
        }
        state = PreviewRunState::ForRun(int(rules.size()), false, false);
        for (int r = 0; r < rules.size(); ++r) {
            RuleOperation op = nullptr;
            for (const RuleOpEntry& e : NumberingOperations())
                if (QString::fromUtf16(e.name) == RuleName(rules[r]))
                    op = e.op;
            EXPECT_NE(op, nullptr);
            if (!op)
                return {};
            for (std::size_t i = 0; i < items.size(); ++i) {
                NameParts parts = NameParts::FromName(items[i].newName);
                RuleOpContext context{state, r, items, qsizetype(i)};
                op(context, rules[r], parts);
                items[i].newName = parts.toName();
                if (context.failed)
                    items[i].valid = false;
            }
        }
        return NewNames(items);
    }
    void Touch(const char* name) { test::WriteBytes(dir.file(Q(name)).toStdString(), "x"); }

    test::TempDir dir;
    PreviewRunState state;
    PreviewArray items;
};

const QString DuplicatesRule = QStringLiteral(
    "Auto-number duplicated names: <Numbering Type=Decimal> <Start With=1> <Increment By=1> <Minimum Width=1> "
    "<Numbering Format= (%number%)> <Search Where=Old Names>");

TEST_F(DuplicatedNamesRule, NumbersAgainstEarlierItemsAndTheDisk)
{
    EXPECT_EQ(Run({DuplicatesRule}, {{"x1.txt", "a.txt"}, {"x2.txt", "a.txt"}, {"x3.txt", "a.txt"}}),
              Strings({"a.txt", "a (1).txt", "a (2).txt"}));
    Touch("a (1).txt");
    EXPECT_EQ(Run({DuplicatesRule}, {{"x1.txt", "a.txt"}, {"x2.txt", "a.txt"}, {"x3.txt", "a.txt"}}),
              Strings({"a.txt", "a (2).txt", "a (3).txt"}));
    // Its own name on disk is no collision; another file's is.
    Touch("b.txt");
    EXPECT_EQ(Run({DuplicatesRule}, {{"b.txt", "b.txt"}, {"c.txt", "b.txt"}}), Strings({"b.txt", "b (1).txt"}));
    // An extension-less name loses the candidate's final dot.
    EXPECT_EQ(Run({DuplicatesRule}, {{"1", "n"}, {"2", "n"}}), Strings({"n", "n (1)"}));
}

TEST_F(DuplicatedNamesRule, SeesNamesLeftByEarlierRules)
{
    const QString title = QStringLiteral("Set title as auto-number: <Numbering Type=Decimal> <Start With=1> "
                                         "<Increment By=0> <Minimum Width=2> <Reset on Path Change=False>");
    EXPECT_EQ(Run({title, DuplicatesRule}, {{"p.mp3", "p.mp3"}, {"q.mp3", "q.mp3"}, {"r.ogg", "r.ogg"}}),
              Strings({"01.mp3", "01 (1).mp3", "01.ogg"}));
    for (const PreviewItem& item : items)
        EXPECT_TRUE(item.valid);
}

TEST_F(DuplicatedNamesRule, NoFreeNameMakesTheItemInvalid)
{
    const QString rule = QStringLiteral("Auto-number duplicated names: <Numbering Type=Decimal> <Start With=1> "
                                        "<Increment By=0> <Minimum Width=1> <Numbering Format=-%number%> "
                                        "<Search Where=New Names>");
    EXPECT_EQ(Run({rule}, {{"1", "a.txt"}, {"2", "a.txt"}, {"3", "a.txt"}}), Strings({"a.txt", "a-1.txt", "a.txt"}));
    EXPECT_FALSE(items[2].valid);
}

} // namespace
