#include "data/log.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "data/util.h"

const char* const LogFileName = "logger.log";

// The log is the channel of last resort: when it cannot be written the program
// stops with the reason on standard error.
[[noreturn]] static void logFileFailure() {
  std::fprintf(stderr, "%s: %s\n", LogFileName, std::strerror(errno));
  std::exit(1);
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
