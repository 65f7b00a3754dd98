// The platform layer's folder listing, name filter and rename against the bare
// system calls, on one folder of 100,000 files under /tmp.
//
// The listing folder is made once and reused by later runs; the rename benchmarks
// work in a fresh folder of their own that is removed at exit.

#include "platform/FileSystem.h"
#include "platform/NameCodec.h"

#include <benchmark/benchmark.h>

#include <QString>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

using namespace quelt;
namespace fs = std::filesystem;

namespace {

constexpr int FileCount = 100000;

const std::string ListRoot = "/tmp/quelt-bench-filesystem/";

// Names like a music and picture collection: mostly songs, some pictures, mixed case.
std::string NameOf(int i)
{
    char name[80];
    if (i % 5 == 0)
        std::snprintf(name, sizeof name, "IMG_%05d.JPG", i);
    else
        std::snprintf(name, sizeof name, "%02d - Track title number %d.mp3", i % 100, i);
    return name;
}

// Makes the files and writes them out, so that their write-back does not land in
// the first timed pass.
void MakeFiles(const std::string& folder, const char* prefix)
{
    fs::create_directories(folder);
    for (int i = 0; i < FileCount; ++i)
        std::ofstream(folder + prefix + NameOf(i));
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::syncfs(fd);
        ::close(fd);
    }
}

const std::string& ListFolderPath()
{
    static const std::string root = [] {
        const std::string done = ListRoot + ".complete";
        if (!fs::exists(done)) {
            fs::remove_all(ListRoot);
            MakeFiles(ListRoot, "");
            std::ofstream(done).put('1');
        }
        return ListRoot;
    }();
    return root;
}

void BM_BareReaddir(benchmark::State& state)
{
    const std::string& folder = ListFolderPath();
    for (auto _ : state) {
        DIR* dir = ::opendir(folder.c_str());
        std::size_t count = 0;
        while (const dirent* entry = ::readdir(dir)) {
            benchmark::DoNotOptimize(entry->d_name[0]);
            ++count;
        }
        ::closedir(dir);
        benchmark::DoNotOptimize(count);
    }
    state.SetItemsProcessed(state.iterations() * FileCount);
}
BENCHMARK(BM_BareReaddir)->Unit(benchmark::kMillisecond);

// The same loop keeping each name, as any caller that uses the listing must.
void BM_BareReaddirKeepingNames(benchmark::State& state)
{
    const std::string& folder = ListFolderPath();
    std::vector<std::string> names;
    for (auto _ : state) {
        names.clear();
        DIR* dir = ::opendir(folder.c_str());
        while (const dirent* entry = ::readdir(dir))
            names.emplace_back(entry->d_name);
        ::closedir(dir);
        benchmark::DoNotOptimize(names.data());
    }
    state.SetItemsProcessed(state.iterations() * FileCount);
}
BENCHMARK(BM_BareReaddirKeepingNames)->Unit(benchmark::kMillisecond);

void BM_ListFolder(benchmark::State& state)
{
    const QString folder = platform::DecodeName(ListFolderPath().c_str());
    std::vector<platform::DirEntry> entries;
    for (auto _ : state) {
        platform::ListFolder(folder, entries);
        benchmark::DoNotOptimize(entries.data());
    }
    state.SetItemsProcessed(state.iterations() * FileCount);
}
BENCHMARK(BM_ListFolder)->Unit(benchmark::kMillisecond);

const std::vector<QString>& Names()
{
    static const std::vector<QString> names = [] {
        std::vector<QString> out;
        out.reserve(FileCount);
        for (int i = 0; i < FileCount; ++i)
            out.push_back(QString::fromStdString(NameOf(i)));
        return out;
    }();
    return names;
}

const char16_t* const Patterns[] = {u"*.MP3", u"*track*4?.*", u"img_0001?.jpg"};

void PatternLabel(benchmark::State& state)
{
    state.SetLabel(QString::fromUtf16(Patterns[state.range(0)]).toStdString());
}

