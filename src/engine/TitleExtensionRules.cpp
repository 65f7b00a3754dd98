// Operations of the "Title & Extension" rules, "Set maximum name length" and the
// three settings rules of "Miscellaneous" that change how later rules work.
// Positions and lengths count code points (see CodePoints.h).

#include "engine/CodePoints.h"
#include "engine/RegexService.h"
#include "engine/RuleLine.h"
#include "engine/RuleOps.h"
#include "platform/ProgramFiles.h"

#include <algorithm>
#include <cstdlib>
#include <array>
#include <limits>

namespace quelt {

namespace {

// Reads the values of a rule line one after the other, in catalogue order.
class ParamReader {
public:
    explicit ParamReader(const QString& ruleText) : text_(ruleText) {}
    QString text() { return ReadNextParam(text_, position_); }
    int number() { return LeadingNumber(text()); }
    QString keyword() { return Keyword(text()); }

private:
    const QString& text_;
    qsizetype position_ = 0;
};

const QString LeftToRight = QStringLiteral("left to right");
const QString RightToLeft = QStringLiteral("right to left");
const QString TrueKeyword = QStringLiteral("true");

Qt::CaseSensitivity CaseOf(const RuleOpContext& context)
{
    return CaseFor(context.state.ignoreCase);
}

void Dispatch(RuleOpContext& context, NameParts& parts, const QString& applyTo, auto&& op)
{
    if (!ApplyToNameParts(parts, applyTo, context.state.fullNames, op))
        context.failed = true;
}

// Every occurrence of `find`, left to right without overlap, up to `limit`.
QString ReplaceLeftToRight(const QString& text, const QString& find, const QString& with, Qt::CaseSensitivity cs,
                           qsizetype limit)
{
    QString out;
    qsizetype copied = 0;
    qsizetype count = 0;
    for (qsizetype at = FindText(text, find, 0, cs); at >= 0 && count < limit;
         at = FindText(text, find, copied, cs), ++count) {
        out += QStringView(text).sliced(copied, at - copied);
        out += with;
        copied = at + find.size();
    }
    if (count == 0)
        return text;
    out += QStringView(text).sliced(copied);
    return out;
}

// Candidates from the last possible position down to the first; each match is
// replaced in place and the walk goes on one character to its left.
QString ReplaceRightToLeft(QString text, const QString& find, const QString& with, Qt::CaseSensitivity cs,
                           qsizetype limit)
{
    if (find.isEmpty() || find.size() > text.size())
        return text;
    qsizetype count = 0;
    for (qsizetype at = text.size() - find.size(); at >= 0 && count < limit; --at) {
        if (!TextAt(text, at, find, cs))
            continue;
        text.replace(at, find.size(), with);
        ++count;
    }
    return text;
}

void CreateNewName(RuleOpContext& context, const QString& ruleText, NameParts& parts)
{
    ParamReader read(ruleText);
    const QString newText = read.text();
    Dispatch(context, parts, read.text(), [&](QString& part, NamePart) {
        part = newText;
        return true;
    });
}

void FindAndReplace(RuleOpContext& context, const QString& ruleText, NameParts& parts)
{
    ParamReader read(ruleText);
    const QString find = read.text();
    const QString with = read.text();
    const Qt::CaseSensitivity cs = CaseOf(context);
    Dispatch(context, parts, read.text(), [&](QString& part, NamePart) {
        part = ReplaceLeftToRight(part, find, with, cs, std::numeric_limits<qsizetype>::max());
        return true;
    });
}

void FindAndReplaceAdvanced(RuleOpContext& context, const QString& ruleText, NameParts& parts)
{
    ParamReader read(ruleText);
    const qsizetype maximum = std::max(read.number(), 1);
    const QString find = read.text();
    const QString with = read.text();
    const bool rightToLeft = read.keyword() == RightToLeft;
    const Qt::CaseSensitivity cs = CaseOf(context);
    Dispatch(context, parts, read.text(), [&](QString& part, NamePart) {
        part = rightToLeft ? ReplaceRightToLeft(part, find, with, cs, maximum)
                           : ReplaceLeftToRight(part, find, with, cs, maximum);
        return true;
    });
}

void RegexReplaceRule(RuleOpContext& context, const QString& ruleText, NameParts& parts)
{
    ParamReader read(ruleText);
    const QString pattern = read.text();
    const QString with = read.text();
    RegexOptions options;
    options.ignoreCase = context.state.ignoreCase;
    options.global = read.keyword() == TrueKeyword;
    const QString applyTo = read.text();
    // This rule treats title and extension separately even in full-name mode.
    ApplyToParts(parts, applyTo, false, [&](QString& part) {
        if (const std::optional<QString> replaced = RegexReplace(part, pattern, with, options))
            part = *replaced;
        return true;
    });
}

void AttachText(RuleOpContext& context, const QString& ruleText, NameParts& parts)
{
    ParamReader read(ruleText);
    const QString insert = read.text();
    const bool atStart = read.keyword() == QLatin1String("start");
    Dispatch(context, parts, read.text(), [&](QString& part, NamePart) {
        part = atStart ? insert + part : part + insert;
        return true;
    });
}

void AddTextAtPosition(RuleOpContext& context, const QString& ruleText, NameParts& parts)
{
    ParamReader read(ruleText);
    const QString insert = read.text();
    const qsizetype position = read.number();
    const bool leftToRight = read.keyword() == LeftToRight;
    Dispatch(context, parts, read.text(), [&](QString& part, NamePart) {
        const qsizetype n = CodePointCount(part);
        const qsizetype p = std::clamp<qsizetype>(position, 1, n + 1);
        const qsizetype at = leftToRight ? CodePointOffset(part, p - 1) : CodePointOffsetFromEnd(part, p - 1);
        part.insert(at, insert);
        return true;
    });
}

void RemoveFromPosition(RuleOpContext& context, const QString& ruleText, NameParts& parts)
{
    ParamReader read(ruleText);
    const qsizetype start = read.number();
    const qsizetype length = std::max(read.number(), 0);
    const bool rightToLeft = read.keyword() == RightToLeft;
    Dispatch(context, parts, read.text(), [&](QString& part, NamePart) {
        const qsizetype n = CodePointCount(part);
        if (start > n)
            return false;
        // Counted from the chosen edge: keep `keep` code points, drop up to `length` after them.
        const qsizetype keep = std::max<qsizetype>(start - 1, 0);
        const qsizetype dropEnd = std::clamp<qsizetype>(start - 1 + length, keep, n);
        auto offset = [&](qsizetype count) {
            return rightToLeft ? CodePointOffsetFromEnd(part, count) : CodePointOffset(part, count);
        };
        const qsizetype a = offset(keep);
        const qsizetype b = offset(dropEnd);
        part.remove(std::min(a, b), std::abs(b - a));
        return true;
    });
}

void RemoveFromEdge(RuleOpContext& context, const QString& ruleText, NameParts& parts)
{
    ParamReader read(ruleText);
    const qsizetype count = std::max(read.number(), 0);
    const bool fromStart = read.keyword() == QLatin1String("start");
    Dispatch(context, parts, read.text(), [&](QString& part, NamePart which) {
        const qsizetype n = CodePointCount(part);
        const bool enough = which == NamePart::Extension ? n >= count : n > count;
        if (!enough)
            return false;
        part = fromStart ? RightCodePoints(part, n - count).toString() : LeftCodePoints(part, n - count).toString();
        return true;
    });
}

void RemoveAroundText(RuleOpContext& context, const QString& ruleText, NameParts& parts)
{
    ParamReader read(ruleText);
    const qsizetype count = std::max(read.number(), 0);
    const QString find = read.text();
    const bool before = read.keyword() == QLatin1String("before");
    const Qt::CaseSensitivity cs = CaseOf(context);
    Dispatch(context, parts, read.text(), [&](QString& part, NamePart) {
        if (find.isEmpty())
            return true;
        qsizetype resume = 0;
        for (qsizetype at = FindText(part, find, 0, cs); at >= 0; at = FindText(part, find, resume, cs)) {
            if (before) {
                const qsizetype from = StepBackCodePoints(part, at, count);
                if (from < 0)
                    return false;
                part.remove(from, at - from);
                // The search goes on where the occurrence stood before it moved left:
                // `count` characters past its end.
                resume = StepForwardCodePoints(part, from + find.size(), count);
                if (resume < 0)
                    return true;
            } else {
                const qsizetype end = at + find.size();
                const qsizetype to = StepForwardCodePoints(part, end, count);
                if (to < 0)
                    return false;
                part.remove(end, to - end);
                resume = end;
            }
        }
        return true;
    });
}

// The text between the margins replaced by `insert` (the clear rule inserts nothing).
void BetweenMargins(RuleOpContext& context, const QString& ruleText, NameParts& parts, bool replacing)
{
    ParamReader read(ruleText);
    const QString left = read.text();
    const bool removeLeft = read.keyword() == TrueKeyword;
    const QString right = read.text();
    const bool removeRight = read.keyword() == TrueKeyword;
    const QString insert = replacing ? read.text() : QString();
    const Qt::CaseSensitivity cs = CaseOf(context);
    Dispatch(context, parts, read.text(), [&](QString& part, NamePart) {
        const qsizetype p1 = left.isEmpty() ? 0 : FindText(part, left, 0, cs);
        if (p1 < 0)
            return true;
        const qsizetype afterLeft = p1 + left.size();
        const qsizetype p2 = right.isEmpty() ? part.size() : FindText(part, right, afterLeft, cs);
        if (p2 < 0)
            return true;
        const qsizetype headEnd = removeLeft ? p1 : afterLeft;
        const qsizetype tailStart = removeRight ? p2 + right.size() : p2;
        part = part.first(headEnd) + insert + part.sliced(std::min(tailStart, part.size()));
        return true;
    });
}

void ClearBetweenMargins(RuleOpContext& context, const QString& ruleText, NameParts& parts)
{
    BetweenMargins(context, ruleText, parts, false);
}

void ReplaceBetweenMargins(RuleOpContext& context, const QString& ruleText, NameParts& parts)
{
    BetweenMargins(context, ruleText, parts, true);
}

// The piece of one line of a text file the rule gives every item; "" on any error.
QString ReadLinePiece(const QString& fileName, int lineNumber, int startFrom, int length)
{
    QStringList lines;
    if (fileName.isEmpty() || !platform::ReadTextFile(fileName, lines))
        return QString();
    const qsizetype index = std::max(lineNumber, 1) - 1;
    if (index >= lines.size())
        return QString();
    const QString& line = lines[index];
    const qsizetype skip = std::max(startFrom, 1) - 1;
    if (skip > CodePointCount(line))
        return QString();
    return LeftCodePoints(MidCodePoints(line, skip), std::max(length, 0)).toString();
}

void SetAsLineFromFile(RuleOpContext& context, const QString& ruleText, NameParts& parts)
{
    ParamReader read(ruleText);
    const QString fileName = read.text();
    const int lineNumber = read.number();
    const int startFrom = read.number();
    const int length = read.number();
    const QString applyTo = read.text();

    // Read once per run; every item of the run gets the same text.
    std::vector<std::optional<QString>>& cache = context.state.ruleText;
    QString text;
    if (context.ruleIndex >= 0) {
        if (std::size_t(context.ruleIndex) >= cache.size())
            cache.resize(std::size_t(context.ruleIndex) + 1);
        std::optional<QString>& cached = cache[std::size_t(context.ruleIndex)];
        if (!cached)
            cached = ReadLinePiece(fileName, lineNumber, startFrom, length);
        text = *cached;
    } else {
        text = ReadLinePiece(fileName, lineNumber, startFrom, length);
    }
    Dispatch(context, parts, applyTo, [&](QString& part, NamePart) {
        part = text;
        return true;
    });
}

void SetMaximumLength(RuleOpContext& context, const QString& ruleText, NameParts& parts)
{
    ParamReader read(ruleText);
    const qsizetype maximum = read.number();
    const QString applyTo = read.text();
    if (maximum < 1) {
        context.failed = true;
        return;
    }
    Dispatch(context, parts, applyTo, [&](QString& part, NamePart) {
        part.truncate(CodePointOffset(part, maximum));
        return true;
    });
}

void SetComparisonType(RuleOpContext& context, const QString& ruleText, NameParts&)
{
    ParamReader read(ruleText);
    context.state.ignoreCase = read.keyword() != TrueKeyword;
}

void SetFullNames(RuleOpContext& context, const QString& ruleText, NameParts&)
{
    ParamReader read(ruleText);
    context.state.fullNames = read.keyword() == TrueKeyword;
}

void SetSkipFailedRules(RuleOpContext& context, const QString& ruleText, NameParts&)
{
    ParamReader read(ruleText);
    context.state.skipFailedRules = read.keyword() == TrueKeyword;
}

constexpr std::array<RuleOpEntry, 16> Operations = {{
    {u"Create a new name", CreateNewName},
    {u"Find and replace text", FindAndReplace},
    {u"Find and replace text (Advanced)", FindAndReplaceAdvanced},
    {u"Find and replace using Regular Expression", RegexReplaceRule},
    {u"Attach text to edge of name", AttachText},
    {u"Add text at position", AddTextAtPosition},
    {u"Remove characters from position", RemoveFromPosition},
    {u"Remove characters from edge of name", RemoveFromEdge},
    {u"Remove characters (Advanced)", RemoveAroundText},
    {u"Clear text between margins", ClearBetweenMargins},
    {u"Replace text between margins", ReplaceBetweenMargins},
    {u"Set as line from text file", SetAsLineFromFile},
    {u"Set maximum name length", SetMaximumLength},
    {u"Set the text comparison type", SetComparisonType},
    {u"Make 'Title & Extension' affect full names", SetFullNames},
    {u"Skip rule if causing validation error", SetSkipFailedRules},
}};

} // namespace

std::span<const RuleOpEntry> TitleExtensionOperations()
{
    return Operations;
}

} // namespace quelt
