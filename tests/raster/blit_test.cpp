// Whole-image blits: worked rectangles, clip rules checked against a model in
// destination coordinates over random placements, guard pixels around every image.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "raster/blit.h"
#include "fixtures.h"

namespace {

// Images with guard pixels before and after their buffers.
using Guarded = GuardedImage;

// Every pixel different: (x, y) and a tag in the alpha byte.
void pattern(Image img, uint32_t tag) {
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x) putPixel(img, x, y, (tag << 24) | uint32_t(y) << 12 | uint32_t(x));
}

}  // namespace

TEST(Blits, UnclippedCopiesAndCombinations) {
  Guarded src(8, 3), dst(12, 5, 0xFF000000u);
  pattern(src.img, 0x40);
  blitImage(dst.img, 2, 1, src.img);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 12; ++x) {
      bool in = x >= 2 && x < 10 && y >= 1 && y < 4;
      EXPECT_EQ(dst.at(x, y), in ? src.at(x - 2, y - 1) : 0xFF000000u) << x << "," << y;
    }
  dst.expectGuards();

  // An odd width copies whole pairs only: the last column stays, no row drifts.
  Guarded odd(7, 3), dst2(9, 4);
  pattern(odd.img, 0x41);
  blitImage(dst2.img, 1, 1, odd.img);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 9; ++x) {
      bool in = x >= 1 && x < 7 && y >= 1;
      EXPECT_EQ(dst2.at(x, y), in ? odd.at(x - 1, y - 1) : 0u) << x << "," << y;
    }
  dst2.expectGuards();

  // Keyed: all 32 bits compared, so transparent black is copied over opaque black's holes.
  Guarded ks(2, 2), kd(3, 3, 0x55555555u);
  ks.img.pixels[0] = 0xFF000000u;
  ks.img.pixels[1] = 0x00000000u;
  ks.img.pixels[2] = 0xFF000001u;
  ks.img.pixels[3] = 0xFF000000u;
  blitImageKeyed(kd.img, 1, 1, ks.img, 0xFF000000u);
  EXPECT_EQ(kd.at(1, 1), 0x55555555u);
  EXPECT_EQ(kd.at(2, 1), 0x00000000u);
  EXPECT_EQ(kd.at(1, 2), 0xFF000001u);
  EXPECT_EQ(kd.at(2, 2), 0x55555555u);
  EXPECT_EQ(kd.at(0, 0), 0x55555555u);
  kd.expectGuards();

  // grabImage fills all of dst from the rectangle at (sx, sy).
  Guarded big(10, 6), part(4, 3);
  pattern(big.img, 0x42);
  grabImage(part.img, 5, 2, big.img);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(part.at(x, y), big.at(x + 5, y + 2));
  part.expectGuards();

  // Subtraction is source minus destination, alpha included.
  Guarded white(2, 2, 0xFFFFFFFFu), black(4, 4, 0xFF000000u);
  blitSub(black.img, 1, 1, white.img);
  EXPECT_EQ(black.at(1, 1), 0x00FFFFFFu);
  EXPECT_EQ(black.at(2, 2), 0x00FFFFFFu);
  EXPECT_EQ(black.at(0, 0), 0xFF000000u);
  EXPECT_EQ(black.at(3, 3), 0xFF000000u);
  Guarded w2(2, 2, 0xFFFFFFFFu);
  blitSub(w2.img, 0, 0, w2.img);
  EXPECT_EQ(w2.at(1, 1), 0u);

  // Mix, add and alpha: the colour routines with the source first.
  Guarded s(3, 2), d(5, 4);
  pattern(s.img, 0xC0);
  for (int i = 0; i < 20; ++i) d.img.pixels[i] = 0x80C0E0F0u + uint32_t(i) * 0x01010101u;
  Guarded mixed = d, added = d, alpha = d;
  blitMix(mixed.img, 2, 1, s.img, 0);
  blitAdd(added.img, 2, 1, s.img);
  blitAlpha(alpha.img, 2, 1, s.img);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) {
      bool in = x >= 2 && y >= 1 && y < 3;
      Color32 old = d.at(x, y);
      Color32 sp = in ? s.at(x - 2, y - 1) : 0;
      EXPECT_EQ(mixed.at(x, y), in ? mixColors(sp, old, 0) : old);
      if (in) {  // weight 0: (d * 255) >> 8 per channel
        for (int k = 0; k < 32; k += 8) EXPECT_EQ((mixed.at(x, y) >> k) & 0xFF, ((old >> k) & 0xFF) * 255 / 256);
      }
      EXPECT_EQ(added.at(x, y), in ? addColors(sp, old) : old);
      EXPECT_EQ(alpha.at(x, y), in ? blendColors(sp, old) : old);
    }
  mixed.expectGuards();
  added.expectGuards();
  alpha.expectGuards();

  // Empty sources draw nothing.
  Guarded none(0, 3), target(4, 4, 7);
  blitAdd(target.img, 0, 0, none.img);
  blitImageKeyed(target.img, 0, 0, none.img, 1);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(target.img.pixels[i], 7u);
}

