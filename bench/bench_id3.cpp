// Reading (and rewriting in place) the ID3 tags of 1,000 songs in a temporary
// folder: each song has a 2.3.0 tag of 1,024 bytes with eight text frames, 16 KB
// of audio and an ID3v1.1 tag.
#include "metadata/ID3v1.h"
#include "metadata/ID3v2.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <fstream>
#include <vector>

namespace {

using namespace quelt;

constexpr int SongCount = 1000;
constexpr int AudioBytes = 16 * 1024;

class Library {
public:
    Library()
    {
        ID3v2Tag v2;
        SetFrameText(v2, QStringLiteral("TIT2"), QStringLiteral("A title of some length"));
        SetFrameText(v2, QStringLiteral("TPE1"), QStringLiteral(u"Artïst"));
        SetFrameText(v2, QStringLiteral("TALB"), QStringLiteral("The album"));
        SetFrameText(v2, QStringLiteral("TYER"), QStringLiteral("2001"));
        SetFrameText(v2, QStringLiteral("TCON"), QStringLiteral("(17)Rock"));
        SetFrameText(v2, QStringLiteral("TRCK"), QStringLiteral("3/12"));
        SetFrameText(v2, QStringLiteral("COMM"), QStringLiteral(u"Ψ comment"));
        SetFrameText(v2, QStringLiteral("TENC"), QStringLiteral("Encoder"));
        const QByteArray tagBytes = *FormatID3v2(v2, MinID3v2TagSize);
        ID3v1Tag v1;
        v1.title = QStringLiteral("A title");
        v1.track = 3;
        v1.genre = 17;
        const QByteArray v1Bytes = FormatID3v1(v1);
        const QByteArray audio(AudioBytes, '\x55');
        for (int i = 0; i < SongCount; ++i) {
            const QString path = dir_.path() + QStringLiteral("/song%1.mp3").arg(i);
            std::ofstream out(path.toStdString(), std::ios::binary);
            for (const QByteArray* part : {&tagBytes, &audio, &v1Bytes})
                out.write(part->constData(), part->size());
            paths_.push_back(path);
        }
    }
    const std::vector<QString>& paths() const { return paths_; }

private:
    QTemporaryDir dir_;
    std::vector<QString> paths_;
};

const Library& Songs()
{
    static const Library library;
    return library;
}

void BM_ReadID3v1(benchmark::State& state)
{
    const auto& paths = Songs().paths();
    for (auto _ : state) {
        for (const QString& path : paths)
            benchmark::DoNotOptimize(ReadID3v1(path).title);
    }
    state.SetItemsProcessed(state.iterations() * SongCount);
}
BENCHMARK(BM_ReadID3v1)->Unit(benchmark::kMillisecond);

void BM_ReadID3v2(benchmark::State& state)
{
    const auto& paths = Songs().paths();
    for (auto _ : state) {
        for (const QString& path : paths) {
            const ID3v2Tag tag = ReadID3v2(path);
            benchmark::DoNotOptimize(GetFrameText(tag, QStringLiteral("TIT2")));
        }
    }
    state.SetItemsProcessed(state.iterations() * SongCount);
}
BENCHMARK(BM_ReadID3v2)->Unit(benchmark::kMillisecond);

void BM_ReadBothAndTwelveTexts(benchmark::State& state)
{
    static const QString ids[] = {
        QStringLiteral("TIT2"), QStringLiteral("TPE1"), QStringLiteral("TALB"), QStringLiteral("TYER"),
        QStringLiteral("TCON"), QStringLiteral("TRCK"), QStringLiteral("COMM"), QStringLiteral("TCOM"),
        QStringLiteral("TOPE"), QStringLiteral("TCOP"), QStringLiteral("WXXX"), QStringLiteral("TENC"),
    };
    const auto& paths = Songs().paths();
    for (auto _ : state) {
        for (const QString& path : paths) {
            benchmark::DoNotOptimize(ReadID3v1(path).genreName);
            const ID3v2Tag tag = ReadID3v2(path);
            for (const QString& id : ids)
                benchmark::DoNotOptimize(GetFrameText(tag, id));
        }
    }
    state.SetItemsProcessed(state.iterations() * SongCount);
}
BENCHMARK(BM_ReadBothAndTwelveTexts)->Unit(benchmark::kMillisecond);

// Read, change the title, write back: the tag fits its room, so in place.
void BM_RewriteID3v2InPlace(benchmark::State& state)
{
    const auto& paths = Songs().paths();
    int round = 0;
    for (auto _ : state) {
        const QString title = QStringLiteral("Title %1").arg(++round % 10);
        for (const QString& path : paths) {
            ID3v2Tag tag = ReadID3v2(path);
            SetFrameText(tag, QStringLiteral("TIT2"), title);
            if (WriteID3v2(path, tag) != 0)
                state.SkipWithError("write failed");
        }
    }
    state.SetItemsProcessed(state.iterations() * SongCount);
}
BENCHMARK(BM_RewriteID3v2InPlace)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
