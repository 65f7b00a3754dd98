#pragma once
// Regular expressions with JavaScript syntax and replacement rules, matched by
// QRegularExpression (PCRE2). Patterns are rewritten where the two engines read
// the same text differently, so a pattern does on a name what it would do in a
// browser's script engine (without the "u" flag):
//   \s and \S use the script whitespace set; . stops only at line terminators;
//   $ is the end of the text (not before a final line feed); \uXXXX, \xHH, \cX,
//   \v, \0 and legacy octal escapes; backreferences to groups that did not take
//   part match the empty text; an escape of any other character is that
//   character; [] matches nothing and [^] anything; "[" inside a class is
//   literal; "{" that does not start a quantifier is literal; PCRE2-only syntax
//   ((?i), (*VERB), possessive quantifiers, \Q..\E, \p{..}, [[:alpha:]]) is
//   either an error or literal, as in script.
// Characters are code points: "." matches a whole surrogate pair, and a global
// replace steps over a pair after an empty match.

#include <QRegularExpression>
#include <QString>
#include <QStringView>
#include <optional>

namespace quelt {

struct RegexOptions {
    bool ignoreCase = false;
    bool multiLine = false;
    bool global = false;
};

/// Rewrites a pattern in script syntax as an equivalent PCRE2 pattern;
/// nothing when the pattern is not valid script syntax (`error` says why).
std::optional<QString> TranslateScriptPattern(QStringView pattern, bool multiLine, QString* error = nullptr);

/// A compiled script-syntax regular expression.
class ScriptRegex {
public:
    ScriptRegex() = default;
    ScriptRegex(const QString& pattern, bool ignoreCase, bool multiLine);

    /// False for a pattern that script or PCRE2 rejects.
    bool isValid() const { return valid_; }
    QString errorString() const { return error_; }

    /// Replaces the first match (every match when `global`) in `subject` by the
    /// expanded `replacement` ($1..$99, $&, $`, $', $$, $<name>). Nothing when
    /// the pattern is invalid. A search that exceeds the matcher's limits finds
    /// no match there.
    std::optional<QString> replace(const QString& subject, const QString& replacement, bool global) const;

private:
    QRegularExpression regex_;
    int groupCount_ = 0;
    bool hasNamedGroups_ = false;
    bool valid_ = false;
    QString error_;
};

/// The regular-expression service of the rules: `subject` with `pattern`
/// replaced by `replacement` under `options`; nothing for a bad pattern.
/// Compiled patterns are kept in a small cache, so a rule applied to many names
/// compiles its pattern once.
std::optional<QString> RegexReplace(const QString& subject, const QString& pattern, const QString& replacement,
                                    const RegexOptions& options);

} // namespace quelt
