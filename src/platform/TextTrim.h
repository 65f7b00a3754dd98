#pragma once
// Trimming of spaces only: tabs and other white space are part of the text.

#include <QString>
#include <QStringView>

namespace quelt::platform {

/// The text without leading and trailing space characters (U+0020).
inline QStringView TrimSpaces(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.sliced(begin, end - begin);
}

inline QString TrimmedOfSpaces(const QString& text)
{
    return TrimSpaces(text).toString();
}

} // namespace quelt::platform
