// WebAssembly SIMD kernel of the polygon filler's rows: four pixels a step.
// Each lane keeps its own running sums: lane j of a step holds pixel i + j, and
// the next step's lane adds the step four times, one addition at a time, which
// is exactly the scalar sequence z_(i+j+4) = (((z_(i+j) + dz) + dz) + dz) + dz.
#include "raster/depthspan.h"
#include "raster/simd_simd128.h"

namespace {

inline v128_t fourSteps(v128_t x, v128_t d) {
  return wasm_f32x4_add(wasm_f32x4_add(wasm_f32x4_add(wasm_f32x4_add(x, d), d), d), d);
}

// The first four running sums, in single like the scalar loop.
inline v128_t firstFour(float x, float d) {
  const float x1 = x + d, x2 = x1 + d, x3 = x2 + d;
  return wasm_f32x4_make(x, x1, x2, x3);
}

void texturedSpanSimd128(Color32* dst, float* depth, uint32_t n, const DepthSpan& s, Image texture, Color32 key) {
  // The texel's index is found as a real (below): exact while the texture
  // holds fewer than 2^23 texels; larger ones take the literal loop.
  if (n < 4 || texture.width < 1 || texture.height < 1 ||
      int64_t(texture.width) * int64_t(texture.height) >= (int64_t(1) << 23)) {
    depthSpanLiteral(dst, depth, n, s, texture, key);
    return;
  }
  const v128_t dz = wasm_f32x4_splat(s.dz), dw = wasm_f32x4_splat(s.dw);
  const v128_t du = wasm_f32x4_splat(s.du), dv = wasm_f32x4_splat(s.dv);
  const v128_t texW = wasm_f32x4_splat(s.texW), texH = wasm_f32x4_splat(s.texH);
  // Rounded coordinates are whole numbers (or NaN): inside is 0 <= x < width
  // compared as reals, which also puts NaN and every value beyond 32 bits
  // outside, as the scalar conversion's INT32_MIN does.
  const v128_t width = wasm_f32x4_splat(float(texture.width)), height = wasm_f32x4_splat(float(texture.height));
  const v128_t stride = wasm_f32x4_splat(float(texture.width));
  // y * width + x of whole numbers below 2^23 is exact; adding 2^23 puts it in
  // the low 23 bits of the real's pattern, which is one instruction where the
  // saturating conversion takes several.
  const v128_t magic = wasm_f32x4_splat(8388608.0f);
  const v128_t zero = wasm_f32x4_splat(0.0f), one = wasm_f32x4_splat(1.0f);
  const v128_t keyV = wasm_i32x4_splat(int32_t(key));
  const Color32* texels = texture.pixels;
  v128_t z = firstFour(s.z, s.dz), w = firstFour(s.w, s.dw), u = firstFour(s.u, s.du), v = firstFour(s.v, s.dv);
  uint32_t k = 0;
  for (; k + 4 <= n; k += 4) {
    const v128_t old = wasm_v128_load(depth + k);
    const v128_t nearer = wasm_f32x4_lt(z, old);
    if (wasm_v128_any_true(nearer)) {
      const v128_t q = wasm_f32x4_div(one, w);
      const v128_t fx = wasm_f32x4_nearest(wasm_f32x4_mul(texW, wasm_f32x4_mul(u, q)));
      const v128_t fy = wasm_f32x4_nearest(wasm_f32x4_mul(texH, wasm_f32x4_mul(v, q)));
      const v128_t inside = wasm_v128_and(wasm_v128_and(wasm_f32x4_ge(fx, zero), wasm_f32x4_lt(fx, width)),
                                          wasm_v128_and(wasm_f32x4_ge(fy, zero), wasm_f32x4_lt(fy, height)));
      // Lanes outside read texel 0 and then give 0.
      const v128_t at = wasm_v128_and(
          wasm_i32x4_sub(wasm_f32x4_add(wasm_f32x4_add(wasm_f32x4_mul(fy, stride), fx), magic), magic), inside);
      const v128_t c =
          wasm_v128_and(wasm_u32x4_make(texels[wasm_u32x4_extract_lane(at, 0)], texels[wasm_u32x4_extract_lane(at, 1)],
                                        texels[wasm_u32x4_extract_lane(at, 2)], texels[wasm_u32x4_extract_lane(at, 3)]),
                        inside);
      const v128_t drawn = wasm_v128_andnot(nearer, wasm_i32x4_eq(c, keyV));
      simd128::store(dst + k, wasm_v128_bitselect(c, simd128::load(dst + k), drawn));
      wasm_v128_store(depth + k, wasm_v128_bitselect(z, old, nearer));
    }
    z = fourSteps(z, dz);
    w = fourSteps(w, dw);
    u = fourSteps(u, du);
    v = fourSteps(v, dv);
  }
  if (k == n) return;
  const DepthSpan rest = {wasm_f32x4_extract_lane(z, 0),
                          wasm_f32x4_extract_lane(w, 0),
                          wasm_f32x4_extract_lane(u, 0),
                          wasm_f32x4_extract_lane(v, 0),
                          s.dz,
                          s.dw,
                          s.du,
                          s.dv,
                          s.texW,
                          s.texH};
  depthSpanLiteral(dst + k, depth + k, n - k, rest, texture, key);
}

}  // namespace

void addPolygonSimd128(RasterKernels& k) { k.polygon.texturedSpan = texturedSpanSimd128; }
