// MPEG stream data of many small files, and of one long constant-bitrate and
// one long variable-bitrate file. The files are made in a temporary folder:
// 1,000 copies of the fixtures of tests/fixtures/mpeg/, and two synthetic
// ten-minute streams of 128 kbit/s at 44.1 kHz.
#include "metadata/MP3Info.h"
#include "metadata/MPEGHeader.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int FileCount = 1000;
// Ten minutes of MPEG 1 Layer III at 44.1 kHz.
constexpr int LongStreamFrames = 600 * 44100 / 1152;

QByteArray ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string s((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return QByteArray(s.data(), qsizetype(s.size()));
}

void WriteAll(const fs::path& path, const QByteArray& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.constData(), bytes.size());
}

QByteArray Frame(std::uint8_t b2, const QByteArray& body = {})
{
    QByteArray frame("\xFF\xFB", 2);
    frame += char(b2);
    frame += char(0x40);
    frame += body;
    frame.resize(quelt::DecodeFrameHeader(frame)->frameLength, '\0');
    return frame;
}

struct Files {
    QTemporaryDir dir;
    std::vector<QString> songs;
    QString longCbr;
    QString longVbr;

    Files()
    {
        const fs::path fixtures = fs::path(__FILE__).parent_path() / ".." / "tests" / "fixtures" / "mpeg";
        std::vector<QByteArray> sources;
        for (const auto& entry : fs::directory_iterator(fixtures))
            if (entry.path().extension() == ".mp3" || entry.path().extension() == ".mp2")
                sources.push_back(ReadAll(entry.path()));
        const fs::path root(dir.path().toStdString());
        for (int i = 0; i < FileCount && !sources.empty(); ++i) {
            const fs::path path = root / ("song" + std::to_string(i) + ".mp3");
            WriteAll(path, sources[std::size_t(i) % sources.size()]);
            songs.push_back(QString::fromStdString(path.string()));
        }

        const QByteArray padded = Frame(0x92);
        const QByteArray plain = Frame(0x90);
        QByteArray cbr;
        QByteArray vbr = Frame(0x90, QByteArray(32, '\0') + "Xing");
        for (int i = 0; i < LongStreamFrames; ++i) {
            cbr += (i % 25 == 0) ? plain : padded;
            vbr += Frame(std::uint8_t((i % 7 + 5) << 4));
        }
        longCbr = QString::fromStdString((root / "long-cbr.mp3").string());
        longVbr = QString::fromStdString((root / "long-vbr.mp3").string());
        WriteAll(root / "long-cbr.mp3", cbr);
        WriteAll(root / "long-vbr.mp3", vbr);
    }
};

Files& TheFiles()
{
    static Files files;
    return files;
}

void BM_ReadMP3Info_1000Files(benchmark::State& state)
{
    Files& files = TheFiles();
    for (auto _ : state) {
        std::int64_t frames = 0;
        for (const QString& song : files.songs)
            frames += quelt::ReadMP3Info(song).Frames;
        benchmark::DoNotOptimize(frames);
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(files.songs.size()));
}
BENCHMARK(BM_ReadMP3Info_1000Files)->Unit(benchmark::kMillisecond);

void BM_IsValidMP3_1000Files(benchmark::State& state)
{
    Files& files = TheFiles();
    for (auto _ : state) {
        int valid = 0;
        for (const QString& song : files.songs)
            valid += quelt::IsValidMP3(song) ? 1 : 0;
        benchmark::DoNotOptimize(valid);
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(files.songs.size()));
}
BENCHMARK(BM_IsValidMP3_1000Files)->Unit(benchmark::kMillisecond);

void BM_ReadMP3Info_TenMinuteCBR(benchmark::State& state)
{
    const QString path = TheFiles().longCbr;
    for (auto _ : state)
        benchmark::DoNotOptimize(quelt::ReadMP3Info(path).Frames);
}
BENCHMARK(BM_ReadMP3Info_TenMinuteCBR)->Unit(benchmark::kMicrosecond);

void BM_ReadMP3Info_TenMinuteVBR(benchmark::State& state)
{
    const QString path = TheFiles().longVbr;
    for (auto _ : state)
        benchmark::DoNotOptimize(quelt::ReadMP3Info(path).Frames);
}
BENCHMARK(BM_ReadMP3Info_TenMinuteVBR)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
