// A rename run of 100,000 files in one folder, with the recovery journal and the
// event log on (and, to show their shares, without the read-only test or the
// log), against a bare renameat2(RENAME_NOREPLACE) loop over the same files and
// against the bare system calls a run makes, measured in the same process. Each
// iteration renames every file from one name set to the other, so iterations
// alternate direction and do equal work.

#include "app/ItemList.h"
#include "app/Settings.h"
#include "platform/NameCodec.h"
#include "renaming/EventLog.h"
#include "renaming/RenameRun.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <linux/fs.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quelt;
namespace fs = std::filesystem;

namespace {

constexpr int FileCount = 100000;
const std::string Root = "/tmp/quelt-bench-rename/";

class QuietView : public RenameProgressView {
public:
    void setProgress(int, int) override {}
    void setAction(const QString&) override {}
    void setPercent(const QString&) override {}
    void setTimeLeft(const QString&) override {}
    void setStopEnabled(bool) override {}
};

std::string NameOf(int set, int i)
{
    char name[64];
    std::snprintf(name, sizeof name, set == 0 ? "IMG_%06d.jpg" : "Holiday %06d.jpg", i);
    return name;
}

// The folder with the files, all under names of set 0, and a program folder.
struct Bench {
    std::string files = Root + "files/";
    std::string home = Root + "home/";
    int set = 0; // the name set the files have now

    Bench()
    {
        fs::remove_all(Root);
        fs::create_directories(files);
        fs::create_directories(home);
        for (int i = 0; i < FileCount; ++i)
            std::ofstream(files + NameOf(0, i));
        ::setenv("QUELT_HOME", home.c_str(), 1);
        AppSettings().EnableLogging = true;
        AppSettings().DoEventsTimeout = 500;
        SetLogFolder(QString::fromStdString(home));
        OpenLog();
    }
};

Bench& TheBench()
{
    static Bench bench;
    return bench;
}

void BM_BareRenameat2(benchmark::State& state)
{
    Bench& b = TheBench();
    std::vector<std::string> names[2];
    for (int set = 0; set < 2; ++set)
        for (int i = 0; i < FileCount; ++i)
            names[set].push_back(b.files + NameOf(set, i));
    for (auto _ : state) {
        const int from = b.set;
        const int to = 1 - from;
        for (int i = 0; i < FileCount; ++i) {
            if (::renameat2(AT_FDCWD, names[from][std::size_t(i)].c_str(), AT_FDCWD, names[to][std::size_t(i)].c_str(),
                            RENAME_NOREPLACE)
                != 0)
                state.SkipWithError("rename failed");
        }
        b.set = to;
    }
    state.SetItemsProcessed(state.iterations() * FileCount);
}

// The system calls a rename run cannot do without, and nothing else: per item the
// stat of the read-only test, the rename, one append to a journal and one to a log
// (lines of the run's sizes). The run's time less this one is its own work.
void BM_BareCallsOfARun(benchmark::State& state)
{
    Bench& b = TheBench();
    std::vector<std::string> names[2];
    for (int set = 0; set < 2; ++set)
        for (int i = 0; i < FileCount; ++i)
            names[set].push_back(b.files + NameOf(set, i));
    const int journal = ::open((b.home + "journal").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_TRUNC | O_CLOEXEC, 0644);
    const int log = ::open((b.home + "log").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_TRUNC | O_CLOEXEC, 0644);
    const std::string triple(68, 'j');
    const std::string line(168, 'l');
    for (auto _ : state) {
        const int from = b.set;
        const int to = 1 - from;
        for (int i = 0; i < FileCount; ++i) {
            struct stat st {};
            const char* source = names[from][std::size_t(i)].c_str();
            if (::stat(source, &st) != 0
                || ::renameat2(AT_FDCWD, source, AT_FDCWD, names[to][std::size_t(i)].c_str(), RENAME_NOREPLACE) != 0
                || ::write(journal, triple.data(), triple.size()) != ssize_t(triple.size())
                || ::write(log, line.data(), line.size()) != ssize_t(line.size()))
                state.SkipWithError("a call failed");
        }
        b.set = to;
    }
    ::close(journal);
    ::close(log);
    state.SetItemsProcessed(state.iterations() * FileCount);
}

// range(0): the read-only test (RenameReadOnly off, one stat per item);
// range(1): the event log. The journal is always on.
void BM_RenameRun(benchmark::State& state)
{
    Bench& b = TheBench();
    AppSettings().RenameReadOnly = state.range(0) == 0;
    AppSettings().EnableLogging = state.range(1) != 0;
    const QString folder = QString::fromStdString(b.files);
    QuietView view;
    ScriptedPrompt prompt;
    BasicMainList list;
    RenameRunContext context;
    context.prompt = &prompt;
    context.mainList = &list;
    context.silent = true;
    // Built, and freed, outside the timing: the bare loops keep their names too.
    PreviewArray items;
    for (auto _ : state) {
        state.PauseTiming();
        items.assign(FileCount, PreviewItem{});
        for (int i = 0; i < FileCount; ++i) {
            PreviewItem& item = items[std::size_t(i)];
            item.folder = folder;
            item.oldName = QString::fromStdString(NameOf(b.set, i));
            item.newName = QString::fromStdString(NameOf(1 - b.set, i));
            item.included = item.selected = true;
        }
        state.ResumeTiming();
        RunRename(items, FileCount, RunOrigin::FromMainList, view, context);
        if (RenameState().result.renamedCount != FileCount)
            state.SkipWithError("rename run failed");
        b.set = 1 - b.set;
    }
    state.SetItemsProcessed(state.iterations() * FileCount);
}

// All in one process on the same folder, repetitions interleaved (see main).
BENCHMARK(BM_BareRenameat2)->Unit(benchmark::kMillisecond)->Iterations(2)->Repetitions(5);
BENCHMARK(BM_BareCallsOfARun)->Unit(benchmark::kMillisecond)->Iterations(2)->Repetitions(5);
BENCHMARK(BM_RenameRun)
    ->ArgNames({"readOnlyTest", "log"})
    ->Args({1, 1})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->Repetitions(5);

} // namespace

// Repetitions run in random interleaved order by default, so the loops and the
// runs meet the folder's directory blocks, and the machine, in the same states:
// run one after the other, the later ones measure a different folder.
int main(int argc, char** argv)
{
    static char interleaved[] = "--benchmark_enable_random_interleaving=true";
    static char aggregatesOnly[] = "--benchmark_report_aggregates_only=true";
    std::vector<char*> args(argv, argv + argc);
    args.insert(args.begin() + 1, {interleaved, aggregatesOnly});
    int count = int(args.size());
    benchmark::Initialize(&count, args.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
