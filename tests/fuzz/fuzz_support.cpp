#include "fuzz/fuzz_support.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "data/log.h"

namespace {

int InputFd = -1;

void throwFailure(int) { throw HarnessFailure(); }

}  // namespace

void prepareHarness() {
  static bool prepared = false;
  if (prepared) return;
  prepared = true;
  FailureExit = throwFailure;
  const int null = open("/dev/null", O_WRONLY);
  if (null < 0 || dup2(null, 1) < 0) std::abort();
  close(null);
  InputFd = memfd_create("morvex-fuzz-input", 0);
  if (InputFd < 0) std::abort();
}

bool failsWithMessage(void (*step)()) {
  try {
    step();
    return false;
  } catch (const HarnessFailure&) {
    // A fatal path that ends without a word would leave the user guessing.
    FILE* log = std::fopen(LogFileName, "rb");
    if (log == nullptr) std::abort();
    const int first = std::fgetc(log);
    std::fclose(log);
    if (first == EOF || first == '\n') std::abort();
    unlink(LogFileName);
    return true;
  }
}

std::string inputAsFile(const uint8_t* data, size_t size) {
  if (ftruncate(InputFd, 0) != 0) std::abort();
  size_t done = 0;
  while (done < size) {
    const ssize_t n = pwrite(InputFd, data + done, size - done, off_t(done));
    if (n <= 0) std::abort();
    done += size_t(n);
  }
  return "/proc/self/fd/" + std::to_string(InputFd);
}
