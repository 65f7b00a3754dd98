// Cost of the variable expander as the preview engine calls it: after every rule,
// for every item. The "preview" case runs 100,000 items through six expansions
// each, the first with a file-date variable on real files and the others on the
// already expanded names, as a six-rule list with one variable does.
#include "metadata/Variables.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int FileCount = 10000;
constexpr int ItemCount = 100000;
constexpr int RuleCount = 6;

struct Files {
    QTemporaryDir dir;
    QString folder;
    Files()
    {
        folder = dir.path() + u'/';
        for (int i = 0; i < FileCount; ++i) {
            const QByteArray path = (folder + QStringLiteral("file%1.txt").arg(i)).toUtf8();
            const int fd = ::open(path.constData(), O_CREAT | O_WRONLY, 0644);
            ::close(fd);
        }
    }
};

Files& SharedFiles()
{
    static Files files;
    return files;
}

std::vector<quelt::PreviewItem> MakeItems(const QString& folder, const QString& text)
{
    std::vector<quelt::PreviewItem> items(ItemCount);
    for (int i = 0; i < ItemCount; ++i) {
        items[std::size_t(i)].folder = folder;
        items[std::size_t(i)].oldName = QStringLiteral("file%1.txt").arg(i % FileCount);
        items[std::size_t(i)].newName = text.isEmpty() ? items[std::size_t(i)].oldName : text;
    }
    return items;
}

void RunOnce(benchmark::State& state, const QString& folder, const QString& text)
{
    const quelt::ExpansionOptions options;
    const auto items = MakeItems(folder, text);
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(quelt::ConvertText(items[i], options));
        i = (i + 1) % items.size();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_PlainName(benchmark::State& state)
{
    RunOnce(state, SharedFiles().folder, QString());
}
BENCHMARK(BM_PlainName);

void BM_NameParts(benchmark::State& state)
{
    RunOnce(state, SharedFiles().folder, QStringLiteral("%file_title% - %const=Live%.%file_ext%"));
}
BENCHMARK(BM_NameParts);

void BM_FileDate(benchmark::State& state)
{
    RunOnce(state, SharedFiles().folder, QStringLiteral("%file_modified_date[yyyy-mm-dd]% %file_title%"));
}
BENCHMARK(BM_FileDate);

void BM_FileDateAndTimeAndSize(benchmark::State& state)
{
    RunOnce(state, SharedFiles().folder,
            QStringLiteral("%file_modified_date[yyyy-mm-dd]% %file_modified_time[hh-mm-ss]% %size_bytes%"));
}
BENCHMARK(BM_FileDateAndTimeAndSize);

void BM_PreviewSixRulesWithFileDate(benchmark::State& state)
{
    const quelt::ExpansionOptions options;
    const auto start = MakeItems(SharedFiles().folder, QStringLiteral("%file_modified_date[yyyy-mm-dd]% %file_title%"));
    for (auto _ : state) {
        state.PauseTiming();
        auto items = start;
        state.ResumeTiming();
        for (int rule = 0; rule < RuleCount; ++rule) {
            for (auto& item : items)
                item = quelt::ConvertText(item, options);
        }
        benchmark::DoNotOptimize(items.data());
    }
    state.SetItemsProcessed(state.iterations() * ItemCount * RuleCount);
}
BENCHMARK(BM_PreviewSixRulesWithFileDate)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
