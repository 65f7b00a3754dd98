// Feeds arbitrary rule lines and names through the name operation of any rule
// of the catalogue, found by name with FindRuleOperation, the way the preview
// driver applies them: one rule at a time over every item, settings rules
// affecting the rules after them. Then the capitalization and padding helpers
// and the duplicates phase directly. The disk is only read (lstat); the text
// of "Set as line from text file" comes from the input, so no file is opened.
//
// Input: one flags byte, then lines.
// - Line 0 is the rule list: each byte picks a catalogue rule (byte % count).
// - Then one parameter line per picked rule. With the pick's top bit set, the
//   rule line is built from the rule's template with the values of its line
//   (split at tabs, cycled, passed through the key filter as the editor would);
//   otherwise it is "<rule name>:" followed by its line as is.
// - Each further line is one item: its first byte picks the folder and the
//   check mark, the rest is the name.
// Lines are decoded as file names are, so bytes that are not UTF-8 become lone
// surrogates. For input without them, no operation may split a surrogate pair.
#include "FuzzChecks.h"
#include "engine/LettersSpacesRules.h"
#include "engine/NameParts.h"
#include "engine/NumberCounter.h"
#include "engine/NumberingDuplicates.h"
#include "engine/NumberingRules.h"
#include "engine/PreviewRunState.h"
#include "engine/RuleCatalogue.h"
#include "engine/RuleOps.h"
#include "platform/FileSystem.h"
#include "platform/NameCodec.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

using quelt::fuzz::Check;
using quelt::fuzz::HasLoneSurrogate;

constexpr std::size_t MaxInput = 4096;
constexpr qsizetype MaxRules = 8;
constexpr qsizetype MaxItems = 24;
constexpr qsizetype MaxNameBytes = 255; // the longest name a Linux file system holds
constexpr unsigned char TemplateBit = 0x80;

const char* const Folders[] = {"/tmp/quelt-fuzz-missing/", "/tmp/", "/", "/tmp/QUELT-FUZZ-MISSING/"};

quelt::PreviewArray MakeItems(const QList<QByteArray>& lines, qsizetype first)
{
    quelt::PreviewArray items;
    for (qsizetype i = first; i < lines.size() && qsizetype(items.size()) < MaxItems; ++i) {
        const QByteArray& line = lines[i];
        const unsigned char selector = line.isEmpty() ? 0 : static_cast<unsigned char>(line[0]);
        quelt::PreviewItem item;
        item.folder = QString::fromLatin1(Folders[selector % 4]);
        item.oldName = quelt::platform::DecodeName(line.mid(1, MaxNameBytes));
        item.included = item.selected = (selector & 0x80) == 0;
        if (item.included)
            item.newName = item.oldName;
        items.push_back(item);
    }
    return items;
}

// The rule line of `rule` from its template, the values cycled over its parameters.
QString FromTemplate(const quelt::RuleSpec& rule, const QStringList& values)
{
    quelt::ParamList rows;
    for (std::size_t i = 0; i < rule.params.size(); ++i) {
        const quelt::ParamSpec& p = rule.params[i];
        const QString value = values.isEmpty() ? p.defaultValue.toString() : values[qsizetype(i) % values.size()];
        rows.push_back({p.name.toString(), quelt::FilterKeys(p.filter, value)});
    }
    return quelt::PreviewRule(rule.ruleTemplate, rows);
}

// One rule over every slot, as the preview driver runs it.
void RunPass(quelt::PreviewRunState& state, quelt::PreviewArray& items, int ruleIndex, quelt::RuleOperation op,
             const QString& ruleText)
{
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i == 0 || items[i].folder != items[i - 1].folder)
            quelt::RestartCounterOnPathChange(state.counters[std::size_t(ruleIndex)]);
        if (!items[i].included)
            continue;
        const bool skipping = state.skipFailedRules;
        const QString fallback = items[i].newName;
        quelt::NameParts parts = quelt::NameParts::FromName(items[i].newName);
        quelt::RuleOpContext context{state, ruleIndex, items, qsizetype(i)};
        op(context, ruleText, parts);
        items[i].newName = parts.toName();
        if (context.failed) {
            if (skipping)
                items[i].newName = fallback;
            else
                items[i].valid = false;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1 || size > MaxInput)
        return 0;
    const unsigned flags = data[0];
    QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    bytes.replace('\0', '_'); // no name on disk holds NUL; a C path would end there
    const QList<QByteArray> lines = bytes.split('\n');
    const QByteArray picks = lines.value(0).left(MaxRules);
    QStringList params;
    for (qsizetype r = 0; r < picks.size(); ++r)
        params.append(quelt::platform::DecodeName(lines.value(1 + r)));
    quelt::PreviewArray items = MakeItems(lines, 1 + picks.size());

    bool validInput = true;
    for (const QString& p : params)
        validInput = validInput && !HasLoneSurrogate(p);
    for (const quelt::PreviewItem& item : items)
        validInput = validInput && !HasLoneSurrogate(item.oldName);

    const std::span<const quelt::RuleSpec> catalogue = quelt::Catalogue();
    auto state = quelt::PreviewRunState::ForRun(int(picks.size()), flags & 1, flags & 2);
    for (qsizetype r = 0; r < picks.size(); ++r) {
        const unsigned char pick = static_cast<unsigned char>(picks[r]);
        const quelt::RuleSpec& rule = catalogue[pick % catalogue.size()];
        const quelt::RuleOperation op = quelt::FindRuleOperation(rule.name);
        if (!op)
            continue; // sorting and names from a list work on the whole list
        state.ruleText[std::size_t(r)] = params[r];
        const QStringList values = params[r].isEmpty() ? QStringList() : params[r].split(u'\t');
        const QString ruleText = (pick & TemplateBit) ? FromTemplate(rule, values)
                                                      : rule.name.toString() + u':' + params[r];
        RunPass(state, items, int(r), op, ruleText);
    }
    if (validInput) {
        for (const quelt::PreviewItem& item : items)
            Check(!HasLoneSurrogate(item.newName));
    }

    // The helpers directly, with parameters taken from the flags.
    const QString text = params.value(0);
    const QString sample = items.empty() ? text : items.front().newName;
    if (auto options = quelt::CaseOptionsForType(QStringLiteral("letter up-down"))) {
        options->wordLimit = int(flags >> 4) - 1;
        options->rightToLeft = flags & 4;
        options->countSkipped = flags & 8;
        options->separators = text.left(8);
        options->exceptions = quelt::ParseExceptionsList(text);
        (void)quelt::ChangeCase(sample, *options);
    }
    (void)quelt::PadNumbers(sample, int(flags) * 40, int(flags % 5) - 1, flags & 4, text.left(4), flags & 3);

    const QString format = quelt::DuplicatesPhaseFormat(text);
    if (!format.isEmpty()) {
        quelt::DuplicateNamer namer(quelt::DuplicateNumbering::ForPhase(format), &quelt::platform::PathExists);
        for (quelt::PreviewItem& item : items) {
            if (!item.included)
                continue;
            const auto result = namer.number(item.folder, item.oldName, item.newName);
            if (result.outcome == quelt::DuplicateNamer::Outcome::Numbered)
                item.newName = result.name;
            namer.addName(item.folder, item.newName);
        }
    }
    return 0;
}
