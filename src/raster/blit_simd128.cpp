// WebAssembly SIMD row kernels of the blits and the pixel runs: four to eight
// pixels per step with the arithmetic of simd_simd128.h; tails go through the
// scalar colour routines. Every kernel gives exactly the pixels of its reference.
#include "raster/fade.h"
#include "raster/simd_simd128.h"

namespace {

using namespace simd128;

// Eight pixels a step: all key leaves the destination alone, none stores the
// source without reading the destination.
void keyedSimd128(Color32* d, const Color32* s, uint32_t n, Color32 key) {
  const v128_t k = wasm_i32x4_splat(int32_t(key));
  uint32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const v128_t a = load(s + i), b = load(s + i + 4);
    const v128_t keyA = wasm_i32x4_eq(a, k), keyB = wasm_i32x4_eq(b, k);
    if (wasm_i32x4_all_true(wasm_v128_and(keyA, keyB))) continue;
    if (!wasm_v128_any_true(wasm_v128_or(keyA, keyB))) {
      store(d + i, a);
      store(d + i + 4, b);
      continue;
    }
    store(d + i, wasm_v128_bitselect(load(d + i), a, keyA));
    store(d + i + 4, wasm_v128_bitselect(load(d + i + 4), b, keyB));
  }
  for (; i + 4 <= n; i += 4) store(d + i, keyed(load(s + i), load(d + i), k));
  for (; i < n; ++i)
    if (s[i] != key) d[i] = s[i];
}

void mixSimd128(Color32* d, const Color32* s, uint32_t n, uint8_t t) {
  const v128_t wt = wasm_i16x8_splat(int16_t(t)), wu = wasm_i16x8_splat(int16_t(255 - t));
  uint32_t i = 0;
  for (; i + 4 <= n; i += 4) store(d + i, mix(load(s + i), load(d + i), wt, wu));
  for (; i < n; ++i) d[i] = mixColors(s[i], d[i], t);
}

// Four pixels whose alphas are all 0 or 255 need no multiplication: alpha 0
// gives the destination one step darker per colour byte with alpha 0, alpha
// 255 the source one step darker ((v * 255) >> 8 is v - 1 for v >= 1).
void alphaSimd128(Color32* d, const Color32* s, uint32_t n) {
  const v128_t alpha = wasm_i32x4_splat(int32_t(0xFF000000u)), colour = wasm_i32x4_splat(0x00FFFFFF);
  const v128_t ones = wasm_i32x4_splat(0x00010101), zero = wasm_i32x4_splat(0);
  uint32_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const v128_t a = load(s + i), da = load(d + i);
    const v128_t alphaA = wasm_v128_and(a, alpha);
    const v128_t opaque = wasm_i32x4_eq(alphaA, alpha);
    if (wasm_i32x4_all_true(wasm_v128_or(opaque, wasm_i32x4_eq(alphaA, zero)))) {
      store(d + i, wasm_u8x16_sub_sat(wasm_v128_bitselect(a, wasm_v128_and(da, colour), opaque), ones));
    } else {
      store(d + i, blend(a, da));
    }
  }
  for (; i < n; ++i) d[i] = blendColors(s[i], d[i]);
}

void addSimd128(Color32* d, const Color32* s, uint32_t n) {
  uint32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const v128_t a = load(s + i), b = load(s + i + 4), da = load(d + i), db = load(d + i + 4);
    store(d + i, add(a, da));
    store(d + i + 4, add(b, db));
  }
  for (; i + 4 <= n; i += 4) store(d + i, add(load(s + i), load(d + i)));
  for (; i < n; ++i) d[i] = addColors(s[i], d[i]);
}

void subSimd128(Color32* d, const Color32* s, uint32_t n) {
  uint32_t i = 0;
  for (; i + 4 <= n; i += 4) store(d + i, sub(load(s + i), load(d + i)));
  for (; i < n; ++i) d[i] = subColors(s[i], d[i]);
}

void addOpaqueSimd128(Color32* d, const Color32* s, uint32_t n) {
  const v128_t alphaByte = wasm_i32x4_splat(int32_t(0xFF000000u));
  uint32_t i = 0;
  for (; i + 4 <= n; i += 4) store(d + i, wasm_v128_or(add(load(s + i), load(d + i)), alphaByte));
  for (; i < n; ++i) d[i] = addColors(s[i], d[i]) | 0xFF000000u;
}

