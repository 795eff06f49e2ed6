#pragma once
// Gitter: the grid "gitter.img" blended over the screen, its bottom edge on the
// screen's last row, growing upward twice as fast as sideways.
#include <cstdint>
#include "raster/image.h"

extern Image GridPic;  // 1280 x 1024 keyed picture (alpha 0 or 255)
extern int32_t GridX1, GridY1, GridX2, GridY2, GridGrow;

void initGitter();
// h = (DemoTime - 41000) div 2; rectangle (-h, -2h) to (1280 + h, 720).
void drawGitter();
void freeGitter();
