#include "raster/stretch.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "data/util.h"
#include "raster/numeric.h"
#include "raster/kernels.h"
#include "raster/stretch_rows.h"
#include "raster/swar.h"

namespace {

// ---------------------------------------------------------------------------
// Shared arithmetic

struct StretchSetup {
  int32_t x1, y1;
  int32_t cols, rows;  // columns 0 .. cols - 1 and rows 0 .. rows - 1 are sampled
  float stepX, stepY;
};

// Orders the corners and finds the steps; false for a rectangle that draws
// nothing (degenerate, wider than 2^31 - 1, or an empty source).
bool setUpStretch(int32_t x1, int32_t y1, int32_t x2, int32_t y2, Image src, StretchSetup& st) {
  if (x1 >= x2) std::swap(x1, x2);
  if (y1 >= y2) std::swap(y1, y2);
  int64_t w = int64_t(x2) - x1, h = int64_t(y2) - y1;
  if (w <= 0 || h <= 0 || w > INT32_MAX || h > INT32_MAX) return false;
  if (src.pixels == nullptr || src.width <= 0 || src.height <= 0) return false;
  st.x1 = x1;
  st.y1 = y1;
  st.cols = std::max<int32_t>(1, int32_t(w) - 1);
  st.rows = std::max<int32_t>(1, int32_t(h) - 1);
  st.stepX = float(src.width) / float(int32_t(w));
  st.stepY = float(src.height) / float(int32_t(h));
  return true;
}

// The last sample of a large enlargement rounds to one past the last column
// (row); it is kept inside the source.
inline int32_t sampleIndex(float f, int32_t size) {
  int32_t i = roundToInt32(f);
  if (i > size - 1) i = size - 1;
  if (i < 0) i = 0;
  return i;
}

// What a rotated blit works out once per call: the centre, the bounding box of
// the turned corners and the sampling factors.
struct RotateSetup {
  int32_t cx, cy;
  int32_t minX, maxX, minY, maxY;
  float s, c;
};

// The single-precision value with bits 0x3C8EFA35 (0.017453292...), written as
// an exact hexadecimal literal: not every standard library has std::bit_cast.
constexpr float RotateK2 = 0x1.1df46ap-6f;

RotateSetup setUpRotate(int32_t angle, Image src) {
  RotateSetup r;
  r.cx = src.width >> 1;
  r.cy = src.height >> 1;
  if (angle >= 360) angle = angle % 360;
  const float rad = rotateRadians(angle);
  const int32_t px[4] = {0, src.width, src.width, 0};
  const int32_t py[4] = {0, 0, src.height, src.height};
  for (int k = 0; k < 4; ++k) {
    int32_t ox = 0, oy = 0;
    rotatePoint(r.cx, r.cy, px[k], py[k], rad, ox, oy);
    if (k == 0 || ox < r.minX) r.minX = ox;
    if (k == 0 || ox > r.maxX) r.maxX = ox;
    if (k == 0 || oy < r.minY) r.minY = oy;
    if (k == 0 || oy > r.maxY) r.maxY = oy;
  }
  rotateSampleFactors(angle, r.s, r.c);
  return r;
}

// ---------------------------------------------------------------------------
// The literal routines

template <StretchMode Mode>
void stretchLiteral(Image dst, int32_t x1, int32_t y1, int32_t x2, int32_t y2, Image src, Color32 key) {
  StretchSetup st;
  if (!setUpStretch(x1, y1, x2, y2, src, st)) return;
  float fy = 0.0f;
  for (int32_t i = 0; i < st.rows; ++i) {
    float fx = 0.0f;
    for (int32_t j = 0; j < st.cols; ++j) {
      int32_t sx = sampleIndex(fx, src.width), sy = sampleIndex(fy, src.height);
      Color32 p = src.pixels[uint32_t(sy) * uint32_t(src.width) + uint32_t(sx)];
      int32_t dx = st.x1 + j, dy = st.y1 + i;
      if (dx >= 0 && dx < dst.width && dy >= 0 && dy < dst.height)
        combine<Mode>(dst.pixels[uint32_t(dy) * uint32_t(dst.width) + uint32_t(dx)], p, key);
      fx = fx + st.stepX;
    }
    fy = fy + st.stepY;
  }
}

template <StretchMode Mode>
void rotateLiteral(Image dst, int32_t x, int32_t y, int32_t angle, Image src, Color32 key) {
  if (src.pixels == nullptr || src.width <= 0 || src.height <= 0) return;
  RotateSetup r = setUpRotate(angle, src);
  for (int32_t row = r.minY; row < r.maxY; ++row) {
    for (int32_t col = r.minX; col < r.maxX; ++col) {
      float fx = float(col) - float(r.cx);
      float fy = float(row) - float(r.cy);
      int32_t sx = roundToInt32(((fx * r.s) - (fy * r.c)) + float(r.cx));
      int32_t sy = roundToInt32(((fx * r.c) + (fy * r.s)) + float(r.cy));
      if (uint32_t(sx) < uint32_t(src.width) && uint32_t(sy) < uint32_t(src.height)) {
        Color32 p = src.pixels[uint32_t(sy) * uint32_t(src.width) + uint32_t(sx)];
        if (Mode == StretchKeyed && p == key) continue;
        uint32_t dy = uint32_t(y) + uint32_t(row), dx = uint32_t(x) + uint32_t(col);
        if (dy < uint32_t(dst.height) && dx < uint32_t(dst.width)) {
          Color32& d = dst.pixels[dy * uint32_t(dst.width) + dx];
          if constexpr (Mode == StretchAdd)
            d = addColors(d, p);
          else
            d = p;
        }
      }
    }
  }
}

// ---------------------------------------------------------------------------
// The fast drivers: the same samples, clipped once per call

// The fast paths read whole spans before writing; a source that shares pixels
// with the destination takes the literal order.
bool overlaps(Image a, Image b) {
  const Color32* a0 = a.pixels;
  const Color32* a1 = a.pixels + size_t(uint32_t(a.width)) * uint32_t(a.height);
  const Color32* b0 = b.pixels;
  const Color32* b1 = b.pixels + size_t(uint32_t(b.width)) * uint32_t(b.height);
  return std::less<const Color32*>()(a0, b1) && std::less<const Color32*>()(b0, a1);
}

// A visible span is at most as wide as its destination. Both tables start wide
// enough for the 1280-column screen, so no frame drawing onto it allocates; only
// set-up work on wider images grows them.
constexpr size_t ScreenSpan = 1280;
// Source column of every visible destination column.
std::vector<uint32_t> ColumnTable(ScreenSpan);
// One sampled source row, for enlargements that draw it on several rows.
std::vector<Color32> SampledRow(ScreenSpan);

template <StretchMode Mode>
void stretchFast(Image dst, int32_t x1, int32_t y1, int32_t x2, int32_t y2, Image src, Color32 key) {
  if (overlaps(dst, src)) {
    stretchLiteral<Mode>(dst, x1, y1, x2, y2, src, key);
    return;
  }
  const StretchKernels& k = ActiveKernels.stretch;
  StretchSetup st;
  if (!setUpStretch(x1, y1, x2, y2, src, st)) return;
  // Visible j: 0 <= x1 + j < dst.width, j < cols; rows alike.
  int64_t j0 = std::max<int64_t>(0, -int64_t(st.x1));
  int64_t j1 = std::min<int64_t>(st.cols, int64_t(dst.width) - st.x1);
  int64_t i0 = std::max<int64_t>(0, -int64_t(st.y1));
  int64_t i1 = std::min<int64_t>(st.rows, int64_t(dst.height) - st.y1);
  if (j0 >= j1 || i0 >= i1) return;
  uint32_t n = uint32_t(j1 - j0);
  if (ColumnTable.size() < n) ColumnTable.resize(n);
  uint32_t* cols = ColumnTable.data();

  // fx restarts at 0 every row, so every row samples the same columns; the
  // coordinates are still accumulated one step at a time from 0.
  float fx = 0.0f;
  // Columns left of the destination still step fx; once a step no longer
  // changes it, no later step does either.
  for (int64_t j = 0; j < j0; ++j) {
    float next = fx + st.stepX;
    if (next == fx) break;
    fx = next;
  }
  for (uint32_t j = 0; j < n; ++j) {
    cols[j] = uint32_t(sampleIndex(fx, src.width));
    fx = fx + st.stepX;
  }
  // Columns one after another (a 1:1 width): every row is a plain span of its source row.
  bool contiguous = true;
  for (uint32_t j = 1; j < n && contiguous; ++j) contiguous = cols[j] == cols[j - 1] + 1;
  // When rows repeat their source row, sample it once into a buffer.
  const bool sampleOnce = Mode != StretchCopy && !contiguous && st.stepY < 1.0f;
  if (sampleOnce && SampledRow.size() < n) SampledRow.resize(n);
  float fy = 0.0f;
  for (int64_t i = 0; i < i0; ++i) {
    float next = fy + st.stepY;
    if (next == fy) break;
    fy = next;
  }

  uint32_t dstWidth = uint32_t(dst.width);
  Color32* dstRow = dst.pixels + uint32_t(st.y1 + i0) * dstWidth + uint32_t(st.x1 + j0);
  int32_t previousSy = -1;
  for (int64_t i = i0; i < i1; ++i, dstRow += dstWidth) {
    int32_t sy = sampleIndex(fy, src.height);
    const Color32* srcRow = src.pixels + uint32_t(sy) * uint32_t(src.width);
    if (contiguous) {
      if (Mode == StretchCopy)
        std::memcpy(dstRow, srcRow + cols[0], size_t(n) * sizeof(Color32));
      else
        k.span[Mode](dstRow, srcRow + cols[0], n, key);
    } else if (Mode == StretchCopy && sy == previousSy) {
      // Same source row as the row just drawn: the same pixels.
      std::memcpy(dstRow, dstRow - dstWidth, size_t(n) * sizeof(Color32));
    } else if (sampleOnce) {
      if (sy != previousSy) k.row[StretchCopy](SampledRow.data(), srcRow, cols, n, 0);
      k.span[Mode](dstRow, SampledRow.data(), n, key);
    } else {
      k.row[Mode](dstRow, srcRow, cols, n, key);
    }
    previousSy = sy;
    fy = fy + st.stepY;
  }
}

// Rounds like roundToInt32 inside the 32-bit range and saturates outside it,
// so that it grows with v (the hardware conversion gives INT32_MIN on both sides).
inline int64_t rankOf(float v) {
  if (v >= 2147483648.0f) return INT64_MAX;
  if (v < -2147483648.0f) return INT64_MIN;
  return roundToInt32(v);
}

// Narrows [lo, hi) to the columns where inside(col) holds, for a test that is
// true on one side of a threshold only (a half-line in col). guess is an
// estimate of the switch; the search gallops out from it, then halves.
template <class Inside>
void narrowToHalfLine(int64_t& lo, int64_t& hi, double guess, Inside inside) {
  if (lo >= hi) return;
  bool first = inside(lo), last = inside(hi - 1);
  if (first && last) return;
  if (!first && !last) {
    hi = lo;
    return;
  }
  int64_t g = lo;
  if (guess > double(lo)) g = guess < double(hi - 1) ? int64_t(guess) : hi - 1;
  // Bracket the switch: inside(a) == first, inside(b) != first, a < b.
  int64_t a = lo, b = hi - 1;
  if (inside(g) == first) {
    a = g;
    for (int64_t step = 1;; step *= 2) {
      if (a + step >= hi - 1) break;
      if (inside(a + step) != first) {
        b = a + step;
        break;
      }
      a += step;
    }
  } else {
    b = g;
    for (int64_t step = 1;; step *= 2) {
      if (b - step <= lo) break;
      if (inside(b - step) == first) {
        a = b - step;
        break;
      }
      b -= step;
    }
  }
  while (b - a > 1) {
    int64_t m = a + (b - a) / 2;
    if (inside(m) == first)
      a = m;
    else
      b = m;
  }
  if (first)
    hi = a + 1;
  else
    lo = b;
}

// The column at which ((float(col) - cx) * f + add) + base reaches t, in real
// arithmetic: the estimate for the search.
inline double switchEstimate(double t, double cx, double f, double add, double base) {
  return cx + (t - base - add) / f;
}

// Rows of the destination drawn as one band; the source lines of the next band
// are read into the cache before it.
constexpr int64_t TouchBandRows = 16;

// Where the touch loads go, so that the compiler keeps them.
volatile uint32_t TouchSink;

// Reads one word of every source line (64 bytes) that the destination rows
// [row0, row1) and columns [colLo, colHi) of a rotated blit sample: a
// parallelogram in the source, taken with a margin of two pixels. A turned
// picture is read along slanted lines, which the hardware prefetchers do not
// follow, and each gather then waits for memory on its own: a picture that is
// not in the cache cost three times as much. Plain loads in a tight loop keep
// many misses in flight (prefetch instructions proved to do nothing on some
// machines). Only the cache is concerned, so plain double arithmetic will do.
void touchRotatedBand(Image src, const RotateRow& r, int64_t colLo, int64_t colHi, int64_t row0, int64_t row1) {
  uint32_t sum = 0;
  // Source offsets (X, Y) from the centre sample destination offsets
  // (u, v) = (X s + Y c, -X c + Y s), the inverse of the turn (s^2 + c^2 = 1).
  const double s = r.s, c = r.c, cx = r.cx, cy = r.cy;
  const double u0 = double(colLo) - cx - 2, u1 = double(colHi) - cx + 2;
  const double v0 = double(row0) - cy - 2, v1 = double(row1) - cy + 2;
  // The corners bound the source rows.
  double yMin = 1e300, yMax = -1e300;
  for (double u : {u0, u1})
    for (double v : {v0, v1}) {
      double yy = u * c + v * s;
      yMin = std::min(yMin, yy);
      yMax = std::max(yMax, yy);
    }
  int64_t sy0 = std::max<int64_t>(0, int64_t(std::floor(yMin + cy)));
  int64_t sy1 = std::min<int64_t>(src.height - 1, int64_t(std::ceil(yMax + cy)));
  // X must satisfy u0 <= X s + yy c <= u1 and v0 <= -X c + yy s <= v1 with
  // yy = sy - cy: on each source row an interval per condition, whose ends
  // move by a fixed step from one row to the next. A factor near 0 leaves its
  // condition out (the other one bounds the row then).
  double lowA = -1e300, highA = 1e300, stepA = 0, lowB = -1e300, highB = 1e300, stepB = 0;
  const double yy0 = double(sy0) - cy;
  if (std::fabs(s) >= 1e-6) {
    lowA = ((s > 0 ? u0 : u1) - yy0 * c) / s + cx;
    highA = ((s > 0 ? u1 : u0) - yy0 * c) / s + cx;
    stepA = -c / s;
  }
  if (std::fabs(c) >= 1e-6) {
    lowB = ((c < 0 ? v0 : v1) - yy0 * s) / -c + cx;
    highB = ((c < 0 ? v1 : v0) - yy0 * s) / -c + cx;
    stepB = s / c;
  }
  const double lastColumn = double(src.width - 1);
  for (int64_t sy = sy0; sy <= sy1; ++sy) {
    const double xLo = std::max(std::max(lowA, lowB), 0.0);
    const double xHi = std::min(std::min(highA, highB), lastColumn);
    lowA += stepA;
    highA += stepA;
    lowB += stepB;
    highB += stepB;
    if (xLo > xHi) continue;
    // Every 16th pixel from the first, and the last: one read in each line.
    const Color32* row = src.pixels + uint32_t(sy) * uint32_t(src.width);
    const int64_t last = int64_t(xHi);
    for (int64_t i = int64_t(xLo); i < last; i += 16) sum += row[i];
    sum += row[last];
  }
  TouchSink = sum;
}

template <StretchMode Mode>
void rotateFast(Image dst, int32_t x, int32_t y, int32_t angle, Image src, Color32 key) {
  if (overlaps(dst, src)) {
    rotateLiteral<Mode>(dst, x, y, angle, src, key);
    return;
  }
  const StretchKernels& k = ActiveKernels.stretch;
  if (src.pixels == nullptr || src.width <= 0 || src.height <= 0) return;
  RotateSetup r = setUpRotate(angle, src);
  // Destination positions that wrap around 32 bits: leave them to the literal loop.
  if (int64_t(x) + r.minX < INT32_MIN || int64_t(x) + r.maxX > INT32_MAX || int64_t(y) + r.minY < INT32_MIN ||
      int64_t(y) + r.maxY > INT32_MAX) {
    rotateLiteral<Mode>(dst, x, y, angle, src, key);
    return;
  }
  int64_t colLo = std::max<int64_t>(r.minX, -int64_t(x));
  int64_t colHi = std::min<int64_t>(r.maxX, int64_t(dst.width) - x);
  int64_t rowLo = std::max<int64_t>(r.minY, -int64_t(y));
  int64_t rowHi = std::min<int64_t>(r.maxY, int64_t(dst.height) - y);
  if (colLo >= colHi || rowLo >= rowHi) return;

  RotateRow rr;
  rr.s = r.s;
  rr.c = r.c;
  rr.cx = float(r.cx);
  rr.cy = float(r.cy);
  int64_t srcW = src.width, srcH = src.height;
  touchRotatedBand(src, rr, colLo, colHi, rowLo, std::min(rowHi, rowLo + TouchBandRows));
  for (int64_t row = rowLo; row < rowHi; ++row) {
    if ((row - rowLo) % TouchBandRows == 0 && row + TouchBandRows < rowHi)
      touchRotatedBand(src, rr, colLo, colHi, row + TouchBandRows, std::min(rowHi, row + 2 * TouchBandRows));
    float fy = float(int32_t(row)) - rr.cy;
    rr.fyC = fy * rr.c;
    rr.fyS = fy * rr.s;
    // sx and sy are monotonic in col (each step of their arithmetic is), so
    // the columns that sample inside the source form one interval.
    auto sxRank = [&](int64_t col) {
      float fx = float(int32_t(col)) - rr.cx;
      return rankOf(((fx * rr.s) - rr.fyC) + rr.cx);
    };
    auto syRank = [&](int64_t col) {
      float fx = float(int32_t(col)) - rr.cx;
      return rankOf(((fx * rr.c) + rr.fyS) + rr.cy);
    };
    int64_t lo = colLo, hi = colHi;
    const double cx = rr.cx, cy = rr.cy;
    narrowToHalfLine(lo, hi, switchEstimate(-0.5, cx, rr.s, -double(rr.fyC), cx),
                     [&](int64_t col) { return sxRank(col) >= 0; });
    narrowToHalfLine(lo, hi, switchEstimate(double(srcW) - 0.5, cx, rr.s, -double(rr.fyC), cx),
                     [&](int64_t col) { return sxRank(col) < srcW; });
    narrowToHalfLine(lo, hi, switchEstimate(-0.5, cx, rr.c, double(rr.fyS), cy),
                     [&](int64_t col) { return syRank(col) >= 0; });
    narrowToHalfLine(lo, hi, switchEstimate(double(srcH) - 0.5, cx, rr.c, double(rr.fyS), cy),
                     [&](int64_t col) { return syRank(col) < srcH; });
    if (lo >= hi) continue;
    Color32* d = dst.pixels + uint32_t(y + row) * uint32_t(dst.width) + uint32_t(x + lo);
    k.rotateRow[Mode](d, src.pixels, src.width, int32_t(lo), uint32_t(hi - lo), rr, key);
  }
}

// ---------------------------------------------------------------------------
// The row kernels of the reference and portable levels

template <StretchMode Mode>
void stretchRowPortable(Color32* dst, const Color32* srcRow, const uint32_t* cols, uint32_t n, Color32 key) {
  stretchRowFrom<Mode>(0, dst, srcRow, cols, n, key);
}

template <StretchMode Mode>
void spanPortable(Color32* dst, const Color32* row, uint32_t n, Color32 key) {
  spanFrom<Mode>(0, dst, row, n, key);
}

template <StretchMode Mode>
void rotateRowPortable(Color32* dst, const Color32* src, int32_t srcWidth, int32_t col0, uint32_t n, const RotateRow& r,
                       Color32 key) {
  rotateRowFrom<Mode>(0, dst, src, srcWidth, col0, n, r, key);
}

// The blended rows on whole pixels (swar.h) instead of channel by channel.
void stretchRowBlendPortable(Color32* dst, const Color32* srcRow, const uint32_t* cols, uint32_t n, Color32) {
  for (uint32_t j = 0; j < n; ++j) dst[j] = swar::blend(srcRow[cols[j]], dst[j]);
}

void spanBlendPortable(Color32* dst, const Color32* row, uint32_t n, Color32) {
  for (uint32_t j = 0; j < n; ++j) dst[j] = swar::blend(row[j], dst[j]);
}

}  // namespace

