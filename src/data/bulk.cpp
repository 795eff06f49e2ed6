#include "data/bulk.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr size_t SmallPageBytes = 4096;
constexpr size_t HugePageBytes = size_t(2) << 20;

size_t roundUp(size_t n, size_t step) { return (n + step - 1) / step * step; }

#if defined(__linux__)

// Blocks the kernel keeps free beyond what a block takes: below them the
// allocator would have to reclaim or compact to hand out 2 MiB blocks.
constexpr uint64_t SpareHugeBlocks = 16;

// True when the kernel has free 2 MiB blocks for `blocks` huge pages now. With
// transparent huge pages on "madvise", a fault in an advised range that finds
// none compacts memory first, synchronously, which can hold start-up for
// hundreds of milliseconds where other work has cut memory up. So the advice
// is given only while the blocks are there; otherwise the block has small
// pages, which cost more to fill but never wait for compaction.
bool hugeBlocksFree(uint64_t blocks) {
  char text[4096];
  FILE* f = std::fopen("/proc/buddyinfo", "r");
  if (f == nullptr) return false;
  const size_t n = std::fread(text, 1, sizeof text - 1, f);
  std::fclose(f);
  text[n] = '\0';
  return freeHugePageBlocks(text) >= blocks + SpareHugeBlocks;
}

struct Room {
  size_t offset, length;
};

// Address space on a 2 MiB boundary. Only what is handed out is ever written:
// the rest of a block costs no memory.
struct Block {
  uintptr_t start;
  size_t length;
  size_t touched;           // below this offset released buffers may have left data
  std::vector<Room> rooms;  // free room, by offset, neighbours merged
  size_t buffers;           // handed out and not released
};
struct Buffer {
  uintptr_t start;
  size_t length;
};
std::vector<Block> Blocks;
std::vector<Buffer> Buffers;

bool newBlock(size_t need) {
  const size_t length = std::max(BulkBlockBytes, roundUp(need, HugePageBytes));
  const size_t slack = HugePageBytes - SmallPageBytes;
  void* raw = mmap(nullptr, length + slack, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return false;
  const uintptr_t start = reinterpret_cast<uintptr_t>(raw);
  const uintptr_t aligned = roundUp(start, HugePageBytes);
  if (aligned > start) munmap(raw, aligned - start);
  const uintptr_t end = start + length + slack;
  if (end > aligned + length) munmap(reinterpret_cast<void*>(aligned + length), end - (aligned + length));
  // On small pages every 4 KiB page costs a fault in the kernel, and under
  // some hypervisors another one at its first use: 512 times as many as on
  // 2 MiB pages. Only advice: without transparent huge pages they stay small.
  if (hugeBlocksFree(length / HugePageBytes)) madvise(reinterpret_cast<void*>(aligned), length, MADV_HUGEPAGE);
  Blocks.push_back({aligned, length, 0, {{0, length}}, 0});
  return true;
}

// The first room that holds `need` bytes, lowest block and offset first.
bool takeRoom(size_t need, size_t& block, size_t& offset) {
  for (size_t b = 0; b < Blocks.size(); ++b) {
    std::vector<Room>& rooms = Blocks[b].rooms;
    for (size_t r = 0; r < rooms.size(); ++r) {
      if (rooms[r].length < need) continue;
      block = b;
      offset = rooms[r].offset;
      rooms[r].offset += need;
      rooms[r].length -= need;
      if (rooms[r].length == 0) rooms.erase(rooms.begin() + ptrdiff_t(r));
      return true;
    }
  }
  return false;
}

bool releaseToBlocks(void* p);

void* allocateFromBlocks(size_t bytes) {
  const size_t need = roundUp(bytes, BulkAlignment);
  size_t b = 0, offset = 0;
  if (!takeRoom(need, b, offset)) {
    if (!newBlock(need)) return nullptr;
    takeRoom(need, b, offset);
  }
  Block& block = Blocks[b];
  uint8_t* p = reinterpret_cast<uint8_t*>(block.start + offset);
  // Written through now: the kernel's zero pages, one call for the whole run.
  // Older kernels lack the advice: then one store per page does the same.
  const uintptr_t first = (block.start + offset) / SmallPageBytes * SmallPageBytes;
  const uintptr_t last = roundUp(block.start + offset + need, SmallPageBytes);
  ++block.buffers;
  Buffers.push_back({block.start + offset, need});
  if (madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE) != 0) {
    // Memory the kernel cannot give now is refused here rather than at a
    // later write, which would end the process.
    if (errno != EINVAL) {
      releaseToBlocks(p);
      return nullptr;
    }
    volatile uint8_t* out = reinterpret_cast<volatile uint8_t*>(first);
    for (size_t i = 0; i < last - first; i += SmallPageBytes) out[i] = out[i];
  }
  // Room handed out before holds what its last buffer left there.
  Block& again = Blocks[b];
  if (offset < again.touched) std::memset(p, 0, std::min(need, again.touched - offset));
  again.touched = std::max(again.touched, offset + need);
  return p;
}

