// Closing scene: the brightening, and every pass starting from the same
// picture.
#include <vector>

#include "effects/ending.h"
#include "fixtures.h"

namespace {

TEST(Ending, BrightenAndLoopedPasses) {
  ModuleScope scope(EndImage, 128, 72, greyPattern);
  initEnding();
  resetEnding();
  putPixel(endImage, 0, 0, 0xFFFB0000);
  putPixel(endImage, 1, 0, 0x10FA2030);
  putPixel(endImage, 2, 0, 0xFF00FFFF);
  putPixel(endImage, 3, 0, 0x00100000);
  brightenEnding();
  EXPECT_EQ(getPixel(endImage, 0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(getPixel(endImage, 1, 0), 0xFEFEFEFEu);
  EXPECT_EQ(getPixel(endImage, 2, 0), 0x00000000u);
  EXPECT_EQ(getPixel(endImage, 3, 0), 0x14141414u);

  const int32_t times[] = {69521, 69530, 69600, 70300, 71800, 73004};
  std::vector<uint64_t> passes[3];
  for (int pass = 0; pass < 3; ++pass) {
    if (pass < 2) resetEnding();  // the third pass runs on without a reset
    clearScreen(0xFF000000);
    for (int32_t t : times) {
      drawAt(t, drawEnding);
      passes[pass].push_back(hashImage(Screen));
    }
  }
  EXPECT_EQ(passes[0], passes[1]);
  EXPECT_NE(passes[0], passes[2]);
  drawAt(69521, drawEnding);
  EXPECT_EQ(endLeft, -2.5f);
  EXPECT_EQ(endTop, -2);
  EXPECT_EQ(endRightOffset, 2.0f);
  EXPECT_EQ(endBottomOffset, 2);
  freeEnding();
}

TEST(Ending, OddSizedPictureLeavesItsLastPixelBlack) {
  // The reset moves pixel pairs: with an odd count the last pixel is never
  // copied and keeps the 0 it was allocated with. Brightening keeps 0 at 0 and
  // the blur never writes a corner, so it stays 0 and every pass still starts
  // from the same picture.
  ScreenScope screen;
  AssetSwap asset(EndImage, 65, 37, greyPattern);  // an odd number of pixels
  initEnding();
  ASSERT_NE(getPixel(EndImage, 64, 36), 0u);
  std::vector<uint64_t> passes[2];
  for (int pass = 0; pass < 2; ++pass) {
    resetEnding();
    EXPECT_EQ(getPixel(endImage, 64, 36), 0u);
    EXPECT_EQ(getPixel(endImage, 63, 36), getPixel(EndImage, 63, 36));
    clearScreen(0xFF000000);
    for (int32_t t = 69521; t < 69600; t += 13) {
      drawAt(t, drawEnding);
      passes[pass].push_back(hashImage(Screen));
      passes[pass].push_back(hashImage(endImage));
    }
    EXPECT_EQ(getPixel(endImage, 64, 36), 0u);
  }
  EXPECT_EQ(passes[0], passes[1]);
  freeEnding();
}

}  // namespace
