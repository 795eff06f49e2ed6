#pragma once
// Dist: "dist.img", blurred, added onto the screen while it drifts up and to the
// left along the diagonal, shaking by a few pixels from frame to frame.
#include <cstdint>

#include "raster/image.h"

extern Image distPic;         // blurred copy of "dist.img"
extern int32_t distX, distY;  // always equal: both shakes see the same DemoTime

void initDist();
// base = (T0 - DemoTime) div 2; distX = distY = base + timeRandom(8) - 4.
void drawDist();         // T0 = 54300, window 54301..55199
void drawDistReprise();  // T0 = 63680, window 63681..63839
void freeDist();
