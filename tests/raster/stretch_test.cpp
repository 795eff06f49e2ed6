// Stretched and rotated blits: worked samples, clipping with guard pixels,
// rotation angles, and every implementation level against the literal routines
// on random cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif
#if defined(__EMSCRIPTEN__)
#include <emscripten/heap.h>
#include <unistd.h>
#endif

#include "raster/kernels.h"
#include "raster/stretch.h"
#include "fixtures.h"

namespace {

// Images with guard pixels before and after their rows.
using Canvas = GuardedImage;

// Source pixel (x, y) reads 0xFF00yyxx.
Canvas coordinateSource(int32_t w, int32_t h) {
  Canvas c(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) c.at(x, y) = 0xFF000000u | (uint32_t(y) << 8) | uint32_t(x);
  return c;
}

// The literal routines, straight from the reference table.
const RasterKernels Literal = kernelsForLevel(SimdNone);
void stretchBlitReference(Image dst, int32_t x1, int32_t y1, int32_t x2, int32_t y2, Image src) {
  Literal.stretch.blit[StretchCopy](dst, x1, y1, x2, y2, src, 0);
}
void stretchBlitKeyedReference(Image dst, int32_t x1, int32_t y1, int32_t x2, int32_t y2, Color32 key, Image src) {
  Literal.stretch.blit[StretchKeyed](dst, x1, y1, x2, y2, src, key);
}
void stretchBlitAlphaReference(Image dst, int32_t x1, int32_t y1, int32_t x2, int32_t y2, Image src) {
  Literal.stretch.blit[StretchAlpha](dst, x1, y1, x2, y2, src, 0);
}
void stretchBlitAddReference(Image dst, int32_t x1, int32_t y1, int32_t x2, int32_t y2, Image src) {
  Literal.stretch.blit[StretchAdd](dst, x1, y1, x2, y2, src, 0);
}
void rotateBlitReference(Image dst, int32_t x, int32_t y, int32_t angle, Image src) {
  Literal.stretch.rotateBlit[StretchCopy](dst, x, y, angle, src, 0);
}
void rotateBlitKeyedReference(Image dst, int32_t x, int32_t y, int32_t angle, Image src, Color32 key) {
  Literal.stretch.rotateBlit[StretchKeyed](dst, x, y, angle, src, key);
}
void rotateBlitAddReference(Image dst, int32_t x, int32_t y, int32_t angle, Image src) {
  Literal.stretch.rotateBlit[StretchAdd](dst, x, y, angle, src, 0);
}

// Runs a body once at every level the processor has, restoring the level.
template <class Body>
void atEveryLevel(Body body) {
  const RasterKernels saved = ActiveKernels;
  for (SimdLevel level : runnableSimdLevels(SimdNone)) {
    selectRasterLevel(SimdLevel(level));
    SCOPED_TRACE(simdLevelName(ActiveKernels.level));
    body();
  }
  ActiveKernels = saved;
}

}  // namespace

TEST(Stretch, FourByFourToEightSamplesHalvesToEven) {
  atEveryLevel([] {
    Canvas src = coordinateSource(4, 4);
    const Color32 untouched = 0x11223344u;
    Canvas dst(12, 12, untouched);
    stretchBlit(dst.img, 0, 0, 8, 8, src.img);
    const int32_t expected[7] = {0, 0, 1, 2, 2, 2, 3};
    for (int32_t y = 0; y < 12; ++y) {
      for (int32_t x = 0; x < 12; ++x) {
        Color32 want = (x < 7 && y < 7) ? src.at(expected[x], expected[y]) : untouched;
        ASSERT_EQ(dst.at(x, y), want) << "at " << x << "," << y;
      }
    }
    // Corners in either order are the same call.
    Canvas swapped(12, 12, untouched), mixed(12, 12, untouched);
    stretchBlit(swapped.img, 8, 8, 0, 0, src.img);
    stretchBlit(mixed.img, 8, 0, 0, 8, src.img);
    EXPECT_EQ(swapped.store, dst.store);
    EXPECT_EQ(mixed.store, dst.store);
  });
}

