#pragma once
// The values of the show that pass through long double or the C library's
// sine, cosine, tangent, arctangent or square root before they are rounded to
// single precision or to an integer: every one the show can reach over a whole
// run, one named line each, so that a platform whose arithmetic differs shows
// the value by name instead of a changed frame hash.
//
// Each of them is the same on every processor only because its unrounded value
// lies far from a rounding boundary (further than the formats and the libms
// differ); the smallest such distances are measured here too.
#include <string>
#include <vector>

struct PlatformValues {
  std::vector<std::string> Lines;  // "<name> <inputs>: <results>", results as bits or integers
  double SingleMargin = 1.0;       // smallest relative distance of a value rounded to single from a boundary
  std::string SingleMarginAt;
  double IntegerMargin = 1.0;  // smallest distance of a value rounded to an integer from a half
  std::string IntegerMarginAt;
};

// Needs the pictures and the modules' set-up done (the sizes of the turned pictures).
PlatformValues collectPlatformValues();

// Distances the values must keep from a rounding boundary: far beyond the
// difference between an 80-bit, a 128-bit and a 64-bit long double and the
// error of any libm (about 1e-19, 1e-34, 1e-16 relative).
constexpr double MinSingleMargin = 1e-12;
constexpr double MinIntegerMargin = 1e-9;
