// NEON form of the in-place box blur and the texture overlay's row (aarch64).
//
// The blur takes the steps of the x86 kernels (blur_steps.h), a pair of pixels
// of one row at a time: pixel x reads the row above already blurred, its own
// right neighbours and the row below unblurred, and its left neighbour just
// blurred:
//   V[x] = above[x-1..x+1] + below[x-1..x+1] + row[x] + row[x+1]
//   out[x] = (V[x] + out[x-1]) div 9,  out[x+1] = (9 V[x+1] + V[x] + out[x-1]) div 81
// (per channel). n div 9 = (n * 7282) >> 16 for n <= 2295, n div 81 =
// ((n * 51782) >> 16) >> 6 for n <= 20655; V <= 8 * 255 keeps within both.
// The chain holds out[x-1] as four 16-bit channels in both halves.
#include <arm_neon.h>

#include "raster/filter_kernels.h"
#include "raster/kernels.h"

namespace {

inline uint16x8_t widen(const Color32* p) { return vmovl_u8(vld1_u8(reinterpret_cast<const uint8_t*>(p))); }
inline uint16x4_t widen1(Color32 c) { return vget_low_u16(vmovl_u8(vcreate_u8(c))); }

// (n * m) >> 16 per 16-bit lane, as an unsigned high multiply.
inline uint16x8_t mulHigh(uint16x8_t n, uint16x8_t m) {
  return vcombine_u16(vshrn_n_u32(vmull_u16(vget_low_u16(n), vget_low_u16(m)), 16),
                      vshrn_n_u32(vmull_high_u16(n, m), 16));
}

// out[x], out[x + 1]; stores both.
inline void pairStep(const Color32* above, Color32* row, const Color32* below, uint32_t x, uint16x8_t& chain) {
  const uint16_t nineHighLanes[8] = {0, 0, 0, 0, 9, 9, 9, 9};
  const uint16_t magicLanes[8] = {7282, 7282, 7282, 7282, 51782, 51782, 51782, 51782};
  const uint8x16_t t = vld1q_u8(reinterpret_cast<const uint8_t*>(above + x - 1));
  const uint8x16_t b = vld1q_u8(reinterpret_cast<const uint8_t*>(below + x - 1));
  const uint16x8_t csLo = vaddl_u8(vget_low_u8(t), vget_low_u8(b));  // columns x-1, x
  const uint16x8_t csHi = vaddl_high_u8(t, b);                       // columns x+1, x+2
  uint16x8_t v = vaddq_u16(vaddq_u16(csLo, csHi), vextq_u16(csLo, csHi, 4));
  v = vaddq_u16(v, vaddq_u16(widen(row + x), widen(row + x + 1)));
  const uint16x8_t vv = vmlaq_u16(vcombine_u16(vget_low_u16(v), vget_low_u16(v)), v, vld1q_u16(nineHighLanes));
  const uint16x8_t q = mulHigh(vaddq_u16(chain, vv), vld1q_u16(magicLanes));
  const uint16x4_t q81 = vshr_n_u16(vget_high_u16(q), 6);
  chain = vcombine_u16(q81, q81);
  vst1_u8(reinterpret_cast<uint8_t*>(row + x), vqmovn_u16(vcombine_u16(vget_low_u16(q), q81)));
}

// The last pixel of a row with an odd number of inner pixels (x + 1 is the border).
inline void singleStep(const Color32* above, Color32* row, const Color32* below, uint32_t x, uint16x8_t& chain) {
  uint16x4_t v = vadd_u16(widen1(row[x]), widen1(row[x + 1]));
  for (uint32_t i = x - 1; i <= x + 1; ++i) v = vadd_u16(v, vadd_u16(widen1(above[i]), widen1(below[i])));
  const uint16x4_t q = vshrn_n_u32(vmull_u16(vadd_u16(vget_low_u16(chain), v), vdup_n_u16(7282)), 16);
  chain = vcombine_u16(q, q);
  row[x] = vget_lane_u32(vreinterpret_u32_u8(vqmovn_u16(vcombine_u16(q, q))), 0);
}

void blurImageNeon(Image img) {
  if (img.height <= 2 || img.width <= 2) return;
  const uint32_t w = uint32_t(img.width), h = uint32_t(img.height);
  const uint32_t pairs = (w - 2) / 2;
  for (uint32_t y = 1; y + 1 < h; ++y) {
    Color32* row = img.pixels + y * w;
    const Color32* above = row - w;
    const Color32* below = row + w;
    const uint16x4_t first = widen1(row[0]);
    uint16x8_t chain = vcombine_u16(first, first);
    for (uint32_t k = 0; k < pairs; ++k) pairStep(above, row, below, 1 + 2 * k, chain);
    if (((w - 2) & 1) != 0) singleStep(above, row, below, w - 2, chain);
  }
}

// Four pixels at a time; groups without a bright pixel (most of a dark
// picture) cost one comparison.
void brightRowNeon(Color32* row, const Color32* texRow, const uint32_t* columns, uint32_t n) {
  const uint32x4_t redMask = vdupq_n_u32(0x00FF0000u), bright240 = vdupq_n_u32(0x00F00000u);
  const uint32x4_t opaque = vdupq_n_u32(0xFF000000u);
  uint32_t x = 0;
  for (; x + 4 <= n; x += 4) {
    const uint32x4_t p = vld1q_u32(row + x);
    const uint32x4_t bright = vcgeq_u32(vandq_u32(p, redMask), bright240);
    if (vmaxvq_u32(bright) == 0) continue;
    uint32x4_t t = vdupq_n_u32(texRow[columns[x]]);
    t = vsetq_lane_u32(texRow[columns[x + 1]], t, 1);
    t = vsetq_lane_u32(texRow[columns[x + 2]], t, 2);
    t = vsetq_lane_u32(texRow[columns[x + 3]], t, 3);
    vst1q_u32(row + x, vbslq_u32(bright, vorrq_u32(t, opaque), p));
  }
  brightRowPortable(row + x, texRow, columns + x, n - x);
}

}  // namespace

void addFilterNeon(RasterKernels& k) {
  k.filter.blur = blurImageNeon;
  k.filter.brightRow = brightRowNeon;
}
