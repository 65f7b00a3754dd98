#include "engine/NumberingRules.h"

#include "engine/CodePoints.h"
#include "engine/ExistingNames.h"
#include "engine/NumberCounter.h"
#include "engine/NumberingDuplicates.h"
#include "engine/RuleLine.h"
#include "engine/RuleOps.h"

#include <QHash>

#include <algorithm>
#include <memory>

namespace quelt {

namespace {

bool IsNumberChar(QChar c)
{
    return (c >= u'0' && c <= u'9') || c == u'.';
}

// The counter of the rule being applied; null when the run state has none for it.
NumberCounter* CounterOf(RuleOpContext& context)
{
    if (context.ruleIndex < 0 || std::size_t(context.ruleIndex) >= context.state.counters.size())
        return nullptr;
    return &context.state.counters[std::size_t(context.ruleIndex)];
}

enum class Placement { WholeTitle, AtPosition, AtEdge, ReplaceText };

void ReadCounterParameters(NumberCounter& counter, const QString& ruleText, Placement placement)
{
    qsizetype pos = 0;
    counter.type = Keyword(ReadNextParam(ruleText, pos));
    counter.start = ReadNextParam(ruleText, pos);
    counter.step = ReadNextParam(ruleText, pos);
    counter.width = LeadingNumber(ReadNextParam(ruleText, pos));
    counter.reset = Keyword(ReadNextParam(ruleText, pos));
    switch (placement) {
    case Placement::AtPosition:
        counter.find = ReadNextParam(ruleText, pos);
        counter.where = Keyword(ReadNextParam(ruleText, pos));
        break;
    case Placement::AtEdge:
        counter.where = Keyword(ReadNextParam(ruleText, pos));
        break;
    case Placement::ReplaceText:
        counter.find = ReadNextParam(ruleText, pos);
        break;
    case Placement::WholeTitle:
        break;
    }
    StartCounter(counter);
}

void NumberTitle(RuleOpContext& context, const QString& ruleText, NameParts& parts, Placement placement)
{
    NumberCounter* counter = CounterOf(context);
    if (!counter) {
        context.failed = true;
        return;
    }
    if (!counter->started)
        ReadCounterParameters(*counter, ruleText, placement);

    const QString before = counter->current;
    const QString number = CounterNumberText(*counter);
    AdvanceCounter(*counter);
    if (number.trimmed().isEmpty()) {
        context.failed = true;
        return;
    }

    QString& title = parts.title;
    switch (placement) {
    case Placement::WholeTitle:
        title = number;
        break;
    case Placement::AtEdge:
        title = counter->where == QLatin1String("start") ? number + title : title + number;
        break;
    case Placement::AtPosition: {
        if (counter->find.isEmpty())
            break; // found at the first position, but nothing is inserted
        const qsizetype at = FindText(title, counter->find, 0, CaseFor(context.state.ignoreCase));
        if (at < 0) {
            // Hand the unused number to the next item, exactly as it would have been written.
            counter->current = before;
            context.failed = true;
            return;
        }
        title.insert(counter->where == QLatin1String("before") ? at : at + counter->find.size(), number);
        break;
    }
    case Placement::ReplaceText: {
        if (counter->find.isEmpty())
            break;
        const qsizetype at = FindText(title, counter->find, 0, CaseFor(context.state.ignoreCase));
        if (at >= 0)
            title.replace(at, counter->find.size(), number);
        break;
    }
    }
}

void SetTitleAsAutoNumber(RuleOpContext& c, const QString& t, NameParts& p) { NumberTitle(c, t, p, Placement::WholeTitle); }
void InsertAutoNumberAtPosition(RuleOpContext& c, const QString& t, NameParts& p) { NumberTitle(c, t, p, Placement::AtPosition); }
void InsertAutoNumberAtEdge(RuleOpContext& c, const QString& t, NameParts& p) { NumberTitle(c, t, p, Placement::AtEdge); }
void ReplaceTextWithAutoNumber(RuleOpContext& c, const QString& t, NameParts& p) { NumberTitle(c, t, p, Placement::ReplaceText); }

void PadParts(RuleOpContext& context, NameParts& parts, const QString& applyTo, int width, int maximum,
              const QString& direction, const QString& pad, unsigned sides)
{
    const bool rightToLeft = direction != QLatin1String("left to right");
    ApplyToParts(parts, applyTo, context.state.fullNames, [&](QString& part) {
        part = PadNumbers(part, width, maximum, rightToLeft, pad, sides);
        return true;
    });
}

void AddZeroPadding(RuleOpContext& context, const QString& ruleText, NameParts& parts)
{
    qsizetype pos = 0;
    const int width = LeadingNumber(ReadNextParam(ruleText, pos));
    const int maximum = LeadingNumber(ReadNextParam(ruleText, pos));
    const QString direction = Keyword(ReadNextParam(ruleText, pos));
    const QString applyTo = ReadNextParam(ruleText, pos);
    PadParts(context, parts, applyTo, width, maximum, direction, QStringLiteral("0"), PadLeft);
}

void AddCustomPadding(RuleOpContext& context, const QString& ruleText, NameParts& parts)
{
    qsizetype pos = 0;
    const QString pad = ReadNextParam(ruleText, pos);
    const unsigned sides = PadSidesOf(Keyword(ReadNextParam(ruleText, pos)));
    const int width = LeadingNumber(ReadNextParam(ruleText, pos));
    const int maximum = LeadingNumber(ReadNextParam(ruleText, pos));
    const QString direction = Keyword(ReadNextParam(ruleText, pos));
    const QString applyTo = ReadNextParam(ruleText, pos);
    PadParts(context, parts, applyTo, width, maximum, direction, pad, sides);
}

void StartDuplicateNumbering(NumberCounter& counter, const QString& ruleText)
{
    qsizetype pos = 0;
    counter.type = Keyword(ReadNextParam(ruleText, pos));
    counter.start = ReadNextParam(ruleText, pos);
    counter.step = ReadNextParam(ruleText, pos);
    counter.width = std::min(LeadingNumber(ReadNextParam(ruleText, pos)), MaxNumberWidth);
    counter.format = ReadNextParam(ruleText, pos);
    counter.where = Keyword(ReadNextParam(ruleText, pos)); // Search Where: read, without effect
    counter.started = true;
    counter.duplicates.reset();
}

void AutoNumberDuplicatedNames(RuleOpContext& context, const QString& ruleText, NameParts& parts)
{
    NumberCounter* counter = CounterOf(context);
    if (!counter) {
        context.failed = true;
        return;
    }
    if (!counter->started)
        StartDuplicateNumbering(*counter, ruleText);

    const PreviewArray& items = context.items;
    const qsizetype index = std::clamp<qsizetype>(context.itemIndex, 0, qsizetype(items.size()));
    if (!counter->duplicates || index < counter->duplicatesIndexedUpTo) {
        // Folders with many items are listed once, as in the duplicates phase.
        auto onDisk = std::make_shared<ExistingNames>();
        for (const PreviewItem& item : items)
            if (item.included)
                onDisk->countItem(item.folder);
        counter->duplicates = std::make_shared<DuplicateNamer>(
            DuplicateNumbering::FromRule(counter->type, counter->start, counter->step, counter->width, counter->format),
            [onDisk](const QString& path) { return onDisk->exists(path); });
        counter->duplicatesIndexedUpTo = 0;
    }
    // Earlier items hold their final names for this rule once the pass has moved past them.
    DuplicateNamer& namer = *counter->duplicates;
    for (qsizetype k = counter->duplicatesIndexedUpTo; k < index; ++k)
        if (items[std::size_t(k)].included)
            namer.addName(items[std::size_t(k)].folder, items[std::size_t(k)].newName);
    counter->duplicatesIndexedUpTo = index;

    const bool known = index < qsizetype(items.size());
    const QString folder = known ? items[std::size_t(index)].folder : QString();
    const QString oldName = known ? items[std::size_t(index)].oldName : QString();
    const QString newName = known ? items[std::size_t(index)].newName : parts.toName();
    const DuplicateNamer::Result result = namer.number(folder, oldName, newName);
    switch (result.outcome) {
    case DuplicateNamer::Outcome::Numbered:
        parts.full = result.name;
        parts.splitFull();
        break;
    case DuplicateNamer::Outcome::NoFreeName:
        context.failed = true;
        break;
    case DuplicateNamer::Outcome::Unique:
        break;
    }
}

constexpr RuleOpEntry NumberingTable[] = {
    {u"Set title as auto-number", SetTitleAsAutoNumber},
    {u"Insert auto-number at position", InsertAutoNumberAtPosition},
    {u"Insert auto-number at edge of title", InsertAutoNumberAtEdge},
    {u"Replace text with auto-number", ReplaceTextWithAutoNumber},
    {u"Add zero padding to numbers", AddZeroPadding},
    {u"Add custom padding to numbers", AddCustomPadding},
    {u"Auto-number duplicated names", AutoNumberDuplicatedNames},
};

} // namespace

unsigned PadSidesOf(const QString& padWhereLower)
{
    static const QHash<QString, unsigned> sides = {
        {QStringLiteral("left"), PadLeft},
        {QStringLiteral("right"), PadRight},
        {QStringLiteral("left & right"), PadBoth},
    };
    return sides.value(padWhereLower, PadNone);
}

QString PadNumbers(const QString& text, int width, int maximum, bool rightToLeft, const QString& pad, unsigned sides)
{
    width = std::min(width, MaxNumberWidth);
    const QString t = rightToLeft ? ReverseCodePoints(text) : text;
    // In the reversed text the side that ends up on the left is the one after the number.
    const bool padBefore = (sides & (rightToLeft ? PadRight : PadLeft)) != 0;
    const bool padAfter = (sides & (rightToLeft ? PadLeft : PadRight)) != 0;

    QString out;
    out.reserve(t.size());
    qsizetype met = 0;
    for (qsizetype i = 0; i < t.size();) {
        if (!IsNumberChar(t[i])) {
            out.append(t[i++]);
            continue;
        }
        qsizetype end = i;
        while (end < t.size() && IsNumberChar(t[end]))
            ++end;
        const qsizetype length = end - i;
        const QStringView number = QStringView(t).mid(i, length);
        if (maximum != -1 && met >= maximum) {
            out.append(number);
        } else {
            ++met;
            const qsizetype copies = length < width ? width - length : 0;
            const qsizetype padLength = copies * pad.size() * ((padBefore ? 1 : 0) + (padAfter ? 1 : 0));
            if (out.size() + length + padLength > MaxPaddedLength)
                return QString();
            const QString padding = copies > 0 ? pad.repeated(copies) : QString();
            if (padBefore)
                out.append(padding);
            out.append(number);
            if (padAfter)
                out.append(padding);
        }
        i = end;
    }
    return rightToLeft ? ReverseCodePoints(out) : out;
}

std::span<const RuleOpEntry> NumberingOperations()
{
    return NumberingTable;
}

} // namespace quelt
