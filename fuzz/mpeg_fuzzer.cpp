// Feeds arbitrary bytes, as a whole file, through the MPEG stream reader and
// the frame searches it is built from.
#include "metadata/MP3Info.h"
#include "metadata/MPEGHeader.h"

#include <QByteArray>
#include <QByteArrayView>
#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

// Inputs that start with 'Z' stand for larger files: bytes 1-2 give a run of
// zeros (in units of 8 bytes, up to 512 KiB) inserted after the first byte 3
// bytes of the rest. So short inputs reach the search limits and large tags.
QByteArray Expand(const std::uint8_t* data, std::size_t size)
{
    const auto* text = reinterpret_cast<const char*>(data);
    if (size < 4 || data[0] != 'Z')
        return QByteArray::fromRawData(text, qsizetype(size));
    const qsizetype gap = qsizetype((data[1] << 8 | data[2]) * 8);
    const QByteArrayView rest(text + 4, qsizetype(size - 4));
    const qsizetype split = std::min<qsizetype>(data[3], rest.size());
    return rest.first(split).toByteArray() + QByteArray(gap, '\0') + rest.sliced(split).toByteArray();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray file = Expand(data, size);
    const QByteArrayView bytes(file);
    const quelt::MP3Info info = quelt::ReadMP3InfoFromBytes(bytes);
    if (info.Found && (info.FirstFrame < 0 || info.FirstFrame >= info.FileLength || info.Frames < 0))
        __builtin_trap();

    // The searches over a window that starts inside the data, as the file
    // reader uses them.
    const std::int64_t base = std::int64_t(bytes.size() / 3);
    const quelt::FileBytes window{bytes.sliced(qsizetype(base)), base};
    if (const auto frame = quelt::FindFrame(window, base + 1))
        (void)quelt::HasXingHeader(window, frame->offset, frame->header.frameLength);
    (void)quelt::FindLastFrame(window);
    quelt::MP3Info quick;
    (void)quelt::ParseFrameHeader(window, base, quelt::FrameParse::Quick, quick);
    return 0;
}
