#include "data/util.h"

#include <fcntl.h>
#include "data/bulk.h"
#include "data/log.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

bool fileExists(const std::string& name) {
  struct stat st;
  return ::stat(name.c_str(), &st) == 0;
}

void deleteFile(const std::string& name) {
  if (std::remove(name.c_str()) != 0) {
    std::fprintf(stderr, "%s: %s\n", name.c_str(), std::strerror(errno));
    exitOnFailure();
  }
}

std::string intToText(int32_t i) { return std::to_string(i); }

char* toCString(const std::string& s) {
  char* p = new char[s.size() + 1];
  std::memcpy(p, s.data(), s.size());
  p[s.size()] = '\0';
  return p;
}

// Converts an optional sign and decimal digits filling the whole text; on failure
// tells where the conversion stopped. Values outside 32 bits stop at the digit
// that overflows, so such a digit is deleted like any other offending character.
static bool convertDecimal(const std::string& text, int32_t& value, size_t& stop) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i == text.size()) {
    stop = i == 0 ? 0 : i - 1;  // empty text, or a lone sign
    return false;
  }
  int64_t v = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c < '0' || c > '9') {
      stop = i;
      return false;
    }
    v = v * 10 + (c - '0');
    if (v > int64_t(INT32_MAX) + (negative ? 1 : 0)) {
      stop = i;
      return false;
    }
  }
  value = int32_t(negative ? -v : v);
  return true;
}

int32_t parseDigits(std::string text) {
  int32_t value = 0;
  size_t stop = 0;
  while (!convertDecimal(text, value, stop)) {
    if (text.empty()) return 0;  // nothing left to convert: no digit at all
    text.erase(stop, 1);
  }
  return value;
}

float signOf(float x) { return x < 0.0f ? -1.0f : 1.0f; }

// Pi in the platform's long double: 64 bits of mantissa on x86, 113 on aarch64
// and wasm. The results below are rounded to single from values far from a
// rounding boundary for every input the show gives, so the width does not show
// (pinned by morvex-hashes --values).
static const long double PiExtended = 3.14159265358979323846264338327950288L;

float angleOf(float y, float x) {
  if (x > 0.0f) {
    float q = y / x;
    return float(atanl(q));
  }
  if (x < 0.0f) {
    float q = y / x;
    return float(atanl(q) + PiExtended);
  }
  return float(signOf(y) * PiExtended * 0.5L);
}

float degToRad(float d) { return float(d * (PiExtended / 180.0L)); }

void swapInts(int32_t& a, int32_t& b) {
  int32_t t = a;
  a = b;
  b = t;
}

void* identityPointer(void* p) { return p; }

std::string executableDirectory() {
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof(buf) - 1);
  if (n <= 0) return "";
  std::string path(buf, size_t(n));
  size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// After a failure: closes fd and lets go of what was read, keeping the
// failure's errno for the caller's message.
template <class Release>
static InputFileProblem failAfter(int fd, InputFileProblem problem, Release release) {
  const int reason = errno;
  ::close(fd);
  release();
  errno = reason;
  return problem;
}

// Opens path through the gate of readInputFile; on success fd is open and size
// is the file's size now.
static InputFileProblem openInputFile(const std::string& path, uint64_t maxBytes, int& fd, uint64_t& size) {
  // Not blocking: opening a FIFO without a writer would wait forever.
  fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return InputFileProblem::Open;
  InputFileProblem problem = InputFileProblem::Ok;
  struct stat st;
  if (::fstat(fd, &st) != 0)
    problem = InputFileProblem::Read;
  else if (!S_ISREG(st.st_mode))
    problem = InputFileProblem::NotRegular;
  else if (uint64_t(st.st_size) > maxBytes)
    problem = InputFileProblem::TooLarge;
  if (problem != InputFileProblem::Ok) return failAfter(fd, problem, [] {});
  size = uint64_t(st.st_size);
  return InputFileProblem::Ok;
}

InputFileProblem readInputFile(const std::string& path, uint64_t maxBytes, std::vector<uint8_t>& bytes) {
  bytes.clear();
  int fd = -1;
  uint64_t size = 0;
  const InputFileProblem opened = openInputFile(path, maxBytes, fd, size);
  if (opened != InputFileProblem::Ok) return opened;
  auto fail = [&](InputFileProblem problem) {
    return failAfter(fd, problem, [&] {
      bytes.clear();
      bytes.shrink_to_fit();
    });
  };
  try {
    bytes.reserve(size_t(size));
    // A file that grows while it is read stops one byte past the limit.
    uint8_t chunk[65536];
    for (;;) {
      const ssize_t n = ::read(fd, chunk, sizeof chunk);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return fail(InputFileProblem::Read);
      if (n == 0) break;
      if (bytes.size() + size_t(n) > maxBytes) return fail(InputFileProblem::TooLarge);
      bytes.insert(bytes.end(), chunk, chunk + n);
    }
  } catch (const std::bad_alloc&) {
    errno = ENOMEM;
    return fail(InputFileProblem::Read);
  }
  ::close(fd);
  return InputFileProblem::Ok;
}

InputFileProblem readInputFile(const std::string& path, uint64_t maxBytes, BulkFile& file) {
  releaseBulkFile(file);
  int fd = -1;
  uint64_t size = 0;
  const InputFileProblem opened = openInputFile(path, maxBytes, fd, size);
  if (opened != InputFileProblem::Ok) return opened;
  auto fail = [&](InputFileProblem problem) { return failAfter(fd, problem, [&] { releaseBulkFile(file); }); };
  // Straight into the buffer, one byte more than the file holds: a read that
  // fills it shows that the file grew, and the buffer then doubles.
  size_t capacity = size_t(size) + 1;
  file.data = static_cast<uint8_t*>(allocateBulk(capacity));
  if (file.data == nullptr) {
    errno = ENOMEM;
    return fail(InputFileProblem::Read);
  }
  for (;;) {
    if (file.size == capacity) {
      // A file that grows while it is read stops one byte past the limit.
      if (file.size > maxBytes) return fail(InputFileProblem::TooLarge);
      const size_t larger = size_t(std::min<uint64_t>(uint64_t(capacity) * 2, maxBytes + 1));
      uint8_t* grown = static_cast<uint8_t*>(allocateBulk(larger));
      if (grown == nullptr) {
        errno = ENOMEM;
        return fail(InputFileProblem::Read);
      }
      std::memcpy(grown, file.data, file.size);
      releaseBulk(file.data);
      file.data = grown;
      capacity = larger;
    }
    const ssize_t n = ::read(fd, file.data + file.size, capacity - file.size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return fail(InputFileProblem::Read);
    if (n == 0) break;
    file.size += size_t(n);
  }
  if (file.size > maxBytes) return fail(InputFileProblem::TooLarge);
  ::close(fd);
  return InputFileProblem::Ok;
}

void releaseBulkFile(BulkFile& file) {
  releaseBulk(file.data);
  file.data = nullptr;
  file.size = 0;
}

std::string byteSizeText(uint64_t bytes) {
  if (bytes >= (uint64_t(1) << 30) && bytes % (uint64_t(1) << 30) == 0) return std::to_string(bytes >> 30) + " GiB";
  if (bytes >= (uint64_t(1) << 20) && bytes % (uint64_t(1) << 20) == 0) return std::to_string(bytes >> 20) + " MiB";
  return std::to_string(bytes) + " bytes";
}
