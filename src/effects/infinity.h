#pragma once
// Infinity: "infinity.img" growing from the middle of the screen while it flips
// between four tilts (0, 10, 20, 30 degrees), and later growing and sinking from
// above the top edge. The asset itself is blurred and keyed in place at set-up
// and drawn directly by the scroll.
#include <cstdint>
#include "raster/image.h"

// Tilt[0]: the size of "infinity.img"; Tilt[1..3]: 447 x 343, 463 x 372, 472 x 394.
extern Image Tilt[4];
// Left and top that centre each tilt on (640, 324).
extern int32_t TiltLeft[4], TiltTop[4];
extern int32_t InfinityGrow;          // border of the last frame's rectangle
extern int32_t InfinityX, InfinityY;  // 580, -128 once the scroll has run

void initInfinity();
// The tilt shown at time ms in the window 41531..42519, or -1 for none
// (41531..41640: 0, then 1 2 3 2 1 0 1 2 3 every 80 ms, 2 until 42400,
// 1 until 42480, nothing after).
int32_t infinityTiltAt(int32_t ms);
// InfinityGrow = (DemoTime - 41530) div 4; the tilt stretched by that much on
// every side about its centre, keyed.
void drawInfinity();
// InfinityGrow = (DemoTime - 64640) div 6; rectangle (580 - g, -128 + g) to
// (644 + g, 25 + 2g) of "infinity.img", keyed.
void drawInfinityScroll();
void freeInfinity();
