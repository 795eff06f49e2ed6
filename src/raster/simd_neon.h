#pragma once
// Internal to the NEON kernels (aarch64): the per-channel colour arithmetic on
// four pixels at once. Each gives exactly the pixels of its scalar routine in
// image.h: products are widened to 16-bit lanes, where every product and sum
// stays below 65536.
#include <arm_neon.h>

#include "raster/kernels.h"

// Internal linkage: nothing here may be shared with files built for another
// instruction set.
namespace neon {
namespace {

inline uint32x4_t load(const Color32* p) { return vld1q_u32(p); }
inline void store(Color32* p, uint32x4_t v) { vst1q_u32(p, v); }

inline uint8x16_t bytes(uint32x4_t v) { return vreinterpretq_u8_u32(v); }
inline uint32x4_t pixels(uint8x16_t v) { return vreinterpretq_u32_u8(v); }

// Branch-free: lanes equal to key keep old.
inline uint32x4_t keyed(uint32x4_t p, uint32x4_t old, uint32x4_t key) { return vbslq_u32(vceqq_u32(p, key), old, p); }

// (a * x + b * y) >> 8 per byte, through 16-bit lanes; the sum is at most 255 * 255.
inline uint8x8_t weigh(uint8x8_t a, uint8x8_t x, uint8x8_t b, uint8x8_t y) {
  return vshrn_n_u16(vmlal_u8(vmull_u8(a, x), b, y), 8);
}
inline uint8x16_t weigh(uint8x16_t a, uint8x16_t x, uint8x16_t b, uint8x16_t y) {
  const uint8x8_t lo = weigh(vget_low_u8(a), vget_low_u8(x), vget_low_u8(b), vget_low_u8(y));
  const uint16x8_t hi = vmlal_high_u8(vmull_high_u8(a, x), b, y);
  return vshrn_high_n_u16(lo, hi, 8);
}

// mixColors(s, d, t) with t and 255 - t in every byte of wt and wu.
inline uint32x4_t mix(uint32x4_t s, uint32x4_t d, uint8x16_t wt, uint8x16_t wu) {
  return pixels(weigh(bytes(s), wt, bytes(d), wu));
}

// blendColors(s, d): r, g, b = (s * a + d * (255 - a)) >> 8, alpha = a of s.
inline uint32x4_t blend(uint32x4_t s, uint32x4_t d) {
  const uint8x16_t a = bytes(vmulq_n_u32(vshrq_n_u32(s, 24), 0x01010101u));  // each pixel's alpha in its 4 bytes
  const uint32x4_t rgb = pixels(weigh(bytes(s), a, bytes(d), vmvnq_u8(a)));
  return vbslq_u32(vdupq_n_u32(0xFF000000u), s, rgb);
}

inline uint32x4_t add(uint32x4_t s, uint32x4_t d) { return pixels(vqaddq_u8(bytes(s), bytes(d))); }  // addColors
inline uint32x4_t sub(uint32x4_t s, uint32x4_t d) { return pixels(vqsubq_u8(bytes(s), bytes(d))); }  // subColors

// dst[0..3] op= p, by the stretch modes.
template <StretchMode Mode>
inline void combine4(Color32* dst, uint32x4_t p, uint32x4_t key) {
  if constexpr (Mode == StretchCopy) {
    store(dst, p);
  } else if constexpr (Mode == StretchKeyed) {
    store(dst, keyed(p, load(dst), key));
  } else if constexpr (Mode == StretchAlpha) {
    store(dst, blend(p, load(dst)));
  } else {
    store(dst, add(p, load(dst)));
  }
}

// Four pixels picked by index from one row.
inline uint32x4_t gather(const Color32* row, uint32_t i0, uint32_t i1, uint32_t i2, uint32_t i3) {
  uint32x4_t v = vdupq_n_u32(row[i0]);
  v = vsetq_lane_u32(row[i1], v, 1);
  v = vsetq_lane_u32(row[i2], v, 2);
  return vsetq_lane_u32(row[i3], v, 3);
}

}  // namespace
}  // namespace neon
