#pragma once
// Internal to the AVX2 kernels: the per-channel colour arithmetic on eight
// pixels at once, exactly the pixels of the scalar routines in image.h (16-bit
// lanes, all terms below 65536).
#include <immintrin.h>

#include "raster/kernels.h"

// Internal linkage: nothing here may be shared with files built for another
// instruction set.
namespace avx2 {
namespace {

inline __m256i load(const Color32* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
inline void store(Color32* p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }

// Lanes equal to key keep old: a blend and a full store, as masked stores are
// slow on some processors.
inline __m256i keyed(__m256i p, __m256i old, __m256i key) {
  return _mm256_blendv_epi8(p, old, _mm256_cmpeq_epi32(p, key));
}

// blendColors(s, d): r, g, b = (s * a + d * (255 - a)) >> 8, alpha = a of s.
inline __m256i blend(__m256i s, __m256i d) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i all255 = _mm256_set1_epi16(255);
  // Alpha of each pixel in all four 16-bit lanes of its unpacked form.
  const __m256i alphaLo = _mm256_setr_epi8(3, -1, 3, -1, 3, -1, 3, -1, 7, -1, 7, -1, 7, -1, 7, -1, 3, -1, 3, -1, 3, -1,
                                           3, -1, 7, -1, 7, -1, 7, -1, 7, -1);
  const __m256i alphaHi = _mm256_setr_epi8(11, -1, 11, -1, 11, -1, 11, -1, 15, -1, 15, -1, 15, -1, 15, -1, 11, -1, 11,
                                           -1, 11, -1, 11, -1, 15, -1, 15, -1, 15, -1, 15, -1);
  __m256i aLo = _mm256_shuffle_epi8(s, alphaLo), aHi = _mm256_shuffle_epi8(s, alphaHi);
  __m256i sLo = _mm256_unpacklo_epi8(s, zero), sHi = _mm256_unpackhi_epi8(s, zero);
  __m256i dLo = _mm256_unpacklo_epi8(d, zero), dHi = _mm256_unpackhi_epi8(d, zero);
  __m256i rLo = _mm256_add_epi16(_mm256_mullo_epi16(sLo, aLo), _mm256_mullo_epi16(dLo, _mm256_sub_epi16(all255, aLo)));
  __m256i rHi = _mm256_add_epi16(_mm256_mullo_epi16(sHi, aHi), _mm256_mullo_epi16(dHi, _mm256_sub_epi16(all255, aHi)));
  __m256i rgb = _mm256_packus_epi16(_mm256_srli_epi16(rLo, 8), _mm256_srli_epi16(rHi, 8));
  return _mm256_blendv_epi8(rgb, s, _mm256_set1_epi32(int32_t(0xFF000000u)));
}

inline __m256i add(__m256i s, __m256i d) { return _mm256_adds_epu8(s, d); }  // addColors(s, d)
inline __m256i sub(__m256i s, __m256i d) { return _mm256_subs_epu8(s, d); }  // subColors(s, d)

// dst[0..7] op= p, by the stretch modes.
template <StretchMode Mode>
inline void combine8(Color32* dst, __m256i p, __m256i key) {
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
}  // namespace avx2
