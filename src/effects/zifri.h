#pragma once
// Zifri: a screen-wide, very tall picture of digits scrolling up one row per
// millisecond, opaque over the whole screen, and later "curve.img" keyed over it.
#include <cstdint>
#include "raster/image.h"

// "zifri.img" stretched to 1280 x 14960, every pixel opaque, not blurred; of
// that only the rows the scroll ever shows are kept: drawZifri's last frame,
// DemoTime 48799, shows rows 3899 to 4618 (the curve's windows stop earlier).
constexpr int32_t DigitsStretchHeight = 14960;
constexpr int32_t DigitsShownRows = 48799 - 44900 + 720;
extern Image DigitsPic;       // 1280 x DigitsShownRows
extern Image CurvePic;        // twice the size of "curve.img", keyed picture
extern int32_t DigitScrollY;  // row of the digits' top edge (never positive in the windows)

void initZifri();
// DigitScrollY = 44900 - DemoTime.
void drawZifri();
// DigitScrollY = 62520 - DemoTime, then the curve keyed at (0, 0).
void drawZifriCurve();
void freeZifri();
