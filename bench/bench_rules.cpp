// Title & Extension operations over 100,000 names, as the preview applies one
// rule to every item: build the parts, run the operation, rebuild the name.
#include "engine/NameParts.h"
#include "engine/RuleLine.h"
#include "engine/RuleOps.h"

#include <benchmark/benchmark.h>

#include <QString>
#include <vector>

namespace {

using namespace quelt;

constexpr int NameCount = 100000;

const std::vector<QString>& Names()
{
    static const std::vector<QString> names = [] {
        static const char* const stems[] = {"Track", "holiday_photo", "Report (final)", "IMG", "song - live",
                                            "\xc3\xa9t\xc3\xa9 \xf0\x9f\x98\x80"};
        static const char* const extensions[] = {"mp3", "jpg", "tar.gz", "txt", "JPEG", ""};
        std::vector<QString> v;
        v.reserve(NameCount);
        for (int i = 0; i < NameCount; ++i) {
            QString name = QString::fromUtf8(stems[i % 6]) + u'_' + QString::number(i) + QStringLiteral(" aa");
            const QString ext = QString::fromUtf8(extensions[(i / 6) % 6]);
            if (!ext.isEmpty())
                name += u'.' + ext;
            v.push_back(name);
        }
        return v;
    }();
    return names;
}

RuleOperation Operation(const QString& ruleText)
{
    const QString name = RuleName(ruleText);
    for (const RuleOpEntry& e : TitleExtensionOperations()) {
        if (QString::fromUtf16(e.name) == name)
            return e.op;
    }
    return nullptr;
}

void RunRule(benchmark::State& state, const char* rule, bool ignoreCase)
{
    const QString ruleText = QString::fromUtf8(rule);
    const RuleOperation op = Operation(ruleText);
    if (!op) {
        state.SkipWithError("no such rule");
        return;
    }
    const std::vector<QString>& names = Names();
    PreviewRunState run = PreviewRunState::ForRun(1, !ignoreCase, false);
    const PreviewArray items(1);
    for (auto _ : state) {
        qsizetype total = 0;
        for (const QString& name : names) {
            NameParts parts = NameParts::FromName(name);
            RuleOpContext context{run, 0, items, 0};
            op(context, ruleText, parts);
            total += parts.toName().size();
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * qsizetype(names.size()));
}

void BM_FindAndReplace(benchmark::State& state)
{
    RunRule(state, "Find and replace text: <Find What=_> <Replace With= > <Apply To=Title>", state.range(0));
}
BENCHMARK(BM_FindAndReplace)->Arg(0)->Arg(1)->ArgName("ignoreCase")->Unit(benchmark::kMillisecond);

void BM_FindAndReplaceRightToLeft(benchmark::State& state)
{
    RunRule(state,
            "Find and replace text (Advanced): <Maximum Replacements=2> <Find What=a> <Replace With=x> "
            "<Search Direction=Right to Left> <Apply To=Title & Extension>",
            true);
}
BENCHMARK(BM_FindAndReplaceRightToLeft)->Unit(benchmark::kMillisecond);

void BM_RegexReplace(benchmark::State& state)
{
    RunRule(state,
            "Find and replace using Regular Expression: <Search Pattern=(\\w+)_(\\d+)> <Replace With=$2 - $1> "
            "<Replace All=True> <Apply To=Title>",
            state.range(0));
}
BENCHMARK(BM_RegexReplace)->Arg(0)->Arg(1)->ArgName("ignoreCase")->Unit(benchmark::kMillisecond);

void BM_RegexReplaceSpaces(benchmark::State& state)
{
    RunRule(state,
            "Find and replace using Regular Expression: <Search Pattern=\\s+> <Replace With=_> "
            "<Replace All=True> <Apply To=Title & Extension>",
            true);
}
BENCHMARK(BM_RegexReplaceSpaces)->Unit(benchmark::kMillisecond);

void BM_AddTextAtPosition(benchmark::State& state)
{
    RunRule(state,
            "Add text at position: <New Text=-> <Position=3> <Search Direction=Right to Left> <Apply To=Title>",
            true);
}
BENCHMARK(BM_AddTextAtPosition)->Unit(benchmark::kMillisecond);

void BM_RemoveFromPosition(benchmark::State& state)
{
    RunRule(state,
            "Remove characters from position: <Starting Position=2> <Length=3> <Removal Direction=Left to Right> "
            "<Apply To=Title>",
            true);
}
BENCHMARK(BM_RemoveFromPosition)->Unit(benchmark::kMillisecond);

void BM_RemoveAroundText(benchmark::State& state)
{
    RunRule(state,
            "Remove characters (Advanced): <Number of Characters=1> <Find What=a> <Remove From=Before> "
            "<Apply To=Title>",
            true);
}
BENCHMARK(BM_RemoveAroundText)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
