#pragma once
// Voxel: a widened, enlarged "voxel.img" added onto the screen, rising from
// below the bottom edge one row every 1.5 ms.
#include <cstdint>

#include "raster/image.h"

extern Image voxPic;  // (2 x width + 256) x (2 x height) of "voxel.img"
extern int32_t voxX, voxY;

void initVoxel();
// Window 57141..57999, t = DemoTime - 57140: voxY = round(-(float(t) / 1.5)) + 720.
void drawVoxel();
void freeVoxel();
