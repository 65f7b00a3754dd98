// Cost of one event log line, as the rename run writes one per item.
#include "app/Settings.h"
#include "renaming/EventLog.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

void BM_LogEventInfo(benchmark::State& state)
{
    QTemporaryDir dir;
    quelt::SetLogFolder(dir.path() + u'/');
    quelt::AppSettings().SizeLimit = int(state.range(0));
    quelt::AppSettings().WhenReachMax = 1;
    quelt::OpenLog();
    const QString text = QStringLiteral("Renamed \"/home/user/Music/Artist - Title.mp3\" to "
                                        "\"/home/user/Music/01 Title.mp3\"");
    for (auto _ : state)
        quelt::LogEvent(QStringLiteral("INFO"), text);
    quelt::CloseLog();
    quelt::SetLogFolder({});
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LogEventInfo)->Arg(0)->Arg(1000);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
