// Digit field: the field rows from exact rational arithmetic, the digits of the
// typed line, the field's seed, the snapshot of the line and the scroll steps.
#include <string>

#include "effects/digitfield.h"
#include "fixtures.h"

namespace {

using DigitField = EffectTest;

// j x 14.1 with 14.1 and the product each rounded to a 64-bit significand, then to
// the nearest integer with ties to even, worked out with exact fractions.
TEST_F(DigitField, RowsForEveryFieldRow) {
  const int32_t rows[51] = {0,   14,  28,  42,  56,  70,  85,  99,  113, 127, 141, 155, 169, 183, 197, 212, 226,
                            240, 254, 268, 282, 296, 310, 324, 338, 352, 367, 381, 395, 409, 423, 437, 451, 465,
                            479, 494, 508, 522, 536, 550, 564, 578, 592, 606, 620, 634, 649, 663, 677, 691, 705};
  for (int32_t j = 0; j <= 50; ++j) EXPECT_EQ(digitFieldRowY(j), rows[j]) << j;
}

TEST_F(DigitField, RowsLineAndSnapshot) {
  makeOpeningAssets();
  const int32_t rows[] = {0, 14, 28, 42, 56, 70, 85, 99};
  for (int32_t j = 0; j < 8; ++j) EXPECT_EQ(digitFieldRowY(j), rows[j]) << j;
  EXPECT_EQ(digitFieldRowY(5), 70);
  EXPECT_EQ(digitFieldRowY(15), 212);
  EXPECT_EQ(digitFieldRowY(25), 352);
  EXPECT_EQ(digitFieldRowY(35), 494);
  EXPECT_EQ(digitFieldRowY(45), 634);
  EXPECT_EQ(digitFieldRowY(50), 705);
  std::string line;
  for (int n = 1; n <= 45; ++n) line += n == 2 ? '.' : char('0' + digitIndexAt(uint8_t(n)));
  EXPECT_EQ(line, "3.1415926535897932384626433832795028841971693");

  RandomSeed = 12345;
  RandomSeedFixed = true;
  initDigitField();
  resetDigitField();
  // Digits are opaque now; the field holds digits 0 to 8 at every cell.
  EXPECT_EQ(getPixel(DigitImages[9], 1, 1), 0xFFA0A0A0u);
  int counts[10] = {};
  for (int32_t j = 0; j <= 50; ++j)
    for (int32_t k = 0; k <= 105; ++k) {
      Color32 marker = getPixel(DigitFieldImage, 12 * k + 5 + 1, digitFieldRowY(j) + 1);
      int d = int((marker & 0xFF) / 16) - 1;
      ASSERT_GE(d, 0);
      ASSERT_LE(d, 8) << "the digit 9 never occurs";
      ++counts[d];
    }
  for (int d = 0; d < 9; ++d) EXPECT_GT(counts[d], 450) << d;  // 5406 cells, about 600 each

  // The line types in: at 24199 four characters, at 24200 all 45.
  clearScreen(0xFF000000u);
  setTime(24199);
  drawDigitLine();
  EXPECT_EQ(getPixel(Screen, 736 + 3 * 12 + 1, 337), getPixel(DigitImages[4], 1, 1));
  EXPECT_EQ(getPixel(Screen, 736 + 4 * 12 + 1, 337), 0xFF000000u);
  setTime(24200);
  drawDigitLine();
  EXPECT_EQ(getPixel(Screen, 736 + 44 * 12 + 1, 337), getPixel(DigitImages[3], 1, 1));

  // At 25340 the snapshot is taken after band 25: it holds all 26 bands.
  clearScreen(0xFF000000u);
  setTime(25340);
  drawDigitLine();
  EXPECT_TRUE(DigitStripTaken);
  for (int32_t r = 0; r < 384; ++r) {
    for (int32_t x = 0; x < 1280; ++x) {
      Color32 expected;
      if (r >= 16 && r < 380 && x < 1279)
        expected = getPixel(DigitFieldImage, x, r - 16) | 0xFF000000u;
      else
        expected = getPixel(Screen, x, 336 + r);
      ASSERT_EQ(getPixel(DigitStripImage, x, r), expected) << x << "," << r;
    }
  }
  EXPECT_EQ(getPixel(DigitStripImage, 1279, 100), 0xFF000000u);
  EXPECT_EQ(getPixel(DigitStripImage, 737, 1), getPixel(DigitImages[3], 1, 1));

  // Later frames do not retake it; from 25380 it is drawn at rows 336..719.
  clearScreen(0xFF000000u);
  setTime(25385);
  drawDigitLine();
  EXPECT_EQ(getPixel(Screen, 737, 337), getPixel(DigitImages[3], 1, 1));
  EXPECT_EQ(getPixel(Screen, 100, 400), getPixel(DigitStripImage, 100, 64));

  resetDigitField();
  EXPECT_FALSE(DigitStripTaken);
  EXPECT_EQ(DigitScrollS, 720);
  EXPECT_EQ(DigitTopRow, 719);
  freeDigitField();
  EXPECT_EQ(DotImage.pixels, nullptr);
}

// The field repeats for one seed and changes with it (the renderer's --seed).
TEST_F(DigitField, FollowsTheSeed) {
  makeOpeningAssets();
  auto fieldFor = [](uint32_t seed) {
    RandomSeed = seed;
    RandomSeedFixed = true;
    initDigitField();
    std::string bytes(reinterpret_cast<const char*>(DigitFieldImage.pixels), 1280u * 720u * 4u);
    freeImage(DigitFieldImage);
    freeImage(DigitStripImage);
    return bytes;
  };
  const std::string first = fieldFor(1);
  EXPECT_EQ(fieldFor(1), first);
  EXPECT_NE(fieldFor(2), first);
  freeDigitField();
}

TEST_F(DigitField, ScrollsInSteps) {
  makeOpeningAssets();
  RandomSeed = 7;
  RandomSeedFixed = true;
  initDigitField();
  resetDigitField();
  const Color32 marker = 0xFF123456u;

  // Before the first scroll step the field only writes screen row 716.
  clearScreen(marker);
  setTime(25400);
  scrollDigitField();
  for (int32_t y = 0; y < 720; ++y)
    for (int32_t x = 0; x < 1280; ++x) {
      Color32 expected = (y == 716 && x < 1279) ? getPixel(DigitFieldImage, x, 719) | 0xFF000000u : marker;
      ASSERT_EQ(getPixel(Screen, x, y), expected) << x << "," << y;
    }
  setTime(25551);
  scrollDigitField();
  EXPECT_EQ(DigitScrollS, 720);
  setTime(25552);
  scrollDigitField();
  EXPECT_EQ(DigitScrollS, 707);
  EXPECT_EQ(DigitTopRow, 707);
  EXPECT_EQ(DigitLastStep, 13);
  setTime(25600);  // q = 25: advanced by 12 only
  scrollDigitField();
  EXPECT_EQ(DigitScrollS, 707);
  setTime(25604);  // q = 26
  scrollDigitField();
  EXPECT_EQ(DigitScrollS, 694);
  EXPECT_EQ(DigitTopRow, 694);

  // Drawn lifted by three rows: screen row y - 3 holds field row y - S wrapped.
  clearScreen(marker);
  scrollDigitField();
  EXPECT_EQ(getPixel(Screen, 10, 691), getPixel(DigitFieldImage, 10, 0) | 0xFF000000u);
  EXPECT_EQ(getPixel(Screen, 10, 716), getPixel(DigitFieldImage, 10, 25) | 0xFF000000u);
  EXPECT_EQ(getPixel(Screen, 10, 690), marker);

  // Column 1279 is never written; rows 717..719 not while R > 3.
  clearScreen(marker);
  bool reachedZero = false;
  for (int32_t t = 25605; t <= 73000; t += 23) {
    setTime(t);
    bool lifted = DigitTopRow > 3;
    scrollDigitField();
    if (lifted) {
      for (int32_t y = 717; y < 720; ++y) ASSERT_EQ(getPixel(Screen, 500, y), marker) << t;
    }
    if (DigitTopRow == 0) reachedZero = true;
  }
  EXPECT_TRUE(reachedZero);
  EXPECT_EQ(DigitTopRow, 0);
  for (int32_t y = 0; y < 720; ++y) ASSERT_EQ(getPixel(Screen, 1279, y), marker) << y;
  // Once R is 0 the field fills rows 0..719, wrapping.
  int32_t v = ((0 - DigitScrollS) % 720 + 720) % 720;
  setTime(73000);
  scrollDigitField();
  EXPECT_EQ(getPixel(Screen, 0, 0), getPixel(DigitFieldImage, 0, v) | 0xFF000000u);
  EXPECT_NE(getPixel(Screen, 0, 719), marker);
  freeDigitField();
}

}  // namespace