bool releaseToBlocks(void* p) {
  const uintptr_t start = reinterpret_cast<uintptr_t>(p);
  size_t i = 0;
  while (i < Buffers.size() && Buffers[i].start != start) ++i;
  if (i == Buffers.size()) return false;
  const size_t length = Buffers[i].length;
  Buffers[i] = Buffers.back();
  Buffers.pop_back();
  for (size_t b = 0; b < Blocks.size(); ++b) {
    Block& block = Blocks[b];
    if (start < block.start || start >= block.start + block.length) continue;
    if (--block.buffers == 0) {
      munmap(reinterpret_cast<void*>(block.start), block.length);
      Blocks.erase(Blocks.begin() + ptrdiff_t(b));
      return true;
    }
    const Room room{start - block.start, length};
    std::vector<Room>& rooms = block.rooms;
    auto at = std::lower_bound(rooms.begin(), rooms.end(), room,
                               [](const Room& a, const Room& c) { return a.offset < c.offset; });
    at = rooms.insert(at, room);
    // Merge with the room behind, then with the one in front.
    if (at + 1 != rooms.end() && at->offset + at->length == (at + 1)->offset) {
      at->length += (at + 1)->length;
      rooms.erase(at + 1);
    }
    if (at != rooms.begin() && (at - 1)->offset + (at - 1)->length == at->offset) {
      (at - 1)->length += at->length;
      rooms.erase(at);
    }
    return true;
  }
  return true;
}

#endif

}  // namespace

void* allocateBulk(size_t bytes) {
  if (bytes == 0) bytes = 1;
#if defined(__linux__)
  if (bytes >= BulkFromBytes) return allocateFromBlocks(bytes);
#endif
  return std::calloc(1, bytes);
}

void releaseBulk(void* p) {
  if (p == nullptr) return;
#if defined(__linux__)
  if (releaseToBlocks(p)) return;
#endif
  std::free(p);
}

size_t bulkBlockCount() {
#if defined(__linux__)
  return Blocks.size();
#else
  return 0;
#endif
}

size_t bulkBytesInBlocks() {
  size_t sum = 0;
#if defined(__linux__)
  for (const Buffer& b : Buffers) sum += b.length;
#endif
  return sum;
}

uint64_t freeHugePageBlocks(const char* buddyinfo) {
  uint64_t blocks = 0;
  for (const char* line = buddyinfo; line != nullptr && *line != '\0';) {
    const char* end = std::strchr(line, '\n');
    const std::string text(line, end != nullptr ? size_t(end - line) : std::strlen(line));
    line = end != nullptr ? end + 1 : nullptr;
    const size_t zone = text.find("zone");
    if (zone == std::string::npos) continue;
    char name[32];
    int used = 0;
    if (std::sscanf(text.c_str() + zone, "zone %31s%n", name, &used) != 1) continue;
    if (std::strcmp(name, "DMA") == 0) continue;  // kept for devices
    const char* counts = text.c_str() + zone + used;
    for (int order = 0;; ++order) {
      char* after = nullptr;
      const unsigned long long count = std::strtoull(counts, &after, 10);
      if (after == counts) break;
      counts = after;
      if (order >= 9 && order < 9 + 20) blocks += uint64_t(count) << (order - 9);
    }
  }
  return blocks;
}
