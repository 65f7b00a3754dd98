#include "app/ItemListSort.h"

#include "engine/RuleLine.h"
#include "platform/FileSystem.h"

#include <QElapsedTimer>

#include <algorithm>
#include <array>
#include <numeric>

namespace quelt {

namespace {

enum class SortKeyKind { Name, Modified, Size, Numeric };

struct ModeInfo {
    const char16_t* caption; // lower case
    DisplaySortMode mode;
    SortKeyKind key;
    bool descending;
};

constexpr std::array<ModeInfo, 8> Modes{{
    {u"name (ascending)", DisplaySortMode::NameAscending, SortKeyKind::Name, false},
    {u"name (descending)", DisplaySortMode::NameDescending, SortKeyKind::Name, true},
    {u"modified (ascending)", DisplaySortMode::ModifiedAscending, SortKeyKind::Modified, false},
    {u"modified (descending)", DisplaySortMode::ModifiedDescending, SortKeyKind::Modified, true},
    {u"size (ascending)", DisplaySortMode::SizeAscending, SortKeyKind::Size, false},
    {u"size (descending)", DisplaySortMode::SizeDescending, SortKeyKind::Size, true},
    {u"numeric value (ascending)", DisplaySortMode::NumericAscending, SortKeyKind::Numeric, false},
    {u"numeric value (descending)", DisplaySortMode::NumericDescending, SortKeyKind::Numeric, true},
}};

const ModeInfo& InfoOf(DisplaySortMode mode)
{
    for (const ModeInfo& info : Modes) {
        if (info.mode == mode)
            return info;
    }
    return Modes[0];
}

struct SortEntry {
    QString text;            // upper-case name (name modes)
    std::int64_t major = 0;  // seconds, size or numeric value
    std::int32_t minor = 0;  // nanoseconds of a time
    qsizetype source = 0;    // position of the item in the container
};

// Calls the yield at most once per timeout, at partition steps.
class EventGate {
public:
    EventGate(const std::function<void()>& yield, int timeout) : yield_(yield), timeout_(timeout)
    {
        clock_.start();
    }
    void maybeYield()
    {
        if (yield_ && clock_.elapsed() > timeout_) {
            yield_();
            clock_.restart();
        }
    }

private:
    const std::function<void()>& yield_;
    int timeout_;
    QElapsedTimer clock_;
};

class Sorter {
public:
    Sorter(SortKeyKind key, bool descending, EventGate& gate) : key_(key), descending_(descending), gate_(gate) {}

    // Sorts entries [0, size) of one folder run whose first entry stands at
    // container position `base` (0-based).
    void sort(std::vector<SortEntry>& entries, qsizetype base)
    {
        if (entries.size() >= 2)
            partition(entries, 0, qsizetype(entries.size()) - 1, base);
    }

private:
    bool ascendingLess(const SortEntry& a, const SortEntry& b) const
    {
        if (key_ == SortKeyKind::Name)
            return QStringView(a.text).compare(QStringView(b.text), Qt::CaseSensitive) < 0;
        if (a.major != b.major)
            return a.major < b.major;
        return a.minor < b.minor;
    }
    bool before(const SortEntry& a, const SortEntry& b) const
    {
        return descending_ ? ascendingLess(b, a) : ascendingLess(a, b);
    }

    // The middle of [lo, hi] in the container's 1-based row numbers, rounded to the
    // nearest whole number with halves to the even one; back as an entry index.
    static qsizetype pivotIndex(qsizetype lo, qsizetype hi, qsizetype base)
    {
        const qsizetype sum = (lo + base + 1) + (hi + base + 1);
        qsizetype middle = sum / 2;
        if (sum % 2 != 0 && middle % 2 != 0)
            ++middle;
        return middle - base - 1;
    }

    // Hoare partitioning with the middle element's key as pivot. The smaller part
    // is sorted by recursion and the larger one by the loop, which keeps the depth
    // logarithmic; the two parts are disjoint, so the result is the same.
    void partition(std::vector<SortEntry>& e, qsizetype lo, qsizetype hi, qsizetype base)
    {
        while (lo < hi) {
            gate_.maybeYield();
            const SortEntry pivot = e[std::size_t(pivotIndex(lo, hi, base))];
            qsizetype i = lo;
            qsizetype j = hi;
            do {
                while (before(e[std::size_t(i)], pivot))
                    ++i;
                while (before(pivot, e[std::size_t(j)]))
                    --j;
                if (i <= j) {
                    std::swap(e[std::size_t(i)], e[std::size_t(j)]);
                    ++i;
                    --j;
                }
            } while (i <= j);
            if (j - lo < hi - i) {
                if (lo < j)
                    partition(e, lo, j, base);
                lo = i;
            } else {
                if (i < hi)
                    partition(e, i, hi, base);
                hi = j;
            }
        }
    }

