// The rounding conversions: ties to even and the most negative integer for
// what does not fit; the hardware (x86) and double (everywhere else) forms and
// the extended form against the literal nearbyintl reference, on the edge
// values and on random bit patterns.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "effects/digitfield.h"
#include "raster/numeric.h"

namespace {

uint64_t nextState(uint64_t& s) {
  s = s * 6364136223846793005ull + 1442695040888963407ull;
  return s ^ (s >> 29);
}

// Ties, their neighbours one step either side, the 32-bit bounds, zeros,
// subnormals, infinities and NaN.
std::vector<double> edgeDoubles() {
  std::vector<double> v = {0.0,
                           -0.0,
                           0.5,
                           -0.5,
                           1.5,
                           -1.5,
                           2.5,
                           -2.5,
                           0.49999999999999994,
                           -0.49999999999999994,
                           2147483647.0,
                           2147483647.4,
                           2147483647.5,
                           2147483648.0,
                           -2147483648.0,
                           -2147483648.4,
                           -2147483648.5,
                           -2147483649.0,
                           4294967296.0,
                           1e300,
                           -1e300,
                           DBL_MIN,
                           -DBL_MIN,
                           DBL_TRUE_MIN,
                           -DBL_TRUE_MIN,
                           double(FLT_TRUE_MIN),
                           std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity(),
                           std::numeric_limits<double>::quiet_NaN(),
                           -std::numeric_limits<double>::quiet_NaN(),
                           4503599627370496.5,
                           4503599627370497.0};
  for (double t : {0.5, 1.5, 2.5, 1000.5, 1001.5, 8388607.5, 8388608.5, 1073741823.5, 2147483646.5}) {
    for (double s : {t, -t}) {
      v.push_back(s);
      v.push_back(std::nextafter(s, 0.0));
      v.push_back(std::nextafter(s, 2 * s));
    }
  }
  return v;
}

TEST(Numeric, DoubleAndFloatFormsMatchTheReferenceOnEdgeValues) {
  for (double d : edgeDoubles()) {
    const int32_t want = roundToInt32Portable(d);
    EXPECT_EQ(roundToInt32(d), want) << d;
    EXPECT_EQ(roundToInt32ViaDouble(d), want) << d;
    EXPECT_EQ(roundToInt32(static_cast<long double>(d)), want) << d;
    const float f = float(d);
    EXPECT_EQ(roundToInt32(f), roundToInt32Portable(f)) << f;
    EXPECT_EQ(roundToInt32ViaDouble(f), roundToInt32Portable(f)) << f;
  }
  // Worked values: ties go to even, everything invalid to the most negative integer.
  EXPECT_EQ(roundToInt32ViaDouble(2.5), 2);
  EXPECT_EQ(roundToInt32ViaDouble(-3.5), -4);
  EXPECT_EQ(roundToInt32ViaDouble(0.49999999999999994), 0);
  EXPECT_EQ(roundToInt32ViaDouble(2147483647.5), INT32_MIN);   // to even is 2^31, out of range
  EXPECT_EQ(roundToInt32ViaDouble(-2147483648.5), INT32_MIN);  // to even is -2^31, in range
  EXPECT_EQ(roundToInt32ViaDouble(-2147483649.0), INT32_MIN);
  EXPECT_EQ(roundToInt32ViaDouble(2147483647.4), INT32_MAX);
  EXPECT_EQ(roundToInt32ViaDouble(std::nan("")), INT32_MIN);
  EXPECT_EQ(roundToInt32ViaDouble(-DBL_TRUE_MIN), 0);
}

TEST(Numeric, DoubleAndFloatFormsMatchTheReferenceOnRandomBitPatterns) {
  uint64_t s = 2024;
  for (int i = 0; i < 200000; ++i) {
    // Random exponents over the whole range would nearly all be out of range;
    // half the cases are scaled into +-2^33 so the rounding itself is exercised.
    uint64_t bits = nextState(s);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    if (i % 2) d = std::ldexp(double(int64_t(bits) >> 11), -int(bits % 54) - 20);
    const int32_t want = roundToInt32Portable(d);
    ASSERT_EQ(roundToInt32(d), want) << d;
    ASSERT_EQ(roundToInt32ViaDouble(d), want) << d;
    uint32_t fbits = uint32_t(bits >> 32);
    float f;
    std::memcpy(&f, &fbits, sizeof f);
    if (i % 2) f = float(d);
    ASSERT_EQ(roundToInt32(f), roundToInt32Portable(f)) << f;
    ASSERT_EQ(roundToInt32ViaDouble(f), roundToInt32Portable(f)) << f;
  }
}

// The extended form decides ties of its nearest double by the rest; values one
// extended step beside a half-integer are where a plain conversion to double
// would go wrong (on x86 the step is 2^-63 relative, on aarch64 2^-112).
TEST(Numeric, ExtendedFormMatchesTheReferenceBesideTies) {
  std::vector<long double> v = {std::numeric_limits<long double>::infinity(),
                                -std::numeric_limits<long double>::infinity(),
                                std::numeric_limits<long double>::quiet_NaN(),
                                std::numeric_limits<long double>::max(),
                                std::numeric_limits<long double>::denorm_min(),
                                -std::numeric_limits<long double>::denorm_min(),
                                2147483647.5L,
                                -2147483648.5L,
                                2147483648.0L,
                                -2147483649.0L};
  uint64_t s = 7;
  for (int i = 0; i < 20000; ++i) {
    const long double tie = (long double)(int64_t(nextState(s) % 4294967296ull) - 2147483648ll) + 0.5L;
    v.push_back(tie);
    v.push_back(std::nextafter(tie, 0.0L));
    v.push_back(std::nextafter(tie, tie * 2));
    v.push_back(tie + (long double)(nextState(s) >> 11) / 9007199254740992.0L - 0.5L);
  }
  for (long double x : v) ASSERT_EQ(roundToInt32(x), roundToInt32Portable(x)) << double(x);
  EXPECT_EQ(roundToInt32(std::nextafter(2.5L, 3.0L)), 3);
  EXPECT_EQ(roundToInt32(std::nextafter(2.5L, 2.0L)), 2);
  EXPECT_EQ(roundToInt32(std::nextafter(-3.5L, -3.0L)), -3);
}

// Two effects used to round extended products and quotients; they now compute
// in double, which must give the extended results over their whole range.
TEST(Numeric, ExtendedProductsOfTheEffectsRoundAsInDouble) {
  for (int32_t j = 0; j <= 50; ++j) EXPECT_EQ(digitFieldRowY(j), roundToInt32Portable((long double)j * 14.1L)) << j;
  EXPECT_EQ(digitFieldRowY(5), 70);  // 70.5 to even
  EXPECT_EQ(digitFieldRowY(15), 212);
  // Every time of a pass (t = DemoTime - 49000), then would-be ties over the whole 32-bit range.
  for (int32_t t = -49000; t <= 100000; ++t)
    ASSERT_EQ(roundToInt32(double(t) * 0.625), roundToInt32Portable((long double)t / 1.6L)) << t;
  uint64_t s = 99;
  for (int i = 0; i < 100000; ++i) {
    const int32_t t = int32_t(uint32_t(nextState(s)) & ~7u) | 4;
    ASSERT_EQ(roundToInt32(double(t) * 0.625), roundToInt32Portable((long double)t / 1.6L)) << t;
  }
}

TEST(Numeric, RoundingTiesToEvenAndInvalidGivesMostNegative) {
  EXPECT_EQ(roundToInt32(0.5f), 0);
  EXPECT_EQ(roundToInt32(1.5f), 2);
  EXPECT_EQ(roundToInt32(2.5), 2);
  EXPECT_EQ(roundToInt32(-2.5), -2);
  EXPECT_EQ(roundToInt32(-0.5L), 0);
  for (double bad : {std::nan(""), 3e9, -3e9, double(INFINITY), 2147483647.5}) {
    EXPECT_EQ(roundToInt32(bad), INT32_MIN) << bad;
    EXPECT_EQ(roundToInt32(float(bad)), INT32_MIN) << bad;
    EXPECT_EQ(roundToInt32Portable(bad), INT32_MIN) << bad;
  }
  EXPECT_EQ(roundToInt32(-2147483648.4), INT32_MIN);
  EXPECT_EQ(roundToInt32(2147483647.4), INT32_MAX);
  EXPECT_EQ(roundToInt64(std::numeric_limits<long double>::quiet_NaN()), INT64_MIN);
  // The hardware conversions agree with the portable reference.
  uint64_t state = 12345;
  for (int i = 0; i < 100000; ++i) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    double d = double(int64_t(state >> 11) - (int64_t(1) << 52)) / double(1 << (state & 31));
    ASSERT_EQ(roundToInt32(d), roundToInt32Portable(d)) << d;
    ASSERT_EQ(roundToInt32(float(d)), roundToInt32Portable(float(d))) << d;
  }
}

}  // namespace
