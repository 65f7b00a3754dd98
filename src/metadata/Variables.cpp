#include "metadata/Variables.h"
#include "platform/TextTrim.h"

#include "app/Settings.h"
#include "metadata/VariableGroups.h"
#include "platform/FileSystem.h"
#include "platform/ItemFile.h"
#include "platform/ProgramFiles.h"
#include "renaming/EventLog.h"

#include <QHash>
#include <QLocale>

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <limits>
#include <vector>

namespace quelt {
namespace {

// The nine characters a name may not hold (besides the control characters).
constexpr char16_t ForbiddenNameChars[] = u"/\\:*?\"<>|";

constexpr std::array<bool, 128> MakeInvalidCharTable()
{
    std::array<bool, 128> table{};
    for (int c = 0; c < 32; ++c)
        table[std::size_t(c)] = true;
    for (const char16_t* p = ForbiddenNameChars; *p; ++p)
        table[*p] = true;
    return table;
}
constexpr std::array<bool, 128> InvalidCharTable = MakeInvalidCharTable();

bool IsInvalidNameChar(char16_t c) { return c < 128 && InvalidCharTable[c]; }
bool IsControlChar(char16_t c) { return c < 32; }

// The character that replaces a forbidden one: the first code point of
// replaceWith, or "_" when that is missing or itself not allowed in a name.
QString ReplacementFor(const ExpansionOptions& options)
{
    const QString& with = options.replaceWith;
    if (with.isEmpty())
        return QStringLiteral("_");
    const qsizetype length = with.size() > 1 && with.at(0).isHighSurrogate() && with.at(1).isLowSurrogate() ? 2 : 1;
    if (length == 1 && IsInvalidNameChar(with.at(0).unicode()))
        return QStringLiteral("_");
    return with.left(length);
}

using platform::TrimSpaces;

// Position of an ASCII word (given in lower case) in a text, letters compared
// without regard to case; -1 when absent. Faster than a Unicode case fold, and
// keywords are plain ASCII.
qsizetype IndexOfAsciiWord(QStringView text, QLatin1StringView lowerWord, qsizetype from = 0)
{
    const qsizetype n = lowerWord.size();
    const char16_t first = lowerWord.front().unicode();
    for (qsizetype i = from; i + n <= text.size(); ++i) {
        if ((text[i].unicode() | 0x20) != first)
            continue;
        qsizetype k = 1;
        while (k < n) {
            const char16_t c = text[i + k].unicode();
            const char16_t lower = c >= u'A' && c <= u'Z' ? char16_t(c | 0x20) : c;
            if (lower != lowerWord[k].unicode())
                break;
            ++k;
        }
        if (k == n)
            return i;
    }
    return -1;
}

// The text in lower case, as QString::toLower gives it; ASCII text, which variable
// names are, without the Unicode tables.
QString LowerCase(QStringView text)
{
    QString out(text.size(), Qt::Uninitialized);
    QChar* o = out.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x80)
            return text.toString().toLower();
        o[i] = QChar(c >= u'A' && c <= u'Z' ? char16_t(c | 0x20) : c);
    }
    return out;
}

// The leading decimal number of a text, the way parameters such as "=10" are read:
// spaces skipped, then an optional sign, digits, fraction and exponent; 0 when the
// text does not start with a number.
double LeadingNumber(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == u' ')
        ++i;
    const qsizetype start = i;
    auto digits = [&] {
        const qsizetype from = i;
        while (i < n && text[i] >= u'0' && text[i] <= u'9')
            ++i;
        return i > from;
    };
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    bool any = digits();
    if (i < n && text[i] == u'.') {
        ++i;
        any = digits() || any;
    }
    if (!any)
        return 0;
    const qsizetype mantissaEnd = i;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        if (i < n && (text[i] == u'+' || text[i] == u'-'))
            ++i;
        if (!digits())
            i = mantissaEnd;
    }
    bool ok = false;
    const double value = QLocale::c().toDouble(text.sliced(start, i - start), &ok);
    return ok || std::isinf(value) ? value : 0;
}

