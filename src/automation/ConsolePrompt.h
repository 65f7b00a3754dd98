#pragma once
// UserPrompt and progress for a start without windows: messages go to stderr,
// questions are asked on the terminal.

#include "app/UserPrompt.h"

#include <QString>
#include <cstdio>

namespace quelt {

class ConsolePrompt : public UserPrompt {
public:
    /// `answerYes`: answer OK or Yes without asking (--yes). Without a terminal on
    /// stdin a question gets its safe answer.
    ConsolePrompt(bool answerYes, std::FILE* in = stdin, std::FILE* out = stderr);
    PromptAnswer ask(const PromptRequest& request) override;

private:
    bool answerYes_;
    std::FILE* in_;
    std::FILE* out_;
};

/// True when the stream is a terminal.
bool IsTerminal(std::FILE* stream);

} // namespace quelt
