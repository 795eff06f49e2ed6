// NEON row kernels of the blits and pixel runs (aarch64): four to sixteen
// pixels per step with the arithmetic of simd_neon.h. Tails go through the
// scalar colour routines. Every kernel gives exactly the pixels of its reference.
#include "raster/fade.h"
#include "raster/simd_neon.h"

namespace {

using namespace neon;

void copyNeon(Color32* d, const Color32* s, uint32_t n) {
  uint32_t i = 0;
  for (; i + 16 <= n; i += 16) {
    const uint32x4x4_t v = vld1q_u32_x4(s + i);
    vst1q_u32_x4(d + i, v);
  }
  for (; i + 4 <= n; i += 4) store(d + i, load(s + i));
  for (; i < n; ++i) d[i] = s[i];
}

// Eight pixels a step: all key leaves the destination alone, none stores the
// source without reading the destination.
void keyedNeon(Color32* d, const Color32* s, uint32_t n, Color32 key) {
  const uint32x4_t k = vdupq_n_u32(key);
  uint32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const uint32x4_t a = load(s + i), b = load(s + i + 4);
    const uint32x4_t keyA = vceqq_u32(a, k), keyB = vceqq_u32(b, k);
    // Each mask narrowed to one 64-bit word: all ones, zero or mixed.
    const uint64_t maskA = vget_lane_u64(vreinterpret_u64_u16(vmovn_u32(keyA)), 0);
    const uint64_t maskB = vget_lane_u64(vreinterpret_u64_u16(vmovn_u32(keyB)), 0);
    if ((maskA & maskB) == ~uint64_t(0)) continue;
    if ((maskA | maskB) == 0) {
      store(d + i, a);
      store(d + i + 4, b);
      continue;
    }
    store(d + i, vbslq_u32(keyA, load(d + i), a));
    store(d + i + 4, vbslq_u32(keyB, load(d + i + 4), b));
  }
  for (; i + 4 <= n; i += 4) store(d + i, keyed(load(s + i), load(d + i), k));
  for (; i < n; ++i)
    if (s[i] != key) d[i] = s[i];
}

void mixNeon(Color32* d, const Color32* s, uint32_t n, uint8_t t) {
  const uint8x16_t wt = vdupq_n_u8(t), wu = vdupq_n_u8(uint8_t(255 - t));
  uint32_t i = 0;
  for (; i + 4 <= n; i += 4) store(d + i, mix(load(s + i), load(d + i), wt, wu));
  for (; i < n; ++i) d[i] = mixColors(s[i], d[i], t);
}

// blendColors on four pixels whose alphas are all 0 or 255, without the
// multiplications: alpha 0 gives the destination one step darker per colour
// byte with alpha 0, alpha 255 the source one step darker ((v * 255) >> 8 is
// v - 1 for v >= 1). opaque marks the lanes of alpha 255.
inline uint32x4_t blendZeroOrFull(uint32x4_t s, uint32x4_t d, uint32x4_t opaque) {
  const uint32x4_t picked = vbslq_u32(opaque, s, vandq_u32(d, vdupq_n_u32(0x00FFFFFFu)));
  return sub(picked, vdupq_n_u32(0x00010101u));
}

// Eight pixels a step. Pictures keyed to alpha 0 or 255 take the short form
// above without a branch per pixel; a step with any other alpha, the full blend.
void alphaNeon(Color32* d, const Color32* s, uint32_t n) {
  uint32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const uint32x4_t a = load(s + i), b = load(s + i + 4), da = load(d + i), db = load(d + i + 4);
    const uint32x4_t alphaA = vshrq_n_u32(a, 24), alphaB = vshrq_n_u32(b, 24);
    const uint32x4_t opaqueA = vceqq_u32(alphaA, vdupq_n_u32(255)), opaqueB = vceqq_u32(alphaB, vdupq_n_u32(255));
    const uint32x4_t plainA = vorrq_u32(opaqueA, vceqzq_u32(alphaA)), plainB = vorrq_u32(opaqueB, vceqzq_u32(alphaB));
    if (vminvq_u32(vandq_u32(plainA, plainB)) != 0) {
      store(d + i, blendZeroOrFull(a, da, opaqueA));
      store(d + i + 4, blendZeroOrFull(b, db, opaqueB));
    } else {
      store(d + i, blend(a, da));
      store(d + i + 4, blend(b, db));
    }
  }
  for (; i + 4 <= n; i += 4) store(d + i, blend(load(s + i), load(d + i)));
  for (; i < n; ++i) d[i] = blendColors(s[i], d[i]);
}

