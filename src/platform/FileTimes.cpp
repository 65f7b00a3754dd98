// File times with nanoseconds: statx to read (with the birth time where the file
// system keeps one), utimensat to write.

#include "platform/FileSystem.h"
#include "platform/NameCodec.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace quelt::platform {
namespace {

constexpr std::int32_t NanosecondsPerSecond = 1'000'000'000;

FileTime FromStatx(const struct statx_timestamp& t)
{
    return {std::int64_t(t.tv_sec), std::int32_t(t.tv_nsec)};
}

struct timespec ToTimespec(const FileTime* t)
{
    struct timespec ts {};
    if (!t) {
        ts.tv_nsec = UTIME_OMIT;
    } else {
        ts.tv_sec = time_t(t->seconds);
        ts.tv_nsec = long(t->nanoseconds);
    }
    return ts;
}

bool ValidTime(const FileTime* t)
{
    return !t || (t->nanoseconds >= 0 && t->nanoseconds < NanosecondsPerSecond);
}

// Fills `times`; returns 0 or the errno of the failed statx.
int ReadTimes(const QByteArray& path, FileTimes& times)
{
    struct statx stx {};
    if (::statx(AT_FDCWD, path.constData(), AT_STATX_SYNC_AS_STAT,
                STATX_ATIME | STATX_MTIME | STATX_BTIME, &stx) != 0)
        return errno;
    times.ok = true;
    times.modified = FromStatx(stx.stx_mtime);
    times.accessed = FromStatx(stx.stx_atime);
    times.hasBirthTime = (stx.stx_mask & STATX_BTIME) != 0;
    times.created = times.hasBirthTime ? FromStatx(stx.stx_btime) : times.modified;
    return 0;
}

} // namespace

FileTimes ReadFileTimes(const QString& path)
{
    FileTimes times;
    ReadTimes(SystemPath(path), times);
    return times;
}

OpResult SetFileTimes(const QString& path, const FileTime* created, const FileTime* modified,
                      const FileTime* accessed)
{
    const QByteArray bytes = SystemPath(path);
    if (created) {
        // Passing back the creation time as it reads now is no change and may pass.
        FileTimes now;
        if (const int err = ReadTimes(bytes, now))
            return ResultFromErrno(err);
        if (!(*created == now.created))
            return {FailureCannotAccess,
                    QStringLiteral("the file system does not allow setting the creation time")};
    }
    if (!ValidTime(modified) || !ValidTime(accessed))
        return ResultFromErrno(EINVAL);
    const struct timespec ts[2] = {ToTimespec(accessed), ToTimespec(modified)};
    if (::utimensat(AT_FDCWD, bytes.constData(), ts, 0) != 0)
        return ResultFromErrno(errno);
    return {};
}

} // namespace quelt::platform
