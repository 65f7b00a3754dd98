#include "platform/ProgramFiles.h"

#include <algorithm>

namespace quelt::platform {
namespace {

// An INI file of the program is a few kilobytes; anything past this is not read.
constexpr qint64 MaxIniFileBytes = 4 * 1024 * 1024;

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool IsQuote(QChar c) { return c == u'"' || c == u'\''; }

bool IsEnclosedInQuotes(const QString& value)
{
    return value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front();
}

QString Unquoted(const QString& value)
{
    return IsEnclosedInQuotes(value) ? value.mid(1, value.size() - 2) : value;
}

QString LineValue(const QString& value)
{
    if (value.contains(u'\r') || value.contains(u'\n'))
        return {};
    const bool padded = !value.isEmpty() && (value.front().isSpace() || value.back().isSpace());
    if (padded || IsEnclosedInQuotes(value))
        return u'"' + value + u'"';
    return value;
}

// The first `maxLength` code points of the text (a surrogate pair is never split).
QString FirstCodePoints(const QString& text, qsizetype maxLength)
{
    if (text.size() <= maxLength)
        return text;
    qsizetype i = 0;
    for (qsizetype n = 0; n < maxLength && i < text.size(); ++n) {
        const bool pair = text[i].isHighSurrogate() && i + 1 < text.size()
            && text[i + 1].isLowSurrogate();
        i += pair ? 2 : 1;
    }
    return text.left(i);
}

// Lines of the bytes split at CR LF, LF or CR, each decoded on its own.
QStringList DecodeLines(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n')
            continue;
        lines.append(DecodeTextLine(bytes.sliced(start, i - start)));
        if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        lines.append(DecodeTextLine(bytes.sliced(start)));
    return lines;
}

} // namespace

bool IniFile::load(const QString& path)
{
    QByteArray bytes;
    const bool ok = ReadWholeFile(path, bytes, MaxIniFileBytes);
    parse(bytes);
    return ok;
}

void IniFile::parse(QByteArrayView bytes)
{
    sections_.clear();
    Section* current = nullptr;
    for (const QString& raw : DecodeLines(bytes)) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'[')) {
            const qsizetype close = line.lastIndexOf(u']');
            if (close < 0) {
                current = nullptr;
                continue;
            }
            const QString name = line.mid(1, close - 1).trimmed();
            auto found = std::find_if(sections_.begin(), sections_.end(),
                                      [&](const Section& s) { return SameName(s.name, name); });
            if (found == sections_.end()) {
                sections_.push_back({name, {}});
                found = sections_.end() - 1;
            }
            current = &*found;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!current || equals <= 0 || line.startsWith(u';'))
            continue;
        const QString key = line.left(equals).trimmed();
        if (!key.isEmpty())
            current->entries.push_back({key, Unquoted(line.mid(equals + 1).trimmed())});
    }
}

bool IniFile::contains(const QString& section, const QString& key) const
{
    for (const Section& s : sections_) {
        if (SameName(s.name, section))
            return std::any_of(s.entries.begin(), s.entries.end(),
                               [&](const Entry& e) { return SameName(e.key, key); });
    }
    return false;
}

QString IniFile::value(const QString& section, const QString& key, const QString& fallback) const
{
    for (const Section& s : sections_) {
        if (!SameName(s.name, section))
            continue;
        for (const Entry& e : s.entries) {
            if (SameName(e.key, key))
                return FirstCodePoints(e.value, MaxIniValueLength);
        }
        break;
    }
    return FirstCodePoints(fallback, MaxIniValueLength);
}

void IniFile::setValue(const QString& section, const QString& key, const QString& value)
{
    auto s = std::find_if(sections_.begin(), sections_.end(),
                          [&](const Section& x) { return SameName(x.name, section); });
    if (s == sections_.end()) {
        sections_.push_back({section, {}});
        s = sections_.end() - 1;
    }
    auto e = std::find_if(s->entries.begin(), s->entries.end(),
                          [&](const Entry& x) { return SameName(x.key, key); });
    if (e == s->entries.end())
        s->entries.push_back({key, value});
    else
        e->value = value;
}

QStringList IniFile::toLines() const
{
    QStringList lines;
    for (const Section& s : sections_) {
        if (!lines.isEmpty())
            lines.append(QString());
        lines.append(u'[' + s.name + u']');
        for (const Entry& e : s.entries)
            lines.append(e.key + u'=' + LineValue(e.value));
    }
    return lines;
}

bool IniFile::save(const QString& path) const { return WriteTextFile(path, toLines()); }

} // namespace quelt::platform
