#pragma once
// Platine: the circuit board "platine1.img" added onto the screen while zooming
// into it about the screen centre (640, 360).
#include <cstdint>
#include "raster/image.h"

extern Image PlatineBoard;                          // 1280 x 720 keyed picture
extern int32_t BoardX1, BoardY1, BoardX2, BoardY2;  // target rectangle of the last frame

void initPlatine();
// (38680 - T, 38680 - T) to (T - 37400, T - 37960), T = DemoTime; saturating add.
void drawPlatine();
void freePlatine();