// The extended-precision steps below give the same single and integer results
// on every processor (x86's 80-bit long double, the 128-bit one of aarch64 and
// wasm): each result is rounded once from a value that lies far from a rounding
// boundary, further than the difference between the formats and the error of
// any libm. morvex-hashes --values pins every such value the show can reach,
// with the smallest distance from a boundary (tests/platform-values.txt).
float rotateRadians(int32_t angle) { return float(static_cast<long double>(angle) * 0.017453293L); }

void rotateSampleFactors(int32_t angle, float& s, float& c) {
  const long double t = static_cast<long double>(angle + 90) * static_cast<long double>(RotateK2);
  s = float(sinl(t));
  c = float(cosl(t));
}

void rotatePoint(int32_t cx, int32_t cy, int32_t px, int32_t py, float rad, int32_t& ox, int32_t& oy) {
  int64_t dx = int64_t(px) - cx, dy = int64_t(py) - cy;
  float dist = float(sqrtl(static_cast<long double>(dx * dx + dy * dy)));
  float theta = angleOf(float(dy), float(dx));
  float a = rad + theta;
  ox = roundToInt32(cosl(static_cast<long double>(a)) * static_cast<long double>(dist) + static_cast<long double>(cx));
  oy = roundToInt32(sinl(static_cast<long double>(a)) * static_cast<long double>(dist) + static_cast<long double>(cy));
}

