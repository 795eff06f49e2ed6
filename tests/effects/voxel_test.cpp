// Rising voxel picture: it rises from the bottom and is added to the screen.
#include "effects/voxel.h"
#include "fixtures.h"

namespace {

TEST(Voxel, RisesFromTheBottom) {
  ModuleScope scope(VoxelImage, 30, 20, greyPattern);
  initVoxel();
  EXPECT_TRUE(hasSize(voxPic, 316, 40));
  const int32_t expected[3] = {719, 719, 718};
  for (int32_t i = 0; i < 3; ++i) {
    drawAt(57141 + i, drawVoxel);
    EXPECT_EQ(voxX, -10);
    EXPECT_EQ(voxY, expected[i]) << DemoTime;
  }
  drawAt(57999, drawVoxel);
  EXPECT_EQ(voxY, 147);
  // Additive: a black picture leaves the screen as it was.
  clearScreen(0xFF404040);
  std::fill(voxPic.pixels, voxPic.pixels + voxPic.width * voxPic.height, 0);
  drawAt(57600, drawVoxel);
  EXPECT_EQ(countRow(600, 0xFF404040), 1280);
  freeVoxel();
}

}  // namespace
