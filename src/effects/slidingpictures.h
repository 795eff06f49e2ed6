#pragma once
// Line, Spiral and Wertit: three small modules of the same make, each showing one
// picture at twice its size, keyed over the screen with key 0. The pictures get
// no alpha rewrite: each pixel keeps the alpha the blur produced from the grey
// asset, so only areas black with all their neighbours (all four bytes 0) are skipped.
#include <cstdint>
#include "raster/image.h"

// Line: "line.img" sliding up one row per 2 ms and left one column per 4 ms.
extern Image LinePic;
extern int32_t LinePicX, LinePicY;  // t = DemoTime - 46480: (-(t div 4), 580 - t div 2)
void initLine();
void drawLine();
void freeLine();

// Spiral: "spiral.img" drifting up and left, faster horizontally.
extern Image SpiralPic;
// t = DemoTime - 49000: X = -round(t / 1.5) in single, Y = -round(t / 1.6) in extended.
extern int32_t SpiralPicX, SpiralPicY;
void initSpiral();
void drawSpiral();
void freeSpiral();

// Wertit: "wertit.img" turned about the screen centre, one degree per 6 ms.
extern Image WertitPic;
extern int32_t WertitAngle;  // (DemoTime - 50520) div 6
void initWertit();
void drawWertit();
void freeWertit();
