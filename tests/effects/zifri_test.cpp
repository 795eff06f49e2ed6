// Digit scroll and curve: the digits replace the screen, the keyed curve on
// top of them.
#include <cstring>
#include <utility>

#include "driver/schedule.h"
#include "effects/setupchecks.h"
#include "effects/zifri.h"
#include "fixtures.h"

namespace {

using Zifri = MiddleModuleTest;

TEST_F(Zifri, ScrollAndCurve) {
  initZifri();
  ASSERT_TRUE(hasSize(DigitsPic, 1280, DigitsShownRows));
  for (int64_t i = 0; i < int64_t(1280) * DigitsShownRows; ++i) ASSERT_EQ(DigitsPic.pixels[i] >> 24, 255u) << i;
  {
    // The rows kept are the top of the whole 1280 x 14960 stretch.
    OwnedImage whole(1280, DigitsStretchHeight);
    stretchBlit(whole.img, 0, 0, 1279, DigitsStretchHeight - 1, ZifriImage);
    makeOpaque(whole.img);
    EXPECT_EQ(std::memcmp(whole.img.pixels, DigitsPic.pixels, size_t(1280) * DigitsShownRows * 4), 0);
  }
  EXPECT_TRUE(hasSize(CurvePic, 600, 240));
  EXPECT_TRUE(isKeyedPicture(CurvePic));

  const std::pair<int32_t, int32_t> scroll[] = {{45901, -1001}, {48799, -3899}};
  for (auto [t, y] : scroll) {
    fillMixedPattern(Screen);
    drawAt(t, drawZifri);
    EXPECT_EQ(DigitScrollY, y);
    // The digits replace the whole screen.
    EXPECT_EQ(std::memcmp(Screen.pixels, DigitsPic.pixels + int64_t(-y) * 1280, 1280 * 720 * 4), 0) << t;
  }
  const std::pair<int32_t, int32_t> curve[] = {{62521, -1}, {62719, -199}, {63681, -1161}, {63839, -1319}};
  for (auto [t, y] : curve) {
    fillMixedPattern(Screen);
    drawAt(t, drawZifriCurve);
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

// The score's windows of the scroll never reach below the rows kept.
TEST(ZifriRows, TheScoreShowsOnlyTheRowsKept) {
  int windows = 0;
  for (int r = 0; r < EffectScheduleRows; ++r) {
    const ScheduleRow& row = EffectSchedule[r];
    for (FrameRoutine routine : row.Routines) {
      if (routine != drawZifri && routine != drawZifriCurve) continue;
      ++windows;
      // DigitScrollY falls as DemoTime rises: the last frame of the window shows the lowest rows.
      const int32_t top = (routine == drawZifri ? 44900 : 62520) - row.To;
      EXPECT_LE(-top + 719, DigitsShownRows - 1) << "row " << r + 1;
      EXPECT_LE(top, 0) << "row " << r + 1;
    }
  }
  EXPECT_EQ(windows, 3);
}

}  // namespace
