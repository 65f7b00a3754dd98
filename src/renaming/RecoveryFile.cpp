#include "renaming/RecoveryFile.h"

#include "platform/ItemFile.h"
#include "platform/NameCodec.h"

#include <QDateTime>
#include <QLocale>

#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace quelt {

namespace {

using Status = RecoveryFileContent::Status;

/// A larger file is not one the program wrote (a million triples of long paths
/// stay far below it).
constexpr std::int64_t MaxRecoveryFileBytes = std::int64_t(1) << 30;
constexpr QByteArrayView Utf8Bom("\xEF\xBB\xBF");
constexpr QByteArrayView LineEnd("\r\n");

// Hands out the lines of a buffer one at a time, split at CR LF, LF or CR.
class LineReader {
public:
    explicit LineReader(QByteArrayView bytes) : bytes_(bytes) {}

    /// The next line and whether its line end was there; false at the end.
    bool next(QByteArrayView& line, bool& ended)
    {
        if (pos_ >= bytes_.size())
            return false;
        qsizetype end = pos_;
        while (end < bytes_.size() && bytes_[end] != '\r' && bytes_[end] != '\n')
            ++end;
        line = bytes_.sliced(pos_, end - pos_);
        ended = end < bytes_.size();
        if (ended && bytes_[end] == '\r' && end + 1 < bytes_.size() && bytes_[end + 1] == '\n')
            ++end;
        pos_ = end + 1;
        return true;
    }

    bool next(QByteArrayView& line)
    {
        bool ended = false;
        return next(line, ended);
    }

private:
    QByteArrayView bytes_;
    qsizetype pos_ = 0;
};

// The leading number of a line: spaces and tabs, an optional sign, then digits up
// to the first other character; saturates at the int range.
int LeadingNumber(QByteArrayView line)
{
    qsizetype i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < line.size() && (line[i] == '-' || line[i] == '+'))
        negative = line[i++] == '-';
    qint64 value = 0;
    constexpr qint64 Limit = std::numeric_limits<int>::max();
    for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i)
        value = std::min(value * 10 + (line[i] - '0'), Limit);
    return int(negative ? -value : value);
}

bool IsItemName(QByteArrayView name)
{
    return !name.isEmpty() && name != "." && name != ".." && !name.contains('/') && !name.contains('\0');
}

bool IsItemFolder(QByteArrayView folder)
{
    return folder.startsWith('/') && folder.endsWith('/') && !folder.contains('\0');
}

// A triple whose fields are no item path is not one the program wrote.
bool IsItemTriple(QByteArrayView folder, QByteArrayView oldName, QByteArrayView newName)
{
    return IsItemFolder(folder) && IsItemName(oldName) && IsItemName(newName);
}

void AppendLine(QByteArray& out, QStringView text)
{
    out += platform::EncodeName(text);
    out += LineEnd;
}

} // namespace

QString RecoveryFilePath() { return platform::ProgramFolder() + RecoveryFileName; }

QByteArray RecoveryFileStart(int itemCount)
{
    const QLocale locale = QLocale::system();
    const QDateTime now = QDateTime::currentDateTime();
    QByteArray out;
    AppendLine(out, RecoveryFileHeader);
    AppendLine(out, locale.toString(now.date(), QLocale::ShortFormat));
    AppendLine(out, locale.toString(now.time(), QLocale::LongFormat));
    AppendLine(out, QString::number(itemCount));
    return out;
}

QByteArray RecoveryFileTriple(QByteArrayView folder, QByteArrayView oldName, QByteArrayView newName)
{
    // One allocation and plain copies: this runs for every renamed item.
    const QByteArrayView lines[] = {folder, LineEnd, oldName, LineEnd, newName, LineEnd};
    qsizetype size = 0;
    for (QByteArrayView line : lines)
        size += line.size();
    QByteArray out(size, Qt::Uninitialized);
    char* at = out.data();
    for (QByteArrayView line : lines) {
        if (!line.isEmpty())
            std::memcpy(at, line.data(), std::size_t(line.size()));
        at += line.size();
    }
    return out;
}

QByteArray RecoveryFileTriple(const RecoveryEntry& entry)
{
    return RecoveryFileTriple(platform::EncodeName(entry.folder), platform::EncodeName(entry.oldName),
                              platform::EncodeName(entry.newName));
}

bool WriteRecoveryFile(const QString& path, int itemCount, const std::vector<RecoveryEntry>& entries)
{
    QByteArray bytes = RecoveryFileStart(itemCount);
    for (const RecoveryEntry& entry : entries)
        bytes += RecoveryFileTriple(entry);
    return platform::WriteFileAtomically(path, bytes);
}

