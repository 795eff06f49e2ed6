// Landscape drift: its positions and angles, rounded half to even, and the
// angle the reprise leaves for the next pass.
#include "effects/landscape.h"
#include "fixtures.h"

namespace {

TEST(Landscape, PositionsAndAngles) {
  ModuleScope scope(LandscapeImage, 74, 50, greyPattern);
  initLandscape();
  EXPECT_EQ(landTall.height, 100);
  drawAt(55401, drawLandscape);
  EXPECT_EQ(landX, -64);
  EXPECT_EQ(landY, -339);
  EXPECT_EQ(landAngle, 0);
  drawAt(55400 + 16, drawLandscape);
  EXPECT_EQ(landAngle, 0) << "round(0.5) is 0";
  drawAt(55400 + 48, drawLandscape);
  EXPECT_EQ(landAngle, 2) << "round(1.5) is 2";
  for (int32_t t = 55449; t <= 56519; t += 7) {
    drawAt(t, drawLandscape);
  }
  drawAt(56519, drawLandscape);
  EXPECT_EQ(landAngle, 10);
  EXPECT_EQ(landX, -29);
  EXPECT_EQ(landY, 779);
  // The reprise restarts the angle below 16 and leaves it there for the next pass.
  drawAt(64641, drawLandscapeReprise);
  EXPECT_EQ(landX, -64);
  EXPECT_EQ(landY, -320);
  EXPECT_EQ(landAngle, 0);
  for (int32_t t = 64642; t <= 65759; t += 3) {
    drawAt(t, drawLandscapeReprise);
  }
  drawAt(65759, drawLandscapeReprise);
  EXPECT_EQ(landX, -29);
  EXPECT_EQ(landY, 239);
  EXPECT_EQ(landAngle, 16);
  drawAt(55401, drawLandscape);
  EXPECT_EQ(landAngle, 16) << "never reset between passes";
  freeLandscape();
}

}  // namespace
