// SSE2 row kernels of the blits: four pixels per step with the arithmetic of
// simd_sse2.h. Tails go through the scalar colour routines. Every kernel gives
// exactly the pixels of its reference.
#include "raster/simd_sse2.h"

namespace {

using namespace sse2;

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

void keyedSse2(Color32* d, const Color32* s, uint32_t n, Color32 key) {
  const __m128i k = _mm_set1_epi32(int32_t(key));
  uint32_t i = 0;
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

void alphaSse2(Color32* d, const Color32* s, uint32_t n) {
  uint32_t i = 0;
  for (; i + 4 <= n; i += 4) store(d + i, blend(load(s + i), load(d + i)));
  for (; i < n; ++i) d[i] = blendColors(s[i], d[i]);
}

void addSse2(Color32* d, const Color32* s, uint32_t n) {
  uint32_t i = 0;
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
  for (; i + 4 <= n; i += 4) store(d + i, _mm_or_si128(add(load(s + i), load(d + i)), alphaByte));
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
