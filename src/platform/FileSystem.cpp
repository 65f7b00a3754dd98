#include "platform/FileSystem.h"

#include "platform/NameCodec.h"

#include <QChar>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace quelt::platform {
namespace {

struct ErrnoMapping {
    int err;
    int code;
};

constexpr std::array ErrnoTable{
    ErrnoMapping{ENOENT, FailureNotFound},
    ErrnoMapping{ENOTDIR, FailureNotFound},
    ErrnoMapping{EEXIST, FailureAlreadyExists},
    ErrnoMapping{ENOTEMPTY, FailureAlreadyExists},
    ErrnoMapping{EACCES, FailureAccessDenied},
    ErrnoMapping{EPERM, FailureAccessDenied},
    ErrnoMapping{EROFS, FailureCannotAccess},
    ErrnoMapping{EBUSY, FailureCannotAccess},
    ErrnoMapping{ETXTBSY, FailureCannotAccess},
    ErrnoMapping{EINVAL, FailureCannotAccess},
    ErrnoMapping{ENAMETOOLONG, FailureCannotAccess},
    ErrnoMapping{EIO, FailureIoError},
    ErrnoMapping{ENODEV, FailureDeviceUnavailable},
    ErrnoMapping{ENXIO, FailureDeviceUnavailable},
    ErrnoMapping{ENOMEM, FailureOutOfMemory},
};

DirEntry::Type TypeFromDirent(unsigned char type)
{
    switch (type) {
    case DT_REG: return DirEntry::Type::File;
    case DT_DIR: return DirEntry::Type::Directory;
    case DT_LNK: return DirEntry::Type::Symlink;
    case DT_UNKNOWN: return DirEntry::Type::Unknown;
    default: return DirEntry::Type::Other;
    }
}

bool IsDotOrDotDot(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Code points of a name for matching, into `out`. A lone surrogate (an escaped
// byte, see NameCodec.h) stays itself, so different raw bytes never compare equal.
// Letters are simply case folded: one code point stays one, so "?" keeps its meaning.
void FoldCodePoints(QStringView text, std::u32string& out)
{
    out.clear();
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(char16_t(c), text[i + 1].unicode());
            ++i;
        }
        out.push_back(c < 0x80 ? (c >= U'A' && c <= U'Z' ? c + (U'a' - U'A') : c)
                               : QChar::toCaseFolded(c));
    }
}

std::u32string FoldedCodePoints(QStringView text)
{
    std::u32string out;
    FoldCodePoints(text, out);
    return out;
}

// Wildcard match with "*" and "?" in O(name x pattern) time: on a mismatch the
// last "*" takes one more character, and earlier stars never need revisiting.
bool WildcardMatch(const std::u32string& name, const std::u32string& pattern)
{
    std::size_t n = 0;
    std::size_t p = 0;
    std::size_t starP = std::u32string::npos;
    std::size_t starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == U'*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && (pattern[p] == U'?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (starP != std::u32string::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == U'*')
        ++p;
    return p == pattern.size();
}

} // namespace

int FailureCodeFromErrno(int err)
{
    for (const ErrnoMapping& m : ErrnoTable) {
        if (m.err == err)
            return m.code;
    }
    return FailureUnknown;
}

OpResult ResultFromErrno(int err)
{
    return {FailureCodeFromErrno(err), QString::fromLocal8Bit(std::strerror(err))};
}

bool PathExists(const QString& path)
{
    struct stat st {};
    return ::lstat(SystemPath(path).constData(), &st) == 0;
}

bool FolderExists(const QString& path)
{
    // A path of spaces only is blank, not a relative name.
    if (std::all_of(path.begin(), path.end(), [](QChar c) { return c == u' '; }))
        return false;
    struct stat st {};
    return ::stat(SystemPath(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ListFolder(const QString& folder, std::vector<DirEntry>& entries, int* error)
{
    entries.clear();
    DIR* dir = ::opendir(SystemPath(folder).constData());
    if (!dir) {
        if (error)
            *error = errno;
        return false;
    }
    errno = 0;
    while (const dirent* ent = ::readdir(dir)) {
        if (!IsDotOrDotDot(ent->d_name))
            entries.push_back({DecodeName(QByteArrayView(ent->d_name)), TypeFromDirent(ent->d_type)});
        errno = 0;
    }
    const int readError = errno;
    ::closedir(dir);
    if (error)
        *error = readError;
    return readError == 0;
}

bool MatchesNameFilter(QStringView name, QStringView pattern)
{
    return NameFilter(pattern).matches(name);
}

NameFilter::NameFilter(QStringView pattern) : pattern_(FoldedCodePoints(pattern))
{
    // As on Windows, a trailing ".*" also matches where there is no dot at all:
    // "*.*" matches "README", "photo.*" matches "photo".
    hasDotStar_ = pattern_.ends_with(U".*");
    if (hasDotStar_)
        withoutDotStar_ = pattern_.substr(0, pattern_.size() - 2);
}

bool NameFilter::matches(QStringView name) const
{
    // One buffer per thread keeps the matching of many names free of allocations.
    thread_local std::u32string folded;
    FoldCodePoints(name, folded);
    return WildcardMatch(folded, pattern_) || (hasDotStar_ && WildcardMatch(folded, withoutDotStar_));
}

OpResult DeletePath(const QString& path)
{
    const QByteArray bytes = SystemPath(path);
    struct stat st {};
    if (::lstat(bytes.constData(), &st) != 0)
        return ResultFromErrno(errno);
    const int rc = S_ISDIR(st.st_mode) ? ::rmdir(bytes.constData()) : ::unlink(bytes.constData());
    return rc == 0 ? OpResult{} : ResultFromErrno(errno);
}

std::int64_t FileSize(const QString& path)
{
    struct stat st {};
    if (::stat(SystemPath(path).constData(), &st) != 0)
        return -1;
    return S_ISDIR(st.st_mode) ? 0 : std::int64_t(st.st_size);
}

} // namespace quelt::platform
