#include "engine/LettersSpacesRules.h"

#include "engine/CodePoints.h"
#include "engine/RuleLine.h"
#include "engine/RuleOps.h"

#include <QHash>

#include <algorithm>
#include <bitset>
#include <vector>

namespace quelt {

namespace {

using CodePoints = std::vector<char32_t>;

class SeparatorSet {
public:
    explicit SeparatorSet(const QString& separators)
    {
        for (char32_t cp : ToCodePoints(separators)) {
            if (cp < 128)
                ascii_.set(cp);
            else
                other_.push_back(cp);
        }
    }
    bool contains(char32_t cp) const
    {
        return cp < 128 ? ascii_.test(cp) : std::find(other_.begin(), other_.end(), cp) != other_.end();
    }

private:
    std::bitset<128> ascii_;
    CodePoints other_;
};

// Case changer over the (possibly reversed) code points of one text.
class CaseChanger {
public:
    explicit CaseChanger(const CaseOptions& options)
        : o_(options), separators_(options.separators)
    {
        for (const QString& e : options.exceptions) {
            CodePoints cps = ToCodePoints(e);
            if (cps.empty())
                continue;
            if (o_.rightToLeft)
                std::reverse(cps.begin(), cps.end());
            if (o_.ignoreCase)
                std::transform(cps.begin(), cps.end(), cps.begin(), FoldCodePoint);
            exceptions_.push_back(std::move(cps));
        }
    }

    QString run(const QString& text)
    {
        FillCodePoints(text);
        if (o_.rightToLeft)
            std::reverse(t_.begin(), t_.end());
        out_.clear();
        out_.reserve(t_.size() + 8);

        const std::size_t len = t_.size();
        const bool modeUp = o_.mode == CaseMode::Up;
        bool upperState = modeUp;
        bool seenWord = false;
        long long words = 0;
        char32_t prev = 0;
        char32_t next = 0;
        std::size_t p = 0;
        while (p < len && (o_.wordLimit == -1 || words < o_.wordLimit)) {
            if (const std::size_t matched = matchException(p)) {
                out_.insert(out_.end(), t_.begin() + std::ptrdiff_t(p), t_.begin() + std::ptrdiff_t(p + matched));
                p += matched;
                seenWord = true;
                if (!o_.countSkipped)
                    --words;
                if (o_.rule == LetterRule::AlternatingWords)
                    upperState = !upperState;
                continue;
            }
            const char32_t cur = t_[p];
            if (p > 0)
                prev = t_[p - 1];
            if (p + 1 < len)
                next = t_[p + 1];
            if (!separators_.contains(cur)) {
                const bool first = o_.rightToLeft ? (p + 1 == len || separators_.contains(next))
                                                  : (p == 0 || separators_.contains(prev));
                switch (o_.rule) {
                case LetterRule::WholeWords:
                    appendCased(cur, modeUp);
                    break;
                case LetterRule::FirstLetters:
                    appendCased(cur, first == modeUp);
                    break;
                case LetterRule::AlternatingWords:
                    appendCased(cur, upperState);
                    break;
                case LetterRule::AlternatingLetters:
                    if (first) {
                        appendCased(cur, modeUp);
                    } else {
                        appendCased(cur, upperState);
                        upperState = !upperState;
                    }
                    break;
                }
                seenWord = true;
            } else {
                if (seenWord && !separators_.contains(next)) {
                    ++words;
                    if (o_.rule == LetterRule::AlternatingWords)
                        upperState = !upperState;
                }
                out_.push_back(cur);
            }
            ++p;
        }
        out_.insert(out_.end(), t_.begin() + std::ptrdiff_t(p), t_.end());
        if (o_.rightToLeft)
            std::reverse(out_.begin(), out_.end());
        return textOfOutput();
    }

private:
    // ToCodePoints into the buffer kept from the last text.
    void FillCodePoints(QStringView text)
    {
        t_.clear();
        t_.reserve(std::size_t(text.size()));
        for (qsizetype i = 0; i < text.size(); i += CodePointWidthAt(text, i))
            t_.push_back(CodePointAt(text, i));
    }

    // FromCodePoints(out_), written into a string of the right length at once.
    QString textOfOutput() const
    {
        qsizetype units = 0;
        for (const char32_t cp : out_)
            units += QChar::requiresSurrogates(cp) ? 2 : 1;
        QString text(units, Qt::Uninitialized);
        QChar* w = text.data();
        for (const char32_t cp : out_) {
            if (QChar::requiresSurrogates(cp)) {
                *w++ = QChar(QChar::highSurrogate(cp));
                *w++ = QChar(QChar::lowSurrogate(cp));
            } else {
                *w++ = QChar(char16_t(cp));
            }
        }
        return text;
    }

