#pragma once
// Internal to the vector blurs (included only by the instruction-set files):
// one step of the in-place 3 x 3 box blur on a pair of pixels of one row, and
// the driver that runs the rows in bands.
//
// Pixel x of row y reads the row above already blurred, its own right
// neighbours and the row below unblurred, and its left neighbour just blurred:
//   V[x] = above[x-1..x+1] + below[x-1..x+1] + row[x] + row[x+1]
//   out[x] = (V[x] + out[x-1]) div 9 (each channel).
// Two steps fold into one, as nested truncating divisions do:
//   out[x+1] = (9 V[x+1] + V[x] + out[x-1]) div 81,
// so out[x] and out[x+1] both come from out[x-1]. The divisions are
// multiplications: n div 9 = (n * 7282) >> 16 for n <= 2295 and n div 81 =
// ((n * 51782) >> 16) >> 6 for n <= 20655; V <= 8 * 255 keeps within both.
// The chain value holds out[x-1] as four 16-bit channels in both halves.
#include <emmintrin.h>

#include "raster/image.h"

// Internal linkage: the files that include this are built for different
// instruction sets, so no copy of these may be shared between them.
namespace blur {
namespace {

struct Rows {
  const Color32* above;
  Color32* row;
  const Color32* below;
};

inline __m128i low64Pair(__m128i a, __m128i b) {  // a's high half, then b's low half
  return _mm_castpd_si128(_mm_shuffle_pd(_mm_castsi128_pd(a), _mm_castsi128_pd(b), 1));
}

// V[x] and V[x + 1]; reads columns x - 1 .. x + 2.
inline __m128i pairSums(const Rows& r, uint32_t x) {
  const __m128i z = _mm_setzero_si128();
  __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r.above + x - 1));
  __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r.below + x - 1));
  // Two loads from row[x] and row[x + 1], not one from row[x - 1]: that was
  // stored a moment ago, and a load overlapping a recent store would wait for
  // it on every step.
  __m128i m0 = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(r.row + x)), z);  // x, x+1
  __m128i m1 = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(r.row + x + 1)), z);
  __m128i csLo = _mm_add_epi16(_mm_unpacklo_epi8(t, z), _mm_unpacklo_epi8(b, z));  // columns x-1, x
  __m128i csHi = _mm_add_epi16(_mm_unpackhi_epi8(t, z), _mm_unpackhi_epi8(b, z));  // columns x+1, x+2
  __m128i v = _mm_add_epi16(_mm_add_epi16(csLo, csHi), low64Pair(csLo, csHi));
  return _mm_add_epi16(v, _mm_add_epi16(m0, m1));
}

// out[x], out[x + 1] from V[x], V[x + 1]; stores both.
inline void pairStep(const Rows& r, uint32_t x, __m128i& chain) {
  const __m128i nineHigh = _mm_setr_epi16(0, 0, 0, 0, 9, 9, 9, 9);
  const __m128i magic =
      _mm_setr_epi16(7282, 7282, 7282, 7282, int16_t(51782), int16_t(51782), int16_t(51782), int16_t(51782));
  __m128i v = pairSums(r, x);
  __m128i vv = _mm_add_epi16(_mm_mullo_epi16(v, nineHigh), _mm_unpacklo_epi64(v, v));  // V[x], 9 V[x+1] + V[x]
  __m128i q = _mm_mulhi_epu16(_mm_add_epi16(chain, vv), magic);
  __m128i q81 = _mm_srli_epi16(q, 6);
  chain = _mm_shuffle_epi32(q81, _MM_SHUFFLE(3, 2, 3, 2));
  __m128i both = _mm_castpd_si128(_mm_move_sd(_mm_castsi128_pd(q81), _mm_castsi128_pd(q)));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(r.row + x), _mm_packus_epi16(both, both));
}

inline __m128i unpack1(const Color32* p) {
  return _mm_unpacklo_epi8(_mm_cvtsi32_si128(int32_t(*p)), _mm_setzero_si128());
}

// The last pixel of a row with an odd number of inner pixels (x + 1 is the border).
inline void singleStep(const Rows& r, uint32_t x, __m128i& chain) {
  __m128i v = _mm_add_epi16(unpack1(r.row + x), unpack1(r.row + x + 1));
  for (uint32_t i = x - 1; i <= x + 1; ++i)
    v = _mm_add_epi16(v, _mm_add_epi16(unpack1(r.above + i), unpack1(r.below + i)));
  __m128i q = _mm_mulhi_epu16(_mm_add_epi16(chain, v), _mm_set1_epi16(7282));
  chain = _mm_unpacklo_epi64(q, q);
  r.row[x] = Color32(_mm_cvtsi128_si32(_mm_packus_epi16(q, q)));
}

inline __m128i startChain(const Color32* row) {
  __m128i c = unpack1(row);
  return _mm_unpacklo_epi64(c, c);
}

// Rows are blurred in bands of several rows at once, each row some steps
// behind the one above: row r + 1 needs row r blurred up to one column past
// its own position. Lag steps keep the rows' chains independent enough for the
// processor to run them side by side.
constexpr int32_t Lag = 4;

enum StepKind { NoStep, PairStep, SingleStep };

inline StepKind stepKind(int64_t k, uint32_t pairs, bool odd) {
  if (k < 0) return NoStep;
  if (k < int64_t(pairs)) return PairStep;
  if (odd && k == int64_t(pairs)) return SingleStep;
  return NoStep;
}

// The in-place blur, Band rows at a time, row i of a band Lag steps behind
// row i - 1. Once every row of a full band takes pair steps, fullBand(r, chain,
// k, pairs) runs them on to k = pairs in the instruction set's own registers.
template <uint32_t Band, class FullBand>
inline void blurInBands(Image img, FullBand fullBand) {
  if (img.height <= 2 || img.width <= 2) return;
  const uint32_t w = uint32_t(img.width), h = uint32_t(img.height);
  const uint32_t pairs = (w - 2) / 2;
  const bool odd = ((w - 2) & 1) != 0;
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
      fullBand(r, chain, k, pairs);
    }
    for (; k < steps; ++k)
      for (uint32_t i = 0; i < rows; ++i) stepRow(i, k - int64_t(i) * Lag);
  }
}

}  // namespace
}  // namespace blur
