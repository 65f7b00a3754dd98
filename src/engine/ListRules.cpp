#include "engine/ListRules.h"

#include "engine/PreviewRunState.h"
#include "engine/RuleLine.h"
#include "engine/Sorting.h"
#include "metadata/Variables.h"
#include "platform/FileSystem.h"
#include "platform/ProgramFiles.h"

#include <algorithm>

namespace quelt {

namespace {

// Lists made on Windows hold paths with "\", ours with "/".
QString AfterLastSeparator(const QString& line)
{
    const qsizetype cut = std::max(line.lastIndexOf(u'/'), line.lastIndexOf(u'\\'));
    return cut < 0 ? line : line.mid(cut + 1);
}

QString Joined(const QString& title, const QString& extension)
{
    return title + u'.' + extension;
}

} // namespace

void ApplySortRule(const QString& ruleText, PreviewArray& items, qsizetype count, bool foldersOnly,
                   PreviewMeter& meter, PreviewRunState& state, const bool& stop)
{
    qsizetype position = 0;
    const QString type = Keyword(ReadNextParam(ruleText, position));
    const QString source = Keyword(ReadNextParam(ruleText, position));
    const std::optional<SortMode> mode = SortModeOf(type);
    if (!mode || (foldersOnly && IsSizeMode(*mode)))
        return;
    SortPreviewArray(items, count, *mode, source == QLatin1String("old name"), RuleName(ruleText.trimmed()), meter,
                     state, stop);
}

void AssignNamesFromLines(const QStringList& lines, int readFromLine, int insertFrom, const QString& applyToLower,
                          PreviewArray& items, qsizetype count, const ExpansionOptions& options)
{
    count = std::min<qsizetype>(count, qsizetype(items.size()));
    qsizetype line = std::clamp<qsizetype>(qsizetype(readFromLine) - 1, 0, lines.size());
    qsizetype target = std::max<qsizetype>(qsizetype(insertFrom) - 1, 0);
    while (line < lines.size() && target < count) {
        const QString name = FixInvalidChars(AfterLastSeparator(lines[line++]), options);
        if (name.isEmpty())
            continue;
        PreviewItem& item = items[std::size_t(target++)];
        if (!item.included)
            continue;
        if (applyToLower == QLatin1String("title & extension"))
            item.newName = name;
        else if (applyToLower == QLatin1String("title"))
            item.newName = Joined(GetFileTitle(name), GetFileExtension(item.newName));
        else if (applyToLower == QLatin1String("extension"))
            item.newName = Joined(GetFileTitle(item.newName), GetFileExtension(name));
    }
}

void AssignNamesFromList(const QString& ruleText, PreviewArray& items, qsizetype count,
                         const ExpansionOptions& options)
{
    qsizetype position = 0;
    const QString inputFile = ReadNextParam(ruleText, position);
    const int readFromLine = LeadingNumber(ReadNextParam(ruleText, position));
    const int insertFrom = LeadingNumber(ReadNextParam(ruleText, position));
    const QString applyTo = Keyword(ReadNextParam(ruleText, position));
    if (inputFile == NotFound || !platform::PathExists(inputFile))
        return;
    QStringList lines;
    platform::ReadTextFile(inputFile, lines); // an unreadable file simply gives no names
    AssignNamesFromLines(lines, readFromLine, insertFrom, applyTo, items, count, options);
}

} // namespace quelt
