#include "effects/slidingpictures.h"

#include "data/assets.h"
#include "display/screen.h"
#include "music/clock.h"
#include "raster/blit.h"
#include "raster/filter.h"
#include "raster/numeric.h"
#include "raster/stretch.h"

Image LinePic;
int32_t LinePicX, LinePicY;
Image SpiralPic;
int32_t SpiralPicX, SpiralPicY;
Image WertitPic;
int32_t WertitAngle;

// The asset at twice its size, blurred; the alpha stays as the blur left it.
static void buildDoubledPicture(Image& pic, const Image& asset, const char* name) {
  requireMinSize(asset, name, 2, 2);
  AllocImage(pic, 2 * uint32_t(asset.width), 2 * uint32_t(asset.height));
  stretchBlit(pic, 0, 0, 2 * asset.width - 1, 2 * asset.height - 1, asset);
  blurImage(pic);
}

// ---- Line

void initLine() { buildDoubledPicture(LinePic, LineImage, "line.img"); }

void drawLine() {
  const int32_t t = DemoTime - 46480;
  LinePicY = 580 - t / 2;
  LinePicX = -(t / 4);
  blitClippedKeyed(Screen, LinePicX, LinePicY, LinePic, 0);
}

void freeLine() { freeImage(LinePic); }

// ---- Spiral

void initSpiral() { buildDoubledPicture(SpiralPic, SpiralImage, "spiral.img"); }

void drawSpiral() {
  const int32_t t = DemoTime - 49000;
  // Two paces that round differently: x through single precision; y is
  // t / 1.6 in extended precision, where 1.6L is 1.4e-20 relative too large,
  // under half an extended step, so every quotient that should be a tie (t = 4
  // mod 8) comes back to exactly 5t/8 and goes to even, and the others lie at
  // least 1/8 from a tie. 5t/8 is exact in double: t * 0.625.
  SpiralPicX = -roundToInt32(float(t) / 1.5f);
  SpiralPicY = -roundToInt32(double(t) * 0.625);
  blitClippedKeyed(Screen, SpiralPicX, SpiralPicY, SpiralPic, 0);
}

void freeSpiral() { freeImage(SpiralPic); }

// ---- Wertit

void initWertit() { buildDoubledPicture(WertitPic, WertitImage, "wertit.img"); }

void drawWertit() {
  WertitAngle = (DemoTime - 50520) / 6;
  rotateBlitKeyed(Screen, Screen.width / 2 - WertitPic.width / 2, Screen.height / 2 - WertitPic.height / 2,
                  WertitAngle, WertitPic, 0);
}

void freeWertit() { freeImage(WertitPic); }
