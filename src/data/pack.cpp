#include "data/pack.h"

#include <cstdio>
#include <cstdlib>

#include "data/log.h"

// The whole pack is read into memory when it is opened; lookups then walk the
// chain of entries from the start, strictly forwards, never past the end.
static TfileContent PackBytes;
static std::string PackPath;
static bool PackOpen = false;

[[noreturn]] static void packFailure(const std::string& message) {
  writeLogAndConsole(message);
  exitOnFailure();
}

void openDataPack(const std::string& path) {
  PackPath = path;
  PackBytes.clear();
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) packFailure("Unable to open data file " + path);
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof(buf), f)) > 0) PackBytes.insert(PackBytes.end(), buf, buf + n);
  bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) packFailure("Unable to read data file " + path);
  if (PackBytes.empty()) packFailure("Data file " + path + " is empty");
  PackOpen = true;
}

static uint32_t readLe32(uint64_t pos) {
  return uint32_t(PackBytes[pos]) | uint32_t(PackBytes[pos + 1]) << 8 | uint32_t(PackBytes[pos + 2]) << 16 |
         uint32_t(PackBytes[pos + 3]) << 24;
}

uint32_t findPackEntry(const std::string& name) {
  if (!PackOpen) packFailure("Data file " + PackPath + " is not open");
  const uint64_t end = PackBytes.size();
  uint64_t pos = 0;
  while (pos < end) {
    const uint64_t nameLength = PackBytes[pos];
    const uint64_t nameStart = pos + 1;
    if (nameStart + nameLength > end)
      packFailure("Corrupt data file " + PackPath + ": an entry name runs past the end of the file");
    const std::string entry(PackBytes.begin() + nameStart, PackBytes.begin() + nameStart + nameLength);
    pos = nameStart + nameLength;
    if (entry == name) return uint32_t(pos);
    if (pos + 4 > end)
      packFailure("Corrupt data file " + PackPath + ": the size of entry " + entry + " runs past the end of the file");
    const int32_t size = int32_t(readLe32(pos));
    pos += 4;
    if (size < 0 || pos + uint64_t(size) > end)
      packFailure("Corrupt data file " + PackPath + ": entry " + entry + " runs past the end of the file");
    pos += uint64_t(size);
  }
  packFailure("File " + name + " not found in data file");
}

void readPackFile(const std::string& name, TfileContent& content) {
  const uint64_t pos = findPackEntry(name);
  const uint64_t end = PackBytes.size();
  if (pos + 4 > end) packFailure("Error reading file " + name);
  const uint32_t size = readLe32(pos);
  const uint64_t available = end - (pos + 4);
  if (size > available) packFailure("Error reading file " + name);
  content.assign(PackBytes.begin() + (pos + 4), PackBytes.begin() + (pos + 4 + size));
}

void closeDataPack() {
  PackBytes.clear();
  PackBytes.shrink_to_fit();
  PackOpen = false;
}
