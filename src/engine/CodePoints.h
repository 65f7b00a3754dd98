#pragma once
// Code-point indexing over UTF-16 text. Rules count characters as Unicode code
// points: a surrogate pair is one character and is never split. A lone surrogate
// (a name byte that was not valid UTF-8) counts as one character of its own.
//
// Offsets are code-unit indexes into the QString; counts and positions passed in
// are code points.

#include <QString>
#include <QStringView>

#include <span>
#include <vector>

namespace quelt {

/// True when `offset` (0..size) does not fall between the halves of a surrogate pair.
inline bool IsCodePointBoundary(QStringView text, qsizetype offset)
{
    if (offset <= 0 || offset >= text.size())
        return true;
    return !(text[offset].isLowSurrogate() && text[offset - 1].isHighSurrogate());
}

/// Number of code units of the code point that starts at `offset` (1 or 2).
inline qsizetype CodePointWidthAt(QStringView text, qsizetype offset)
{
    return offset + 1 < text.size() && text[offset].isHighSurrogate() && text[offset + 1].isLowSurrogate() ? 2 : 1;
}

/// The code point that starts at `offset` (a lone surrogate is its own value).
inline char32_t CodePointAt(QStringView text, qsizetype offset)
{
    return CodePointWidthAt(text, offset) == 2 ? QChar::surrogateToUcs4(text[offset], text[offset + 1])
                                               : char32_t(text[offset].unicode());
}

/// Number of code points in `text`.
inline qsizetype CodePointCount(QStringView text)
{
    qsizetype count = 0;
    for (qsizetype i = 0; i < text.size(); i += CodePointWidthAt(text, i))
        ++count;
    return count;
}

/// Moves `count` code points forward from `offset`; -1 when fewer follow.
inline qsizetype StepForwardCodePoints(QStringView text, qsizetype offset, qsizetype count)
{
    for (; count > 0; --count) {
        if (offset >= text.size())
            return -1;
        offset += CodePointWidthAt(text, offset);
    }
    return offset;
}

/// Moves `count` code points back from `offset`; -1 when fewer stand before.
inline qsizetype StepBackCodePoints(QStringView text, qsizetype offset, qsizetype count)
{
    for (; count > 0; --count) {
        if (offset <= 0)
            return -1;
        --offset;
        if (offset > 0 && text[offset].isLowSurrogate() && text[offset - 1].isHighSurrogate())
            --offset;
    }
    return offset;
}

/// Offset of the first `count` code points, clamped to [0, size].
inline qsizetype CodePointOffset(QStringView text, qsizetype count)
{
    if (count <= 0)
        return 0;
    const qsizetype offset = StepForwardCodePoints(text, 0, count);
    return offset < 0 ? text.size() : offset;
}

/// Offset where the last `count` code points begin, clamped to [0, size].
inline qsizetype CodePointOffsetFromEnd(QStringView text, qsizetype count)
{
    if (count <= 0)
        return text.size();
    const qsizetype offset = StepBackCodePoints(text, text.size(), count);
    return offset < 0 ? 0 : offset;
}

/// The first `count` code points (all of them when there are fewer; none for count <= 0).
inline QStringView LeftCodePoints(QStringView text, qsizetype count)
{
    return text.first(CodePointOffset(text, count));
}

/// The last `count` code points (all of them when there are fewer; none for count <= 0).
inline QStringView RightCodePoints(QStringView text, qsizetype count)
{
    return text.sliced(CodePointOffsetFromEnd(text, count));
}

/// Up to `count` code points from the code point `start` (0-based) on;
/// count < 0 means to the end.
inline QStringView MidCodePoints(QStringView text, qsizetype start, qsizetype count = -1)
{
    const qsizetype from = CodePointOffset(text, start);
    const QStringView rest = text.sliced(from);
    return count < 0 ? rest : LeftCodePoints(rest, count);
}

/// The code points of `text`; a lone surrogate stays a code point of its own,
/// so a name with undecodable bytes comes back unchanged through FromCodePoints.
inline std::vector<char32_t> ToCodePoints(QStringView text)
{
    std::vector<char32_t> out;
    out.reserve(std::size_t(text.size()));
    for (qsizetype i = 0; i < text.size(); i += CodePointWidthAt(text, i))
        out.push_back(CodePointAt(text, i));
    return out;
}

/// Appends one code point (a lone surrogate value as that single unit).
inline void AppendCodePoint(QString& out, char32_t cp)
{
    if (QChar::requiresSurrogates(cp)) {
        out.append(QChar(QChar::highSurrogate(cp)));
        out.append(QChar(QChar::lowSurrogate(cp)));
    } else {
        out.append(QChar(char16_t(cp)));
    }
}

/// The text of a code-point sequence; the inverse of ToCodePoints.
inline QString FromCodePoints(std::span<const char32_t> codePoints)
{
    QString out;
    out.reserve(qsizetype(codePoints.size()));
    for (const char32_t cp : codePoints)
        AppendCodePoint(out, cp);
    return out;
}

/// `text` with its code points in reverse order; surrogate pairs stay pairs.
inline QString ReverseCodePoints(QStringView text)
{
    QString out(text.size(), Qt::Uninitialized);
    qsizetype w = text.size();
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype width = CodePointWidthAt(text, i);
        w -= width;
        for (qsizetype k = 0; k < width; ++k)
            out[w + k] = text[i + k];
        i += width;
    }
    return out;
}

/// Whether `cp` is a surrogate value (a lone surrogate kept as a code point).
inline bool IsSurrogateCodePoint(char32_t cp)
{
    return cp >= 0xD800 && cp <= 0xDFFF;
}

/// The case-folded form of one code point, for comparisons without regard to
/// case; a lone surrogate folds to itself.
inline char32_t FoldCodePoint(char32_t cp)
{
    if (cp < 128)
        return cp >= U'A' && cp <= U'Z' ? cp + 32 : cp;
    return IsSurrogateCodePoint(cp) ? cp : QChar::toCaseFolded(cp);
}

/// The next occurrence of `needle` at or after the offset `from` that starts and
/// ends on code-point boundaries; -1 when there is none or the needle is empty.
inline qsizetype FindText(QStringView text, QStringView needle, qsizetype from, Qt::CaseSensitivity cs)
{
    if (needle.isEmpty())
        return -1;
    for (qsizetype at = text.indexOf(needle, from, cs); at >= 0; at = text.indexOf(needle, at + 1, cs)) {
        if (IsCodePointBoundary(text, at) && IsCodePointBoundary(text, at + needle.size()))
            return at;
    }
    return -1;
}

/// Whether `needle` stands at `offset`, compared with `cs`, on code-point boundaries.
inline bool TextAt(QStringView text, qsizetype offset, QStringView needle, Qt::CaseSensitivity cs)
{
    if (offset < 0 || offset + needle.size() > text.size())
        return false;
    return IsCodePointBoundary(text, offset) && IsCodePointBoundary(text, offset + needle.size())
        && text.sliced(offset, needle.size()).compare(needle, cs) == 0;
}

/// The case sensitivity of text searches for the run state's ignoreCase flag.
inline Qt::CaseSensitivity CaseFor(bool ignoreCase)
{
    return ignoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive;
}

/// The value of a hexadecimal digit (either letter case), or -1.
inline int HexDigitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

} // namespace quelt
