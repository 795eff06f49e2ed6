// The pack reader on arbitrary bytes: the walk and a few lookups (asset names
// at the start, middle and end of the load order, the empty name, a missing one). Whatever the
// bytes, each lookup finds the entry or fails with a message; a found entry
// holds exactly the bytes its size field claims.
#include <cstring>

#include "data/pack.h"
#include "fuzz/fuzz_support.h"

namespace {

std::string PackFile;
const uint8_t* Bytes = nullptr;
size_t ByteCount = 0;

void openPack() { openDataPack(PackFile); }

const char* Wanted = nullptr;
void readWanted() {
  TfileContent content;
  readPackFile(Wanted, content);
  const uint64_t at = findPackEntry(Wanted);
  // The entry's bytes are those behind its size field, no more, no fewer.
  if (at + 4 + content.size() > ByteCount) __builtin_trap();
  const uint32_t size = uint32_t(Bytes[at]) | uint32_t(Bytes[at + 1]) << 8 | uint32_t(Bytes[at + 2]) << 16 |
                        uint32_t(Bytes[at + 3]) << 24;
  if (size != content.size() || (size > 0 && std::memcmp(content.data(), Bytes + at + 4, size) != 0)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  prepareHarness();
  Bytes = data;
  ByteCount = size;
  PackFile = inputAsFile(data, size);
  if (failsWithMessage(openPack)) return 0;
  // The first, a middle and the last asset, the nameless entry, a name that
  // walks the whole chain and one that differs only in case.
  static const char* const names[] = {"minus.img", "brain.img", "netz.img", "", "no such entry.img", "Brain.img"};
  for (const char* name : names) {
    Wanted = name;
    failsWithMessage(readWanted);
  }
  closeDataPack();
  return 0;
}
