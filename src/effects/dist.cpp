#include "effects/dist.h"

#include "data/assets.h"
#include "display/screen.h"
#include "music/chance.h"
#include "music/clock.h"
#include "raster/blit.h"
#include "raster/filter.h"

Image distPic;
int32_t distX = 0, distY = 0;

void initDist() {
  requireMinSize(DistImage, "dist.img", 2, 2);
  AllocImage(distPic, uint32_t(DistImage.width), uint32_t(DistImage.height));
  copyLongs(DistImage.pixels, distPic.pixels, uint32_t(DistImage.width) * uint32_t(DistImage.height));
  blurImage(distPic);
}

static void drawDistFrom(int32_t origin) {
  const int32_t base = (origin - DemoTime) / 2;  // truncates toward zero
  distX = base + timeRandom(8) - 4;
  distY = base + timeRandom(8) - 4;
  blitClippedAdd(Screen, distX, distY, distPic);
}

void drawDist() { drawDistFrom(54300); }

void drawDistReprise() { drawDistFrom(63680); }

void freeDist() { freeImage(distPic); }
