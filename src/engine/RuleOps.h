#pragma once
// The name operations of the rules, found by rule name. The preview driver
// builds the NameParts of an item, calls the rule's operation, and rebuilds the
// new name from the parts; list-level rules (sorting, names from a list) are the
// driver's own.

#include "engine/NameParts.h"
#include "engine/PreviewItem.h"
#include "engine/PreviewRunState.h"

#include <QString>
#include <QStringView>
#include <span>

namespace quelt {

struct RuleOpContext {
    PreviewRunState& state;
    int ruleIndex = 0;                 // index of the rule in the rules list
    const PreviewArray& items;         // the whole preview array of this run
    qsizetype itemIndex = 0;           // the item being processed
    bool failed = false;               // set by the operation when the rule fails for the item
};

/// Operation of one rule on one item; reads its values from `ruleText` with
/// ReadNextParam in catalogue order.
using RuleOperation = void (*)(RuleOpContext& context, const QString& ruleText, NameParts& parts);

struct RuleOpEntry {
    const char16_t* name; // rule name exactly as in the catalogue
    RuleOperation op;
};

/// Rules of "Title & Extension", "Set maximum name length" and the three settings
/// rules ("Set the text comparison type", "Make 'Title & Extension' affect full
/// names", "Skip rule if causing validation error", which sets skipFailedRules).
std::span<const RuleOpEntry> TitleExtensionOperations();
/// Capitalization and spaces rules.
std::span<const RuleOpEntry> LetterAndSpaceOperations();
/// Numbering and padding rules.
std::span<const RuleOpEntry> NumberingOperations();

/// The operation of a rule name, or nullptr when no name operation has that name.
RuleOperation FindRuleOperation(QStringView ruleName);

} // namespace quelt