// Syncs the journal on request on its own thread, through its own descriptor
// (a sync writes the file's data whichever descriptor asks).
class RecoveryJournal::Syncer {
public:
    explicit Syncer(const QString& path)
        : fd_(::open(platform::EncodeName(path).constData(), O_RDONLY | O_CLOEXEC)), thread_([this] { work(); })
    {
    }
    ~Syncer()
    {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_one();
        thread_.join();
        if (fd_ >= 0)
            ::close(fd_);
    }
    /// Starts a sync unless one is waiting already.
    void request()
    {
        {
            std::lock_guard lock(mutex_);
            wanted_ = true;
        }
        wake_.notify_one();
    }

private:
    void work()
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return wanted_ || stopping_; });
            if (stopping_)
                return;
            wanted_ = false;
            lock.unlock();
            if (fd_ >= 0)
                ::fdatasync(fd_);
            lock.lock();
        }
    }

    int fd_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool wanted_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

RecoveryJournal::RecoveryJournal() = default;

RecoveryJournal::~RecoveryJournal() { finish(); }

bool RecoveryJournal::begin(const QString& path, int itemCount)
{
    finish();
    sinceSync_ = 0;
    // The start lines replace the old file atomically, so a crash right here leaves
    // either the old file or a valid empty journal.
    if (!platform::WriteFileAtomically(path, RecoveryFileStart(itemCount)) || !file_.open(path))
        return false;
    syncer_ = std::make_unique<Syncer>(path);
    return true;
}

void RecoveryJournal::recordRenamed(const QString& folder, const QString& oldName, const QString& newName)
{
    if (file_.isOpen())
        recordRenamedBytes(platform::EncodeName(folder), platform::EncodeName(oldName), platform::EncodeName(newName));
}

void RecoveryJournal::recordRenamedBytes(QByteArrayView folder, QByteArrayView oldName, QByteArrayView newName)
{
    if (!file_.isOpen())
        return;
    // One write per triple: a crash leaves whole triples and at most one torn one.
    file_.append(RecoveryFileTriple(folder, oldName, newName));
    if (++sinceSync_ >= SyncEvery) {
        syncer_->request();
        sinceSync_ = 0;
    }
}

void RecoveryJournal::finish()
{
    syncer_.reset();
    if (!file_.isOpen())
        return;
    file_.sync();
    file_.close();
}

RecoveryFileContent ParseRecoveryFile(QByteArrayView bytes)
{
    RecoveryFileContent content;
    if (bytes.startsWith(Utf8Bom))
        bytes = bytes.sliced(Utf8Bom.size());
    LineReader reader(bytes);
    QByteArrayView header, date, time, count;
    if (!reader.next(header)) {
        content.status = Status::Unreadable;
        return content;
    }
    if (platform::DecodeName(header) != RecoveryFileHeader) {
        content.status = Status::BadHeader;
        return content;
    }
    if (!reader.next(date) || !reader.next(time)) {
        content.status = Status::Unreadable;
        return content;
    }
    content.date = platform::DecodeName(date);
    content.time = platform::DecodeName(time);
    if (!reader.next(count)) {
        content.status = Status::NoItemCount;
        return content;
    }
    content.itemCount = LeadingNumber(count);
    content.status = Status::Ok;
    if (content.itemCount <= 0)
        return content;

    for (;;) {
        QByteArrayView folder, oldName, newName;
        bool ended = false;
        if (!reader.next(folder))
            break;
        // A crash may have cut the last triple: fewer lines, or no final line end.
        if (!reader.next(oldName) || !reader.next(newName, ended) || !ended) {
            content.tornTail = true;
            break;
        }
        if (qsizetype(content.items.size()) >= content.itemCount) {
            content.status = Status::TooManyTriples;
            content.items.clear();
            return content;
        }
        if (!IsItemTriple(folder, oldName, newName)) {
            content.status = Status::BadTriple;
            content.items.clear();
            return content;
        }
        PreviewItem item;
        item.folder = platform::DecodeName(folder);
        item.oldName = platform::DecodeName(oldName);
        item.newName = platform::DecodeName(newName);
        item.included = item.selected = item.renameDone = true;
        content.items.push_back(std::move(item));
    }
    return content;
}

RecoveryFileContent ReadRecoveryFile(const QString& path)
{
    RecoveryFileContent content;
    platform::ItemFile file;
    if (!file.open(path)) {
        content.status = file.error() == FailureCode::NotFound ? Status::Missing : Status::Unreadable;
        return content;
    }
    const std::int64_t size = file.size();
    if (size < 0 || size > MaxRecoveryFileBytes) {
        content.status = Status::Unreadable;
        return content;
    }
    const QByteArray bytes = file.read(0, size);
    if (bytes.size() != size) {
        content.status = Status::Unreadable;
        return content;
    }
    return ParseRecoveryFile(bytes);
}

} // namespace quelt
