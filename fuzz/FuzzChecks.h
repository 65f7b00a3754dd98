#pragma once
// Checks shared by the fuzz targets: a failed one aborts, which libFuzzer reports
// with the input that caused it.

#include <QString>

#include <cstdlib>

namespace quelt::fuzz {

inline void Check(bool condition)
{
    if (!condition)
        std::abort();
}

/// True when the text holds a surrogate that is not half of a pair.
inline bool HasLoneSurrogate(const QString& s)
{
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate())
            ++i;
        else if (s[i].isSurrogate())
            return true;
    }
    return false;
}

} // namespace quelt::fuzz
