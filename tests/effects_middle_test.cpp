// Rising brain, circuit board zoom, form columns, growing grid, infinity zoom,
// turning graph, pulsing skeleton, digit scroll and curve, sliding and turning
// pictures, wave over brain: the modules run in-process on assets built in
// memory, with DemoTime set by hand; their state and Screen are inspected.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "data/assets.h"
#include "data/log.h"
#include "display/screen.h"
#include "driver/modules.h"
#include "driver/schedule.h"
#include "effects/brainbug.h"
#include "effects/forms.h"
#include "effects/gitter.h"
#include "effects/graf.h"
#include "effects/infinity.h"
#include "effects/platine.h"
#include "effects/skeleton.h"
#include "effects/slidingpictures.h"
#include "effects/welle.h"
#include "effects/zifri.h"
#include "music/clock.h"
#include "raster/blit.h"
#include "raster/stretch.h"
#include "fixtures.h"

namespace {

// Black patches, dark greys and bright strokes.
void makeAsset(Image& img, int32_t w, int32_t h, uint32_t seed) {
  makeGreyAsset(img, w, h, [seed](uint32_t x, uint32_t y) {
    uint32_t v = ((x / 3) * 7u + (y / 3) * 13u + seed * 5u) % 23u;
    return v < 8 ? 0 : (v < 12 ? 1 : v - 8);
  });
}

void makeTestAssets() {
  uint32_t seed = 3;
  for (Image* img : {&BrainbugImage, &Platine1Image, &Form1Image, &Form2Image, &Form3Image, &GitterImage, &GrafImage,
                     &SkeletonImage, &ZifriImage})
    makeAsset(*img, 160, 90, seed++);
  makeAsset(Form4Image, 150, 200, seed++);
  makeAsset(InfinityImage, 220, 170, seed++);
  makeAsset(CurveImage, 300, 120, seed++);
  makeAsset(LineImage, 200, 100, seed++);
  makeAsset(SpiralImage, 400, 300, seed++);
  makeAsset(WertitImage, 180, 140, seed++);
  makeAsset(WelleImage, 300, 80, seed++);
  makeAsset(BrainImage, 640, 360, seed++);
}

void freeTestAssets() {
  for (const AssetEntry& entry : AssetTable) freeImage(*entry.image);
}

// A screen of mixed colours so that what is drawn, skipped or added shows.
void fillPattern(Image img) {
  for (int32_t y = 0; y < img.height; ++y)
    for (int32_t x = 0; x < img.width; ++x)
      putPixel(img, x, y, makeColor(uint8_t(x * 3 + y), uint8_t(y * 5), uint8_t(x ^ y), uint8_t(200 + (x & 31))));
}

struct Snapshot {
  std::vector<Color32> pixels;
  Image image() { return Image{pixels.data(), 1280, 720}; }
};
Snapshot snapshot() { return Snapshot{std::vector<Color32>(Screen.pixels, Screen.pixels + 1280 * 720)}; }

bool screenEquals(Snapshot& s) { return std::memcmp(s.pixels.data(), Screen.pixels, 1280 * 720 * 4) == 0; }

// Runs draw on a patterned screen and on a copy handed to expect; both must agree.
void expectSameAs(const std::function<void()>& draw, const std::function<void(Image)>& expect,
                  const std::string& what) {
  fillPattern(Screen);
  Snapshot ref = snapshot();
  draw();
  expect(ref.image());
  EXPECT_TRUE(screenEquals(ref)) << what;
}

bool isKeyedPicture(Image img) {
  for (int32_t i = 0; i < img.width * img.height; ++i) {
    Color32 c = img.pixels[i];
    if (c == 0) continue;
    if ((c >> 24) != 255 || (c & 0xFFFFFF) == 0) return false;
  }
  return true;
}

class Effects2Test : public ::testing::Test {
 protected:
  void SetUp() override {
    AllocImage(Screen, 1280, 720);
    makeTestAssets();
  }
  void TearDown() override {
    freeTestAssets();
    freeImage(Screen);
  }
};

}  // namespace

