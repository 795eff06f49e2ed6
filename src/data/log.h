#pragma once
// The fatal-error log "logger.log" in the current directory: removed at start,
// one bare line per message, opened and closed for every line. A file operation
// that fails ends the program with "logger.log: <reason>" on standard error, status 1.
#include <string>

extern const char* const LogFileName;  // "logger.log"

void deleteOldLog();
void writeLog(const std::string& message);
void writeLogAndConsole(const std::string& message);  // log, then standard output