// Sixteen pixels a step, all loads ahead of the stores.
template <bool Opaque>
void addNeonRun(Color32* d, const Color32* s, uint32_t n) {
  const uint32x4_t alpha = vdupq_n_u32(Opaque ? 0xFF000000u : 0u);
  uint32_t i = 0;
  for (; i + 16 <= n; i += 16) {
    const uint32x4x4_t a = vld1q_u32_x4(s + i), b = vld1q_u32_x4(d + i);
    uint32x4x4_t r;
    for (int j = 0; j < 4; ++j) r.val[j] = vorrq_u32(add(a.val[j], b.val[j]), alpha);
    vst1q_u32_x4(d + i, r);
  }
  for (; i + 4 <= n; i += 4) store(d + i, vorrq_u32(add(load(s + i), load(d + i)), alpha));
  for (; i < n; ++i) d[i] = addColors(s[i], d[i]) | (Opaque ? 0xFF000000u : 0u);
}

void addNeon(Color32* d, const Color32* s, uint32_t n) { addNeonRun<false>(d, s, n); }
void addOpaqueNeon(Color32* d, const Color32* s, uint32_t n) { addNeonRun<true>(d, s, n); }

void subNeon(Color32* d, const Color32* s, uint32_t n) {
  uint32_t i = 0;
  for (; i + 4 <= n; i += 4) store(d + i, sub(load(s + i), load(d + i)));
  for (; i < n; ++i) d[i] = subColors(s[i], d[i]);
}

void fillNeon(Color32* d, uint32_t count, Color32 value) {
  const uint32x4_t v = vdupq_n_u32(value);
  const uint32_t n = count / 2 * 2;
  uint32_t i = 0;
  for (; i + 4 <= n; i += 4) store(d + i, v);
  for (; i < n; ++i) d[i] = value;
}

// The end fade's step: a saturating subtract of 1 from each colour byte.
void fadeNeon(Color32* p, uint32_t n) {
  const uint32x4_t one = vdupq_n_u32(0x00010101u), alpha = vdupq_n_u32(0xFF000000u);
  uint32_t i = 0;
  for (; i + 4 <= n; i += 4) store(p + i, vorrq_u32(sub(load(p + i), one), alpha));
  fadePixelsLiteral(p + i, n - i);
}

void keyBlackNeon(Color32* p, uint32_t n) {
  const uint32x4_t colour = vdupq_n_u32(0x00FFFFFFu), alpha = vdupq_n_u32(0xFF000000u);
  uint32_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const uint32x4_t rgb = vandq_u32(load(p + i), colour);
    store(p + i, vbicq_u32(vorrq_u32(rgb, alpha), vceqzq_u32(rgb)));
  }
  for (; i < n; ++i) {
    const Color32 rgb = p[i] & 0x00FFFFFFu;
    p[i] = rgb == 0 ? 0u : rgb | 0xFF000000u;
  }
}

void opaqueNeon(const Color32* s, Color32* d, uint32_t n) {
  const uint32x4_t alpha = vdupq_n_u32(0xFF000000u);
  uint32_t i = 0;
  for (; i + 4 <= n; i += 4) store(d + i, vorrq_u32(load(s + i), alpha));
  for (; i < n; ++i) d[i] = s[i] | 0xFF000000u;
}

}  // namespace

void addRunNeon(RasterKernels& k) {
  k.run.fill = fillNeon;
  k.run.fade = fadeNeon;
  k.run.opaque = opaqueNeon;
  k.run.keyBlack = keyBlackNeon;
}

void addBlitNeon(RasterKernels& k) {
  k.blit.copy = copyNeon;
  k.blit.keyed = keyedNeon;
  k.blit.alpha = alphaNeon;
  k.blit.mix = mixNeon;
  k.blit.add = addNeon;
  k.blit.sub = subNeon;
  k.blit.addOpaque = addOpaqueNeon;
}
