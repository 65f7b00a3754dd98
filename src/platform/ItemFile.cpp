#include "platform/ItemFile.h"

#include "platform/FileSystem.h"
#include "platform/NameCodec.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace quelt::platform {
namespace {

// Chunk of the largest single read; read() loops over chunks for larger requests.
constexpr std::int64_t ReadChunk = 1 << 20;

// The file a path finally names, so that replacing a symlinked item rewrites its
// target and keeps the link; the path itself when it does not resolve.
QByteArray ResolvedTarget(const QString& path)
{
    const QByteArray bytes = SystemPath(path);
    char* real = ::realpath(bytes.constData(), nullptr);
    if (!real)
        return bytes;
    QByteArray out(real);
    std::free(real);
    return out;
}

} // namespace

ItemFile::~ItemFile()
{
    if (!tempPath_.isEmpty())
        discardTemporary();
    close();
}

ItemFile::ItemFile(ItemFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), error_(other.error_), tempPath_(std::move(other.tempPath_))
{
    other.tempPath_.clear();
}

ItemFile& ItemFile::operator=(ItemFile&& other) noexcept
{
    if (this != &other) {
        discardTemporary();
        fd_ = std::exchange(other.fd_, -1);
        error_ = other.error_;
        tempPath_ = std::move(other.tempPath_);
        other.tempPath_.clear();
    }
    return *this;
}

bool ItemFile::open(const QString& path, Mode mode)
{
    close();
    const QByteArray bytes = SystemPath(path);
    // O_NONBLOCK so that a FIFO or device named like a song cannot hang the open;
    // only regular files are item contents.
    const int flags = (mode == Mode::Read ? O_RDONLY : O_RDWR) | O_CLOEXEC | O_NONBLOCK;
    fd_ = ::open(bytes.constData(), flags);
    if (fd_ < 0) {
        // A folder opened for writing says EISDIR; it is the same case as below.
        error_ = errno == EISDIR ? FailureCannotAccess : FailureCodeFromErrno(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        close();
        error_ = FailureCannotAccess;
        return false;
    }
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
    error_ = 0;
    return true;
}

void ItemFile::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

std::int64_t ItemFile::size() const
{
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0)
        return -1;
    return st.st_size;
}

QByteArray ItemFile::read(std::int64_t offset, std::int64_t length)
{
    QByteArray out;
    if (fd_ < 0 || offset < 0 || length <= 0)
        return out;
    const std::int64_t available = size() - offset;
    if (available <= 0)
        return out;
    // Never allocate more than the file holds, whatever a caller asks for.
    length = std::min(length, available);
    out.resize(qsizetype(length));
    std::int64_t done = 0;
    while (done < length) {
        const ssize_t n = ::pread(fd_, out.data() + done, size_t(std::min(length - done, ReadChunk)), offset + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    out.resize(qsizetype(done));
    return out;
}

bool ItemFile::write(std::int64_t offset, const QByteArray& bytes)
{
    if (fd_ < 0 || offset < 0) {
        error_ = FailureCannotAccess;
        return false;
    }
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd_, bytes.constData() + done, size_t(bytes.size() - done), offset + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error_ = FailureCodeFromErrno(n < 0 ? errno : EIO);
            return false;
        }
        done += n;
    }
    return true;
}

bool ItemFile::truncate(std::int64_t length)
{
    if (fd_ < 0 || ::ftruncate(fd_, length) != 0) {
        error_ = fd_ < 0 ? FailureCannotAccess : FailureCodeFromErrno(errno);
        return false;
    }
    return true;
}

bool ItemFile::sync()
{
    if (fd_ < 0 || ::fsync(fd_) != 0) {
        error_ = fd_ < 0 ? FailureCannotAccess : FailureCodeFromErrno(errno);
        return false;
    }
    return true;
}

bool ItemFile::createTemporaryBeside(const QString& path)
{
    discardTemporary();
    const QByteArray target = ResolvedTarget(path);
    struct stat st {};
    const mode_t mode = ::stat(target.constData(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    // A short name of its own: the item's name plus a suffix could pass NAME_MAX.
    QByteArray pattern = target.left(target.lastIndexOf('/') + 1) + ".quelt-XXXXXX";
    fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd_ < 0) {
        error_ = FailureCodeFromErrno(errno);
        return false;
    }
    ::fchmod(fd_, mode);
    tempPath_ = DecodeName(pattern);
    error_ = 0;
    return true;
}

bool ItemFile::replace(const QString& path)
{
    if (tempPath_.isEmpty() || fd_ < 0) {
        error_ = FailureCannotAccess;
        return false;
    }
    if (::fsync(fd_) != 0) {
        error_ = FailureCodeFromErrno(errno);
        discardTemporary();
        return false;
    }
    close();
    const QByteArray from = SystemPath(tempPath_);
    const QByteArray to = ResolvedTarget(path);
    if (::rename(from.constData(), to.constData()) != 0) {
        error_ = FailureCodeFromErrno(errno);
        discardTemporary();
        return false;
    }
    tempPath_.clear();
    return true;
}

void ItemFile::discardTemporary()
{
    close();
    if (!tempPath_.isEmpty())
        ::unlink(SystemPath(tempPath_).constData());
    tempPath_.clear();
}

QByteArray ReadFileStart(const QString& path, std::int64_t maxBytes)
{
    ItemFile file;
    if (!file.open(path))
        return {};
    return file.read(0, maxBytes);
}

} // namespace quelt::platform
