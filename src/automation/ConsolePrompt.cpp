#include "automation/ConsolePrompt.h"

#include <QByteArray>
#include <cctype>
#include <unistd.h>
#include <vector>

namespace quelt {
namespace {

struct ButtonChoice {
    PromptAnswer answer;
    const char* label;
    char key;
};

std::vector<ButtonChoice> Choices(PromptButtons buttons)
{
    using A = PromptAnswer;
    switch (buttons) {
    case PromptButtons::Ok: return {{A::Ok, "OK", 'o'}};
    case PromptButtons::OkCancel: return {{A::Ok, "OK", 'o'}, {A::Cancel, "Cancel", 'c'}};
    case PromptButtons::YesNo: return {{A::Yes, "Yes", 'y'}, {A::No, "No", 'n'}};
    case PromptButtons::YesNoCancel: return {{A::Yes, "Yes", 'y'}, {A::No, "No", 'n'}, {A::Cancel, "Cancel", 'c'}};
    case PromptButtons::RetryCancel: return {{A::Retry, "Retry", 'r'}, {A::Cancel, "Cancel", 'c'}};
    case PromptButtons::AbortRetryIgnore:
        return {{A::Abort, "Abort", 'a'}, {A::Retry, "Retry", 'r'}, {A::Ignore, "Ignore", 'i'}};
    }
    return {{A::Ok, "OK", 'o'}};
}

const char* IconWord(PromptIcon icon)
{
    switch (icon) {
    case PromptIcon::Error: return "error: ";
    case PromptIcon::Warning: return "warning: ";
    default: return "";
    }
}

} // namespace

bool IsTerminal(std::FILE* stream)
{
    return stream && ::isatty(::fileno(stream)) == 1;
}

ConsolePrompt::ConsolePrompt(bool answerYes, std::FILE* in, std::FILE* out)
    : answerYes_(answerYes), in_(in), out_(out)
{
}

PromptAnswer ConsolePrompt::ask(const PromptRequest& request)
{
    QString text = request.text;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    const QByteArray caption = request.caption.trimmed().toUtf8();
    std::fprintf(out_, "%s%s%s%s\n", IconWord(request.icon), caption.constData(), caption.isEmpty() ? "" : ": ",
                 text.toUtf8().constData());

    const std::vector<ButtonChoice> choices = Choices(request.buttons);
    if (choices.size() == 1)
        return choices.front().answer;
    if (answerYes_) {
        for (const ButtonChoice& c : choices)
            if (c.answer == PromptAnswer::Yes || c.answer == PromptAnswer::Ok)
                return c.answer;
    }
    if (!IsTerminal(in_)) {
        std::fprintf(out_, "(no terminal to ask: answered the safe way)\n");
        return request.safeAnswer;
    }
    for (;;) {
        QByteArray menu;
        for (const ButtonChoice& c : choices)
            menu += QByteArray("[") + c.key + "]" + (c.label + 1) + (c.answer == request.safeAnswer ? "*" : "") + " ";
        std::fprintf(out_, "%s(* = Enter) ? ", menu.constData());
        std::fflush(out_);
        char buffer[64];
        if (!std::fgets(buffer, sizeof buffer, in_))
            return request.safeAnswer;
        const char key = char(std::tolower(static_cast<unsigned char>(buffer[0])));
        if (key == '\n' || key == '\0')
            return request.safeAnswer;
        for (const ButtonChoice& c : choices)
            if (c.key == key)
                return c.answer;
    }
}

} // namespace quelt