// The end fade's step: a saturating subtract of 1 from each colour byte.
void fadeSimd128(Color32* p, uint32_t n) {
  const v128_t one = wasm_i32x4_splat(0x00010101), alpha = wasm_i32x4_splat(int32_t(0xFF000000u));
  uint32_t i = 0;
  for (; i + 4 <= n; i += 4) store(p + i, wasm_v128_or(wasm_u8x16_sub_sat(load(p + i), one), alpha));
  fadePixelsLiteral(p + i, n - i);
}

void keyBlackSimd128(Color32* p, uint32_t n) {
  const v128_t colour = wasm_i32x4_splat(0x00FFFFFF), alpha = wasm_i32x4_splat(int32_t(0xFF000000u));
  const v128_t zero = wasm_i32x4_splat(0);
  uint32_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const v128_t rgb = wasm_v128_and(load(p + i), colour);
    store(p + i, wasm_v128_andnot(wasm_v128_or(rgb, alpha), wasm_i32x4_eq(rgb, zero)));
  }
  for (; i < n; ++i) {
    const Color32 rgb = p[i] & 0x00FFFFFFu;
    p[i] = rgb == 0 ? 0u : rgb | 0xFF000000u;
  }
}

void opaqueSimd128(const Color32* s, Color32* d, uint32_t n) {
  const v128_t alpha = wasm_i32x4_splat(int32_t(0xFF000000u));
  uint32_t i = 0;
  for (; i + 4 <= n; i += 4) store(d + i, wasm_v128_or(load(s + i), alpha));
  for (; i < n; ++i) d[i] = s[i] | 0xFF000000u;
}

void clearBlackSimd128(Color32* p, uint32_t n) {
  const v128_t colour = wasm_i32x4_splat(0x00FFFFFF), zero = wasm_i32x4_splat(0);
  uint32_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const v128_t v = load(p + i);
    store(p + i, wasm_v128_andnot(v, wasm_i32x4_eq(wasm_v128_and(v, colour), zero)));
  }
  for (; i < n; ++i) p[i] = (p[i] & 0x00FFFFFFu) == 0 ? 0u : p[i];
}

// Whole vectors: the C library's wide fill stores a unit at a time here.
void fillSimd128(Color32* d, uint32_t count, Color32 value) {
  const uint32_t n = 2 * (count / 2);
  const v128_t v = wasm_i32x4_splat(int32_t(value));
  uint32_t i = 0;
  for (; i + 4 <= n; i += 4) store(d + i, v);
  for (; i < n; ++i) d[i] = value;
}

// Red and blue of every pixel trade bytes, alpha becomes 255; the bytes that
// were there are compared on the way (true when any differed).
bool rgbaSimd128(const Color32* s, uint8_t* d, uint32_t n) {
  const v128_t alpha = wasm_i32x4_splat(int32_t(0xFF000000u));
  v128_t differ = wasm_i32x4_splat(0);
  uint32_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const v128_t p = load(s + i);
    const v128_t swapped = wasm_i8x16_shuffle(p, p, 2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15);
    const v128_t bytes = wasm_v128_or(swapped, alpha);
    differ = wasm_v128_or(differ, wasm_v128_xor(bytes, wasm_v128_load(d + 4 * size_t(i))));
    wasm_v128_store(d + 4 * size_t(i), bytes);
  }
  bool changed = wasm_v128_any_true(differ);
  for (; i < n; ++i) {
    const Color32 c = s[i];
    const uint8_t bytes[4] = {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), 255};
    for (int k = 0; k < 4; ++k) {
      if (d[4 * i + k] != bytes[k]) changed = true;
      d[4 * i + k] = bytes[k];
    }
  }
  return changed;
}

}  // namespace

void addRunSimd128(RasterKernels& k) {
  k.run.fade = fadeSimd128;
  k.run.opaque = opaqueSimd128;
  k.run.keyBlack = keyBlackSimd128;
  k.run.rgba = rgbaSimd128;
  k.run.fill = fillSimd128;
  k.run.clearBlack = clearBlackSimd128;
}

void addBlitSimd128(RasterKernels& k) {
  k.blit.keyed = keyedSimd128;
  k.blit.alpha = alphaSimd128;
  k.blit.mix = mixSimd128;
  k.blit.add = addSimd128;
  k.blit.sub = subSimd128;
  k.blit.addOpaque = addOpaqueSimd128;
}
