// The folder scan against a bare readdir loop and against find on the same
// 100,000-file tree, and the item list's operations on 100,000 rows.
//
// The tree is made once under /tmp and reused by later runs.

#include "app/ItemList.h"
#include "app/ItemListSort.h"
#include "app/MoveSelectedRows.h"
#include "app/ScanFolder.h"

#include <benchmark/benchmark.h>

#include <QString>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <dirent.h>

using namespace quelt;
namespace fs = std::filesystem;

namespace {

constexpr int GroupCount = 20;
constexpr int FoldersPerGroup = 50; // 1,000 folders of files
constexpr int FilesPerFolder = 100; // 100,000 files
constexpr int RowCount = 100000;

const std::string TreeRoot = "/tmp/quelt-bench-scan/";

const std::string& BenchTree()
{
    static const std::string root = [] {
        const fs::path done = fs::path(TreeRoot) / ".complete";
        if (!fs::exists(done)) {
            fs::remove_all(TreeRoot);
            char name[64];
            for (int g = 0; g < GroupCount; ++g) {
                for (int f = 0; f < FoldersPerGroup; ++f) {
                    std::snprintf(name, sizeof name, "group %02d/album %03d", g, f);
                    const fs::path folder = fs::path(TreeRoot) / name;
                    fs::create_directories(folder);
                    for (int i = 0; i < FilesPerFolder; ++i) {
                        std::snprintf(name, sizeof name, "%02d - Track title number %d.mp3", i, i);
                        std::ofstream(folder / name);
                    }
                }
            }
            std::ofstream(done).put('1');
        }
        return TreeRoot;
    }();
    return root;
}

std::size_t ReaddirTree(const std::string& folder, std::vector<std::string>& names)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return 0;
    std::vector<std::string> subFolders;
    while (const dirent* entry = ::readdir(dir)) {
        const char* n = entry->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
            continue;
        if (entry->d_type == DT_DIR)
            subFolders.emplace_back(n);
        names.emplace_back(n);
    }
    ::closedir(dir);
    for (const std::string& sub : subFolders)
        ReaddirTree(folder + sub + '/', names);
    return names.size();
}

void BM_Find(benchmark::State& state)
{
    const std::string command = "find '" + BenchTree() + "' -printf '%f\\n'";
    std::vector<char> buffer(1 << 16);
    for (auto _ : state) {
        FILE* pipe = ::popen(command.c_str(), "r");
        std::size_t lines = 0;
        std::size_t got = 0;
        while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
            for (std::size_t i = 0; i < got; ++i)
                lines += buffer[i] == '\n';
        }
        ::pclose(pipe);
        benchmark::DoNotOptimize(lines);
        state.counters["entries"] = double(lines);
    }
}
BENCHMARK(BM_Find)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReaddirLoop(benchmark::State& state)
{
    for (auto _ : state) {
        std::vector<std::string> names;
        names.reserve(110000);
        state.counters["entries"] = double(ReaddirTree(BenchTree(), names));
    }
}
BENCHMARK(BM_ReaddirLoop)->Unit(benchmark::kMillisecond)->UseRealTime();

void ScanBench(benchmark::State& state, ItemList::Shape shape, const char* filter, bool attributeFilter)
{
    ScanOptions options;
    options.recurse = true;
    options.attributes.enableAttrFilter = attributeFilter;
    options.attributes.showReadOnly = attributeFilter;
    const QString root = QString::fromStdString(BenchTree());
    const QString pattern = QString::fromLatin1(filter);
    for (auto _ : state) {
        ItemList list(shape);
        ScanCounters counters;
        StopRequested = false;
        ScanFolder(root, pattern, counters, list, options);
        state.counters["items"] = double(counters.foundItems);
    }
}

void BM_ScanFolderTree(benchmark::State& state) { ScanBench(state, ItemList::Shape::Tree, "*.*", false); }
void BM_ScanFolderList(benchmark::State& state) { ScanBench(state, ItemList::Shape::Flat, "*.*", false); }
void BM_ScanFolderPattern(benchmark::State& state) { ScanBench(state, ItemList::Shape::Tree, "*track*.MP3", false); }
void BM_ScanFolderAttributeFilter(benchmark::State& state) { ScanBench(state, ItemList::Shape::Tree, "*.*", true); }
BENCHMARK(BM_ScanFolderTree)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ScanFolderList)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ScanFolderPattern)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ScanFolderAttributeFilter)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---- The item list on 100,000 rows ----

ItemList MakeRows(ItemList::Shape shape)
{
    ItemList list(shape);
    list.reserve(RowCount);
    QString folder;
    for (int i = 0; i < RowCount; ++i) {
        if (i % FilesPerFolder == 0)
            folder = QStringLiteral("/music/album %1/").arg(i / FilesPerFolder);
        list.appendItem(folder, QStringLiteral("%1 - Track %2.mp3").arg((i * 7919) % 100).arg(i), i % 2 == 0);
    }
    return list;
}

std::vector<bool> EveryNth(int n)
{
    std::vector<bool> selected(RowCount);
    for (int i = 0; i < RowCount; i += n)
        selected[std::size_t(i)] = true;
    return selected;
}

