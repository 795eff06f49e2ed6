#pragma once
// Welle: "brain.img" at twice its size added onto the screen in a rectangle that
// shrinks towards the fixed point (772, 322), and the wave "welle.img" at twice
// its size keyed over it, vertically centred at the left. Neither picture gets an
// alpha rewrite: each pixel keeps the alpha the blur produced.
#include <cstdint>
#include "raster/image.h"

extern Image WavePic;       // twice the size of "welle.img", blurred
extern Image WaveBrainPic;  // twice the size of "brain.img", blurred
// s = (DemoTime - 52140) div 6: (s - 256, s - 256) to (1800 - s, 900 - s).
extern int32_t BrainX1, BrainY1, BrainX2, BrainY2;

void initWelle();
void drawWelle();
void freeWelle();
