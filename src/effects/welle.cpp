#include "effects/welle.h"

#include "data/assets.h"
#include "display/screen.h"
#include "music/clock.h"
#include "raster/blit.h"
#include "raster/filter.h"
#include "raster/stretch.h"

Image WavePic;
Image WaveBrainPic;
int32_t BrainX1, BrainY1, BrainX2, BrainY2;

void initWelle() {
  requireMinSize(WelleImage, "welle.img", 2, 2);
  requireMinSize(BrainImage, "brain.img", 2, 2);
  requireWorkSize(WelleImage, "welle.img", 2 * int64_t(WelleImage.width), 2 * int64_t(WelleImage.height));
  requireWorkSize(BrainImage, "brain.img", 2 * int64_t(BrainImage.width), 2 * int64_t(BrainImage.height));
  AllocImage(WavePic, 2 * uint32_t(WelleImage.width), 2 * uint32_t(WelleImage.height));
  stretchBlit(WavePic, 0, 0, 2 * WelleImage.width - 1, 2 * WelleImage.height - 1, WelleImage);
  AllocImage(WaveBrainPic, 2 * uint32_t(BrainImage.width), 2 * uint32_t(BrainImage.height));
  stretchBlit(WaveBrainPic, 0, 0, 2 * BrainImage.width - 1, 2 * BrainImage.height - 1, BrainImage);
  blurImage(WavePic);
  blurImage(WaveBrainPic);
}

void drawWelle() {
  const int32_t s = (DemoTime - 52140) / 6;
  BrainX1 = s - 256;
  BrainY1 = s - 256;
  BrainX2 = 1800 - s;
  BrainY2 = 900 - s;
  stretchBlitAdd(Screen, BrainX1, BrainY1, BrainX2, BrainY2, WaveBrainPic);
  // The wave lies on top of the brain.
  blitClippedKeyed(Screen, 0, Screen.height / 2 - WavePic.height / 2, WavePic, 0);
}

void freeWelle() {
  freeImage(WavePic);
  freeImage(WaveBrainPic);
}
