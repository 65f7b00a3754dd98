#pragma once
// A new name split into title and extension, and the Apply To dispatch that
// chooses which part a rule works on.

#include "engine/RuleLine.h"

#include <QString>

namespace quelt {

struct NameParts {
    QString full;      // the new name; "." appended when it is not empty and holds none
    QString title;     // before the last "."
    QString extension; // after the last "."

    static NameParts FromName(const QString& newName);
    /// title + "." + extension, or the title alone when the extension is empty.
    QString toName() const;
    /// Splits `full` at its last "." into title and extension (no "." appended).
    void splitFull();
};

/// Which part of a name an operation is working on.
enum class NamePart { Full, Title, Extension };

/// Applies `op` (bool(QString& text, NamePart part), false when the rule fails for
/// that part) to the parts chosen by the Apply To value `applyTo` (any case):
/// with fullNames on and "title & extension", to `full` and then splits it again;
/// otherwise to the title when the value holds "title", then to the extension when
/// it holds "extension". Returns false when `op` failed for any part; a failed
/// part keeps its text.
template <typename Op>
bool ApplyToNameParts(NameParts& parts, const QString& applyTo, bool fullNames, Op&& op)
{
    const QString a = Keyword(applyTo);
    if (fullNames && a == QLatin1String("title & extension")) {
        QString full = parts.full;
        const bool ok = op(full, NamePart::Full);
        if (ok) {
            parts.full = full;
            parts.splitFull();
        }
        return ok;
    }
    bool ok = true;
    if (a.contains(QLatin1String("title"))) {
        QString title = parts.title;
        if (op(title, NamePart::Title))
            parts.title = title;
        else
            ok = false;
    }
    if (a.contains(QLatin1String("extension"))) {
        QString extension = parts.extension;
        if (op(extension, NamePart::Extension))
            parts.extension = extension;
        else
            ok = false;
    }
    return ok;
}

/// ApplyToNameParts for operations that treat every part alike (bool(QString&)).
template <typename Op>
bool ApplyToParts(NameParts& parts, const QString& applyTo, bool fullNames, Op&& op)
{
    return ApplyToNameParts(parts, applyTo, fullNames, [&op](QString& text, NamePart) { return op(text); });
}

} // namespace quelt
