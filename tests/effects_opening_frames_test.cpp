// Title words, logo, digit field, spin picture and flash pictures against
// step-by-step renditions built here from the raster routines alone: the word
// images from their spelling, whole frames pixel for pixel, the field rows from
// exact rational arithmetic.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <string>

#include "data/assets.h"
#include "display/screen.h"
#include "effects/digitfield.h"
#include "effects/flashpictures.h"
#include "effects/logo.h"
#include "effects/spinpicture.h"
#include "effects/titlewords.h"
#include "music/chance.h"
#include "music/clock.h"
#include "raster/blit.h"
#include "raster/filter.h"
#include "raster/stretch.h"

namespace {

// Grey pictures as the loader makes them (makeColor(g, g, g, g), g = 16 v), with
// bright strokes, mid greys and black holes; the last row stays transparent.
void makeGrey(Image& img, int32_t w, int32_t h, uint32_t seed) {
  freeImage(img);
  AllocImage(img, uint32_t(w), uint32_t(h));
  for (int32_t y = 0; y + 1 < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      uint32_t v = (uint32_t(x) * 5u + uint32_t(y) * 11u + seed * 7u) % 19u;
      uint8_t g = uint8_t(v < 5 ? 0 : (v < 10 ? 240 : 16 * (v - 4)));
      putPixel(img, x, y, makeColor(g, g, g, g));
    }
}

bool sameImage(Image a, Image b) {
  return a.width == b.width && a.height == b.height &&
         std::memcmp(a.pixels, b.pixels, size_t(a.width) * size_t(a.height) * 4) == 0;
}

void opaque(Image img) {
  for (int32_t y = 0; y < img.height; ++y)
    for (int32_t x = 0; x < img.width; ++x) {
      uint8_t r = 0, g = 0, b = 0, a = 0;
      getPixelRGBA(img, x, y, r, g, b, a);
      putPixelRGBAClipped(img, x, y, r, g, b, 255);
    }
}

void keyBlack(Image img) {
  for (int32_t y = 0; y < img.height; ++y)
    for (int32_t x = 0; x < img.width; ++x) {
      uint8_t r = 0, g = 0, b = 0, a = 0;
      getPixelRGBA(img, x, y, r, g, b, a);
      putPixelRGBAClipped(img, x, y, r, g, b, (r | g | b) == 0 ? 0 : 255);
    }
}

struct DriftState {
  int32_t x, y;
  float accum;
};
DriftState saveDrift() { return {TexOffsetX, TexOffsetY, TexAccum}; }
void restoreDrift(const DriftState& s) {
  TexOffsetX = s.x;
  TexOffsetY = s.y;
  TexAccum = s.accum;
}

// A screen-sized scratch picture for the expected frames.
struct Scratch {
  Image img;
  Scratch(int32_t w, int32_t h) { AllocImage(img, uint32_t(w), uint32_t(h)); }
  ~Scratch() { freeImage(img); }
};

void fillScreenPattern(Image img) {
  for (int32_t i = 0; i < img.width * img.height; ++i) img.pixels[i] = 0xFF000000u | (uint32_t(i) * 2654435761u >> 8);
}

class Effects1AuditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    drift = saveDrift();
    time = DemoTime;
    step = FrameStep;
    AllocImage(Screen, 1280, 720);
    uint32_t seed = 3;
    for (int i = 0; i < 18; ++i) makeGrey(*AssetTable[i].image, 22, 30, seed++);
    makeGrey(LogoImage, 333, 201, seed++);  // odd sizes: 499.5 -> 500, 301.5 -> 302
    for (int i = 19; i < 30; ++i) makeGrey(*AssetTable[i].image, 12, 14, seed++);  // dot, digits
    for (int i = 30; i < AssetCount; ++i) makeGrey(*AssetTable[i].image, 150, 86, seed++);
    makeGrey(NetzImage, 700, 40, seed++);  // doubled: wider than the screen
    makeGrey(DistImage, 200, 120, seed++);
  }
  void TearDown() override {
    for (const AssetEntry& entry : AssetTable) freeImage(*entry.image);
    freeImage(Screen);
    // The drift and the clock are program-wide: leave them as found.
    restoreDrift(drift);
    DemoTime = time;
    FrameStep = step;
    TitleJitter = 0;
    LogoLevel = 0.0f;
  }
  DriftState drift{};
  int32_t time = 0;
  float step = 0.0f;
};

