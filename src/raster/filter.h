#pragma once
// Whole-image filters.
#include "raster/image.h"

// Complements all 32 bits of the first 2 * ((width * height) div 2) pixels.
void invertImage(Image img);
// In-place 3 x 3 box blur (per channel sum / 9, truncated) of the non-border
// pixels, scanning rows top to bottom, left to right: the row above and the left
// neighbour are already blurred when a pixel is computed.
void blurImage(Image img);
// Pixels of dst with red >= 240 take the texture pixel at (tx, ty) with alpha
// 255 (textureBrightPixels in music/chance.h drifts the offset): tx = offsetX + x, ty =
// offsetY + y (wrapping in 32 bits); 1 .. size - 2 as they are, zero and
// negative ones to size, from size - 1 on mod size. Nothing for an empty tex.
void overlayBrightPixels(Image dst, Image tex, int32_t offsetX, int32_t offsetY);
