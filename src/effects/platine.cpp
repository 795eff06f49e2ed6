#include "effects/platine.h"

#include "data/assets.h"
#include "display/screen.h"
#include "effects/keyed.h"
#include "music/clock.h"
#include "raster/stretch.h"

Image PlatineBoard;
int32_t BoardX1, BoardY1, BoardX2, BoardY2;

void initPlatine() {
  requireMinSize(Platine1Image, "platine1.img", 2, 2);
  buildKeyedPicture(PlatineBoard, Platine1Image, 1280, 720);
}

void drawPlatine() {
  BoardX1 = 38680 - DemoTime;
  BoardY1 = 38680 - DemoTime;
  BoardX2 = DemoTime - 37400;
  BoardY2 = DemoTime - 37960;
  stretchBlitAdd(Screen, BoardX1, BoardY1, BoardX2, BoardY2, PlatineBoard);
}

void freePlatine() { freeImage(PlatineBoard); }