TEST_F(Effects2Test, BrainBugRisesAndHolds) {
  initBrainBug();
  ASSERT_EQ(BrainBugStrip.width, 1280);
  ASSERT_EQ(BrainBugStrip.height, 424);
  for (int32_t i = 0; i < 1280 * 424; ++i) ASSERT_EQ(BrainBugStrip.pixels[i] >> 24, 255u) << i;

  fillPattern(Screen);
  Snapshot before = snapshot();
  DemoTime = 37921;
  drawBrainBug();
  EXPECT_EQ(StripY, 767);
  EXPECT_TRUE(screenEquals(before)) << "the strip starts below the screen";

  // From 38360 the strip stays where the last frame before left it.
  for (int32_t last : {38359, 38350}) {
    DemoTime = last;
    drawBrainBug();
    const int32_t held = 38688 - last;
    EXPECT_EQ(StripY, held);
    for (int32_t t : {38360, 38400, 38519}) {
      expectSameAs(
          [&] {
            DemoTime = t;
            drawBrainBug();
          },
          [&](Image ref) { blitClippedAdd(ref, 0, held, BrainBugStrip); }, "strip at " + std::to_string(t));
      EXPECT_EQ(StripY, held) << t;
    }
  }
  freeBrainBug();
}

TEST_F(Effects2Test, PlatineZoomsAboutTheCentre) {
  initPlatine();
  EXPECT_TRUE(isKeyedPicture(PlatineBoard));
  for (int32_t t = 38681; t <= 39159; ++t) {
    DemoTime = t;
    BoardX1 = BoardX2 = BoardY1 = BoardY2 = 0;
    drawPlatine();
    ASSERT_EQ((BoardX1 + BoardX2) / 2, 640) << t;
    ASSERT_EQ((BoardY1 + BoardY2) / 2, 360) << t;
    ASSERT_EQ(BoardX1, BoardY1) << t;
  }
  EXPECT_EQ(BoardX1, -479);
  EXPECT_EQ(BoardX2, 1759);
  EXPECT_EQ(BoardY2, 1199);
  expectSameAs(
      [] {
        DemoTime = 38681;
        drawPlatine();
      },
      [](Image ref) { stretchBlitAdd(ref, -1, -1, 1281, 721, PlatineBoard); }, "first frame");
  freePlatine();

  // A black board adds nothing; a bright one saturates.
  makeAsset(Platine1Image, 40, 30, 0);
  fillLongs(Platine1Image.pixels, 40 * 30, 0);
  initPlatine();
  fillPattern(Screen);
  Snapshot before = snapshot();
  DemoTime = 38900;
  drawPlatine();
  EXPECT_TRUE(screenEquals(before));
  freePlatine();
  fillLongs(Platine1Image.pixels, 40 * 30, 0xF0F0F0F0);
  initPlatine();
  fillLongs(Screen.pixels, 1280 * 720, 0x80808080);
  drawPlatine();
  EXPECT_EQ(getPixel(Screen, 640, 360), 0xFFFFFFFFu);
  freePlatine();
}

