// Decoding any byte string as a file name and encoding it again must give back
// exactly the same bytes; a second decode must give the same text.
#include "platform/NameCodec.h"

#include <QString>
#include <QStringDecoder>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString name = quelt::platform::DecodeName(bytes);
    const QByteArray encoded = quelt::platform::EncodeName(name);
    if (encoded != bytes)
        std::abort();
    if (quelt::platform::DecodeName(encoded) != name)
        std::abort();
    // Escapes appear exactly when the bytes are not valid UTF-8 (a leading EF BB BF
    // is a character of the name, not a byte-order mark).
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::ConvertInitialBom);
    const QString plain = decoder(bytes);
    const bool valid = !decoder.hasError() && plain.toUtf8() == bytes;
    if (quelt::platform::HasEscapedBytes(name) == valid)
        std::abort();
    return 0;
}
