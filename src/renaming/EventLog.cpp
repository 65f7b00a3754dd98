#include "renaming/EventLog.h"
#include "platform/TextTrim.h"

#include "app/Settings.h"
#include "platform/FileSystem.h"
#include "platform/NameCodec.h"
#include "platform/ProgramFiles.h"

#include <QDateTime>
#include <QLocale>

#include <algorithm>
#include <initializer_list>
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
    QString level;        // the level word of the last line
    QByteArray levelBytes;
    std::string line;     // the line being formed, kept to reuse its memory
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

void Append(LogState& log, QByteArrayView bytes)
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

const QByteArray& LevelBytes(LogState& log, QStringView word)
{
    if (word != log.level) {
        log.level = word.toString();
        log.levelBytes = platform::EncodeName(word);
    }
    return log.levelBytes;
}

// Forms the line and its end, as bytes, in log.line.
void FormLine(LogState& log, const QString& level, std::initializer_list<QByteArrayView> textParts)
{
    std::string& line = log.line;
    line.clear();
    const auto add = [&line](QByteArrayView part) { line.append(part.data(), std::size_t(part.size())); };
    const QStringView word = platform::TrimSpaces(level);
    if (word == u"STRING") {
        for (QByteArrayView part : textParts)
            add(part);
    } else if (word != u"NOTHING") {
        add("[");
        add(LevelBytes(log, word));
        add(" - ");
        add(TimeStamp(log));
        add("] ");
        const std::size_t textStart = line.size();
        for (QByteArrayView part : textParts)
            add(part);
        line.erase(textStart, line.find_first_not_of(' ', textStart) - textStart);
        const std::size_t textEnd = line.find_last_not_of(' ');
        line.resize(textEnd == std::string::npos || textEnd < textStart ? textStart : textEnd + 1);
    }
    add("\r\n");
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

void LogEvent(const QString& level, const QString& text) { LogEventBytes(level, {platform::EncodeName(text)}); }

void LogEventBytes(const QString& level, std::initializer_list<QByteArrayView> textParts)
{
    LogState& log = State();
    // A log that could not be opened (or was lost in a rotation) is tried again.
    if (!log.wanted || (!log.file.isOpen() && !OpenFile(log)))
        return;
    // The line end goes into the same buffer, so the line is one write.
    FormLine(log, level, textParts);
    const qsizetype lineSize = qsizetype(log.line.size()) - 2;
    const qint64 limit = qint64(AppSettings().SizeLimit) * BytesPerKB;
    if (limit > 0 && log.size + lineSize > limit) {
        StartNewFile(log);
        if (!log.file.isOpen())
            return;
    }
    Append(log, QByteArrayView(log.line.data(), qsizetype(log.line.size())));
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