TEST_F(Effects2Test, FormsColumnsAndScroll) {
  initForms();
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(FormPic[i].width, 312);
    EXPECT_EQ(FormPic[i].height, 710);
  }
  EXPECT_EQ(FormPic[4].width, 300);
  EXPECT_EQ(FormPic[4].height, 400);
  for (int i = 1; i <= 4; ++i) EXPECT_TRUE(isKeyedPicture(FormPic[i])) << i;

  fillPattern(Screen);
  Snapshot before = snapshot();
  DemoTime = 40200;
  drawForms();
  const int32_t lefts[4] = {0, 320, 640, 960};
  const int pics[4] = {1, 2, 3, 2};
  for (int32_t y = 0; y < 720; ++y) {
    for (int32_t x = 0; x < 1280; ++x) {
      Color32 expect = before.pixels[y * 1280 + x];
      for (int c = 0; c < 4; ++c) {
        if (x >= lefts[c] && x < lefts[c] + 312 && y < 710) {
          Color32 p = getPixel(FormPic[pics[c]], x - lefts[c], y);
          if (p != 0) expect = p;
        }
      }
      ASSERT_EQ(getPixel(Screen, x, y), expect) << x << ", " << y;
    }
  }

  const std::pair<int32_t, int32_t> scroll[] = {{65001, 720}, {65002, 719}, {65003, 719}, {65004, 718}, {65759, 341}};
  for (auto [t, y] : scroll) {
    DemoTime = t;
    drawFormsScroll();
    EXPECT_EQ(FormScrollY, y) << t;
  }
  fillPattern(Screen);
  before = snapshot();
  DemoTime = 65001;
  drawFormsScroll();
  EXPECT_TRUE(screenEquals(before)) << "form4 starts below the screen";
  expectSameAs(
      [] {
        DemoTime = 65500;
        drawFormsScroll();
      },
      [](Image ref) { blitClippedKeyed(ref, 64, 470, FormPic[4], 0); }, "scroll at 65500");
  freeForms();
}

TEST_F(Effects2Test, GitterKeepsItsBottomEdge) {
  initGitter();
  EXPECT_EQ(GridPic.width, 1280);
  EXPECT_EQ(GridPic.height, 1024);
  EXPECT_TRUE(isKeyedPicture(GridPic));
  for (int32_t t = 41001; t <= 41529; ++t) {
    DemoTime = t;
    drawGitter();
    const int32_t h = (t - 41000) / 2;
    ASSERT_EQ(GridY2 - GridGrow, 720) << t;
    ASSERT_EQ(GridY1 - GridGrow, -2 * h) << t;
    ASSERT_EQ(GridX1, -h) << t;
    ASSERT_EQ(GridX2, 1280 + h) << t;
  }
  EXPECT_EQ(GridGrow, 264);
  expectSameAs(
      [] {
        DemoTime = 41001;
        drawGitter();
      },
      [](Image ref) { stretchBlitAlpha(ref, 0, 0, 1280, 720, GridPic); }, "grid covers the screen");
  expectSameAs(
      [] {
        DemoTime = 41529;
        drawGitter();
      },
      [](Image ref) { stretchBlitAlpha(ref, -264, -528, 1544, 720, GridPic); }, "grid at the end");
  freeGitter();
}