// The whole part of a number, clamped to [low, high].
int WholeNumberIn(double value, int low, int high)
{
    if (std::isnan(value))
        return low;
    return int(std::clamp(std::trunc(value), double(low), double(high)));
}

// Parameters split off an alternative at its first "=", chosen by a keyword in the
// text before that "=", in this order.
enum class ParameterKind { TrackIndex, Constant, Length };
struct ParameterKeyword {
    QLatin1StringView keyword;
    ParameterKind kind;
};
constexpr ParameterKeyword ParameterKeywords[] = {
    {QLatin1StringView("midi_track"), ParameterKind::TrackIndex},
    {QLatin1StringView("const"), ParameterKind::Constant},
    {QLatin1StringView("random"), ParameterKind::Length},
};

// The records that groups have read for the item during one ConvertText call.
class ExpansionCache {
public:
    const void* record(const VariableGroup& group, qsizetype index, const QString& path)
    {
        if (records_.size() <= std::size_t(index))
            records_.resize(std::size_t(index) + 1);
        auto& slot = records_[std::size_t(index)];
        if (!slot.loaded) {
            slot.record = group.load(path);
            slot.loaded = true;
        }
        return slot.record.get();
    }

private:
    struct Slot {
        bool loaded = false;
        std::shared_ptr<const void> record;
    };
    std::vector<Slot> records_;
};

struct Expansion {
    bool closed = true;       // false: a reference had no closing "%"
    bool allResolved = true;
    QString text;
};

class Expander {
public:
    Expander(const PreviewItem& item, const VariableSet& variables)
        : item_(item), variables_(variables), path_(item.folder + item.oldName) {}

    Expansion run(const QString& text)
    {
        Expansion result;
        QString& out = result.text;
        out.reserve(text.size());
        const QStringView view(text);
        const qsizetype n = view.size();
        qsizetype nulCheckedUpTo = 0;
        qsizetype i = 0;
        while (i < n) {
            const qsizetype percent = view.indexOf(u'%', i);
            if (percent < 0) {
                out.append(view.sliced(i));
                break;
            }
            out.append(view.sliced(i, percent - i));
            if (percent == n - 1) {
                out.append(u'%');
                break;
            }
            if (view[percent + 1] == u'%') {
                out.append(u'%');
                i = percent + 2;
                continue;
            }
            QString body;
            const qsizetype end = referenceEnd(view, percent + 1, body);
            if (end < 0) {
                result.closed = false;
                return result;
            }
            if (const VariableValue value = resolveReference(body))
                out.append(*value);
            else
                result.allResolved = false;
            const qsizetype nul = out.indexOf(QChar(u'\0'), nulCheckedUpTo);
            if (nul >= 0)
                out.truncate(nul);
            nulCheckedUpTo = out.size();
            i = end;
        }
        return result;
    }

private:
    // Collects the body of a reference that starts at `from` (after its "%") into
    // `body`, a doubled "%" standing for one; returns the position after the
    // closing "%", or -1 when there is none.
    static qsizetype referenceEnd(QStringView text, qsizetype from, QString& body)
    {
        qsizetype j = from;
        for (;;) {
            const qsizetype close = text.indexOf(u'%', j);
            if (close < 0)
                return -1;
            body.append(text.sliced(j, close - j));
            if (close + 1 < text.size() && text[close + 1] == u'%') {
                body.append(u'%');
                j = close + 2;
                continue;
            }
            return close + 1;
        }
    }

