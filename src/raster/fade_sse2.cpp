// The end fade's step, sixteen bytes at a time.
#include "raster/fade.h"

#if defined(__x86_64__) || (defined(__i386__) && defined(__SSE2__))
#include <emmintrin.h>

bool fadePixelsSse2(Color32* p, uint32_t n) {
  const __m128i one = _mm_set1_epi32(0x00010101), alpha = _mm_set1_epi32(int32_t(0xFF000000u));
  uint32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    __m128i* q = reinterpret_cast<__m128i*>(p + i);
    const __m128i a = _mm_loadu_si128(q), b = _mm_loadu_si128(q + 1);
    _mm_storeu_si128(q, _mm_or_si128(_mm_subs_epu8(a, one), alpha));
    _mm_storeu_si128(q + 1, _mm_or_si128(_mm_subs_epu8(b, one), alpha));
  }
  if (i < n) fadePixelsPortable(p + i, n - i);
  return true;
}

#else

bool fadePixelsSse2(Color32*, uint32_t) { return false; }

#endif
