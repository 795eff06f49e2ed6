#include "raster/blit.h"

#include <algorithm>
#include <cstring>

#include "raster/kernels.h"

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
    ActiveKernels.blit.copy(d, s, run);
    s += src.width;
    d += dst.width;
  }
}

namespace {

// Rows top to bottom, each handed to a kernel as one span.
template <typename Kernel>
void blitRows(Image dst, int32_t x, int32_t y, Image src, Kernel kernel) {
  if (src.width <= 0) return;
  for (int32_t j = 0; j < src.height; ++j) kernel(pixelAt(dst, x, y + j), pixelAt(src, 0, j), uint32_t(src.width));
}

}  // namespace

void blitImageKeyed(Image dst, int32_t x, int32_t y, Image src, Color32 key) {
  blitRows(dst, x, y, src, [key](Color32* d, const Color32* s, uint32_t n) { ActiveKernels.blit.keyed(d, s, n, key); });
}

void grabImage(Image dst, int32_t sx, int32_t sy, Image src) {
  for (int32_t j = 0; j < dst.height; ++j)
    for (int32_t i = 0; i < dst.width; ++i) putPixel(dst, i, j, getPixel(src, i + sx, j + sy));
}

void blitAlpha(Image dst, int32_t x, int32_t y, Image src) { blitRows(dst, x, y, src, ActiveKernels.blit.alpha); }

void blitMix(Image dst, int32_t x, int32_t y, Image src, uint8_t t) {
  blitRows(dst, x, y, src, [t](Color32* d, const Color32* s, uint32_t n) { ActiveKernels.blit.mix(d, s, n, t); });
}

void blitAdd(Image dst, int32_t x, int32_t y, Image src) { blitRows(dst, x, y, src, ActiveKernels.blit.add); }

void blitSub(Image dst, int32_t x, int32_t y, Image src) { blitRows(dst, x, y, src, ActiveKernels.blit.sub); }

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
  if (rc.c1 <= rc.c0) return;
  uint32_t run = uint32_t(rc.c1 - rc.c0);
  for (int64_t r = rc.r0; r < rc.r1; ++r)
    ActiveKernels.blit.keyed(pixelAt(dst, x + rc.c0, y + r), pixelAt(src, rc.c0, r), run, key);
}

void blitClippedAdd(Image dst, int32_t x, int32_t y, Image src) {
  ClipRect rc;
  if (!clipToDestination(dst, x, y, src, rc)) return;
  // Bottom-up, without the first visible column and row; each source pixel
  // lands one up and one left of its nominal place, so the destination
  // rectangle written stays inside dst: source columns c0+1..c1 of row r go to
  // destination columns x+c0..x+c1-1 of row y+r-1.
  if (rc.c1 <= rc.c0) return;
  uint32_t run = uint32_t(rc.c1 - rc.c0);
  // The order only shows when dst and src share pixels. Two separate images go
  // through the level's kernel, top-down from the portable level on (the
  // processor streams that faster); an image added onto its own pixels takes
  // the literal order at every level, right to left within bottom-up rows,
  // since a fast kernel's span may then overlap its source.
  const uintptr_t d0 = reinterpret_cast<uintptr_t>(dst.pixels), s0 = reinterpret_cast<uintptr_t>(src.pixels);
  const uintptr_t d1 = d0 + uint64_t(uint32_t(dst.width)) * uint32_t(dst.height) * sizeof(Color32);
  const uintptr_t s1 = s0 + uint64_t(uint32_t(src.width)) * uint32_t(src.height) * sizeof(Color32);
  if (d1 <= s0 || s1 <= d0) {
    if (ActiveKernels.level > SimdNone) {
      for (int64_t r = rc.r0 + 1; r <= rc.r1; ++r)
        ActiveKernels.blit.addOpaque(pixelAt(dst, x + rc.c0, y + r - 1), pixelAt(src, rc.c0 + 1, r), run);
    } else {
      for (int64_t r = rc.r1; r > rc.r0; --r)
        ActiveKernels.blit.addOpaque(pixelAt(dst, x + rc.c0, y + r - 1), pixelAt(src, rc.c0 + 1, r), run);
    }
    return;
  }
  for (int64_t r = rc.r1; r > rc.r0; --r) {
    Color32* d = pixelAt(dst, x + rc.c0, y + r - 1);
    const Color32* s = pixelAt(src, rc.c0 + 1, r);
    for (uint32_t i = run; i-- > 0;) d[i] = addColors(s[i], d[i]) | 0xFF000000u;
  }
}

// The literal kernels: one pixel at a time through the colour routines.
namespace {

void copyRef(Color32* d, const Color32* s, uint32_t n) { copyLongsLiteral(s, d, n); }

void keyedRef(Color32* d, const Color32* s, uint32_t n, Color32 key) {
  for (uint32_t i = 0; i < n; ++i)
    if (s[i] != key) d[i] = s[i];
}

void alphaRef(Color32* d, const Color32* s, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) d[i] = blendColors(s[i], d[i]);
}

void mixRef(Color32* d, const Color32* s, uint32_t n, uint8_t t) {
  for (uint32_t i = 0; i < n; ++i) d[i] = mixColors(s[i], d[i], t);
}

void addRef(Color32* d, const Color32* s, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) d[i] = addColors(s[i], d[i]);
}

void subRef(Color32* d, const Color32* s, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) d[i] = subColors(s[i], d[i]);
}

void addOpaqueRef(Color32* d, const Color32* s, uint32_t n) {
  for (uint32_t i = n; i-- > 0;) d[i] = addColors(s[i], d[i]) | 0xFF000000u;
}

}  // namespace

void addBlitReference(RasterKernels& k) {
  k.blit = {copyRef, keyedRef, alphaRef, mixRef, addRef, subRef, addOpaqueRef};
}
