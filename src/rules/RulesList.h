#pragma once
// The rules list of the main window as a core model: the ordered rules the
// preview engine applies, each with its check mark (RuleLine::enabled) and a
// selection flag. Windows show it through an item-model adapter; the preview
// engine, rule files, quick rename and the command line use it directly.

#include "app/MoveSelectedRows.h"
#include "engine/RuleLine.h"

#include <QString>
#include <vector>

namespace quelt {

class UserPrompt;

class RulesList {
public:
    qsizetype size() const { return qsizetype(rules_.size()); }
    bool empty() const { return rules_.empty(); }

    /// The rules in application order; a rule applies when `enabled` is set.
    const std::vector<RuleLine>& rules() const { return rules_; }
    const RuleLine& at(qsizetype row) const { return rules_[std::size_t(row)]; }
    /// Replaces one rule (the editor's update); its selection stays.
    void setRule(qsizetype row, const RuleLine& rule) { rules_[std::size_t(row)] = rule; }

    /// Appends a rule, unselected, at the end.
    void append(const RuleLine& rule);
    /// Inserts a rule, unselected, before `row` (clamped to 0..size()).
    void insert(qsizetype row, const RuleLine& rule);
    /// Removes every rule.
    void clear();
    /// Replaces the whole list (nothing selected).
    void assign(std::vector<RuleLine> rules);

    /// Where a new or duplicated rule goes: right after the first selected rule;
    /// at the end when none is selected (0 for an empty list).
    qsizetype GetNext() const;
    /// The first selected row, or -1.
    qsizetype firstSelected() const;

    // ---- check marks (the rules' enabled flags) ----
    bool isChecked(qsizetype row) const { return rules_[std::size_t(row)].enabled; }
    void setChecked(qsizetype row, bool checked) { rules_[std::size_t(row)].enabled = checked; }
    void checkAll();
    void uncheckAll();
    void invertChecked();
    /// Number of checked rules.
    qsizetype checkedCount() const;

    // ---- selection ----
    bool isSelected(qsizetype row) const { return selected_[std::size_t(row)]; }
    void setSelected(qsizetype row, bool selected) { selected_[std::size_t(row)] = selected; }
    void selectAll();
    void selectNone();
    void invertSelection();
    const std::vector<bool>& selection() const { return selected_; }

    /// Removes the selected rules; returns how many went.
    qsizetype removeSelected();
    /// Inserts at GetNext() a copy of the first selected rule: same category, rule
    /// text and check mark, empty comment. Returns the new row, or -1 when no rule
    /// is selected.
    qsizetype duplicateSelected();

    /// Moves the selected rules as a block (MoveSelectedRows); the selection moves
    /// with them. Returns the permutation applied (empty when nothing moved).
    RowPermutation moveSelected(MoveDirection direction)
    {
        return MoveSelectedRows(rules_, selected_, direction);
    }

private:
    std::vector<RuleLine> rules_;
    std::vector<bool> selected_;
};

/// "Remove Selected": with `confirm` (the ConfirmRuleDeletion setting) asks
/// "Remove selected rules?" first; false when the user said No. An empty list
/// asks nothing and removes nothing.
bool RemoveSelectedRules(RulesList& list, UserPrompt& prompt, bool confirm);
/// "Remove All": with `confirm` asks "Remove all rules?" first; false on No.
bool RemoveAllRules(RulesList& list, UserPrompt& prompt, bool confirm);

/// Enabled state of the rules list's buttons and menu items for a rule count.
struct RulesButtonsState {
    bool move = false;   ///< the four move buttons and move menu items: more than one rule
    bool others = false; ///< Duplicate, Export, Remove, Remove All, Edit, Select, Check: any rule
};
RulesButtonsState MatchRulesButtons(qsizetype ruleCount);

/// Text of the rule-details tooltip (its title "Rule Details:" is the window's):
/// category, rule name, one "    name=value" line per parameter, and the comment.
QString RuleDetailsText(const RuleLine& rule);

} // namespace quelt
