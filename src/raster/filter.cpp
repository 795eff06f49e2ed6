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

// The blur's working rows: grow to the widest image seen.
struct BlurRows {
  std::vector<uint32_t> columnBlueRed, columnGreenAlpha;
  std::vector<uint64_t> sumBlueRed, sumGreenAlpha, outBlueRed, outGreenAlpha;
};

BlurRows& blurRows(uint32_t w) {
  static BlurRows rows;
  if (rows.columnBlueRed.size() < w) {
    for (auto* v : {&rows.columnBlueRed, &rows.columnGreenAlpha}) v->resize(w);
    for (auto* v : {&rows.sumBlueRed, &rows.sumGreenAlpha, &rows.outBlueRed, &rows.outGreenAlpha}) v->resize(w);
  }
  return rows;
}

// Sums of pixels go channel by channel into lanes: blue and red (c & 0x00FF00FF)
// and green and alpha ((c >> 8) & 0x00FF00FF) in two 16-bit lanes of a 32-bit
// word, where sums of up to 257 pixels fit; the chain along the row keeps each
// pair of channels in two 32-bit lanes of a 64-bit word, where the divisions
// become multiplications without a lane reaching into the next:
//   n div 9 = (n * 7282) >> 16 for n <= 2295,
//   n div 81 = (n * 51782) >> 22 for n <= 20655.
constexpr uint32_t EvenBytes = 0x00FF00FFu;
constexpr uint64_t LaneByte = 0x000000FF000000FFull;

inline uint64_t widenLanes(uint32_t v) { return uint64_t(v & 0xFFFFu) | (uint64_t(v >> 16) << 32); }
inline uint64_t div9(uint64_t n) { return ((n * 7282u) >> 16) & LaneByte; }
inline uint64_t div81(uint64_t n) { return ((n * 51782u) >> 22) & LaneByte; }

// Row y reads the row above already blurred, the row below and its own right
// neighbours unblurred, and its left neighbour just blurred:
//   V[x] = above[x-1..x+1] + below[x-1..x+1] + row[x] + row[x+1]
//   out[x] = (V[x] + out[x-1]) div 9 (each channel).
// V needs no blurred pixel of the row, so it is found for the whole row first,
// in loops without a chain that the compiler can vectorize. Two steps of the
// chain fold into one, as nested truncating divisions do:
//   out[x+1] = (9 V[x+1] + V[x] + out[x-1]) div 81,
// so out[x] and out[x+1] both come from out[x-1] and the chain is half as long.
void blurImagePortable(Image img) {
  if (img.height <= 2 || img.width <= 2) return;
  const uint32_t w = uint32_t(img.width);
  BlurRows& b = blurRows(w);
  uint32_t* columnBR = b.columnBlueRed.data();
  uint32_t* columnGA = b.columnGreenAlpha.data();
  uint64_t* sumBR = b.sumBlueRed.data();
  uint64_t* sumGA = b.sumGreenAlpha.data();
  uint64_t* outBR = b.outBlueRed.data();
  uint64_t* outGA = b.outGreenAlpha.data();
  for (uint32_t y = 1; y + 1 < uint32_t(img.height); ++y) {
    const Color32* above = img.pixels + (y - 1) * w;
    Color32* row = img.pixels + y * w;
    const Color32* below = row + w;
    for (uint32_t x = 0; x < w; ++x) {
      columnBR[x] = (above[x] & EvenBytes) + (below[x] & EvenBytes);
      columnGA[x] = ((above[x] >> 8) & EvenBytes) + ((below[x] >> 8) & EvenBytes);
    }
    for (uint32_t x = 1; x + 1 < w; ++x) {
      const uint32_t br =
          columnBR[x - 1] + columnBR[x] + columnBR[x + 1] + (row[x] & EvenBytes) + (row[x + 1] & EvenBytes);
      const uint32_t ga = columnGA[x - 1] + columnGA[x] + columnGA[x + 1] + ((row[x] >> 8) & EvenBytes) +
                          ((row[x + 1] >> 8) & EvenBytes);
      sumBR[x] = widenLanes(br);
      sumGA[x] = widenLanes(ga);
    }
    uint64_t chainBR = widenLanes(row[0] & EvenBytes), chainGA = widenLanes((row[0] >> 8) & EvenBytes);
    uint32_t x = 1;
    for (; x + 2 < w; x += 2) {
      outBR[x] = div9(sumBR[x] + chainBR);
      outGA[x] = div9(sumGA[x] + chainGA);
      chainBR = div81(sumBR[x + 1] * 9 + sumBR[x] + chainBR);
      chainGA = div81(sumGA[x + 1] * 9 + sumGA[x] + chainGA);
      outBR[x + 1] = chainBR;
      outGA[x + 1] = chainGA;
    }
    if (x + 1 < w) {
      outBR[x] = div9(sumBR[x] + chainBR);
      outGA[x] = div9(sumGA[x] + chainGA);
    }
    for (x = 1; x + 1 < w; ++x) {
      const uint64_t br = outBR[x], ga = outGA[x];
      row[x] = Color32(br | (br >> 16)) | (Color32(ga | (ga >> 16)) << 8);
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
