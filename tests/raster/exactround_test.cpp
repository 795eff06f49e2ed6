// Exact rounding of quotients: ties to even, as the processor's conversions
// round, for either sign; and the two places of the show that use it agree with
// the extended-precision formulas they replace wherever those are exact.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "effects/digitfield.h"
#include "raster/exactround.h"

namespace {

TEST(ExactRound, TiesGoToTheEvenNeighbour) {
  EXPECT_EQ(roundDivEven(20, 8), 2);    // 2.5
  EXPECT_EQ(roundDivEven(60, 8), 8);    // 7.5
  EXPECT_EQ(roundDivEven(-20, 8), -2);  // -2.5
  EXPECT_EQ(roundDivEven(-28, 8), -4);  // -3.5
  EXPECT_EQ(roundDivEven(705, 10), 70);
  EXPECT_EQ(roundDivEven(4935, 10), 494);
  EXPECT_EQ(roundDivEven(0, 7), 0);
  EXPECT_EQ(roundDivEven(-1, 3), 0);
  EXPECT_EQ(roundDivEven(-2, 3), -1);
  EXPECT_EQ(roundDivEven(5, 3), 2);
}

// Against the hardware rounding of the double quotient, where that quotient is
// exact (denominators 2, 4, 8) or at least far from a half.
TEST(ExactRound, AgreesWithTheProcessorsRounding) {
  std::mt19937 rng(15);
  for (int i = 0; i < 200000; ++i) {
    const int64_t n = int64_t(rng() % 2000001) - 1000000;
    const int64_t d = int64_t(1) << (1 + rng() % 3);
    ASSERT_EQ(roundDivEven(n, d), int32_t(std::nearbyint(double(n) / double(d)))) << n << " / " << d;
  }
}

// The spiral's t / 1.6 and the digit rows' j * 14.1 as the show rounds them.
TEST(ExactRound, ShowFormulasKeepTheirValues) {
  for (int32_t t = -2000; t <= 2000; ++t) {
    const int32_t y = roundDivEven(int64_t(t) * 5, 8);
    const long double q = static_cast<long double>(t) / 1.6L;
    ASSERT_EQ(y, int32_t(nearbyintl(q))) << "t " << t;
  }
  for (int32_t j = 0; j < DigitFieldRows; ++j) {
    ASSERT_EQ(digitFieldRowY(j), int32_t(nearbyintl(static_cast<long double>(j) * 14.1L))) << "row " << j;
  }
}

}  // namespace