TEST(Stretch, ClipsHalfOffRectanglesAndKeepsSamplesInsideTheSource) {
  atEveryLevel([] {
    Canvas src = coordinateSource(4, 4);
    const Color32 untouched = 0x01010101u;
    // Rectangle (-4, 3)..(4, 11) on a 6 x 6 image: rows 3..5 and columns 0..2 show.
    Canvas dst(6, 6, untouched);
    stretchBlit(dst.img, -4, 3, 4, 11, src.img);
    const int32_t samples[7] = {0, 0, 1, 2, 2, 2, 3};
    for (int32_t y = 0; y < 6; ++y) {
      for (int32_t x = 0; x < 6; ++x) {
        bool inside = y >= 3 && x <= 2;
        Color32 want = inside ? src.at(samples[x + 4], samples[y - 3]) : untouched;
        ASSERT_EQ(dst.at(x, y), want) << "at " << x << "," << y;
      }
    }
    EXPECT_TRUE(dst.guardsIntact());

    // Four times the source: the last samples round up to column 2 (row 2) of a
    // 2 x 2 source and are kept on column (row) 1.
    Canvas small = coordinateSource(2, 2);
    Canvas big(8, 8, untouched);
    stretchBlit(big.img, 0, 0, 8, 8, small.img);
    EXPECT_EQ(big.at(6, 6), small.at(1, 1));
    EXPECT_EQ(big.at(6, 0), small.at(1, 0));
    EXPECT_TRUE(big.guardsIntact());

    // Wholly off the image, degenerate rectangles, an empty source: nothing.
    Canvas none(6, 6, untouched);
    stretchBlit(none.img, 6, 0, 20, 6, src.img);
    stretchBlit(none.img, -30, -30, 0, 0, src.img);
    stretchBlit(none.img, 2, 0, 2, 6, src.img);
    stretchBlit(none.img, 0, 4, 6, 4, src.img);
    stretchBlit(none.img, 0, 0, 6, 6, Image{});
    for (int32_t i = 0; i < 36; ++i) ASSERT_EQ(none.img.pixels[i], untouched);
    EXPECT_TRUE(none.guardsIntact());

    // Height 1 draws one row, width 2 one column.
    Canvas thin(6, 6, untouched);
    stretchBlit(thin.img, 0, 0, 2, 1, src.img);
    EXPECT_EQ(thin.at(0, 0), src.at(0, 0));
    EXPECT_EQ(thin.at(1, 0), untouched);
    EXPECT_EQ(thin.at(0, 1), untouched);
  });
}

TEST(Stretch, CombinationsKeyAlphaAdd) {
  atEveryLevel([] {
    const Color32 key = 0x00000000u;
    Canvas src(4, 1);
    src.at(0, 0) = key;
    src.at(1, 0) = 0xFF102030u;
    src.at(2, 0) = key;
    src.at(3, 0) = 0x80FF8040u;
    const Color32 old = 0xC0406080u;
    Canvas dst(4, 2, old);
    stretchBlitKeyed(dst.img, 0, 0, 5, 2, key, src.img);  // 4 columns, step 0.8: 0, 1, 2, 2
    EXPECT_EQ(dst.at(0, 0), old);
    EXPECT_EQ(dst.at(1, 0), 0xFF102030u);
    EXPECT_EQ(dst.at(2, 0), old);
    EXPECT_EQ(dst.at(3, 0), old);
    for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(dst.at(x, 1), old);

    // Alpha: (s * a + d * (255 - a)) >> 8 on red, green, blue; alpha from the source.
    Canvas one(1, 1);
    one.at(0, 0) = 0x80FF8040u;
    Canvas a(2, 2, old);
    stretchBlitAlpha(a.img, 0, 0, 2, 2, one.img);
    EXPECT_EQ(a.at(0, 0), blendColors(0x80FF8040u, old));
    EXPECT_EQ(a.at(0, 0), 0x809F6F5Fu);
    EXPECT_EQ(a.at(1, 0), old);
    // Add saturates every channel, alpha included.
    Canvas s(2, 2, old);
    stretchBlitAdd(s.img, 0, 0, 2, 2, one.img);
    EXPECT_EQ(s.at(0, 0), 0xFFFFE0C0u);
  });
}

