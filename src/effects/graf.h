#pragma once
// Graf: the screen-sized "graf.img" turned about its centre by a slowly growing
// angle, keyed over the screen.
#include <cstdint>
#include "raster/image.h"

extern Image GraphPic;      // 1280 x 720 keyed picture
extern int32_t GraphAngle;  // degrees: round((DemoTime - 41530) / 18.0) + 270, in double

void initGraf();
void drawGraf();
void freeGraf();
