// AVX2 form of the in-place box blur: bands of four rows; each 256-bit chain
// carries two rows at once, one per 128-bit half, with the steps of
// blur_steps.h.
#include <immintrin.h>

#include "raster/blur_steps.h"
#include "raster/filter_kernels.h"
#include "raster/kernels.h"

namespace {

using blur::Rows;

inline __m256i load2x16(const Color32* hi, const Color32* lo) {
  return _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(hi), reinterpret_cast<const __m128i*>(lo));
}
inline __m256i load2x8(const Color32* hi, const Color32* lo) {
  return _mm256_set_m128i(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(hi)),
                          _mm_loadl_epi64(reinterpret_cast<const __m128i*>(lo)));
}
inline __m256i low64Pair(__m256i a, __m256i b) {  // per half: a's high quarter, then b's low quarter
  return _mm256_castpd_si256(_mm256_shuffle_pd(_mm256_castsi256_pd(a), _mm256_castsi256_pd(b), 0x5));
}

// blur::pairStep on row a at column xa (low half) and row b at column xb (high half).
inline void pairStep2(const Rows& a, uint32_t xa, const Rows& b, uint32_t xb, __m256i& chain) {
  const __m256i z = _mm256_setzero_si256();
  __m256i t = load2x16(b.above + xb - 1, a.above + xa - 1);
  __m256i u = load2x16(b.below + xb - 1, a.below + xa - 1);
  __m256i m0 = _mm256_unpacklo_epi8(load2x8(b.row + xb, a.row + xa), z);
  __m256i m1 = _mm256_unpacklo_epi8(load2x8(b.row + xb + 1, a.row + xa + 1), z);
  __m256i csLo = _mm256_add_epi16(_mm256_unpacklo_epi8(t, z), _mm256_unpacklo_epi8(u, z));
  __m256i csHi = _mm256_add_epi16(_mm256_unpackhi_epi8(t, z), _mm256_unpackhi_epi8(u, z));
  __m256i v = _mm256_add_epi16(_mm256_add_epi16(csLo, csHi), low64Pair(csLo, csHi));
  v = _mm256_add_epi16(v, _mm256_add_epi16(m0, m1));

  const __m256i nineHigh = _mm256_setr_epi16(0, 0, 0, 0, 9, 9, 9, 9, 0, 0, 0, 0, 9, 9, 9, 9);
  const __m256i magic =
      _mm256_setr_epi16(7282, 7282, 7282, 7282, int16_t(51782), int16_t(51782), int16_t(51782), int16_t(51782), 7282,
                        7282, 7282, 7282, int16_t(51782), int16_t(51782), int16_t(51782), int16_t(51782));
  __m256i vv = _mm256_add_epi16(_mm256_mullo_epi16(v, nineHigh), _mm256_unpacklo_epi64(v, v));
  __m256i q = _mm256_mulhi_epu16(_mm256_add_epi16(chain, vv), magic);
  __m256i q81 = _mm256_srli_epi16(q, 6);
  chain = _mm256_shuffle_epi32(q81, _MM_SHUFFLE(3, 2, 3, 2));
  __m256i both = _mm256_castpd_si256(_mm256_blend_pd(_mm256_castsi256_pd(q81), _mm256_castsi256_pd(q), 0x5));
  __m256i packed = _mm256_packus_epi16(both, both);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(a.row + xa), _mm256_castsi256_si128(packed));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(b.row + xb), _mm256_extracti128_si256(packed, 1));
}

void blurImageAvx2(Image img) {
  using namespace blur;
  // All four rows take pair steps: two 256-bit chains of two rows each.
  blurInBands<4>(img, [](Rows* r, __m128i* chain, int64_t& k, uint32_t pairs) {
    __m256i c01 = _mm256_set_m128i(chain[1], chain[0]);
    __m256i c23 = _mm256_set_m128i(chain[3], chain[2]);
    for (; k < int64_t(pairs); ++k) {
      uint32_t x = 1 + 2 * uint32_t(k);
      pairStep2(r[0], x, r[1], x - 2 * Lag, c01);
      pairStep2(r[2], x - 4 * Lag, r[3], x - 6 * Lag, c23);
    }
    chain[0] = _mm256_castsi256_si128(c01), chain[1] = _mm256_extracti128_si256(c01, 1);
    chain[2] = _mm256_castsi256_si128(c23), chain[3] = _mm256_extracti128_si256(c23, 1);
  });
}

// Eight pixels at a time, the texture pixels gathered only for groups with a
// bright pixel.
void brightRowAvx2(Color32* row, const Color32* texRow, const uint32_t* columns, uint32_t n) {
  const __m256i redMask = _mm256_set1_epi32(0x00FF0000), below240 = _mm256_set1_epi32(0x00EFFFFF);
  const __m256i opaque = _mm256_set1_epi32(int32_t(0xFF000000u));
  const int* base = reinterpret_cast<const int*>(texRow);
  uint32_t x = 0;
  for (; x + 8 <= n; x += 8) {
    __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + x));
    __m256i bright = _mm256_cmpgt_epi32(_mm256_and_si256(p, redMask), below240);
    if (_mm256_testz_si256(bright, bright)) continue;
    __m256i idx = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(columns + x));
    __m256i t = _mm256_or_si256(_mm256_i32gather_epi32(base, idx, 4), opaque);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + x), _mm256_blendv_epi8(p, t, bright));
  }
  brightRowPortable(row + x, texRow, columns + x, n - x);
}

}  // namespace

void addFilterAvx2(RasterKernels& k) {
  k.filter.blur = blurImageAvx2;
  k.filter.brightRow = brightRowAvx2;
}
