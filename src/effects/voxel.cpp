#include "effects/voxel.h"

#include "data/assets.h"
#include "display/screen.h"
#include "music/clock.h"
#include "raster/blit.h"
#include "raster/filter.h"
#include "raster/numeric.h"
#include "raster/stretch.h"

Image voxPic;
int32_t voxX = 0, voxY = 720;

void initVoxel() {
  requireMinSize(VoxelImage, "voxel.img", 2, 2);
  requireWorkSize(VoxelImage, "voxel.img", 2 * int64_t(VoxelImage.width) + 256, 2 * int64_t(VoxelImage.height));
  const int32_t w = VoxelImage.width, h = VoxelImage.height;
  AllocImage(voxPic, uint32_t(2 * w + 256), uint32_t(2 * h));
  // The bottom corner is one row past voxPic: the stretch spans that range and
  // the row outside is clipped.
  stretchBlit(voxPic, 0, 0, 2 * w + 255, 2 * h, VoxelImage);
  blurImage(voxPic);
  voxX = 0;
  voxY = 720;
}

void drawVoxel() {
  const int32_t t = DemoTime - 57140;
  if (t < 1 || t > 859) return;
  voxX = -10;
  voxY = roundToInt32(-(float(t) / 1.5f)) + 720;
  blitClippedAdd(Screen, voxX, voxY, voxPic);
}

void freeVoxel() { freeImage(voxPic); }
