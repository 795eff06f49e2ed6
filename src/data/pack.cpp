#include "data/pack.h"

#include <cstdio>
#include <cstdlib>

#include "data/log.h"
#include "data/util.h"

// The whole pack is read into memory when it is opened (a copy, not a mapping:
// a file cut short by another program while the show runs must not take the
// show down); lookups then walk the chain of entries from the start, strictly
// forwards, never past the end. The copy lies on 2 MiB pages where it can:
// on small pages its first reading cost more than all the decoding.
static const uint8_t* PackData = nullptr;
static uint64_t PackSize = 0;
static BulkFile PackCopy;
static std::string PackPath;
static bool PackOpen = false;

[[noreturn]] static void packFailure(const std::string& message) {
  writeLogAndConsole(message);
  exitOnFailure();
}

static void releasePack() {
  releaseBulkFile(PackCopy);
  PackData = nullptr;
  PackSize = 0;
  PackOpen = false;
}

void openDataPack(const std::string& path) {
  releasePack();
  PackPath = path;
  switch (readInputFile(path, MaxPackBytes, PackCopy)) {
    case InputFileProblem::Ok:
      break;
    case InputFileProblem::Open:
      packFailure("Unable to open data file " + path);
    case InputFileProblem::NotRegular:
      packFailure("Data file " + path + " is not a regular file");
    case InputFileProblem::TooLarge:
      packFailure("Data file " + path + " is larger than " + byteSizeText(MaxPackBytes));
    case InputFileProblem::Read:
      packFailure("Unable to read data file " + path);
  }
  if (PackCopy.size == 0) packFailure("Data file " + path + " is empty");
  PackData = PackCopy.data;
  PackSize = PackCopy.size;
  PackOpen = true;
}

// An entry name from a damaged pack as it may be printed: printable ASCII as it
// is, every other byte (and the backslash) escaped, at most ShownNameBytes of
// the name, then "...".
static std::string shownEntryName(const std::string& name) {
  constexpr size_t ShownNameBytes = 40;
  static const char Hex[] = "0123456789abcdef";
  std::string shown;
  for (size_t i = 0; i < name.size() && i < ShownNameBytes; ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (c == '\\') {
      shown += "\\\\";
    } else if (c >= 0x20 && c < 0x7F) {
      shown += char(c);
    } else {
      shown += "\\x";
      shown += Hex[c >> 4];
      shown += Hex[c & 15];
    }
  }
  if (name.size() > ShownNameBytes) shown += "...";
  return shown;
}

static uint32_t readLe32(uint64_t pos) {
  return uint32_t(PackData[pos]) | uint32_t(PackData[pos + 1]) << 8 | uint32_t(PackData[pos + 2]) << 16 |
         uint32_t(PackData[pos + 3]) << 24;
}

uint32_t findPackEntry(const std::string& name) {
  if (!PackOpen) packFailure("Data file " + PackPath + " is not open");
  const uint64_t end = PackSize;
  uint64_t pos = 0;
  while (pos < end) {
    const uint64_t nameLength = PackData[pos];
    const uint64_t nameStart = pos + 1;
    if (nameStart + nameLength > end)
      packFailure("Corrupt data file " + PackPath + ": an entry name runs past the end of the file");
    const std::string entry(PackData + nameStart, PackData + nameStart + nameLength);
    pos = nameStart + nameLength;
    if (entry == name) return uint32_t(pos);
    if (pos + 4 > end)
      packFailure("Corrupt data file " + PackPath + ": the size of entry " + shownEntryName(entry) +
                  " runs past the end of the file");
    const int32_t size = int32_t(readLe32(pos));
    pos += 4;
    if (size < 0 || pos + uint64_t(size) > end)
      packFailure("Corrupt data file " + PackPath + ": entry " + shownEntryName(entry) +
                  " runs past the end of the file");
    pos += uint64_t(size);
  }
  packFailure("File " + name + " not found in data file");
}

const uint8_t* packFileData(const std::string& name, size_t& size) {
  const uint64_t pos = findPackEntry(name);
  const uint64_t end = PackSize;
  if (pos + 4 > end) packFailure("Error reading file " + name);
  const uint32_t length = readLe32(pos);
  const uint64_t available = end - (pos + 4);
  if (length > available) packFailure("Error reading file " + name);
  size = length;
  return PackData + (pos + 4);
}

void readPackFile(const std::string& name, TfileContent& content) {
  size_t size = 0;
  const uint8_t* data = packFileData(name, size);
  content.assign(data, data + size);
}

void closeDataPack() { releasePack(); }
