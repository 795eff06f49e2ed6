#include "raster/fade.h"

#include <cstring>

#include "raster/simd.h"

void fadePixelsLiteral(Color32* p, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) {
    uint8_t r, g, b, a;
    splitColor(p[i], r, g, b, a);
    if (r > 0) --r;
    if (g > 0) --g;
    if (b > 0) --b;
    p[i] = makeColor(r, g, b, 255);
  }
}

namespace {

inline uint64_t fadePair(uint64_t v) {
  const uint64_t rgb = v & 0x00FFFFFF00FFFFFFull;
  const uint64_t above = (((rgb & 0x007F7F7F007F7F7Full) + 0x007F7F7F007F7F7Full) | rgb) & 0x0080808000808080ull;
  return (rgb - (above >> 7)) | 0xFF000000FF000000ull;
}

}  // namespace

void fadePixelsPortable(Color32* p, uint32_t n) {
  uint32_t i = 0;
  for (; i + 2 <= n; i += 2) {
    uint64_t v;
    std::memcpy(&v, p + i, sizeof v);
    v = fadePair(v);
    std::memcpy(p + i, &v, sizeof v);
  }
  if (i < n) p[i] = Color32(fadePair(p[i]));
}

void fadePixels(Color32* p, uint32_t n) {
  if (RasterSimdLevel == SimdNone) {
    fadePixelsLiteral(p, n);
  } else if (RasterSimdLevel == SimdPortable || !fadePixelsSse2(p, n)) {
    fadePixelsPortable(p, n);
  }
}