TEST(Blits, ClippedWorkedRectangles) {
  Guarded src(10, 10);
  pattern(src.img, 0xFF);
  {
    Guarded dst(20, 20);
    blitClipped(dst.img, -3, -4, src.img);
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 20; ++x)
        EXPECT_EQ(dst.at(x, y), (x <= 6 && y <= 5) ? src.at(x + 3, y + 4) : 0u) << x << "," << y;
    dst.expectGuards();
  }
  {
    Guarded dst(20, 20);
    blitClipped(dst.img, 19, 3, src.img);
    blitClipped(dst.img, 3, 19, src.img);
    blitClipped(dst.img, -9, 3, src.img);  // only column 0 would be visible
    for (int i = 0; i < 400; ++i) EXPECT_EQ(dst.img.pixels[i], 0u);
    blitClipped(dst.img, 18, 3, src.img);
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 20; ++x) EXPECT_EQ(dst.at(x, y), (x >= 18 && y >= 3 && y < 13) ? src.at(x - 18, y - 3) : 0u);
    dst.expectGuards();
  }
  {
    Guarded dst(30, 30);
    blitClippedKeyed(dst.img, 0, 0, src.img, 0x12345678u);
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 30; ++x) EXPECT_EQ(dst.at(x, y), (x <= 8 && y <= 8) ? src.at(x, y) : 0u);
  }
  {
    Guarded dst(30, 30, 0x00010203u);
    blitClippedAdd(dst.img, 5, 5, src.img);
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 30; ++x) {
        bool in = x >= 5 && x <= 13 && y >= 5 && y <= 13;
        Color32 want = in ? (addColors(src.at(x - 4, y - 4), 0x00010203u) | 0xFF000000u) : 0x00010203u;
        EXPECT_EQ(dst.at(x, y), want) << x << "," << y;
      }
    dst.expectGuards();
  }
  {
    Guarded one(1, 1, 9), dst(3, 3);
    blitClipped(dst.img, 1, 1, one.img);  // 1 x 1 works
    EXPECT_EQ(dst.at(1, 1), 9u);
  }
}

namespace {

// The clipped blits restated per destination pixel: which source pixel, if any,
// lands on (X, Y). Independent of the source-space loops in the routines.
enum class ClipKind { copy, keyed, add };

bool clipModel(ClipKind kind, int dw, int dh, int x, int y, int sw, int sh, int X, int Y, int& sx, int& sy) {
  int64_t lx = x, ly = y;
  if (lx >= dw - 1 || ly >= dh - 1 || lx + sw - 1 <= 0 || ly + sh - 1 <= 0) return false;
  int64_t left = std::max<int64_t>(lx, 0), right = std::min<int64_t>(lx + sw - 1, dw - 1);
  int64_t top = std::max<int64_t>(ly, 0), bottom = std::min<int64_t>(ly + sh - 1, dh - 1);
  int shift = 0;
  if (kind == ClipKind::keyed) --right, --bottom;           // last visible column and row dropped
  if (kind == ClipKind::add) --right, --bottom, shift = 1;  // first dropped, then moved up-left
  if (X < left || X > right || Y < top || Y > bottom) return false;
  sx = int(X - lx + shift);
  sy = int(Y - ly + shift);
  return true;
}

}  // namespace

TEST(Blits, ClippedRandomPlacementsMatchModel) {
  std::mt19937 rng(20261208);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const int placements[] = {INT32_MIN, INT32_MIN + 1, -2000000000, 2000000000, INT32_MAX - 1, INT32_MAX};
  for (int iter = 0; iter < 3000; ++iter) {
    int dw = pick(1, 24), dh = pick(1, 24), sw = pick(iter % 3 == 0 ? 1 : 2, 30), sh = pick(iter % 3 == 0 ? 1 : 2, 30);
    ClipKind kind = ClipKind(iter % 3);
    int x = pick(-sw - 2, dw + 2), y = pick(-sh - 2, dh + 2);
    if (iter % 50 == 0) x = placements[pick(0, 5)];
    if (iter % 70 == 0) y = placements[pick(0, 5)];
    Guarded src(sw, sh), dst(dw, dh);
    pattern(src.img, 0x20);
    for (int i = 0; i < sw * sh; i += pick(2, 5)) src.img.pixels[i] = 0xFF000000u;  // some keys
    for (int i = 0; i < dw * dh; ++i) dst.img.pixels[i] = 0x30F0F0F0u + uint32_t(i);
    Guarded before = dst;
    if (kind == ClipKind::copy) blitClipped(dst.img, x, y, src.img);
    if (kind == ClipKind::keyed) blitClippedKeyed(dst.img, x, y, src.img, 0xFF000000u);
    if (kind == ClipKind::add) blitClippedAdd(dst.img, x, y, src.img);
    for (int Y = 0; Y < dh; ++Y)
      for (int X = 0; X < dw; ++X) {
        int sx, sy;
        Color32 old = before.at(X, Y), want = old;
        if (clipModel(kind, dw, dh, x, y, sw, sh, X, Y, sx, sy)) {
          Color32 s = src.at(sx, sy);
          if (kind == ClipKind::copy) want = s;
          if (kind == ClipKind::keyed && s != 0xFF000000u) want = s;
          if (kind == ClipKind::add) want = addColors(s, old) | 0xFF000000u;
        }
        ASSERT_EQ(dst.at(X, Y), want) << "case " << iter << " kind " << int(kind) << " dst " << dw << "x" << dh
                                      << " src " << sw << "x" << sh << " at " << x << "," << y << " pixel " << X << ","
                                      << Y;
      }
    dst.expectGuards();
  }
}
