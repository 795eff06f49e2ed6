#pragma once
// Landscape: "landscape.img", enlarged, moving down the screen and slightly to
// the right, keyed over the screen; first turned by a growing angle, later unturned
// at double height.
#include <cstdint>

#include "raster/image.h"

extern Image landPic;   // 1480 x 1111
extern Image landTall;  // 1480 x (2 x height of "landscape.img")
// Set to 0 at set-up only: landAngle carries over between windows and passes.
extern int32_t landX, landY, landAngle;

void initLandscape();
// Window 55401..56519, t = DemoTime - 55400: while landAngle < 10 it follows
// round(t / 32); position (round(t / 32) - 64, t - 340); turned by landAngle.
void drawLandscape();
// Window 64641..65759, t = DemoTime - 64640: landAngle follows round(t / 32)
// while below 16 (not used here); position (round(t / 32) - 64, t div 2 - 320).
void drawLandscapeReprise();
void freeLandscape();
