#pragma once
// The one writer of events.log in the program folder.

#include <QString>

namespace quelt {

/// Opens events.log for appending, creating it with its header line when missing.
void OpenLog();
/// Writes one line: "NOTHING" an empty line, "STRING" the text as passed, any
/// other level "[LEVEL - date, time] text". Rotates by SizeLimit and WhenReachMax.
/// Every failure inside the log is ignored (the line is lost).
void LogEvent(const QString& level, const QString& text);
void CloseLog();

} // namespace quelt
