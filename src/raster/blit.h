#pragma once
// Whole-image blits: the source's top-left pixel goes to (x, y) of dst.
// Unclipped routines need the whole source rectangle inside dst.
#include "raster/image.h"

// Rows of 2 * (width div 2) pixels moved in pairs; source width even, height >= 1.
void blitImage(Image dst, int32_t x, int32_t y, Image src);
// Every source pixel unless it equals key (all 32 bits).
void blitImageKeyed(Image dst, int32_t x, int32_t y, Image src, Color32 key);
// dst(i, j) = src(i + sx, j + sy) over all of dst.
void grabImage(Image dst, int32_t sx, int32_t sy, Image src);
// blendColors(s, d), mixColors(s, d, t), addColors(s, d), subColors(s, d).
void blitAlpha(Image dst, int32_t x, int32_t y, Image src);
void blitMix(Image dst, int32_t x, int32_t y, Image src, uint8_t t);
void blitAdd(Image dst, int32_t x, int32_t y, Image src);
void blitSub(Image dst, int32_t x, int32_t y, Image src);

// The clipped blits draw nothing when x >= dst.width - 1, y >= dst.height - 1,
// x + src.width - 1 <= 0 or y + src.height - 1 <= 0; visible source rectangle
// c0 = max(0, -x) .. c1 = min(src.width - 1, dst.width - 1 - x), rows alike.
// Copies columns c0..c1, rows r0..r1.
void blitClipped(Image dst, int32_t x, int32_t y, Image src);
// Columns c0..c1-1, rows r0..r1-1 (the last visible column and row are dropped).
void blitClippedKeyed(Image dst, int32_t x, int32_t y, Image src, Color32 key);
// Rows r1 down to r0+1, columns c1 down to c0+1; src(c, r) is added to the pixel
// one up and one left, dst(x + c - 1, y + r - 1): r, g, b saturate, alpha 255.
void blitClippedAdd(Image dst, int32_t x, int32_t y, Image src);
