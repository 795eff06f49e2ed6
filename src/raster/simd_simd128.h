#pragma once
// Internal to the WebAssembly SIMD kernels: the per-channel colour arithmetic
// on four pixels at once. Each gives exactly the pixels of its scalar routine
// in image.h: the products are widened to 16-bit lanes, where every product
// and sum stays below 65536.
#include <wasm_simd128.h>

#include "raster/kernels.h"

// Internal linkage: nothing here may be shared with files built without SIMD.
namespace simd128 {
namespace {

inline v128_t load(const Color32* p) { return wasm_v128_load(p); }
inline void store(Color32* p, v128_t v) { wasm_v128_store(p, v); }

// Lanes equal to key keep old.
inline v128_t keyed(v128_t p, v128_t old, v128_t key) { return wasm_v128_bitselect(old, p, wasm_i32x4_eq(p, key)); }

// (a * x + b * y) >> 8 on 16-bit lanes; the sum is at most 255 * 255.
inline v128_t weigh(v128_t a, v128_t x, v128_t b, v128_t y) {
  return wasm_u16x8_shr(wasm_i16x8_add(wasm_i16x8_mul(a, x), wasm_i16x8_mul(b, y)), 8);
}

// mixColors(s, d, t) with t and 255 - t in every 16-bit lane of wt and wu.
inline v128_t mix(v128_t s, v128_t d, v128_t wt, v128_t wu) {
  v128_t lo = weigh(wasm_u16x8_extend_low_u8x16(s), wt, wasm_u16x8_extend_low_u8x16(d), wu);
  v128_t hi = weigh(wasm_u16x8_extend_high_u8x16(s), wt, wasm_u16x8_extend_high_u8x16(d), wu);
  return wasm_u8x16_narrow_i16x8(lo, hi);
}

// blendColors(s, d): r, g, b = (s * a + d * (255 - a)) >> 8, alpha = a of s.
inline v128_t blend(v128_t s, v128_t d) {
  const v128_t zero = wasm_i32x4_splat(0), full = wasm_i16x8_splat(255);
  const v128_t alphaByte = wasm_i32x4_splat(int32_t(0xFF000000u));
  // Each pixel's alpha in the four 16-bit lanes of that pixel.
  const v128_t alo = wasm_i8x16_shuffle(s, zero, 3, 16, 3, 16, 3, 16, 3, 16, 7, 16, 7, 16, 7, 16, 7, 16);
  const v128_t ahi = wasm_i8x16_shuffle(s, zero, 11, 16, 11, 16, 11, 16, 11, 16, 15, 16, 15, 16, 15, 16, 15, 16);
  v128_t lo = weigh(wasm_u16x8_extend_low_u8x16(s), alo, wasm_u16x8_extend_low_u8x16(d), wasm_i16x8_sub(full, alo));
  v128_t hi = weigh(wasm_u16x8_extend_high_u8x16(s), ahi, wasm_u16x8_extend_high_u8x16(d), wasm_i16x8_sub(full, ahi));
  return wasm_v128_bitselect(s, wasm_u8x16_narrow_i16x8(lo, hi), alphaByte);
}

inline v128_t add(v128_t s, v128_t d) { return wasm_u8x16_add_sat(s, d); }  // addColors(s, d)
inline v128_t sub(v128_t s, v128_t d) { return wasm_u8x16_sub_sat(s, d); }  // subColors(s, d)

// dst[0..3] op= p, by the stretch modes.
template <StretchMode Mode>
inline void combine4(Color32* dst, v128_t p, v128_t key) {
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

}  // namespace
}  // namespace simd128
