#pragma once
// State of one preview run, read and changed by the rules in rule order.

#include "engine/NumberCounter.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace quelt {

inline const QString DefaultWordSeparators = QStringLiteral(" _,.;()[]-=+@");

struct PreviewRunState {
    bool ignoreCase = true;      // !CaseSensitive setting
    bool fullNames = false;      // LongnameMode setting
    bool skipFailedRules = false;
    QString separators = DefaultWordSeparators;
    QStringList exceptions;
    bool countSkipped = true;
    std::vector<NumberCounter> counters;          // one per rule of the rules list
    std::vector<std::optional<QString>> ruleText; // text a rule reads once per run (one per rule)
    bool sizesKnown = false;
    bool stop = false;

    /// Fresh state for a run over `ruleCount` rules.
    static PreviewRunState ForRun(int ruleCount, bool caseSensitive, bool longNameMode)
    {
        PreviewRunState s;
        s.ignoreCase = !caseSensitive;
        s.fullNames = longNameMode;
        s.counters.resize(ruleCount);
        s.ruleText.resize(ruleCount);
        return s;
    }
};

} // namespace quelt
