// Sliding and turning pictures: the line and the spiral slide, wertit turns.
#include "effects/slidingpictures.h"
#include "fixtures.h"

namespace {

using SlidingPictures = MiddleModuleTest;

TEST_F(SlidingPictures, LineSpiralWertitPositions) {
  initLine();
  initSpiral();
  initWertit();
  EXPECT_TRUE(hasSize(LinePic, 400, 200));
  // No alpha rewrite: blurred fringes keep partial alphas, black areas stay 0.
  bool partial = false, zero = false;
  for (int32_t i = 0; i < 400 * 200; ++i) {
    uint32_t a = LinePic.pixels[i] >> 24;
    partial |= a > 0 && a < 255 && a % 16 != 0;
    zero |= LinePic.pixels[i] == 0;
    ASSERT_EQ(a, LinePic.pixels[i] & 0xFF) << "grey with alpha equal to its level, " << i;
  }
  EXPECT_TRUE(partial);
  EXPECT_TRUE(zero);

  const int32_t line[][3] = {{46481, 0, 580}, {46483, 0, 579}, {46484, -1, 578}, {48199, -429, -279}};
  for (auto& p : line) {
    drawAt(p[0], drawLine);
    EXPECT_EQ(LinePicX, p[1]) << p[0];
    EXPECT_EQ(LinePicY, p[2]) << p[0];
  }
  expectFrameAt(
      46484, drawLine, [](Image ref) { blitClippedKeyed(ref, -1, 578, LinePic, 0); }, "line at 46484");

  // 49004 and 49012: 2.5 and 7.5 round to even.
  const int32_t spiral[][3] = {
      {49001, -1, -1}, {49003, -2, -2}, {49004, -3, -2}, {49012, -8, -8}, {50519, -1013, -949}};
  for (auto& p : spiral) {
    drawAt(p[0], drawSpiral);
    EXPECT_EQ(SpiralPicX, p[1]) << p[0];
    EXPECT_EQ(SpiralPicY, p[2]) << p[0];
  }
  expectFrameAt(
      49003, drawSpiral, [](Image ref) { blitClippedKeyed(ref, -2, -2, SpiralPic, 0); }, "spiral at 49003");

  for (int32_t t = 50521; t <= 50525; ++t) {
    drawAt(t, drawWertit);
    EXPECT_EQ(WertitAngle, 0) << t;
  }
  drawAt(50526, drawWertit);
  EXPECT_EQ(WertitAngle, 1);
  drawAt(52139, drawWertit);
  EXPECT_EQ(WertitAngle, 269);
  expectFrameAt(
      51000, drawWertit, [](Image ref) { rotateBlitKeyed(ref, 640 - 180, 360 - 140, 80, WertitPic, 0); },
      "wertit at 51000");
  freeLine();
  freeSpiral();
  freeWertit();
}

}  // namespace
