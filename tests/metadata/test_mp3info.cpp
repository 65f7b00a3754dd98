#include "metadata/MP3Info.h"
#include "metadata/MPEGHeader.h"

#include "TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTextStream>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <string>
#include <vector>

using namespace quelt;
using quelt::test::ReadBytes;
using quelt::test::TempDir;
using quelt::test::WriteBytes;

namespace {

// Second header byte: sync bits, version and layer, protection bit 1 (no CRC).
constexpr std::uint8_t Mpeg1Layer3 = 0xFB;
constexpr std::uint8_t Mpeg1Layer2 = 0xFD;
constexpr std::uint8_t Mpeg1Layer1 = 0xFF;
constexpr std::uint8_t Mpeg2Layer3 = 0xF3;
constexpr std::uint8_t Mpeg2Layer1 = 0xF7;
constexpr std::uint8_t Mpeg25Layer3 = 0xE3;
constexpr std::uint8_t Mpeg25Layer2 = 0xE5;

constexpr std::uint8_t Rate(int bitrateIndex, int rateIndex, bool padding = false)
{
    return std::uint8_t(bitrateIndex << 4 | rateIndex << 2 | (padding ? 2 : 0));
}

QByteArray Header(std::uint8_t b1, std::uint8_t b2, std::uint8_t b3 = 0)
{
    return QByteArray::fromRawData("\xFF", 1) + QByteArray(1, char(b1)) + QByteArray(1, char(b2)) + QByteArray(1, char(b3));
}

// A whole frame: the header, `body` behind it, zeros to the frame length.
QByteArray Frame(std::uint8_t b1, std::uint8_t b2, std::uint8_t b3 = 0, const QByteArray& body = {})
{
    QByteArray frame = Header(b1, b2, b3);
    const auto header = DecodeFrameHeader(frame);
    EXPECT_TRUE(header.has_value());
    frame += body;
    frame.resize(header ? header->frameLength : 4, '\0');
    return frame;
}

QByteArray Repeat(const QByteArray& frame, int count)
{
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out += frame;
    return out;
}

// A "Xing" frame as encoders write it: the tag behind the side information.
QByteArray XingFrame(std::uint8_t b1, std::uint8_t b2, std::uint32_t frames = 0)
{
    QByteArray body(32, '\0');
    body += "Xing";
    body += QByteArray("\0\0\0\1", 4);
    for (int shift = 24; shift >= 0; shift -= 8)
        body += char((frames >> shift) & 0xFF);
    return Frame(b1, b2, 0, body);
}

// An ID3v2 tag of `bodySize` bytes (synchsafe size), filled with bytes that
// hold stray sync patterns: version 2.3.0, or 2.4.0 with a footer.
QByteArray ID3v2Tag(std::uint32_t bodySize, bool footer = false)
{
    QByteArray tag = footer ? QByteArray("ID3\x04\x00", 5) : QByteArray("ID3\x03\x00", 5);
    tag += char(footer ? 0x10 : 0x00);
    for (int shift = 21; shift >= 0; shift -= 7)
        tag += char((bodySize >> shift) & 0x7F);
    QByteArray body(qsizetype(bodySize), '\0');
    for (qsizetype i = 0; i + 3 < body.size(); i += 997) {
        body[i] = char(0xFF);
        body[i + 1] = char(0xFB);
        body[i + 2] = char(0x90);
    }
    tag += body;
    if (footer)
        tag += QByteArray("3DI\x04\x00\x10", 6) + tag.mid(6, 4);
    return tag;
}

QString FixturePath(const QString& name)
{
    return QStringLiteral(QUELT_FIXTURES "/mpeg/") + name;
}

struct ProbeRow {
    QString file, version, layer;
    int bitrate = 0, sampleRate = 0, channels = 0;
    QString channelMode;
    bool vbr = false;
    int frames = 0;
    double duration = 0;
};

std::vector<ProbeRow> ProbeRows()
{
    QFile csv(FixturePath(QStringLiteral("ffprobe.csv")));
    EXPECT_TRUE(csv.open(QIODevice::ReadOnly | QIODevice::Text));
    QTextStream in(&csv);
    in.readLine();
    std::vector<ProbeRow> rows;
    while (!in.atEnd()) {
        const QStringList f = in.readLine().split(u',');
        if (f.size() != 10)
            continue;
        rows.push_back({f[0], f[1], f[2], f[3].toInt(), f[4].toInt(), f[5].toInt(), f[6], f[7] == u"1",
                        f[8].toInt(), f[9].toDouble()});
    }
    return rows;
}

int SamplesOf(const ProbeRow& row)
{
    if (row.layer == u"Layer I")
        return 384;
    return row.layer == u"Layer III" && row.version != u"MPEG 1" ? 576 : 1152;
}

int KbpsOf(const QString& text)
{
    return text.chopped(4).toInt();
}

bool HaveFfprobe()
{
    return QFile::exists(QStringLiteral("/usr/bin/ffprobe"));
}

// ffprobe's stream duration and frame (packet) count of a file.
std::pair<double, int> LiveProbe(const QString& path)
{
    QProcess ffprobe;
    ffprobe.start(QStringLiteral("/usr/bin/ffprobe"),
                  {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-count_packets"),
                   QStringLiteral("-select_streams"), QStringLiteral("a:0"), QStringLiteral("-show_entries"),
                   QStringLiteral("stream=duration,nb_read_packets"), QStringLiteral("-of"),
                   QStringLiteral("default=noprint_wrappers=1"), path});
    EXPECT_TRUE(ffprobe.waitForFinished(30000));
    std::map<QString, QString> values;
    for (const QString& line : QString::fromUtf8(ffprobe.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts))
        values[line.section(u'=', 0, 0)] = line.section(u'=', 1);
    return {values[QStringLiteral("duration")].toDouble(), values[QStringLiteral("nb_read_packets")].toInt()};
}

} // namespace

