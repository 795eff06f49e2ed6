#include "raster/image.h"

#include <cstring>

#include "data/bulk.h"
#include "data/log.h"
#include "data/util.h"
#include "raster/kernels.h"

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
  // Zeroed and already written, so the first frame that draws into it pays nothing.
  void* p = allocateBulk(bytes);
  if (p == nullptr) fatalError("Unable to AllocImage!");
  img.pixels = static_cast<Color32*>(p);
}

void freeImage(Image& img) {
  releaseBulk(img.pixels);
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