// j x 14.1 with 14.1 and the product each rounded to a 64-bit significand, then to
// the nearest integer with ties to even, worked out with exact fractions.
TEST_F(Effects1AuditTest, DigitFieldRowsForEveryFieldRow) {
  const int32_t rows[51] = {0,   14,  28,  42,  56,  70,  85,  99,  113, 127, 141, 155, 169, 183, 197, 212, 226,
                            240, 254, 268, 282, 296, 310, 324, 338, 352, 367, 381, 395, 409, 423, 437, 451, 465,
                            479, 494, 508, 522, 536, 550, 564, 578, 592, 606, 620, 634, 649, 663, 677, 691, 705};
  for (int32_t j = 0; j <= 50; ++j) EXPECT_EQ(digitFieldRowY(j), rows[j]) << j;
}

TEST_F(Effects1AuditTest, TitleWordsFromTheirSpellingAndOneFrame) {
  std::map<char, Image*> letter = {{'-', &MinusImage}, {'a', &AImage}, {'c', &CImage}, {'d', &DImage}, {'e', &EImage},
                                   {'i', &IImage},     {'k', &KImage}, {'l', &LImage}, {'m', &MImage}, {'n', &NImage},
                                   {'o', &OImage},     {'p', &PImage}, {'r', &RImage}, {'s', &SImage}, {'t', &TImage},
                                   {'u', &UImage},     {'v', &VImage}, {'y', &YImage}};
  struct Word {
    const char* text;
    int32_t w, h;
  };
  const Word words[7] = {{"dark", 176, 60}, {"monstrous", 396, 60}, {"cartoons", 352, 60},  {"presents", 176, 30},
                         {"a", 22, 30},     {"sly-dove", 352, 60},  {"production", 176, 30}};
  // The expected word images, from the letters before the set-up touches anything.
  Image expected[7];
  for (int i = 0; i < 7; ++i) {
    const std::string text = words[i].text;
    Image strip;
    AllocImage(strip, uint32_t(22 * text.size()), 30);
    for (size_t k = 0; k < text.size(); ++k) blitImage(strip, int32_t(22 * k), 0, *letter[text[k]]);
    opaque(strip);
    if (i == 3) {  // placed straight into the word image
      expected[i] = strip;
      continue;
    }
    AllocImage(expected[i], uint32_t(words[i].w), uint32_t(words[i].h));
    fillLongs(expected[i].pixels, uint32_t(words[i].w * words[i].h), 0xFF000000u);
    stretchBlit(expected[i], 0, 0, words[i].w - 1, words[i].h - 1, strip);
    freeImage(strip);
  }
  initTitleWords();
  resetTitleWords();
  for (int i = 0; i < 7; ++i) EXPECT_TRUE(sameImage(TitleWordImages[i], expected[i])) << words[i].text;

  // Word 6 at 13800 ms (level 120), jitter -1, from a drift state about to jump.
  Scratch noise(DistImage.width, DistImage.height);
  copyLongs(DistImage.pixels, noise.img.pixels, uint32_t(DistImage.width * DistImage.height));
  invertImage(noise.img);
  EXPECT_TRUE(sameImage(TitleNoiseImage, noise.img));

  DemoTime = 13800;
  FrameStep = 1.5f;
  TitleJitter = -1;
  TexOffsetX = 330;
  TexOffsetY = 190;
  TexAccum = 63.0f;
  const DriftState before = saveDrift();
  Scratch want(1280, 720), work(352, 60);
  fillScreenPattern(want.img);
  fillScreenPattern(Screen);
  copyLongs(expected[5].pixels, work.img.pixels, 352 * 60);
  textureBrightPixels(work.img, noise.img, 64);
  blitMix(want.img, 464, 276 - 1, work.img, 120);
  const DriftState after = saveDrift();
  restoreDrift(before);
  drawTitleWord6();
  EXPECT_EQ(TitleWordLevels[5], 120.0f);
  EXPECT_EQ(TexOffsetX, after.x);
  EXPECT_EQ(TexOffsetY, after.y);
  EXPECT_NE(TexOffsetX, before.x);  // the gathered 64.5 reached the interval
  EXPECT_TRUE(sameImage(Screen, want.img));

  for (Image& img : expected) freeImage(img);
  freeTitleWords();
}

