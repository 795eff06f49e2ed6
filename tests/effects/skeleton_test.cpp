// Pulsing skeleton: the drift gathered frame by frame, the return and the
// reprise, and the reset between passes.
#include <cmath>

#include "effects/skeleton.h"
#include "fixtures.h"

namespace {

using Skeleton = MiddleModuleTest;

TEST_F(Skeleton, DriftAccumulatesPerFrame) {
  initSkeleton();
  EXPECT_TRUE(isKeyedPicture(SkeletonBones));
  // Frames exactly 1000/60 ms apart, as a steady 60 Hz display gives them.
  auto run = [](int32_t from, int32_t to, void (*draw)()) {
    for (int i = 0;; ++i) {
      const int32_t t = int32_t(std::lround(from + i * (1000.0 / 60.0)));
      if (t > to) break;
      drawAt(t, draw);
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
        drawAt(45361, drawSkeletonReturn);
      },
      [](Image ref) { stretchBlitAdd(ref, 478, 217, 802, 510, SkeletonBones); }, "return with drift 10");

  // The reprise sets the drift; without the reset the next pass would start from it.
  expectFrameAt(
      68481, drawSkeletonReprise, [](Image ref) { stretchBlitKeyed(ref, 860, 300, 1164, 604, 0, SkeletonBones); },
      "reprise at 68481");
  EXPECT_EQ(SkeletonDrift, 0);
  drawAt(68799, drawSkeletonReprise);
  EXPECT_EQ(SkeletonDrift, 19);
  drawAt(44601, drawSkeleton);
  EXPECT_EQ(SkeletonDrift, 19);
  resetSkeleton();
  EXPECT_EQ(SkeletonDrift, 0);
  freeSkeleton();
}

}  // namespace
