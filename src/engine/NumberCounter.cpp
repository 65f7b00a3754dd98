#include "engine/NumberCounter.h"

#include "engine/CodePoints.h"

#include <QHash>

#include <algorithm>
#include <limits>

namespace quelt {

namespace {

constexpr std::int64_t MaxValue = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t MinValue = -MaxValue; // symmetric, so negation never overflows

std::int64_t Clamp(__int128 v)
{
    return v > MaxValue ? MaxValue : v < MinValue ? MinValue : std::int64_t(v);
}

std::int64_t SaturatingMul(std::int64_t a, std::int64_t b)
{
    return Clamp(__int128(a) * b);
}

bool IsBlank(QChar c) { return c == u' ' || c == u'\t'; }

} // namespace

NumberingKind NumberingKindOf(const QString& typeLower)
{
    static const QHash<QString, NumberingKind> kinds = {
        {QStringLiteral("decimal"), NumberingKind::Decimal},
        {QStringLiteral("hexadecimal"), NumberingKind::Hexadecimal},
        {QStringLiteral("alphabetical"), NumberingKind::Alphabetical},
    };
    return kinds.value(typeLower, NumberingKind::None);
}

std::int64_t SaturatingAdd(std::int64_t a, std::int64_t b)
{
    return Clamp(__int128(a) + b);
}

std::int64_t NumberValue(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
        value = SaturatingAdd(SaturatingMul(value, 10), text[i].unicode() - u'0');
    return negative ? -value : value;
}

std::int64_t HexValue(QStringView text)
{
    const QStringView t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) {
        negative = t[i] == u'-';
        ++i;
    }
    if (i == t.size())
        return 0;
    std::int64_t value = 0;
    for (; i < t.size(); ++i) {
        const int digit = HexDigitValue(t[i]);
        if (digit < 0)
            return 0;
        value = SaturatingAdd(SaturatingMul(value, 16), digit);
    }
    return negative ? -value : value;
}

QString HexDigits(std::int64_t value)
{
    const QString digits = QString::number(qulonglong(value < 0 ? -value : value), 16).toUpper();
    return value < 0 ? u'-' + digits : digits;
}

std::int64_t LetterValue(QStringView text)
{
    std::int64_t value = 0;
    for (qsizetype i = 0; i < text.size(); i += CodePointWidthAt(text, i))
        value = SaturatingAdd(SaturatingMul(value, 26), std::int64_t(CodePointAt(text, i)) - 64);
    return value;
}

QString LettersOfValue(std::int64_t value)
{
    QString reversed;
    std::int64_t v = std::clamp(value, MinValue, MaxValue);
    do {
        const std::int64_t r = v % 26; // sign of v
        if (r != 0) {
            reversed.append(QChar(char16_t(r + 64)));
        } else {
            reversed.append(u'Z');
            v -= 1;
        }
        v /= 26;
    } while (v != 0);
    std::reverse(reversed.begin(), reversed.end());
    return reversed;
}

QString InitialCounterValue(const NumberCounter& counter)
{
    switch (NumberingKindOf(counter.type)) {
    case NumberingKind::Decimal:
        return counter.start;
    case NumberingKind::Hexadecimal:
        return HexDigits(HexValue(counter.start));
    case NumberingKind::Alphabetical:
        return QString::number(LetterValue(counter.start));
    case NumberingKind::None:
        break;
    }
    return counter.start;
}

void StartCounter(NumberCounter& counter)
{
    counter.width = std::min(counter.width, MaxNumberWidth);
    counter.current = InitialCounterValue(counter);
    counter.started = true;
}

QString CounterNumberText(const NumberCounter& counter)
{
    const int width = std::min(counter.width, MaxNumberWidth);
    switch (NumberingKindOf(counter.type)) {
    case NumberingKind::Decimal:
    case NumberingKind::Hexadecimal:
        return counter.current.trimmed().rightJustified(width, u'0');
    case NumberingKind::Alphabetical:
        return LettersOfValue(NumberValue(counter.current)).trimmed().leftJustified(width, u' ');
    case NumberingKind::None:
        break;
    }
    return QString();
}

void AdvanceCounter(NumberCounter& counter)
{
    switch (NumberingKindOf(counter.type)) {
    case NumberingKind::Decimal:
    case NumberingKind::Alphabetical:
        counter.current = QString::number(SaturatingAdd(NumberValue(counter.current), NumberValue(counter.step)));
        break;
    case NumberingKind::Hexadecimal:
        counter.current = HexDigits(SaturatingAdd(HexValue(counter.current), HexValue(counter.step)));
        break;
    case NumberingKind::None:
        break;
    }
}

void RestartCounterOnPathChange(NumberCounter& counter)
{
    if (counter.started && counter.reset == QLatin1String("true"))
        counter.current = InitialCounterValue(counter);
}

} // namespace quelt