TEST(Stretch, KeyedNeverWritesTheKey) {
  atEveryLevel([] {
    std::mt19937 rng(7);
    const Color32 key = 0xFF00FF00u;
    Canvas src(37, 23);
    for (auto& p : src.store) p = (rng() & 1) ? key : (rng() | 1u);
    Canvas dst(64, 48, 0x12345678u);
    stretchBlitKeyed(dst.img, -5, 3, 70, 40, key, src.img);
    for (int32_t i = 0; i < 64 * 48; ++i) ASSERT_NE(dst.img.pixels[i], key);
  });
}

TEST(Rotate, RotatePointTurnsAboutTheCentre) {
  int32_t ox = 0, oy = 0;
  rotatePoint(50, 30, 100, 0, 0.0f, ox, oy);
  EXPECT_EQ(ox, 100);
  EXPECT_EQ(oy, 0);
  rotatePoint(50, 30, 100, 0, float(90 * 0.017453293L), ox, oy);  // (50, -30) turns to (30, 50)
  EXPECT_EQ(ox, 80);
  EXPECT_EQ(oy, 80);
  rotatePoint(50, 30, 50, 30, 1.0f, ox, oy);  // the centre stays
  EXPECT_EQ(ox, 50);
  EXPECT_EQ(oy, 30);
  rotatePoint(0, 0, -3, 4, float(180 * 0.017453293L), ox, oy);
  EXPECT_EQ(ox, 3);
  EXPECT_EQ(oy, -4);
}

TEST(Rotate, AnglesZeroFullTurnsAndQuarterTurns) {
  atEveryLevel([] {
    std::mt19937 rng(3);
    Canvas src(7, 5);
    for (auto& p : src.store) p = rng() | 1u;
    const Color32 untouched = 0u;
    Canvas dst(16, 12, untouched);
    rotateBlit(dst.img, 3, 2, 0, src.img);
    for (int32_t y = 0; y < 12; ++y)
      for (int32_t x = 0; x < 16; ++x) {
        bool inside = x >= 3 && x < 10 && y >= 2 && y < 7;
        ASSERT_EQ(dst.at(x, y), inside ? src.at(x - 3, y - 2) : untouched) << x << "," << y;
      }
    for (int32_t angle : {360, 720, 3600}) {
      Canvas again(16, 12, untouched);
      rotateBlit(again.img, 3, 2, angle, src.img);
      EXPECT_EQ(again.store, dst.store) << angle;
    }
    Canvas q90(16, 12, untouched), q450(16, 12, untouched);
    rotateBlit(q90.img, 3, 2, 90, src.img);
    rotateBlit(q450.img, 3, 2, 450, src.img);
    EXPECT_EQ(q450.store, q90.store);
  });
}

TEST(Rotate, QuarterTurnOfHundredBySixtyIsFiftyNineByHundred) {
  atEveryLevel([] {
    Canvas src = coordinateSource(100, 60);
    Canvas dst(300, 300, 0u);
    rotateBlit(dst.img, 100, 100, 90, src.img);
    int32_t minX = 300, maxX = -1, minY = 300, maxY = -1, count = 0;
    for (int32_t y = 0; y < 300; ++y)
      for (int32_t x = 0; x < 300; ++x)
        if (dst.at(x, y) != 0u) {
          minX = std::min(minX, x), maxX = std::max(maxX, x);
          minY = std::min(minY, y), maxY = std::max(maxY, y);
          ++count;
        }
    EXPECT_EQ(maxX - minX + 1, 59);
    EXPECT_EQ(maxY - minY + 1, 100);
    EXPECT_EQ(count, 59 * 100);
    // Clockwise on the screen: local (col, row) shows source (cx + row - cy, cy - col + cx),
    // so source (10, 5) lands at local (75, -10).
    EXPECT_EQ(dst.at(100 + 75, 100 - 10), src.at(10, 5));
    // The other way round for -90: local (col, row) shows (cx - (row - cy), cy + col - cx).
    Canvas back(300, 300, 0u);
    rotateBlit(back.img, 100, 100, -90, src.img);
    EXPECT_EQ(back.at(100 + 25, 100 + 70), src.at(10, 5));
    EXPECT_NE(back.store, dst.store);
    EXPECT_TRUE(dst.guardsIntact() && back.guardsIntact());
  });
}

