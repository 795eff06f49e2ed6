// The small utilities: text and digits, angles and signs.
#include <gtest/gtest.h>

#include <cmath>

#include "data/assets.h"
#include "data/util.h"

namespace {

TEST(Util, TextAndDigits) {
  EXPECT_EQ(intToText(0), "0");
  EXPECT_EQ(intToText(-2147483647 - 1), "-2147483648");
  EXPECT_EQ(parseDigits("7"), 7);
  EXPECT_EQ(parseDigits("1x2"), 12);
  EXPECT_EQ(parseDigits("-4a"), -4);
  EXPECT_EQ(parseDigits(""), 0);
  EXPECT_EQ(parseDigits("abc"), 0);
  EXPECT_EQ(parseDigits("-"), 0);
  char* s = toCString("Morvex");
  EXPECT_STREQ(s, "Morvex");
  delete[] s;
  int32_t a = 1, b = 2;
  swapInts(a, b);
  EXPECT_EQ(a, 2);
  EXPECT_EQ(b, 1);
  EXPECT_EQ(identityPointer(&a), &a);
  EXPECT_EQ(executableDirectory().back(), '/');
}

TEST(Util, AnglesAndSigns) {
  const float pi = float(M_PI);
  EXPECT_FLOAT_EQ(angleOf(1, 0), pi / 2);
  EXPECT_FLOAT_EQ(angleOf(-1, 0), -pi / 2);
  EXPECT_FLOAT_EQ(angleOf(0, -1), pi);
  EXPECT_FLOAT_EQ(angleOf(-1, -1), 5 * pi / 4);
  EXPECT_FLOAT_EQ(angleOf(1, 1), pi / 4);
  EXPECT_FLOAT_EQ(angleOf(1, std::nanf("")), pi / 2);
  EXPECT_EQ(signOf(-0.5f), -1.0f);
  EXPECT_EQ(signOf(0.0f), 1.0f);
  EXPECT_EQ(signOf(std::nanf("")), 1.0f);
  EXPECT_EQ(degToRad(180.0f), float(M_PI));
  EXPECT_EQ(degToRad(90.0f), float(M_PI / 2));
}

}  // namespace
