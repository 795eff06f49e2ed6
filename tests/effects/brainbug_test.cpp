// Rising brain: the strip starts below the screen, rises, and holds where the
// last frame before the hold left it.
#include <string>

#include "effects/brainbug.h"
#include "fixtures.h"

namespace {

using BrainBug = MiddleModuleTest;

TEST_F(BrainBug, RisesAndHolds) {
  initBrainBug();
  ASSERT_TRUE(hasSize(BrainBugStrip, 1280, 424));
  for (int32_t i = 0; i < 1280 * 424; ++i) ASSERT_EQ(BrainBugStrip.pixels[i] >> 24, 255u) << i;

  expectUnchangedAt(37921, drawBrainBug, "the strip starts below the screen");
  EXPECT_EQ(StripY, 767);

  // From 38360 the strip stays where the last frame before left it.
  for (int32_t last : {38359, 38350}) {
    drawAt(last, drawBrainBug);
    const int32_t held = 38688 - last;
    EXPECT_EQ(StripY, held);
    for (int32_t t : {38360, 38400, 38519}) {
      expectFrameAt(
          t, drawBrainBug, [&](Image ref) { blitClippedAdd(ref, 0, held, BrainBugStrip); },
          "strip at " + std::to_string(t));
      EXPECT_EQ(StripY, held) << t;
    }
  }
  freeBrainBug();
}

}  // namespace
