// The preview engine on 100,000 real files in 300 folders: a regular-expression
// replace that leaves most names of a folder equal, capitalization, zero padding,
// auto-numbering of the names that carry a "#", a file-date variable, and the
// duplicates phase numbering the many equal names. Variants leave out the
// variable or the duplicates phase, or add the "Auto-number duplicated names" rule,
// or sort the list first, to show where the time goes. Peak resident memory is reported as maxrss_mb.
#include "app/ItemList.h"
#include "app/Settings.h"
#include "engine/PreviewEngine.h"
#include "platform/FileSystem.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

using namespace quelt;

namespace {

constexpr int FolderCount = 300;
constexpr int ItemCount = 100'000;

struct Tree {
    QTemporaryDir dir{QDir::tempPath() + QStringLiteral("/quelt-bench-preview-XXXXXX")};
    ItemList list{ItemList::Shape::Flat};
};

// Made once per process; the files are empty.
Tree& Files()
{
    static std::unique_ptr<Tree> tree = [] {
        auto t = std::make_unique<Tree>();
        const QString root = t->dir.path() + u'/';
        t->list.reserve(ItemCount);
        for (int i = 0; i < ItemCount; ++i) {
            const int folderIndex = i * FolderCount / ItemCount;
            const QString folder = root + QStringLiteral("album %1/").arg(folderIndex);
            if (i == 0 || folderIndex != (i - 1) * FolderCount / ItemCount)
                ::mkdir(folder.toUtf8().constData(), 0700);
            const QString name = QStringLiteral("IMG_%1 holiday snap v%2%3.jpg")
                                     .arg(i, 5, 10, QLatin1Char('0'))
                                     .arg(i % 9)
                                     .arg(i % 10 == 0 ? QStringLiteral(" #") : QString());
            const int fd = ::open((folder + name).toUtf8().constData(), O_CREAT | O_WRONLY, 0600);
            if (fd >= 0)
                ::close(fd);
            t->list.appendItem(folder, name, true);
        }
        return t;
    }();
    return *tree;
}

RuleLine Rule(const char* category, const char* text)
{
    return RuleLine{QString::fromUtf8(category), QString::fromUtf8(text), QString(), true};
}

enum Variant { AllRules = 0, NoVariable = 1, NoDuplicatesPhase = 2, WithDuplicatesRule = 3, SortedFirst = 4 };

std::vector<RuleLine> Rules(Variant variant)
{
    std::vector<RuleLine> rules = {
        Rule("Title & Extension", "Find and replace using Regular Expression: <Search Pattern=_[0-9]+> "
                                  "<Replace With=> <Replace All=True> <Apply To=Title>"),
        Rule("Letters", "Change capitalization: <Capitalization Type=First Letter Up> <Apply To=Title>"),
        Rule("Auto Numbering", "Add zero padding to numbers: <Minimum Width=3> <Maximum Replacements=1> "
                               "<Search Direction=Left to Right> <Apply To=Title>"),
        Rule("Auto Numbering", "Replace text with auto-number: <Numbering Type=Decimal> <Start With=1> "
                               "<Increment By=1> <Minimum Width=3> <Reset on Path Change=True> <Find What=#>"),
    };
    if (variant != NoVariable)
        rules.push_back(Rule("Title & Extension", "Attach text to edge of name: "
                                                  "<Insert This= %file_modified_date[yyyy-mm-dd]%> "
                                                  "<Insert Where=End> <Apply To=Title>"));
    if (variant == SortedFirst)
        rules.insert(rules.begin(), Rule("Sorting", "Sort the list: <Sorting Type=Name (Descending)> "
                                                    "<Sorting Source=Old Name>"));
    if (variant == WithDuplicatesRule)
        rules.push_back(Rule("Auto Numbering", "Auto-number duplicated names: <Numbering Type=Decimal> "
                                               "<Start With=1> <Increment By=1> <Minimum Width=1> "
                                               "<Numbering Format= (%number%)> <Search Where=New Names>"));
    return rules;
}

double MaxRssMb()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

void BM_Preview(benchmark::State& state)
{
    const Variant variant = Variant(state.range(0));
    Tree& tree = Files();
    const std::vector<RuleLine> rules = Rules(variant);
    NullPreviewProgressView view;
    PreviewArray preview;
    bool stop = false;
    qsizetype valid = 0;
    for (auto _ : state) {
        AppSettings().AutoNumberDuplicated = variant == NoDuplicatesPhase ? QString() : QStringLiteral("(%number%)");
        const qsizetype n = GeneratePreview(preview, tree.list, rules, view, stop);
        benchmark::DoNotOptimize(n);
    }
    for (const PreviewItem& item : preview)
        valid += item.valid ? 1 : 0;
    state.counters["items"] = double(preview.size());
    state.counters["valid"] = double(valid);
    state.counters["maxrss_mb"] = MaxRssMb();
    state.SetItemsProcessed(state.iterations() * ItemCount);
    state.SetLabel((preview.size() > 12 ? preview[12].newName : QString()).toStdString());
}

BENCHMARK(BM_Preview)
    ->ArgName("variant")
    ->Arg(AllRules)
    ->Arg(NoVariable)
    ->Arg(NoDuplicatesPhase)
    ->Arg(WithDuplicatesRule)
    ->Arg(SortedFirst)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    AppSettings().EnableLogging = false;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
