#include "engine/ExistingNames.h"

#include "platform/FileSystem.h"

#include <vector>

namespace quelt {

namespace {

// Names a listing answers exactly as lstat would: one plain component. Names with
// surrogates (escaped bytes) go to the file-system layer, which owns their encoding.
bool ListingAnswers(QStringView name)
{
    if (name.isEmpty() || name == u"." || name == u"..")
        return false;
    for (const QChar c : name) {
        if (c.isSurrogate() || c == u'\0')
            return false;
    }
    return true;
}

} // namespace

ExistingNames::Folder& ExistingNames::folderOf(QStringView folderView)
{
    if (last_ && folderView == lastFolder_)
        return *last_;
    const QString folder = folderView.toString();
    auto it = folders_.find(folder);
    if (it == folders_.end()) {
        Folder entry;
        if (itemsPerFolder_.value(folder) >= ListFromItems) {
            std::vector<platform::DirEntry> listed;
            if (platform::ListFolder(folder, listed)) {
                QSet<QString> names;
                names.reserve(qsizetype(listed.size()));
                for (platform::DirEntry& e : listed)
                    names.insert(std::move(e.name));
                entry.names = std::move(names);
            }
        }
        it = folders_.insert(folder, std::move(entry));
    }
    lastFolder_ = folder;
    last_ = &it.value();
    return *last_;
}

bool ExistingNames::exists(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    const QStringView name = QStringView(path).sliced(slash + 1);
    if (slash < 0 || !ListingAnswers(name))
        return platform::PathExists(path);
    Folder& folder = folderOf(QStringView(path).first(slash + 1));
    if (!folder.names)
        return platform::PathExists(path);
    return folder.names->contains(name.toString());
}

} // namespace quelt
