#pragma once
// Whole-image filters and the music-time random number.
#include "raster/image.h"

// State of textureBrightPixels, kept for the whole run and never reset.
extern int32_t TexOffsetX;  // 320 at start
extern int32_t TexOffsetY;  // 200 at start
extern float TexAccum;      // FrameStep gathered since the last jump

// Complements all 32 bits of the first 2 * ((width * height) div 2) pixels.
void invertImage(Image img);
// In-place 3 x 3 box blur (per channel sum / 9, truncated) of the non-border
// pixels, scanning rows top to bottom, left to right: the row above and the left
// neighbour are already blurred when a pixel is computed.
void blurImage(Image img);
// Pixels of dst with red >= 240 take the texture pixel at the drifting offset
// (alpha 255); the offset jumps by timeRandom(16) - 8 once interval hundredths of
// a second of FrameStep have gathered.
void textureBrightPixels(Image dst, Image tex, uint8_t interval);
// The pixel pass of textureBrightPixels at one offset: tx = offsetX + x, ty =
// offsetY + y (wrapping in 32 bits); 1 .. size - 2 as they are, zero and
// negative ones to size, from size - 1 on mod size. Nothing for an empty tex.
void overlayBrightPixels(Image dst, Image tex, int32_t offsetX, int32_t offsetY);
// 0..n from DemoTime alone: |rint(float(n) * float(((DemoTime * 314159269 +
// 453806245) mod 2^32) mod 2147483647 / 2147483647.0))|.
int32_t timeRandom(int32_t n);
