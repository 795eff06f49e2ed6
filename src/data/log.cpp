#include "data/log.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

const char* const LogFileName = "logger.log";

static void exitProcess(int status) { std::exit(status); }
FailureExitRoutine FailureExit = exitProcess;

void exitOnFailure() {
  FailureExit(1);
  std::abort();  // a routine that returned would let the failed step go on
}

// The log is a convenience, never a reason to stop: in a folder where it cannot
// be removed or written (read-only, full) the program goes on as it would have,
// and a message that cannot reach the log goes to standard error instead,
// followed by the reason the log failed.
void deleteOldLog() {
  if (std::remove(LogFileName) != 0 && errno != ENOENT)
    std::fprintf(stderr, "Unable to remove the old %s: %s\n", LogFileName, std::strerror(errno));
}

void writeLog(const std::string& message) {
  const std::string path = std::string("./") + LogFileName;
  int reason = 0;
  FILE* f = std::fopen(path.c_str(), "a");
  if (f == nullptr) {
    reason = errno;
  } else {
    if (std::fwrite(message.data(), 1, message.size(), f) != message.size() || std::fputc('\n', f) == EOF)
      reason = errno;
    if (std::fclose(f) != 0 && reason == 0) reason = errno;
  }
  if (reason == 0) return;
  std::fprintf(stderr, "%s\nUnable to write %s: %s\n", message.c_str(), LogFileName, std::strerror(reason));
  std::fflush(stderr);
}

void writeLogAndConsole(const std::string& message) {
  writeLog(message);
  std::fwrite(message.data(), 1, message.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}
