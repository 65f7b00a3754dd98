#include "platform/ProgramFiles.h"

#include "platform/NameCodec.h"

#include <QCoreApplication>
#include <QRandomGenerator>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quelt::platform {
namespace {

// Folders the program creates hold file names and logs: private to the user.
constexpr mode_t CreatedFolderMode = 0700;
constexpr mode_t CreatedFileMode = 0666; // reduced by the umask
constexpr int TemporaryNameAttempts = 100;
constexpr size_t ReadChunk = 64 * 1024;

constexpr std::array<char16_t, 32> Windows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98-9F
};

QString WithSlash(QString folder)
{
    if (!folder.isEmpty() && !folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

QString EnvironmentPath(const char* name) { return DecodeName(qgetenv(name)); }

bool IsFolder(const QByteArray& path)
{
    struct stat st {};
    return ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsRegularFile(const QString& path)
{
    struct stat st {};
    return ::stat(SystemPath(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

QString AbsolutePath(const QString& path)
{
    if (path.startsWith(u'/'))
        return path;
    char buffer[PATH_MAX];
    if (!::getcwd(buffer, sizeof buffer))
        return path;
    return WithSlash(DecodeName(QByteArrayView(buffer, qsizetype(::strlen(buffer))))) + path;
}

// mkdir -p; true when the folder exists afterwards.
bool MakeFolders(const QString& folder)
{
    const QByteArray bytes = SystemPath(folder);
    for (qsizetype i = 1; i <= bytes.size(); ++i) {
        if (i == bytes.size() || bytes[i] == '/') {
            const QByteArray prefix = bytes.left(i);
            if (::mkdir(prefix.constData(), CreatedFolderMode) != 0 && errno != EEXIST)
                return false;
        }
    }
    return IsFolder(bytes);
}

bool WriteAll(int fd, QByteArrayView data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, size_t(data.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

QByteArray FolderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral("./");
    return path.left(slash + 1);
}

// Creates a new file with a random hidden name in `folder`; returns its descriptor.
int CreateTemporaryIn(const QByteArray& folder, mode_t mode, QByteArray& name)
{
    for (int attempt = 0; attempt < TemporaryNameAttempts; ++attempt) {
        name = folder + ".quelt-tmp-"
            + QByteArray::number(QRandomGenerator::global()->generate64(), 16);
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

void SyncFolder(const QByteArray& folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// The file a write to `path` should replace: the target of a symbolic link, so
// that the link stays a link.
QByteArray ReplaceTarget(const QByteArray& path)
{
    struct stat st {};
    if (::lstat(path.constData(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = ::realpath(path.constData(), nullptr)) {
            QByteArray resolved(real);
            std::free(real);
            return resolved;
        }
    }
    return path;
}

QByteArray EncodeLines(const QStringList& lines)
{
    QByteArray out;
    for (const QString& line : lines) {
        out += EncodeName(line);
        out += "\r\n";
    }
    return out;
}

QByteArrayView WithoutBom(QByteArrayView bytes)
{
    return bytes.startsWith("\xEF\xBB\xBF") ? bytes.sliced(3) : bytes;
}

QString DecodeWindows1252(QByteArrayView bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out[i] = QChar(b >= 0x80 && b <= 0x9F ? Windows1252High[b - 0x80] : char16_t(b));
    }
    return out;
}

} // namespace

QString ChooseProgramFolder(const QString& queltHome, const QString& exeFolder,
                            const QString& xdgDataHome, const QString& home)
{
    if (!queltHome.isEmpty())
        return WithSlash(AbsolutePath(queltHome));
    if (!exeFolder.isEmpty() && IsRegularFile(WithSlash(exeFolder) + QStringLiteral("portable")))
        return WithSlash(exeFolder);
    // A relative XDG_DATA_HOME is invalid and ignored, as the XDG rules say.
    if (xdgDataHome.startsWith(u'/'))
        return WithSlash(xdgDataHome) + QStringLiteral("quelt/");
    return WithSlash(home.isEmpty() ? QStringLiteral("/tmp") : home) + QStringLiteral(".local/share/quelt/");
}

QString ExecutableFolder()
{
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n > 0 && n < ssize_t(sizeof buffer)) {
        const QString path = DecodeName(QByteArrayView(buffer, n));
        return path.left(path.lastIndexOf(u'/') + 1);
    }
    if (QCoreApplication::instance())
        return WithSlash(QCoreApplication::applicationDirPath());
    return {};
}

QString ProgramFolder()
{
    const QString folder = ChooseProgramFolder(EnvironmentPath("QUELT_HOME"), ExecutableFolder(),
                                               EnvironmentPath("XDG_DATA_HOME"),
                                               EnvironmentPath("HOME"));
    MakeFolders(folder);
    return folder;
}

QString ResourceFolder()
{
    const QString exe = ExecutableFolder();
    const QString installed = exe + QStringLiteral("../share/quelt/");
    if (IsFolder(SystemPath(installed)))
        return installed;
    // Running from a build folder: the source tree's resources/ is a few levels up.
    QString up = exe;
    for (int level = 0; level < 4; ++level) {
        up += QStringLiteral("../");
        if (IsFolder(SystemPath(up + QStringLiteral("resources"))))
            return up + QStringLiteral("resources/");
    }
    return installed;
}

QString DecodeText(QByteArrayView bytes)
{
    return DecodeTextLine(WithoutBom(bytes));
}

QString DecodeTextLine(QByteArrayView bytes)
{
    QString text = DecodeName(bytes);
    if (!HasEscapedBytes(text))
        return text;
    return DecodeWindows1252(bytes);
}

QString DecodeTextWithNameBytes(QByteArrayView bytes) { return DecodeName(WithoutBom(bytes)); }

QStringList SplitLines(const QString& text)
{
    QStringList lines;
    const qsizetype n = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

bool ReadWholeFile(const QString& path, QByteArray& bytes, qint64 maxBytes)
{
    bytes.clear();
    const int fd = ::open(SystemPath(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return false;
    }
    // Read to the end rather than trust the size (files in /proc report 0).
    char chunk[ReadChunk];
    bool ok = true;
    while (bytes.size() < maxBytes) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        bytes.append(chunk, qsizetype(std::min<qint64>(n, maxBytes - bytes.size())));
    }
    ::close(fd);
    if (!ok)
        bytes.clear();
    return ok;
}

bool ReadTextFile(const QString& path, QStringList& lines)
{
    QByteArray bytes;
    const bool ok = ReadWholeFile(path, bytes);
    lines = SplitLines(DecodeText(bytes));
    return ok;
}

bool ReadTextFileWithNameBytes(const QString& path, QStringList& lines)
{
    QByteArray bytes;
    const bool ok = ReadWholeFile(path, bytes);
    lines = SplitLines(DecodeTextWithNameBytes(bytes));
    return ok;
}

bool WriteFileAtomically(const QString& path, QByteArrayView data)
{
    const QByteArray encoded = SystemPath(path);
    if (encoded.isEmpty() || encoded.endsWith('/'))
        return false;
    const QByteArray target = ReplaceTarget(encoded);
    struct stat old {};
    const bool existed = ::stat(target.constData(), &old) == 0;
    if (existed && S_ISDIR(old.st_mode))
        return false;

    const QByteArray folder = FolderOf(target);
    QByteArray temporary;
    const int fd = CreateTemporaryIn(folder, existed ? 0600 : CreatedFileMode, temporary);
    if (fd < 0)
        return false;
    if (existed) {
        // Only a privileged process can give the file back its owner; others keep
        // their own ownership, which is the same for their own files.
        [[maybe_unused]] const int chowned = ::fchown(fd, old.st_uid, old.st_gid);
        ::fchmod(fd, old.st_mode & 07777);
    }
    bool ok = WriteAll(fd, data) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(temporary.constData(), target.constData()) != 0) {
        ::unlink(temporary.constData());
        return false;
    }
    SyncFolder(folder);
    return true;
}

bool WriteTextFile(const QString& path, const QStringList& lines)
{
    return WriteFileAtomically(path, EncodeLines(lines));
}

TextAppender::~TextAppender() { close(); }

bool TextAppender::open(const QString& path, bool truncate)
{
    close();
    const int flags = O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | (truncate ? O_TRUNC : 0);
    fd_ = ::open(SystemPath(path).constData(), flags, CreatedFileMode);
    return fd_ >= 0;
}

bool TextAppender::appendLine(const QString& line)
{
    QByteArray bytes = EncodeName(line);
    bytes += "\r\n";
    return append(bytes);
}

bool TextAppender::append(QByteArrayView bytes)
{
    return fd_ >= 0 && WriteAll(fd_, bytes);
}

bool TextAppender::sync() { return fd_ >= 0 && ::fsync(fd_) == 0; }

qint64 TextAppender::size() const
{
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0)
        return -1;
    return st.st_size;
}

void TextAppender::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

} // namespace quelt::platform
