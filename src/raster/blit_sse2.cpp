// SSE2 row kernels of the blits: four to sixteen pixels per step with the arithmetic of
// simd_sse2.h. Tails go through the scalar colour routines. Every kernel gives
// exactly the pixels of its reference.
#include "raster/fade.h"
#include "raster/simd_sse2.h"

namespace {

using namespace sse2;

// Sixteen pixels per step with stores aligned to 16 bytes (single pixels until
// the destination is): a little faster than the C library's block copy on rows
// that sit in the cache.
void copySse2(Color32* d, const Color32* s, uint32_t n) {
  uint32_t i = 0;
  while (i < n && (reinterpret_cast<uintptr_t>(d + i) & 15) != 0) {
    d[i] = s[i];
    ++i;
  }
  for (; i + 16 <= n; i += 16) {
    const __m128i a = load(s + i), b = load(s + i + 4), c = load(s + i + 8), e = load(s + i + 12);
    __m128i* q = reinterpret_cast<__m128i*>(d + i);
    _mm_store_si128(q, a);
    _mm_store_si128(q + 1, b);
    _mm_store_si128(q + 2, c);
    _mm_store_si128(q + 3, e);
  }
  for (; i < n; ++i) d[i] = s[i];
}

// Eight pixels a step: all key leaves the destination alone, none stores the
// source without reading the destination.
void keyedSse2(Color32* d, const Color32* s, uint32_t n, Color32 key) {
  const __m128i k = _mm_set1_epi32(int32_t(key));
  uint32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m128i a = load(s + i), b = load(s + i + 4);
    const __m128i keyA = _mm_cmpeq_epi32(a, k), keyB = _mm_cmpeq_epi32(b, k);
    const int keyed = _mm_movemask_ps(_mm_castsi128_ps(keyA)) | (_mm_movemask_ps(_mm_castsi128_ps(keyB)) << 4);
    if (keyed == 0xFF) continue;
    if (keyed == 0) {
      store(d + i, a);
      store(d + i + 4, b);
      continue;
    }
    store(d + i, _mm_or_si128(_mm_and_si128(keyA, load(d + i)), _mm_andnot_si128(keyA, a)));
    store(d + i + 4, _mm_or_si128(_mm_and_si128(keyB, load(d + i + 4)), _mm_andnot_si128(keyB, b)));
  }
  for (; i + 4 <= n; i += 4) store(d + i, keyed(load(s + i), load(d + i), k));
  for (; i < n; ++i)
    if (s[i] != key) d[i] = s[i];
}

void mixSse2(Color32* d, const Color32* s, uint32_t n, uint8_t t) {
  const __m128i wt = _mm_set1_epi16(int16_t(t)), wu = _mm_set1_epi16(int16_t(255 - t));
  uint32_t i = 0;
  for (; i + 4 <= n; i += 4) store(d + i, mix(load(s + i), load(d + i), wt, wu));
  for (; i < n; ++i) d[i] = mixColors(s[i], d[i], t);
}

// blendColors on four pixels whose alphas are all 0 or 255, without the
// multiplications: alpha 0 gives the destination one step darker per colour
// byte with alpha 0, alpha 255 the source one step darker ((v * 255) >> 8 is
// v - 1 for v >= 1). opaque marks the lanes of alpha 255.
inline __m128i blendZeroOrFull(__m128i s, __m128i d, __m128i opaque) {
  const __m128i colour = _mm_set1_epi32(0x00FFFFFF), ones = _mm_set1_epi32(0x00010101);
  const __m128i picked = _mm_or_si128(_mm_and_si128(opaque, s), _mm_andnot_si128(opaque, _mm_and_si128(d, colour)));
  return _mm_subs_epu8(picked, ones);
}