    // Tries the alternatives of a body ("a ELSE b ELSE const=c") in order. One
    // character on each side of ELSE is dropped; once "const=" has appeared, the
    // rest of the body is the last alternative, so a constant may hold "ELSE".
    VariableValue resolveReference(QStringView body)
    {
        static constexpr QLatin1StringView Else("else");
        const qsizetype constAt = IndexOfAsciiWord(body, QLatin1StringView("const="));
        qsizetype start = 0;
        for (;;) {
            const qsizetype elseAt = IndexOfAsciiWord(body, Else, start);
            const bool last = elseAt < 0 || (constAt >= 0 && constAt < elseAt);
            const QStringView alternative =
                last ? body.sliced(start) : body.sliced(start, std::max<qsizetype>(0, elseAt - 1 - start));
            if (VariableValue value = resolveAlternative(TrimSpaces(alternative)))
                return value;
            if (last)
                return std::nullopt;
            start = std::min(body.size(), elseAt + Else.size() + 1);
        }
    }

    VariableValue resolveAlternative(QStringView alternative)
    {
        VariableRequest request{item_, path_, VariableLayout::None, {}, -1, 0};
        QStringView name = alternative;
        const qsizetype equals = alternative.indexOf(u'=');
        if (equals >= 0) {
            const QStringView head = alternative.first(equals);
            const QStringView parameter = alternative.sliced(equals + 1);
            for (const ParameterKeyword& p : ParameterKeywords) {
                if (IndexOfAsciiWord(head, p.keyword) < 0)
                    continue;
                switch (p.kind) {
                case ParameterKind::TrackIndex:
                    request.trackIndex = WholeNumberIn(LeadingNumber(parameter),
                                                       std::numeric_limits<int>::min(),
                                                       std::numeric_limits<int>::max());
                    break;
                case ParameterKind::Constant:
                    request.constant = parameter.toString();
                    break;
                case ParameterKind::Length:
                    request.length = WholeNumberIn(LeadingNumber(parameter), 0, MaxRandomLength);
                    break;
                }
                name = TrimSpaces(head);
                break;
            }
        }
        return lookUp(LowerCase(name), request);
    }

    VariableValue lookUp(const QString& lowerName, VariableRequest& request)
    {
        QString base = lowerName;
        if (lowerName.endsWith(u']')) {
            const qsizetype open = lowerName.indexOf(u'[');
            if (open >= 0) {
                const auto layout = LayoutFromText(QStringView(lowerName).sliced(open + 1, lowerName.size() - open - 2));
                if (!layout)
                    return std::nullopt;
                request.layout = *layout;
                base.truncate(open);
            }
        }
        const VariableSet::Entry* entry = variables_.find(base);
        if (!entry || !(entry->info.layouts & LayoutBit(request.layout)))
            return std::nullopt;
        const VariableGroup& group = *variables_.groups()[std::size_t(entry->group)];
        const void* record = cache_.record(group, entry->group, path_);
        VariableValue value = group.value(entry->row, record, request);
        if (!value)
            return std::nullopt;
        if (!(entry->info.flags & KeepSpaces))
            *value = TrimSpaces(*value).toString();
        if (value->isEmpty() && !(entry->info.flags & EmptyResolves))
            return std::nullopt;
        return value;
    }

    const PreviewItem& item_;
    const VariableSet& variables_;
    const QString path_;
    ExpansionCache cache_;
};

void LogFailure(int number, const ExpansionOptions& options)
{
    if (options.enableLogging)
        LogEvent(QStringLiteral("ERROR"), QStringLiteral("ConvertText: Unexpected error #") + QString::number(number));
}

// Cleans the item's text as it stands of characters a name cannot hold; also
// what a failed expansion does, so that a stray "%" never lets a "/" reach the
// rename.
void CleanInPlace(PreviewItem& item, const ExpansionOptions& options)
{
    QString cleaned = FixInvalidChars(item.newName, options);
    if (IsReservedName(cleaned))
        item.valid = false;
    item.newName = std::move(cleaned);
}

