// AVX2 span kernels of the stretched and rotated blits: eight samples per step
// through the gather instruction, the colour arithmetic of simd_avx2.h.
#include "raster/simd_avx2.h"
#include "raster/stretch_rows.h"

namespace {

using avx2::combine8;

template <StretchMode Mode>
void stretchRowAvx2(Color32* dst, const Color32* srcRow, const uint32_t* cols, uint32_t n, Color32 key) {
  const __m256i keyV = _mm256_set1_epi32(int32_t(key));
  const int* base = reinterpret_cast<const int*>(srcRow);
  uint32_t j = 0;
  for (; j + 8 <= n; j += 8) {
    __m256i idx = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(cols + j));
    combine8<Mode>(dst + j, _mm256_i32gather_epi32(base, idx, 4), keyV);
  }
  stretchRowFrom<Mode>(j, dst, srcRow, cols, n, key);
}

template <StretchMode Mode>
void spanAvx2(Color32* dst, const Color32* row, uint32_t n, Color32 key) {
  const __m256i keyV = _mm256_set1_epi32(int32_t(key));
  uint32_t j = 0;
  for (; j + 8 <= n; j += 8) combine8<Mode>(dst + j, avx2::load(row + j), keyV);
  spanFrom<Mode>(j, dst, row, n, key);
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
    combine8<Mode>(dst + k, _mm256_i32gather_epi32(base, idx, 4), keyV);
    col = _mm256_add_epi32(col, eight);
  }
  rotateRowFrom<Mode>(k, dst, src, srcWidth, col0, n, r, key);
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
