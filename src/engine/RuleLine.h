#pragma once
// A rule as the rules list holds it, and the two readers that take parameter
// values back out of a rule line ("Rule name: <Name=value> <Name=value>").

#include <QString>
#include <QStringView>

namespace quelt {

struct RuleLine {
    QString category;
    QString text;
    QString comment;
    bool enabled = true;
};

/// What ReadNextParam gives when no further value can be read.
inline const QString NotFound = QStringLiteral("<NOTFOUND>");

/// The rule name: the text before the first ":" (the whole text when there is none).
QString RuleName(const QString& ruleText);

/// Reads a parameter by name (names compared trimmed and without regard to case);
/// an empty value does not count, a later parameter of the same name may supply one.
/// Returns "" when no value is found.
QString GetParamValue(const QString& ruleText, const QString& name);

/// Reads the value that follows `position` (0-based, start each rule at 0) and
/// moves `position` to the "<" of the next parameter. Returns NotFound, leaving
/// the position unchanged, when no value follows or the line is malformed there.
QString ReadNextParam(const QString& ruleText, qsizetype& position);

/// The leading numeric value of a parameter text: optional leading blanks and
/// sign, then digits; an empty or non-numeric text is 0. Saturates at the int range.
int LeadingNumber(QStringView text);

/// Keyword form of a parameter value (lower case, as QString::toLower gives it),
/// so "<NOTFOUND>" never matches.
QString Keyword(const QString& value);

} // namespace quelt
