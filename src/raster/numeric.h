#pragma once
// Real-to-integer conversions of the show. Every conversion the arithmetic calls
// "round" is to nearest with ties to even (the processor's default mode); a NaN
// or a value outside the 32-bit range gives the most negative integer, as the
// hardware conversion does, without undefined behaviour.
//
// long double is 80-bit on x86 but a 128-bit software type on aarch64 and in
// WebAssembly, so nothing on the per-pixel paths touches it: float and double
// round in double, which holds every float and double exactly.
#include <cmath>
#include <cstdint>
#include <climits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The literal conversion, the reference the others are tested against.
inline int32_t roundToInt32Portable(long double x) {
  long double r = nearbyintl(x);
  if (!(r >= -2147483648.0L && r <= 2147483647.0L)) return INT32_MIN;
  return static_cast<int32_t>(r);
}

// In double: nearbyint is exact and both bounds are doubles, so the range check
// is exact too. One instruction on aarch64 (frintx) and in WebAssembly (f64.nearest).
inline int32_t roundToInt32ViaDouble(double x) {
  const double r = std::nearbyint(x);
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) return INT32_MIN;
  return static_cast<int32_t>(r);
}

#if defined(__SSE2__)
// cvtss2si / cvtsd2si: round-to-nearest-even under the default MXCSR,
// 0x80000000 ("integer indefinite") for NaN and out-of-range values.
inline int32_t roundToInt32(float x) { return _mm_cvtss_si32(_mm_set_ss(x)); }
inline int32_t roundToInt32(double x) { return _mm_cvtsd_si32(_mm_set_sd(x)); }
#else
inline int32_t roundToInt32(float x) { return roundToInt32ViaDouble(x); }
inline int32_t roundToInt32(double x) { return roundToInt32ViaDouble(x); }
#endif

// An extended value rounds through its nearest double h. Rounding is monotonic
// and every half-integer of the 32-bit range is a double, so h can land on a
// half-integer but never pass one: the answer differs from nearbyint(h) only
// when h is a tie, and then the sign of the exact rest x - h (a long double
// subtraction without error) says which side x lay on. No extended rounding
// routine is called, and extended arithmetic runs only at ties.
inline int32_t roundToInt32(long double x) {
  const double h = static_cast<double>(x);
  double r = std::nearbyint(h);
  if (r - h == 0.5 || h - r == 0.5) {
    const long double rest = x - static_cast<long double>(h);
    if (rest > 0)
      r = h + 0.5;
    else if (rest < 0)
      r = h - 0.5;
  }
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) return INT32_MIN;
  return static_cast<int32_t>(r);
}

// 64-bit result from an extended value; NaN and out-of-range give INT64_MIN.
inline int64_t roundToInt64(long double x) {
  long double r = nearbyintl(x);
  if (!(r >= -9223372036854775808.0L && r < 9223372036854775808.0L)) return INT64_MIN;
  return static_cast<int64_t>(r);
}