// The title of one line of a page: the text between "<title>" and the next
// "</title>" after it (any case); none when the line lacks either.
std::optional<QString> TitleInLine(QByteArrayView line)
{
    static constexpr QStringView OpenTag = u"<title>";
    static constexpr QStringView CloseTag = u"</title>";
    if (line.isEmpty())
        return std::nullopt;
    // Each line is decoded on its own, so that bytes in another encoding further
    // down the page do not change how the title line reads.
    const QString text = platform::DecodeText(line);
    const qsizetype open = text.indexOf(OpenTag, 0, Qt::CaseInsensitive);
    if (open < 0)
        return std::nullopt;
    const qsizetype textStart = open + OpenTag.size();
    const qsizetype close = text.indexOf(CloseTag, textStart, Qt::CaseInsensitive);
    if (close < 0)
        return std::nullopt;
    return text.mid(textStart, close - textStart);
}

qsizetype LineEnd(QByteArrayView bytes, qsizetype from)
{
    while (from < bytes.size() && bytes[from] != '\n' && bytes[from] != '\r')
        ++from;
    return from;
}

// The locale's long time format without its time-zone field.
QString TimeFormatWithSeconds(const QLocale& locale)
{
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        if (!quoted && c == u't')
            continue;
        out.append(c);
    }
    return out.trimmed();
}

QString GroupThousands(std::int64_t value, const QString& separator)
{
    const bool negative = value < 0;
    const std::uint64_t magnitude = negative ? 0 - std::uint64_t(value) : std::uint64_t(value);
    const QString digits = QString::number(magnitude);
    QString out;
    out.reserve(digits.size() + digits.size() / 3 * separator.size() + 1);
    if (negative)
        out.append(u'-');
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out.append(separator);
        out.append(digits[i]);
    }
    return out;
}

} // namespace

ExpansionOptions ExpansionOptionsFromSettings()
{
    const Settings& settings = AppSettings();
    return {settings.ReplaceInvalidChars, settings.ReplaceWith, settings.EnableLogging};
}

PreviewItem ConvertText(const PreviewItem& item)
{
    return ConvertText(item, ExpansionOptionsFromSettings());
}

QString FixInvalidChars(const QString& text)
{
    return FixInvalidChars(text, ExpansionOptionsFromSettings());
}

PreviewItem ConvertText(const PreviewItem& item, const ExpansionOptions& options)
{
    return ConvertText(item, options, StandardVariables());
}

PreviewItem ConvertText(const PreviewItem& item, const ExpansionOptions& options, const VariableSet& variables)
{
    PreviewItem out = item;
    ConvertTextInPlace(out, options, variables);
    return out;
}

void ConvertTextInPlace(PreviewItem& item, const ExpansionOptions& options)
{
    ConvertTextInPlace(item, options, StandardVariables());
}

void ConvertTextInPlace(PreviewItem& item, const ExpansionOptions& options, const VariableSet& variables)
{
    try {
        if (!item.newName.contains(u'%')) {
            CleanInPlace(item, options);
            return;
        }
        const Expansion expansion = Expander(item, variables).run(item.newName);
        if (!expansion.closed) {
            LogFailure(UnclosedReference, options);
            CleanInPlace(item, options);
            return;
        }
        QString cleaned = FixInvalidChars(expansion.text, options);
        item.valid = item.valid && expansion.allResolved && !IsReservedName(cleaned);
        item.newName = std::move(cleaned);
    } catch (...) {
        // The item is changed only by the last statements above, which do not throw.
        LogFailure(InternalError, options);
    }
}

QString FixInvalidChars(const QString& text, const ExpansionOptions& options)
{
    const auto firstInvalid = std::find_if(text.cbegin(), text.cend(),
                                           [](QChar c) { return IsInvalidNameChar(c.unicode()); });
    if (firstInvalid == text.cend())
        return text;
    const QString replacement = options.replaceInvalidChars ? ReplacementFor(options) : QString();
    QString out;
    out.reserve(text.size());
    out.append(QStringView(text.cbegin(), firstInvalid));
    for (auto it = firstInvalid; it != text.cend(); ++it) {
        const char16_t c = it->unicode();
        if (!IsInvalidNameChar(c))
            out.append(*it);
        else if (!IsControlChar(c))
            out.append(replacement);
    }
    return out;
}

