// Feeds arbitrary rule lines through the parameter readers.
#include "engine/NameParts.h"
#include "engine/RuleLine.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString line = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    qsizetype pos = 0;
    for (int i = 0; i < 64; ++i) {
        const QString v = quelt::ReadNextParam(line, pos);
        if (v == quelt::NotFound)
            break;
        (void)quelt::LeadingNumber(v);
        (void)quelt::NameParts::FromName(v).toName();
    }
    (void)quelt::GetParamValue(line, QStringLiteral("Apply To"));
    (void)quelt::RuleName(line);
    return 0;
}
