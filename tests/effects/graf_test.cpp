// Turning graph: its angle, rounded half to even, and the frame it draws.
#include <utility>

#include "effects/graf.h"
#include "fixtures.h"

namespace {

using Graf = MiddleModuleTest;

TEST_F(Graf, Angle) {
  initGraf();
  EXPECT_TRUE(isKeyedPicture(GraphPic));
  // 43015: 1485 / 18 = 82.5 rounds to the even 82.
  const std::pair<int32_t, int32_t> angles[] = {{43001, 352}, {43015, 352}, {43016, 353}, {43150, 360}, {43479, 378}};
  for (auto [t, a] : angles) {
    drawAt(t, drawGraf);
    EXPECT_EQ(GraphAngle, a) << t;
  }
  expectFrameAt(
      43001, drawGraf, [](Image ref) { rotateBlitKeyed(ref, 0, 0, 352, GraphPic, 0); }, "graph at 43001");
  freeGraf();
}

}  // namespace
