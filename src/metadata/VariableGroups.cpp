#include "metadata/VariableGroups.h"

namespace quelt {

// Groups defined beside their readers. A new group adds its declaration here and
// one entry to the table below.
const VariableGroup& GeneralVariableGroup();
const VariableGroup& FileTimeVariableGroup();
const VariableGroup& FileSizeVariableGroup();
const VariableGroup& HtmlVariableGroup();

std::span<const VariableGroup* const> VariableGroups()
{
    static const VariableGroup* const groups[] = {
        &GeneralVariableGroup(),
        &FileTimeVariableGroup(),
        &FileSizeVariableGroup(),
        &HtmlVariableGroup(),
    };
    return groups;
}

VariableSet::VariableSet(std::span<const VariableGroup* const> groups) : groups_(groups)
{
    for (qsizetype g = 0; g < qsizetype(groups.size()); ++g) {
        const VariableGroup& group = *groups[std::size_t(g)];
        for (qsizetype r = 0; r < group.rowCount(); ++r) {
            const VariableInfo info = group.row(r);
            const QString name = group.prefix().toString() + info.name.toString();
            if (index_.contains(name))
                duplicates_.append(name);
            else
                index_.insert(name, Entry{g, r, info});
        }
    }
}

const VariableSet::Entry* VariableSet::find(const QString& name) const
{
    const auto found = index_.constFind(name);
    return found == index_.constEnd() ? nullptr : &found.value();
}

QStringList VariableSet::duplicateNames() const
{
    return duplicates_;
}

const VariableSet& StandardVariables()
{
    static const VariableSet set(VariableGroups());
    return set;
}

namespace {

struct LayoutName {
    QStringView text;
    VariableLayout layout;
};
constexpr LayoutName LayoutNames[] = {
    {u"dd-mm-yyyy", VariableLayout::DayMonthYear},
    {u"mm-dd-yyyy", VariableLayout::MonthDayYear},
    {u"yyyy-mm-dd", VariableLayout::YearMonthDay},
    {u"hh-mm-ss", VariableLayout::HourMinuteSecond},
    {u"hh-mm", VariableLayout::HourMinute},
};

// Digits of value, "0" on the left up to width. Date and time fields are small and
// not negative, so they are written directly; other values go through QString.
void AppendPadded(QString& out, int value, int width)
{
    constexpr int MaxDirectWidth = 4;
    if (value < 0 || value > 9999 || width > MaxDirectWidth) {
        out.append(QString::number(value).rightJustified(width, u'0'));
        return;
    }
    char16_t digits[MaxDirectWidth];
    int count = 0;
    do {
        digits[MaxDirectWidth - 1 - count++] = char16_t(u'0' + value % 10);
        value /= 10;
    } while (value > 0);
    for (; count < width; ++count)
        digits[MaxDirectWidth - 1 - count] = u'0';
    out.append(QStringView(digits + MaxDirectWidth - count, count));
}

// Whether text equals an ASCII lower-case word, ASCII letters compared without regard
// to case; std::nullopt when text holds other characters, which Unicode folding
// must judge.
std::optional<bool> EqualsAsciiWord(QStringView text, QStringView lowerWord)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x80)
            return std::nullopt;
    }
    if (text.size() != lowerWord.size())
        return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const char16_t lower = c >= u'A' && c <= u'Z' ? char16_t(c | 0x20) : c;
        if (lower != lowerWord[i].unicode())
            return false;
    }
    return true;
}

} // namespace

std::optional<VariableLayout> LayoutFromText(QStringView text)
{
    for (const LayoutName& name : LayoutNames) {
        const std::optional<bool> equal = EqualsAsciiWord(text, name.text);
        if (equal ? *equal : text.compare(name.text, Qt::CaseInsensitive) == 0)
            return name.layout;
    }
    return std::nullopt;
}

QString FormatDateLayout(QDate date, VariableLayout layout)
{
    if (!date.isValid())
        return {};
    int year = 0;
    int month = 0;
    int day = 0;
    date.getDate(&year, &month, &day); // one calendar conversion instead of three
    QString out;
    out.reserve(10);
    switch (layout) {
    case VariableLayout::None:
    case VariableLayout::DayMonthYear:
        AppendPadded(out, day, 2);
        out.append(u'-');
        AppendPadded(out, month, 2);
        out.append(u'-');
        AppendPadded(out, year, 4);
        break;
    case VariableLayout::MonthDayYear:
        AppendPadded(out, month, 2);
        out.append(u'-');
        AppendPadded(out, day, 2);
        out.append(u'-');
        AppendPadded(out, year, 4);
        break;
    case VariableLayout::YearMonthDay:
        AppendPadded(out, year, 4);
        out.append(u'-');
        AppendPadded(out, month, 2);
        out.append(u'-');
        AppendPadded(out, day, 2);
        break;
    case VariableLayout::HourMinuteSecond:
    case VariableLayout::HourMinute:
        break;
    }
    return out;
}

QString FormatTimeLayout(QTime time, VariableLayout layout)
{
    if (!time.isValid())
        return {};
    if (layout != VariableLayout::None && layout != VariableLayout::HourMinuteSecond
        && layout != VariableLayout::HourMinute)
        return {};
    QString out;
    out.reserve(8);
    AppendPadded(out, time.hour(), 2);
    out.append(u'-');
    AppendPadded(out, time.minute(), 2);
    if (layout != VariableLayout::HourMinute) {
        out.append(u'-');
        AppendPadded(out, time.second(), 2);
    }
    return out;
}

} // namespace quelt
