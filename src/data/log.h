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
