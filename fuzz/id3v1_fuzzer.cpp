// Feeds arbitrary file endings through the ID3v1 reader, and checks that what the
// writer makes of a tag reads back as the same tag.
#include "metadata/ID3v1.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace quelt;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const ID3v1Tag tag = ParseID3v1(bytes);
    (void)GenreIndexOf(QString::fromLatin1(bytes.first(std::min<qsizetype>(bytes.size(), 40))));
    if (!tag.present)
        return 0;
    const ID3v1Tag again = ParseID3v1(FormatID3v1(tag));
    const std::uint8_t genre = tag.genre > LastGenre ? NoGenre : tag.genre;
    if (!again.present || again.version != QLatin1String("ID3v1.1") || again.title != tag.title
        || again.artist != tag.artist || again.album != tag.album || again.year != tag.year
        || again.track != tag.track || again.genre != genre || !tag.comment.startsWith(again.comment.left(28)))
        std::abort();
    return 0;
}