TEST(Rotate, KeyAddAndClipping) {
  atEveryLevel([] {
    std::mt19937 rng(11);
    const Color32 key = 0xFF000000u;
    Canvas src(40, 30);
    for (auto& p : src.store) p = (rng() % 3 == 0) ? key : (rng() | 0x01000000u);
    Canvas dst(32, 32, 0x00ABCDEFu);
    rotateBlitKeyed(dst.img, -10, -8, 37, src.img, key);
    for (int32_t i = 0; i < 32 * 32; ++i) ASSERT_NE(dst.img.pixels[i], key);
    EXPECT_TRUE(dst.guardsIntact());

    Canvas one(1, 1);
    one.at(0, 0) = 0x80FF8040u;
    Canvas sum(3, 3, 0xC0406080u);
    rotateBlitAdd(sum.img, 1, 1, 0, one.img);
    EXPECT_EQ(sum.at(1, 1), 0xFFFFE0C0u);
    EXPECT_EQ(sum.at(0, 0), 0xC0406080u);

    // Far off the destination on every side: nothing.
    Canvas none(16, 16, 7u);
    for (int32_t pos : {-200, 200}) {
      rotateBlit(none.img, pos, 0, 45, src.img);
      rotateBlit(none.img, 0, pos, 45, src.img);
    }
    for (int32_t i = 0; i < 256; ++i) ASSERT_EQ(none.img.pixels[i], 7u);
  });
}

