#pragma once
// Internal to the SSE2 kernels: the per-channel colour arithmetic on four
// pixels at once. Each gives exactly the pixels of its scalar routine in
// image.h: the products are widened to 16-bit lanes, where every product and
// sum stays below 65536.
#include <emmintrin.h>

#include "raster/kernels.h"

// Internal linkage: nothing here may be shared with files built for another
// instruction set.
namespace sse2 {
namespace {

inline __m128i load(const Color32* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void store(Color32* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// Branch-free: lanes equal to key keep old.
inline __m128i keyed(__m128i p, __m128i old, __m128i key) {
  __m128i skip = _mm_cmpeq_epi32(p, key);
  return _mm_or_si128(_mm_and_si128(skip, old), _mm_andnot_si128(skip, p));
}

// (a * x + b * y) >> 8 on 16-bit lanes; the sum is at most 255 * 255.
inline __m128i weigh(__m128i a, __m128i x, __m128i b, __m128i y) {
  return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(a, x), _mm_mullo_epi16(b, y)), 8);
}

// mixColors(s, d, t) with t and 255 - t in every 16-bit lane of wt and wu.
inline __m128i mix(__m128i s, __m128i d, __m128i wt, __m128i wu) {
  const __m128i zero = _mm_setzero_si128();
  __m128i lo = weigh(_mm_unpacklo_epi8(s, zero), wt, _mm_unpacklo_epi8(d, zero), wu);
  __m128i hi = weigh(_mm_unpackhi_epi8(s, zero), wt, _mm_unpackhi_epi8(d, zero), wu);
  return _mm_packus_epi16(lo, hi);
}

// Two pixels on 16-bit lanes (b, g, r, a each): their alphas spread to all four.
inline __m128i spreadAlpha(__m128i px) {
  return _mm_shufflehi_epi16(_mm_shufflelo_epi16(px, _MM_SHUFFLE(3, 3, 3, 3)), _MM_SHUFFLE(3, 3, 3, 3));
}

// blendColors(s, d): r, g, b = (s * a + d * (255 - a)) >> 8, alpha = a of s.
inline __m128i blend(__m128i s, __m128i d) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i full = _mm_set1_epi16(255);
  const __m128i alphaByte = _mm_set1_epi32(int32_t(0xFF000000u));
  __m128i slo = _mm_unpacklo_epi8(s, zero), shi = _mm_unpackhi_epi8(s, zero);
  __m128i alo = spreadAlpha(slo), ahi = spreadAlpha(shi);
  __m128i lo = weigh(slo, alo, _mm_unpacklo_epi8(d, zero), _mm_sub_epi16(full, alo));
  __m128i hi = weigh(shi, ahi, _mm_unpackhi_epi8(d, zero), _mm_sub_epi16(full, ahi));
  __m128i rgb = _mm_andnot_si128(alphaByte, _mm_packus_epi16(lo, hi));
  return _mm_or_si128(rgb, _mm_and_si128(s, alphaByte));
}

inline __m128i add(__m128i s, __m128i d) { return _mm_adds_epu8(s, d); }  // addColors(s, d)
inline __m128i sub(__m128i s, __m128i d) { return _mm_subs_epu8(s, d); }  // subColors(s, d)

// dst[0..3] op= p, by the stretch modes.
template <StretchMode Mode>
inline void combine4(Color32* dst, __m128i p, __m128i key) {
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
}  // namespace sse2