// --- Frame headers --------------------------------------------------------

TEST(MPEGFrameHeader, DecodesVersionsLayersAndLengths)
{
    struct Case {
        const char* name;
        std::uint8_t b1, b2;
        MPEGVersion version;
        MPEGLayer layer;
        int kbps, rate, length, samples;
    };
    const Case cases[] = {
        {"MPEG 1 L3 128k 44.1", Mpeg1Layer3, Rate(9, 0), MPEGVersion::MPEG1, MPEGLayer::LayerIII, 128, 44100, 417, 1152},
        {"MPEG 1 L3 128k 44.1 padded", Mpeg1Layer3, Rate(9, 0, true), MPEGVersion::MPEG1, MPEGLayer::LayerIII, 128, 44100, 418, 1152},
        {"MPEG 1 L3 320k 32", Mpeg1Layer3, Rate(14, 2), MPEGVersion::MPEG1, MPEGLayer::LayerIII, 320, 32000, 1440, 1152},
        {"MPEG 1 L3 32k 48", Mpeg1Layer3, Rate(1, 1), MPEGVersion::MPEG1, MPEGLayer::LayerIII, 32, 48000, 96, 1152},
        {"MPEG 1 L2 384k 32", Mpeg1Layer2, Rate(14, 2), MPEGVersion::MPEG1, MPEGLayer::LayerII, 384, 32000, 1728, 1152},
        {"MPEG 1 L2 56k 48", Mpeg1Layer2, Rate(3, 1), MPEGVersion::MPEG1, MPEGLayer::LayerII, 56, 48000, 168, 1152},
        {"MPEG 1 L1 448k 32", Mpeg1Layer1, Rate(14, 2), MPEGVersion::MPEG1, MPEGLayer::LayerI, 448, 32000, 672, 384},
        {"MPEG 1 L1 32k 44.1 padded", Mpeg1Layer1, Rate(1, 0, true), MPEGVersion::MPEG1, MPEGLayer::LayerI, 32, 44100, 36, 384},
        {"MPEG 2 L3 8k 24", Mpeg2Layer3, Rate(1, 1), MPEGVersion::MPEG2, MPEGLayer::LayerIII, 8, 24000, 24, 576},
        {"MPEG 2 L3 160k 22.05", Mpeg2Layer3, Rate(14, 0), MPEGVersion::MPEG2, MPEGLayer::LayerIII, 160, 22050, 522, 576},
        {"MPEG 2 L1 256k 16", Mpeg2Layer1, Rate(14, 2), MPEGVersion::MPEG2, MPEGLayer::LayerI, 256, 16000, 768, 384},
        {"MPEG 2.5 L3 8k 8", Mpeg25Layer3, Rate(1, 2), MPEGVersion::MPEG25, MPEGLayer::LayerIII, 8, 8000, 72, 576},
        {"MPEG 2.5 L3 64k 11.025", Mpeg25Layer3, Rate(8, 0), MPEGVersion::MPEG25, MPEGLayer::LayerIII, 64, 11025, 417, 576},
        {"MPEG 2.5 L2 160k 8 padded (longest)", Mpeg25Layer2, Rate(14, 2, true), MPEGVersion::MPEG25, MPEGLayer::LayerII, 160, 8000, MaxFrameLength, 1152},
    };
    for (const Case& c : cases) {
        const auto h = DecodeFrameHeader(Header(c.b1, c.b2));
        ASSERT_TRUE(h.has_value()) << c.name;
        EXPECT_EQ(h->version, c.version) << c.name;
        EXPECT_EQ(h->layer, c.layer) << c.name;
        EXPECT_EQ(h->bitrate, c.kbps) << c.name;
        EXPECT_EQ(h->sampleRate, c.rate) << c.name;
        EXPECT_EQ(h->frameLength, c.length) << c.name;
        EXPECT_EQ(h->samplesPerFrame, c.samples) << c.name;
    }
}

