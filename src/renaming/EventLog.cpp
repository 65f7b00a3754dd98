#include "renaming/EventLog.h"
#include "platform/ByteJoin.h"
#include "platform/TextTrim.h"

#include "app/Settings.h"
#include "platform/FileSystem.h"
#include "platform/NameCodec.h"
#include "platform/ProgramFiles.h"

#include <QDateTime>
#include <QLocale>

#include <algorithm>
#include <string>

namespace quelt {
namespace {

constexpr qint64 BytesPerKB = 1000;
constexpr qint16 OverwriteOldLog = 1;
// Backups are numbered from 0; beyond this the old log is deleted instead.
constexpr int MaxBackupNumber = 1'000'000;

struct LogState {
    platform::TextAppender file;
    QString folder;       // empty: the program folder
    bool wanted = false;  // between OpenLog and CloseLog
    qint64 size = 0;      // bytes in the open file, with those still pending
    int batches = 0;      // LogBatch objects alive
    std::string pending;  // lines a batch gathered, not yet written
    qint64 stampSecond = -1;
    QByteArray stamp;     // "date, time" of stampSecond
};

LogState& State()
{
    static LogState state;
    return state;
}

void WritePending(LogState& log)
{
    if (log.pending.empty())
        return;
    if (!log.file.append(QByteArrayView(log.pending.data(), qsizetype(log.pending.size()))))
        log.size -= qint64(log.pending.size());
    log.pending.clear();
}

void Append(LogState& log, const QByteArray& bytes)
{
    if (log.batches == 0) {
        if (log.file.append(bytes))
            log.size += bytes.size();
        return;
    }
    log.pending.append(bytes.constData(), std::size_t(bytes.size()));
    log.size += bytes.size();
    if (qsizetype(log.pending.size()) >= LogBatchBytes)
        WritePending(log);
}

QByteArray LineBytes(const QString& line) { return platform::EncodeName(line) + "\r\n"; }

bool OpenFile(LogState& log)
{
    if (!log.file.open(LogFilePath()))
        return false;
    log.size = std::max<qint64>(log.file.size(), 0);
    if (log.size == 0)
        Append(log, LineBytes(LogHeaderLine));
    return true;
}

QString FreeBackupPath()
{
    const QString folder = LogFolder();
    for (int n = 0; n <= MaxBackupNumber; ++n) {
        const QString path = folder + QStringLiteral("events") + QString::number(n) + QStringLiteral(".log");
        if (!platform::PathExists(path))
            return path;
    }
    return {};
}

void StartNewFile(LogState& log)
{
    WritePending(log);
    log.file.close();
    const QString path = LogFilePath();
    if (AppSettings().WhenReachMax != OverwriteOldLog) {
        const QString backup = FreeBackupPath();
        if (!backup.isEmpty())
            platform::RenameNoReplace(path, backup);
    }
    // Also when the move failed: the old log goes, as in the overwrite mode.
    platform::DeletePath(path);
    OpenFile(log);
}


// "date, time" in the user's short date and long time formats, formatted once a second.
// The clock is read as seconds since the epoch: the local time behind them costs a
// time-zone check (a stat of the zone file) and is only worked out when the second changes.
const QByteArray& TimeStamp(LogState& log)
{
    const qint64 second = QDateTime::currentSecsSinceEpoch();
    if (second != log.stampSecond) {
        const QDateTime now = QDateTime::fromSecsSinceEpoch(second);
        const QLocale locale = QLocale::system();
        log.stamp = platform::EncodeName(locale.toString(now.date(), QLocale::ShortFormat).trimmed()
                                         + QStringLiteral(", ")
                                         + locale.toString(now.time(), QLocale::LongFormat).trimmed());
        log.stampSecond = second;
    }
    return log.stamp;
}

// The line and its end, as bytes.
QByteArray FormLine(LogState& log, const QString& level, QByteArrayView text)
{
    const QStringView word = platform::TrimSpaces(level);
    if (word == u"NOTHING")
        return QByteArrayLiteral("\r\n");
    if (word == u"STRING")
        return platform::JoinedBytes({text, "\r\n"});
    return platform::JoinedBytes({"[", platform::EncodeName(word), " - ", TimeStamp(log), "] ",
                                  platform::TrimSpaces(text), "\r\n"});
}

} // namespace

QString LogFolder()
{
    const LogState& log = State();
    return log.folder.isEmpty() ? platform::ProgramFolder() : log.folder;
}

void SetLogFolder(const QString& folder) { State().folder = folder; }

QString LogFilePath() { return LogFolder() + QStringLiteral("events.log"); }

void OpenLog()
{
    LogState& log = State();
    WritePending(log);
    log.file.close();
    log.wanted = true;
    OpenFile(log);
}

void LogEvent(const QString& level, const QString& text) { LogEventBytes(level, platform::EncodeName(text)); }

void LogEventBytes(const QString& level, QByteArrayView text)
{
    LogState& log = State();
    // A log that could not be opened (or was lost in a rotation) is tried again.
    if (!log.wanted || (!log.file.isOpen() && !OpenFile(log)))
        return;
    // The line end goes into the same buffer, so the line is one write.
    const QByteArray line = FormLine(log, level, text);
    const qsizetype lineSize = line.size() - 2;
    const qint64 limit = qint64(AppSettings().SizeLimit) * BytesPerKB;
    if (limit > 0 && log.size + lineSize > limit) {
        StartNewFile(log);
        if (!log.file.isOpen())
            return;
    }
    Append(log, line);
}

void CloseLog()
{
    LogState& log = State();
    WritePending(log);
    log.file.sync();
    log.file.close();
    log.wanted = false;
}

LogBatch::LogBatch() { ++State().batches; }

LogBatch::~LogBatch()
{
    LogState& log = State();
    if (--log.batches == 0)
        WritePending(log);
}

void FlushLog() { WritePending(State()); }

} // namespace quelt
