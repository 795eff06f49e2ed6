#include "data/log.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "data/util.h"

const char* const LogFileName = "logger.log";

static void exitProcess(int status) { std::exit(status); }
FailureExitRoutine FailureExit = exitProcess;

void exitOnFailure() {
  FailureExit(1);
  std::abort();  // a routine that returned would let the failed step go on
}

// The log is the channel of last resort: when it cannot be written the program
// stops with the reason on standard error.
[[noreturn]] static void logFileFailure() {
  std::fprintf(stderr, "%s: %s\n", LogFileName, std::strerror(errno));
  exitOnFailure();
}

void deleteOldLog() {
  if (fileExists(LogFileName)) deleteFile(LogFileName);
}

void writeLog(const std::string& message) {
  const std::string path = std::string("./") + LogFileName;
  FILE* f = std::fopen(path.c_str(), "a");
  if (!f) logFileFailure();
  bool ok = std::fwrite(message.data(), 1, message.size(), f) == message.size() && std::fputc('\n', f) != EOF;
  if (std::fclose(f) != 0 || !ok) logFileFailure();
}

void writeLogAndConsole(const std::string& message) {
  writeLog(message);
  std::fwrite(message.data(), 1, message.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}
