// RenameNoReplace: renames that never replace an existing item.

#include "platform/FileSystem.h"
#include "platform/FileSystemInternal.h"
#include "platform/NameCodec.h"

#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

namespace quelt::platform {
namespace {

// Fresh temporary names tried before a case change gives up.
constexpr int TemporaryNameAttempts = 16;

int RenameAt2NoReplace(const char* from, const char* to)
{
#if defined(__GLIBC__) && __GLIBC_PREREQ(2, 28)
    return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
#else
    return int(::syscall(SYS_renameat2, AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE));
#endif
}

// Errors of link() that mean "this file system has no hard links for us" rather
// than a fault of the rename itself.
bool LinkUnsupported(int err)
{
    return err == EPERM || err == EOPNOTSUPP || err == ENOTSUP || err == EMLINK || err == ENOSYS;
}

qsizetype LastSlash(const QByteArray& path)
{
    return path.lastIndexOf('/');
}

// One rename with the flag, or its fallback where the file system refuses it.
OpResult RenameOnce(const QByteArray& from, const QByteArray& to)
{
    if (RenameAt2NoReplace(from.constData(), to.constData()) == 0)
        return {};
    const int err = errno;
    if (err == EINVAL || err == ENOSYS)
        return internal::RenameWithoutNoReplaceFlag(from, to);
    return ResultFromErrno(err);
}

QByteArray TemporaryNameBeside(const QByteArray& path)
{
    const QByteArray folder = path.left(LastSlash(path) + 1);
    const quint64 token = QRandomGenerator::global()->generate64();
    return folder + ".quelt-rename-" + QByteArray::number(token, 16);
}

} // namespace

namespace internal {

OpResult RenameAfterCheck(const QByteArray& from, const QByteArray& to)
{
    struct stat st {};
    if (::lstat(to.constData(), &st) == 0)
        return ResultFromErrno(EEXIST);
    if (errno != ENOENT)
        return ResultFromErrno(errno);
    if (::rename(from.constData(), to.constData()) != 0)
        return ResultFromErrno(errno);
    return {};
}

OpResult RenameByLink(const QByteArray& from, const QByteArray& to)
{
    // linkat without AT_SYMLINK_FOLLOW links a symlink itself, not its target.
    if (::linkat(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), 0) != 0) {
        const int err = errno;
        if (LinkUnsupported(err))
            return RenameAfterCheck(from, to);
        return ResultFromErrno(err);
    }
    if (::unlink(from.constData()) != 0) {
        const int err = errno;
        ::unlink(to.constData());
        return ResultFromErrno(err);
    }
    return {};
}

OpResult RenameWithoutNoReplaceFlag(const QByteArray& from, const QByteArray& to)
{
    struct stat st {};
    if (::lstat(from.constData(), &st) != 0)
        return ResultFromErrno(errno);
    return S_ISDIR(st.st_mode) ? RenameAfterCheck(from, to) : RenameByLink(from, to);
}

bool IsCaseChangeOfSameItem(const QByteArray& from, const QByteArray& to)
{
    const qsizetype fromSlash = LastSlash(from);
    const qsizetype toSlash = LastSlash(to);
    if (from.left(fromSlash + 1) != to.left(toSlash + 1))
        return false;
    const QByteArray fromName = from.mid(fromSlash + 1);
    const QByteArray toName = to.mid(toSlash + 1);
    if (fromName == toName
        || DecodeName(fromName).compare(DecodeName(toName), Qt::CaseInsensitive) != 0)
        return false;
    struct stat a {};
    struct stat b {};
    return ::lstat(from.constData(), &a) == 0 && ::lstat(to.constData(), &b) == 0
        && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

OpResult RenameThroughTemporary(const QByteArray& from, const QByteArray& to)
{
    QByteArray temporary;
    OpResult moved = ResultFromErrno(EEXIST);
    for (int attempt = 0; attempt < TemporaryNameAttempts && moved.code == FailureAlreadyExists; ++attempt) {
        temporary = TemporaryNameBeside(to);
        moved = RenameOnce(from, temporary);
    }
    if (!moved.ok())
        return moved;
    const OpResult result = RenameOnce(temporary, to);
    if (result.ok())
        return result;
    const OpResult back = RenameOnce(temporary, from);
    if (!back.ok()) {
        return {result.code, result.description + QStringLiteral("; the item was left as \"")
                                 + DecodeName(temporary) + QStringLiteral("\"")};
    }
    return result;
}

} // namespace internal

OpResult RenameNoReplace(const QString& from, const QString& to)
{
    const QByteArray source = SystemPath(from);
    const QByteArray target = SystemPath(to);
    if (source == target) {
        // Nothing to do, and nothing replaced; but the item must exist.
        struct stat st {};
        return ::lstat(source.constData(), &st) == 0 ? OpResult{} : ResultFromErrno(errno);
    }
    const OpResult result = RenameOnce(source, target);
    if (result.code == FailureAlreadyExists && internal::IsCaseChangeOfSameItem(source, target))
        return internal::RenameThroughTemporary(source, target);
    return result;
}

} // namespace quelt::platform