    // Length of the first exception that stands at p, or 0.
    std::size_t matchException(std::size_t p) const
    {
        for (const CodePoints& e : exceptions_) {
            if (e.size() > t_.size() - p)
                continue;
            bool equal = true;
            for (std::size_t j = 0; j < e.size() && equal; ++j)
                equal = (o_.ignoreCase ? FoldCodePoint(t_[p + j]) : t_[p + j]) == e[j];
            if (equal)
                return e.size();
        }
        return 0;
    }

    void appendCased(char32_t cp, bool upper)
    {
        if (cp < 128) {
            if (upper && cp >= U'a' && cp <= U'z')
                cp -= 32;
            else if (!upper && cp >= U'A' && cp <= U'Z')
                cp += 32;
            out_.push_back(cp);
            return;
        }
        if (IsSurrogateCodePoint(cp)) {
            out_.push_back(cp);
            return;
        }
        const QString one = QString::fromUcs4(&cp, 1);
        CodePoints mapped = ToCodePoints(upper ? one.toUpper() : one.toLower());
        // The output is reversed back at the end: keep a multi-character mapping in order.
        if (o_.rightToLeft)
            std::reverse(mapped.begin(), mapped.end());
        out_.insert(out_.end(), mapped.begin(), mapped.end());
    }

    const CaseOptions o_;
    SeparatorSet separators_;
    std::vector<CodePoints> exceptions_;
    CodePoints t_;
    CodePoints out_;
};

// The options of a "Change capitalization" rule and its Apply To value.
std::optional<CaseOptions> SimpleCaseRule(const QString& ruleText, QString& applyTo)
{
    qsizetype pos = 0;
    const QString type = Keyword(ReadNextParam(ruleText, pos));
    applyTo = ReadNextParam(ruleText, pos);
    return CaseOptionsForType(type);
}

// The same for "Change capitalization (Advanced)".
std::optional<CaseOptions> AdvancedCaseRule(const QString& ruleText, QString& applyTo)
{
    qsizetype pos = 0;
    const QString type = Keyword(ReadNextParam(ruleText, pos));
    applyTo = ReadNextParam(ruleText, pos);
    const int words = LeadingNumber(ReadNextParam(ruleText, pos));
    const QString direction = Keyword(ReadNextParam(ruleText, pos));
    auto options = CaseOptionsForType(type);
    if (!options)
        return std::nullopt;
    options->wordLimit = words;
    options->rightToLeft = direction != QLatin1String("left to right");
    return options;
}

// The case changer of the capitalization rule being applied, kept from item to
// item: making one means reading the rule's parameters and converting separators
// and exceptions, which is the same for every item of a pass. It is made again
// whenever the rule text or one of the settings it was made from differs.
class CaseRuleCache {
public:
    using Make = std::optional<CaseOptions> (*)(const QString& ruleText, QString& applyTo);

