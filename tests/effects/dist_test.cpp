// Shaking drift picture: it shakes along the diagonal, in the first window
// and in the reprise.
#include "effects/dist.h"
#include "fixtures.h"

namespace {

TEST(Dist, ShakesAlongTheDiagonal) {
  ModuleScope scope(DistImage, 64, 40, greyPattern);
  initDist();
  for (int32_t t = 54301; t <= 55199; ++t) {
    drawAt(t, drawDist);
    ASSERT_EQ(distX, distY) << t;
    const int32_t base = (54300 - t) / 2;
    ASSERT_GE(distX, base - 4);
    ASSERT_LE(distX, base + 4);
  }
  EXPECT_GE(distX, -453);
  EXPECT_LE(distX, -445);
  for (int32_t t = 63681; t <= 63839; ++t) {
    drawAt(t, drawDistReprise);
    ASSERT_EQ(distX, distY) << t;
  }
  freeDist();
}

}  // namespace
