#pragma once
// The seam through which the core asks the user: every message box goes through
// a UserPrompt. Windows answer with a message box, the console on the terminal,
// tests from a script.

#include <QString>
#include <vector>

namespace quelt {

enum class PromptIcon { None, Information, Question, Warning, Error };

/// Button sets and the buttons a user can press, as the message boxes offer them.
enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
enum class PromptAnswer { Ok, Cancel, Yes, No, Retry, Abort, Ignore };

struct PromptRequest {
    QString text;
    QString caption;
    PromptIcon icon = PromptIcon::None;
    PromptButtons buttons = PromptButtons::Ok;
    /// The answer a front end gives when it cannot ask (no terminal, closed box).
    PromptAnswer safeAnswer = PromptAnswer::Ok;
};

class UserPrompt {
public:
    virtual ~UserPrompt() = default;
    virtual PromptAnswer ask(const PromptRequest& request) = 0;
};

/// Answers from a script and records every request; for tests and dry runs.
class ScriptedPrompt : public UserPrompt {
public:
    explicit ScriptedPrompt(std::vector<PromptAnswer> answers = {}) : answers_(std::move(answers)) {}

    PromptAnswer ask(const PromptRequest& request) override
    {
        asked.push_back(request);
        if (next_ < answers_.size())
            return answers_[next_++];
        return request.safeAnswer;
    }

    std::vector<PromptRequest> asked;

private:
    std::vector<PromptAnswer> answers_;
    std::size_t next_ = 0;
};

} // namespace quelt
