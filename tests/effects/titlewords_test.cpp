// Title words: the word images from their spelling, the fades, positions and
// jitter of the words, and one frame through the bright-pixel overlay against
// a rendition built from the raster routines alone.
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "effects/titlewords.h"
#include "fixtures.h"

namespace {

using TitleWords = EffectTest;

TEST_F(TitleWords, FadesPositionsAndJitter) {
  makeOpeningAssets();
  initTitleWords();
  resetTitleWords();
  const int32_t expectedX[] = {552, 442, 464, 552, 629, 464, 552};
  const int32_t widths[] = {176, 396, 352, 176, 22, 352, 176};
  const int32_t heights[] = {60, 60, 60, 30, 30, 60, 30};
  for (int i = 0; i < TitleWordCount; ++i) {
    EXPECT_EQ(titleWordX(i), expectedX[i]) << "word " << i + 1;
    EXPECT_TRUE(hasSize(TitleWordImages[i], widths[i], heights[i]));
  }
  // Word 4's letters are placed straight into it, made opaque.
  for (int32_t x = 0; x < 22; ++x)
    for (int32_t y = 0; y < 30; ++y) {
      ASSERT_EQ(getPixel(TitleWordImages[3], x, y), getPixel(PImage, x, y) | 0xFF000000u);
      ASSERT_EQ(getPixel(TitleWordImages[3], 22 * 7 + x, y), getPixel(SImage, x, y) | 0xFF000000u);
    }
  // The noise is the complement of dist.img.
  EXPECT_EQ(getPixel(TitleNoiseImage, 5, 7), ~getPixel(DistImage, 5, 7));

  auto frame1 = [] {
    jitterTitleWords();
    drawTitleWord1();
    drawTitleWord2();
    drawTitleWord3();
    drawTitleWord4();
  };
  // Each frame of words 1 to 4, then the levels it leaves (word index, level).
  const struct {
    int32_t time;
    std::vector<std::pair<int, float>> levels;
  } steps[] = {{5241, {{0, 1.0f}, {1, 0.0f}}},
               {5495, {{0, 255.0f}}},
               {9000, {{0, 255.0f}, {1, 255.0f}, {2, 255.0f}, {3, 0.0f}}},
               {10300, {{3, 140.0f}}},
               {11900, {{0, 235.0f}, {3, 235.0f}}},
               {12135, {{0, 0.0f}, {1, 0.0f}, {2, 0.0f}, {3, 0.0f}}}};
  for (const auto& step : steps) {
    setTime(step.time);
    frame1();
    for (auto [word, level] : step.levels)
      EXPECT_EQ(TitleWordLevels[word], level) << "word " << word + 1 << " at " << step.time;
  }

  // At 16200 word 5 lies between its windows and keeps its level; 6 and 7 still fade in.
  setTime(13000);
  drawTitleWord5();
  EXPECT_EQ(TitleWordLevels[4], 120.0f);
  setTime(16000);
  drawTitleWord6();
  drawTitleWord7();
  EXPECT_EQ(TitleWordLevels[5], 255.0f);
  EXPECT_EQ(TitleWordLevels[6], 255.0f);
  setTime(15100);
  resetTitleWords();
  drawTitleWord7();
  EXPECT_EQ(TitleWordLevels[6], 100.0f);
  setTime(16200);
  drawTitleWord5();
  drawTitleWord6();
  drawTitleWord7();
  EXPECT_EQ(TitleWordLevels[4], 0.0f);
  EXPECT_EQ(TitleWordLevels[6], 255.0f);

  // With the jitter at +1 word 4 covers rows 577 to 606, columns 552 to 727.
  clearScreen(0xFFFFFFFFu);
  TitleJitter = 1;
  setTime(11000);
  drawTitleWord4();
  for (int32_t y = 570; y < 615; ++y)
    for (int32_t x = 540; x < 740; ++x) {
      bool inside = y >= 577 && y <= 606 && x >= 552 && x <= 727;
      ASSERT_EQ(getPixel(Screen, x, y) != 0xFFFFFFFFu, inside) << x << "," << y;
    }

  // The jitter moves only when (DemoTime - 5240) mod 16 is 1, and stays in -1..1.
  TitleJitter = 0;
  int changes = 0;
  for (int32_t t = 5000; t < 17000; ++t) {
    int16_t before = TitleJitter;
    setTime(t);
    jitterTitleWords();
    if ((t - 5240) % 16 != 1) {
      ASSERT_EQ(TitleJitter, before) << t;
    }
    ASSERT_GE(TitleJitter, -1);
    ASSERT_LE(TitleJitter, 1);
    changes += TitleJitter != before;
  }
  EXPECT_GT(changes, 10);

  // A new pass fades in again from 0; the jitter is kept.
  TitleJitter = -1;
  resetTitleWords();
  for (float level : TitleWordLevels) EXPECT_EQ(level, 0.0f);
  EXPECT_EQ(TitleJitter, -1);
  EXPECT_EQ(getPixel(TitleWorkImages[0], 3, 3), 0xFF000000u);

  freeTitleWords();
  EXPECT_EQ(AImage.pixels, nullptr);
  EXPECT_EQ(TitleWordImages[0].pixels, nullptr);
}

TEST_F(TitleWords, LevelZeroDarkensItsRectangle) {
  makeOpeningAssets();
  initTitleWords();
  resetTitleWords();
  clearScreen(0xFF808080u);
  TitleJitter = 0;
  setTime(6000);  // word 2 has not begun: weight 0
  drawTitleWord2();
  EXPECT_EQ(getPixel(Screen, 442, 276), 0xFE7F7F7Fu);
  EXPECT_EQ(getPixel(Screen, 442 + 395, 276 + 59), 0xFE7F7F7Fu);
  EXPECT_EQ(getPixel(Screen, 441, 276), 0xFF808080u);
  freeTitleWords();
}

TEST_F(TitleWords, FromTheirSpellingAndOneFrame) {
  makeOddSizedAssets();
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
    makeOpaqueLiteral(strip);
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
  OwnedImage noise(DistImage.width, DistImage.height);
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
  OwnedImage want(1280, 720), work(352, 60);
  fillHashPattern(want.img);
  fillHashPattern(Screen);
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

}  // namespace
