#include "raster/image.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "data/log.h"
#include "data/util.h"
#include "raster/kernels.h"

namespace {

constexpr size_t SmallPageBytes = 4096;
constexpr size_t HugePageBytes = size_t(2) << 20;
// Below this a buffer comes from the heap; above it from a mapping of its own.
constexpr size_t MappedFromBytes = 256 * 1024;

struct PixelMapping {
  void* start;
  size_t length;
};
// Buffers mapped by allocatePixels, released with munmap. Images are made at
// set-up and released at shutdown, never per frame.
std::vector<PixelMapping> PixelMappings;

size_t roundUp(size_t n, size_t step) { return (n + step - 1) / step * step; }

#if defined(__linux__)
// Blocks the kernel keeps free beyond what a mapping takes: below them the
// allocator would have to reclaim or compact to hand out 2 MiB blocks.
constexpr uint64_t SpareHugeBlocks = 16;

// True when the kernel has free 2 MiB blocks for `blocks` huge pages now. With
// transparent huge pages on "madvise", a fault in an advised range that finds
// none compacts memory first, synchronously, which can hold start-up for
// hundreds of milliseconds where other work has cut memory up. So the advice
// is given only while the blocks are there; otherwise the buffer has small
// pages, which cost a little more to fill but never wait for compaction.
bool hugeBlocksFree(uint64_t blocks) {
  char text[4096];
  FILE* f = std::fopen("/proc/buddyinfo", "r");
  if (f == nullptr) return false;
  const size_t n = std::fread(text, 1, sizeof text - 1, f);
  std::fclose(f);
  text[n] = '\0';
  return freeHugePageBlocks(text) >= blocks + SpareHugeBlocks;
}

// A mapping that starts on a 2 MiB boundary when the buffer spans at least one
// huge page (the slack in front and behind is unmapped again), marked for huge
// pages when the kernel has them free, and written through at once: frames
// never take a page fault on it, and an image of 3.5 MB costs 2 faults
// instead of 900.
void* mapPixels(size_t bytes) {
  const size_t length = roundUp(bytes, SmallPageBytes);
  const bool huge = length >= HugePageBytes;
  const size_t slack = huge ? HugePageBytes - SmallPageBytes : 0;
  void* raw = mmap(nullptr, length + slack, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  uintptr_t start = reinterpret_cast<uintptr_t>(raw);
  if (huge) {
    const uintptr_t aligned = roundUp(start, HugePageBytes);
    if (aligned > start) munmap(raw, aligned - start);
    const uintptr_t end = start + length + slack;
    if (end > aligned + length) munmap(reinterpret_cast<void*>(aligned + length), end - (aligned + length));
    start = aligned;
    // Only advice: without transparent huge pages the buffer has small pages.
    const size_t hugeLength = length / HugePageBytes * HugePageBytes;
    if (hugeBlocksFree(hugeLength / HugePageBytes)) madvise(reinterpret_cast<void*>(start), hugeLength, MADV_HUGEPAGE);
  }
  void* p = reinterpret_cast<void*>(start);
  // The kernel's zero pages, written once now. Older kernels lack the advice:
  // then one store per page does the same.
  if (madvise(p, length, MADV_POPULATE_WRITE) != 0) {
    volatile uint8_t* bytesOut = static_cast<volatile uint8_t*>(p);
    for (size_t i = 0; i < length; i += SmallPageBytes) bytesOut[i] = 0;
  }
  PixelMappings.push_back({p, length});
  return p;
}
#endif

// Zeroed and already written, so the first frame that draws into it pays nothing.
void* allocatePixels(size_t bytes) {
#if defined(__linux__)
  if (bytes >= MappedFromBytes) return mapPixels(bytes);
#endif
  void* p = std::malloc(bytes);
  if (p != nullptr) std::memset(p, 0, bytes);
  return p;
}

void releasePixels(void* p) {
#if defined(__linux__)
  for (size_t i = 0; i < PixelMappings.size(); ++i) {
    if (PixelMappings[i].start != p) continue;
    munmap(p, PixelMappings[i].length);
    PixelMappings[i] = PixelMappings.back();
    PixelMappings.pop_back();
    return;
  }
#endif
  std::free(p);
}

}  // namespace

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

// Pixel offsets are 32-bit unsigned and sizes are signed 32-bit in the record,
// so anything that does not fit both is refused like exhausted memory.
bool imageSizeAllowed(uint64_t width, uint64_t height) {
  if (width > uint64_t(INT32_MAX) || height > uint64_t(INT32_MAX)) return false;
  return width * height <= MaxImagePixels;
}

void AllocImage(Image& img, uint32_t width, uint32_t height) {
  img.width = int32_t(width);
  img.height = int32_t(height);
  img.pixels = nullptr;
  const uint64_t count = uint64_t(width) * uint64_t(height);
  if (!imageSizeAllowed(width, height)) fatalError("Unable to AllocImage!");
  // An empty image still gets a buffer, so that "no memory" keeps one meaning.
  size_t bytes = count == 0 ? sizeof(Color32) : size_t(count) * sizeof(Color32);
  void* p = allocatePixels(bytes);
  if (p == nullptr) fatalError("Unable to AllocImage!");
  img.pixels = static_cast<Color32*>(p);
}

void freeImage(Image& img) {
  if (img.pixels != nullptr) releasePixels(img.pixels);
  img.pixels = nullptr;
}

void fatalError(const std::string& message) {
  writeLog(message);
  exitOnFailure();
}

// Pairs of pixels as one 64-bit unit; memcpy keeps unaligned runs well defined.
void fillLongsLiteral(Color32* dst, uint32_t count, Color32 value) {
  uint64_t pair = (uint64_t(value) << 32) | value;
  for (uint32_t i = 0; i < count / 2; ++i) std::memcpy(dst + 2 * size_t(i), &pair, sizeof pair);
}

void copyLongsLiteral(const Color32* src, Color32* dst, uint32_t count) {
  for (uint32_t i = 0; i < count / 2; ++i) {
    uint64_t pair;
    std::memcpy(&pair, src + 2 * size_t(i), sizeof pair);
    std::memcpy(dst + 2 * size_t(i), &pair, sizeof pair);
  }
}

void fillLongs(Color32* dst, uint32_t count, Color32 value) { ActiveKernels.run.fill(dst, count, value); }

void copyLongs(const Color32* src, Color32* dst, uint32_t count) { ActiveKernels.run.copy(src, dst, count); }

void vLine(Image img, int32_t y1, int32_t y2, int32_t x, Color32 c) {
  if (y2 < y1) swapInts(y1, y2);
  for (int64_t y = y1; y <= y2; ++y) putPixel(img, x, int32_t(y), c);
}
