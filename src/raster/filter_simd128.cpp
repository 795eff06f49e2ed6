// WebAssembly SIMD form of the in-place box blur and the texture overlay's row.
//
// The blur works row by row as the portable one does (filter.cpp): row y reads
// the row above already blurred, the row below and its own right neighbours
// unblurred, and its left neighbour just blurred:
//   V[x] = above[x-1..x+1] + below[x-1..x+1] + row[x] + row[x+1]
//   out[x] = (V[x] + out[x-1]) div 9 (each channel),
// and two steps of the chain fold into one:
//   out[x+1] = (9 V[x+1] + V[x] + out[x-1]) div 81.
// V and W = 9 V[x+1] + V[x] (at most 20655) are found for the whole row first
// in 16-bit lanes, four pixels a step; the chain then takes one pixel per
// vector in 32-bit lanes, where n div 9 = (n * 7282) >> 16 for n <= 2295 and
// n div 81 = (n * 51782) >> 22 for n <= 20655.
#include <vector>

#include "raster/filter_kernels.h"
#include "raster/kernels.h"
#include "raster/simd_simd128.h"

namespace {

// Four 16-bit channels per column: the column sums, V and W of one row.
struct BlurRows {
  std::vector<uint16_t> column, sum, fold;
};

BlurRows& blurRows(uint32_t w) {
  static BlurRows rows;
  // Room for whole vectors past the last column.
  const size_t lanes = 4 * (size_t(w) + 8);
  if (rows.column.size() < lanes)
    for (auto* v : {&rows.column, &rows.sum, &rows.fold}) v->resize(lanes);
  return rows;
}

inline v128_t loadLow(const Color32* p) { return wasm_u16x8_load8x8(p); }  // pixels p[0], p[1] widened

void blurImageSimd128(Image img) {
  if (img.height <= 2 || img.width <= 2) return;
  const uint32_t w = uint32_t(img.width);
  BlurRows& b = blurRows(w);
  uint16_t* column = b.column.data();
  uint16_t* sum = b.sum.data();
  uint16_t* fold = b.fold.data();
  const v128_t nine = wasm_i16x8_splat(9);
  const v128_t by9 = wasm_i32x4_splat(7282), by81 = wasm_i32x4_splat(51782);
  for (uint32_t y = 1; y + 1 < uint32_t(img.height); ++y) {
    const Color32* above = img.pixels + (y - 1) * w;
    Color32* row = img.pixels + y * w;
    const Color32* below = row + w;
    uint32_t x = 0;
    for (; x + 2 <= w; x += 2) wasm_v128_store(column + 4 * x, wasm_i16x8_add(loadLow(above + x), loadLow(below + x)));
    if (x < w) {
      const v128_t a = wasm_u16x8_extend_low_u8x16(wasm_v128_load32_zero(above + x));
      const v128_t c = wasm_u16x8_extend_low_u8x16(wasm_v128_load32_zero(below + x));
      wasm_v128_store64_lane(column + 4 * x, wasm_i16x8_add(a, c), 0);
    }
    // V of columns x and x + 1 (1 <= x, x + 1 <= w - 2 for whole pairs).
    for (x = 1; x + 2 < w; x += 2) {
      const v128_t v = wasm_i16x8_add(
          wasm_i16x8_add(wasm_v128_load(column + 4 * (x - 1)), wasm_v128_load(column + 4 * x)),
          wasm_i16x8_add(wasm_v128_load(column + 4 * (x + 1)), wasm_i16x8_add(loadLow(row + x), loadLow(row + x + 1))));
      wasm_v128_store(sum + 4 * x, v);
    }
    if (x + 1 < w) {  // the last inner column alone
      v128_t v = wasm_i16x8_add(wasm_v128_load64_zero(column + 4 * (x - 1)), wasm_v128_load64_zero(column + 4 * x));
      v = wasm_i16x8_add(v, wasm_v128_load64_zero(column + 4 * (x + 1)));
      v = wasm_i16x8_add(v, wasm_u16x8_extend_low_u8x16(wasm_v128_load32_zero(row + x)));
      v = wasm_i16x8_add(v, wasm_u16x8_extend_low_u8x16(wasm_v128_load32_zero(row + x + 1)));
      wasm_v128_store64_lane(sum + 4 * x, v, 0);
    }
    // W[x] = 9 V[x + 1] + V[x] for the first column of every pair.
    for (x = 1; x + 2 < w; x += 2) {
      const v128_t v = wasm_v128_load(sum + 4 * x);  // V[x], V[x + 1]
      const v128_t f = wasm_i16x8_add(wasm_i16x8_mul(v, nine), wasm_i64x2_shuffle(v, v, 0, 0));
      wasm_v128_store64_lane(fold + 4 * x, f, 1);
    }
    v128_t chain = wasm_u32x4_extend_low_u16x8(wasm_u16x8_extend_low_u8x16(wasm_v128_load32_zero(row)));
    for (x = 1; x + 2 < w; x += 2) {
      const v128_t out =
          wasm_u32x4_shr(wasm_i32x4_mul(wasm_i32x4_add(wasm_u32x4_load16x4(sum + 4 * x), chain), by9), 16);
      chain = wasm_u32x4_shr(wasm_i32x4_mul(wasm_i32x4_add(wasm_u32x4_load16x4(fold + 4 * x), chain), by81), 22);
      const v128_t pair = wasm_u16x8_narrow_i32x4(out, chain);
      wasm_v128_store64_lane(row + x, wasm_u8x16_narrow_i16x8(pair, pair), 0);
    }
    if (x + 1 < w) {
      const v128_t out =
          wasm_u32x4_shr(wasm_i32x4_mul(wasm_i32x4_add(wasm_u32x4_load16x4(sum + 4 * x), chain), by9), 16);
      const v128_t px = wasm_u16x8_narrow_i32x4(out, out);
      wasm_v128_store32_lane(row + x, wasm_u8x16_narrow_i16x8(px, px), 0);
    }
  }
}

// Four pixels at a time; groups without a bright pixel (most of a dark
// picture) cost one test.
void brightRowSimd128(Color32* row, const Color32* texRow, const uint32_t* columns, uint32_t n) {
  const v128_t redMask = wasm_i32x4_splat(0x00FF0000), below240 = wasm_i32x4_splat(0x00EFFFFF);
  const v128_t opaque = wasm_i32x4_splat(int32_t(0xFF000000u));
  uint32_t x = 0;
  for (; x + 4 <= n; x += 4) {
    const v128_t p = wasm_v128_load(row + x);
    const v128_t bright = wasm_i32x4_gt(wasm_v128_and(p, redMask), below240);
    if (!wasm_v128_any_true(bright)) continue;
    const v128_t t = wasm_v128_or(
        wasm_u32x4_make(texRow[columns[x]], texRow[columns[x + 1]], texRow[columns[x + 2]], texRow[columns[x + 3]]),
        opaque);
    wasm_v128_store(row + x, wasm_v128_bitselect(t, p, bright));
  }
  brightRowPortable(row + x, texRow, columns + x, n - x);
}

}  // namespace

void addFilterSimd128(RasterKernels& k) {
  k.filter.blur = blurImageSimd128;
  k.filter.brightRow = brightRowSimd128;
}
