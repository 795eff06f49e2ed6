// WebAssembly SIMD form of the in-place box blur and the texture overlay's row.
//
// Row y of the blur reads the row above already blurred, the row below and its
// own right neighbours unblurred, and its left neighbour just blurred:
//   V[x] = above[x-1..x+1] + below[x-1..x+1] + row[x] + row[x+1]
//   out[x] = (V[x] + out[x-1]) div 9 (each channel),
// and two steps of the chain fold into one, as nested truncating divisions do:
//   out[x+1] = (9 V[x+1] + V[x] + out[x-1]) div 81.
// Each step finds V of a pair of pixels in 16-bit lanes straight from the
// image (the column sums above + below carried from one pair to the next) and
// runs the chain in 32-bit lanes, where n div 9 = (n * 7282) >> 16 for
// n <= 2295 and n div 81 = (n * 51782) >> 22 for n <= 20655.
//
// The chain (an add, a multiplication and a shift per pair) is most of a
// step's latency, so rows go in bands of two, the lower one Lag pairs behind:
// their chains are independent and the processor runs them side by side. The
// lower row reads the upper one's pixels Lag pairs after they were stored, by
// when the stores have left the store buffer (a load that straddles two
// recent stores waits for them: a lag of one pair doubles the blur's time).
#include "raster/filter_kernels.h"
#include "raster/kernels.h"
#include "raster/simd_simd128.h"

namespace {

inline v128_t widen2(const Color32* p) { return wasm_u16x8_load8x8(p); }  // p[0], p[1]: 16-bit channels
inline v128_t widen1(const Color32* p) { return wasm_u16x8_extend_low_u8x16(wasm_v128_load32_zero(p)); }

struct BlurRow {
  const Color32* above;
  Color32* row;
  const Color32* below;
  v128_t columns;  // above + below of columns x - 1 and x (16-bit lanes)
  v128_t chain;    // out[x - 1] (32-bit lanes)
};

// Reads the first two pixels of the row above: start a row only once the row
// above has finished its first pair.
inline BlurRow startBlurRow(Color32* row, uint32_t w) {
  BlurRow r{row - w, row, row + w, {}, {}};
  r.columns = wasm_i16x8_add(widen2(r.above), widen2(r.below));
  r.chain = wasm_u32x4_extend_low_u16x8(widen1(row));
  return r;
}

// out[x] and out[x + 1]; reads columns x - 1 .. x + 2.
inline void blurPair(BlurRow& r, uint32_t x) {
  const v128_t by9 = wasm_i32x4_splat(7282), by81 = wasm_i32x4_splat(51782);
  const v128_t next = wasm_i16x8_add(widen2(r.above + x + 1), widen2(r.below + x + 1));  // x + 1, x + 2
  const v128_t middle = wasm_i64x2_shuffle(r.columns, next, 1, 2);                       // x, x + 1
  // Two loads from row[x] and row[x + 1], not one from row[x - 1]: that was
  // stored a moment ago.
  const v128_t v = wasm_i16x8_add(wasm_i16x8_add(wasm_i16x8_add(r.columns, middle), next),
                                  wasm_i16x8_add(widen2(r.row + x), widen2(r.row + x + 1)));  // V[x], V[x + 1]
  r.columns = next;
  const v128_t v0 = wasm_u32x4_extend_low_u16x8(v);
  const v128_t fold = wasm_i32x4_add(wasm_u32x4_extend_high_u16x8(wasm_i16x8_add(wasm_i16x8_shl(v, 3), v)), v0);
  const v128_t out = wasm_u32x4_shr(wasm_i32x4_mul(wasm_i32x4_add(v0, r.chain), by9), 16);
  r.chain = wasm_u32x4_shr(wasm_i32x4_mul(wasm_i32x4_add(fold, r.chain), by81), 22);
  const v128_t both = wasm_u16x8_narrow_i32x4(out, r.chain);
  wasm_v128_store64_lane(r.row + x, wasm_u8x16_narrow_i16x8(both, both), 0);
}

// The last pixel of a row with an odd number of inner pixels (x + 1 is the border).
inline void blurSingle(BlurRow& r, uint32_t x) {
  v128_t v = wasm_i16x8_add(r.columns, wasm_i64x2_shuffle(r.columns, r.columns, 1, 0));
  v = wasm_i16x8_add(v, wasm_i16x8_add(widen1(r.above + x + 1), widen1(r.below + x + 1)));
  v = wasm_i16x8_add(v, wasm_i16x8_add(widen1(r.row + x), widen1(r.row + x + 1)));
  const v128_t sum = wasm_i32x4_add(wasm_u32x4_extend_low_u16x8(v), r.chain);
  const v128_t out = wasm_u32x4_shr(wasm_i32x4_mul(sum, wasm_i32x4_splat(7282)), 16);
  const v128_t narrow = wasm_u16x8_narrow_i32x4(out, out);
  wasm_v128_store32_lane(r.row + x, wasm_u8x16_narrow_i16x8(narrow, narrow), 0);
}

constexpr uint32_t Lag = 4;

inline void blurWholeRow(Color32* row, uint32_t w, uint32_t pairs, bool odd) {
  BlurRow r = startBlurRow(row, w);
  for (uint32_t k = 0; k < pairs; ++k) blurPair(r, 1 + 2 * k);
  if (odd) blurSingle(r, w - 2);
}

void blurImageSimd128(Image img) {
  if (img.height <= 2 || img.width <= 2) return;
  const uint32_t w = uint32_t(img.width), h = uint32_t(img.height);
  const uint32_t pairs = (w - 2) / 2;
  const bool odd = ((w - 2) & 1) != 0;
  uint32_t y = 1;
  if (pairs > Lag) {
    for (; y + 2 < h; y += 2) {
      BlurRow upper = startBlurRow(img.pixels + y * w, w);
      uint32_t k = 0;
      for (; k < Lag; ++k) blurPair(upper, 1 + 2 * k);
      BlurRow lower = startBlurRow(img.pixels + (y + 1) * w, w);
      for (; k < pairs; ++k) {
        blurPair(upper, 1 + 2 * k);
        blurPair(lower, 1 + 2 * (k - Lag));
      }
      if (odd) blurSingle(upper, w - 2);
      for (k = pairs - Lag; k < pairs; ++k) blurPair(lower, 1 + 2 * k);
      if (odd) blurSingle(lower, w - 2);
    }
  }
  for (; y + 1 < h; ++y) blurWholeRow(img.pixels + y * w, w, pairs, odd);
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
