#include "rules/RulesList.h"

#include "app/UserPrompt.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace quelt;

namespace {

RulesList Numbered(int count)
{
    RulesList list;
    for (int i = 1; i <= count; ++i)
        list.append(RuleLine{QStringLiteral("Letters"), QStringLiteral("R%1: <A=%1>").arg(i),
                             QStringLiteral("comment %1").arg(i), i % 2 == 1});
    return list;
}

QStringList Texts(const RulesList& list)
{
    QStringList texts;
    for (const RuleLine& rule : list.rules())
        texts.append(RuleName(rule.text));
    return texts;
}

} // namespace

TEST(RulesList, DuplicateInsertsACopyWithoutCommentRightBelowTheSource)
{
    RulesList list = Numbered(3);
    list.setSelected(1, true);
    list.setChecked(1, true);
    EXPECT_EQ(list.duplicateSelected(), 2);
    EXPECT_EQ(Texts(list), (QStringList{"R1", "R2", "R2", "R3"}));
    EXPECT_EQ(list.at(2).category, list.at(1).category);
    EXPECT_TRUE(list.at(2).comment.isEmpty());
    EXPECT_EQ(list.at(1).comment, QStringLiteral("comment 2"));
    EXPECT_TRUE(list.isChecked(2));
    EXPECT_FALSE(list.isSelected(2));

    list.setChecked(0, false);
    list.selectNone();
    list.setSelected(0, true);
    list.duplicateSelected();
    EXPECT_FALSE(list.isChecked(1)); // the copy takes the source's check state

    list.selectNone();
    EXPECT_EQ(list.duplicateSelected(), -1);
}

TEST(RulesList, NewRulesGoAfterTheSelectedOneOrAtTheEnd)
{
    RulesList list;
    EXPECT_EQ(list.GetNext(), 0);
    list = Numbered(4);
    EXPECT_EQ(list.GetNext(), 4);
    list.setSelected(1, true);
    list.setSelected(3, true);
    EXPECT_EQ(list.GetNext(), 2);
}

TEST(RulesList, RemoveSelectedAsksOnlyWhenConfirmationIsOn)
{
    struct Case { const char* name; bool confirm; std::vector<PromptAnswer> answers; bool removed; size_t asked; };
    const Case cases[] = {
        {"confirm off asks nothing", false, {}, true, 0},
        {"confirm on, yes", true, {PromptAnswer::Yes}, true, 1},
        {"confirm on, no", true, {PromptAnswer::No}, false, 1},
    };
    for (const Case& c : cases) {
        RulesList list = Numbered(5);
        list.setSelected(1, true);
        list.setSelected(2, true);
        list.setSelected(4, true);
        ScriptedPrompt prompt(c.answers);
        EXPECT_EQ(RemoveSelectedRules(list, prompt, c.confirm), c.removed) << c.name;
        ASSERT_EQ(prompt.asked.size(), c.asked) << c.name;
        if (c.asked) {
            EXPECT_EQ(prompt.asked[0].text, QStringLiteral("Remove selected rules?"));
            EXPECT_EQ(prompt.asked[0].caption, QStringLiteral("Rules List"));
            EXPECT_EQ(prompt.asked[0].icon, PromptIcon::Question);
            EXPECT_EQ(prompt.asked[0].buttons, PromptButtons::YesNo);
        }
        EXPECT_EQ(Texts(list), c.removed ? QStringList({"R1", "R4"}) : QStringList({"R1", "R2", "R3", "R4", "R5"}))
            << c.name;
    }
}

TEST(RulesList, RemoveWithNothingSelectedRemovesNothing)
{
    RulesList list = Numbered(2);
    ScriptedPrompt prompt;
    EXPECT_TRUE(RemoveSelectedRules(list, prompt, false));
    EXPECT_EQ(list.size(), 2);
}

TEST(RulesList, RemoveAllAsksWithItsOwnText)
{
    RulesList list = Numbered(2);
    ScriptedPrompt no({PromptAnswer::No});
    EXPECT_FALSE(RemoveAllRules(list, no, true));
    ASSERT_EQ(no.asked.size(), 1u);
    EXPECT_EQ(no.asked[0].text, QStringLiteral("Remove all rules?"));
    EXPECT_EQ(list.size(), 2);
    ScriptedPrompt none;
    EXPECT_TRUE(RemoveAllRules(list, none, false));
    EXPECT_TRUE(list.empty());
}

TEST(RulesList, CheckAndSelectMenus)
{
    RulesList list = Numbered(3); // checked: 1 and 3
    list.invertChecked();
    EXPECT_EQ(list.checkedCount(), 1);
    EXPECT_TRUE(list.isChecked(1));
    list.checkAll();
    EXPECT_EQ(list.checkedCount(), 3);
    list.uncheckAll();
    EXPECT_EQ(list.checkedCount(), 0);

    list.setSelected(0, true);
    list.invertSelection();
    EXPECT_EQ(list.selection(), (std::vector<bool>{false, true, true}));
    list.selectAll();
    EXPECT_EQ(list.selection(), (std::vector<bool>{true, true, true}));
    EXPECT_EQ(list.checkedCount(), 0); // selection and check marks are independent
}

TEST(RulesList, ButtonsFollowTheRuleCount)
{
    EXPECT_FALSE(MatchRulesButtons(0).move);
    EXPECT_FALSE(MatchRulesButtons(0).others);
    EXPECT_FALSE(MatchRulesButtons(1).move);
    EXPECT_TRUE(MatchRulesButtons(1).others);
    EXPECT_TRUE(MatchRulesButtons(2).move);
}

TEST(RuleDetails, ListsEveryParameterAndTheComment)
{
    const RuleLine rule{QStringLiteral("Letters"), QStringLiteral("Set word separators: <Characters= _,.;()[]-=+@>"),
                        QStringLiteral("mine"), true};
    EXPECT_EQ(RuleDetailsText(rule), QStringLiteral("Category: Letters\r\nRule: Set word separators\r\n\r\n"
                                                    "Parameters:\r\n    Characters= _,.;()[]-=+@\r\n\r\n"
                                                    "Comment: mine"));

    const RuleLine two{QStringLiteral("Title & Extension"),
                       QStringLiteral("Find and replace text: <Find What=_> <Replace With= > <Apply To=Title>"),
                       QString(), true};
    EXPECT_EQ(RuleDetailsText(two),
              QStringLiteral("Category: Title & Extension\r\nRule: Find and replace text\r\n\r\nParameters:\r\n"
                             "    Find What=_\r\n    Replace With= \r\n    Apply To=Title\r\n"));
}

TEST(RulesList, MovesCarryTheCheckMarkAndSelection)
{
    RulesList list = Numbered(5); // checked: 1, 3, 5
    list.setSelected(1, true);
    list.setSelected(3, true);
    EXPECT_FALSE(list.moveSelected(MoveDirection::Up).empty());
    EXPECT_EQ(Texts(list), (QStringList{"R2", "R1", "R4", "R3", "R5"}));
    EXPECT_EQ(list.selection(), (std::vector<bool>{true, false, true, false, false}));
    EXPECT_FALSE(list.isChecked(0));
    EXPECT_EQ(list.at(0).comment, QStringLiteral("comment 2"));
    EXPECT_TRUE(list.moveSelected(MoveDirection::Up).empty()); // the first row is selected
}