void stretchBlit(Image dst, int32_t x1, int32_t y1, int32_t x2, int32_t y2, Image src) {
  ActiveKernels.stretch.blit[StretchCopy](dst, x1, y1, x2, y2, src, 0);
}
void stretchBlitKeyed(Image dst, int32_t x1, int32_t y1, int32_t x2, int32_t y2, Color32 key, Image src) {
  ActiveKernels.stretch.blit[StretchKeyed](dst, x1, y1, x2, y2, src, key);
}
void stretchBlitAlpha(Image dst, int32_t x1, int32_t y1, int32_t x2, int32_t y2, Image src) {
  ActiveKernels.stretch.blit[StretchAlpha](dst, x1, y1, x2, y2, src, 0);
}
void stretchBlitAdd(Image dst, int32_t x1, int32_t y1, int32_t x2, int32_t y2, Image src) {
  ActiveKernels.stretch.blit[StretchAdd](dst, x1, y1, x2, y2, src, 0);
}
void rotateBlit(Image dst, int32_t x, int32_t y, int32_t angle, Image src) {
  ActiveKernels.stretch.rotateBlit[StretchCopy](dst, x, y, angle, src, 0);
}
void rotateBlitKeyed(Image dst, int32_t x, int32_t y, int32_t angle, Image src, Color32 key) {
  ActiveKernels.stretch.rotateBlit[StretchKeyed](dst, x, y, angle, src, key);
}
void rotateBlitAdd(Image dst, int32_t x, int32_t y, int32_t angle, Image src) {
  ActiveKernels.stretch.rotateBlit[StretchAdd](dst, x, y, angle, src, 0);
}