// Eight pixels a step. Pictures keyed to alpha 0 or 255 take the short form
// above without a branch per pixel; a step with any other alpha, the full blend.
void alphaSse2(Color32* d, const Color32* s, uint32_t n) {
  const __m128i alpha = _mm_set1_epi32(int32_t(0xFF000000u)), zero = _mm_setzero_si128();
  uint32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m128i a = load(s + i), b = load(s + i + 4), da = load(d + i), db = load(d + i + 4);
    const __m128i alphaA = _mm_and_si128(a, alpha), alphaB = _mm_and_si128(b, alpha);
    const __m128i opaqueA = _mm_cmpeq_epi32(alphaA, alpha), opaqueB = _mm_cmpeq_epi32(alphaB, alpha);
    const __m128i clearA = _mm_cmpeq_epi32(alphaA, zero), clearB = _mm_cmpeq_epi32(alphaB, zero);
    const __m128i plain = _mm_and_si128(_mm_or_si128(opaqueA, clearA), _mm_or_si128(opaqueB, clearB));
    if (_mm_movemask_epi8(plain) == 0xFFFF) {
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

// Sixteen pixels a step, all loads ahead of the stores, which the processor
// then need not order (a third faster than four pixels at a time). Skipping
// blocks of transparent black cost more in mispredicted branches than it saved.
void addSse2(Color32* d, const Color32* s, uint32_t n) {
  uint32_t i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m128i a = load(s + i), b = load(s + i + 4), c = load(s + i + 8), e = load(s + i + 12);
    const __m128i da = load(d + i), db = load(d + i + 4), dc = load(d + i + 8), de = load(d + i + 12);
    store(d + i, add(a, da));
    store(d + i + 4, add(b, db));
    store(d + i + 8, add(c, dc));
    store(d + i + 12, add(e, de));
  }
  for (; i + 4 <= n; i += 4) store(d + i, add(load(s + i), load(d + i)));
  for (; i < n; ++i) d[i] = addColors(s[i], d[i]);
}

void subSse2(Color32* d, const Color32* s, uint32_t n) {
  uint32_t i = 0;
  for (; i + 4 <= n; i += 4) store(d + i, sub(load(s + i), load(d + i)));
  for (; i < n; ++i) d[i] = subColors(s[i], d[i]);
}

void addOpaqueSse2(Color32* d, const Color32* s, uint32_t n) {
  const __m128i alphaByte = _mm_set1_epi32(int32_t(0xFF000000u));
  uint32_t i = 0;
  // As addSse2 (a third faster than four pixels at a time).
  for (; i + 16 <= n; i += 16) {
    const __m128i a = load(s + i), b = load(s + i + 4), c = load(s + i + 8), e = load(s + i + 12);
    const __m128i da = load(d + i), db = load(d + i + 4), dc = load(d + i + 8), de = load(d + i + 12);
    store(d + i, _mm_or_si128(add(a, da), alphaByte));
    store(d + i + 4, _mm_or_si128(add(b, db), alphaByte));
    store(d + i + 8, _mm_or_si128(add(c, dc), alphaByte));
    store(d + i + 12, _mm_or_si128(add(e, de), alphaByte));
  }
  for (; i + 4 <= n; i += 4) store(d + i, _mm_or_si128(add(load(s + i), load(d + i)), alphaByte));
  for (; i < n; ++i) d[i] = addColors(s[i], d[i]) | 0xFF000000u;
}

// The end fade's step: a saturating subtract of 1 from each colour byte.
void fadeSse2(Color32* p, uint32_t n) {
  const __m128i one = _mm_set1_epi32(0x00010101), alpha = _mm_set1_epi32(int32_t(0xFF000000u));
  uint32_t i = 0;
  for (; i + 4 <= n; i += 4) store(p + i, _mm_or_si128(_mm_subs_epu8(load(p + i), one), alpha));
  fadePixelsLiteral(p + i, n - i);
}

void keyBlackSse2(Color32* p, uint32_t n) {
  const __m128i colour = _mm_set1_epi32(0x00FFFFFF), alpha = _mm_set1_epi32(int32_t(0xFF000000u));
  const __m128i zero = _mm_setzero_si128();
  uint32_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m128i rgb = _mm_and_si128(load(p + i), colour);
    store(p + i, _mm_andnot_si128(_mm_cmpeq_epi32(rgb, zero), _mm_or_si128(rgb, alpha)));
  }
  for (; i < n; ++i) {
    const Color32 rgb = p[i] & 0x00FFFFFFu;
    p[i] = rgb == 0 ? 0u : rgb | 0xFF000000u;
  }
}

// Sixteen bytes of levels at a time: each nibble moved to the top of a byte
// (v * 16), the bytes put in pixel order, then each widened to all four channels.
void greyLevelsSse2(Color32* d, const uint8_t* s, uint32_t n) {
  const __m128i top = _mm_set1_epi8(char(0xF0));
  uint32_t i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const __m128i hi = _mm_and_si128(b, top), lo = _mm_and_si128(_mm_slli_epi16(b, 4), top);
    const __m128i levels[2] = {_mm_unpacklo_epi8(hi, lo), _mm_unpackhi_epi8(hi, lo)};
    Color32* out = d + 2 * size_t(i);
    for (const __m128i& g : levels) {
      const __m128i pairs[2] = {_mm_unpacklo_epi8(g, g), _mm_unpackhi_epi8(g, g)};
      for (const __m128i& w : pairs) {
        store(out, _mm_unpacklo_epi16(w, w));
        store(out + 4, _mm_unpackhi_epi16(w, w));
        out += 8;
      }
    }
  }
  for (; i < n; ++i) {
    const uint32_t hi = uint32_t(s[i] >> 4) * 16, lo = uint32_t(s[i] & 15) * 16;
    d[2 * size_t(i)] = hi * 0x01010101u;
    d[2 * size_t(i) + 1] = lo * 0x01010101u;
  }
}

void opaqueSse2(const Color32* s, Color32* d, uint32_t n) {
  const __m128i alpha = _mm_set1_epi32(int32_t(0xFF000000u));
  uint32_t i = 0;
  for (; i + 4 <= n; i += 4) store(d + i, _mm_or_si128(load(s + i), alpha));
  for (; i < n; ++i) d[i] = s[i] | 0xFF000000u;
}

}  // namespace

void addRunSse2(RasterKernels& k) {
  k.run.fade = fadeSse2;
  k.run.opaque = opaqueSse2;
  k.run.keyBlack = keyBlackSse2;
  k.run.greyLevels = greyLevelsSse2;
}

void addBlitSse2(RasterKernels& k) {
  k.blit.copy = copySse2;
  k.blit.keyed = keyedSse2;
  k.blit.alpha = alphaSse2;
  k.blit.mix = mixSse2;
  k.blit.add = addSse2;
  k.blit.sub = subSse2;
  k.blit.addOpaque = addOpaqueSse2;
}
