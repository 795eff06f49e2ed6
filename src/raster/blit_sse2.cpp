// SSE2 row kernels: four pixels per step, the colour arithmetic on byte lanes
// widened to 16 bits where it multiplies. Tails go through the scalar colour
// routines. Every kernel gives exactly the pixels of its reference.
#include <emmintrin.h>

#include "raster/kernels.h"

namespace {

inline __m128i load(const Color32* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void store(Color32* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

void copySse2(Color32* d, const Color32* s, uint32_t n) {
  uint32_t i = 0;
  for (; i + 16 <= n; i += 16) {
    __m128i a = load(s + i), b = load(s + i + 4), c = load(s + i + 8), e = load(s + i + 12);
    store(d + i, a);
    store(d + i + 4, b);
    store(d + i + 8, c);
    store(d + i + 12, e);
  }
  for (; i + 4 <= n; i += 4) store(d + i, load(s + i));
  for (; i < n; ++i) d[i] = s[i];
}

// Branch-free: keyed lanes store back the old destination pixel.
void keyedSse2(Color32* d, const Color32* s, uint32_t n, Color32 key) {
  const __m128i k = _mm_set1_epi32(int32_t(key));
  uint32_t i = 0;
  for (; i + 4 <= n; i += 4) {
    __m128i v = load(s + i);
    __m128i skip = _mm_cmpeq_epi32(v, k);
    __m128i old = load(d + i);
    store(d + i, _mm_or_si128(_mm_and_si128(skip, old), _mm_andnot_si128(skip, v)));
  }
  for (; i < n; ++i)
    if (s[i] != key) d[i] = s[i];
}

// (a * x + b * y) >> 8 on 16-bit lanes; the sum is at most 255 * 255.
inline __m128i weigh(__m128i a, __m128i x, __m128i b, __m128i y) {
  return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(a, x), _mm_mullo_epi16(b, y)), 8);
}

void mixSse2(Color32* d, const Color32* s, uint32_t n, uint8_t t) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i wt = _mm_set1_epi16(int16_t(t)), wu = _mm_set1_epi16(int16_t(255 - t));
  uint32_t i = 0;
  for (; i + 4 <= n; i += 4) {
    __m128i sv = load(s + i), dv = load(d + i);
    __m128i lo = weigh(_mm_unpacklo_epi8(sv, zero), wt, _mm_unpacklo_epi8(dv, zero), wu);
    __m128i hi = weigh(_mm_unpackhi_epi8(sv, zero), wt, _mm_unpackhi_epi8(dv, zero), wu);
    store(d + i, _mm_packus_epi16(lo, hi));
  }
  for (; i < n; ++i) d[i] = mixColors(s[i], d[i], t);
}

// Two pixels on 16-bit lanes (b, g, r, a each): their alphas spread to all four.
inline __m128i spreadAlpha(__m128i px) {
  return _mm_shufflehi_epi16(_mm_shufflelo_epi16(px, _MM_SHUFFLE(3, 3, 3, 3)), _MM_SHUFFLE(3, 3, 3, 3));
}

void alphaSse2(Color32* d, const Color32* s, uint32_t n) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i full = _mm_set1_epi16(255);
  const __m128i alphaByte = _mm_set1_epi32(int32_t(0xFF000000u));
  uint32_t i = 0;
  for (; i + 4 <= n; i += 4) {
    __m128i sv = load(s + i), dv = load(d + i);
    __m128i slo = _mm_unpacklo_epi8(sv, zero), shi = _mm_unpackhi_epi8(sv, zero);
    __m128i alo = spreadAlpha(slo), ahi = spreadAlpha(shi);
    __m128i lo = weigh(slo, alo, _mm_unpacklo_epi8(dv, zero), _mm_sub_epi16(full, alo));
    __m128i hi = weigh(shi, ahi, _mm_unpackhi_epi8(dv, zero), _mm_sub_epi16(full, ahi));
    __m128i rgb = _mm_andnot_si128(alphaByte, _mm_packus_epi16(lo, hi));
    store(d + i, _mm_or_si128(rgb, _mm_and_si128(sv, alphaByte)));  // alpha of the source
  }
  for (; i < n; ++i) d[i] = blendColors(s[i], d[i]);
}

void addSse2(Color32* d, const Color32* s, uint32_t n) {
  uint32_t i = 0;
  for (; i + 4 <= n; i += 4) store(d + i, _mm_adds_epu8(load(s + i), load(d + i)));
  for (; i < n; ++i) d[i] = addColors(s[i], d[i]);
}

void subSse2(Color32* d, const Color32* s, uint32_t n) {
  uint32_t i = 0;
  for (; i + 4 <= n; i += 4) store(d + i, _mm_subs_epu8(load(s + i), load(d + i)));
  for (; i < n; ++i) d[i] = subColors(s[i], d[i]);
}

void addOpaqueSse2(Color32* d, const Color32* s, uint32_t n) {
  const __m128i alphaByte = _mm_set1_epi32(int32_t(0xFF000000u));
  uint32_t i = 0;
  for (; i + 4 <= n; i += 4) store(d + i, _mm_or_si128(_mm_adds_epu8(load(s + i), load(d + i)), alphaByte));
  for (; i < n; ++i) d[i] = addColors(s[i], d[i]) | 0xFF000000u;
}

}  // namespace

void addBlitSse2(RasterKernels& k) {
  k.blit.copy = copySse2;
  k.blit.keyed = keyedSse2;
  k.blit.alpha = alphaSse2;
  k.blit.mix = mixSse2;
  k.blit.add = addSse2;
  k.blit.sub = subSse2;
  k.blit.addOpaque = addOpaqueSse2;
}
