#include "raster/filter.h"

#include <vector>

#include "raster/filter_kernels.h"
#include "raster/kernels.h"

void invertImage(Image img) {
  if (img.pixels == nullptr) return;
  uint32_t pairs = (uint32_t(img.width) * uint32_t(img.height)) / 2;
  Color32* p = img.pixels;
  for (uint32_t i = 0; i < pairs; ++i, p += 2) {
    p[0] = ~p[0];
    p[1] = ~p[1];
  }
}

namespace {

// The literal scan, nine reads per pixel.
void blurImageReference(Image img) {
  if (img.height <= 2 || img.width <= 2) return;
  for (int32_t y = 1; y <= img.height - 2; ++y) {
    for (int32_t x = 1; x <= img.width - 2; ++x) {
      uint32_t sr = 0, sg = 0, sb = 0, sa = 0;
      for (int32_t yy = y - 1; yy <= y + 1; ++yy) {
        for (int32_t xx = x - 1; xx <= x + 1; ++xx) {
          uint8_t r = 0, g = 0, b = 0, a = 0;
          getPixelRGBA(img, xx, yy, r, g, b, a);
          sr += r;
          sg += g;
          sb += b;
          sa += a;
        }
      }
      putPixelRGBA(img, x, y, uint8_t(sr / 9), uint8_t(sg / 9), uint8_t(sb / 9), uint8_t(sa / 9));
    }
  }
}

// Per-column sums of one row: grows to the widest image seen.
uint64_t* blurRowBuffer(uint32_t count) {
  static std::vector<uint64_t> buffer;
  if (buffer.size() < count) buffer.resize(count);
  return buffer.data();
}

// The four channels of a pixel in four 16-bit lanes (sums of up to 257 pixels fit).
inline uint64_t spread(Color32 c) {
  uint64_t v = c;
  return (v & 0xFFu) | ((v & 0xFF00u) << 8) | ((v & 0xFF0000u) << 16) | ((v & 0xFF000000u) << 24);
}

// Row y reads the row above already blurred, the row below and its own right
// neighbours unblurred, and its left neighbour just blurred. The first two
// parts go into a per-column sum; the left neighbour makes a chain along the row.
void blurImagePortable(Image img) {
  if (img.height <= 2 || img.width <= 2) return;
  const uint32_t w = uint32_t(img.width);
  uint64_t* columnSum = blurRowBuffer(w);
  for (uint32_t y = 1; y + 1 < uint32_t(img.height); ++y) {
    Color32* above = img.pixels + (y - 1) * w;
    Color32* row = above + w;
    const Color32* below = row + w;
    for (uint32_t x = 0; x < w; ++x) columnSum[x] = spread(above[x]) + spread(below[x]);
    uint32_t r = (row[0] >> 16) & 0xFF, g = (row[0] >> 8) & 0xFF, b = row[0] & 0xFF, a = row[0] >> 24;
    for (uint32_t x = 1; x + 1 < w; ++x) {
      uint64_t v = columnSum[x - 1] + columnSum[x] + columnSum[x + 1] + spread(row[x]) + spread(row[x + 1]);
      b = (uint32_t(v & 0xFFFF) + b) / 9;
      g = (uint32_t((v >> 16) & 0xFFFF) + g) / 9;
      r = (uint32_t((v >> 32) & 0xFFFF) + r) / 9;
      a = (uint32_t(v >> 48) + a) / 9;
      row[x] = makeColor(uint8_t(r), uint8_t(g), uint8_t(b), uint8_t(a));
    }
  }
}

}  // namespace

void blurImage(Image img) { ActiveKernels.filter.blur(img); }

namespace {

// Texture coordinate of offset + x: 1 .. size - 2 as they are, larger ones
// wrapped, zero and negative ones to 0.
inline int32_t wrapTextureCoordinate(int32_t t, int32_t size) {
  if (t <= 0) t = size;
  if (t >= size - 1) t = t % size;
  return t;
}

inline int32_t offsetPlus(int32_t offset, int32_t i) { return int32_t(uint32_t(offset) + uint32_t(i)); }

void overlayBrightPixelsReference(Image dst, Image tex, int32_t offsetX, int32_t offsetY) {
  for (int32_t y = 0; y < dst.height; ++y) {
    for (int32_t x = 0; x < dst.width; ++x) {
      Color32 p = getPixel(dst, x, y);
      int32_t tx = offsetPlus(offsetX, x), ty = offsetPlus(offsetY, y);
      if (tx <= 0) tx = tex.width;
      if (ty <= 0) ty = tex.height;
      if (tx >= tex.width - 1) tx = tx % tex.width;
      if (ty >= tex.height - 1) ty = ty % tex.height;
      if (((p >> 16) & 0xFF) >= 240) putPixel(dst, x, y, getPixel(tex, tx, ty) | 0xFF000000u);
    }
  }
}

// Texture column of every destination column: wide enough for the screen from
// the start, so frames allocate nothing; a wider image grows it.
std::vector<uint32_t> BrightColumns(1280);

// The same pixels, the texture column of every x found once per call and the
// texture row once per row.
void overlayBrightPixelsFast(Image dst, Image tex, int32_t offsetX, int32_t offsetY) {
  const auto rowKernel = ActiveKernels.filter.brightRow;
  std::vector<uint32_t>& columns = BrightColumns;
  if (dst.width <= 0) return;
  const uint32_t w = uint32_t(dst.width);
  if (columns.size() < w) columns.resize(w);
  for (uint32_t x = 0; x < w; ++x)
    columns[x] = uint32_t(wrapTextureCoordinate(offsetPlus(offsetX, int32_t(x)), tex.width));
  for (int32_t y = 0; y < dst.height; ++y) {
    const Color32* texRow =
        tex.pixels + uint32_t(wrapTextureCoordinate(offsetPlus(offsetY, y), tex.height)) * uint32_t(tex.width);
    rowKernel(dst.pixels + uint32_t(y) * w, texRow, columns.data(), w);
  }
}

}  // namespace

void brightRowPortable(Color32* row, const Color32* texRow, const uint32_t* columns, uint32_t n) {
  for (uint32_t x = 0; x < n; ++x)
    if ((row[x] & 0x00FF0000u) >= 0x00F00000u) row[x] = texRow[columns[x]] | 0xFF000000u;
}

void overlayBrightPixels(Image dst, Image tex, int32_t offsetX, int32_t offsetY) {
  if (dst.pixels == nullptr || tex.pixels == nullptr || tex.width <= 0 || tex.height <= 0) return;
  ActiveKernels.filter.brightOverlay(dst, tex, offsetX, offsetY);
}

void addFilterReference(RasterKernels& k) {
  k.filter = {blurImageReference, overlayBrightPixelsReference, brightRowPortable};
}

void addFilterPortable(RasterKernels& k) {
  k.filter.blur = blurImagePortable;
  k.filter.brightOverlay = overlayBrightPixelsFast;
}
