#pragma once
// The counter of one numbering rule for one preview run, and the value
// arithmetic of the three number representations.
//
// Values are 64-bit and saturate at +/-(2^63 - 1) instead of overflowing: a
// counter that reaches the limit keeps handing out the limit. Widths are
// clamped to MaxNumberWidth, the range the rule editor allows.

#include <QString>
#include <QStringView>
#include <cstdint>
#include <memory>

namespace quelt {

class DuplicateNamer;

/// Largest minimum width (in characters) a number text is padded to.
inline constexpr int MaxNumberWidth = 10000;

struct NumberCounter {
    bool started = false;   // false until the rule has read its parameters
    QString type;           // "decimal", "hexadecimal" or "alphabetical" (lower case)
    QString start;          // Start With, as typed
    QString step;           // Increment By, as typed
    int width = 0;          // Minimum Width
    QString reset;          // Reset on Path Change, lower case
    QString find;           // Find What (position and replace rules)
    QString where;          // Insert Where, lower case (position and edge rules)
    QString current;        // the next value, as text

    /// Numbering Format of "Auto-number duplicated names".
    QString format;
    /// Hashed index of the names earlier items hold, for "Auto-number duplicated
    /// names"; created at the rule's first checked item.
    std::shared_ptr<DuplicateNamer> duplicates;
    /// Items below this index are already in `duplicates`.
    std::int64_t duplicatesIndexedUpTo = 0;
};

/// The three ways a numbering rule writes its numbers.
enum class NumberingKind { None, Decimal, Hexadecimal, Alphabetical };

/// Kind of a Numbering Type in lower case; any other text is None.
NumberingKind NumberingKindOf(const QString& typeLower);

/// Leading numeric value of a text (blanks, sign, digits), saturating.
std::int64_t NumberValue(QStringView text);
/// The trimmed text read as hexadecimal digits with an optional sign; any other
/// text is 0. Saturating.
std::int64_t HexValue(QStringView text);
/// Upper-case hexadecimal digits without prefix or leading zeros; a negative
/// value is written with a leading "-".
QString HexDigits(std::int64_t value);
/// Sum over the code points of (code - 64) * 26^(distance from the right end):
/// "A" is 1, "Z" 26, "AA" 27, "1" -15, "" 0. Saturating.
std::int64_t LetterValue(QStringView text);
/// Letters of a value: 1 "A", 26 "Z", 27 "AA", 52 "AZ", 0 "Z", -1 "?".
QString LettersOfValue(std::int64_t value);

/// Adds with saturation at +/-(2^63 - 1).
std::int64_t SaturatingAdd(std::int64_t a, std::int64_t b);

/// The value `current` starts from (and returns to on a restart).
QString InitialCounterValue(const NumberCounter& counter);
/// Sets `current` to its initial value and marks the counter started; the
/// parameter fields must be filled in before.
void StartCounter(NumberCounter& counter);
/// The number text of `current`; empty for an unknown type.
QString CounterNumberText(const NumberCounter& counter);
/// Moves `current` on by one step in the counter's representation.
void AdvanceCounter(NumberCounter& counter);

/// Sets a started counter whose reset is "true" back to its initial value.
///
/// The preview driver calls it in every rule pass, for every slot of the array
/// (included or not), before it looks at the stop flag or applies the rule:
///
///     for (i = 0; i < n; ++i) {
///         if (i == 0 || items[i].folder != items[i - 1].folder)   // exact text
///             RestartCounterOnPathChange(state.counters[ruleIndex]);
///         if (state.stop) break;
///         if (!items[i].included) continue;
///         ...apply the rule to item i...
///     }
///
/// Unchecked items take part in the comparison, so an unchecked item in another
/// folder between two checked items of one folder restarts the count.
void RestartCounterOnPathChange(NumberCounter& counter);

} // namespace quelt