    // The changer for ruleText under the current settings; nullptr when the rule
    // changes nothing (an unknown Capitalization Type).
    CaseChanger* changerFor(const QString& ruleText, const PreviewRunState& state, Make make)
    {
        if (!made_ || ruleText != ruleText_ || state.separators != separators_ || state.exceptions != exceptions_
            || state.countSkipped != countSkipped_ || state.ignoreCase != ignoreCase_) {
            made_ = false;
            changer_.reset();
            ruleText_ = ruleText;
            separators_ = state.separators;
            exceptions_ = state.exceptions;
            countSkipped_ = state.countSkipped;
            ignoreCase_ = state.ignoreCase;
            if (const std::optional<CaseOptions> options = make(ruleText, applyTo_)) {
                CaseOptions o = *options;
                o.separators = separators_;
                o.exceptions = exceptions_;
                o.countSkipped = countSkipped_;
                o.ignoreCase = ignoreCase_;
                changer_.emplace(o);
            }
            made_ = true;
        }
        return changer_ ? &*changer_ : nullptr;
    }
    const QString& applyTo() const { return applyTo_; }

private:
    bool made_ = false;
    QString ruleText_;
    QString separators_;
    QStringList exceptions_;
    bool countSkipped_ = true;
    bool ignoreCase_ = true;
    QString applyTo_;
    std::optional<CaseChanger> changer_;
};

void ChangeCaseOfParts(RuleOpContext& context, NameParts& parts, const QString& ruleText,
                       CaseRuleCache::Make make)
{
    thread_local CaseRuleCache caches[2];
    CaseRuleCache& cache = caches[make == &SimpleCaseRule ? 0 : 1];
    CaseChanger* changer = cache.changerFor(ruleText, context.state, make);
    if (!changer)
        return;
    ApplyToParts(parts, cache.applyTo(), context.state.fullNames, [changer](QString& part) {
        part = changer->run(part);
        return true;
    });
}

void ChangeCapitalization(RuleOpContext& context, const QString& ruleText, NameParts& parts)
{
    ChangeCaseOfParts(context, parts, ruleText, &SimpleCaseRule);
}

void ChangeCapitalizationAdvanced(RuleOpContext& context, const QString& ruleText, NameParts& parts)
{
    ChangeCaseOfParts(context, parts, ruleText, &AdvancedCaseRule);
}

void SetWordSeparators(RuleOpContext& context, const QString& ruleText, NameParts&)
{
    qsizetype pos = 0;
    context.state.separators = ReadNextParam(ruleText, pos);
}

void SetExceptionsList(RuleOpContext& context, const QString& ruleText, NameParts&)
{
    qsizetype pos = 0;
    const QString words = ReadNextParam(ruleText, pos);
    context.state.countSkipped = Keyword(ReadNextParam(ruleText, pos)) == QLatin1String("true");
    context.state.exceptions = ParseExceptionsList(words);
}

void RemoveSpacesRule(RuleOpContext& context, const QString& ruleText, NameParts& parts)
{
    qsizetype pos = 0;
    const SpaceTrim trim = SpaceTrimOf(Keyword(ReadNextParam(ruleText, pos)));
    const QString applyTo = ReadNextParam(ruleText, pos);
    ApplyToParts(parts, applyTo, context.state.fullNames, [trim](QString& part) {
        part = RemoveSpaces(part, trim);
        return true;
    });
}

void ConvertMultipleSpaces(RuleOpContext& context, const QString& ruleText, NameParts& parts)
{
    qsizetype pos = 0;
    const QString applyTo = ReadNextParam(ruleText, pos);
    ApplyToParts(parts, applyTo, context.state.fullNames, [](QString& part) {
        part = CollapseSpaces(part);
        return true;
    });
}

constexpr RuleOpEntry LetterAndSpaceTable[] = {
    {u"Change capitalization", ChangeCapitalization},
    {u"Change capitalization (Advanced)", ChangeCapitalizationAdvanced},
    {u"Set word separators", SetWordSeparators},
    {u"Set exceptions list", SetExceptionsList},
    {u"Remove spaces", RemoveSpacesRule},
    {u"Convert multiple spaces into one", ConvertMultipleSpaces},
};

} // namespace

std::optional<CaseOptions> CaseOptionsForType(const QString& typeLower)
{
    struct Type {
        LetterRule rule;
        CaseMode mode;
    };
    static const QHash<QString, Type> types = {
        {QStringLiteral("upper case"), {LetterRule::WholeWords, CaseMode::Up}},
        {QStringLiteral("lower case"), {LetterRule::WholeWords, CaseMode::Down}},
        {QStringLiteral("first letter up"), {LetterRule::FirstLetters, CaseMode::Up}},
        {QStringLiteral("first letter down"), {LetterRule::FirstLetters, CaseMode::Down}},
        {QStringLiteral("word up-down"), {LetterRule::AlternatingWords, CaseMode::Up}},
        {QStringLiteral("word down-up"), {LetterRule::AlternatingWords, CaseMode::Down}},
        {QStringLiteral("letter up-down"), {LetterRule::AlternatingLetters, CaseMode::Up}},
        {QStringLiteral("letter down-up"), {LetterRule::AlternatingLetters, CaseMode::Down}},
    };
    const auto it = types.constFind(typeLower);
    if (it == types.cend())
        return std::nullopt;
    CaseOptions options;
    options.rule = it->rule;
    options.mode = it->mode;
    return options;
}

QString ChangeCase(const QString& text, const CaseOptions& options)
{
    return CaseChanger(options).run(text);
}

QStringList ParseExceptionsList(const QString& words)
{
    // The list is the text between colons of Words + ":"; empty pieces drop out.
    return words.split(u':', Qt::SkipEmptyParts);
}

SpaceTrim SpaceTrimOf(const QString& typeLower)
{
    static const QHash<QString, SpaceTrim> kinds = {
        {QStringLiteral("leading"), SpaceTrim::Leading},
        {QStringLiteral("trailing"), SpaceTrim::Trailing},
        {QStringLiteral("leading & trailing"), SpaceTrim::Both},
    };
    return kinds.value(typeLower, SpaceTrim::None);
}

QString RemoveSpaces(const QString& text, SpaceTrim trim)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    if (trim == SpaceTrim::Leading || trim == SpaceTrim::Both)
        while (begin < end && text[begin] == u' ')
            ++begin;
    if (trim == SpaceTrim::Trailing || trim == SpaceTrim::Both)
        while (end > begin && text[end - 1] == u' ')
            --end;
    return text.mid(begin, end - begin);
}

QString CollapseSpaces(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u' ' && i > 0 && text[i - 1] == u' ')
            continue;
        out.append(text[i]);
    }
    return out;
}

std::span<const RuleOpEntry> LetterAndSpaceOperations()
{
    return LetterAndSpaceTable;
}

} // namespace quelt
