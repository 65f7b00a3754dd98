#include "engine/Sorting.h"

#include "engine/NumberCounter.h"
#include "engine/PreviewProgress.h"
#include "engine/PreviewRunState.h"
#include "platform/FileSystem.h"

#include <array>

namespace quelt {

namespace {

enum class KeyKind { Name, Modified, Size, Numeric };

struct ModeInfo {
    const char16_t* type; // Sorting Type in lower case
    SortMode mode;
    KeyKind key;
    bool descending;
};

constexpr std::array<ModeInfo, 8> Modes{{
    {u"name (ascending)", SortMode::NameAscending, KeyKind::Name, false},
    {u"name (descending)", SortMode::NameDescending, KeyKind::Name, true},
    {u"modified (ascending)", SortMode::ModifiedAscending, KeyKind::Modified, false},
    {u"modified (descending)", SortMode::ModifiedDescending, KeyKind::Modified, true},
    {u"size (ascending)", SortMode::SizeAscending, KeyKind::Size, false},
    {u"size (descending)", SortMode::SizeDescending, KeyKind::Size, true},
    {u"numeric value (ascending)", SortMode::NumericAscending, KeyKind::Numeric, false},
    {u"numeric value (descending)", SortMode::NumericDescending, KeyKind::Numeric, true},
}};

const ModeInfo& InfoOf(SortMode mode)
{
    for (const ModeInfo& info : Modes) {
        if (info.mode == mode)
            return info;
    }
    return Modes[0];
}

// One item of a folder run with its key, read once for the run.
struct Entry {
    QString text;           // upper-case name (name modes)
    std::int64_t major = 0; // seconds, size or numeric value
    std::int32_t minor = 0; // nanoseconds of a time
    bool readable = true;   // false: the modification time could not be read
    qsizetype source = 0;   // index of the item in the array
};

Entry MakeEntry(const PreviewItem& item, qsizetype index, KeyKind key, bool byOldName)
{
    Entry e;
    e.source = index;
    const QString& name = byOldName ? item.oldName : item.newName;
    switch (key) {
    case KeyKind::Name:
        e.text = name.toUpper();
        break;
    case KeyKind::Modified: {
        const platform::FileTimes times = platform::ReadFileTimes(item.folder + item.oldName);
        e.readable = times.ok;
        e.major = times.modified.seconds;
        e.minor = times.modified.nanoseconds;
        break;
    }
    case KeyKind::Size:
        e.major = item.size;
        break;
    case KeyKind::Numeric:
        e.major = NumberValue(name);
        break;
    }
    return e;
}

bool AscendingLess(const Entry& a, const Entry& b, KeyKind key)
{
    if (key == KeyKind::Name)
        return QStringView(a.text).compare(QStringView(b.text), Qt::CaseSensitive) < 0;
    if (a.major != b.major)
        return a.major < b.major;
    return a.minor < b.minor;
}

QString RuleLabel(const char* action, const QString& ruleName, int percent)
{
    return QString::fromLatin1(action) + QStringLiteral(" Rule: \"") + ruleName + QStringLiteral("\" (")
        + QString::number(percent) + QStringLiteral("%)");
}

void ReadSizes(PreviewArray& items, qsizetype count, const QString& ruleName, PreviewMeter& meter, const bool& stop)
{
    for (qsizetype i = 0; i < count && !stop; ++i) {
        PreviewItem& item = items[std::size_t(i)];
        item.size = std::max<std::int64_t>(platform::FileSize(item.folder + item.oldName), 0);
        if (meter.due()) {
            meter.setItemBar(i);
            meter.view().setLblProgress(RuleLabel("Initializing", ruleName, meter.itemPercent()));
            meter.updatedAndYield();
        }
    }
}

// Sorts items [first, first + length) of one folder run.
void SortRun(PreviewArray& items, qsizetype first, qsizetype length, const ModeInfo& info, bool byOldName)
{
    std::vector<Entry> entries;
    entries.reserve(std::size_t(length));
    for (qsizetype k = 0; k < length; ++k)
        entries.push_back(MakeEntry(items[std::size_t(first + k)], first + k, info.key, byOldName));

    const KeyKind key = info.key;
    const bool descending = info.descending;
    PartitionSort(entries, 0, length - 1, [key, descending](const Entry& a, const Entry& b) -> std::optional<bool> {
        if (!a.readable || !b.readable)
            return std::nullopt;
        return descending ? AscendingLess(b, a, key) : AscendingLess(a, b, key);
    });

    // Whatever order the sort reached, also after a stop on an unreadable time.
    std::vector<PreviewItem> reordered;
    reordered.reserve(std::size_t(length));
    for (const Entry& e : entries)
        reordered.push_back(std::move(items[std::size_t(e.source)]));
    for (qsizetype k = 0; k < length; ++k)
        items[std::size_t(first + k)] = std::move(reordered[std::size_t(k)]);
}

} // namespace

std::optional<SortMode> SortModeOf(QStringView typeLower)
{
    for (const ModeInfo& info : Modes) {
        if (typeLower == QStringView(info.type))
            return info.mode;
    }
    return std::nullopt;
}

bool IsSizeMode(SortMode mode)
{
    return InfoOf(mode).key == KeyKind::Size;
}

void SortPreviewArray(PreviewArray& items, qsizetype count, SortMode mode, bool byOldName, const QString& ruleName,
                      PreviewMeter& meter, PreviewRunState& state, const bool& stop)
{
    count = std::min<qsizetype>(count, qsizetype(items.size()));
    if (count < 2)
        return;
    const ModeInfo& info = InfoOf(mode);
    meter.view().setLblProgress(QStringLiteral("Initializing sorting rule..."));
    meter.setItemBar(0);
    meter.view().setBusy(true);
    meter.yield();

    if (info.key == KeyKind::Size && !state.sizesKnown) {
        ReadSizes(items, count, ruleName, meter, stop);
        state.sizesKnown = true;
    }

    qsizetype runStart = 0;
    while (runStart < count && !stop) {
        const QString& folder = items[std::size_t(runStart)].folder;
        qsizetype runEnd = runStart + 1;
        while (runEnd < count && items[std::size_t(runEnd)].folder == folder)
            ++runEnd;
        if (runEnd - runStart >= 2)
            SortRun(items, runStart, runEnd - runStart, info, byOldName);
        if (meter.due()) {
            meter.setItemBar(runEnd - 1);
            meter.view().setLblProgress(RuleLabel("Processing", ruleName, meter.itemPercent()));
            meter.setTotalBar(runEnd + meter.itemCount * meter.rulesFinished);
            meter.view().setLblTotalProgress(QString::number(meter.totalPercent()) + u'%');
            meter.updatedAndYield();
        }
        runStart = runEnd;
    }

    meter.view().setBusy(false);
    meter.yield();
}

} // namespace quelt
