#include "effects/krutit.h"

#include "data/assets.h"
#include "display/screen.h"
#include "effects/flashpictures.h"
#include "music/clock.h"
#include "raster/blit.h"
#include "raster/filter.h"
#include "raster/stretch.h"

Image krutitPic;
Image turnBuffer;
int32_t turn = 0;

void initKrutit() {
  requireMinSize(KrutitImage, "krutit.img", 2, 2);
  requireWorkSize(KrutitImage, "krutit.img", 2 * int64_t(KrutitImage.width) + 128,
                  2 * int64_t(KrutitImage.height) + 128);
  const uint32_t w = uint32_t(KrutitImage.width), h = uint32_t(KrutitImage.height);
  AllocImage(krutitPic, 2 * w, 2 * h);
  stretchBlit(krutitPic, 0, 0, krutitPic.width - 1, krutitPic.height - 1, KrutitImage);
  AllocImage(turnBuffer, 2 * w + 128, 2 * h + 128);
  blurImage(krutitPic);
  // No alpha rewrite: key 0 skips the picture's black.
}

void drawKrutit() {
  turn = (DemoTime - 61120) / 2;
  fillLongs(turnBuffer.pixels, uint32_t(turnBuffer.width) * uint32_t(turnBuffer.height), 0);
  rotateBlitKeyed(turnBuffer, 0, 64, turn, krutitPic, 0);
  // At turn 0 a 78 x 4 rectangle centred on (640, 360), one pixel wider on every
  // side per step.
  stretchBlitAdd(Screen, 601 - turn, 358 - turn, 679 + turn, 362 + turn, turnBuffer);
  if (DemoTime > 61160) {
    const int32_t u = DemoTime - 61160;
    blitClippedAdd(Screen, u - 1254, 490, Sintable1Picture);
    blitClippedAdd(Screen, 1254 - u, 0, Sintable2Picture);
  }
}

void drawKrutitLower() { blitClippedKeyed(Screen, 0, 360, krutitPic, 0); }

void drawKrutitRight() { blitClippedKeyed(Screen, 490, 0, krutitPic, 0); }

void freeKrutit() {
  freeImage(krutitPic);
  freeImage(turnBuffer);
}
