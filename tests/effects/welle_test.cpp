// Wave over brain: the brain shrinks towards a fixed centre, the wave on top.
#include "effects/welle.h"
#include "fixtures.h"

namespace {

using Welle = MiddleModuleTest;

TEST_F(Welle, ShrinksTowardsFixedCentre) {
  initWelle();
  EXPECT_TRUE(hasSize(WavePic, 600, 160));
  EXPECT_TRUE(hasSize(WaveBrainPic, 1280, 720));
  for (int32_t t = 52141; t <= 53279; ++t) {
    drawAt(t, drawWelle);
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
  expectFrameAt(
      52141, drawWelle,
      [](Image ref) {
        stretchBlitAdd(ref, -256, -256, 1800, 900, WaveBrainPic);
        blitClippedKeyed(ref, 0, 280, WavePic, 0);
      },
      "brain, then the wave on top");
  freeWelle();
}

}  // namespace
