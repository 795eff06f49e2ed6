#pragma once
// BrainBug: a screen-wide strip of "brainbug.img" added onto the screen, rising
// from below the bottom edge and stopping two thirds of the way up.
#include <cstdint>
#include "raster/image.h"

extern Image BrainBugStrip;  // 1280 x 424, opaque, blurred after the alpha pass
extern int32_t StripY;       // row of the strip; 768 at program start, never reset

void initBrainBug();
// Before 38360: StripY = 38688 - DemoTime; from then on it keeps its last value.
void drawBrainBug();
void freeBrainBug();