TEST_F(Effects2Test, InfinityTiltsAndScroll) {
  // Keep the loaded picture to see that set-up changes the asset itself.
  std::vector<Color32> original(InfinityImage.pixels, InfinityImage.pixels + 220 * 170);
  initInfinity();
  EXPECT_TRUE(isKeyedPicture(InfinityImage));
  EXPECT_NE(std::memcmp(original.data(), InfinityImage.pixels, original.size() * 4), 0);
  EXPECT_EQ(Tilt[0].width, 220);
  EXPECT_EQ(Tilt[0].height, 170);
  EXPECT_EQ(Tilt[1].width, 447);
  EXPECT_EQ(Tilt[1].height, 343);
  EXPECT_EQ(Tilt[2].width, 463);
  EXPECT_EQ(Tilt[2].height, 372);
  EXPECT_EQ(Tilt[3].width, 472);
  EXPECT_EQ(Tilt[3].height, 394);
  const int32_t lefts[4] = {530, 417, 409, 404}, tops[4] = {239, 153, 138, 127};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(TiltLeft[k], lefts[k]) << k;
    EXPECT_EQ(TiltTop[k], tops[k]) << k;
  }
  // The upright tilt is the keyed asset itself.
  EXPECT_EQ(std::memcmp(Tilt[0].pixels, InfinityImage.pixels, 220 * 170 * 4), 0);

  const std::pair<int32_t, int32_t> tilts[] = {{41530, -1}, {41531, 0}, {41640, 0}, {41641, 1},  {41720, 1},
                                               {41721, 2},  {41801, 3}, {41881, 2}, {41961, 1},  {42041, 0},
                                               {42121, 1},  {42201, 2}, {42281, 3}, {42360, 3},  {42361, 2},
                                               {42400, 2},  {42401, 1}, {42480, 1}, {42481, -1}, {42519, -1}};
  for (auto [t, k] : tilts) EXPECT_EQ(infinityTiltAt(t), k) << t;

  for (auto [t, k] : {std::pair{41640, 0}, std::pair{41641, 1}, std::pair{42300, 3}}) {
    expectSameAs(
        [t = t] {
          DemoTime = t;
          drawInfinity();
        },
        [t = t, k = k](Image ref) {
          const int32_t g = (t - 41530) / 4;
          stretchBlitKeyed(ref, TiltLeft[k] - g, TiltTop[k] - g, TiltLeft[k] + Tilt[k].width + g,
                           TiltTop[k] + Tilt[k].height + g, 0, Tilt[k]);
        },
        "tilt at " + std::to_string(t));
  }
  fillPattern(Screen);
  Snapshot before = snapshot();
  DemoTime = 42481;
  drawInfinity();
  EXPECT_EQ(InfinityGrow, 237);
  EXPECT_TRUE(screenEquals(before)) << "nothing after 42480";

  // The scroll draws the asset as set-up left it: 64 x 153 growing to 436 x 339.
  expectSameAs(
      [] {
        DemoTime = 64641;
        drawInfinityScroll();
      },
      [](Image ref) { stretchBlitKeyed(ref, 580, -128, 644, 25, 0, InfinityImage); }, "scroll start");
  EXPECT_EQ(InfinityGrow, 0);
  EXPECT_EQ(InfinityX, 580);
  EXPECT_EQ(InfinityY, -128);
  expectSameAs(
      [] {
        DemoTime = 65759;
        drawInfinityScroll();
      },
      [](Image ref) { stretchBlitKeyed(ref, 394, 58, 830, 397, 0, InfinityImage); }, "scroll end");
  EXPECT_EQ(InfinityGrow, 186);
  freeInfinity();
}

TEST_F(Effects2Test, GrafAngle) {
  initGraf();
  EXPECT_TRUE(isKeyedPicture(GraphPic));
  // 43015: 1485 / 18 = 82.5 rounds to the even 82.
  const std::pair<int32_t, int32_t> angles[] = {{43001, 352}, {43015, 352}, {43016, 353}, {43150, 360}, {43479, 378}};
  for (auto [t, a] : angles) {
    DemoTime = t;
    drawGraf();
    EXPECT_EQ(GraphAngle, a) << t;
  }
  expectSameAs(
      [] {
        DemoTime = 43001;
        drawGraf();
      },
      [](Image ref) { rotateBlitKeyed(ref, 0, 0, 352, GraphPic, 0); }, "graph at 43001");
  freeGraf();
}

TEST_F(Effects2Test, SkeletonDriftAccumulatesPerFrame) {
  initSkeleton();
  EXPECT_TRUE(isKeyedPicture(SkeletonBones));
  // Frames exactly 1000/60 ms apart, as a steady 60 Hz display gives them.
  auto run = [](int32_t from, int32_t to, void (*draw)()) {
    for (int i = 0;; ++i) {
      const int32_t t = int32_t(std::lround(from + i * (1000.0 / 60.0)));
      if (t > to) break;
      DemoTime = t;
      draw();
    }
  };
  resetSkeleton();
  fillLongs(Screen.pixels, 1280 * 720, 0xFF000000);
  run(44601, 44919, drawSkeleton);
  EXPECT_EQ(SkeletonDrift, 190);
  run(45361, 45839, drawSkeletonReturn);
  EXPECT_EQ(SkeletonDrift, -9);
  expectSameAs(
      [] {
        SkeletonDrift = 10;
        DemoTime = 45361;
        drawSkeletonReturn();
      },
      [](Image ref) { stretchBlitAdd(ref, 478, 217, 802, 510, SkeletonBones); }, "return with drift 10");

  // The reprise sets the drift; without the reset the next pass would start from it.
  expectSameAs(
      [] {
        DemoTime = 68481;
        drawSkeletonReprise();
      },
      [](Image ref) { stretchBlitKeyed(ref, 860, 300, 1164, 604, 0, SkeletonBones); }, "reprise at 68481");
  EXPECT_EQ(SkeletonDrift, 0);
  DemoTime = 68799;
  drawSkeletonReprise();
  EXPECT_EQ(SkeletonDrift, 19);
  DemoTime = 44601;
  drawSkeleton();
  EXPECT_EQ(SkeletonDrift, 19);
  resetSkeleton();
  EXPECT_EQ(SkeletonDrift, 0);
  freeSkeleton();
}