bool IsReservedName(QStringView name)
{
    return name == u"." || name == u"..";
}

QString GetFileExtension(const QString& text)
{
    const qsizetype dot = text.lastIndexOf(u'.');
    return dot < 0 ? QString() : text.mid(dot + 1);
}

QString GetFileTitle(const QString& text)
{
    const qsizetype dot = text.lastIndexOf(u'.');
    return dot < 0 ? text : text.left(dot);
}

std::int64_t GetFileSize(const QString& path)
{
    return std::max<std::int64_t>(0, platform::FileSize(path));
}

QString FormatFileSize(std::int64_t size)
{
    struct Unit {
        std::int64_t bytes;
        const char* name;
    };
    static constexpr Unit Units[] = {
        {std::int64_t(1) << 40, "TB"},
        {std::int64_t(1) << 30, "GB"},
        {std::int64_t(1) << 20, "MB"},
        {std::int64_t(1) << 10, "KB"},
    };
    const QString separator = QLocale().groupSeparator();
    for (const Unit& unit : Units) {
        if (size > unit.bytes)
            return GroupThousands(size / unit.bytes, separator) + u' ' + QLatin1StringView(unit.name);
    }
    return GroupThousands(size, separator) + QStringLiteral(" bytes");
}

std::optional<QDateTime> GetFileDateTime(const QString& path, int selector)
{
    if (selector < LastAccess || selector > LastWrite)
        return std::nullopt;
    const platform::FileTimes times = platform::ReadFileTimes(path);
    if (!times.ok)
        return std::nullopt;
    const platform::FileTime& time = selector == LastAccess ? times.accessed
                                   : selector == Creation  ? times.created
                                                           : times.modified;
    return QDateTime::fromSecsSinceEpoch(time.seconds, Qt::LocalTime).addMSecs(time.nanoseconds / 1000000);
}

FileTimeTexts GetFileTimes(const QString& path, int selector)
{
    const std::optional<QDateTime> time = GetFileDateTime(path, selector);
    if (!time)
        return {};
    const QLocale locale;
    return {locale.toString(time->date(), QLocale::ShortFormat),
            locale.toString(time->time(), TimeFormatWithSeconds(locale))};
}

QString GetHTMLTitle(const QString& path)
{
    const QString extension = GetFileExtension(path.mid(path.lastIndexOf(u'/') + 1)).toLower();
    if (extension != u"htm" && extension != u"html")
        return {};
    if (!platform::PathExists(path))
        return {};
    platform::ItemFile file;
    if (!file.open(path))
        return {};
    const std::int64_t size = file.size();
    QByteArray pending; // the start of a line whose end has not been read yet
    std::int64_t offset = 0;
    while (offset < size) {
        const QByteArray chunk = file.read(offset, HtmlReadChunk);
        if (chunk.isEmpty())
            return {};
        offset += chunk.size();
        const qsizetype scanFrom = pending.size(); // the bytes before hold no line end
        pending += chunk;
        qsizetype start = 0;
        for (qsizetype end = LineEnd(pending, scanFrom); end < pending.size(); end = LineEnd(pending, start)) {
            if (std::optional<QString> title = TitleInLine(QByteArrayView(pending).sliced(start, end - start)))
                return *title;
            start = end + 1;
        }
        pending.remove(0, start);
    }
    return TitleInLine(pending).value_or(QString());
}

QString HtmlTitleFromBytes(QByteArrayView bytes)
{
    for (qsizetype start = 0; start < bytes.size();) {
        const qsizetype end = LineEnd(bytes, start);
        if (std::optional<QString> title = TitleInLine(bytes.sliced(start, end - start)))
            return *title;
        start = end + 1;
    }
    return {};
}

} // namespace quelt