    SortKeyKind key_;
    bool descending_;
    EventGate& gate_;
};

// The items of one shape as the sorter sees them: a name and a full path per
// container position.
struct ItemView {
    const ItemList& list;
    const QString& name(qsizetype pos) const
    {
        return list.isTree() ? list.nodes()[std::size_t(pos)].text : list.rows()[std::size_t(pos)].name;
    }
    QString path(qsizetype pos) const
    {
        return list.isTree() ? list.itemFolder(pos) + name(pos) : list.rows()[std::size_t(pos)].folder + name(pos);
    }
};

SortEntry MakeEntry(const ItemView& items, qsizetype pos, SortKeyKind key)
{
    SortEntry entry;
    entry.source = pos;
    switch (key) {
    case SortKeyKind::Name:
        entry.text = items.name(pos).toUpper();
        break;
    case SortKeyKind::Numeric:
        entry.major = LeadingNumber(items.name(pos));
        break;
    case SortKeyKind::Size:
        entry.major = std::max<std::int64_t>(0, platform::FileSize(items.path(pos)));
        break;
    case SortKeyKind::Modified: {
        const platform::FileTimes times = platform::ReadFileTimes(items.path(pos));
        if (times.ok) {
            entry.major = times.modified.seconds;
            entry.minor = times.modified.nanoseconds;
        }
        break;
    }
    }
    return entry;
}

// Sorts the container range order[first, last) by `key`; order holds container
// positions and receives the sorted positions.
void SortRun(RowPermutation& order, qsizetype first, qsizetype last, const ItemView& items,
             Sorter& sorter, SortKeyKind key)
{
    if (last - first < 2)
        return;
    std::vector<SortEntry> entries;
    entries.reserve(std::size_t(last - first));
    for (qsizetype i = first; i < last; ++i)
        entries.push_back(MakeEntry(items, order[std::size_t(i)], key));
    sorter.sort(entries, first);
    for (qsizetype i = first; i < last; ++i)
        order[std::size_t(i)] = entries[std::size_t(i - first)].source;
}

// Runs of consecutive items with the same folder, as [first, last) ranges.
std::vector<std::pair<qsizetype, qsizetype>> FolderRuns(const ItemList& list, const RowPermutation& order)
{
    std::vector<std::pair<qsizetype, qsizetype>> runs;
    if (list.isTree()) {
        for (const qsizetype folder : list.folderNodes())
            runs.emplace_back(folder + 1, list.folderEnd(folder));
        return runs;
    }
    const auto& rows = list.rows();
    qsizetype start = 0;
    for (qsizetype i = 1; i <= qsizetype(order.size()); ++i) {
        if (i == qsizetype(order.size())
            || rows[std::size_t(order[std::size_t(i)])].folder != rows[std::size_t(order[std::size_t(start)])].folder) {
            runs.emplace_back(start, i);
            start = i;
        }
    }
    return runs;
}

void SortFolderRuns(RowPermutation& order, const ItemList& list, SortKeyKind key, bool descending, EventGate& gate)
{
    Sorter sorter(key, descending, gate);
    const ItemView items{list};
    for (const auto& [first, last] : FolderRuns(list, order))
        SortRun(order, first, last, items, sorter, key);
}

// The list's own ascending order of the folder column: without regard to case,
// ties of letter case by exact text so that each folder's rows stay together.
void GroupRowsByFolder(RowPermutation& order, const ItemList& list)
{
    const auto& rows = list.rows();
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        const QString& x = rows[std::size_t(a)].folder;
        const QString& y = rows[std::size_t(b)].folder;
        if (x == y) // rows of one folder, the common case
            return false;
        int c = x.compare(y, Qt::CaseInsensitive);
        if (c == 0)
            c = x.compare(y, Qt::CaseSensitive);
        return c < 0;
    });
}

} // namespace

std::optional<DisplaySortMode> DisplaySortModeFromCaption(QStringView caption)
{
    const QStringView trimmed = caption.trimmed();
    for (const ModeInfo& info : Modes) {
        if (trimmed.compare(QStringView(info.caption), Qt::CaseInsensitive) == 0)
            return info.mode;
    }
    return std::nullopt;
}

RowPermutation SortDisplayedList(ItemList& list, DisplaySortMode mode,
                                 const std::function<void()>& yieldToEvents, int doEventsTimeout)
{
    const qsizetype size = list.isTree() ? qsizetype(list.nodes().size()) : qsizetype(list.rows().size());
    if (size < 2)
        return {};
    const ModeInfo& info = InfoOf(mode);
    EventGate gate(yieldToEvents, doEventsTimeout);

    RowPermutation order(static_cast<std::size_t>(size));
    std::iota(order.begin(), order.end(), qsizetype(0));

    // Both passes read the items through `order`; the list itself is only
    // reordered at the end.
    const bool group = list.isTree() || mode != DisplaySortMode::NameDescending;
    if (group) {
        if (!list.isTree())
            GroupRowsByFolder(order, list);
        SortFolderRuns(order, list, SortKeyKind::Name, false, gate);
    }
    if (mode != DisplaySortMode::NameAscending)
        SortFolderRuns(order, list, info.key, info.descending, gate);

    if (list.isTree())
        list.permuteNodes(order);
    else
        ApplyPermutation(list.rows(), order);
    return order;
}

} // namespace quelt
