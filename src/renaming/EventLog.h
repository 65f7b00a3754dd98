#pragma once
// The one writer of events.log in the program folder.

#include <QByteArrayView>
#include <QString>

#include <initializer_list>

namespace quelt {

/// Opens events.log for appending, creating it with its header line when missing
/// (an existing empty file gets the header too).
void OpenLog();
/// Writes one line: "NOTHING" an empty line, "STRING" the text as passed, any
/// other level "[LEVEL - date, time] text". Rotates by SizeLimit and WhenReachMax.
/// Every failure inside the log is ignored (the line is lost).
void LogEvent(const QString& level, const QString& text);
/// LogEvent with the text given as its bytes (platform::EncodeName), in parts
/// that the line joins.
void LogEventBytes(const QString& level, std::initializer_list<QByteArrayView> textParts);
/// Writes the log out to disk and closes it; LogEvent writes nothing until the next OpenLog.
void CloseLog();

/// While a LogBatch lives, lines gather in memory and reach events.log in blocks
/// (of at most LogBatchBytes, at FlushLog, before a rotation and when the last
/// batch ends), so a run that logs every item makes one write per block instead of
/// one per line. A crash loses the lines of the block being gathered.
class LogBatch {
public:
    LogBatch();
    ~LogBatch();
    LogBatch(const LogBatch&) = delete;
    LogBatch& operator=(const LogBatch&) = delete;
};
inline constexpr qsizetype LogBatchBytes = 64 * 1024;
/// Writes the lines a LogBatch gathered so far.
void FlushLog();

/// First line of every new log file.
inline const QString LogHeaderLine =
    QStringLiteral("# You can safely delete this file when needed...");

/// The folder of events.log and its backups, ending in "/": the program folder
/// unless SetLogFolder named another.
QString LogFolder();
/// Puts the log in `folder` (ending in "/"); empty returns it to the program
/// folder. Takes effect at the next OpenLog.
void SetLogFolder(const QString& folder);
/// The path of events.log.
QString LogFilePath();

} // namespace quelt