TEST_F(Effects2Test, ZifriScrollAndCurve) {
  initZifri();
  ASSERT_EQ(DigitsPic.width, 1280);
  ASSERT_EQ(DigitsPic.height, 14960);
  for (int64_t i = 0; i < int64_t(1280) * 14960; ++i) ASSERT_EQ(DigitsPic.pixels[i] >> 24, 255u) << i;
  EXPECT_EQ(CurvePic.width, 600);
  EXPECT_EQ(CurvePic.height, 240);
  EXPECT_TRUE(isKeyedPicture(CurvePic));

  const std::pair<int32_t, int32_t> scroll[] = {{45901, -1001}, {48799, -3899}};
  for (auto [t, y] : scroll) {
    fillPattern(Screen);
    DemoTime = t;
    drawZifri();
    EXPECT_EQ(DigitScrollY, y);
    // The digits replace the whole screen.
    EXPECT_EQ(std::memcmp(Screen.pixels, DigitsPic.pixels + int64_t(-y) * 1280, 1280 * 720 * 4), 0) << t;
  }
  const std::pair<int32_t, int32_t> curve[] = {{62521, -1}, {62719, -199}, {63681, -1161}, {63839, -1319}};
  for (auto [t, y] : curve) {
    fillPattern(Screen);
    DemoTime = t;
    drawZifriCurve();
    EXPECT_EQ(DigitScrollY, y);
    // The keyed blit leaves out the curve's last column and row.
    for (int32_t r = 0; r < 720; ++r) {
      for (int32_t c = 0; c < 1280; ++c) {
        Color32 expect = getPixel(DigitsPic, c, r - y);
        if (c < 599 && r < 239 && getPixel(CurvePic, c, r) != 0) expect = getPixel(CurvePic, c, r);
        ASSERT_EQ(getPixel(Screen, c, r), expect) << t << ": " << c << ", " << r;
      }
    }
  }
  freeZifri();
}

TEST_F(Effects2Test, LineSpiralWertitPositions) {
  initLine();
  initSpiral();
  initWertit();
  EXPECT_EQ(LinePic.width, 400);
  EXPECT_EQ(LinePic.height, 200);
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
    DemoTime = p[0];
    drawLine();
    EXPECT_EQ(LinePicX, p[1]) << p[0];
    EXPECT_EQ(LinePicY, p[2]) << p[0];
  }
  expectSameAs(
      [] {
        DemoTime = 46484;
        drawLine();
      },
      [](Image ref) { blitClippedKeyed(ref, -1, 578, LinePic, 0); }, "line at 46484");

  // 49004 and 49012: 2.5 and 7.5 round to even.
  const int32_t spiral[][3] = {
      {49001, -1, -1}, {49003, -2, -2}, {49004, -3, -2}, {49012, -8, -8}, {50519, -1013, -949}};
  for (auto& p : spiral) {
    DemoTime = p[0];
    drawSpiral();
    EXPECT_EQ(SpiralPicX, p[1]) << p[0];
    EXPECT_EQ(SpiralPicY, p[2]) << p[0];
  }
  expectSameAs(
      [] {
        DemoTime = 49003;
        drawSpiral();
      },
      [](Image ref) { blitClippedKeyed(ref, -2, -2, SpiralPic, 0); }, "spiral at 49003");

  for (int32_t t = 50521; t <= 50525; ++t) {
    DemoTime = t;
    drawWertit();
    EXPECT_EQ(WertitAngle, 0) << t;
  }
  DemoTime = 50526;
  drawWertit();
  EXPECT_EQ(WertitAngle, 1);
  DemoTime = 52139;
  drawWertit();
  EXPECT_EQ(WertitAngle, 269);
  expectSameAs(
      [] {
        DemoTime = 51000;
        drawWertit();
      },
      [](Image ref) { rotateBlitKeyed(ref, 640 - 180, 360 - 140, 80, WertitPic, 0); }, "wertit at 51000");
  freeLine();
  freeSpiral();
  freeWertit();
}

