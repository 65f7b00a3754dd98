// Attributes in the Windows numbering, from what Linux has: the owner's write
// permission (read-only), a leading "." (hidden), S_ISDIR (directory), and on FAT
// the attribute byte itself (hidden, system, archive).

#include "platform/FileSystem.h"
#include "platform/FileSystemInternal.h"
#include "platform/NameCodec.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace quelt::platform {
namespace {

static_assert(AttrReadOnly == ATTR_RO && AttrHidden == ATTR_HIDDEN && AttrSystem == ATTR_SYS
                  && AttrDirectory == ATTR_DIR && AttrArchive == ATTR_ARCH,
              "the FAT attribute byte uses the Windows numbering");

constexpr unsigned FatOnlyBits = AttrHidden | AttrSystem | AttrArchive;
constexpr mode_t AllWriteBits = S_IWUSR | S_IWGRP | S_IWOTH;

// Everything SetAttributes needs to know about an item.
struct ItemState {
    int error = 0;             // errno of the failed stat, 0 when read
    struct stat st {};
    bool followed = false;     // st describes the link's target (or a non-link)
    bool hiddenByName = false; // the name starts with "."
    bool fat = false;          // the FAT attribute byte could be read
    std::uint32_t fatAttributes = 0;
    AttributeInfo info;
};

QByteArray LastComponent(const QByteArray& path)
{
    qsizetype end = path.size();
    while (end > 1 && path[end - 1] == '/')
        --end;
    const qsizetype slash = path.lastIndexOf('/', end - 1);
    return path.mid(slash + 1, end - slash - 1);
}

bool OnFatFileSystem(const QByteArray& path)
{
    struct statfs fs {};
    return ::statfs(path.constData(), &fs) == 0 && fs.f_type == MSDOS_SUPER_MAGIC;
}

int OpenForIoctl(const QByteArray& path)
{
    return ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}

bool ReadFatAttributes(const QByteArray& path, std::uint32_t& attributes)
{
    const int fd = OpenForIoctl(path);
    if (fd < 0)
        return false;
    const bool ok = ::ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &attributes) == 0;
    ::close(fd);
    return ok;
}

// The read-only attribute of an item whose stat followed any symlink.
bool ReadOnlyByPermissions(const struct stat& st) { return !(st.st_mode & S_IWUSR); }

bool OwnsItem(const struct stat& st)
{
    const uid_t uid = ::geteuid();
    return uid == 0 || uid == st.st_uid;
}

ItemState ReadState(const QByteArray& path)
{
    ItemState s;
    s.followed = ::stat(path.constData(), &s.st) == 0;
    if (!s.followed && ::lstat(path.constData(), &s.st) != 0) {
        s.error = errno;
        return s;
    }
    s.hiddenByName = LastComponent(path).startsWith('.');
    s.fat = s.followed && OnFatFileSystem(path) && ReadFatAttributes(path, s.fatAttributes);

    AttributeInfo& info = s.info;
    info.ok = true;
    if (s.followed && ReadOnlyByPermissions(s.st))
        info.attributes |= AttrReadOnly;
    if (S_ISDIR(s.st.st_mode))
        info.attributes |= AttrDirectory;
    if (s.hiddenByName)
        info.attributes |= AttrHidden;
    if (s.fat)
        info.attributes |= s.fatAttributes & FatOnlyBits;

    if (s.followed && OwnsItem(s.st))
        info.changeable |= AttrReadOnly;
    if (s.fat)
        info.changeable |= s.hiddenByName ? (AttrSystem | AttrArchive) : FatOnlyBits;
    return s;
}

struct Refusal {
    unsigned bit;
    const char* reason;
};

// Why a bit cannot change where the item's file system does not let it.
constexpr std::array Refusals{
    Refusal{AttrReadOnly, "a symbolic link whose target is missing has no read-only attribute"},
    Refusal{AttrHidden, "the file system has no hidden attribute: an item is hidden by a name "
                        "starting with \".\", and a rename is not an attribute change"},
    Refusal{AttrSystem, "the file system does not have the system attribute"},
    Refusal{AttrDirectory, "the directory attribute cannot be changed"},
    Refusal{AttrArchive, "the file system does not have the archive attribute"},
};

OpResult Refuse(const ItemState& s, unsigned bit)
{
    if (bit == AttrReadOnly && s.followed)
        return ResultFromErrno(EPERM); // only the owner may change permissions
    if (bit == AttrHidden && s.fat)
        return {FailureCannotAccess,
                QStringLiteral("the item is hidden by its name starting with \".\"")};
    for (const Refusal& r : Refusals) {
        if (r.bit == bit)
            return {FailureCannotAccess, QString::fromLatin1(r.reason)};
    }
    return {FailureCannotAccess, QStringLiteral("the file system does not have this attribute")};
}

OpResult SetReadOnly(const QByteArray& path, const struct stat& st, bool readOnly)
{
    const mode_t mode = st.st_mode & 07777;
    const mode_t wanted = readOnly ? (mode & ~AllWriteBits) : (mode | S_IWUSR);
    if (::chmod(path.constData(), wanted) != 0)
        return ResultFromErrno(errno);
    return {};
}

OpResult SetFatBits(const QByteArray& path, unsigned attributes, unsigned mask)
{
    const int fd = OpenForIoctl(path);
    if (fd < 0)
        return ResultFromErrno(errno);
    // Read again: a read-only change just before has altered the byte.
    std::uint32_t current = 0;
    OpResult result;
    if (::ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &current) != 0) {
        result = ResultFromErrno(errno);
    } else {
        const std::uint32_t wanted = (current & ~mask) | (attributes & mask);
        if (::ioctl(fd, FAT_IOCTL_SET_ATTRIBUTES, &wanted) != 0)
            result = ResultFromErrno(errno);
    }
    ::close(fd);
    return result;
}

} // namespace

AttributeInfo ReadAttributes(const QString& path)
{
    return ReadState(SystemPath(path)).info;
}

ItemPresence ReadItemPresence(const QString& path)
{
    return internal::PresenceAt(AT_FDCWD, SystemPath(path).constData());
}

namespace internal {

ItemPresence PresenceAt(int folder, const char* path)
{
    struct stat st {};
    if (::fstatat(folder, path, &st, 0) == 0)
        return {true, ReadOnlyByPermissions(st)};
    // A symlink whose target cannot be reached is there, and has no read-only bit.
    return {::fstatat(folder, path, &st, AT_SYMLINK_NOFOLLOW) == 0, false};
}

} // namespace internal

OpResult SetAttributes(const QString& path, unsigned attributes, unsigned mask)
{
    const QByteArray bytes = SystemPath(path);
    const ItemState s = ReadState(bytes);
    if (!s.info.ok)
        return ResultFromErrno(s.error);

    // Check every requested bit first, so a refused one changes nothing.
    const unsigned changes = (attributes ^ s.info.attributes) & mask;
    for (unsigned bit = 1; bit != 0 && bit <= changes; bit <<= 1) {
        if ((changes & bit) && !(s.info.changeable & bit))
            return Refuse(s, bit);
    }
    if (changes & AttrReadOnly) {
        const OpResult r = SetReadOnly(bytes, s.st, attributes & AttrReadOnly);
        if (!r.ok())
            return r;
    }
    if (changes & FatOnlyBits)
        return SetFatBits(bytes, attributes, changes & FatOnlyBits);
    return {};
}

} // namespace quelt::platform
