// NEON span kernels of the stretched and rotated blits (aarch64): four
// samples per step, the colour arithmetic of simd_neon.h.
#include "raster/simd_neon.h"
#include "raster/stretch_rows.h"

namespace {

using neon::combine4;
using neon::gather;

template <StretchMode Mode>
void stretchRowNeon(Color32* dst, const Color32* srcRow, const uint32_t* cols, uint32_t n, Color32 key) {
  const uint32x4_t keyV = vdupq_n_u32(key);
  uint32_t j = 0;
  for (; j + 4 <= n; j += 4)
    combine4<Mode>(dst + j, gather(srcRow, cols[j], cols[j + 1], cols[j + 2], cols[j + 3]), keyV);
  stretchRowFrom<Mode>(j, dst, srcRow, cols, n, key);
}

template <StretchMode Mode>
void spanNeon(Color32* dst, const Color32* row, uint32_t n, Color32 key) {
  const uint32x4_t keyV = vdupq_n_u32(key);
  uint32_t j = 0;
  for (; j + 4 <= n; j += 4) combine4<Mode>(dst + j, neon::load(row + j), keyV);
  spanFrom<Mode>(j, dst, row, n, key);
}

template <StretchMode Mode>
void rotateRowNeon(Color32* dst, const Color32* src, int32_t srcWidth, int32_t col0, uint32_t n, const RotateRow& r,
                   Color32 key) {
  const float32x4_t s = vdupq_n_f32(r.s), c = vdupq_n_f32(r.c), cx = vdupq_n_f32(r.cx), cy = vdupq_n_f32(r.cy);
  const float32x4_t fyC = vdupq_n_f32(r.fyC), fyS = vdupq_n_f32(r.fyS);
  const uint32x4_t keyV = vdupq_n_u32(key);
  const int32_t lanes[4] = {0, 1, 2, 3};
  int32x4_t col = vaddq_s32(vdupq_n_s32(col0), vld1q_s32(lanes));
  const uint32x4_t w = vdupq_n_u32(uint32_t(srcWidth));
  uint32_t k = 0;
  for (; k + 4 <= n; k += 4) {
    // The same single-precision steps as the scalar code, four columns at once
    // (separate multiplies and adds: the build never fuses them); fcvtns
    // rounds to nearest even. Every sample is inside the source, so no
    // conversion is out of range.
    const float32x4_t fx = vsubq_f32(vcvtq_f32_s32(col), cx);
    const int32x4_t sx = vcvtnq_s32_f32(vaddq_f32(vsubq_f32(vmulq_f32(fx, s), fyC), cx));
    const int32x4_t sy = vcvtnq_s32_f32(vaddq_f32(vaddq_f32(vmulq_f32(fx, c), fyS), cy));
    const uint32x4_t at = vmlaq_u32(vreinterpretq_u32_s32(sx), vreinterpretq_u32_s32(sy), w);
    const uint32x4_t p =
        gather(src, vgetq_lane_u32(at, 0), vgetq_lane_u32(at, 1), vgetq_lane_u32(at, 2), vgetq_lane_u32(at, 3));
    combine4<Mode>(dst + k, p, keyV);
    col = vaddq_s32(col, vdupq_n_s32(4));
  }
  rotateRowFrom<Mode>(k, dst, src, srcWidth, col0, n, r, key);
}

}  // namespace

void addStretchNeon(RasterKernels& k) {
  k.stretch.row[StretchKeyed] = stretchRowNeon<StretchKeyed>;
  k.stretch.row[StretchAlpha] = stretchRowNeon<StretchAlpha>;
  k.stretch.row[StretchAdd] = stretchRowNeon<StretchAdd>;
  k.stretch.span[StretchKeyed] = spanNeon<StretchKeyed>;
  k.stretch.span[StretchAlpha] = spanNeon<StretchAlpha>;
  k.stretch.span[StretchAdd] = spanNeon<StretchAdd>;
  k.stretch.rotateRow[StretchCopy] = rotateRowNeon<StretchCopy>;
  k.stretch.rotateRow[StretchKeyed] = rotateRowNeon<StretchKeyed>;
  k.stretch.rotateRow[StretchAdd] = rotateRowNeon<StretchAdd>;
}
