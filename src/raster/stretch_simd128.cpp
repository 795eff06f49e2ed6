// WebAssembly SIMD span kernels of the stretched and rotated blits: four
// samples per step, the colour arithmetic of simd_simd128.h.
#include "raster/simd_simd128.h"
#include "raster/stretch_rows.h"

namespace {

using simd128::combine4;

template <StretchMode Mode>
void stretchRowSimd128(Color32* dst, const Color32* srcRow, const uint32_t* cols, uint32_t n, Color32 key) {
  const v128_t keyV = wasm_i32x4_splat(int32_t(key));
  uint32_t j = 0;
  for (; j + 4 <= n; j += 4)
    combine4<Mode>(
        dst + j, wasm_u32x4_make(srcRow[cols[j]], srcRow[cols[j + 1]], srcRow[cols[j + 2]], srcRow[cols[j + 3]]), keyV);
  stretchRowFrom<Mode>(j, dst, srcRow, cols, n, key);
}

template <StretchMode Mode>
void spanSimd128(Color32* dst, const Color32* row, uint32_t n, Color32 key) {
  const v128_t keyV = wasm_i32x4_splat(int32_t(key));
  uint32_t j = 0;
  for (; j + 4 <= n; j += 4) combine4<Mode>(dst + j, simd128::load(row + j), keyV);
  spanFrom<Mode>(j, dst, row, n, key);
}

template <StretchMode Mode>
void rotateRowSimd128(Color32* dst, const Color32* src, int32_t srcWidth, int32_t col0, uint32_t n, const RotateRow& r,
                      Color32 key) {
  const v128_t s = wasm_f32x4_splat(r.s), c = wasm_f32x4_splat(r.c), cx = wasm_f32x4_splat(r.cx);
  const v128_t cy = wasm_f32x4_splat(r.cy), fyC = wasm_f32x4_splat(r.fyC), fyS = wasm_f32x4_splat(r.fyS);
  const v128_t keyV = wasm_i32x4_splat(int32_t(key)), four = wasm_i32x4_splat(4);
  const v128_t width = wasm_i32x4_splat(srcWidth);
  v128_t col = wasm_i32x4_add(wasm_i32x4_splat(col0), wasm_i32x4_make(0, 1, 2, 3));
  uint32_t k = 0;
  for (; k + 4 <= n; k += 4) {
    // The same single-precision steps as the scalar code, four columns at
    // once; nearest rounds ties to even like rint, and every sample is inside
    // the source, so the conversion after it is exact.
    const v128_t fx = wasm_f32x4_sub(wasm_f32x4_convert_i32x4(col), cx);
    const v128_t sx =
        wasm_i32x4_trunc_sat_f32x4(wasm_f32x4_nearest(wasm_f32x4_add(wasm_f32x4_sub(wasm_f32x4_mul(fx, s), fyC), cx)));
    const v128_t sy =
        wasm_i32x4_trunc_sat_f32x4(wasm_f32x4_nearest(wasm_f32x4_add(wasm_f32x4_add(wasm_f32x4_mul(fx, c), fyS), cy)));
    const v128_t at = wasm_i32x4_add(wasm_i32x4_mul(sy, width), sx);
    const v128_t p = wasm_u32x4_make(src[wasm_u32x4_extract_lane(at, 0)], src[wasm_u32x4_extract_lane(at, 1)],
                                     src[wasm_u32x4_extract_lane(at, 2)], src[wasm_u32x4_extract_lane(at, 3)]);
    combine4<Mode>(dst + k, p, keyV);
    col = wasm_i32x4_add(col, four);
  }
  rotateRowFrom<Mode>(k, dst, src, srcWidth, col0, n, r, key);
}

}  // namespace

void addStretchSimd128(RasterKernels& k) {
  k.stretch.row[StretchKeyed] = stretchRowSimd128<StretchKeyed>;
  k.stretch.row[StretchAlpha] = stretchRowSimd128<StretchAlpha>;
  k.stretch.row[StretchAdd] = stretchRowSimd128<StretchAdd>;
  k.stretch.span[StretchKeyed] = spanSimd128<StretchKeyed>;
  k.stretch.span[StretchAlpha] = spanSimd128<StretchAlpha>;
  k.stretch.span[StretchAdd] = spanSimd128<StretchAdd>;
  k.stretch.rotateRow[StretchCopy] = rotateRowSimd128<StretchCopy>;
  k.stretch.rotateRow[StretchKeyed] = rotateRowSimd128<StretchKeyed>;
  k.stretch.rotateRow[StretchAdd] = rotateRowSimd128<StretchAdd>;
}
