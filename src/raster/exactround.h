#pragma once
// Rounding of exact quotients in integers, for the places where the show's
// arithmetic rounds a rational number: the same result on every processor,
// whatever its long double is.
#include <cstdint>

// n / d for d > 0, to the nearest integer with ties to even (the rounding of
// the processor's conversions). The result must fit in 32 bits.
constexpr int32_t roundDivEven(int64_t n, int64_t d) {
  int64_t q = n / d, r = n % d;  // truncated
  if (r < 0) {                   // to the floor, 0 <= r < d
    r += d;
    --q;
  }
  if (2 * r > d || (2 * r == d && (q & 1) != 0)) ++q;
  return int32_t(q);
}
