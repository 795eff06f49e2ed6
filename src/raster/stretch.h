#pragma once
// Stretched (nearest-neighbour) and rotated (whole degrees) blits, clipped per
// destination pixel. Single-precision arithmetic exactly as documented below.
#include "raster/image.h"

// (x1, y1), (x2, y2): opposite corners, either order. w = x2 - x1, h = y2 - y1;
// stepX = float(src.width) / float(w); fx accumulates stepX per column (restarting
// at 0 each row) and fy accumulates stepY per row; sample (rint(fx), rint(fy)),
// clamped to the last column/row. Columns 0 .. max(1, w - 1) - 1 and rows
// 0 .. max(1, h - 1) - 1 are drawn; a degenerate rectangle draws nothing.
void stretchBlit(Image dst, int32_t x1, int32_t y1, int32_t x2, int32_t y2, Image src);
void stretchBlitKeyed(Image dst, int32_t x1, int32_t y1, int32_t x2, int32_t y2, Color32 key, Image src);
void stretchBlitAlpha(Image dst, int32_t x1, int32_t y1, int32_t x2, int32_t y2, Image src);
void stretchBlitAdd(Image dst, int32_t x1, int32_t y1, int32_t x2, int32_t y2, Image src);

// Turns src about its centre (x + width shr 1, y + height shr 1) by angle
// degrees; angles >= 360 are taken mod 360, smaller ones (negatives too) as they are.
void rotateBlit(Image dst, int32_t x, int32_t y, int32_t angle, Image src);
void rotateBlitKeyed(Image dst, int32_t x, int32_t y, int32_t angle, Image src, Color32 key);
// Stores addColors(d, p).
void rotateBlitAdd(Image dst, int32_t x, int32_t y, int32_t angle, Image src);

// Bounding-box helper of the rotated blits: (px, py) turned about (cx, cy) by rad:
// dist = float(sqrt(dx^2 + dy^2)), a = rad + angleOf(dy, dx) in single, then
// round(cos(a) * dist + cx) and round(sin(a) * dist + cy) in extended precision.
void rotatePoint(int32_t cx, int32_t cy, int32_t px, int32_t py, float rad, int32_t& ox, int32_t& oy);
// The rotated blits' angle steps, for an angle already taken mod 360:
// rad = float(angle * 0.017453293) in extended precision (the corners), and
// s, c = sin and cos of (angle + 90) * the single 0.017453292 (bits 0x3C8EFA35),
// in extended precision, rounded to single (the sampling factors).
float rotateRadians(int32_t angle);
void rotateSampleFactors(int32_t angle, float& s, float& c);
