#include "effects/slidingpictures.h"

#include "data/assets.h"
#include "display/screen.h"
#include "music/clock.h"
#include "raster/blit.h"
#include "raster/exactround.h"
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
  requireWorkSize(asset, name, 2 * int64_t(asset.width), 2 * int64_t(asset.height));
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
  // Two paces that round differently: x through single precision, y as t / 1.6L.
  SpiralPicX = -roundToInt32(float(t) / 1.5f);
  // t / 1.6L is t * 5 / 8 rounded, ties to even: 1.6L lies above 1.6 by a
  // relative 2^-66 (x86 extended), 2^-114 (binary128) or 2^-54 (double), so at
  // the exact halves (t * 5 = 8n + 4) the quotient still rounds to the half in
  // its own format, and elsewhere it is 1/8 away from one. Integers give the
  // same on every platform.
  SpiralPicY = -roundDivEven(int64_t(t) * 5, 8);
  blitClippedKeyed(Screen, SpiralPicX, SpiralPicY, SpiralPic, 0);
}

void freeSpiral() { freeImage(SpiralPic); }

// ---- Wertit

void initWertit() { buildDoubledPicture(WertitPic, WertitImage, "wertit.img"); }

void drawWertit() {
  WertitAngle = (DemoTime - 50520) / 6;
  rotateBlitKeyed(Screen, Screen.width / 2 - WertitPic.width / 2, Screen.height / 2 - WertitPic.height / 2, WertitAngle,
                  WertitPic, 0);
}

void freeWertit() { freeImage(WertitPic); }
