#include "rules/RuleListFile.h"

#include "app/UserPrompt.h"
#include "platform/ProgramFiles.h"
#include "rules/RulesList.h"

namespace quelt {

namespace {

// Walks the lines of a decoded text (CR LF, LF or CR); a final line end does not
// start another line, as platform::SplitLines has it.
class LineReader {
public:
    explicit LineReader(const QString& text) : text_(text) {}

    bool atEnd() const { return position_ >= text_.size(); }

    bool next(QString& line)
    {
        if (atEnd())
            return false;
        const qsizetype n = text_.size();
        qsizetype end = position_;
        while (end < n && text_[end] != u'\r' && text_[end] != u'\n')
            ++end;
        line = text_.mid(position_, end - position_);
        if (end < n && text_[end] == u'\r' && end + 1 < n && text_[end + 1] == u'\n')
            ++end;
        position_ = end + 1;
        return true;
    }

private:
    const QString& text_;
    qsizetype position_ = 0;
};

QString FolderOfPath(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? QString() : path.left(slash + 1);
}

// Fields are single lines in the file.
QString OneLine(QString field)
{
    field.replace(u'\r', u' ');
    field.replace(u'\n', u' ');
    return field;
}

PromptRequest Message(const QString& text, const QString& caption, PromptIcon icon)
{
    PromptRequest request;
    request.text = text;
    request.caption = caption;
    request.icon = icon;
    request.buttons = PromptButtons::Ok;
    request.safeAnswer = PromptAnswer::Ok;
    return request;
}

} // namespace

ParsedRulesFile ParseRulesFile(QByteArrayView bytes)
{
    ParsedRulesFile parsed;
    if (bytes.size() > MaxRulesFileBytes)
        return parsed;
    const QString text = platform::DecodeText(bytes);
    LineReader reader(text);
    QString header;
    if (!reader.next(header))
        return parsed; // no first line at all
    header = header.trimmed();
    const bool v21 = header == RulesFileHeaderV21;
    if (!v21 && header != RulesFileHeaderV20) {
        parsed.kind = header == RulesFileHeaderOld ? RulesFileKind::OlderGeneration : RulesFileKind::Unknown;
        return parsed;
    }

    QString category, ruleText, enabled, comment;
    while (!reader.atEnd()) {
        reader.next(category);
        if (!reader.next(ruleText) || !reader.next(enabled) || (v21 && !reader.next(comment)))
            return parsed; // the file ends in the middle of a rule
        RuleLine rule;
        rule.category = category.trimmed();
        rule.text = ruleText.trimmed();
        rule.enabled = enabled.trimmed().toLower() == QLatin1String("true");
        if (v21)
            rule.comment = comment;
        parsed.rules.push_back(std::move(rule));
    }
    parsed.kind = RulesFileKind::Rules;
    return parsed;
}

bool IsRulesFile(const QString& path)
{
    QByteArray bytes;
    if (!platform::ReadWholeFile(path, bytes, MaxRulesFileBytes + 1) || bytes.size() > MaxRulesFileBytes)
        return false;
    const QString text = platform::DecodeText(bytes);
    LineReader reader(text);
    QString header;
    if (!reader.next(header))
        return false;
    header = header.trimmed();
    return header == RulesFileHeaderV21 || header == RulesFileHeaderV20;
}

QStringList RulesFileLines(const std::vector<RuleLine>& rules)
{
    QStringList lines;
    lines.reserve(qsizetype(rules.size()) * 4 + 1);
    lines.append(RulesFileHeaderV21);
    for (const RuleLine& rule : rules) {
        lines.append(OneLine(rule.category.trimmed()));
        lines.append(OneLine(rule.text.trimmed()));
        lines.append(rule.enabled ? QStringLiteral("True") : QStringLiteral("False"));
        lines.append(OneLine(rule.comment.trimmed()));
    }
    return lines;
}

bool WriteRulesFile(const QString& path, const std::vector<RuleLine>& rules)
{
    return platform::WriteTextFile(path, RulesFileLines(rules));
}

ImportResult ImportRulesFile(const QString& path, RulesList& list, UserPrompt& prompt, const QString& mainCaption)
{
    if (!list.empty()) {
        PromptRequest question;
        question.text = ImportAppendQuestion;
        question.caption = ImportRulesCaption;
        question.icon = PromptIcon::Question;
        question.buttons = PromptButtons::YesNoCancel;
        question.safeAnswer = PromptAnswer::Cancel;
        const PromptAnswer answer = prompt.ask(question);
        if (answer == PromptAnswer::No)
            list.clear();
        else if (answer != PromptAnswer::Yes)
            return ImportResult::Cancelled;
    }

    QByteArray bytes;
    ParsedRulesFile parsed;
    if (platform::ReadWholeFile(path, bytes, MaxRulesFileBytes + 1))
        parsed = ParseRulesFile(bytes);
    switch (parsed.kind) {
    case RulesFileKind::Rules:
        for (RuleLine& rule : parsed.rules)
            list.append(rule);
        return ImportResult::Imported;
    case RulesFileKind::OlderGeneration:
        prompt.ask(Message(RulesFileOlderVersion, mainCaption, PromptIcon::Warning));
        return ImportResult::OlderGeneration;
    case RulesFileKind::Unknown:
        return ImportResult::NotRulesFile;
    case RulesFileKind::Unreadable:
        break;
    }
    list.clear();
    prompt.ask(Message(RulesFileLoadError, ProgramTitle, PromptIcon::Error));
    return ImportResult::Failed;
}

bool ExportRulesList(const QString& path, const RulesList& list, UserPrompt& prompt)
{
    if (list.empty())
        return false;
    RememberRulesFolder(path);
    if (WriteRulesFile(path, list.rules()))
        return true;
    prompt.ask(Message(RulesFileSaveError, ProgramTitle, PromptIcon::Error));
    return false;
}

void RememberRulesFolder(const QString& chosenPath)
{
    AppSettings().RulesFolder = FolderOfPath(chosenPath);
}

QString RulesDialogFolder()
{
    if (AppSettings().SaveState)
        return AppSettings().RulesFolder;
    return platform::ProgramFolder() + QStringLiteral("rules/");
}

} // namespace quelt
