#pragma once
// The counter of one numbering rule for one preview run.

#include <QString>

namespace quelt {

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
};

/// Sets a started counter whose reset is "true" back to its initial value;
/// the preview driver calls it when an item's folder differs from the one before.
void RestartCounterOnPathChange(NumberCounter& counter);

} // namespace quelt
