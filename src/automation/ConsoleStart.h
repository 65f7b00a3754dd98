#pragma once
// The start without windows: quick rename, dry run, disaster recovery and help
// run on the console; progress goes to stderr when it is a terminal.

#include "automation/CommandLine.h"

namespace quelt {

/// Exit statuses of a console start.
enum ExitStatus { ExitDone = 0, ExitIncomplete = 1, ExitCannotRun = 2 };

/// True when the command can run without windows.
bool RunsOnConsole(const CommandLine& line);

/// Loads the settings, opens the event log, carries out `line` and closes the log.
/// Messages go to stderr, questions to the terminal (`line.yes` answers OK/Yes).
int RunConsole(const CommandLine& line);

} // namespace quelt
