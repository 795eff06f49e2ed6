#include "effects/infinity.h"

#include "data/assets.h"
#include "display/screen.h"
#include "effects/keyed.h"
#include "music/clock.h"
#include "raster/blit.h"
#include "raster/filter.h"
#include "raster/stretch.h"

Image Tilt[4];
int32_t TiltLeft[4], TiltTop[4];
int32_t InfinityGrow;
int32_t InfinityX, InfinityY;

// The fixed rhythm of the tilts: inclusive sub-windows of the frame routine.
struct TiltSpan {
  int32_t from, to, tilt;
};
static const TiltSpan TiltSpans[] = {
    {41531, 41640, 0}, {41641, 41720, 1}, {41721, 41800, 2}, {41801, 41880, 3}, {41881, 41960, 2}, {41961, 42040, 1},
    {42041, 42120, 0}, {42121, 42200, 1}, {42201, 42280, 2}, {42281, 42360, 3}, {42361, 42400, 2}, {42401, 42480, 1},
};

void initInfinity() {
  requireMinSize(InfinityImage, "infinity.img", 2, 2);
  // The asset is changed in place: the scroll later draws it as it is now.
  blurImage(InfinityImage);
  keyBlackTransparent(InfinityImage);

  AllocImage(Tilt[0], uint32_t(InfinityImage.width), uint32_t(InfinityImage.height));
  AllocImage(Tilt[1], 447, 343);
  AllocImage(Tilt[2], 463, 372);
  AllocImage(Tilt[3], 472, 394);
  for (int k = 0; k < 4; ++k) {
    TiltLeft[k] = 640 - Tilt[k].width / 2;
    TiltTop[k] = 324 - Tilt[k].height / 2;
  }
  blitImageKeyed(Tilt[0], 0, 0, InfinityImage, 0);
  rotateBlit(Tilt[1], 0, 0, 10, InfinityImage);
  rotateBlit(Tilt[2], 0, 0, 20, InfinityImage);
  rotateBlit(Tilt[3], 0, 0, 30, InfinityImage);
}

int32_t infinityTiltAt(int32_t ms) {
  for (const TiltSpan& span : TiltSpans)
    if (ms >= span.from && ms <= span.to) return span.tilt;
  return -1;
}

void drawInfinity() {
  InfinityGrow = (DemoTime - 41530) / 4;
  const int32_t k = infinityTiltAt(DemoTime);
  if (k < 0) return;
  const int32_t g = InfinityGrow;
  stretchBlitKeyed(Screen, TiltLeft[k] - g, TiltTop[k] - g, TiltLeft[k] + Tilt[k].width + g,
                   TiltTop[k] + Tilt[k].height + g, 0, Tilt[k]);
}

void drawInfinityScroll() {
  InfinityGrow = (DemoTime - 64640) / 6;
  InfinityX = 580;
  InfinityY = -128;
  const int32_t g = InfinityGrow;
  stretchBlitKeyed(Screen, InfinityX - g, InfinityY + g, InfinityX + 64 + g, InfinityY + 153 + 2 * g, 0, InfinityImage);
}

void freeInfinity() {
  for (int k = 0; k < 4; ++k) freeImage(Tilt[k]);
}
