#pragma once
// Zifri: a screen-wide, very tall picture of digits scrolling up one row per
// millisecond, opaque over the whole screen, and later "curve.img" keyed over it.
#include <cstdint>
#include "raster/image.h"

extern Image DigitsPic;       // 1280 x 14960, "zifri.img" stretched, every pixel opaque, not blurred
extern Image CurvePic;        // twice the size of "curve.img", keyed picture
extern int32_t DigitScrollY;  // row of the digits' top edge (never positive in the windows)

void initZifri();
// DigitScrollY = 44900 - DemoTime.
void drawZifri();
// DigitScrollY = 62520 - DemoTime, then the curve keyed at (0, 0).
void drawZifriCurve();
void freeZifri();
