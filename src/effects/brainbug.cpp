#include "effects/brainbug.h"

#include "data/assets.h"
#include "display/screen.h"
#include "effects/setupchecks.h"
#include "music/clock.h"
#include "raster/blit.h"
#include "raster/filter.h"
#include "raster/stretch.h"

Image BrainBugStrip;
int32_t StripY = 768;

void initBrainBug() {
  requireMinSize(BrainbugImage, "brainbug.img", 2, 2);
  AllocImage(BrainBugStrip, 1280, 424);
  stretchBlit(BrainBugStrip, 0, 0, 1279, 423, BrainbugImage);
  makeOpaque(BrainBugStrip);
  // After the alpha pass: the blur of an all-255 alpha stays 255.
  blurImage(BrainBugStrip);
}

void drawBrainBug() {
  // The strip follows the clock until 38360, then stays where the last frame
  // before that left it, whatever the frame rate.
  if (DemoTime < 38360) StripY = 38688 - DemoTime;
  blitClippedAdd(Screen, 0, StripY, BrainBugStrip);
}

void freeBrainBug() { freeImage(BrainBugStrip); }
