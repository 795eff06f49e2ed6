// SSE2 form of the in-place box blur (x86-64 baseline).
#if defined(__x86_64__) || defined(__i386__)
#include <emmintrin.h>

#include "raster/filter_kernels.h"

namespace {

inline __m128i unpack2(const Color32* p) {  // two pixels as eight 16-bit lanes
  return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), _mm_setzero_si128());
}
inline __m128i load2(const uint64_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

}  // namespace

// Per row: columnSum[x] = above[x] + below[x] (above already blurred), then
// V[x] = columnSum[x - 1 .. x + 1] + row[x] + row[x + 1], every part of the
// nine-pixel sum except the left neighbour, which has just been blurred:
//   out[x] = (V[x] + out[x - 1]) div 9.
// Two steps of this chain fold into one, as nested truncating divisions do:
//   out[x + 1] = (9 V[x + 1] + V[x] + out[x - 1]) div 81,
// so out[x] and out[x + 1] both come from out[x - 1]. The divisions are
// multiplications: n div 9 = (n * 7282) >> 16 for n <= 2295, n div 81 =
// ((n * 51782) >> 16) >> 6 for n <= 20655; V <= 8 * 255 keeps within both.
void blurImageSse2(Image img) {
  if (img.height <= 2 || img.width <= 2) return;
  const uint32_t w = uint32_t(img.width);
  uint64_t* columnSum = blurRowBuffer(2 * w + 2);
  uint64_t* sums = columnSum + w + 1;  // V[x] at sums[x]; sums[w - 1] stays free for the pair load
  const __m128i nineHigh = _mm_setr_epi16(0, 0, 0, 0, 9, 9, 9, 9);
  const __m128i magic = _mm_setr_epi16(7282, 7282, 7282, 7282, int16_t(51782), int16_t(51782), int16_t(51782),
                                       int16_t(51782));
  const __m128i magic9 = _mm_set1_epi16(7282);
  for (uint32_t y = 1; y + 1 < uint32_t(img.height); ++y) {
    Color32* above = img.pixels + (y - 1) * w;
    Color32* row = above + w;
    const Color32* below = row + w;
    uint32_t x = 0;
    for (; x + 2 <= w; x += 2)
      _mm_storeu_si128(reinterpret_cast<__m128i*>(columnSum + x), _mm_add_epi16(unpack2(above + x), unpack2(below + x)));
    for (; x < w; ++x) {
      __m128i a = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int32_t(above[x])), _mm_setzero_si128());
      __m128i b = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int32_t(below[x])), _mm_setzero_si128());
      _mm_storel_epi64(reinterpret_cast<__m128i*>(columnSum + x), _mm_add_epi16(a, b));
    }
    // V for x = 1 .. w - 2, two at a time (reads up to columnSum[w - 1], row[w - 1]).
    for (x = 1; x + 3 <= w; x += 2) {
      __m128i v = _mm_add_epi16(_mm_add_epi16(load2(columnSum + x - 1), load2(columnSum + x)),
                                _mm_add_epi16(load2(columnSum + x + 1), unpack2(row + x)));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + x), _mm_add_epi16(v, unpack2(row + x + 1)));
    }
    if (x + 2 == w) {  // one V left
      __m128i m = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + x)), _mm_setzero_si128());
      __m128i mNext = _mm_srli_si128(m, 8);
      __m128i v = _mm_add_epi16(_mm_add_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(columnSum + x - 1)),
                                              _mm_loadl_epi64(reinterpret_cast<const __m128i*>(columnSum + x))),
                                _mm_add_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(columnSum + x + 1)),
                                              _mm_add_epi16(m, mNext)));
      _mm_storel_epi64(reinterpret_cast<__m128i*>(sums + x), v);
    }
    // The chain, two pixels per step; prev holds out[x - 1] in both halves.
    __m128i prev = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int32_t(row[0])), _mm_setzero_si128());
    prev = _mm_unpacklo_epi64(prev, prev);
    for (x = 1; x + 3 <= w; x += 2) {
      __m128i l = load2(sums + x);                              // V[x], V[x + 1]
      __m128i vv = _mm_add_epi16(_mm_mullo_epi16(l, nineHigh), _mm_unpacklo_epi64(l, l));  // V[x], 9 V[x+1] + V[x]
      __m128i q = _mm_mulhi_epu16(_mm_add_epi16(prev, vv), magic);
      __m128i q81 = _mm_srli_epi16(q, 6);
      prev = _mm_shuffle_epi32(q81, _MM_SHUFFLE(3, 2, 3, 2));
      __m128i both = _mm_castpd_si128(_mm_move_sd(_mm_castsi128_pd(q81), _mm_castsi128_pd(q)));
      _mm_storel_epi64(reinterpret_cast<__m128i*>(row + x), _mm_packus_epi16(both, both));
    }
    if (x + 2 == w) {
      __m128i v = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(sums + x));
      __m128i q = _mm_mulhi_epu16(_mm_add_epi16(prev, v), magic9);
      row[x] = Color32(_mm_cvtsi128_si32(_mm_packus_epi16(q, q)));
    }
  }
}
#endif
