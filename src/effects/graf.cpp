#include "effects/graf.h"

#include "data/assets.h"
#include "display/screen.h"
#include "effects/keyed.h"
#include "music/clock.h"
#include "raster/numeric.h"
#include "raster/stretch.h"

Image GraphPic;
int32_t GraphAngle;

void initGraf() {
  requireMinSize(GrafImage, "graf.img", 2, 2);
  buildKeyedPicture(GraphPic, GrafImage, 1280, 720);
}

void drawGraf() {
  // The time origin lies before the window: 352 degrees at 43001, 378 at 43479
  // (used as it is; the blit takes it mod 360).
  GraphAngle = roundToInt32(double(DemoTime - 41530) / 18.0) + 270;
  rotateBlitKeyed(Screen, 0, 0, GraphAngle, GraphPic, 0);
}

void freeGraf() { freeImage(GraphPic); }
