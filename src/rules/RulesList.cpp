#include "rules/RulesList.h"

#include "app/UserPrompt.h"

#include <algorithm>

namespace quelt {

namespace {

const QString RulesListCaption = QStringLiteral("Rules List");

bool Confirmed(UserPrompt& prompt, const QString& question)
{
    PromptRequest request;
    request.text = question;
    request.caption = RulesListCaption;
    request.icon = PromptIcon::Question;
    request.buttons = PromptButtons::YesNo;
    request.safeAnswer = PromptAnswer::No;
    return prompt.ask(request) == PromptAnswer::Yes;
}

} // namespace

void RulesList::append(const RuleLine& rule)
{
    rules_.push_back(rule);
    selected_.push_back(false);
}

void RulesList::insert(qsizetype row, const RuleLine& rule)
{
    row = std::clamp<qsizetype>(row, 0, size());
    rules_.insert(rules_.begin() + row, rule);
    selected_.insert(selected_.begin() + row, false);
}

void RulesList::clear()
{
    rules_.clear();
    selected_.clear();
}

void RulesList::assign(std::vector<RuleLine> rules)
{
    rules_ = std::move(rules);
    selected_.assign(rules_.size(), false);
}

qsizetype RulesList::firstSelected() const
{
    const auto it = std::find(selected_.begin(), selected_.end(), true);
    return it == selected_.end() ? -1 : qsizetype(it - selected_.begin());
}

qsizetype RulesList::GetNext() const
{
    const qsizetype selected = firstSelected();
    return selected < 0 ? size() : selected + 1;
}

void RulesList::checkAll()
{
    for (RuleLine& rule : rules_)
        rule.enabled = true;
}

void RulesList::uncheckAll()
{
    for (RuleLine& rule : rules_)
        rule.enabled = false;
}

void RulesList::invertChecked()
{
    for (RuleLine& rule : rules_)
        rule.enabled = !rule.enabled;
}

qsizetype RulesList::checkedCount() const
{
    return std::count_if(rules_.begin(), rules_.end(), [](const RuleLine& rule) { return rule.enabled; });
}

void RulesList::selectAll()
{
    selected_.assign(rules_.size(), true);
}

void RulesList::selectNone()
{
    selected_.assign(rules_.size(), false);
}

void RulesList::invertSelection()
{
    selected_.flip();
}

qsizetype RulesList::removeSelected()
{
    std::vector<RuleLine> kept;
    kept.reserve(rules_.size());
    for (std::size_t i = 0; i < rules_.size(); ++i) {
        if (!selected_[i])
            kept.push_back(std::move(rules_[i]));
    }
    const qsizetype removed = size() - qsizetype(kept.size());
    rules_ = std::move(kept);
    selected_.assign(rules_.size(), false);
    return removed;
}

qsizetype RulesList::duplicateSelected()
{
    const qsizetype source = firstSelected();
    if (source < 0)
        return -1;
    RuleLine copy = at(source);
    copy.comment.clear();
    const qsizetype row = GetNext();
    insert(row, copy);
    return row;
}

bool RemoveSelectedRules(RulesList& list, UserPrompt& prompt, bool confirm)
{
    if (list.empty())
        return false;
    if (confirm && !Confirmed(prompt, QStringLiteral("Remove selected rules?")))
        return false;
    list.removeSelected();
    return true;
}

bool RemoveAllRules(RulesList& list, UserPrompt& prompt, bool confirm)
{
    if (confirm && !Confirmed(prompt, QStringLiteral("Remove all rules?")))
        return false;
    list.clear();
    return true;
}

RulesButtonsState MatchRulesButtons(qsizetype ruleCount)
{
    return {ruleCount > 1, ruleCount > 0};
}

QString RuleDetailsText(const RuleLine& rule)
{
    const QString crlf = QStringLiteral("\r\n");
    QString text = QStringLiteral("Category: ") + rule.category + crlf + QStringLiteral("Rule: ")
        + RuleName(rule.text) + crlf + crlf + QStringLiteral("Parameters:") + crlf;
    const qsizetype colon = rule.text.indexOf(u':');
    qsizetype at = colon < 0 ? 0 : colon + 1;
    while (true) {
        const qsizetype open = rule.text.indexOf(u'<', at);
        if (open < 0)
            break;
        const qsizetype equals = rule.text.indexOf(u'=', open + 1);
        if (equals < 0)
            break;
        const qsizetype close = rule.text.indexOf(u'>', equals + 1);
        if (close < 0)
            break;
        text += QStringLiteral("    ");
        text += QStringView(rule.text).sliced(open + 1, equals - open - 1);
        text += u'=';
        text += QStringView(rule.text).sliced(equals + 1, close - equals - 1);
        text += crlf;
        at = close + 1;
    }
    if (!rule.comment.isEmpty())
        text += crlf + QStringLiteral("Comment: ") + rule.comment;
    return text;
}

} // namespace quelt
