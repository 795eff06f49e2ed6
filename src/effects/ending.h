#pragma once
// Ending: the closing picture "end.img" grows out past the screen edges while it
// turns grey, brightens towards white and blurs a little more every frame. The
// picture evolves in place, so every pass of the show starts it afresh.
#include <cstdint>

#include "raster/image.h"

extern Image endImage;  // the evolving picture, the size of "end.img"
// Recomputed every frame from DemoTime.
extern float endLeft;
extern int32_t endTop;
extern float endRightOffset;
extern int32_t endBottomOffset;

// Blurs "end.img" in place once (the pristine copy) and allocates endImage.
void initEnding();
// endImage := the blurred "end.img" in pixel pairs (an odd last pixel stays 0).
void resetEnding();
// Every pixel becomes grey g in all four bytes, g = its red byte + 4 (at most
// 255), 0 staying 0.
void brightenEnding();
// Window 69521..75999, t = DemoTime - 69520: brighten, blur, then keyed stretch
// into (round(-2.5 t), -2 t) .. (round(1280 + 2 t), 720 + 2 t).
void drawEnding();
void freeEnding();
