// Title words, logo, digit field, spin picture and flash pictures: the modules run
// in-process on assets built in memory, with DemoTime set by hand.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "data/assets.h"
#include "display/screen.h"
#include "driver/schedule.h"
#include "driver/show.h"
#include "effects/digitfield.h"
#include "effects/flashpictures.h"
#include "effects/logo.h"
#include "effects/spinpicture.h"
#include "effects/titlewords.h"
#include "music/chance.h"
#include "music/clock.h"
#include "raster/blit.h"
#include "raster/filter.h"
#include "fixtures.h"

namespace {

// Bright strokes (240), mid greys and holes.
void makeAsset(Image& img, int32_t w, int32_t h, uint32_t seed) {
  makeGreyAsset(img, w, h, [seed](uint32_t x, uint32_t y) {
    uint32_t v = (x * 7u + y * 13u + seed * 5u) % 23u;
    return v < 6 ? 0 : (v < 12 ? 15 : v - 4);
  });
}

void makeAllAssets() {
  uint32_t seed = 1;
  for (int i = 0; i < 18; ++i) makeAsset(*AssetTable[i].image, 22, 30, seed++);
  makeAsset(LogoImage, 400, 240, seed++);
  makeAsset(DotImage, 12, 14, seed++);
  for (int d = 0; d < 10; ++d) {
    makeAsset(DigitImages[d], 12, 14, seed++);
    // Pixel (1, 1) names the digit, so the field can be read back.
    uint8_t g = uint8_t(16 * (d + 1));
    putPixel(DigitImages[d], 1, 1, makeColor(g, g, g, g));
  }
  for (int i = 30; i < AssetCount; ++i) makeAsset(*AssetTable[i].image, 160, 90, seed++);
  makeAsset(DistImage, 256, 256, seed++);
}

void freeAllTestAssets() {
  for (const AssetEntry& entry : AssetTable) freeImage(*entry.image);
}

class Effects1Test : public ::testing::Test {
 protected:
  void SetUp() override {
    AllocImage(Screen, 1280, 720);
    makeAllAssets();
  }
  void TearDown() override {
    freeAllTestAssets();
    freeImage(Screen);
  }
};

// Runs one module's set-up on a broken asset in a child and expects its message
// in the log and exit status 1.
void expectSetupFailure(void (*init)(), const std::string& message) {
  char tmpl[] = "/tmp/morvex-fx1-XXXXXX";
  std::string dir = mkdtemp(tmpl);
  ASSERT_EQ(chdir(dir.c_str()), 0);
  EXPECT_EXIT(init(), ::testing::ExitedWithCode(1), "");
  EXPECT_EQ(readFile(dir + "/logger.log"), message + "\n");
  ASSERT_EQ(chdir("/tmp"), 0);
  std::remove((dir + "/logger.log").c_str());
  rmdir(dir.c_str());
}

TEST_F(Effects1Test, TitleWordsFadesPositionsAndJitter) {
  initTitleWords();
  resetTitleWords();
  const int32_t expectedX[] = {552, 442, 464, 552, 629, 464, 552};
  const int32_t widths[] = {176, 396, 352, 176, 22, 352, 176};
  const int32_t heights[] = {60, 60, 60, 30, 30, 60, 30};
  for (int i = 0; i < TitleWordCount; ++i) {
    EXPECT_EQ(titleWordX(i), expectedX[i]) << "word " << i + 1;
    EXPECT_EQ(TitleWordImages[i].width, widths[i]);
    EXPECT_EQ(TitleWordImages[i].height, heights[i]);
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
  setTime(5241);
  frame1();
  EXPECT_EQ(TitleWordLevels[0], 1.0f);
  EXPECT_EQ(TitleWordLevels[1], 0.0f);
  setTime(5495);
  frame1();
  EXPECT_EQ(TitleWordLevels[0], 255.0f);
  setTime(9000);
  frame1();
  EXPECT_EQ(TitleWordLevels[0], 255.0f);
  EXPECT_EQ(TitleWordLevels[1], 255.0f);
  EXPECT_EQ(TitleWordLevels[2], 255.0f);
  EXPECT_EQ(TitleWordLevels[3], 0.0f);
  setTime(10300);
  frame1();
  EXPECT_EQ(TitleWordLevels[3], 140.0f);
  setTime(11900);
  frame1();
  EXPECT_EQ(TitleWordLevels[0], 235.0f);
  EXPECT_EQ(TitleWordLevels[3], 235.0f);
  setTime(12135);
  frame1();
  for (int i = 0; i < 4; ++i) EXPECT_EQ(TitleWordLevels[i], 0.0f) << "word " << i + 1;

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

TEST_F(Effects1Test, TitleWordWithLevelZeroDarkensItsRectangle) {
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

TEST_F(Effects1Test, LogoFadeAndTransparency) {
  initLogo();
  EXPECT_EQ(BigLogoImage.width, 600);
  EXPECT_EQ(BigLogoImage.height, 360);
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

TEST_F(Effects1Test, DigitFieldRowsLineAndSnapshot) {
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
TEST_F(Effects1Test, DigitFieldFollowsTheSeed) {
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

TEST_F(Effects1Test, DigitFieldScrollsInSteps) {
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

TEST_F(Effects1Test, SpinPictureAngles) {
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

TEST_F(Effects1Test, FlashPicturesBuildAndDraw) {
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

TEST_F(Effects1Test, SetupChecksRefuseUnfitPictures) {
  makeAsset(AImage, 24, 30, 1);
  expectSetupFailure(initTitleWords, "Asset a.img is 24 x 30; it must be at most 22 x 30");
  makeAsset(AImage, 21, 30, 1);
  expectSetupFailure(initTitleWords, "Asset a.img is 21 x 30; its width must be even");
  makeAsset(AImage, 22, 30, 1);
  makeAsset(MinusImage, 22, 31, 1);
  expectSetupFailure(initTitleWords, "Asset minus.img is 22 x 31; it must be at most 22 x 30");
  makeAsset(MinusImage, 22, 30, 1);
  makeAsset(DistImage, 1, 1, 1);
  expectSetupFailure(initTitleWords, "Asset dist.img is 1 x 1; it must be at least 2 x 2");
  makeAsset(DistImage, 256, 256, 1);

  makeAsset(LogoImage, 721, 392, 1);
  expectSetupFailure(initLogo, "Asset logo.img is 721 x 392; it must be at most 720 x 392");
  makeAsset(LogoImage, 720, 393, 1);
  expectSetupFailure(initLogo, "Asset logo.img is 720 x 393; it must be at most 720 x 392");
  makeAsset(LogoImage, 720, 392, 1);  // the largest that fits

  makeAsset(DigitImages[7], 16, 14, 1);
  expectSetupFailure(initDigitField, "Asset 7.img is 16 x 14; it must be at most 15 x 15");
  makeAsset(DigitImages[7], 11, 14, 1);
  expectSetupFailure(initDigitField, "Asset 7.img is 11 x 14; its width must be even");
  makeAsset(DigitImages[7], 12, 14, 1);
  makeAsset(DotImage, 12, 16, 1);
  expectSetupFailure(initDigitField, "Asset dot.img is 12 x 16; it must be at most 15 x 15");

  makeAsset(ZeptorImage, 1, 90, 1);
  expectSetupFailure(initSpinPicture, "Asset zeptor.img is 1 x 90; it must be at least 2 x 2");
  makeAsset(NetzImage, 1, 5, 1);
  expectSetupFailure(initFlashPictures, "Asset netz.img is 1 x 5; it must be at least 2 x 2");
}

}  // namespace
