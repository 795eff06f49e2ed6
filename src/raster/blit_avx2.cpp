// AVX2 span kernels of the whole-image blits and the pixel runs: eight pixels
// per step, the last 1..7 through masked loads and stores (lanes past the end
// are neither read nor written), so no scalar colour routine is needed here.
// Where the pixels allow it a step is cheaper than the general formula:
// a keyed step whose eight source pixels are all key leaves the destination
// alone, one without key stores the source without reading the destination;
// an additive step of eight transparent black pixels leaves the destination
// alone (addColors(0, d) = d); an alpha step whose eight alphas are all 0
// stores max(d - 1, 0) per colour byte with alpha 0, all 255 stores
// max(s - 1, 0) with alpha 255 ((v * 255) >> 8 is v - 1 for v >= 1), which is
// blendColors exactly, without the multiplications.
#include "raster/simd_avx2.h"

namespace {

using avx2::blend;
using avx2::load;
using avx2::store;

// Lanes 0 .. left - 1 set, for the last left (1..7) pixels of a span.
inline __m256i tailMask(uint32_t left) {
  return _mm256_cmpgt_epi32(_mm256_set1_epi32(int32_t(left)), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
}
inline __m256i loadTail(const Color32* p, __m256i mask) {
  return _mm256_maskload_epi32(reinterpret_cast<const int*>(p), mask);
}
inline void storeTail(Color32* p, __m256i mask, __m256i v) {
  _mm256_maskstore_epi32(reinterpret_cast<int*>(p), mask, v);
}

inline __m256i alphaBytes() { return _mm256_set1_epi32(int32_t(0xFF000000u)); }
inline __m256i colourOnes() { return _mm256_set1_epi32(0x00010101); }

// Eight pixels through a function of (source, destination); the tail masked.
template <typename Op>
inline void eachStep(Color32* d, const Color32* s, uint32_t n, Op op) {
  uint32_t i = 0;
  for (; i + 8 <= n; i += 8) store(d + i, op(load(s + i), load(d + i)));
  if (i < n) {
    const __m256i mask = tailMask(n - i);
    storeTail(d + i, mask, op(loadTail(s + i, mask), loadTail(d + i, mask)));
  }
}

void keyedAvx2(Color32* d, const Color32* s, uint32_t n, Color32 key) {
  const __m256i k = _mm256_set1_epi32(int32_t(key));
  uint32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i v = load(s + i);
    const __m256i isKey = _mm256_cmpeq_epi32(v, k);
    const int keyed = _mm256_movemask_ps(_mm256_castsi256_ps(isKey));
    if (keyed == 0xFF) continue;
    if (keyed == 0) {
      store(d + i, v);
      continue;
    }
    store(d + i, avx2::keyed(v, load(d + i), k));
  }
  if (i < n) {
    const __m256i mask = tailMask(n - i);
    const __m256i v = loadTail(s + i, mask);
    storeTail(d + i, _mm256_andnot_si256(_mm256_cmpeq_epi32(v, k), mask), v);
  }
}

void alphaAvx2(Color32* d, const Color32* s, uint32_t n) {
  const __m256i alpha = alphaBytes(), ones = colourOnes();
  uint32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i v = load(s + i);
    const __m256i a = _mm256_and_si256(v, alpha);
    if (_mm256_testz_si256(v, alpha)) {  // all transparent: the destination darkens by one step
      store(d + i, _mm256_andnot_si256(alpha, _mm256_subs_epu8(load(d + i), ones)));
    } else if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(a, alpha)) == -1) {  // all opaque: the source, one step darker
      store(d + i, _mm256_subs_epu8(v, ones));
    } else {
      store(d + i, blend(v, load(d + i)));
    }
  }
  if (i < n) {
    const __m256i mask = tailMask(n - i);
    storeTail(d + i, mask, blend(loadTail(s + i, mask), loadTail(d + i, mask)));
  }
}

