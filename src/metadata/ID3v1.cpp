#include "metadata/ID3v1.h"

#include "metadata/General.h"
#include "platform/ItemFile.h"

namespace quelt {
namespace {

using platform::ItemFile;

// The 80 genres of the ID3v1 standard and the 68 extension genres, by number.
constexpr const char* GenreNames[LastGenre + 1] = {
    "Blues", "Classic Rock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip-Hop",
    "Jazz", "Metal", "New Age", "Oldies", "Other", "Pop", "R&B", "Rap",
    "Reggae", "Rock", "Techno", "Industrial", "Alternative", "Ska", "Death Metal", "Pranks",
    "Soundtrack", "Euro-Techno", "Ambient", "Trip-Hop", "Vocal", "Jazz+Funk", "Fusion", "Trance",
    "Classical", "Instrumental", "Acid", "House", "Game", "Sound Clip", "Gospel", "Noise",
    "Alternative Rock", "Bass", "Soul", "Punk", "Space", "Meditative", "Instrumental Pop",
    "Instrumental Rock", "Ethnic", "Gothic", "Darkwave", "Techno-Industrial", "Electronic",
    "Pop-Folk", "Eurodance", "Dream", "Southern Rock", "Comedy", "Cult", "Gangsta", "Top 40",
    "Christian Rap", "Pop/Funk", "Jungle", "Native US", "Cabaret", "New Wave", "Psychadelic",
    "Rave", "Showtunes", "Trailer", "Lo-Fi", "Tribal", "Acid Punk", "Acid Jazz", "Polka",
    "Retro", "Musical", "Rock & Roll", "Hard Rock",
    // Extension genres, 80 onwards.
    "Folk", "Folk-Rock", "National Folk", "Swing", "Fast Fusion", "Bebob", "Latin", "Revival",
    "Celtic", "Bluegrass", "Avantgarde", "Gothic Rock", "Progressive Rock", "Psychedelic Rock",
    "Symphonic Rock", "Slow Rock", "Big Band", "Chorus", "Easy Listening", "Acoustic", "Humour",
    "Speech", "Chanson", "Opera", "Chamber Music", "Sonata", "Symphony", "Booty Bass", "Primus",
    "Porn Groove", "Satire", "Slow Jam", "Club", "Tango", "Samba", "Folklore", "Ballad",
    "Power Ballad", "Rhytmic Soul", "Freestyle", "Duet", "Punk Rock", "Drum Solo", "Acapella",
    "Euro-House", "Dance Hall", "Goa", "Drum & Bass", "Club-House", "Hardcore", "Terror",
    "Indie", "BritPop", "Negerpunk", "Polsk Punk", "Beat", "Christian Gangsta", "Heavy Metal",
    "Black Metal", "Crossover", "Contemporary C", "Christian Rock", "Merengue", "Salsa",
    "Thrash Metal", "Anime", "JPop", "SynthPop",
};

// Field layout, offsets from the "T" of "TAG".
struct Field {
    int offset;
    int length;
};
constexpr Field TitleField{3, 30};
constexpr Field ArtistField{33, 30};
constexpr Field AlbumField{63, 30};
constexpr Field YearField{93, 4};
constexpr Field CommentField{97, 30};
constexpr Field ShortCommentField{97, 28};
constexpr int TrackMarkerOffset = 125;
constexpr int TrackOffset = 126;
constexpr int GenreOffset = 127;
constexpr QByteArrayView HeaderBytes("TAG");

GenreTable& MutableGenreList()
{
    static GenreTable table = [] {
        GenreTable t;
        for (int i = 0; i <= LastGenre; ++i)
            t[i] = QString::fromLatin1(GenreNames[i]);
        return t;
    }();
    return table;
}

QString ReadField(QByteArrayView block, Field field)
{
    return BytesToText(block.sliced(field.offset, field.length));
}

void PutField(QByteArray& block, Field field, const QString& text)
{
    const QByteArray bytes = text.toLatin1().left(field.length);
    block.replace(field.offset, bytes.size(), bytes);
}

// The file's last 128 bytes, or fewer when it is shorter; empty when it cannot be read.
QByteArray ReadFileEnd(ItemFile& file, std::int64_t size)
{
    if (size < ID3v1Size)
        return file.read(0, size);
    return file.read(size - ID3v1Size, ID3v1Size);
}

bool HoldsTag(QByteArrayView end)
{
    return end.size() == ID3v1Size && end.startsWith(HeaderBytes);
}

} // namespace

const GenreTable& GenreList()
{
    return MutableGenreList();
}

void FillGenreList()
{
    GenreTable& table = MutableGenreList();
    for (int i = 0; i < int(table.size()); ++i)
        table[i] = i <= LastGenre ? QString::fromLatin1(GenreNames[i]) : QString();
}

std::uint8_t GenreIndexOf(const QString& name)
{
    const QString wanted = name.trimmed();
    const GenreTable& table = GenreList();
    for (int i = 0; i <= LastGenre; ++i) {
        if (table[i].trimmed().compare(wanted, Qt::CaseInsensitive) == 0)
            return std::uint8_t(i);
    }
    return NoGenre;
}

ID3v1Tag ParseID3v1(QByteArrayView fileEnd)
{
    ID3v1Tag tag;
    // The standard places the tag exactly 128 bytes before the end; "TAG" anywhere
    // else (in the audio, or in a comment written in capitals) is not a header.
    if (fileEnd.size() < ID3v1Size)
        return tag;
    const QByteArrayView block = fileEnd.last(ID3v1Size);
    if (!HoldsTag(block))
        return tag;
    tag.present = true;
    tag.headerOffset = fileEnd.size() - ID3v1Size;
    tag.title = ReadField(block, TitleField);
    tag.artist = ReadField(block, ArtistField);
    tag.album = ReadField(block, AlbumField);
    tag.year = ReadField(block, YearField);
    if (block[TrackMarkerOffset] != '\0') {
        tag.version = QStringLiteral("ID3v1");
        tag.comment = ReadField(block, CommentField);
    } else {
        tag.version = QStringLiteral("ID3v1.1");
        tag.comment = ReadField(block, ShortCommentField);
        tag.track = std::uint8_t(block[TrackOffset]);
    }
    tag.genre = std::uint8_t(block[GenreOffset]);
    tag.genreName = GenreList()[tag.genre];
    return tag;
}

QByteArray FormatID3v1(const ID3v1Tag& tag)
{
    QByteArray block(ID3v1Size, ' ');
    block.replace(0, HeaderBytes.size(), HeaderBytes.toByteArray());
    PutField(block, TitleField, tag.title);
    PutField(block, ArtistField, tag.artist);
    PutField(block, AlbumField, tag.album);
    PutField(block, YearField, tag.year);
    PutField(block, ShortCommentField, tag.comment);
    block[TrackMarkerOffset] = '\0';
    block[TrackOffset] = char(tag.track);
    block[GenreOffset] = char(tag.genre > LastGenre ? NoGenre : tag.genre);
    return block;
}

ID3v1Tag ReadID3v1(const QString& path)
{
    ItemFile file;
    ID3v1Tag empty;
    empty.path = path;
    if (!file.open(path))
        return empty;
    const std::int64_t size = file.size();
    if (size < ID3v1Size)
        return empty;
    const QByteArray end = ReadFileEnd(file, size);
    if (end.size() != ID3v1Size)
        return empty;
    ID3v1Tag tag = ParseID3v1(end);
    tag.path = path;
    if (tag.present)
        tag.headerOffset = size - ID3v1Size;
    return tag;
}

int WriteID3v1(const QString& path, const ID3v1Tag& tag)
{
    ItemFile file;
    if (!file.open(path, ItemFile::Mode::ReadWrite))
        return file.error();
    const std::int64_t size = file.size();
    if (size < 0)
        return 57;
    const QByteArray end = ReadFileEnd(file, size);
    if (end.size() != std::min<std::int64_t>(size, ID3v1Size))
        return 57;
    const std::int64_t at = HoldsTag(end) ? size - ID3v1Size : size;
    if (!file.write(at, FormatID3v1(tag)))
        return file.error();
    return 0;
}

void ClearID3v1(ID3v1Tag& tag)
{
    tag.title.clear();
    tag.artist.clear();
    tag.album.clear();
    tag.year.clear();
    tag.comment.clear();
    tag.track = 0;
    tag.genre = NoGenre;
    tag.genreName.clear();
}

} // namespace quelt
