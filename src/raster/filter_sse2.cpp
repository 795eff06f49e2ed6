// SSE2 form of the in-place box blur (x86-64 baseline): bands of two rows,
// each with its own chain along the row (see blur_steps.h).
#include "raster/blur_steps.h"
#include "raster/filter_kernels.h"
#include "raster/kernels.h"

namespace {

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
      if (kind == PairStep)
        pairStep(r[i], 1 + 2 * uint32_t(kr), chain[i]);
      else if (kind == SingleStep)
        singleStep(r[i], w - 2, chain[i]);
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

// Four pixels at a time; groups without a bright pixel (most of a dark
// picture) cost one comparison.
void brightRowSse2(Color32* row, const Color32* texRow, const uint32_t* columns, uint32_t n) {
  const __m128i redMask = _mm_set1_epi32(0x00FF0000), below240 = _mm_set1_epi32(0x00EFFFFF);
  const __m128i opaque = _mm_set1_epi32(int32_t(0xFF000000u));
  uint32_t x = 0;
  for (; x + 4 <= n; x += 4) {
    __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
    __m128i bright = _mm_cmpgt_epi32(_mm_and_si128(p, redMask), below240);
    if (_mm_movemask_epi8(bright) == 0) continue;
    __m128i t = _mm_setr_epi32(int32_t(texRow[columns[x]]), int32_t(texRow[columns[x + 1]]),
                               int32_t(texRow[columns[x + 2]]), int32_t(texRow[columns[x + 3]]));
    t = _mm_or_si128(t, opaque);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x),
                     _mm_or_si128(_mm_and_si128(bright, t), _mm_andnot_si128(bright, p)));
  }
  brightRowPortable(row + x, texRow, columns + x, n - x);
}

}  // namespace

void addFilterSse2(RasterKernels& k) {
  k.filter.blur = blurImageSse2;
  k.filter.brightRow = brightRowSse2;
}
