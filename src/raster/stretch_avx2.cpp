// AVX2 span kernels of the stretched and rotated blits: eight samples per step
// through the gather instruction.
#include <immintrin.h>

#include "raster/kernels.h"

namespace {

// blendColors on eight pixels; 16-bit lanes are exact (all terms below 65536).
inline __m256i blend8(__m256i s, __m256i d) {
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

template <StretchMode Mode>
inline void store8(Color32* dst, __m256i p, __m256i key) {
  __m256i* d = reinterpret_cast<__m256i*>(dst);
  if constexpr (Mode == StretchCopy) {
    _mm256_storeu_si256(d, p);
  } else if constexpr (Mode == StretchKeyed) {
    // A blend and a full store: masked stores are slow on some processors.
    __m256i isKey = _mm256_cmpeq_epi32(p, key);
    _mm256_storeu_si256(d, _mm256_blendv_epi8(p, _mm256_loadu_si256(d), isKey));
  } else if constexpr (Mode == StretchAlpha) {
    _mm256_storeu_si256(d, blend8(p, _mm256_loadu_si256(d)));
  } else {
    _mm256_storeu_si256(d, _mm256_adds_epu8(p, _mm256_loadu_si256(d)));
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
void stretchRowAvx2(Color32* dst, const Color32* srcRow, const uint32_t* cols, uint32_t n, Color32 key) {
  const __m256i keyV = _mm256_set1_epi32(int32_t(key));
  const int* base = reinterpret_cast<const int*>(srcRow);
  uint32_t j = 0;
  for (; j + 8 <= n; j += 8) {
    __m256i idx = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(cols + j));
    store8<Mode>(dst + j, _mm256_i32gather_epi32(base, idx, 4), keyV);
  }
  for (; j < n; ++j) combine1<Mode>(dst[j], srcRow[cols[j]], key);
}

template <StretchMode Mode>
void spanAvx2(Color32* dst, const Color32* row, uint32_t n, Color32 key) {
  const __m256i keyV = _mm256_set1_epi32(int32_t(key));
  uint32_t j = 0;
  for (; j + 8 <= n; j += 8) store8<Mode>(dst + j, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + j)), keyV);
  for (; j < n; ++j) combine1<Mode>(dst[j], row[j], key);
}

template <StretchMode Mode>
void rotateRowAvx2(Color32* dst, const Color32* src, int32_t srcWidth, int32_t col0, uint32_t n, const RotateRow& r,
                   Color32 key) {
  const __m256 s = _mm256_set1_ps(r.s), c = _mm256_set1_ps(r.c);
  const __m256 cx = _mm256_set1_ps(r.cx), cy = _mm256_set1_ps(r.cy);
  const __m256 fyC = _mm256_set1_ps(r.fyC), fyS = _mm256_set1_ps(r.fyS);
  const __m256i width = _mm256_set1_epi32(srcWidth);
  const __m256i keyV = _mm256_set1_epi32(int32_t(key));
  const __m256i eight = _mm256_set1_epi32(8);
  const int* base = reinterpret_cast<const int*>(src);
  __m256i col = _mm256_add_epi32(_mm256_set1_epi32(col0), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
  uint32_t k = 0;
  for (; k + 8 <= n; k += 8) {
    // The scalar single-precision steps, eight columns at once (no fused
    // multiply-add); vcvtps2dq rounds to nearest even like cvtss2si.
    __m256 fx = _mm256_sub_ps(_mm256_cvtepi32_ps(col), cx);
    __m256i sx = _mm256_cvtps_epi32(_mm256_add_ps(_mm256_sub_ps(_mm256_mul_ps(fx, s), fyC), cx));
    __m256i sy = _mm256_cvtps_epi32(_mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(fx, c), fyS), cy));
    // Images hold fewer than 2^30 pixels, so the index fits a signed lane.
    __m256i idx = _mm256_add_epi32(_mm256_mullo_epi32(sy, width), sx);
    store8<Mode>(dst + k, _mm256_i32gather_epi32(base, idx, 4), keyV);
    col = _mm256_add_epi32(col, eight);
  }
  for (; k < n; ++k) {
    float fx = float(col0 + int32_t(k)) - r.cx;
    int32_t sx = _mm_cvtss_si32(_mm_set_ss(((fx * r.s) - r.fyC) + r.cx));
    int32_t sy = _mm_cvtss_si32(_mm_set_ss(((fx * r.c) + r.fyS) + r.cy));
    combine1<Mode>(dst[k], src[uint32_t(sy) * uint32_t(srcWidth) + uint32_t(sx)], key);
  }
}

}  // namespace

void addStretchAvx2(RasterKernels& k) {
  k.stretch.row[StretchKeyed] = stretchRowAvx2<StretchKeyed>;
  k.stretch.row[StretchAlpha] = stretchRowAvx2<StretchAlpha>;
  k.stretch.row[StretchAdd] = stretchRowAvx2<StretchAdd>;
  k.stretch.span[StretchKeyed] = spanAvx2<StretchKeyed>;
  k.stretch.span[StretchAlpha] = spanAvx2<StretchAlpha>;
  k.stretch.span[StretchAdd] = spanAvx2<StretchAdd>;
  k.stretch.rotateRow[StretchCopy] = rotateRowAvx2<StretchCopy>;
  k.stretch.rotateRow[StretchKeyed] = rotateRowAvx2<StretchKeyed>;
  k.stretch.rotateRow[StretchAdd] = rotateRowAvx2<StretchAdd>;
}
