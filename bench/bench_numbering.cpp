// Capitalization, padding, auto-numbering and duplicate numbering over 100,000
// names, applied the way the preview driver applies a rule.
#include "engine/NameParts.h"
#include "engine/NumberCounter.h"
#include "engine/NumberingDuplicates.h"
#include "engine/PreviewRunState.h"
#include "engine/RuleLine.h"
#include "engine/RuleOps.h"
#include "platform/FileSystem.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int ItemCount = 100000;

const QString& Folder()
{
    static QTemporaryDir dir; // an empty folder, so the disk tests really look
    static const QString path = dir.path() + u'/';
    return path;
}

quelt::PreviewArray MakeItems(bool allEqual)
{
    quelt::PreviewArray items(ItemCount);
    for (int i = 0; i < ItemCount; ++i) {
        quelt::PreviewItem& item = items[std::size_t(i)];
        item.folder = Folder();
        item.oldName = QStringLiteral("track %1 of the album - some artist.mp3").arg(i);
        item.newName = allEqual ? QStringLiteral("a.txt") : item.oldName;
        item.included = item.selected = true;
    }
    return items;
}

quelt::RuleOperation Find(const QString& ruleText)
{
    const QString name = quelt::RuleName(ruleText);
    for (auto group : {quelt::LetterAndSpaceOperations(), quelt::NumberingOperations()})
        for (const auto& e : group)
            if (QString::fromUtf16(e.name) == name)
                return e.op;
    return nullptr;
}

void ApplyRule(benchmark::State& bench, const QString& ruleText, bool allEqual)
{
    const quelt::RuleOperation op = Find(ruleText);
    if (!op) {
        bench.SkipWithError("unknown rule");
        return;
    }
    const quelt::PreviewArray prepared = MakeItems(allEqual);
    for (auto _ : bench) {
        bench.PauseTiming();
        quelt::PreviewArray items = prepared;
        auto state = quelt::PreviewRunState::ForRun(1, false, false);
        bench.ResumeTiming();
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (i == 0 || items[i].folder != items[i - 1].folder)
                quelt::RestartCounterOnPathChange(state.counters[0]);
            quelt::NameParts parts = quelt::NameParts::FromName(items[i].newName);
            quelt::RuleOpContext context{state, 0, items, qsizetype(i)};
            op(context, ruleText, parts);
            items[i].newName = parts.toName();
            items[i].valid = items[i].valid && !context.failed;
        }
        benchmark::DoNotOptimize(items.back().newName);
    }
    bench.SetItemsProcessed(bench.iterations() * ItemCount);
}

void BM_Capitalization(benchmark::State& s)
{
    ApplyRule(s, QStringLiteral("Change capitalization: <Capitalization Type=First Letter Up> <Apply To=Title>"), false);
}
void BM_CapitalizationAdvancedRightToLeft(benchmark::State& s)
{
    ApplyRule(s, QStringLiteral("Change capitalization (Advanced): <Capitalization Type=LeTtEr uP-DoWn> "
                                "<Apply To=Title & Extension> <Number of Words=3> <Search Direction=Right to Left>"),
              false);
}
void BM_ZeroPadding(benchmark::State& s)
{
    ApplyRule(s, QStringLiteral("Add zero padding to numbers: <Minimum Width=6> <Maximum Replacements=-1> "
                                "<Search Direction=Right to Left> <Apply To=Title>"),
              false);
}
void BM_SetTitleAsAutoNumber(benchmark::State& s)
{
    ApplyRule(s, QStringLiteral("Set title as auto-number: <Numbering Type=Hexadecimal> <Start With=1> "
                                "<Increment By=1> <Minimum Width=5> <Reset on Path Change=True>"),
              false);
}
void BM_InsertAutoNumberAtPosition(benchmark::State& s)
{
    ApplyRule(s, QStringLiteral("Insert auto-number at position: <Numbering Type=Decimal> <Start With=1> "
                                "<Increment By=1> <Minimum Width=6> <Reset on Path Change=True> <Find What=OF> "
                                "<Insert Where=After>"),
              false);
}

const QString DuplicatesRule = QStringLiteral(
    "Auto-number duplicated names: <Numbering Type=Decimal> <Start With=1> <Increment By=1> <Minimum Width=1> "
    "<Numbering Format= (%number%)> <Search Where=New Names>");

void BM_DuplicatedNamesRuleAllEqual(benchmark::State& s) { ApplyRule(s, DuplicatesRule, true); }
void BM_DuplicatedNamesRuleDistinct(benchmark::State& s) { ApplyRule(s, DuplicatesRule, false); }

void BM_DuplicatesPhaseAllEqual(benchmark::State& bench)
{
    const quelt::PreviewArray prepared = MakeItems(true);
    for (auto _ : bench) {
        bench.PauseTiming();
        quelt::PreviewArray items = prepared;
        bench.ResumeTiming();
        quelt::DuplicateNamer namer(quelt::DuplicateNumbering::ForPhase(QStringLiteral("(%number%)")),
                                    &quelt::platform::PathExists);
        for (quelt::PreviewItem& item : items) {
            const auto r = namer.number(item.folder, item.oldName, item.newName);
            if (r.outcome == quelt::DuplicateNamer::Outcome::Numbered)
                item.newName = r.name;
            namer.addName(item.folder, item.newName);
        }
        benchmark::DoNotOptimize(items.back().newName);
    }
    bench.SetItemsProcessed(bench.iterations() * ItemCount);
}

} // namespace

BENCHMARK(BM_Capitalization)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CapitalizationAdvancedRightToLeft)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZeroPadding)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetTitleAsAutoNumber)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InsertAutoNumberAtPosition)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DuplicatedNamesRuleAllEqual)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DuplicatedNamesRuleDistinct)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DuplicatesPhaseAllEqual)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
