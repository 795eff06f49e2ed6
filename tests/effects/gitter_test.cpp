// Growing grid: it grows up and to the sides and keeps its bottom edge.
#include "effects/gitter.h"
#include "fixtures.h"

namespace {

using Gitter = MiddleModuleTest;

TEST_F(Gitter, KeepsItsBottomEdge) {
  initGitter();
  EXPECT_TRUE(hasSize(GridPic, 1280, 1024));
  EXPECT_TRUE(isKeyedPicture(GridPic));
  for (int32_t t = 41001; t <= 41529; ++t) {
    drawAt(t, drawGitter);
    const int32_t h = (t - 41000) / 2;
    ASSERT_EQ(GridY2 - GridGrow, 720) << t;
    ASSERT_EQ(GridY1 - GridGrow, -2 * h) << t;
    ASSERT_EQ(GridX1, -h) << t;
    ASSERT_EQ(GridX2, 1280 + h) << t;
  }
  EXPECT_EQ(GridGrow, 264);
  expectFrameAt(
      41001, drawGitter, [](Image ref) { stretchBlitAlpha(ref, 0, 0, 1280, 720, GridPic); }, "grid covers the screen");
  expectFrameAt(
      41529, drawGitter, [](Image ref) { stretchBlitAlpha(ref, -264, -528, 1544, 720, GridPic); }, "grid at the end");
  freeGitter();
}

}  // namespace
