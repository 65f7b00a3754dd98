#include "engine/RuleLine.h"

#include <algorithm>
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
    // QString's single-character searches; QStringView's go through the substring search.
    const qsizetype firstOpen = ruleText.indexOf(QChar(u'<'), position);
    if (firstOpen < 0)
        return NotFound;
    const qsizetype close = ruleText.indexOf(QChar(u'>'), firstOpen + 1);
    if (close < 0)
        return NotFound;
    // The last "<" before that ">" opens the parameter.
    qsizetype open = close - 1;
    while (ruleText[open] != u'<')
        --open;
    const qsizetype start = ruleText.indexOf(QChar(u'='), open + 1) + 1; // 0 when there is no "="
    if (close < start)
        return NotFound; // the "=" stands after this ">": no value here
    position = close + 2;
    return ruleText.mid(start, close - start);
}

QString Keyword(const QString& value)
{
    // Parameter values are nearly always ASCII, where lower case maps A-Z only.
    const char16_t* in = reinterpret_cast<const char16_t*>(value.constData());
    const qsizetype size = value.size();
    qsizetype i = 0;
    for (; i < size; ++i) {
        if (in[i] >= 0x80)
            return value.toLower();
        if (in[i] >= u'A' && in[i] <= u'Z')
            break;
    }
    if (i == size)
        return value;
    QString lower(size, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(lower.data());
    std::copy(in, in + i, out);
    for (; i < size; ++i) {
        const char16_t c = in[i];
        if (c >= 0x80)
            return value.toLower();
        out[i] = c >= u'A' && c <= u'Z' ? char16_t(c | 0x20) : c;
    }
    return lower;
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