void BM_MatchesNameFilter(benchmark::State& state)
{
    const QString pattern = QString::fromUtf16(Patterns[state.range(0)]);
    const std::vector<QString>& names = Names();
    for (auto _ : state) {
        int matched = 0;
        for (const QString& name : names)
            matched += platform::MatchesNameFilter(name, pattern);
        benchmark::DoNotOptimize(matched);
    }
    state.SetItemsProcessed(state.iterations() * FileCount);
    PatternLabel(state);
}
BENCHMARK(BM_MatchesNameFilter)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void BM_NameFilterPrepared(benchmark::State& state)
{
    const platform::NameFilter filter(QString::fromUtf16(Patterns[state.range(0)]));
    const std::vector<QString>& names = Names();
    for (auto _ : state) {
        int matched = 0;
        for (const QString& name : names)
            matched += filter.matches(name);
        benchmark::DoNotOptimize(matched);
    }
    state.SetItemsProcessed(state.iterations() * FileCount);
    PatternLabel(state);
}
BENCHMARK(BM_NameFilterPrepared)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

// A fresh folder of 100,000 files named "a" + name; each pass renames every file
// from one prefix to the other and back on the next pass.
struct RenameFolder {
    std::string path;
    bool atA = true;

    RenameFolder()
    {
        char pattern[] = "/tmp/quelt-bench-rename-XXXXXX";
        if (!::mkdtemp(pattern))
            std::abort();
        path = std::string(pattern) + '/';
        MakeFiles(path, "a");
    }
    ~RenameFolder() { fs::remove_all(path); }

    const char* from() const { return atA ? "a" : "b"; }
    const char* to() const { return atA ? "b" : "a"; }
};

RenameFolder& TheRenameFolder()
{
    static RenameFolder folder;
    return folder;
}

void BM_BareRenameat2(benchmark::State& state)
{
    RenameFolder& folder = TheRenameFolder();
    std::vector<std::string> from;
    std::vector<std::string> to;
    for (auto _ : state) {
        state.PauseTiming();
        from.clear();
        to.clear();
        for (int i = 0; i < FileCount; ++i) {
            from.push_back(folder.path + folder.from() + NameOf(i));
            to.push_back(folder.path + folder.to() + NameOf(i));
        }
        state.ResumeTiming();
        for (int i = 0; i < FileCount; ++i) {
            if (::renameat2(AT_FDCWD, from[i].c_str(), AT_FDCWD, to[i].c_str(), RENAME_NOREPLACE) != 0)
                state.SkipWithError(std::strerror(errno));
        }
        folder.atA = !folder.atA;
    }
    state.SetItemsProcessed(state.iterations() * FileCount);
}
BENCHMARK(BM_BareRenameat2)->Unit(benchmark::kMillisecond)->Iterations(6);

void BM_RenameNoReplace(benchmark::State& state)
{
    RenameFolder& folder = TheRenameFolder();
    const QString base = platform::DecodeName(folder.path.c_str());
    std::vector<QString> from;
    std::vector<QString> to;
    for (auto _ : state) {
        state.PauseTiming();
        from.clear();
        to.clear();
        for (int i = 0; i < FileCount; ++i) {
            const QString name = QString::fromStdString(NameOf(i));
            from.push_back(base + QLatin1StringView(folder.from()) + name);
            to.push_back(base + QLatin1StringView(folder.to()) + name);
        }
        state.ResumeTiming();
        for (int i = 0; i < FileCount; ++i) {
            const platform::OpResult result = platform::RenameNoReplace(from[i], to[i]);
            if (!result.ok())
                state.SkipWithError(result.description.toStdString().c_str());
        }
        folder.atA = !folder.atA;
    }
    state.SetItemsProcessed(state.iterations() * FileCount);
}
BENCHMARK(BM_RenameNoReplace)->Unit(benchmark::kMillisecond)->Iterations(6);

} // namespace

BENCHMARK_MAIN();
