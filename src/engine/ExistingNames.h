#pragma once
// Existence tests for the duplicates phase of a preview, which asks for every
// item whether folder + new name (and then each numbered candidate) is on disk.
// Folders that hold many items of the run are listed once and answered from a
// hash set; others are asked with platform::PathExists. Nothing is written to
// disk during a preview, so the answers are the same as asking every time.

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringView>
#include <optional>

namespace quelt {

class ExistingNames {
public:
    /// Items of one folder in the run from which that folder is listed instead of
    /// asked name by name.
    static constexpr qsizetype ListFromItems = 32;

    /// Notes one item of `folder` (ending in "/") for the listing decision.
    void countItem(const QString& folder) { ++itemsPerFolder_[folder]; }

    /// Whether something is at `path` (lstat semantics: a dangling symlink exists).
    bool exists(const QString& path);

private:
    struct Folder {
        std::optional<QSet<QString>> names; // nothing: ask PathExists
    };
    Folder& folderOf(QStringView folder);

    QHash<QString, qsizetype> itemsPerFolder_;
    QHash<QString, Folder> folders_;
    QString lastFolder_;
    Folder* last_ = nullptr;
};

} // namespace quelt