namespace {

struct Case {
  int32_t dw, dh, sw, sh, a, b, c, d;
  Color32 key;
};

// Draws sizes and places, often far off the destination, small and large.
Case drawCase(std::mt19937& rng) {
  auto range = [&](int32_t lo, int32_t hi) { return lo + int32_t(rng() % uint32_t(hi - lo + 1)); };
  Case k;
  k.dw = range(1, 90);
  k.dh = range(1, 70);
  k.sw = range(1, 50);
  k.sh = range(1, 50);
  int32_t spread = (rng() % 4 == 0) ? 400 : 60;
  k.a = range(-spread, spread);
  k.b = range(-spread, spread);
  k.c = range(-spread, spread);
  k.d = range(-spread, spread);
  // Widths of the source itself (1:1 columns) and one more.
  if (rng() % 6 == 0) k.c = k.a + k.sw + int32_t(rng() % 2);
  if (rng() % 6 == 0) k.d = k.b + k.sh + int32_t(rng() % 2);
  k.key = 0;
  return k;
}

void fillRandom(Canvas& c, std::mt19937& rng, Color32 key) {
  for (int32_t i = 0; i < c.img.width * c.img.height; ++i) {
    uint32_t r = rng();
    c.img.pixels[i] = (r % 5 == 0) ? key : (r % 7 == 0) ? 0xFFFFFFFFu : rng();
  }
}

// CRC-32 of pixels (bytes in memory order), to pin the literal routines' own results.
uint32_t crcPixels(uint32_t crc, const std::vector<Color32>& pixels) {
  crc = ~crc;
  for (Color32 c : pixels)
    for (int b = 0; b < 4; ++b) {
      crc ^= (c >> (8 * b)) & 0xFFu;
      for (int k = 0; k < 8; ++k) crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
  return ~crc;
}

// First differing pixel, or -1.
int64_t firstDifference(const Canvas& a, const Canvas& b) {
  for (size_t i = 0; i < a.store.size(); ++i)
    if (a.store[i] != b.store[i]) return int64_t(i) - int64_t(Canvas::Guard);
  return -1;
}

}  // namespace

TEST(StretchKernels, EveryLevelMatchesTheLiteralRoutines) {
  const RasterKernels saved = ActiveKernels;
  const uint32_t baseSeed = 20261208u;
  std::printf("stretch/rotate differential seed %u, levels up to %s\n", baseSeed, simdLevelName(supportedSimdLevel()));
  uint32_t crc = 0;
  for (uint32_t i = 0; i < 3000; ++i) {
    uint32_t seed = baseSeed + i;
    std::mt19937 rng(seed);
    Case k = drawCase(rng);
    Canvas src(k.sw, k.sh);
    Canvas dst0(k.dw, k.dh);
    k.key = (rng() & 1) ? rng() : 0u;
    fillRandom(src, rng, k.key);
    fillRandom(dst0, rng, 0x12345678u);
    int32_t op = int32_t(i % 7);
    int32_t angle = (rng() % 5 == 0) ? int32_t(rng() % 2000) - 1000 : int32_t(rng() % 360);
    int32_t x = k.a / 2, y = k.b / 2;
    auto run = [&](Canvas& dst, bool reference) {
      switch (op) {
        case 0:
          (reference ? stretchBlitReference : stretchBlit)(dst.img, k.a, k.b, k.c, k.d, src.img);
          break;
        case 1:
          (reference ? stretchBlitKeyedReference : stretchBlitKeyed)(dst.img, k.a, k.b, k.c, k.d, k.key, src.img);
          break;
        case 2:
          (reference ? stretchBlitAlphaReference : stretchBlitAlpha)(dst.img, k.a, k.b, k.c, k.d, src.img);
          break;
        case 3:
          (reference ? stretchBlitAddReference : stretchBlitAdd)(dst.img, k.a, k.b, k.c, k.d, src.img);
          break;
        case 4:
          (reference ? rotateBlitReference : rotateBlit)(dst.img, x, y, angle, src.img);
          break;
        case 5:
          (reference ? rotateBlitKeyedReference : rotateBlitKeyed)(dst.img, x, y, angle, src.img, k.key);
          break;
        default:
          (reference ? rotateBlitAddReference : rotateBlitAdd)(dst.img, x, y, angle, src.img);
          break;
      }
    };
    Canvas want = dst0;
    run(want, true);
    crc = crcPixels(crc, want.store);
    for (SimdLevel level : runnableSimdLevels(SimdPortable)) {
      selectRasterLevel(SimdLevel(level));
      Canvas got = dst0;
      run(got, false);
      int64_t at = firstDifference(want, got);
      if (at != -1) {
        ActiveKernels = saved;
        FAIL() << "seed " << seed << " op " << op << " level " << simdLevelName(SimdLevel(level)) << ": dst " << k.dw
               << "x" << k.dh << " src " << k.sw << "x" << k.sh << " corners " << k.a << "," << k.b << " " << k.c << ","
               << k.d << " angle " << angle << ": first difference at pixel " << at << " (x "
               << (at >= 0 ? at % k.dw : at) << ", y " << (at >= 0 ? at / k.dw : 0) << "): want 0x" << std::hex
               << want.store[size_t(at + Canvas::Guard)] << " got 0x" << got.store[size_t(at + Canvas::Guard)];
      }
    }
  }
  ActiveKernels = saved;
  // The literal routines' results over all cases: a change here is a change of
  // the show's pixels, whatever the fast paths do.
  EXPECT_EQ(crc, 0xDEC6F632u) << std::hex << "literal results changed: crc 0x" << crc;
}

TEST(StretchKernels, FullScreenSizesMatch) {
  // The sizes the show uses: full-screen pictures, zooms far beyond the screen.
  const RasterKernels saved = ActiveKernels;
  std::mt19937 rng(5);
  Canvas src(320, 200);
  fillRandom(src, rng, 0);
  struct Job {
    int32_t op, a, b, c, d;
  };
  const Job jobs[] = {{0, 0, 0, 1280, 720},   {1, -7000, -6500, 9000, 7500}, {2, -3, -5, 1290, 725},
                      {3, 100, 50, 900, 650}, {4, 480, 260, 33, 0},          {5, 400, 200, 271, 0},
                      {6, -100, -300, 10, 0}};
  Canvas screen0(1280, 720);
  fillRandom(screen0, rng, 0);
  Canvas big(1000, 800);
  fillRandom(big, rng, 0);
  for (const Job& j : jobs) {
    Image s = j.op == 6 ? big.img : src.img;
    auto run = [&](Canvas& dst, bool reference) {
      switch (j.op) {
        case 0:
          (reference ? stretchBlitReference : stretchBlit)(dst.img, j.a, j.b, j.c, j.d, s);
          break;
        case 1:
          (reference ? stretchBlitKeyedReference : stretchBlitKeyed)(dst.img, j.a, j.b, j.c, j.d, 0, s);
          break;
        case 2:
          (reference ? stretchBlitAlphaReference : stretchBlitAlpha)(dst.img, j.a, j.b, j.c, j.d, s);
          break;
        case 3:
          (reference ? stretchBlitAddReference : stretchBlitAdd)(dst.img, j.a, j.b, j.c, j.d, s);
          break;
        case 4:
          (reference ? rotateBlitReference : rotateBlit)(dst.img, j.a, j.b, j.c, s);
          break;
        case 5:
          (reference ? rotateBlitKeyedReference : rotateBlitKeyed)(dst.img, j.a, j.b, j.c, s, 0);
          break;
        default:
          (reference ? rotateBlitAddReference : rotateBlitAdd)(dst.img, j.a, j.b, j.c, s);
          break;
      }
    };
    Canvas want = screen0;
    run(want, true);
    for (SimdLevel level : runnableSimdLevels(SimdPortable)) {
      selectRasterLevel(SimdLevel(level));
      Canvas got = screen0;
      run(got, false);
      int64_t at = firstDifference(want, got);
      EXPECT_EQ(at, -1) << "op " << j.op << " level " << simdLevelName(SimdLevel(level)) << " x " << at % 1280 << " y "
                        << at / 1280;
    }
  }
  ActiveKernels = saved;
}

TEST(StretchKernels, SourceSharingTheDestinationTakesTheLiteralOrder) {
  const RasterKernels saved = ActiveKernels;
  std::mt19937 rng(9);
  Canvas start(50, 40);
  fillRandom(start, rng, 0);
  Canvas want = start;
  Image wantSrc{want.img.pixels + 3, 20, 20};  // pixels inside the destination's own
  stretchBlitAlphaReference(want.img, 5, 5, 45, 37, wantSrc);
  rotateBlitReference(want.img, 2, 1, 30, wantSrc);
  for (SimdLevel level : runnableSimdLevels(SimdPortable)) {
    selectRasterLevel(SimdLevel(level));
    Canvas got = start;
    Image gotSrc{got.img.pixels + 3, 20, 20};
    stretchBlitAlpha(got.img, 5, 5, 45, 37, gotSrc);
    rotateBlit(got.img, 2, 1, 30, gotSrc);
    EXPECT_EQ(firstDifference(want, got), -1) << simdLevelName(ActiveKernels.level);
  }
  ActiveKernels = saved;
}

TEST(StretchKernels, HugeRectanglesFarOffTheDestinationStayQuick) {
  // Two thousand million columns left of the destination: fx stops growing
  // (a step no longer changes it) long before, at about 0.03, so every visible
  // column samples source column 0. The literal loop would take minutes here.
  const RasterKernels saved = ActiveKernels;
  for (SimdLevel level : runnableSimdLevels(SimdPortable)) {
    selectRasterLevel(SimdLevel(level));
    Canvas src = coordinateSource(4, 4);
    Canvas dst(8, 4, 1u);
    stretchBlit(dst.img, -2000000000, 0, 8, 4, src.img);
    for (int32_t y = 0; y < 4; ++y)
      for (int32_t x = 0; x < 8; ++x) ASSERT_EQ(dst.at(x, y), (x < 7 && y < 3) ? src.at(0, y) : 1u) << x << "," << y;
    Canvas tall(4, 8, 1u);
    stretchBlitKeyed(tall.img, 0, -2000000000, 4, 8, 0, src.img);
    for (int32_t y = 0; y < 8; ++y)
      for (int32_t x = 0; x < 4; ++x) ASSERT_EQ(tall.at(x, y), (y < 7 && x < 3) ? src.at(x, 0) : 1u) << x << "," << y;
  }
  ActiveKernels = saved;
}

namespace {

// Random rotated blits of a source that lies against memory no read may touch.
// The fast rotated blits read ahead of the rows they draw (whole bands of the
// source, with a margin); they must still read only inside the source, and
// give the literal routine's pixels. Everything the cases need is made before
// the source is placed, so nothing is allocated while they run.
struct RotatedReadCheck {
  std::vector<SimdLevel> levels = runnableSimdLevels(SimdPortable);
  Canvas dst0{256, 160}, want{256, 160}, got{256, 160};

