// Form columns: four keyed columns over the screen, and the fourth form
// scrolling up.
#include <utility>

#include "effects/forms.h"
#include "fixtures.h"

namespace {

using Forms = MiddleModuleTest;

TEST_F(Forms, ColumnsAndScroll) {
  initForms();
  for (int i = 1; i <= 3; ++i) {
    EXPECT_TRUE(hasSize(FormPic[i], 312, 710));
  }
  EXPECT_TRUE(hasSize(FormPic[4], 300, 400));
  for (int i = 1; i <= 4; ++i) EXPECT_TRUE(isKeyedPicture(FormPic[i])) << i;

  fillMixedPattern(Screen);
  Snapshot before = snapshot();
  drawAt(40200, drawForms);
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
    drawAt(t, drawFormsScroll);
    EXPECT_EQ(FormScrollY, y) << t;
  }
  expectUnchangedAt(65001, drawFormsScroll, "form4 starts below the screen");
  expectFrameAt(
      65500, drawFormsScroll, [](Image ref) { blitClippedKeyed(ref, 64, 470, FormPic[4], 0); }, "scroll at 65500");
  freeForms();
}

}  // namespace
