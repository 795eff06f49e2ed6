// Spin picture: the angles of every spin window, the plain sub-windows and
// gaps, and a whole frame against a rendition from the raster routines.
#include "effects/spinpicture.h"
#include "fixtures.h"

namespace {

using SpinPicture = EffectTest;

TEST_F(SpinPicture, Angles) {
  makeOpeningAssets();
  initSpinPicture();
  const Image pic = SpinPictureImage;
  // The first millisecond of a spin: angle 0, the turned copy lies on the picture.
  clearScreen(0xFF204060u);
  setTime(34921);
  drawSpinPicture1();
  EXPECT_EQ(SpinAngle, 0);
  int opaque = 0, transparent = 0;
  for (int32_t y = 1; y < 719; y += 7)
    for (int32_t x = 1; x < 1279; x += 5) {
      Color32 p = getPixel(pic, x, y);
      Color32 blended = blendColors(p, 0xFF204060u);
      ASSERT_EQ(getPixel(Screen, x, y), addColors(blended, p)) << x << "," << y;
      if (p == 0) {
        ASSERT_EQ(getPixel(Screen, x, y), 0x001F3F5Fu);
        ++transparent;
      } else {
        ++opaque;
      }
    }
  EXPECT_GT(opaque, 100);
  EXPECT_GT(transparent, 100);

  struct Case {
    void (*routine)();
    int32_t time, angle;
  };
  const Case cases[] = {
      {drawSpinPicture1, 35419, 20}, {drawSpinPicture1, 36341, 0},  {drawSpinPicture1, 36759, 17},
      {drawSpinPicture2, 39161, 0},  {drawSpinPicture2, 39639, 19}, {drawSpinPicture3, 45001, 0},
      {drawSpinPicture3, 45359, 14}, {drawSpinPicture4, 60640, 0},  {drawSpinPicture4, 61039, 16},
      {drawSpinPicture5, 62001, 0},  {drawSpinPicture5, 62519, 21}, {drawSpinPicture6, 66560, 0},
      {drawSpinPicture7, 68000, 0},  {drawSpinPicture7, 68479, 19},
  };
  for (const Case& c : cases) {
    SpinAngle = -1;
    setTime(c.time);
    c.routine();
    EXPECT_EQ(SpinAngle, c.angle) << c.time;
  }

  // Plain sub-windows only blend; the gaps of a row draw nothing.
  SpinAngle = -1;
  clearScreen(0xFF204060u);
  setTime(35450);
  drawSpinPicture1();
  EXPECT_EQ(SpinAngle, -1);
  EXPECT_EQ(getPixel(Screen, 640, 360), blendColors(getPixel(pic, 640, 360), 0xFF204060u));
  for (int32_t t : {44801, 44919, 45000, 36000}) {
    clearScreen(0xFF204060u);
    setTime(t);
    drawSpinPicture3();
    drawSpinPicture1();
    for (int32_t y = 0; y < 720; y += 11)
      for (int32_t x = 0; x < 1280; x += 13) ASSERT_EQ(getPixel(Screen, x, y), 0xFF204060u) << t;
  }
  freeSpinPicture();
  EXPECT_EQ(SpinPictureImage.pixels, nullptr);
}

TEST_F(SpinPicture, FrameFollowsItsSteps) {
  makeOddSizedAssets();
  initSpinPicture();
  OwnedImage pic(1280, 720);
  stretchBlit(pic.img, 0, 0, 1279, 719, ZeptorImage);
  blurImage(pic.img);
  keyBlackLiteral(pic.img);
  EXPECT_TRUE(sameImage(SpinPictureImage, pic.img));

  // 35161 ms: inside the plain window and its spin, angle (35161 - 34920) / 24 = 10.
  OwnedImage want(1280, 720);
  fillHashPattern(want.img);
  fillHashPattern(Screen);
  blitAlpha(want.img, 0, 0, pic.img);
  rotateBlitAdd(want.img, 0, 0, 10, pic.img);
  drawAt(35161, drawSpinPicture1);
  EXPECT_EQ(SpinAngle, 10);
  EXPECT_TRUE(sameImage(Screen, want.img));
  freeSpinPicture();
}

}  // namespace
