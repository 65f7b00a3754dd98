// Feeds arbitrary rule parameters and names through every capitalization,
// space, numbering and padding operation, the way the preview driver applies
// them, and through the duplicates phase. The disk is only read (lstat).
//
// Input: one flags byte, then lines. The first line is the parameter text that
// follows "<rule name>:" for every operation; each further line is one item:
// its first byte picks the folder and the check mark, the rest is the name.
// Lines are decoded as file names are, so bytes that are not UTF-8 become lone
// surrogates.
#include "engine/LettersSpacesRules.h"
#include "engine/NameParts.h"
#include "engine/NumberCounter.h"
#include "engine/NumberingDuplicates.h"
#include "engine/NumberingRules.h"
#include "engine/PreviewRunState.h"
#include "engine/RuleOps.h"
#include "platform/FileSystem.h"
#include "platform/NameCodec.h"

#include <QByteArray>
#include <QList>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

constexpr std::size_t MaxInput = 4096;
constexpr qsizetype MaxItems = 24;

const char* const Folders[] = {"/tmp/quelt-fuzz-missing/", "/tmp/", "/", "/tmp/QUELT-FUZZ-MISSING/"};

quelt::PreviewArray MakeItems(const QList<QByteArray>& lines)
{
    quelt::PreviewArray items;
    for (qsizetype i = 1; i < lines.size() && qsizetype(items.size()) < MaxItems; ++i) {
        const QByteArray& line = lines[i];
        const unsigned char selector = line.isEmpty() ? 0 : static_cast<unsigned char>(line[0]);
        quelt::PreviewItem item;
        item.folder = QString::fromLatin1(Folders[selector % 4]);
        item.oldName = quelt::platform::DecodeName(line.mid(1));
        item.included = item.selected = (selector & 0x80) == 0;
        if (item.included)
            item.newName = item.oldName;
        items.push_back(item);
    }
    return items;
}

void RunPass(quelt::PreviewRunState& state, quelt::PreviewArray& items, int ruleIndex, quelt::RuleOperation op,
             const QString& ruleText)
{
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i == 0 || items[i].folder != items[i - 1].folder)
            quelt::RestartCounterOnPathChange(state.counters[std::size_t(ruleIndex)]);
        if (!items[i].included)
            continue;
        quelt::NameParts parts = quelt::NameParts::FromName(items[i].newName);
        quelt::RuleOpContext context{state, ruleIndex, items, qsizetype(i)};
        op(context, ruleText, parts);
        items[i].newName = parts.toName();
        if (context.failed)
            items[i].valid = false;
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
    const QString params = quelt::platform::DecodeName(lines.value(0));
    quelt::PreviewArray items = MakeItems(lines);

    std::vector<const quelt::RuleOpEntry*> ops;
    for (const auto& e : quelt::LetterAndSpaceOperations())
        ops.push_back(&e);
    for (const auto& e : quelt::NumberingOperations())
        ops.push_back(&e);

    // All operations in one run, so settings rules affect the ones after them.
    auto state = quelt::PreviewRunState::ForRun(int(ops.size()), flags & 1, flags & 2);
    for (std::size_t r = 0; r < ops.size(); ++r) {
        const QString ruleText = QString::fromUtf16(ops[r]->name) + u':' + params;
        RunPass(state, items, int(r), ops[r]->op, ruleText);
    }

    // The helpers directly, with parameters taken from the flags.
    const QString sample = items.empty() ? params : items.front().newName;
    if (auto options = quelt::CaseOptionsForType(QStringLiteral("letter up-down"))) {
        options->wordLimit = int(flags >> 4) - 1;
        options->rightToLeft = flags & 4;
        options->countSkipped = flags & 8;
        options->separators = params.left(8);
        options->exceptions = quelt::ParseExceptionsList(params);
        (void)quelt::ChangeCase(sample, *options);
    }
    (void)quelt::PadNumbers(sample, int(flags) * 40, int(flags % 5) - 1, flags & 4, params.left(4), flags & 3);

    const QString format = quelt::DuplicatesPhaseFormat(params);
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
