#pragma once
// The fatal-error log "logger.log" in the current directory: removed at start,
// one bare line per message, opened and closed for every line. The log never
// stops the program: an old log that cannot be removed is reported on standard
// error ("Unable to remove the old logger.log: <reason>") and left; a line that
// cannot be written goes to standard error, followed by
// "Unable to write logger.log: <reason>".
#include <string>

extern const char* const LogFileName;  // "logger.log"

void deleteOldLog();
void writeLog(const std::string& message);
void writeLogAndConsole(const std::string& message);  // log, then standard output

// Every fatal path of the show ends here once its message is out: by default the
// process exits with status 1. A test or fuzz harness installs its own routine
// (one that throws or jumps back into the harness) to watch failures without
// ending its process; the routine must not return.
using FailureExitRoutine = void (*)(int status);
extern FailureExitRoutine FailureExit;
[[noreturn]] void exitOnFailure();
