// SSE2 span kernels of the stretched and rotated blits (x86-64 baseline).
#include <emmintrin.h>

#include "raster/kernels.h"

namespace {

// blendColors on four pixels: r, g, b = (s * a + d * (255 - a)) >> 8, alpha = a.
// Every product and sum stays below 65536, so 16-bit lanes are exact.
inline __m128i blend4(__m128i s, __m128i d) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i all255 = _mm_set1_epi16(255);
  __m128i a = _mm_srli_epi32(s, 24);
  a = _mm_or_si128(a, _mm_slli_epi32(a, 16));  // a in both 16-bit halves of each pixel
  __m128i aLo = _mm_shuffle_epi32(a, _MM_SHUFFLE(1, 1, 0, 0));
  __m128i aHi = _mm_shuffle_epi32(a, _MM_SHUFFLE(3, 3, 2, 2));
  __m128i sLo = _mm_unpacklo_epi8(s, zero), sHi = _mm_unpackhi_epi8(s, zero);
  __m128i dLo = _mm_unpacklo_epi8(d, zero), dHi = _mm_unpackhi_epi8(d, zero);
  __m128i rLo = _mm_add_epi16(_mm_mullo_epi16(sLo, aLo), _mm_mullo_epi16(dLo, _mm_sub_epi16(all255, aLo)));
  __m128i rHi = _mm_add_epi16(_mm_mullo_epi16(sHi, aHi), _mm_mullo_epi16(dHi, _mm_sub_epi16(all255, aHi)));
  __m128i rgb = _mm_packus_epi16(_mm_srli_epi16(rLo, 8), _mm_srli_epi16(rHi, 8));
  const __m128i alphaMask = _mm_set1_epi32(int32_t(0xFF000000u));
  return _mm_or_si128(_mm_andnot_si128(alphaMask, rgb), _mm_and_si128(alphaMask, s));
}

template <StretchMode Mode>
inline void store4(Color32* dst, __m128i p, __m128i key) {
  __m128i* d = reinterpret_cast<__m128i*>(dst);
  if constexpr (Mode == StretchCopy) {
    _mm_storeu_si128(d, p);
  } else {
    __m128i old = _mm_loadu_si128(d);
    __m128i r;
    if constexpr (Mode == StretchKeyed) {
      __m128i isKey = _mm_cmpeq_epi32(p, key);
      r = _mm_or_si128(_mm_and_si128(isKey, old), _mm_andnot_si128(isKey, p));
    } else if constexpr (Mode == StretchAlpha) {
      r = blend4(p, old);
    } else {
      r = _mm_adds_epu8(p, old);
    }
    _mm_storeu_si128(d, r);
  }
}

template <StretchMode Mode>
inline void combine1(Color32& d, Color32 p, Color32 key) {
  if constexpr (Mode == StretchCopy) d = p;
  if constexpr (Mode == StretchKeyed) {
    if (p != key) d = p;
  }
  if constexpr (Mode == StretchAlpha) d = blendColors(p, d);
  if constexpr (Mode == StretchAdd) d = addColors(p, d);
}

template <StretchMode Mode>
void stretchRowSse2(Color32* dst, const Color32* srcRow, const uint32_t* cols, uint32_t n, Color32 key) {
  __m128i keyV = _mm_set1_epi32(int32_t(key));
  uint32_t j = 0;
  for (; j + 4 <= n; j += 4) {
    __m128i p = _mm_setr_epi32(int32_t(srcRow[cols[j]]), int32_t(srcRow[cols[j + 1]]), int32_t(srcRow[cols[j + 2]]),
                               int32_t(srcRow[cols[j + 3]]));
    store4<Mode>(dst + j, p, keyV);
  }
  for (; j < n; ++j) combine1<Mode>(dst[j], srcRow[cols[j]], key);
}

template <StretchMode Mode>
void spanSse2(Color32* dst, const Color32* row, uint32_t n, Color32 key) {
  const __m128i keyV = _mm_set1_epi32(int32_t(key));
  uint32_t j = 0;
  for (; j + 4 <= n; j += 4) store4<Mode>(dst + j, _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + j)), keyV);
  for (; j < n; ++j) combine1<Mode>(dst[j], row[j], key);
}

template <StretchMode Mode>
void rotateRowSse2(Color32* dst, const Color32* src, int32_t srcWidth, int32_t col0, uint32_t n, const RotateRow& r,
                   Color32 key) {
  const __m128 s = _mm_set1_ps(r.s), c = _mm_set1_ps(r.c), cx = _mm_set1_ps(r.cx), cy = _mm_set1_ps(r.cy);
  const __m128 fyC = _mm_set1_ps(r.fyC), fyS = _mm_set1_ps(r.fyS);
  const __m128i keyV = _mm_set1_epi32(int32_t(key));
  const __m128i four = _mm_set1_epi32(4);
  __m128i col = _mm_add_epi32(_mm_set1_epi32(col0), _mm_setr_epi32(0, 1, 2, 3));
  uint32_t k = 0;
  for (; k + 4 <= n; k += 4) {
    // The same single-precision steps as the scalar code, four columns at once;
    // cvtps2dq rounds to nearest even like cvtss2si.
    __m128 fx = _mm_sub_ps(_mm_cvtepi32_ps(col), cx);
    __m128i sx = _mm_cvtps_epi32(_mm_add_ps(_mm_sub_ps(_mm_mul_ps(fx, s), fyC), cx));
    __m128i sy = _mm_cvtps_epi32(_mm_add_ps(_mm_add_ps(_mm_mul_ps(fx, c), fyS), cy));
    alignas(16) uint32_t sxv[4], syv[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(sxv), sx);
    _mm_store_si128(reinterpret_cast<__m128i*>(syv), sy);
    const uint32_t w = uint32_t(srcWidth);
    __m128i p = _mm_setr_epi32(int32_t(src[syv[0] * w + sxv[0]]), int32_t(src[syv[1] * w + sxv[1]]),
                               int32_t(src[syv[2] * w + sxv[2]]), int32_t(src[syv[3] * w + sxv[3]]));
    store4<Mode>(dst + k, p, keyV);
    col = _mm_add_epi32(col, four);
  }
  for (; k < n; ++k) {
    float fx = float(col0 + int32_t(k)) - r.cx;
    int32_t sx = _mm_cvtss_si32(_mm_set_ss(((fx * r.s) - r.fyC) + r.cx));
    int32_t sy = _mm_cvtss_si32(_mm_set_ss(((fx * r.c) + r.fyS) + r.cy));
    combine1<Mode>(dst[k], src[uint32_t(sy) * uint32_t(srcWidth) + uint32_t(sx)], key);
  }
}

}  // namespace

void addStretchSse2(RasterKernels& k) {
  k.stretch.row[StretchKeyed] = stretchRowSse2<StretchKeyed>;
  k.stretch.row[StretchAlpha] = stretchRowSse2<StretchAlpha>;
  k.stretch.row[StretchAdd] = stretchRowSse2<StretchAdd>;
  k.stretch.span[StretchKeyed] = spanSse2<StretchKeyed>;
  k.stretch.span[StretchAlpha] = spanSse2<StretchAlpha>;
  k.stretch.span[StretchAdd] = spanSse2<StretchAdd>;
  k.stretch.rotateRow[StretchCopy] = rotateRowSse2<StretchCopy>;
  k.stretch.rotateRow[StretchKeyed] = rotateRowSse2<StretchKeyed>;
  k.stretch.rotateRow[StretchAdd] = rotateRowSse2<StretchAdd>;
}
