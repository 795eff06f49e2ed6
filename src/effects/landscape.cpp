#include "effects/landscape.h"

#include "data/assets.h"
#include "display/screen.h"
#include "music/clock.h"
#include "raster/blit.h"
#include "raster/filter.h"
#include "raster/numeric.h"
#include "raster/stretch.h"

Image landPic;
Image landTall;
int32_t landX = 0, landY = 0, landAngle = 0;

void initLandscape() {
  requireMinSize(LandscapeImage, "landscape.img", 2, 2);
  requireWorkSize(LandscapeImage, "landscape.img", 1480, 2 * int64_t(LandscapeImage.height));
  AllocImage(landPic, 1480, 1111);
  stretchBlit(landPic, 0, 0, 1479, 1110, LandscapeImage);
  const int32_t tallHeight = 2 * LandscapeImage.height;
  AllocImage(landTall, 1480, uint32_t(tallHeight));
  stretchBlit(landTall, 0, 0, 1479, tallHeight - 1, LandscapeImage);
  blurImage(landPic);
  blurImage(landTall);
  // No alpha rewrite: key 0 skips exactly the black of the loaded picture.
  landX = 0;
  landY = 0;
  landAngle = 0;
}

// One column and one degree every 32 ms, halves to even.
static int32_t slowStep(int32_t t) { return roundToInt32(double(t) * 0.03125); }

void drawLandscape() {
  const int32_t t = DemoTime - 55400;
  if (t < 1 || t > 1119) return;
  if (landAngle < 10) landAngle = slowStep(t);
  landX = slowStep(t) - 64;
  landY = t - 340;
  rotateBlitKeyed(Screen, landX, landY, landAngle, landPic, 0);
}

void drawLandscapeReprise() {
  const int32_t t = DemoTime - 64640;
  if (landAngle < 16) landAngle = slowStep(t);
  landX = slowStep(t) - 64;
  landY = t / 2 - 320;
  blitClippedKeyed(Screen, landX, landY, landTall, 0);
}

void freeLandscape() {
  freeImage(landPic);
  freeImage(landTall);
}
