// Feeds arbitrary rule lines and names through the parameter readers, the rule
// composition over every catalogue template and the regex service. The rule
// operations have their own target, rule_ops_fuzzer.
//
// Input: pieces separated by 0xFF bytes (a byte that never occurs in UTF-8).
// Piece 0 is a rule line (and a regex pattern), piece 1 a name, the others
// parameter values (the first also a regex replacement). The first byte also
// picks the template, the regex switches and whether the name is read as raw
// UTF-16 (so lone surrogates occur, as for undecodable name bytes).
#include "FuzzChecks.h"
#include "engine/NameParts.h"
#include "engine/RegexService.h"
#include "engine/RuleCatalogue.h"
#include "engine/RuleLine.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

using quelt::fuzz::Check;
using quelt::fuzz::HasLoneSurrogate;

constexpr std::size_t MaxInputBytes = 4096;
constexpr qsizetype MaxNameUnits = 300; // names on disk hold at most 255 bytes
constexpr std::size_t MaxPieces = 10;

using namespace quelt;

QString Utf16(const std::uint8_t* data, std::size_t size)
{
    QString s;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        s.append(QChar(char16_t(data[i] | (data[i + 1] << 8))));
    return s;
}

// A rule line from the template and the pieces; values are cycled through the pieces.
QString BuildRule(const RuleSpec& rule, const std::vector<QString>& values, ParamList& rows)
{
    rows.clear();
    for (std::size_t i = 0; i < rule.params.size(); ++i) {
        const ParamSpec& p = rule.params[i];
        QString value = values.empty() ? p.defaultValue.toString() : values[i % values.size()];
        if (p.filter != KeyFilter::AnyKey)
            value = FilterKeys(p.filter, value);
        if (p.filter == KeyFilter::DigitsOnly && (i % 2) == 0)
            value = ClampDigitsValue(value);
        rows.push_back({p.name.toString(), value});
    }
    return PreviewRule(rule.ruleTemplate, rows);
}

// Values without "<" or ">" must read back exactly, in order and by name.
void CheckReadBack(const QString& line, const ParamList& rows)
{
    for (const ParamRow& row : rows) {
        if (row.value.contains(u'<') || row.value.contains(u'>'))
            return;
    }
    qsizetype position = 0;
    for (const ParamRow& row : rows)
        Check(ReadNextParam(line, position) == row.value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0 || size > MaxInputBytes)
        return 0;
    const std::uint8_t selector = data[0];
    std::vector<std::pair<const std::uint8_t*, std::size_t>> pieces;
    std::size_t start = 1;
    for (std::size_t i = 1; i <= size && pieces.size() < MaxPieces; ++i) {
        if (i == size || data[i] == 0xFF) {
            pieces.emplace_back(data + start, i - start);
            start = i + 1;
        }
    }
    auto utf8 = [](const std::pair<const std::uint8_t*, std::size_t>& p) {
        return QString::fromUtf8(reinterpret_cast<const char*>(p.first), qsizetype(p.second));
    };

    const QString line = utf8(pieces[0]);
    qsizetype pos = 0;
    for (int i = 0; i < 64; ++i) {
        const QString v = ReadNextParam(line, pos);
        if (v == NotFound)
            break;
        (void)LeadingNumber(v);
        (void)NameParts::FromName(v).toName();
    }
    (void)GetParamValue(line, QStringLiteral("Apply To"));
    (void)RuleName(line);

    const bool rawName = selector & 0x80;
    QString name = pieces.size() > 1 ? (rawName ? Utf16(pieces[1].first, pieces[1].second) : utf8(pieces[1]))
                                     : QStringLiteral("name.ext");
    name.truncate(MaxNameUnits);
    std::vector<QString> values;
    for (std::size_t i = 2; i < pieces.size(); ++i)
        values.push_back(utf8(pieces[i]));
    const bool validInput = !HasLoneSurrogate(name);

    const std::span<const RuleSpec> catalogue = Catalogue();
    ParamList rows;
    const RuleSpec& picked = catalogue[selector % catalogue.size()];
    const QString built = BuildRule(picked, values, rows);
    CheckReadBack(built, rows);
    for (const ParamRow& row : rows)
        (void)GetParamValue(built, row.name);
    UpdateParameters(rows, EditorParamTable{int(picked.params.size()), picked.ruleTemplate.toString(),
                                            {picked.params.begin(), picked.params.end()}});

    const QString lineText = values.empty() ? line : values.front();
    const ScriptRegex regex(line, selector & 1, selector & 2);
    if (const std::optional<QString> replaced = regex.replace(name, lineText, selector & 4)) {
        if (validInput && !HasLoneSurrogate(lineText))
            Check(!HasLoneSurrogate(*replaced));
    }
    return 0;
}