void BM_AppendRows(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(MakeRows(ItemList::Shape(state.range(0))).itemCount());
}
BENCHMARK(BM_AppendRows)->Arg(int(ItemList::Shape::Flat))->Arg(int(ItemList::Shape::Tree))->Unit(benchmark::kMillisecond);

void BM_MoveRows(benchmark::State& state)
{
    ItemList list = MakeRows(ItemList::Shape::Flat);
    std::vector<bool> selected = EveryNth(10);
    selected[0] = false;
    const MoveDirection direction = MoveDirection(state.range(0));
    const MoveDirection back = direction == MoveDirection::Up ? MoveDirection::Down : MoveDirection::Bottom;
    // Each iteration moves the rows there and back, since a second move the same
    // way would find them at the edge.
    for (auto _ : state) {
        benchmark::DoNotOptimize(list.moveRows(selected, direction));
        benchmark::DoNotOptimize(list.moveRows(selected, back));
    }
}
BENCHMARK(BM_MoveRows)
    ->ArgName("direction")
    ->Arg(int(MoveDirection::Up))
    ->Arg(int(MoveDirection::Top))
    ->Unit(benchmark::kMillisecond);

void BM_RemoveEveryThirdRow(benchmark::State& state)
{
    const ItemList source = MakeRows(ItemList::Shape::Flat);
    const std::vector<bool> selected = EveryNth(3);
    for (auto _ : state) {
        state.PauseTiming();
        ItemList list = source;
        state.ResumeTiming();
        benchmark::DoNotOptimize(list.removeRows(selected));
    }
}
BENCHMARK(BM_RemoveEveryThirdRow)->Unit(benchmark::kMillisecond);

void BM_CropToEveryThirdRow(benchmark::State& state)
{
    const ItemList source = MakeRows(ItemList::Shape::Flat);
    const std::vector<bool> selected = EveryNth(3);
    for (auto _ : state) {
        state.PauseTiming();
        ItemList list = source;
        state.ResumeTiming();
        benchmark::DoNotOptimize(list.cropTo(selected));
    }
}
BENCHMARK(BM_CropToEveryThirdRow)->Unit(benchmark::kMillisecond);

void BM_InvertChecked(benchmark::State& state)
{
    ItemList list = MakeRows(ItemList::Shape(state.range(0)));
    for (auto _ : state)
        list.invertChecked();
}
BENCHMARK(BM_InvertChecked)->Arg(int(ItemList::Shape::Flat))->Arg(int(ItemList::Shape::Tree))->Unit(benchmark::kMicrosecond);

void BM_ForEachItem(benchmark::State& state)
{
    const ItemList list = MakeRows(ItemList::Shape(state.range(0)));
    for (auto _ : state) {
        qsizetype checked = 0;
        list.forEachItem([&](const QString& folder, const QString& name, bool mark) {
            checked += mark + (folder.size() > name.size());
        });
        benchmark::DoNotOptimize(checked);
    }
}
BENCHMARK(BM_ForEachItem)->Arg(int(ItemList::Shape::Flat))->Arg(int(ItemList::Shape::Tree))->Unit(benchmark::kMicrosecond);

void BM_SortDisplayedList(benchmark::State& state)
{
    const ItemList source = MakeRows(ItemList::Shape::Flat);
    const DisplaySortMode mode = DisplaySortMode(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        ItemList list = source;
        state.ResumeTiming();
        benchmark::DoNotOptimize(SortDisplayedList(list, mode));
    }
}
BENCHMARK(BM_SortDisplayedList)
    ->ArgName("mode")
    ->Arg(int(DisplaySortMode::NameAscending))
    ->Arg(int(DisplaySortMode::NameDescending))
    ->Arg(int(DisplaySortMode::NumericAscending))
    ->Unit(benchmark::kMillisecond);

void BM_SortByColumn(benchmark::State& state)
{
    const ItemList source = MakeRows(ItemList::Shape::Flat);
    for (auto _ : state) {
        state.PauseTiming();
        ItemList list = source;
        state.ResumeTiming();
        benchmark::DoNotOptimize(list.sortByColumn(1, true));
    }
}
BENCHMARK(BM_SortByColumn)->Unit(benchmark::kMillisecond);

void BM_RebuildFromPreview(benchmark::State& state)
{
    PreviewArray items(RowCount);
    for (int i = 0; i < RowCount; ++i) {
        PreviewItem& item = items[std::size_t(i)];
        item.folder = QStringLiteral("/music/album %1/").arg(i / FilesPerFolder);
        item.oldName = QStringLiteral("old %1.mp3").arg(i);
        item.newName = QStringLiteral("new %1.mp3").arg(i);
        item.selected = item.renameDone = i % 2 == 0;
    }
    ItemList list(ItemList::Shape(state.range(0)));
    for (auto _ : state) {
        RebuildFromPreview(list, items, RowCount, false);
        benchmark::DoNotOptimize(list.itemCount());
    }
}
BENCHMARK(BM_RebuildFromPreview)->Arg(int(ItemList::Shape::Flat))->Arg(int(ItemList::Shape::Tree))->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
