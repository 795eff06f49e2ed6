#pragma once
// The fatal-error log "logger.log" in the current directory: removed at start,
// one bare line per message, opened and closed for every line. A file operation
// that fails ends the program with "logger.log: <reason>" on standard error, status 1.
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
