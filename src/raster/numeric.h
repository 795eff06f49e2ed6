#pragma once
// Real-to-integer conversions of the show. Every conversion the arithmetic calls
// "round" is to nearest with ties to even (the processor's default mode); a NaN
// or a value outside the 32-bit range gives the most negative integer, as the
// hardware conversion does, without undefined behaviour.
#include <cmath>
#include <cstdint>
#include <climits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Portable form: the reference for the hardware conversions below.
inline int32_t roundToInt32Portable(long double x) {
  long double r = nearbyintl(x);
  if (!(r >= -2147483648.0L && r <= 2147483647.0L)) return INT32_MIN;
  return static_cast<int32_t>(r);
}

#if defined(__SSE2__)
// cvtss2si / cvtsd2si: round-to-nearest-even under the default MXCSR,
// 0x80000000 ("integer indefinite") for NaN and out-of-range values.
inline int32_t roundToInt32(float x) { return _mm_cvtss_si32(_mm_set_ss(x)); }
inline int32_t roundToInt32(double x) { return _mm_cvtsd_si32(_mm_set_sd(x)); }
#else
inline int32_t roundToInt32(float x) { return roundToInt32Portable(x); }
inline int32_t roundToInt32(double x) { return roundToInt32Portable(x); }
#endif
inline int32_t roundToInt32(long double x) { return roundToInt32Portable(x); }

// 64-bit result from an extended value; NaN and out-of-range give INT64_MIN.
inline int64_t roundToInt64(long double x) {
  long double r = nearbyintl(x);
  if (!(r >= -9223372036854775808.0L && r < 9223372036854775808.0L)) return INT64_MIN;
  return static_cast<int64_t>(r);
}
