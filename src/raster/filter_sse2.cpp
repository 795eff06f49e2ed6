// SSE2 form of the in-place box blur (x86-64 baseline): bands of two rows,
// each with its own chain along the row (see blur_steps.h).
#include "raster/blur_steps.h"
#include "raster/filter_kernels.h"
#include "raster/kernels.h"

namespace {

void blurImageSse2(Image img) {
  using namespace blur;
  // Both rows take pair steps: the two chains side by side in registers.
  blurInBands<2>(img, [](Rows* r, __m128i* chain, int64_t& k, uint32_t pairs) {
    __m128i c0 = chain[0], c1 = chain[1];
    for (; k < int64_t(pairs); ++k) {
      uint32_t x = 1 + 2 * uint32_t(k);
      pairStep(r[0], x, c0);
      pairStep(r[1], x - 2 * Lag, c1);
    }
    chain[0] = c0, chain[1] = c1;
  });
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
