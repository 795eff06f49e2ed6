#include "effects/gitter.h"

#include "data/assets.h"
#include "display/screen.h"
#include "effects/keyed.h"
#include "music/clock.h"
#include "raster/stretch.h"

Image GridPic;
int32_t GridX1, GridY1, GridX2, GridY2, GridGrow;

void initGitter() {
  requireMinSize(GitterImage, "gitter.img", 2, 2);
  buildKeyedPicture(GridPic, GitterImage, 1280, 1024);
}

void drawGitter() {
  const int32_t h = (DemoTime - 41000) / 2;
  GridX1 = -h;
  GridY1 = -h;
  GridX2 = 1280 + h;
  GridY2 = 720 + h;
  GridGrow = h;
  stretchBlitAlpha(Screen, GridX1, GridY1 - GridGrow, GridX2, GridY2 - GridGrow, GridPic);
}

void freeGitter() { freeImage(GridPic); }