// (a x + b y) >> 8 on 16-bit lanes; the sum is at most 255 * 255.
inline __m256i weigh(__m256i a, __m256i x, __m256i b, __m256i y) {
  return _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(a, x), _mm256_mullo_epi16(b, y)), 8);
}

void mixAvx2(Color32* d, const Color32* s, uint32_t n, uint8_t t) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i wt = _mm256_set1_epi16(int16_t(t)), wu = _mm256_set1_epi16(int16_t(255 - t));
  eachStep(d, s, n, [&](__m256i sv, __m256i dv) {
    const __m256i lo = weigh(_mm256_unpacklo_epi8(sv, zero), wt, _mm256_unpacklo_epi8(dv, zero), wu);
    const __m256i hi = weigh(_mm256_unpackhi_epi8(sv, zero), wt, _mm256_unpackhi_epi8(dv, zero), wu);
    return _mm256_packus_epi16(lo, hi);
  });
}

void addAvx2(Color32* d, const Color32* s, uint32_t n) {
  uint32_t i = 0;
  // Sixteen pixels a step: half the branches over the runs of transparent black.
  for (; i + 16 <= n; i += 16) {
    const __m256i v = load(s + i), w = load(s + i + 8);
    const __m256i any = _mm256_or_si256(v, w);
    if (_mm256_testz_si256(any, any)) continue;
    const __m256i dv = load(d + i), dw = load(d + i + 8);
    store(d + i, avx2::add(v, dv));
    store(d + i + 8, avx2::add(w, dw));
  }
  for (; i + 8 <= n; i += 8) {
    const __m256i v = load(s + i);
    if (_mm256_testz_si256(v, v)) continue;
    store(d + i, avx2::add(v, load(d + i)));
  }
  if (i < n) {
    const __m256i mask = tailMask(n - i);
    storeTail(d + i, mask, avx2::add(loadTail(s + i, mask), loadTail(d + i, mask)));
  }
}

void subAvx2(Color32* d, const Color32* s, uint32_t n) {
  eachStep(d, s, n, [](__m256i sv, __m256i dv) { return avx2::sub(sv, dv); });
}

void addOpaqueAvx2(Color32* d, const Color32* s, uint32_t n) {
  const __m256i alpha = alphaBytes();
  eachStep(d, s, n, [&](__m256i sv, __m256i dv) { return _mm256_or_si256(avx2::add(sv, dv), alpha); });
}

void fadeAvx2(Color32* p, uint32_t n) {
  const __m256i alpha = alphaBytes(), ones = colourOnes();
  eachStep(p, p, n, [&](__m256i v, __m256i) { return _mm256_or_si256(_mm256_subs_epu8(v, ones), alpha); });
}

void opaqueAvx2(const Color32* s, Color32* d, uint32_t n) {
  const __m256i alpha = alphaBytes();
  eachStep(d, s, n, [&](__m256i sv, __m256i) { return _mm256_or_si256(sv, alpha); });
}

void keyBlackAvx2(Color32* p, uint32_t n) {
  const __m256i colour = _mm256_set1_epi32(0x00FFFFFF), alpha = alphaBytes();
  eachStep(p, p, n, [&](__m256i v, __m256i) {
    const __m256i rgb = _mm256_and_si256(v, colour);
    return _mm256_andnot_si256(_mm256_cmpeq_epi32(rgb, _mm256_setzero_si256()), _mm256_or_si256(rgb, alpha));
  });
}

}  // namespace

void addBlitAvx2(RasterKernels& k) {
  k.blit.keyed = keyedAvx2;
  k.blit.alpha = alphaAvx2;
  k.blit.mix = mixAvx2;
  k.blit.add = addAvx2;
  k.blit.sub = subAvx2;
  k.blit.addOpaque = addOpaqueAvx2;
}

void addRunAvx2(RasterKernels& k) {
  k.run.fade = fadeAvx2;
  k.run.opaque = opaqueAvx2;
  k.run.keyBlack = keyBlackAvx2;
}