TEST(MPEGFrameHeader, BitrateTablesMatchTheStandards)
{
    // Every row of ISO/IEC 11172-3 and 13818-3, indexes 1..14.
    struct Row { MPEGVersion version; MPEGLayer layer; std::array<int, 14> kbps; };
    const Row rows[] = {
        {MPEGVersion::MPEG1, MPEGLayer::LayerI, {32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448}},
        {MPEGVersion::MPEG1, MPEGLayer::LayerII, {32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384}},
        {MPEGVersion::MPEG1, MPEGLayer::LayerIII, {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
        {MPEGVersion::MPEG2, MPEGLayer::LayerI, {32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256}},
        {MPEGVersion::MPEG2, MPEGLayer::LayerII, {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}},
        {MPEGVersion::MPEG25, MPEGLayer::LayerIII, {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(BitrateKbps(row.version, row.layer, 0), 0);
        EXPECT_EQ(BitrateKbps(row.version, row.layer, 15), 0);
        for (int i = 1; i <= 14; ++i)
            EXPECT_EQ(BitrateKbps(row.version, row.layer, i), row.kbps[std::size_t(i - 1)])
                << int(row.version) << "/" << int(row.layer) << " index " << i;
    }
    const std::pair<MPEGVersion, std::array<int, 3>> rates[] = {
        {MPEGVersion::MPEG1, {44100, 48000, 32000}},
        {MPEGVersion::MPEG2, {22050, 24000, 16000}},
        {MPEGVersion::MPEG25, {11025, 12000, 8000}},
    };
    for (const auto& [version, hz] : rates) {
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(SampleRateHz(version, i), hz[std::size_t(i)]);
        EXPECT_EQ(SampleRateHz(version, 3), 0);
    }
}

TEST(MPEGFrameHeader, RejectsInvalidHeaders)
{
    const std::pair<const char*, QByteArray> cases[] = {
        {"no sync byte", QByteArray("\xFE\xFB\x90\x00", 4)},
        {"second byte below 0xE0", QByteArray("\xFF\xDB\x90\x00", 4)},
        {"reserved version", Header(0xEB, Rate(9, 0))},
        {"reserved layer", Header(0xF9, Rate(9, 0))},
        {"free format bitrate", Header(Mpeg1Layer3, Rate(0, 0))},
        {"bitrate index 15", Header(Mpeg1Layer3, Rate(15, 0))},
        {"reserved sampling rate", Header(Mpeg1Layer3, Rate(9, 3))},
        {"three bytes", QByteArray("\xFF\xFB\x90", 3)},
        {"empty", QByteArray()},
    };
    for (const auto& [name, bytes] : cases)
        EXPECT_FALSE(DecodeFrameHeader(bytes).has_value()) << name;
}

TEST(MPEGFrameHeader, FullParseSetsFlagsQuickParseDoesNot)
{
    // Dual channel, copyright, original, emphasis 50/15; private bit; CRC present.
    const std::uint8_t b1 = Mpeg1Layer3 & 0xFE;
    const std::uint8_t b2 = Rate(9, 0) | 1;
    const std::uint8_t b3 = 2 << 6 | 8 | 4 | 1;
    const QByteArray stream = Repeat(Frame(b1, b2, b3), 3);
    const FileBytes data{stream, 0};

    MP3Info full;
    ASSERT_TRUE(ParseFrameHeader(data, 0, FrameParse::Full, full));
    EXPECT_EQ(full.FirstFrame, 0);
    EXPECT_EQ(full.Version, QStringLiteral("MPEG 1"));
    EXPECT_EQ(full.Layer, QStringLiteral("Layer III"));
    EXPECT_FALSE(full.Protection);
    EXPECT_EQ(full.Bitrate, QStringLiteral("128Kbps"));
    EXPECT_EQ(full.SampleRate, QStringLiteral("44100Hz"));
    EXPECT_EQ(full.FrameLength, 417);
    EXPECT_TRUE(full.Private);
    EXPECT_EQ(full.ChannelMode, QStringLiteral("Dual Channel"));
    EXPECT_TRUE(full.Copyright);
    EXPECT_TRUE(full.Original);
    EXPECT_EQ(full.Emphasis, QStringLiteral("50/15 ms"));

    MP3Info quick;
    ASSERT_TRUE(ParseFrameHeader(data, 0, FrameParse::Quick, quick));
    EXPECT_EQ(quick.Bitrate, full.Bitrate);
    EXPECT_FALSE(quick.Private);
    EXPECT_TRUE(quick.ChannelMode.isEmpty());
    EXPECT_FALSE(quick.Copyright);
    EXPECT_TRUE(quick.Emphasis.isEmpty());

    const std::pair<int, const char*> modes[] = {{0, "Stereo"}, {1, "Joint Stereo"}, {2, "Dual Channel"}, {3, "Single Channel"}};
    const char* emphasis[] = {"None", "50/15 ms", "N/A", "CCIT J.17"};
    for (const auto& [mode, name] : modes) {
        const QByteArray s = Repeat(Frame(Mpeg1Layer3, Rate(9, 0), std::uint8_t(mode << 6 | mode)), 2);
        MP3Info info;
        ASSERT_TRUE(ParseFrameHeader({s, 0}, 0, FrameParse::Full, info));
        EXPECT_EQ(info.ChannelMode, QString::fromLatin1(name));
        EXPECT_EQ(info.Emphasis, QString::fromLatin1(emphasis[mode]));
    }
}

// --- Frame searches ---------------------------------------------------------

TEST(MPEGFrameSearch, LoneSyncIsNotAFrame)
{
    const QByteArray frame = Frame(Mpeg1Layer3, Rate(9, 0));
    // A valid-looking header with no second header one frame length on.
    const QByteArray stream = Header(Mpeg1Layer3, Rate(9, 0)) + QByteArray(500, '\x11') + Repeat(frame, 2);
    const auto found = FindFrame({stream, 0}, 0);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->offset, 504);
}

TEST(MPEGFrameSearch, ForwardSearchLimits)
{
    const QByteArray frames = Repeat(Frame(Mpeg1Layer3, Rate(9, 0)), 2);
    struct Case { const char* name; std::int64_t gap; std::int64_t start; bool found; };
    const Case cases[] = {
        {"at the start", 0, 0, true},
        {"65,536 bytes past the start", FrameSearchSpan, 0, true},
        {"65,537 bytes past the start", FrameSearchSpan + 1, 0, false},
        {"limit counts from the start offset", FrameSearchSpan + 100, 100, true},
        {"start behind the frames", 0, 900, false},
    };
    for (const Case& c : cases) {
        const QByteArray stream = QByteArray(qsizetype(c.gap), '\0') + frames;
        const auto found = FindFrame({stream, 0}, c.start);
        EXPECT_EQ(found.has_value(), c.found) << c.name;
        if (found && c.found) {
            EXPECT_EQ(found->offset, c.gap) << c.name;
        }
    }
    // The confirming header must lie inside the data: a frame whose successor
    // is cut short is not confirmed.
    const QByteArray cut = frames.left(frames.size() / 2 + 3);
    EXPECT_FALSE(FindFrame({cut, 0}, 0).has_value());
}

TEST(MPEGFrameSearch, FindsFramesInAWindowOfTheFile)
{
    const QByteArray stream = QByteArray(1000, '\0') + Repeat(Frame(Mpeg1Layer3, Rate(9, 0)), 3);
    const FileBytes window{QByteArrayView(stream).sliced(900), 900};
    const auto found = FindFrame(window, 950);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->offset, 1000);
    const auto last = FindLastFrame(window);
    ASSERT_TRUE(last.has_value());
    EXPECT_EQ(last->offset, 1000 + 417);
}

TEST(MPEGFrameSearch, LastFrameIsTheOneBeforeTheVeryLast)
{
    const QByteArray frame = Frame(Mpeg1Layer3, Rate(9, 0));
    struct Case { const char* name; QByteArray stream; std::int64_t expected; };
    const Case cases[] = {
        {"four frames", Repeat(frame, 4), 3 * 417 - 417},
        {"four frames and an ID3v1 tag", Repeat(frame, 4) + "TAG" + QByteArray(125, ' '), 2 * 417},
        {"two frames: never the first byte", Repeat(frame, 2), -1},
        {"two frames behind one byte", QByteArray(1, '\0') + Repeat(frame, 2), 1},
        {"frames more than 262,144 bytes back", Repeat(frame, 3) + QByteArray(LastFrameSearchSpan + 10, '\0'), -1},
        {"nothing", QByteArray(300, '\0'), -1},
    };
    for (const Case& c : cases) {
        const auto last = FindLastFrame({c.stream, 0});
        EXPECT_EQ(last ? last->offset : -1, c.expected) << c.name;
    }
}

TEST(MPEGFrameSearch, XingHeaderInsideTheFirstFrameOnly)
{
    const QByteArray xing = XingFrame(Mpeg1Layer3, Rate(9, 0));
    const QByteArray frame = Frame(Mpeg1Layer3, Rate(9, 0));
    const QByteArray late = frame + XingFrame(Mpeg1Layer3, Rate(9, 0));
    EXPECT_TRUE(HasXingHeader({xing + frame, 0}, 0, 417));
    EXPECT_FALSE(HasXingHeader({late, 0}, 0, 417)) << "Xing in the second frame";
    // A 10-byte file: header and "Xing" with one byte behind it is too close to
    // the end; the frame length reaches far past the data.
    const QByteArray tiny = Header(Mpeg1Layer3, Rate(9, 0)) + "Xing" + QByteArray(2, '\0');
    EXPECT_TRUE(HasXingHeader({tiny, 0}, 0, 417));
    EXPECT_FALSE(HasXingHeader({tiny.left(8), 0}, 0, 417));
    EXPECT_FALSE(HasXingHeader({tiny.left(3), 0}, 0, 417));
    EXPECT_FALSE(HasXingHeader({tiny, 0}, 20, 417));
    EXPECT_TRUE(HasInfoHeader({QByteArray(40, '\0') + "Info" + QByteArray(4, '\0'), 0}, 0, 417));
}

// --- Stream description over memory --------------------------------------

TEST(MP3StreamInfo, ConstantBitrateCountsEveryFrame)
{
    // Padded and unpadded frames alternate as an encoder keeps 128 kbit/s at
    // 44.1 kHz; the first one is padded (418 bytes), the mean is 417.96.
    const QByteArray padded = Frame(Mpeg1Layer3, Rate(9, 0, true));
    const QByteArray plain = Frame(Mpeg1Layer3, Rate(9, 0));
    for (const int count : {2, 3, 39, 40, 2000, 11484}) {
        QByteArray stream;
        for (int i = 0; i < count; ++i)
            stream += (i * 1000 / 1045) != ((i + 1) * 1000 / 1045) || i == 0 ? padded : plain;
        const MP3Info info = ReadMP3InfoFromBytes(stream);
        ASSERT_TRUE(info.Found) << count;
        EXPECT_FALSE(info.VBR);
        EXPECT_EQ(info.FrameLength, 418);
        EXPECT_EQ(info.Bitrate, QStringLiteral("128Kbps"));
        EXPECT_EQ(info.MinBitrate, info.Bitrate);
        EXPECT_EQ(info.MaxBitrate, info.Bitrate);
        EXPECT_EQ(info.Frames, count) << count;
        EXPECT_NEAR(info.Duration, count * 1152.0 / 44100, 1e-9);
    }
}

TEST(MP3StreamInfo, InfoFrameDoesNotDescribeTheStream)
{
    // Encoders give the "Info" frame of a constant-bitrate stream the bitrate
    // and mode that fit the tag: here 64 kbit/s stereo before 32 kbit/s joint stereo.
    QByteArray body(32, '\0');
    body += "Info";
    const QByteArray stream = Frame(Mpeg1Layer3, Rate(5, 1), 0, body) + Repeat(Frame(Mpeg1Layer3, Rate(1, 1), 1 << 6), 50);
    const MP3Info info = ReadMP3InfoFromBytes(stream);
    ASSERT_TRUE(info.Found);
    EXPECT_FALSE(info.VBR);
    EXPECT_EQ(info.FirstFrame, 0);
    EXPECT_EQ(info.Bitrate, QStringLiteral("32Kbps"));
    EXPECT_EQ(info.ChannelMode, QStringLiteral("Joint Stereo"));
    EXPECT_EQ(info.FrameLength, 96);
    EXPECT_EQ(info.Frames, 50);
    EXPECT_EQ(ReadMP3InfoFromBytes(stream.left(192 + 50)).Frames, 0) << "an Info frame and no audio";
}

TEST(MP3StreamInfo, PlayTimeFromTheRealDurationRoundedHalfToEven)
{
    struct Case { const char* name; std::uint8_t b1, b2; int frames; std::int64_t seconds; const char* playTime; };
    const Case cases[] = {
        // 1152 samples at 32 kHz: 125 frames are 4.5 s exactly.
        {"4.5 s goes to 4", Mpeg1Layer3, Rate(1, 2), 125, 4, "00:04"},
        {"4.536 s", Mpeg1Layer3, Rate(1, 2), 126, 5, "00:05"},
        // 576 samples at 8 kHz: a frame is 72 ms; 38.5 frames a second would say 2 s.
        {"MPEG 2.5 at 8 kHz, 77 frames", Mpeg25Layer3, Rate(1, 2), 77, 6, "00:06"},
        // 1152 samples at 48 kHz: 24 ms a frame, 2500 frames are 60 s.
        {"one minute", Mpeg1Layer3, Rate(1, 1), 2500, 60, "01:00"},
    };
    for (const Case& c : cases) {
        const MP3Info info = ReadMP3InfoFromBytes(Repeat(Frame(c.b1, c.b2), c.frames));
        EXPECT_EQ(info.Frames, c.frames) << c.name;
        EXPECT_EQ(info.Seconds, c.seconds) << c.name;
        EXPECT_EQ(info.PlayTime, QString::fromLatin1(c.playTime)) << c.name;
    }
}

TEST(MP3StreamInfo, PlayTimeText)
{
    const std::pair<std::int64_t, const char*> cases[] = {
        {0, "00:00"}, {59, "00:59"}, {60, "01:00"}, {3725, "62:05"}, {6000, "100:00"}, {-3, "00:00"},
    };
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(PlayTime(seconds), QString::fromLatin1(text)) << seconds;
}

TEST(MP3StreamInfo, VariableBitrateWalk)
{
    struct Case {
        const char* name;
        std::vector<int> bitrateIndexes; // MPEG 1 Layer III at 44.1 kHz
        const char* average; const char* lowest; const char* highest;
        int frameLength;
    };
    const Case cases[] = {
        // 32, 64, 128, 64 kbit/s: mean 72; lengths 104 + 208 + 417 + 208.
        {"four frames", {1, 5, 9, 5}, "72Kbps", "32Kbps", "128Kbps", (104 + 208 + 417 + 208) / 4},
        // Fifteen at 32 and one at 40: 32.5 goes to the even 32.
        {"half to even, down", {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2}, "32Kbps", "32Kbps", "40Kbps", (15 * 104 + 130) / 16},
        // Thirteen at 32 and three at 40: 33.5 goes to 34.
        {"half to even, up", {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2}, "34Kbps", "32Kbps", "40Kbps", (13 * 104 + 3 * 130) / 16},
        {"one frame", {14}, "320Kbps", "320Kbps", "320Kbps", 1044},
    };
    for (const Case& c : cases) {
        // The Xing frame's own bitrate (here 192 kbit/s) is not the stream's.
        QByteArray stream = XingFrame(Mpeg1Layer3, Rate(11, 0), 0xFFFFFFFF);
        for (const int index : c.bitrateIndexes)
            stream += Frame(Mpeg1Layer3, Rate(index, 0));
        const MP3Info info = ReadMP3InfoFromBytes(stream);
        ASSERT_TRUE(info.Found) << c.name;
        EXPECT_TRUE(info.VBR) << c.name;
        EXPECT_EQ(info.Bitrate, QString::fromLatin1(c.average)) << c.name;
        EXPECT_EQ(info.MinBitrate, QString::fromLatin1(c.lowest)) << c.name;
        EXPECT_EQ(info.MaxBitrate, QString::fromLatin1(c.highest)) << c.name;
        EXPECT_EQ(info.FrameLength, c.frameLength) << c.name;
        EXPECT_EQ(info.Frames, qsizetype(c.bitrateIndexes.size())) << c.name;
    }
}

TEST(MP3StreamInfo, VariableBitrateWalkResynchronisesAndEnds)
{
    const QByteArray xing = XingFrame(Mpeg1Layer3, Rate(9, 0));
    const QByteArray frame = Frame(Mpeg1Layer3, Rate(5, 0));
    // Garbage between frames is searched through, the frame before it counts
    // (the frame before that announced it); a truncated last frame does not.
    const QByteArray stream = xing + Repeat(frame, 3) + QByteArray(700, '\x22') + Repeat(frame, 4) + frame.left(100);
    const MP3Info info = ReadMP3InfoFromBytes(stream);
    ASSERT_TRUE(info.VBR);
    EXPECT_EQ(info.Frames, 7);
    EXPECT_EQ(info.Bitrate, QStringLiteral("64Kbps"));
}

TEST(MP3StreamInfo, LeadingID3v2TagIsSkipped)
{
    const QByteArray frames = Repeat(Frame(Mpeg1Layer3, Rate(9, 0)), 40);
    struct Case { const char* name; QByteArray head; std::int64_t firstFrame; };
    const Case cases[] = {
        {"small tag", ID3v2Tag(2000), 2010},
        {"tag larger than the search span", ID3v2Tag(300000), 300010},
        {"tag with footer", ID3v2Tag(100000, true), 100020},
        // Only version 2.4.0 has footers; the flag means nothing in 2.3.0.
        {"2.3.0 tag with the footer flag", ID3v2Tag(2000).replace(5, 1, "\x10"), 2010},
        {"two tags", ID3v2Tag(70000) + ID3v2Tag(70000), 140020},
        {"tag behind three bytes", QByteArray("abc") + ID3v2Tag(70000), 70013},
        {"no tag", QByteArray(), 0},
    };
    for (const Case& c : cases) {
        const MP3Info info = ReadMP3InfoFromBytes(c.head + frames);
        ASSERT_TRUE(info.Found) << c.name;
        EXPECT_EQ(info.FirstFrame, c.firstFrame) << c.name;
        EXPECT_EQ(info.Frames, 40) << c.name;
    }
}

TEST(MP3StreamInfo, WrongTagSizeFallsBackToTheStartOfTheFile)
{
    // The header claims more bytes than the file holds.
    QByteArray tag = ID3v2Tag(50);
    tag[6] = 0x7F;
    const MP3Info info = ReadMP3InfoFromBytes(tag + Repeat(Frame(Mpeg1Layer3, Rate(9, 0)), 5));
    ASSERT_TRUE(info.Found);
    EXPECT_EQ(info.FirstFrame, 60);
}

TEST(MP3StreamInfo, BadInputGivesNoFrameOrABoundedResult)
{
    const QByteArray frame = Frame(Mpeg1Layer3, Rate(9, 0));
    const QByteArray vbr = XingFrame(Mpeg1Layer3, Rate(9, 0), 0) + Repeat(Frame(Mpeg1Layer3, Rate(5, 0)), 20);
    struct Case { const char* name; QByteArray bytes; bool found; };
    const Case cases[] = {
        {"empty", QByteArray(), false},
        {"three bytes", QByteArray("\xFF\xFB\x90", 3), false},
        {"one header", Header(Mpeg1Layer3, Rate(9, 0)), false},
        {"one whole frame", frame, false},
        {"Xing header in a 10-byte file", Header(Mpeg1Layer3, Rate(9, 0)) + "Xing" + QByteArray(2, '\0'), false},
        {"frame and a header", frame + Header(Mpeg1Layer3, Rate(9, 0)), true},
        {"variable bitrate cut in half", vbr.left(vbr.size() / 2), true},
        {"variable bitrate cut inside the Xing frame", vbr.left(300), false},
        {"tag size past the end", QByteArray("ID3\x03\x00\x00\x7F\x7F\x7F\x7F", 10), false},
        {"tag header only", QByteArray("ID3\x03\x00\x00\x00\x00\x00\x00", 10), false},
        {"all 0xFF", QByteArray(5000, '\xFF'), false},
    };
    for (const Case& c : cases) {
        const MP3Info info = ReadMP3InfoFromBytes(c.bytes);
        EXPECT_EQ(info.Found, c.found) << c.name;
        EXPECT_EQ(info.ErrorCode, 0) << c.name;
        EXPECT_EQ(info.FileLength, c.bytes.size()) << c.name;
        if (!info.Found) {
            EXPECT_EQ(info.FirstFrame, -1) << c.name;
            EXPECT_EQ(info.FrameLength, -1) << c.name;
        } else {
            EXPECT_GE(info.Frames, 0) << c.name;
            EXPECT_LE(info.Frames, c.bytes.size() / 24) << c.name;
        }
    }
}

// --- Files ------------------------------------------------------------------

TEST(MP3InfoFiles, MissingFileGivesCode53AndIsNotCreated)
{
    TempDir dir;
    const QString path = dir.file(QStringLiteral("missing.mp3"));
    const MP3Info info = ReadMP3Info(path);
    EXPECT_EQ(info.ErrorCode, 53);
    EXPECT_FALSE(info.Found);
    EXPECT_EQ(info.FirstFrame, -1);
    EXPECT_EQ(info.FrameLength, -1);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_FALSE(IsValidMP3(path));

    const MP3Info folder = ReadMP3Info(dir.path());
    EXPECT_NE(folder.ErrorCode, 0);
    EXPECT_FALSE(folder.Found);
}

TEST(MP3InfoFiles, FixturesAgreeWithFfprobe)
{
    const std::vector<ProbeRow> rows = ProbeRows();
    ASSERT_GE(rows.size(), 14u);
    for (const ProbeRow& row : rows) {
        const std::string name = row.file.toStdString();
        const MP3Info info = ReadMP3Info(FixturePath(row.file));
        ASSERT_TRUE(info.Found) << name;
        EXPECT_EQ(info.ErrorCode, 0) << name;
        EXPECT_EQ(info.Version, row.version) << name;
        EXPECT_EQ(info.Layer, row.layer) << name;
        EXPECT_EQ(info.SampleRate, QString::number(row.sampleRate) + QStringLiteral("Hz")) << name;
        EXPECT_EQ(info.ChannelMode, row.channelMode) << name;
        EXPECT_EQ(info.VBR, row.vbr) << name;
        EXPECT_EQ(info.Frames, row.frames) << name;
        const double frame = double(SamplesOf(row)) / row.sampleRate;
        EXPECT_NEAR(info.Duration, row.duration, frame) << name;
        EXPECT_EQ(info.Seconds, std::int64_t(std::lround(info.Duration))) << name;
        if (row.vbr) {
            EXPECT_LT(KbpsOf(info.MinBitrate), KbpsOf(info.MaxBitrate)) << name;
            EXPECT_NEAR(KbpsOf(info.Bitrate), row.bitrate, row.bitrate * 0.1) << name;
        } else {
            EXPECT_EQ(KbpsOf(info.Bitrate), row.bitrate) << name;
            EXPECT_EQ(info.MinBitrate, info.Bitrate) << name;
        }
    }
}

TEST(MP3InfoFiles, ConstantBitrateFileIsReadInTwoShortSearches)
{
    // 3 GiB, sparse: two frames at the start, three at the end, zeros between.
    // Reading it whole would take minutes; sizes and counts need 64 bits.
    TempDir dir;
    const std::string path = dir.file(QStringLiteral("big.mp3")).toStdString();
    const QByteArray frame = Frame(Mpeg1Layer3, Rate(9, 1)); // 128 kbit/s, 48 kHz: 384 bytes
    ASSERT_EQ(frame.size(), 384);
    const std::int64_t tail = std::int64_t(384) * 8388608;
    {
        std::ofstream out(path, std::ios::binary);
        out.write(Repeat(frame, 2).constData(), 768);
        out.seekp(std::streamoff(tail));
        out.write(Repeat(frame, 3).constData(), 3 * 384);
        ASSERT_TRUE(out.good());
    }
    const MP3Info info = ReadMP3Info(dir.file(QStringLiteral("big.mp3")));
    ASSERT_TRUE(info.Found);
    EXPECT_EQ(info.FileLength, tail + 3 * 384);
    EXPECT_EQ(info.Frames, 8388608 + 3);
    EXPECT_EQ(info.Seconds, 201327);
    EXPECT_EQ(info.PlayTime, QStringLiteral("3355:27"));
}

TEST(MP3InfoFiles, LargeCoverArtTagAgreesWithFfprobe)
{
    TempDir dir;
    const QString source = FixturePath(QStringLiteral("mpeg1_l3_vbr_44100_joint.mp3"));
    const QString path = dir.file(QStringLiteral("tagged.mp3"));
    const QByteArray audio = ReadBytes(source.toStdString());
    const QByteArray tag = ID3v2Tag(400000);
    WriteBytes(path.toStdString(), tag + audio);

    const MP3Info plain = ReadMP3Info(source);
    const MP3Info info = ReadMP3Info(path);
    ASSERT_TRUE(info.Found);
    EXPECT_EQ(info.FirstFrame, tag.size());
    EXPECT_EQ(info.Frames, plain.Frames);
    EXPECT_EQ(info.Bitrate, plain.Bitrate);
    EXPECT_TRUE(IsValidMP3(path));
    if (!HaveFfprobe())
        GTEST_SKIP() << "ffprobe is not installed";
    const auto [duration, frames] = LiveProbe(path);
    EXPECT_EQ(info.Frames, frames);
    EXPECT_NEAR(info.Duration, duration, 1152.0 / 44100);
}

TEST(MP3InfoFiles, CoverArtWrittenByMutagenIsSkipped)
{
    const QString python = QStringLiteral("/usr/bin/python3");
    if (!QFile::exists(python))
        GTEST_SKIP() << "python3 is not installed";
    TempDir dir;
    const QString source = FixturePath(QStringLiteral("mpeg1_l3_cbr_44100_joint.mp3"));
    const QString path = dir.file(QStringLiteral("cover.mp3"));
    WriteBytes(path.toStdString(), ReadBytes(source.toStdString()));
    // A 300 KB picture in an ID3v2.4 tag; the script prints the tag's whole size.
    const QString script = QStringLiteral(
        "import sys, random\n"
        "try:\n"
        "    from mutagen.id3 import ID3, APIC, TIT2\n"
        "except ImportError:\n"
        "    sys.exit(3)\n"
        "random.seed(7)\n"
        "tag = ID3()\n"
        "tag.add(TIT2(encoding=3, text='cover'))\n"
        "tag.add(APIC(encoding=0, mime='image/jpeg', type=3, desc='', data=bytes(random.getrandbits(8) for _ in range(300000))))\n"
        "tag.save(sys.argv[1], v2_version=4)\n"
        "print(ID3(sys.argv[1]).size)\n");
    QProcess run;
    run.start(python, {QStringLiteral("-c"), script, path});
    ASSERT_TRUE(run.waitForFinished(60000));
    if (run.exitCode() == 3)
        GTEST_SKIP() << "mutagen is not installed";
    ASSERT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();
    const std::int64_t tagSize = QString::fromUtf8(run.readAllStandardOutput()).trimmed().toLongLong();
    ASSERT_GT(tagSize, 300000);

    const MP3Info plain = ReadMP3Info(source);
    const MP3Info info = ReadMP3Info(path);
    ASSERT_TRUE(info.Found);
    EXPECT_EQ(info.FirstFrame, tagSize);
    EXPECT_EQ(info.Frames, plain.Frames);
    EXPECT_EQ(info.PlayTime, plain.PlayTime);
    EXPECT_TRUE(IsValidMP3(path));
}

TEST(MP3InfoFiles, LiveFfprobeAgreesOnEveryFixture)
{
    if (!HaveFfprobe())
        GTEST_SKIP() << "ffprobe is not installed";
    for (const ProbeRow& row : ProbeRows()) {
        const auto [duration, frames] = LiveProbe(FixturePath(row.file));
        const MP3Info info = ReadMP3Info(FixturePath(row.file));
        EXPECT_EQ(info.Frames, frames) << row.file.toStdString();
        EXPECT_NEAR(info.Duration, duration, double(SamplesOf(row)) / row.sampleRate) << row.file.toStdString();
    }
}

TEST(MP3InfoFiles, IsValidMP3)
{
    TempDir dir;
    const QByteArray audio = ReadBytes(FixturePath(QStringLiteral("mpeg2_l3_cbr_22050_mono.mp3")).toStdString());
    struct Case { const char* name; QByteArray bytes; bool valid; };
    const Case cases[] = {
        {"song.mp3", audio, true},
        {"SONG.MP3", audio, true},
        {"song.Mp3", audio, true},
        {"song.mp2", audio, false},
        {"song.mp3.txt", audio, false},
        {"song", audio, false},
        {"tagged.mp3", ID3v2Tag(100000) + audio, true},
        {"text.mp3", QByteArray(4000, 'a'), false},
        {"empty.mp3", QByteArray(), false},
    };
    for (const Case& c : cases) {
        const QString path = dir.file(QString::fromLatin1(c.name));
        WriteBytes(path.toStdString(), c.bytes);
        EXPECT_EQ(IsValidMP3(path), c.valid) << c.name;
    }
}
