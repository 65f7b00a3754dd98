#pragma once
// The two rules that act on the preview array as a whole: "Sort the list" and
// "Create new names from list". The preview driver calls them at the first
// included item of their pass.

#include "engine/PreviewItem.h"

#include <QString>
#include <QStringList>

namespace quelt {

class PreviewMeter;
struct PreviewRunState;
struct ExpansionOptions;

inline const QString SortTheListRule = QStringLiteral("Sort the list");
inline const QString NamesFromListRule = QStringLiteral("Create new names from list");

/// "Sort the list" (Sorting Type lower, Sorting Source lower): sorts the first
/// `count` items with SortPreviewArray. Only the source "old name" sorts by old
/// names. An unknown type does nothing; so do the size modes in folders-only mode.
void ApplySortRule(const QString& ruleText, PreviewArray& items, qsizetype count, bool foldersOnly,
                   PreviewMeter& meter, PreviewRunState& state, const bool& stop);

/// "Create new names from list" (Input File, Read From Line, Insert From, Apply To
/// lower): when the file exists, gives the items from Insert From on one line of
/// it each, starting at Read From Line. A line is cut after its last "/" or "\"
/// and cleaned with FixInvalidChars; an empty result is skipped. Apply To, exact:
/// "title & extension" the whole line, "title" the line's title with the item's
/// extension, "extension" the item's title with the line's extension; any other
/// value changes no name. Items that are not included use up a line and keep an
/// empty new name.
void AssignNamesFromList(const QString& ruleText, PreviewArray& items, qsizetype count,
                         const ExpansionOptions& options);

/// The names part of AssignNamesFromList on lines already read.
void AssignNamesFromLines(const QStringList& lines, int readFromLine, int insertFrom, const QString& applyToLower,
                          PreviewArray& items, qsizetype count, const ExpansionOptions& options);

} // namespace quelt
