#include "raster/blit.h"

#include <algorithm>
#include <cstring>

namespace {

// Element offsets are 32-bit unsigned, as everywhere in the raster library.
inline Color32* pixelAt(Image img, int64_t x, int64_t y) {
  return img.pixels + (uint32_t(y) * uint32_t(img.width) + uint32_t(x));
}

// The visible part of src placed at (x, y) on dst, in source coordinates,
// all bounds inclusive; false when the placement draws nothing.
struct ClipRect {
  int64_t c0, c1, r0, r1;
};

bool clipToDestination(Image dst, int32_t x, int32_t y, Image src, ClipRect& rc) {
  int64_t dw = dst.width, dh = dst.height, sw = src.width, sh = src.height;
  // The last column and row of dst, and a placement ending on column or row 0,
  // count as outside.
  if (x >= dw - 1 || y >= dh - 1 || int64_t(x) + sw - 1 <= 0 || int64_t(y) + sh - 1 <= 0) return false;
  rc.c0 = std::max<int64_t>(0, -int64_t(x));
  rc.c1 = std::min<int64_t>(sw - 1, dw - 1 - x);
  rc.r0 = std::max<int64_t>(0, -int64_t(y));
  rc.r1 = std::min<int64_t>(sh - 1, dh - 1 - y);
  return true;
}

}  // namespace

void blitImage(Image dst, int32_t x, int32_t y, Image src) {
  // Whole pairs only: an odd last column is not copied.
  uint32_t run = uint32_t(src.width) & ~1u;
  const Color32* s = src.pixels;
  Color32* d = pixelAt(dst, x, y);
  for (int32_t j = 0; j < src.height; ++j) {
    copyLongs(s, d, run);
    s += src.width;
    d += dst.width;
  }
}

void blitImageKeyed(Image dst, int32_t x, int32_t y, Image src, Color32 key) {
  for (int32_t j = 0; j < src.height; ++j)
    for (int32_t i = 0; i < src.width; ++i) {
      Color32 s = getPixel(src, i, j);
      if (s != key) putPixel(dst, x + i, y + j, s);
    }
}

void grabImage(Image dst, int32_t sx, int32_t sy, Image src) {
  for (int32_t j = 0; j < dst.height; ++j)
    for (int32_t i = 0; i < dst.width; ++i) putPixel(dst, i, j, getPixel(src, i + sx, j + sy));
}

void blitAlpha(Image dst, int32_t x, int32_t y, Image src) {
  for (int32_t j = 0; j < src.height; ++j)
    for (int32_t i = 0; i < src.width; ++i)
      putPixel(dst, x + i, y + j, blendColors(getPixel(src, i, j), getPixel(dst, x + i, y + j)));
}

void blitMix(Image dst, int32_t x, int32_t y, Image src, uint8_t t) {
  for (int32_t j = 0; j < src.height; ++j)
    for (int32_t i = 0; i < src.width; ++i)
      putPixel(dst, x + i, y + j, mixColors(getPixel(src, i, j), getPixel(dst, x + i, y + j), t));
}

void blitAdd(Image dst, int32_t x, int32_t y, Image src) {
  for (int32_t j = 0; j < src.height; ++j)
    for (int32_t i = 0; i < src.width; ++i)
      putPixel(dst, x + i, y + j, addColors(getPixel(src, i, j), getPixel(dst, x + i, y + j)));
}

void blitSub(Image dst, int32_t x, int32_t y, Image src) {
  for (int32_t j = 0; j < src.height; ++j)
    for (int32_t i = 0; i < src.width; ++i)
      putPixel(dst, x + i, y + j, subColors(getPixel(src, i, j), getPixel(dst, x + i, y + j)));
}

void blitClipped(Image dst, int32_t x, int32_t y, Image src) {
  ClipRect rc;
  if (!clipToDestination(dst, x, y, src, rc)) return;
  int64_t run = rc.c1 - rc.c0 + 1;
  if (run <= 0) return;
  for (int64_t r = rc.r0; r <= rc.r1; ++r)
    std::memmove(pixelAt(dst, x + rc.c0, y + r), pixelAt(src, rc.c0, r), size_t(run) * sizeof(Color32));
}

void blitClippedKeyed(Image dst, int32_t x, int32_t y, Image src, Color32 key) {
  ClipRect rc;
  if (!clipToDestination(dst, x, y, src, rc)) return;
  // The last visible column and row are not visited.
  for (int64_t r = rc.r0; r < rc.r1; ++r)
    for (int64_t c = rc.c0; c < rc.c1; ++c) {
      Color32 s = *pixelAt(src, c, r);
      if (s != key) *pixelAt(dst, x + c, y + r) = s;
    }
}

void blitClippedAdd(Image dst, int32_t x, int32_t y, Image src) {
  ClipRect rc;
  if (!clipToDestination(dst, x, y, src, rc)) return;
  // Bottom-up, right to left, without the first visible column and row; each
  // source pixel lands one up and one left of its nominal place, so the
  // destination rectangle written stays inside dst.
  for (int64_t r = rc.r1; r > rc.r0; --r)
    for (int64_t c = rc.c1; c > rc.c0; --c) {
      Color32* d = pixelAt(dst, x + c - 1, y + r - 1);
      *d = addColors(*pixelAt(src, c, r), *d) | 0xFF000000u;
    }
}
