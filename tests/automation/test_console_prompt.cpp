#include "automation/ConsolePrompt.h"

#include <gtest/gtest.h>
#include <cstdio>

using namespace quelt;

TEST(ConsolePrompt, WithoutTerminalGivesTheSafeAnswerOrYes)
{
    std::FILE* in = std::tmpfile();
    std::FILE* out = std::tmpfile();
    const PromptRequest question{QStringLiteral("Stop?"), QStringLiteral("Title"), PromptIcon::Warning,
                                 PromptButtons::OkCancel, PromptAnswer::Cancel};
    EXPECT_EQ(ConsolePrompt(false, in, out).ask(question), PromptAnswer::Cancel);
    EXPECT_EQ(ConsolePrompt(true, in, out).ask(question), PromptAnswer::Ok);
    const PromptRequest yesNo{QStringLiteral("Remove?"), QString(), PromptIcon::Question, PromptButtons::YesNo,
                              PromptAnswer::No};
    EXPECT_EQ(ConsolePrompt(true, in, out).ask(yesNo), PromptAnswer::Yes);

    std::rewind(out);
    char buffer[256] = {};
    ASSERT_NE(std::fgets(buffer, sizeof buffer, out), nullptr);
    EXPECT_STREQ(buffer, "warning: Title: Stop?\n");
    std::fclose(in);
    std::fclose(out);
}
