// Feeds arbitrary files through the ID3v2 header search, tag parser and frame
// texts, and checks that a tag the reader calls complete is written back with
// every frame as it was, also after a text is set.
#include "FuzzChecks.h"
#include "metadata/ID3v2.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

using quelt::fuzz::Check;
using namespace quelt;

const QString Ids[] = {
    QStringLiteral("TIT2"), QStringLiteral("TPE1"), QStringLiteral("TALB"), QStringLiteral("TYER"),
    QStringLiteral("TCON"), QStringLiteral("TRCK"), QStringLiteral("COMM"), QStringLiteral("TCOM"),
    QStringLiteral("TOPE"), QStringLiteral("TCOP"), QStringLiteral("WXXX"), QStringLiteral("TENC"),
};

bool SameFrames(const ID3v2Tag& a, const ID3v2Tag& b)
{
    if (a.frameCount() != b.frameCount())
        return false;
    for (int i = 0; i < a.frameCount(); ++i) {
        const ID3v2Frame& x = a.frames[std::size_t(i)];
        const ID3v2Frame& y = b.frames[std::size_t(i)];
        if (x.id != y.id || x.flags != y.flags || x.encoding != y.encoding || x.data != y.data
            || x.dataLength != y.dataLength || x.offset != y.offset)
            return false;
    }
    return true;
}

ID3v2Tag WrittenAndReadBack(const ID3v2Tag& tag)
{
    const std::optional<QByteArray> block = FormatID3v2(tag, MinID3v2TagSize);
    Check(block.has_value());
    const ID3v2Tag back = ParseID3v2Tag(*block, tag.headerOffset);
    Check(back.status == ID3v2Status::Complete);
    return back;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    ID3v2Tag tag = ParseID3v2Buffer(bytes);
    for (const QString& id : Ids) {
        for (const FrameTextMode mode : {FrameTextMode::Plain, FrameTextMode::Number, FrameTextMode::GenreName})
            (void)GetFrameText(tag, id, mode);
    }
    (void)GetFramesSize(tag);
    if (tag.status != ID3v2Status::Complete)
        return 0;
    Check(SameFrames(tag, WrittenAndReadBack(tag)));

    // A text taken from the input, set on a frame, reads back as set.
    const QString text = QString::fromUtf8(bytes.first(std::min<qsizetype>(bytes.size(), 64))).trimmed();
    SetFrameText(tag, QStringLiteral("TIT2"), text);
    SetFrameText(tag, QStringLiteral("COMM"), QStringLiteral(u"Comment Ω"));
    if (tag.frameCount() > MaxID3v2Frames) {
        Check(!FormatID3v2(tag, MinID3v2TagSize).has_value());
        return 0;
    }
    const ID3v2Tag back = WrittenAndReadBack(tag);
    Check(SameFrames(tag, back));
    Check(GetFrameText(back, QStringLiteral("COMM")) == QStringLiteral(u"Comment Ω"));
    return 0;
}
