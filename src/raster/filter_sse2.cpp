// SSE2 form of the in-place box blur (x86-64 baseline): bands of two rows,
// each with its own chain along the row (see blur_steps.h).
#if defined(__x86_64__) || defined(__i386__)
#include "raster/blur_steps.h"
#include "raster/filter_kernels.h"

void blurImageSse2(Image img) {
  using namespace blur;
  if (img.height <= 2 || img.width <= 2) return;
  const uint32_t w = uint32_t(img.width), h = uint32_t(img.height);
  const uint32_t pairs = (w - 2) / 2;
  const bool odd = ((w - 2) & 1) != 0;
  constexpr uint32_t Band = 2;
  for (uint32_t y = 1; y + 1 < h; y += Band) {
    const uint32_t rows = (h - 1 - y) < Band ? (h - 1 - y) : Band;
    Rows r[Band];
    __m128i chain[Band];
    for (uint32_t i = 0; i < rows; ++i) {
      r[i].row = img.pixels + (y + i) * w;
      r[i].above = r[i].row - w;
      r[i].below = r[i].row + w;
      chain[i] = startChain(r[i].row);
    }
    auto stepRow = [&](uint32_t i, int64_t kr) {
      StepKind kind = stepKind(kr, pairs, odd);
      if (kind == PairStep) pairStep(r[i], 1 + 2 * uint32_t(kr), chain[i]);
      else if (kind == SingleStep) singleStep(r[i], w - 2, chain[i]);
    };
    const int64_t steps = int64_t(pairs) + (odd ? 1 : 0) + int64_t(rows - 1) * Lag;
    int64_t k = 0;
    if (rows == Band) {
      for (; k < int64_t(Band - 1) * Lag && k < steps; ++k)
        for (uint32_t i = 0; i < Band; ++i) stepRow(i, k - int64_t(i) * Lag);
      // Both rows take pair steps: the two chains side by side in registers.
      __m128i c0 = chain[0], c1 = chain[1];
      for (; k < int64_t(pairs); ++k) {
        uint32_t x = 1 + 2 * uint32_t(k);
        pairStep(r[0], x, c0);
        pairStep(r[1], x - 2 * Lag, c1);
      }
      chain[0] = c0, chain[1] = c1;
    }
    for (; k < steps; ++k)
      for (uint32_t i = 0; i < rows; ++i) stepRow(i, k - int64_t(i) * Lag);
  }
}
#endif
