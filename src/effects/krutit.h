#pragma once
// Krutit: "krutit.img" at twice its size, turned while it zooms out of a thin
// line at the screen centre and added to the screen; after 40 ms the two sine
// bands of the flash pictures slide in from opposite sides. Later the unturned
// picture is shown twice more for a moment.
#include <cstdint>

#include "raster/image.h"

extern Image krutitPic;   // 2 x the size of "krutit.img", blurred
extern Image turnBuffer;  // (2 x width + 128) x (2 x height + 128), redrawn every frame
extern int32_t turn;      // degrees, (DemoTime - 61120) div 2

void initKrutit();
// Window 61121..61999: the turned picture stretched into (601 - turn, 358 - turn)
// .. (679 + turn, 362 + turn); from 61161 on the bands at x = u - 1254 (row 490)
// and x = 1254 - u (row 0), u = DemoTime - 61160.
void drawKrutit();
void drawKrutitLower();  // keyed at (0, 360)
void drawKrutitRight();  // keyed at (490, 0)
void freeKrutit();
