// Feeds arbitrary bytes, as a whole file, through the MPEG stream reader and
// the frame searches it is built from.
#include "metadata/MP3Info.h"
#include "metadata/MPEGHeader.h"

#include <QByteArrayView>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const quelt::MP3Info info = quelt::ReadMP3InfoFromBytes(bytes);
    if (info.Found && (info.FirstFrame < 0 || info.FirstFrame >= info.FileLength || info.Frames < 0))
        __builtin_trap();

    // The searches over a window that starts inside the data, as the file
    // reader uses them.
    const std::int64_t base = std::int64_t(size / 3);
    const quelt::FileBytes window{bytes.sliced(qsizetype(base)), base};
    if (const auto frame = quelt::FindFrame(window, base + 1))
        (void)quelt::HasXingHeader(window, frame->offset, frame->header.frameLength);
    (void)quelt::FindLastFrame(window);
    quelt::MP3Info quick;
    (void)quelt::ParseFrameHeader(window, base, quelt::FrameParse::Quick, quick);
    return 0;
}
