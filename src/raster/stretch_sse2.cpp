// SSE2 span kernels of the stretched and rotated blits (x86-64 baseline):
// four samples per step, the colour arithmetic of simd_sse2.h.
#include "raster/simd_sse2.h"
#include "raster/stretch_rows.h"

namespace {

using sse2::combine4;

template <StretchMode Mode>
void stretchRowSse2(Color32* dst, const Color32* srcRow, const uint32_t* cols, uint32_t n, Color32 key) {
  const __m128i keyV = _mm_set1_epi32(int32_t(key));
  uint32_t j = 0;
  for (; j + 4 <= n; j += 4) {
    __m128i p = _mm_setr_epi32(int32_t(srcRow[cols[j]]), int32_t(srcRow[cols[j + 1]]), int32_t(srcRow[cols[j + 2]]),
                               int32_t(srcRow[cols[j + 3]]));
    combine4<Mode>(dst + j, p, keyV);
  }
  stretchRowFrom<Mode>(j, dst, srcRow, cols, n, key);
}

template <StretchMode Mode>
void spanSse2(Color32* dst, const Color32* row, uint32_t n, Color32 key) {
  const __m128i keyV = _mm_set1_epi32(int32_t(key));
  uint32_t j = 0;
  for (; j + 4 <= n; j += 4) combine4<Mode>(dst + j, sse2::load(row + j), keyV);
  spanFrom<Mode>(j, dst, row, n, key);
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
    combine4<Mode>(dst + k, p, keyV);
    col = _mm_add_epi32(col, four);
  }
  rotateRowFrom<Mode>(k, dst, src, srcWidth, col0, n, r, key);
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
