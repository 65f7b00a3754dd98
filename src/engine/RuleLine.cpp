#include "engine/RuleLine.h"

#include <limits>

namespace quelt {

QString RuleName(const QString& ruleText)
{
    const qsizetype colon = ruleText.indexOf(u':');
    return colon < 0 ? ruleText : ruleText.left(colon);
}

QString GetParamValue(const QString& ruleText, const QString& name)
{
    const QString wanted = name.trimmed().toLower();
    for (qsizetype i = ruleText.indexOf(u'<'); i >= 0; i = ruleText.indexOf(u'<', i + 1)) {
        const qsizetype eq = ruleText.indexOf(u'=', i + 1);
        if (eq < 0)
            break; // no "=" follows, so no value can either
        const QString candidate = ruleText.mid(i + 1, eq - i - 1);
        if (candidate.trimmed().toLower() != wanted)
            continue;
        const qsizetype valueStart = eq + 1;
        const qsizetype gt = ruleText.indexOf(u'>', valueStart);
        if (gt > valueStart)
            return ruleText.mid(valueStart, gt - valueStart);
    }
    return QString();
}

QString ReadNextParam(const QString& ruleText, qsizetype& position)
{
    if (position < 0)
        return NotFound;
    qsizetype start = -1;
    for (qsizetype i = position; i < ruleText.size(); ++i) {
        const QChar c = ruleText[i];
        if (c == u'<') {
            start = ruleText.indexOf(u'=', i + 1) + 1; // 0 when there is no "="
        } else if (c == u'>' && start >= 0) {
            if (i < start)
                return NotFound; // the "=" stands after this ">": no value here
            const qsizetype length = i - start;
            position = start + length + 2;
            return ruleText.mid(start, length);
        }
    }
    return NotFound;
}

int LeadingNumber(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    constexpr long long limit = std::numeric_limits<int>::max();
    long long value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i].unicode() - u'0');
        if (value > limit) {
            value = limit + (negative ? 1 : 0);
            break;
        }
    }
    if (negative)
        value = -value;
    if (value < std::numeric_limits<int>::min())
        value = std::numeric_limits<int>::min();
    if (value > limit)
        value = limit;
    return int(value);
}

} // namespace quelt
