// FolderHandle: name-relative presence checks and renames inside one open folder.

#include "platform/FileSystem.h"
#include "platform/FileSystemInternal.h"
#include "platform/NameCodec.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cstring>
#include <utility>

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

namespace quelt::platform {
namespace {

// A name the kernel looks up as one entry of the folder: neither empty nor
// holding a "/" or a NUL.
bool IsSingleName(const QByteArray& name)
{
    return !name.isEmpty() && !std::memchr(name.constData(), '/', std::size_t(name.size()))
        && !std::memchr(name.constData(), '\0', std::size_t(name.size()));
}

} // namespace

FolderHandle::FolderHandle(const QString& folder)
    : folder_(folder), folderBytes_(EncodeName(folder))
{
    if (folder.endsWith(u'/') && !folder.contains(QChar(0)))
        fd_ = ::open(folderBytes_.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
}

FolderHandle::~FolderHandle()
{
    if (fd_ >= 0)
        ::close(fd_);
}

FolderHandle::FolderHandle(FolderHandle&& other) noexcept
    : folder_(std::move(other.folder_)), folderBytes_(std::move(other.folderBytes_)),
      fd_(std::exchange(other.fd_, -1))
{
}

FolderHandle& FolderHandle::operator=(FolderHandle&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        folder_ = std::move(other.folder_);
        folderBytes_ = std::move(other.folderBytes_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

ItemPresence FolderHandle::presence(const QByteArray& name) const
{
    if (fd_ < 0 || !IsSingleName(name))
        return ReadItemPresence(folder_ + DecodeName(name));
    return internal::PresenceAt(fd_, name.constData());
}

OpResult FolderHandle::renameNoReplace(const QByteArray& from, const QByteArray& to) const
{
    if (fd_ >= 0 && from != to && IsSingleName(from) && IsSingleName(to)
        && ::renameat2(fd_, from.constData(), fd_, to.constData(), RENAME_NOREPLACE) == 0)
        return {};
    // A failed call changed nothing: the full-path rename gives the failure, or
    // takes the way round it that a file system without the flag, or a change of
    // letter case on a case-insensitive one, needs.
    return RenameNoReplace(folder_ + DecodeName(from), folder_ + DecodeName(to));
}

} // namespace quelt::platform