TEST_F(Effects1AuditTest, LogoFrameFollowsItsSteps) {
  initLogo();
  // 333 x 1.5 = 499.5 and 201 x 1.5 = 301.5 round to even.
  ASSERT_EQ(BigLogoImage.width, 500);
  ASSERT_EQ(BigLogoImage.height, 302);
  Scratch big(500, 302);
  stretchBlit(big.img, 0, 0, 499, 301, LogoImage);
  keyBlack(big.img);
  EXPECT_TRUE(sameImage(BigLogoImage, big.img));

  Scratch noise(DistImage.width, DistImage.height);
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
  Scratch want(1280, 720), work(500, 302), out(500, 302);
  fillScreenPattern(want.img);
  fillScreenPattern(Screen);
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

TEST_F(Effects1AuditTest, SpinAndFlashFramesFollowTheirSteps) {
  initSpinPicture();
  Scratch pic(1280, 720);
  stretchBlit(pic.img, 0, 0, 1279, 719, ZeptorImage);
  blurImage(pic.img);
  keyBlack(pic.img);
  EXPECT_TRUE(sameImage(SpinPictureImage, pic.img));

  // 35161 ms: inside the plain window and its spin, angle (35161 - 34920) / 24 = 10.
  Scratch want(1280, 720);
  fillScreenPattern(want.img);
  fillScreenPattern(Screen);
  blitAlpha(want.img, 0, 0, pic.img);
  rotateBlitAdd(want.img, 0, 0, 10, pic.img);
  DemoTime = 35161;
  drawSpinPicture1();
  EXPECT_EQ(SpinAngle, 10);
  EXPECT_TRUE(sameImage(Screen, want.img));
  freeSpinPicture();

  initFlashPictures();
  ASSERT_EQ(NetzPicture.width, 1400);
  // The zooms: b = (63141 - 63040) div 2 = 50, s = (67100 - 67040) div 6 = 10.
  fillScreenPattern(want.img);
  fillScreenPattern(Screen);
  stretchBlitAdd(want.img, -50, -50, 1330, 770, LineykaPicture);
  DemoTime = 63141;
  zoomLineyka();
  EXPECT_TRUE(sameImage(Screen, want.img));
  fillScreenPattern(want.img);
  fillScreenPattern(Screen);
  stretchBlitAdd(want.img, -10, -10, 1290, 730, LobotomPicture);
  DemoTime = 67100;
  zoomLobotom();
  EXPECT_TRUE(sameImage(Screen, want.img));
  // netz doubled to 1400 wide: x = 640 - 700 = -60, clipped on both sides.
  fillScreenPattern(want.img);
  fillScreenPattern(Screen);
  blitClippedKeyed(want.img, -60, 0, NetzPicture, 0);
  flashNetz();
  EXPECT_TRUE(sameImage(Screen, want.img));
  // The tall band at (-100, 20), clipped add one pixel up and left.
  fillScreenPattern(want.img);
  fillScreenPattern(Screen);
  blitClippedAdd(want.img, -100, 20, Sintable3TallPicture);
  flashSintableTallA();
  EXPECT_TRUE(sameImage(Screen, want.img));

  // sintable2 is stretched to rows 0..231 of a 230-row picture: rows 230 and 231
  // fall outside and are clipped, its last row 229 is drawn.
  Scratch band(1280, 230);
  stretchBlit(band.img, 0, 0, 1279, 232, Sintable2Image);
  blurImage(band.img);
  keyBlack(band.img);
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
