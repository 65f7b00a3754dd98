#include "metadata/ID3v1.h"

#include "Id3TestSupport.h"
#include "TestSupport.h"

#include <QJsonObject>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quelt {
namespace {

using test::FileContents;
using test::SetFileContents;

// A 128-byte tag block with fields placed at their offsets; the rest is `fill`.
struct BlockSpec {
    QByteArray title, artist, album, year, comment;
    int byte125 = -1; // -1: leave the comment's bytes there
    int byte126 = -1;
    std::uint8_t genre = 255;
    char fill = '\0';
};

QByteArray Block(const BlockSpec& s)
{
    QByteArray b(ID3v1Size, s.fill);
    b.replace(0, 3, "TAG");
    auto put = [&](int at, const QByteArray& v) { b.replace(at, v.size(), v); };
    put(3, s.title);
    put(33, s.artist);
    put(63, s.album);
    put(93, s.year);
    put(97, s.comment);
    if (s.byte125 >= 0)
        b[125] = char(s.byte125);
    if (s.byte126 >= 0)
        b[126] = char(s.byte126);
    b[127] = char(s.genre);
    return b;
}

TEST(GenreList, NamesByNumber)
{
    struct Row {
        int number;
        const char* name;
    };
    const Row rows[] = {
        {0, "Blues"}, {12, "Other"}, {17, "Rock"}, {67, "Psychadelic"}, {78, "Rock & Roll"},
        {79, "Hard Rock"}, {80, "Folk"}, {93, "Psychedelic Rock"}, {118, "Rhytmic Soul"},
        {136, "Christian Gangsta"}, {140, "Contemporary C"}, {147, "SynthPop"},
        {148, ""}, {200, ""}, {255, ""},
    };
    for (const Row& r : rows)
        EXPECT_EQ(GenreList()[std::size_t(r.number)], QLatin1String(r.name)) << "genre " << r.number;
    int named = 0;
    for (const QString& name : GenreList())
        named += name.isEmpty() ? 0 : 1;
    EXPECT_EQ(named, LastGenre + 1);
}

TEST(GenreList, FillRestoresTheNames)
{
    FillGenreList();
    EXPECT_EQ(GenreList()[17], QStringLiteral("Rock"));
    EXPECT_TRUE(GenreList()[148].isEmpty());
}

TEST(GenreIndexOf, FindsNamesTrimmedAndWithoutCase)
{
    struct Row {
        const char* text;
        int expected;
    };
    const Row rows[] = {
        {"  rock  ", 17}, {"Rock & Roll", 78}, {"synthpop", 147}, {"SYNTHPOP", 147},
        {"Blues", 0}, {"Psychadelic", 67}, {"Polka music", 255}, {"", 255}, {"(17)", 255},
    };
    for (const Row& r : rows)
        EXPECT_EQ(GenreIndexOf(QString::fromUtf8(r.text)), r.expected) << '"' << r.text << '"';
}

TEST(ParseID3v1, Layouts)
{
    struct Row {
        const char* name;
        BlockSpec block;
        const char* version;
        int track;
        const char* comment;
    };
    const Row rows[] = {
        {"v1.1 with track", {"Song", "", "", "", "Hello", 0, 7, 17}, "ID3v1.1", 7, "Hello"},
        {"v1.1 comment is 28 bytes", {"", "", "", "", "abcdefghijklmnopqrstuvwxyz12", 0, 9, 1},
         "ID3v1.1", 9, "abcdefghijklmnopqrstuvwxyz12"},
        {"v1 when byte 125 is not 0", {"", "", "", "", "abcdefghijklmnopqrstuvwxyz12", 'x', 'y', 1},
         "ID3v1", 0, "abcdefghijklmnopqrstuvwxyz12xy"},
        {"space padded v1", {"Song", "", "", "", "", -1, -1, 255, ' '}, "ID3v1", 0, ""},
    };
    for (const Row& r : rows) {
        const ID3v1Tag tag = ParseID3v1(Block(r.block));
        ASSERT_TRUE(tag.present) << r.name;
        EXPECT_EQ(tag.version, QLatin1String(r.version)) << r.name;
        EXPECT_EQ(tag.track, r.track) << r.name;
        EXPECT_EQ(tag.comment, QLatin1String(r.comment)) << r.name;
    }
}

TEST(ParseID3v1, NulAndSpacePaddingReadAlike)
{
    BlockSpec block{"Title", "Artist", "Album", "2001", "Note", 0, 3, 17};
    const ID3v1Tag nul = ParseID3v1(Block(block));
    block.fill = ' ';
    const ID3v1Tag spaces = ParseID3v1(Block(block));
    for (const ID3v1Tag* tag : {&nul, &spaces}) {
        EXPECT_EQ(tag->title, QStringLiteral("Title"));
        EXPECT_EQ(tag->artist, QStringLiteral("Artist"));
        EXPECT_EQ(tag->album, QStringLiteral("Album"));
        EXPECT_EQ(tag->year, QStringLiteral("2001"));
        EXPECT_EQ(tag->comment, QStringLiteral("Note"));
        EXPECT_EQ(tag->genre, 17);
        EXPECT_EQ(tag->genreName, QStringLiteral("Rock"));
    }
}

TEST(ParseID3v1, TextsAreLatin1AndGenresOutsideTheListHaveNoName)
{
    const ID3v1Tag tag = ParseID3v1(Block({"Caf\xE9 \xFF", "", "", "", "", 0, 0, 200}));
    EXPECT_EQ(tag.title, QStringLiteral(u"Café ÿ"));
    EXPECT_EQ(tag.genre, 200);
    EXPECT_TRUE(tag.genreName.isEmpty());
}

TEST(ParseID3v1, TagOnlyExactly128BytesBeforeTheEnd)
{
    const QByteArray block = Block({"Song", "", "", "", "", 0, 1, 1});
    struct Row {
        const char* name;
        QByteArray bytes;
        bool present;
    };
    // A comment in capitals holding "TAG" near the end would meet a backward search
    // before the real header.
    const QByteArray tagInComment = Block({"Real", "", "", "", "SEE TAG HERE TAGS", 0, 1, 1});
    const Row rows[] = {
        {"block alone", block, true},
        {"after audio", QByteArray(500, 'a') + block, true},
        {"one byte behind it", block + 'x', false},
        {"127 bytes", block.left(127), false},
        {"TAG in a comment", QByteArray(300, 'a') + tagInComment, true},
        {"TAG near the end only", QByteArray(300, 'a') + "TAG" + QByteArray(60, 'b'), false},
        {"empty", QByteArray(), false},
    };
    for (const Row& r : rows) {
        const ID3v1Tag tag = ParseID3v1(r.bytes);
        EXPECT_EQ(tag.present, r.present) << r.name;
        if (r.present) {
            EXPECT_EQ(tag.headerOffset, r.bytes.size() - ID3v1Size) << r.name;
        }
    }
    EXPECT_EQ(ParseID3v1(QByteArray(300, 'a') + tagInComment).title, QStringLiteral("Real"));
}

TEST(FormatID3v1, CutsPadsAndWritesTheV11Layout)
{
    ID3v1Tag tag;
    tag.title = QString(31, u'T');
    tag.artist = QStringLiteral(u"Ωmega");
    tag.year = QStringLiteral("199999");
    tag.comment = QString(30, u'c');
    tag.track = 12;
    tag.genre = 200;
    const QByteArray b = FormatID3v1(tag);
    ASSERT_EQ(b.size(), ID3v1Size);
    EXPECT_EQ(b.left(3), "TAG");
    EXPECT_EQ(b.mid(3, 30), QByteArray(30, 'T'));
    EXPECT_EQ(b.mid(33, 30), QByteArray("?mega") + QByteArray(25, ' '));
    EXPECT_EQ(b.mid(63, 30), QByteArray(30, ' '));
    EXPECT_EQ(b.mid(93, 4), "1999");
    EXPECT_EQ(b.mid(97, 28), QByteArray(28, 'c'));
    EXPECT_EQ(b[125], '\0');
    EXPECT_EQ(b[126], char(12));
    EXPECT_EQ(std::uint8_t(b[127]), 255);
}

class ID3v1File : public ::testing::Test {
protected:
    test::TempDir dir;
    QString song = dir.file(QStringLiteral("song.mp3"));
    QByteArray audio = FileContents(test::Id3Fixture(QStringLiteral("audio.mp3")));
    void SetUp() override
    {
        ASSERT_FALSE(audio.isEmpty());
        SetFileContents(song, audio);
    }
};

TEST_F(ID3v1File, MissingFile)
{
    const QString missing = dir.file(QStringLiteral("none.mp3"));
    const ID3v1Tag tag = ReadID3v1(missing);
    EXPECT_FALSE(tag.present);
    EXPECT_EQ(tag.path, missing);
    EXPECT_EQ(tag.headerOffset, -1);
    EXPECT_EQ(WriteID3v1(missing, tag), 53);
}

TEST_F(ID3v1File, WriteAppendsThenOverwritesAndMutagenReadsIt)
{
    ID3v1Tag tag;
    tag.title = QStringLiteral(u"Ça été");
    tag.artist = QStringLiteral("Artist");
    tag.album = QStringLiteral("Album");
    tag.year = QStringLiteral("2020");
    tag.comment = QStringLiteral("Comment");
    tag.track = 5;
    tag.genre = 17;
    ASSERT_EQ(WriteID3v1(song, tag), 0);
    QByteArray bytes = FileContents(song);
    ASSERT_EQ(bytes.size(), audio.size() + ID3v1Size);
    EXPECT_EQ(bytes.left(audio.size()), audio);

    tag.title = QStringLiteral("Second");
    tag.genre = 200;
    ASSERT_EQ(WriteID3v1(song, tag), 0);
    bytes = FileContents(song);
    EXPECT_EQ(bytes.size(), audio.size() + ID3v1Size);
    EXPECT_EQ(bytes.left(audio.size()), audio);

    const ID3v1Tag back = ReadID3v1(song);
    EXPECT_TRUE(back.present);
    EXPECT_EQ(back.headerOffset, audio.size());
    EXPECT_EQ(back.version, QStringLiteral("ID3v1.1"));
    EXPECT_EQ(back.title, QStringLiteral("Second"));
    EXPECT_EQ(back.genre, 255);

    tag.title = QStringLiteral(u"Ça été");
    ASSERT_EQ(WriteID3v1(song, tag), 0);
    const QJsonObject v1 = test::MutagenDump(song).value(QStringLiteral("v1")).toObject();
    EXPECT_EQ(v1.value(QStringLiteral("title")).toString(), QStringLiteral(u"Ça été"));
    EXPECT_EQ(v1.value(QStringLiteral("artist")).toString(), QStringLiteral("Artist"));
    EXPECT_EQ(v1.value(QStringLiteral("album")).toString(), QStringLiteral("Album"));
    EXPECT_EQ(v1.value(QStringLiteral("year")).toString(), QStringLiteral("2020"));
    EXPECT_EQ(v1.value(QStringLiteral("comment")).toString(), QStringLiteral("Comment"));
    EXPECT_EQ(v1.value(QStringLiteral("track")).toInt(), 5);
    EXPECT_EQ(v1.value(QStringLiteral("genre")).toInt(), 255);
}

TEST_F(ID3v1File, ClearedTagIsWrittenBlank)
{
    ID3v1Tag tag = ReadID3v1(test::Id3Fixture(QStringLiteral("v11_eyed3.mp3")));
    ASSERT_TRUE(tag.present);
    SetFileContents(song, FileContents(tag.path));
    ClearID3v1(tag);
    ASSERT_EQ(WriteID3v1(song, tag), 0);
    const ID3v1Tag back = ReadID3v1(song);
    EXPECT_TRUE(back.present);
    EXPECT_EQ(back.title + back.artist + back.album + back.year + back.comment, QString());
    EXPECT_EQ(back.track, 0);
    EXPECT_EQ(back.genre, 255);
    EXPECT_EQ(FileContents(song).size(), audio.size() + ID3v1Size);
}

TEST_F(ID3v1File, ReadOnlyFileIsRefused)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may write read-only files";
    ::chmod(song.toLocal8Bit().constData(), 0444);
    EXPECT_EQ(WriteID3v1(song, ID3v1Tag{}), 70);
    EXPECT_EQ(FileContents(song), audio);
}

