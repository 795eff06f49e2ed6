#pragma once
// The colour arithmetic of image.h on whole 32-bit pixels at once, for the
// portable fast paths (plain C++, any processor): the channels go two by two
// into 16-bit lanes of a 32-bit word (blue and red, green and alpha), where
// every product and sum of the formulas stays below 65536, so no lane carries
// into the next. Each gives exactly the pixels of its routine in image.h.
#include "raster/image.h"

namespace swar {

constexpr uint32_t EvenBytes = 0x00FF00FFu;  // blue and red; green and alpha after >> 8

// (x * t + y * u) >> 8 per channel, with t + u <= 255.
inline Color32 weigh(Color32 x, uint32_t t, Color32 y, uint32_t u) {
  const uint32_t br = (((x & EvenBytes) * t + (y & EvenBytes) * u) >> 8) & EvenBytes;
  const uint32_t ga = (((x >> 8) & EvenBytes) * t + ((y >> 8) & EvenBytes) * u) & ~EvenBytes;
  return br | ga;
}

// mixColors(c1, c2, t).
inline Color32 mix(Color32 c1, Color32 c2, uint8_t t) { return weigh(c1, t, c2, 255u - t); }

// blendColors(src, dst): the colour weighed by the alpha of src, that alpha kept.
inline Color32 blend(Color32 src, Color32 dst) {
  const uint32_t a = src >> 24;
  return (weigh(src, a, dst, 255u - a) & 0x00FFFFFFu) | (src & 0xFF000000u);
}

// blendColors(src, dst) where the alpha of src is 0 or 255, without the
// multiplications: (v * 255) >> 8 is v - 1 for v >= 1, so alpha 255 gives the
// source's colour one step darker, alpha 0 the destination's (with alpha 0).
// A byte's "above 0" bit is its top bit or a carry out of its low seven bits.
inline Color32 blendZeroOrFull(Color32 src, Color32 dst) {
  const Color32 picked = ((src >> 24) != 0 ? src : dst) & 0x00FFFFFFu;
  const Color32 above = (((picked & 0x007F7F7Fu) + 0x007F7F7Fu) | picked) & 0x00808080u;
  return (picked - (above >> 7)) | (src & 0xFF000000u);
}

// max(0, x - y) per 16-bit lane of bytes: bit 8 of (x | 256) - y says x >= y.
inline uint32_t subLanes(uint32_t x, uint32_t y) {
  const uint32_t diff = (x | 0x01000100u) - y;
  const uint32_t keep = ((diff >> 8) & 0x00010001u) * 0xFFu;
  return diff & keep;
}

// subColors(c1, c2).
inline Color32 sub(Color32 c1, Color32 c2) {
  return subLanes(c1 & EvenBytes, c2 & EvenBytes) | (subLanes((c1 >> 8) & EvenBytes, (c2 >> 8) & EvenBytes) << 8);
}

}  // namespace swar
