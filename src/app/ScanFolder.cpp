#include "app/ScanFolder.h"

#include "platform/FileSystem.h"
#include "platform/NameCodec.h"

#include <QElapsedTimer>

#include <sys/stat.h>

#include <vector>

namespace quelt {

bool StopRequested = false;

namespace {

using platform::DirEntry;

const QString PageFileName = QStringLiteral("pagefile.sys");

bool MatchesEverything(const QString& filter)
{
    return filter == u"*" || filter == u"*.*";
}

// What one entry is, worked out only as far as a pass needs it: d_type answers
// most entries without a system call; symbolic links are resolved (stat) only when
// the item pass asks whether they lead to a folder.
class EntryKind {
public:
    EntryKind(const QString& folder, const DirEntry& entry) : folder_(folder), entry_(entry)
    {
        if (entry.type == DirEntry::Type::Unknown)
            resolveUnknown();
    }

    // A real folder (not a link to one): the only kind a recursive scan enters.
    bool isEnterableFolder() const
    {
        return entry_.type == DirEntry::Type::Directory || (unknownResolved_ && unknownIsFolder_);
    }

    // A folder or a link to one, as the item pass counts folders.
    bool isFolder()
    {
        switch (entry_.type) {
        case DirEntry::Type::Directory: return true;
        case DirEntry::Type::Symlink: return platform::FolderExists(path());
        case DirEntry::Type::Unknown: return unknownIsFolder_;
        default: return false;
        }
    }

    QString path() const { return folder_ + entry_.name; }

private:
    // The file system gave no type: lstat tells a folder from a link to one.
    void resolveUnknown()
    {
        struct stat info {};
        unknownResolved_ = ::lstat(platform::SystemPath(path()).constData(), &info) == 0;
        if (!unknownResolved_)
            return;
        if (S_ISDIR(info.st_mode)) {
            unknownIsFolder_ = true;
        } else if (S_ISLNK(info.st_mode)) {
            unknownIsFolder_ = platform::FolderExists(path());
            unknownResolved_ = false; // a link: retrieved as what it leads to, never entered
        }
    }

    const QString& folder_;
    const DirEntry& entry_;
    bool unknownResolved_ = false;
    bool unknownIsFolder_ = false;
};

unsigned ExcludedAttributes(const AttributeFilter& filter)
{
    unsigned mask = 0;
    if (filter.showReadOnly)
        mask |= platform::AttrReadOnly;
    if (filter.showHidden)
        mask |= platform::AttrHidden;
    if (filter.showSystem)
        mask |= platform::AttrSystem;
    if (filter.showArchive)
        mask |= platform::AttrArchive;
    return mask;
}

bool IsHidden(const QString& path, const QString& name)
{
    if (name.startsWith(u'.'))
        return true;
    const platform::AttributeInfo info = platform::ReadAttributes(path);
    return info.ok && (info.attributes & platform::AttrHidden);
}

class Scan {
public:
    Scan(const QString& filter, ScanCounters& counters, ItemList& target, const ScanOptions& options,
         ScanProgressView* view)
        : filter_(filter), matchAll_(MatchesEverything(filter)), counters_(counters), target_(target),
          options_(options), view_(view), excluded_(options.attributes.enableAttrFilter
                                                     ? ExcludedAttributes(options.attributes)
                                                     : 0)
    {
        clock_.start();
    }

    void folder(QString path)
    {
        if (!path.endsWith(u'/'))
            path += u'/';
        if (counters_.foundFolders == 0)
            target_.forgetLastFolder();

        // One listing serves both passes: the sub-folders to enter, then the items.
        // A folder that cannot be opened lists nothing; one whose reading fails
        // half-way still gives the entries read before the failure.
        std::vector<DirEntry> entries;
        platform::ListFolder(path, entries);

        std::vector<QString> subFolders;
        if (options_.recurse)
            collectSubFolders(path, entries, subFolders);
        if (!StopRequested)
            collectItems(path, entries);
        entries = {};

        for (const QString& sub : subFolders) {
            if (StopRequested)
                return;
            folder(path + sub + u'/');
        }
    }

private:
    // The step from one entry to the next: false once a stop is asked for; yields
    // to the window when DoEventsTimeout has passed since the last time.
    bool nextStep(const QString& path)
    {
        if (StopRequested)
            return false;
        if (view_ && clock_.elapsed() > options_.doEventsTimeout) {
            view_->scanYield(path, counters_);
            clock_.restart();
        }
        return !StopRequested;
    }

    void collectSubFolders(const QString& path, const std::vector<DirEntry>& entries, std::vector<QString>& subFolders)
    {
        for (const DirEntry& entry : entries) {
            if (!nextStep(path))
                return;
            const EntryKind kind(path, entry);
            if (!kind.isEnterableFolder())
                continue;
            // Hidden sub-folders stay out with the hidden flag set, also when the
            // attribute filter is off.
            if (options_.attributes.showHidden && IsHidden(kind.path(), entry.name))
                continue;
            subFolders.push_back(entry.name);
            ++counters_.foundFolders;
        }
    }

    void collectItems(const QString& path, const std::vector<DirEntry>& entries)
    {
        for (const DirEntry& entry : entries) {
            if (!nextStep(path))
                return;
            if (!matchAll_ && !filter_.matches(entry.name))
                continue;
            EntryKind kind(path, entry);
            if (kind.isFolder() != options_.foldersOnly)
                continue;
            if (excluded_ != 0 && isExcluded(kind.path(), entry.name))
                continue;
            if (entry.name.compare(PageFileName, Qt::CaseInsensitive) == 0)
                continue;
            ++counters_.foundItems;
            target_.appendItem(path, entry.name, options_.autoSelectFiles);
        }
    }

    bool isExcluded(const QString& path, const QString& name) const
    {
        if ((excluded_ & platform::AttrHidden) && name.startsWith(u'.'))
            return true;
        const platform::AttributeInfo info = platform::ReadAttributes(path);
        return info.ok && (info.attributes & excluded_) != 0;
    }

    const platform::NameFilter filter_;
    const bool matchAll_;
    ScanCounters& counters_;
    ItemList& target_;
    const ScanOptions& options_;
    ScanProgressView* view_;
    const unsigned excluded_;
    QElapsedTimer clock_;
};

} // namespace

void ScanFolder(const QString& path, const QString& filter, ScanCounters& counters, ItemList& target,
                const ScanOptions& options, ScanProgressView* view)
{
    Scan(filter, counters, target, options, view).folder(path);
}

} // namespace quelt