TEST(ID3v1Fixtures, ReadWhatTheToolsWrote)
{
    struct Row {
        const char* file;
        const char* version;
        const char* title;
        const char* artist;
        const char* year;
        const char* comment;
        int track;
        int genre;
    };
    const Row rows[] = {
        {"v11_eyed3.mp3", "ID3v1.1", "Eyed3 Title", "Eyed3 Artist", "2001", "Short comment", 11, 17},
        {"v10.mp3", "ID3v1", "V1.0 Song", "", "", "A comment of thirty chars. xyz", 0, 8},
        {"v24_appended.mp3", "ID3v1.1", "V1 title", "", "", "", 4, 255},
    };
    for (const Row& r : rows) {
        const QString path = test::Id3Fixture(QLatin1String(r.file));
        const ID3v1Tag tag = ReadID3v1(path);
        ASSERT_TRUE(tag.present) << r.file;
        EXPECT_EQ(tag.headerOffset, FileContents(path).size() - ID3v1Size) << r.file;
        EXPECT_EQ(tag.version, QLatin1String(r.version)) << r.file;
        EXPECT_EQ(tag.title, QLatin1String(r.title)) << r.file;
        EXPECT_EQ(tag.artist, QLatin1String(r.artist)) << r.file;
        EXPECT_EQ(tag.year, QLatin1String(r.year)) << r.file;
        EXPECT_EQ(tag.comment, QLatin1String(r.comment)) << r.file;
        EXPECT_EQ(tag.track, r.track) << r.file;
        EXPECT_EQ(tag.genre, r.genre) << r.file;
    }
    EXPECT_EQ(ReadID3v1(test::Id3Fixture(QStringLiteral("v11_eyed3.mp3"))).genreName, QStringLiteral("Rock"));
    EXPECT_FALSE(ReadID3v1(test::Id3Fixture(QStringLiteral("audio.mp3"))).present);
}

} // namespace
} // namespace quelt
