// Flash pictures: the prepared pictures and their negative, the keyed flashes,
// the flicker's gaps, the zooms, and whole frames against renditions from the
// raster routines.
#include "effects/flashpictures.h"
#include "fixtures.h"

namespace {

using FlashPictures = EffectTest;

TEST_F(FlashPictures, BuildAndDraw) {
  makeOpeningAssets();
  initFlashPictures();
  EXPECT_EQ(StarPicture.width, 620);
  EXPECT_EQ(Sintable3TallPicture.height, 460);
  EXPECT_EQ(Sintable2Picture.height, 230);
  EXPECT_EQ(Kurukulum1Picture.width, 320);
  EXPECT_EQ(NetzPicture.height, 180);

  // The negative is opaque white where the brain is transparent: its last column
  // and row, which the stretch does not reach and the blur does not touch, and
  // the interior wherever the brain's 3 x 3 neighbourhood is transparent.
  EXPECT_EQ(getPixel(BrainPicture, 1279, 300), 0u);
  EXPECT_EQ(getPixel(BrainNegativePicture, 1279, 300), 0xFFFFFFFFu);
  EXPECT_EQ(getPixel(BrainNegativePicture, 300, 719), 0xFFFFFFFFu);
  // Inside, the in-place blur keeps transparent areas near white: every channel
  // at least 0xF0 where the brain is clear in a 5 x 5 neighbourhood.
  int whiteChecked = 0;
  for (int32_t y = 2; y < 718; ++y)
    for (int32_t x = 2; x < 1278; ++x) {
      bool clear = true;
      for (int32_t dy = -2; dy <= 2 && clear; ++dy)
        for (int32_t dx = -2; dx <= 2 && clear; ++dx) clear = getPixel(BrainPicture, x + dx, y + dy) == 0;
      if (!clear) continue;
      Color32 n = getPixel(BrainNegativePicture, x, y);
      for (int shift = 0; shift < 32; shift += 8) ASSERT_GE((n >> shift) & 0xFF, 0xF0u) << x << "," << y;
      ++whiteChecked;
    }
  EXPECT_GT(whiteChecked, 100);
  // Subtracting it gives white minus the screen there.
  clearScreen(0xFF305070u);
  flashBrainNegative();
  EXPECT_EQ(getPixel(Screen, 1279, 300), 0x00CFAF8Fu);

  // Keyed flashes leave the screen where the picture is transparent.
  clearScreen(0xFF305070u);
  flashBrain();
  EXPECT_EQ(getPixel(Screen, 1279, 300), 0xFF305070u);
  bool replaced = false;
  for (int32_t x = 1; x < 200 && !replaced; ++x)
    if (getPixel(BrainPicture, x, 50) != 0) replaced = getPixel(Screen, x, 50) == getPixel(BrainPicture, x, 50);
  EXPECT_TRUE(replaced);

  // flickerLobotomi is off in its two gaps.
  struct Flicker {
    int32_t time;
    bool drawn;
  };
  const Flicker flicker[] = {{56521, true}, {56584, true},  {56585, false}, {56647, false}, {56648, true},
                             {56776, true}, {56777, false}, {57031, false}, {57032, true},  {57139, true}};
  for (const Flicker& f : flicker) {
    clearScreen(0xFF000000u);
    setTime(f.time);
    flickerLobotomi();
    bool changed = false;
    for (int32_t i = 0; i < 1280 * 720 && !changed; ++i) changed = Screen.pixels[i] != 0xFF000000u;
    EXPECT_EQ(changed, f.drawn) << f.time;
  }

  // The zooms grow by one pixel every 2 (6) ms on each side.
  setTime(63041);
  zoomLineyka();
  EXPECT_EQ(FlashZoomBorder, 0);
  setTime(63439);
  zoomLineyka();
  EXPECT_EQ(FlashZoomBorder, 199);
  setTime(67439);
  zoomLobotom();
  EXPECT_EQ(FlashZoomBorder, 66);

  // flashStar's top 10 rows are clipped away: screen row 0 shows picture row 10.
  clearScreen(0xFF000000u);
  flashStar();
  for (int32_t x = 0; x < 619; ++x) {
    Color32 p = getPixel(StarPicture, x, 10);
    if (p != 0) {
      ASSERT_EQ(getPixel(Screen, 329 + x, 0), p);
    }
  }
  freeFlashPictures();
  EXPECT_EQ(BrainNegativePicture.pixels, nullptr);
}

TEST_F(FlashPictures, FramesFollowTheirSteps) {
  makeOddSizedAssets();
  initFlashPictures();
  ASSERT_EQ(NetzPicture.width, 1400);
  // The zooms: b = (63141 - 63040) div 2 = 50, s = (67100 - 67040) div 6 = 10.
  expectFrameAt(
      63141, zoomLineyka, [](Image ref) { stretchBlitAdd(ref, -50, -50, 1330, 770, LineykaPicture); }, "zoomLineyka",
      fillHashPattern);
  expectFrameAt(
      67100, zoomLobotom, [](Image ref) { stretchBlitAdd(ref, -10, -10, 1290, 730, LobotomPicture); }, "zoomLobotom",
      fillHashPattern);
  // netz doubled to 1400 wide: x = 640 - 700 = -60, clipped on both sides.
  expectSameAs(
      flashNetz, [](Image ref) { blitClippedKeyed(ref, -60, 0, NetzPicture, 0); }, "flashNetz", fillHashPattern);
  // The tall band at (-100, 20), clipped add one pixel up and left.
  expectSameAs(
      flashSintableTallA, [](Image ref) { blitClippedAdd(ref, -100, 20, Sintable3TallPicture); }, "flashSintableTallA",
      fillHashPattern);

  // sintable2 is stretched to rows 0..231 of a 230-row picture: rows 230 and 231
  // fall outside and are clipped, its last row 229 is drawn.
  OwnedImage band(1280, 230);
  stretchBlit(band.img, 0, 0, 1279, 232, Sintable2Image);
  blurImage(band.img);
  keyBlackLiteral(band.img);
  EXPECT_TRUE(sameImage(Sintable2Picture, band.img));

  // An added picture leaves transparent places alone and makes opaque ones opaque.
  fillLongs(Screen.pixels, 1280 * 720, 0x40102030u);
  flashPlatine2();
  int opaqueSeen = 0;
  for (int32_t i = 0; i < 1280 * 720; i += 97) {
    Color32 p = Platine2Picture.pixels[i];
    if (p == 0) {
      ASSERT_EQ(Screen.pixels[i], 0x40102030u) << i;
    } else {
      ASSERT_EQ(Screen.pixels[i] >> 24, 0xFFu) << i;
      ++opaqueSeen;
    }
  }
  EXPECT_GT(opaqueSeen, 100);
  freeFlashPictures();
}

}  // namespace