// The literal routines, and the per-sample loops as the reference row kernels.
void addStretchReference(RasterKernels& k) {
  k.stretch = {
      {stretchLiteral<StretchCopy>, stretchLiteral<StretchKeyed>, stretchLiteral<StretchAlpha>,
       stretchLiteral<StretchAdd>},
      {rotateLiteral<StretchCopy>, rotateLiteral<StretchKeyed>, nullptr, rotateLiteral<StretchAdd>},
      {stretchRowPortable<StretchCopy>, stretchRowPortable<StretchKeyed>, stretchRowPortable<StretchAlpha>,
       stretchRowPortable<StretchAdd>},
      {spanPortable<StretchCopy>, spanPortable<StretchKeyed>, spanPortable<StretchAlpha>, spanPortable<StretchAdd>},
      {rotateRowPortable<StretchCopy>, rotateRowPortable<StretchKeyed>, nullptr, rotateRowPortable<StretchAdd>},
  };
}

// The drivers that clip once per call and draw through the row kernels.
void addStretchPortable(RasterKernels& k) {
  k.stretch.blit[StretchCopy] = stretchFast<StretchCopy>;
  k.stretch.blit[StretchKeyed] = stretchFast<StretchKeyed>;
  k.stretch.blit[StretchAlpha] = stretchFast<StretchAlpha>;
  k.stretch.blit[StretchAdd] = stretchFast<StretchAdd>;
  k.stretch.rotateBlit[StretchCopy] = rotateFast<StretchCopy>;
  k.stretch.rotateBlit[StretchKeyed] = rotateFast<StretchKeyed>;
  k.stretch.rotateBlit[StretchAdd] = rotateFast<StretchAdd>;
  k.stretch.row[StretchAlpha] = stretchRowBlendPortable;
  k.stretch.span[StretchAlpha] = spanBlendPortable;
}
