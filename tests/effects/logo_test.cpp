// Logo: the fade and the transparency of its output, and a whole frame
// against a rendition built step by step from the raster routines.
#include "effects/logo.h"
#include "fixtures.h"

namespace {

using Logo = EffectTest;

TEST_F(Logo, FadeAndTransparency) {
  makeOpeningAssets();
  initLogo();
  EXPECT_TRUE(hasSize(BigLogoImage, 600, 360));
  // The stretch never reaches the last column and row: transparent black there.
  EXPECT_EQ(getPixel(BigLogoImage, 599, 100), 0u);
  EXPECT_EQ(getPixel(BigLogoImage, 100, 359), 0u);

  // At 16961 the level is 1: the whole output is transparent black, and the blend
  // leaves (screen * 255) shr 8 with alpha 0 on the covered rectangle.
  LogoLevel = 0.0f;
  clearScreen(0xFF406080u);
  setTime(16961);
  drawLogo();
  EXPECT_EQ(LogoLevel, 1.0f);
  for (int32_t y = 120; y < 500; ++y)
    for (int32_t x = 190; x < 810; ++x) {
      bool inside = x >= 200 && x < 800 && y >= 132 && y < 492;
      ASSERT_EQ(getPixel(Screen, x, y), inside ? 0x003F5F7Fu : 0xFF406080u) << x << "," << y;
    }

  setTime(17215);
  drawLogo();
  EXPECT_EQ(LogoLevel, 255.0f);
  setTime(28000);
  drawLogo();
  EXPECT_EQ(LogoLevel, 255.0f);
  setTime(28900);
  drawLogo();
  EXPECT_EQ(LogoLevel, 195.0f);
  setTime(29095);
  drawLogo();
  EXPECT_EQ(LogoLevel, 0.0f);

  // At full level opaque logo pixels show; pure black in logo.img never does.
  LogoLevel = 255.0f;
  clearScreen(0xFF000000u);
  setTime(20000);
  drawLogo();
  int shown = 0;
  for (int32_t y = 1; y < 359; ++y)
    for (int32_t x = 1; x < 599; ++x) {
      Color32 out = getPixel(LogoOutputImage, x, y);
      if ((out & 0x00FFFFFFu) == 0) {
        ASSERT_EQ(out >> 24, 0u);
      }
      shown += (getPixel(Screen, 200 + x, 132 + y) & 0x00FFFFFFu) != 0;
    }
  EXPECT_GT(shown, 1000);
  freeLogo();
}

TEST_F(Logo, FrameFollowsItsSteps) {
  makeOddSizedAssets();
  initLogo();
  // 333 x 1.5 = 499.5 and 201 x 1.5 = 301.5 round to even.
  ASSERT_TRUE(hasSize(BigLogoImage, 500, 302));
  OwnedImage big(500, 302);
  stretchBlit(big.img, 0, 0, 499, 301, LogoImage);
  keyBlackLiteral(big.img);
  EXPECT_TRUE(sameImage(BigLogoImage, big.img));

  OwnedImage noise(DistImage.width, DistImage.height);
  copyLongs(DistImage.pixels, noise.img.pixels, uint32_t(DistImage.width * DistImage.height));
  invertImage(noise.img);

  // Level 0 before: at 17060 it becomes 100.
  LogoLevel = 0.0f;
  DemoTime = 17060;
  FrameStep = 9.0f;
  TexOffsetX = -20;  // wraps through the "zero or negative maps to 0" rule
  TexOffsetY = 500;
  TexAccum = 0.0f;
  const DriftState before = saveDrift();
  OwnedImage want(1280, 720), work(500, 302), out(500, 302);
  fillHashPattern(want.img);
  fillHashPattern(Screen);
  copyLongs(big.img.pixels, work.img.pixels, 500 * 302);
  textureBrightPixels(work.img, noise.img, 8);
  fillLongs(out.img.pixels, 500 * 302, 0);
  blitMix(out.img, 0, 0, work.img, 100);
  blurImage(out.img);
  for (int32_t y = 0; y < 302; ++y)
    for (int32_t x = 0; x < 500; ++x) {
      Color32 p = getPixel(out.img, x, y);
      if ((p & 0x00FFFFFFu) == 0) p &= 0x00FFFFFFu;
      putPixel(out.img, x, y, p);
    }
  blitAlpha(want.img, 200, 132, out.img);
  restoreDrift(before);
  drawLogo();
  EXPECT_EQ(LogoLevel, 100.0f);
  EXPECT_TRUE(sameImage(Screen, want.img));
  freeLogo();
}

}  // namespace