TEST_F(Effects2Test, WelleShrinksTowardsFixedCentre) {
  initWelle();
  EXPECT_EQ(WavePic.width, 600);
  EXPECT_EQ(WavePic.height, 160);
  EXPECT_EQ(WaveBrainPic.width, 1280);
  EXPECT_EQ(WaveBrainPic.height, 720);
  for (int32_t t = 52141; t <= 53279; ++t) {
    DemoTime = t;
    drawWelle();
    const int32_t s = (t - 52140) / 6;
    ASSERT_EQ(BrainX1, s - 256) << t;
    ASSERT_EQ((BrainX1 + BrainX2) / 2, 772) << t;
    ASSERT_EQ((BrainY1 + BrainY2) / 2, 322) << t;
    if (t <= 52145) {
      ASSERT_EQ(s, 0);
    }
    if (t == 52146) {
      ASSERT_EQ(s, 1);
    }
  }
  EXPECT_EQ(BrainX1, -67);
  EXPECT_EQ(BrainY1, -67);
  EXPECT_EQ(BrainX2, 1611);
  EXPECT_EQ(BrainY2, 711);
  expectSameAs(
      [] {
        DemoTime = 52141;
        drawWelle();
      },
      [](Image ref) {
        stretchBlitAdd(ref, -256, -256, 1800, 900, WaveBrainPic);
        blitClippedKeyed(ref, 0, 280, WavePic, 0);
      },
      "brain, then the wave on top");
  freeWelle();
}

// A degenerate asset would make the stretched and clipped blits read outside it.
TEST(Effects2Setup, TinyAssetsAreRefused) {
  char tmpl[] = "/tmp/morvex-fx2-XXXXXX";
  const std::string dir = mkdtemp(tmpl);
  ASSERT_EQ(chdir(dir.c_str()), 0);
  struct Case {
    Image* image;
    const char* name;
    void (*init)();
  };
  const Case cases[] = {{&BrainbugImage, "brainbug.img", initBrainBug},
                        {&Platine1Image, "platine1.img", initPlatine},
                        {&Form3Image, "form3.img", initForms},
                        {&Form4Image, "form4.img", initForms},
                        {&GitterImage, "gitter.img", initGitter},
                        {&InfinityImage, "infinity.img", initInfinity},
                        {&GrafImage, "graf.img", initGraf},
                        {&SkeletonImage, "skeleton.img", initSkeleton},
                        {&ZifriImage, "zifri.img", initZifri},
                        {&CurveImage, "curve.img", initZifri},
                        {&LineImage, "line.img", initLine},
                        {&SpiralImage, "spiral.img", initSpiral},
                        {&WertitImage, "wertit.img", initWertit},
                        {&WelleImage, "welle.img", initWelle},
                        {&BrainImage, "brain.img", initWelle}};
  for (const Case& c : cases) {
    makeTestAssets();
    makeAsset(*c.image, 1, 5, 0);
    std::remove(LogFileName);
    EXPECT_EXIT(c.init(), ::testing::ExitedWithCode(1), "") << c.name;
    EXPECT_EQ(readFile(LogFileName), std::string("Asset ") + c.name + " is 1 x 5; it must be at least 2 x 2\n");
  }
  freeTestAssets();
  std::remove(LogFileName);
  ASSERT_EQ(chdir("/"), 0);
  rmdir(dir.c_str());
}
