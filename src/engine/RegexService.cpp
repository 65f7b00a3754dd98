#include "engine/RegexService.h"

#include "engine/CodePoints.h"

#include <array>
#include <vector>

namespace quelt {

namespace {

// Script whitespace (WhiteSpace and LineTerminator) and its complement, as class contents.
constexpr QStringView ScriptSpaceSet =
    u"\\t-\\r \\x{a0}\\x{1680}\\x{2000}-\\x{200a}\\x{2028}\\x{2029}\\x{202f}\\x{205f}\\x{3000}\\x{feff}";
constexpr QStringView ScriptNonSpaceSet =
    u"\\x{0}-\\x{8}\\x{e}-\\x{1f}\\x{21}-\\x{9f}\\x{a1}-\\x{167f}\\x{1681}-\\x{1fff}\\x{200b}-\\x{2027}"
    u"\\x{202a}-\\x{202e}\\x{2030}-\\x{205e}\\x{2060}-\\x{2fff}\\x{3001}-\\x{fefe}\\x{ff00}-\\x{10ffff}";
constexpr QStringView AnyButLineTerminator = u"[^\\n\\r\\x{2028}\\x{2029}]";
constexpr QStringView LineStart = u"(?<![^\\n\\r\\x{2028}\\x{2029}])";
constexpr QStringView LineEnd = u"(?![^\\n\\r\\x{2028}\\x{2029}])";

// A lone surrogate (a name byte that was not UTF-8) cannot be matched by PCRE2,
// which wants valid UTF-16. It is matched as a private-use character of the same
// length instead; replacements take their text from the original subject.
constexpr char32_t LoneSurrogateStandIn = 0xE000;

bool IsLoneSurrogateAt(QStringView s, qsizetype i)
{
    const QChar c = s[i];
    if (c.isHighSurrogate())
        return !(i + 1 < s.size() && s[i + 1].isLowSurrogate());
    if (c.isLowSurrogate())
        return !(i > 0 && s[i - 1].isHighSurrogate());
    return false;
}

QString WithStandIns(const QString& subject)
{
    QString mapped;
    for (qsizetype i = 0; i < subject.size(); ++i) {
        if (!IsLoneSurrogateAt(subject, i))
            continue;
        if (mapped.isNull())
            mapped = subject;
        mapped[i] = QChar(char16_t(LoneSurrogateStandIn + (subject[i].unicode() - 0xD800)));
    }
    return mapped.isNull() ? subject : mapped;
}

bool IsDigit(QChar c) { return c >= u'0' && c <= u'9'; }
bool IsOctal(QChar c) { return c >= u'0' && c <= u'7'; }
bool IsAsciiLetter(QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

QString CodePointEscape(char32_t cp)
{
    if (cp >= 0xD800 && cp <= 0xDFFF)
        cp = LoneSurrogateStandIn + (cp - 0xD800);
    return QStringLiteral("\\x{%1}").arg(uint(cp), 0, 16);
}

// Rewrites script syntax (no "u" flag, with the web-compatibility grammar) as PCRE2.
class PatternTranslator {
public:
    PatternTranslator(QStringView pattern, bool multiLine) : p_(pattern), multiLine_(multiLine) {}

    std::optional<QString> run(QString* error)
    {
        countGroups();
        out_.reserve(p_.size() * 2);
        while (i_ < p_.size() && error_.isEmpty())
            step();
        if (error_.isEmpty() && !groups_.empty())
            error_ = QStringLiteral("missing )");
        if (!error_.isEmpty()) {
            if (error)
                *error = error_;
            return std::nullopt;
        }
        return out_;
    }

private:
    enum class Last { Nothing, Atom, Assertion };

    QStringView p_;
    bool multiLine_;
    qsizetype i_ = 0;
    QString out_;
    QString error_;
    int groupCount_ = 0;
    bool namedGroups_ = false;
    Last last_ = Last::Nothing;
    std::vector<bool> groups_; // per open group: whether the group may be quantified

    QChar at(qsizetype k) const { return k < p_.size() ? p_[k] : QChar(); }

    void fail(const char* message)
    {
        if (error_.isEmpty())
            error_ = QString::fromLatin1(message);
    }

    void countGroups()
    {
        for (qsizetype k = 0; k < p_.size(); ++k) {
            const QChar c = p_[k];
            if (c == u'\\') {
                ++k;
            } else if (c == u'[') {
                for (++k; k < p_.size() && p_[k] != u']'; ++k) {
                    if (p_[k] == u'\\')
                        ++k;
                }
            } else if (c == u'(') {
                if (at(k + 1) != u'?') {
                    ++groupCount_;
                } else if (at(k + 2) == u'<' && at(k + 3) != u'=' && at(k + 3) != u'!') {
                    ++groupCount_;
                    namedGroups_ = true;
                }
            }
        }
    }

    void literal(char32_t cp)
    {
        if (cp < 0x80) {
            const QChar c{char16_t(cp)};
            if (!c.isLetterOrNumber() && cp >= 0x20)
                out_ += u'\\';
            if (cp < 0x20)
                out_ += CodePointEscape(cp);
            else
                out_ += c;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            out_ += CodePointEscape(cp);
        } else {
            out_ += QStringView(QChar::fromUcs4(cp));
        }
    }

    // The code point at i_ (a pair counts as one), advancing past it.
    char32_t takeCodePoint()
    {
        const char32_t cp = CodePointAt(p_, i_);
        i_ += CodePointWidthAt(p_, i_);
        return cp;
    }

    // Length of a quantifier "{n}", "{n,}" or "{n,m}" at k, or 0 when there is none.
    qsizetype bracedQuantifierLength(qsizetype k, bool& ordered) const
    {
        ordered = true;
        qsizetype j = k + 1;
        const qsizetype minStart = j;
        while (IsDigit(at(j)))
            ++j;
        if (j == minStart)
            return 0;
        const QStringView minText = p_.sliced(minStart, j - minStart);
        if (at(j) == u'}')
            return j + 1 - k;
        if (at(j) != u',')
            return 0;
        ++j;
        const qsizetype maxStart = j;
        while (IsDigit(at(j)))
            ++j;
        if (at(j) != u'}')
            return 0;
        if (j > maxStart) {
            bool okMin = false, okMax = false;
            const qulonglong lo = minText.toULongLong(&okMin);
            const qulonglong hi = p_.sliced(maxStart, j - maxStart).toULongLong(&okMax);
            ordered = !(okMin && okMax && lo > hi);
        }
        return j + 1 - k;
    }

    void quantifier(qsizetype length)
    {
        if (last_ != Last::Atom) {
            fail("nothing to repeat");
            return;
        }
        out_ += p_.sliced(i_, length);
        i_ += length;
        if (at(i_) == u'?') {
            out_ += u'?';
            ++i_;
        }
        last_ = Last::Nothing;
    }

    void step()
    {
        const QChar c = p_[i_];
        switch (c.unicode()) {
        case u'\\':
            atomEscape();
            return;
        case u'[':
            characterClass();
            return;
        case u'(':
            openGroup();
            return;
        case u')':
            if (groups_.empty()) {
                fail("unmatched )");
                return;
            }
            out_ += u')';
            ++i_;
            last_ = groups_.back() ? Last::Atom : Last::Assertion;
            groups_.pop_back();
            return;
        case u'|':
            out_ += u'|';
            ++i_;
            last_ = Last::Nothing;
            return;
        case u'^':
            out_ += multiLine_ ? LineStart : QStringView(u"^");
            ++i_;
            last_ = Last::Assertion;
            return;
        case u'$':
            out_ += multiLine_ ? LineEnd : QStringView(u"\\z");
            ++i_;
            last_ = Last::Assertion;
            return;
        case u'.':
            out_ += AnyButLineTerminator;
            ++i_;
            last_ = Last::Atom;
            return;
        case u'*':
        case u'+':
        case u'?':
            quantifier(1);
            return;
        case u'{': {
            bool ordered = true;
            if (const qsizetype length = bracedQuantifierLength(i_, ordered)) {
                if (!ordered)
                    fail("numbers out of order in {} quantifier");
                else
                    quantifier(length);
                return;
            }
            break;
        }
        default:
            break;
        }
        literal(takeCodePoint());
        last_ = Last::Atom;
    }

    void openGroup()
    {
        ++i_;
        if (at(i_) != u'?') {
            out_ += u'(';
            groups_.push_back(true);
            last_ = Last::Nothing;
            return;
        }
        const QChar kind = at(i_ + 1);
        if (kind == u':' || kind == u'=' || kind == u'!') {
            out_ += QStringLiteral("(?") + QString(kind);
            i_ += 2;
            groups_.push_back(true);
        } else if (kind == u'<' && (at(i_ + 2) == u'=' || at(i_ + 2) == u'!')) {
            out_ += QStringLiteral("(?<") + QString(at(i_ + 2));
            i_ += 3;
            groups_.push_back(false);
        } else if (kind == u'<') {
            const qsizetype close = p_.indexOf(u'>', i_ + 2);
            if (close < 0 || close == i_ + 2) {
                fail("invalid capture group name");
                return;
            }
            out_ += QStringLiteral("(?<") + p_.sliced(i_ + 2, close - i_ - 2).toString() + u'>';
            i_ = close + 1;
            groups_.push_back(true);
        } else {
            fail("invalid group");
            return;
        }
        last_ = Last::Nothing;
    }

    // Legacy octal escape starting at i_ (an octal digit): up to three digits,
    // at most \377.
    char32_t takeOctal()
    {
        const int maxDigits = p_[i_] <= u'3' ? 3 : 2;
        char32_t value = 0;
        for (int n = 0; n < maxDigits && IsOctal(at(i_)); ++n, ++i_)
            value = value * 8 + (p_[i_].unicode() - u'0');
        return value;
    }

    // \xHH or \uXXXX (with a following low-surrogate escape joined to its pair);
    // i_ is at the "x" or "u". Returns false when the digits are missing.
    bool takeHexEscape(char32_t& cp)
    {
        const int digits = p_[i_] == u'x' ? 2 : 4;
        char32_t value = 0;
        for (int n = 1; n <= digits; ++n) {
            const int h = HexDigitValue(at(i_ + n));
            if (h < 0)
                return false;
            value = value * 16 + char32_t(h);
        }
        i_ += 1 + digits;
        if (digits == 4 && QChar::isHighSurrogate(value) && at(i_) == u'\\' && at(i_ + 1) == u'u') {
            char32_t low = 0;
            bool ok = true;
            for (int n = 2; n <= 5 && ok; ++n) {
                const int h = HexDigitValue(at(i_ + n));
                ok = h >= 0;
                low = low * 16 + char32_t(h);
            }
            if (ok && QChar::isLowSurrogate(low)) {
                value = QChar::surrogateToUcs4(char16_t(value), char16_t(low));
                i_ += 6;
            }
        }
        cp = value;
        return true;
    }

    // Escapes shared by atoms and classes; i_ is at the character after "\".
    // Returns false when the escape is not one of them.
    bool characterEscape(bool inClass)
    {
        const QChar e = p_[i_];
        switch (e.unicode()) {
        case u't': out_ += u"\\t"; ++i_; return true;
        case u'n': out_ += u"\\n"; ++i_; return true;
        case u'r': out_ += u"\\r"; ++i_; return true;
        case u'f': out_ += u"\\f"; ++i_; return true;
        case u'v': out_ += CodePointEscape(0x0B); ++i_; return true;
        case u'c': {
            const QChar letter = at(i_ + 1);
            const bool control = IsAsciiLetter(letter) || (inClass && (IsDigit(letter) || letter == u'_'));
            if (!control) {
                out_ += u"\\\\"; // a backslash; the "c" follows as itself
                return true;
            }
            out_ += CodePointEscape(letter.unicode() % 32);
            i_ += 2;
            return true;
        }
        case u'x':
        case u'u': {
            char32_t cp = 0;
            if (takeHexEscape(cp)) {
                out_ += CodePointEscape(cp);
            } else {
                out_ += e;
                ++i_;
            }
            return true;
        }
        default:
            return false;
        }
    }

    void atomEscape()
    {
        ++i_;
        if (i_ >= p_.size()) {
            fail("\\ at end of pattern");
            return;
        }
        const QChar e = p_[i_];
        last_ = Last::Atom;
        switch (e.unicode()) {
        case u'd': case u'D': case u'w': case u'W':
            out_ += u'\\' + QString(e);
            ++i_;
            return;
        case u'b': case u'B':
            out_ += u'\\' + QString(e);
            ++i_;
            last_ = Last::Assertion;
            return;
        case u's':
            out_ += u'[' + ScriptSpaceSet.toString() + u']';
            ++i_;
            return;
        case u'S':
            out_ += u'[' + ScriptNonSpaceSet.toString() + u']';
            ++i_;
            return;
        case u'0':
            if (!IsDigit(at(i_ + 1))) {
                out_ += CodePointEscape(0);
                ++i_;
                return;
            }
            out_ += CodePointEscape(takeOctal());
            return;
        case u'k':
            if (namedGroups_) {
                const qsizetype close = at(i_ + 1) == u'<' ? p_.indexOf(u'>', i_ + 2) : -1;
                if (close < 0 || close == i_ + 2) {
                    fail("invalid named reference");
                    return;
                }
                const QString name = p_.sliced(i_ + 2, close - i_ - 2).toString();
                // A group that has not taken part matches the empty text.
                out_ += QStringLiteral("(?(<") + name + QStringLiteral(">)\\k<") + name + QStringLiteral(">|)");
                i_ = close + 1;
                return;
            }
            break;
        default:
            break;
        }
        if (e >= u'1' && e <= u'9') {
            qsizetype j = i_;
            qulonglong number = 0;
            while (IsDigit(at(j)) && number <= qulonglong(groupCount_))
                number = number * 10 + (p_[j++].unicode() - u'0');
            if (number <= qulonglong(groupCount_) && !IsDigit(at(j))) {
                const QString n = QString::number(number);
                out_ += QStringLiteral("(?(") + n + QStringLiteral(")\\g{") + n + QStringLiteral("}|)");
                i_ = j;
                return;
            }
            if (IsOctal(e)) {
                out_ += CodePointEscape(takeOctal());
            } else {
                out_ += e; // \8 and \9 without such a group are the digits themselves
                ++i_;
            }
            return;
        }
        if (characterEscape(false))
            return;
        literal(takeCodePoint());
    }

    bool isSetEscapeAt(qsizetype k) const
    {
        return at(k) == u'\\' && QStringView(u"dDwWsS").contains(at(k + 1));
    }

    void classEscape()
    {
        ++i_;
        if (i_ >= p_.size()) {
            fail("\\ at end of pattern");
            return;
        }
        const QChar e = p_[i_];
        bool set = false;
        switch (e.unicode()) {
        case u'd': case u'D': case u'w': case u'W':
            out_ += u'\\' + QString(e);
            set = true;
            break;
        case u's':
            out_ += ScriptSpaceSet;
            set = true;
            break;
        case u'S':
            out_ += ScriptNonSpaceSet;
            set = true;
            break;
        case u'b':
            out_ += CodePointEscape(0x08);
            break;
        case u'-':
            out_ += u"\\-";
            break;
        default:
            if (IsOctal(e)) {
                out_ += CodePointEscape(takeOctal());
                return;
            }
            if (e == u'8' || e == u'9') {
                out_ += e;
                ++i_;
                return;
            }
            if (!characterEscape(true))
                literal(takeCodePoint());
            return;
        }
        ++i_;
        // A "-" beside a set such as \d is a hyphen, not a range.
        if (set && at(i_) == u'-' && at(i_ + 1) != u']') {
            out_ += u"\\-";
            ++i_;
        }
    }

    void characterClass()
    {
        ++i_;
        const bool negated = at(i_) == u'^';
        if (negated)
            ++i_;
        last_ = Last::Atom;
        if (at(i_) == u']') {
            out_ += negated ? QStringView(u"[\\s\\S]") : QStringView(u"(?!)");
            ++i_;
            return;
        }
        out_ += negated ? QStringView(u"[^") : QStringView(u"[");
        while (error_.isEmpty()) {
            if (i_ >= p_.size()) {
                fail("missing ] for character class");
                return;
            }
            const QChar c = p_[i_];
            if (c == u']') {
                out_ += u']';
                ++i_;
                return;
            }
            if (c == u'\\') {
                classEscape();
            } else if (c == u'[') {
                out_ += u"\\[";
                ++i_;
            } else if (c == u'-' && isSetEscapeAt(i_ + 1)) {
                out_ += u"\\-";
                ++i_;
            } else if (c == u'-' || c == u'^') {
                out_ += c;
                ++i_;
            } else {
                literal(takeCodePoint());
            }
        }
    }
};

// Appends the expansion of `replacement` for one match, by the script rules:
// $$, $&, $`, $', $n / $nn (two digits when that group exists), $<name>.
void AppendReplacement(QString& out, QStringView replacement, QStringView subject, const QRegularExpressionMatch& m,
                       int groupCount, bool namedGroups)
{
    auto appendGroup = [&](qsizetype start, qsizetype length) {
        if (start >= 0)
            out += subject.sliced(start, length);
    };
    const qsizetype n = replacement.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = replacement[i];
        if (c != u'$' || i + 1 >= n) {
            out += c;
            continue;
        }
        const QChar d = replacement[i + 1];
        if (d == u'$') {
            out += u'$';
            ++i;
        } else if (d == u'&') {
            appendGroup(m.capturedStart(0), m.capturedLength(0));
            ++i;
        } else if (d == u'`') {
            out += subject.first(m.capturedStart(0));
            ++i;
        } else if (d == u'\'') {
            out += subject.sliced(m.capturedEnd(0));
            ++i;
        } else if (IsDigit(d)) {
            int index = d.unicode() - u'0';
            int digits = 1;
            if (i + 2 < n && IsDigit(replacement[i + 2])) {
                const int two = index * 10 + (replacement[i + 2].unicode() - u'0');
                if (two <= groupCount) {
                    index = two;
                    digits = 2;
                }
            }
            if (index >= 1 && index <= groupCount) {
                appendGroup(m.capturedStart(index), m.capturedLength(index));
                i += digits;
            } else {
                out += u'$';
            }
        } else if (d == u'<' && namedGroups) {
            const qsizetype close = replacement.indexOf(u'>', i + 2);
            if (close < 0) {
                out += u'$';
                continue;
            }
            const QStringView name = replacement.sliced(i + 2, close - i - 2);
            if (!name.isEmpty())
                appendGroup(m.capturedStart(name), m.capturedLength(name));
            i = close;
        } else {
            out += u'$';
        }
    }
}

} // namespace

std::optional<QString> TranslateScriptPattern(QStringView pattern, bool multiLine, QString* error)
{
    return PatternTranslator(pattern, multiLine).run(error);
}

ScriptRegex::ScriptRegex(const QString& pattern, bool ignoreCase, bool multiLine)
{
    const std::optional<QString> translated = TranslateScriptPattern(pattern, multiLine, &error_);
    if (!translated)
        return;
    regex_.setPattern(*translated);
    regex_.setPatternOptions(ignoreCase ? QRegularExpression::CaseInsensitiveOption
                                        : QRegularExpression::NoPatternOption);
    if (!regex_.isValid()) {
        error_ = regex_.errorString();
        return;
    }
    regex_.optimize();
    groupCount_ = regex_.captureCount();
    for (const QString& name : regex_.namedCaptureGroups())
        hasNamedGroups_ = hasNamedGroups_ || !name.isEmpty();
    valid_ = true;
}

std::optional<QString> ScriptRegex::replace(const QString& subject, const QString& replacement, bool global) const
{
    if (!valid_)
        return std::nullopt;
    const QString searched = WithStandIns(subject);
    QString result;
    qsizetype copied = 0; // subject text up to here is in the result
    qsizetype offset = 0;
    while (offset <= searched.size()) {
        const QRegularExpressionMatch m = regex_.match(searched, offset);
        if (!m.hasMatch())
            break;
        const qsizetype start = m.capturedStart(0);
        const qsizetype end = m.capturedEnd(0);
        result += QStringView(subject).sliced(copied, start - copied);
        AppendReplacement(result, replacement, subject, m, groupCount_, hasNamedGroups_);
        copied = end;
        if (!global)
            break;
        // After an empty match the search goes on one character further.
        offset = end > start ? end : end + (end < searched.size() ? CodePointWidthAt(searched, end) : 1);
    }
    result += QStringView(subject).sliced(copied);
    return result;
}

std::optional<QString> RegexReplace(const QString& subject, const QString& pattern, const QString& replacement,
                                    const RegexOptions& options)
{
    struct Entry {
        bool used = false;
        QString pattern;
        bool ignoreCase = false;
        bool multiLine = false;
        ScriptRegex regex;
    };
    constexpr std::size_t CacheSize = 8;
    thread_local std::array<Entry, CacheSize> cache;
    thread_local std::size_t nextSlot = 0;
    for (const Entry& e : cache) {
        if (e.used && e.pattern == pattern && e.ignoreCase == options.ignoreCase
            && e.multiLine == options.multiLine)
            return e.regex.replace(subject, replacement, options.global);
    }
    Entry& slot = cache[nextSlot];
    nextSlot = (nextSlot + 1) % CacheSize;
    slot = Entry{true, pattern, options.ignoreCase, options.multiLine,
                 ScriptRegex(pattern, options.ignoreCase, options.multiLine)};
    return slot.regex.replace(subject, replacement, options.global);
}

} // namespace quelt
