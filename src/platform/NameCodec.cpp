#include "platform/NameCodec.h"

#include <algorithm>

namespace quelt::platform {
namespace {

constexpr char16_t EscapeBase = 0xDC80;

bool IsEscape(char16_t c) { return c >= 0xDC80 && c <= 0xDCFF; }
bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Length of the valid UTF-8 sequence starting at p, or 0 when it is not valid
// (overlong forms, surrogates and code points above U+10FFFF are invalid).
qsizetype ValidSequenceLength(const unsigned char* p, qsizetype remaining)
{
    const unsigned char b0 = p[0];
    if (b0 < 0x80)
        return 1;
    qsizetype len;
    char32_t cp;
    char32_t minimum;
    if ((b0 & 0xE0) == 0xC0) { len = 2; cp = b0 & 0x1F; minimum = 0x80; }
    else if ((b0 & 0xF0) == 0xE0) { len = 3; cp = b0 & 0x0F; minimum = 0x800; }
    else if ((b0 & 0xF8) == 0xF0) { len = 4; cp = b0 & 0x07; minimum = 0x10000; }
    else return 0;
    if (remaining < len)
        return 0;
    for (qsizetype i = 1; i < len; ++i) {
        if (!IsContinuation(p[i]))
            return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

} // namespace

QString DecodeName(QByteArrayView bytes)
{
    QString out;
    out.reserve(bytes.size());
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        // Runs of ASCII are the common case.
        if (data[i] < 0x80) {
            qsizetype j = i;
            while (j < n && data[j] < 0x80)
                ++j;
            out.append(QLatin1StringView(reinterpret_cast<const char*>(data + i), j - i));
            i = j;
            continue;
        }
        const qsizetype len = ValidSequenceLength(data + i, n - i);
        if (len == 0) {
            out.append(QChar(char16_t(EscapeBase + (data[i] - 0x80))));
            ++i;
        } else if (len == 3 && data[i] == 0xEF && data[i + 1] == 0xBB && data[i + 2] == 0xBF) {
            // fromUtf8 drops U+FEFF as a byte-order mark; in a name it is a character.
            out.append(QChar(char16_t(0xFEFF)));
            i += len;
        } else {
            out.append(QString::fromUtf8(reinterpret_cast<const char*>(data + i), len));
            i += len;
        }
    }
    return out;
}

QByteArray EncodeName(QStringView name)
{
    // Most names are ASCII, or hold no escaped byte: then they are one piece of
    // plain UTF-8.
    char16_t allBits = 0;
    for (const QChar c : name)
        allBits |= c.unicode();
    if (allBits < 0x80)
        return name.toLatin1();
    if (!HasEscapedBytes(name))
        return name.toUtf8();
    QByteArray out;
    out.reserve(name.size());
    qsizetype start = 0;
    auto flush = [&](qsizetype end) {
        if (end > start)
            out.append(name.mid(start, end - start).toUtf8());
    };
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        // A low surrogate preceded by a high one is half of a real pair, not an escape.
        if (IsEscape(c) && !(i > 0 && QChar::isHighSurrogate(name[i - 1].unicode()))) {
            flush(i);
            out.append(char(0x80 + (c - EscapeBase)));
            start = i + 1;
        }
    }
    flush(name.size());
    return out;
}

QByteArray SystemPath(QStringView path)
{
    if (path.contains(QChar(0)))
        return QByteArray("");
    return EncodeName(path);
}

bool HasEscapedBytes(QStringView name)
{
    // Names rarely hold a surrogate at all: one branch-free pass rules them out.
    bool anySurrogate = false;
    for (const QChar c : name)
        anySurrogate |= (c.unicode() & 0xF800) == 0xD800;
    if (!anySurrogate)
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        if (IsEscape(c) && !(i > 0 && QChar::isHighSurrogate(name[i - 1].unicode())))
            return true;
    }
    return false;
}

} // namespace quelt::platform