  // Sources at the start of data (every other case, when front is true) or
  // ending at the end of its dataPixels pixels.
  void run(Color32* data, size_t dataPixels, bool front) {
    const RasterKernels saved = ActiveKernels;
    std::mt19937 rng(1208);
    for (int i = 0; i < 240; ++i) {
      int32_t sw = 1 + int32_t(rng() % 300), sh = 1 + int32_t(rng() % 200);
      size_t n = size_t(sw) * size_t(sh);
      Image src{(front && i % 2 == 0) ? data : data + (dataPixels - n), sw, sh};
      for (size_t k = 0; k < n; ++k) src.pixels[k] = (rng() % 4 == 0) ? 0u : rng();
      int32_t angle = int32_t(rng() % 720) - 360;
      int32_t x = int32_t(rng() % 400) - 150, y = int32_t(rng() % 300) - 100;
      int32_t op = i % 3;
      fillRandom(dst0, rng, 0);
      auto run = [&](Canvas& dst, bool reference) {
        std::copy(dst0.store.begin(), dst0.store.end(), dst.store.begin());
        if (op == 0) (reference ? rotateBlitReference : rotateBlit)(dst.img, x, y, angle, src);
        if (op == 1) (reference ? rotateBlitKeyedReference : rotateBlitKeyed)(dst.img, x, y, angle, src, 0);
        if (op == 2) (reference ? rotateBlitAddReference : rotateBlitAdd)(dst.img, x, y, angle, src);
      };
      run(want, true);
      for (SimdLevel level : levels) {
        ActiveKernels = kernelsForLevel(level);
        run(got, false);
        ASSERT_EQ(firstDifference(want, got), -1)
            << "case " << i << " level " << simdLevelName(level) << " src " << sw << "x" << sh << " angle " << angle;
      }
    }
    ActiveKernels = saved;
  }
};

}  // namespace

#if defined(__linux__)
TEST(StretchKernels, RotatedBlitsReadNothingOutsideTheSource) {
  // A source that starts right after an unmapped page, or ends right before
  // one: a stray read crashes the test.
  RotatedReadCheck check;
  const size_t page = size_t(sysconf(_SC_PAGESIZE));
  const size_t dataBytes = 64 * page;
  char* map = static_cast<char*>(
      mmap(nullptr, dataBytes + 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  ASSERT_NE(map, MAP_FAILED);
  ASSERT_EQ(mprotect(map, page, PROT_NONE), 0);
  ASSERT_EQ(mprotect(map + page + dataBytes, page, PROT_NONE), 0);
  check.run(reinterpret_cast<Color32*>(map + page), dataBytes / sizeof(Color32), true);
  munmap(map, dataBytes + 2 * page);
}
#endif

#if defined(__EMSCRIPTEN__)
TEST(StretchKernels, RotatedBlitsReadNothingPastTheSourceAtTheEndOfWasmMemory) {
  // WebAssembly has no page protection, but every access past the end of its
  // memory traps: a source whose last byte is the memory's last byte stops
  // the test at the first read past it. The top of the memory is claimed with
  // sbrk first, so the allocator can hand none of it out, and stays claimed
  // (this sbrk cannot shrink); the memory must not grow while the cases run.
  RotatedReadCheck check;
  const uintptr_t dataBytes = 64 * 4096;
  uintptr_t top = emscripten_get_heap_size(), brk = uintptr_t(sbrk(0));
  if (top - brk < dataBytes) {
    ASSERT_NE(sbrk(intptr_t(dataBytes)), reinterpret_cast<void*>(-1));
    top = emscripten_get_heap_size();
    brk = uintptr_t(sbrk(0));
  }
  ASSERT_NE(sbrk(intptr_t(top - brk)), reinterpret_cast<void*>(-1));
  ASSERT_EQ(uintptr_t(sbrk(0)), top);
  check.run(reinterpret_cast<Color32*>(top - dataBytes), dataBytes / sizeof(Color32), false);
  EXPECT_EQ(emscripten_get_heap_size(), top) << "the memory grew: its end was no longer the source's end";
}
#endif
