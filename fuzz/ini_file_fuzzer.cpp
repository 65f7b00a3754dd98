// Feeds arbitrary bytes through the INI reader and the text decoder, and checks
// that whatever the reader found is written and read back unchanged.
#include "platform/NameCodec.h"
#include "platform/ProgramFiles.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace quelt::platform;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    (void)SplitLines(DecodeText(bytes));
    (void)SplitLines(DecodeTextWithNameBytes(bytes));

    IniFile ini;
    ini.parse(bytes);
    QByteArray written;
    for (const QString& line : ini.toLines())
        written += EncodeName(line) + "\r\n";
    IniFile back;
    back.parse(written);
    if (back.sections().size() != ini.sections().size())
        std::abort();
    for (const IniFile::Section& section : ini.sections()) {
        for (const IniFile::Entry& entry : section.entries) {
            if (back.value(section.name, entry.key) != ini.value(section.name, entry.key))
                std::abort();
        }
    }
    return 0;
}
