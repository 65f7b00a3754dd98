#pragma once
// Code-point indexing over UTF-16 text. Rules count characters as Unicode code
// points: a surrogate pair is one character and is never split. A lone surrogate
// (a name byte that was not valid UTF-8) counts as one character of its own.
//
// Offsets are code-unit indexes into the QString; counts and positions passed in
// are code points.

#include <QString>
#include <QStringView>

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

} // namespace quelt
