// Whole-image filters and timeRandom: worked values, the in-place order of the
// blur, the texture overlay's threshold and jumps, and the fast blurs against
// the literal scan on random images.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <vector>

#include "music/chance.h"
#include "music/clock.h"
#include "raster/filter.h"
#include "raster/kernels.h"

namespace {

struct Picture {
  std::vector<Color32> store;
  Image img;
  Picture(int32_t w, int32_t h, Color32 fill = 0) : store(size_t(w) * h, fill) {
    img.pixels = store.data();
    img.width = w;
    img.height = h;
  }
  Picture(const Picture& o) : store(o.store), img(o.img) { img.pixels = store.data(); }
  Picture& operator=(const Picture&) = delete;
  Color32& at(int32_t x, int32_t y) { return store[size_t(y) * img.width + x]; }
};

// Every blur implementation the processor runs, the literal one first.
std::vector<std::pair<const char*, void (*)(Image)>> blurLevels() {
  std::vector<std::pair<const char*, void (*)(Image)>> v;
  for (SimdLevel level : runnableSimdLevels(SimdNone))
    v.push_back({simdLevelName(SimdLevel(level)), kernelsForLevel(SimdLevel(level)).filter.blur});
  return v;
}

}  // namespace

TEST(Filters, InvertComplementsPairs) {
  Picture p(3, 1);
  p.at(0, 0) = 0xFF000000u;
  p.at(1, 0) = 0x12345678u;
  p.at(2, 0) = 0xFF000000u;
  invertImage(p.img);
  EXPECT_EQ(p.at(0, 0), 0x00FFFFFFu);
  EXPECT_EQ(p.at(1, 0), 0xEDCBA987u);
  EXPECT_EQ(p.at(2, 0), 0xFF000000u);  // odd count: the last pixel stays

  std::mt19937 rng(1);
  Picture q(6, 5);
  for (auto& c : q.store) c = rng();
  Picture original = q;
  invertImage(q.img);
  invertImage(q.img);
  EXPECT_EQ(q.store, original.store);
  Picture one(1, 1, 5u);
  invertImage(one.img);
  EXPECT_EQ(one.at(0, 0), 5u);
}

TEST(Filters, BlurWorkedValues) {
  for (auto [name, blur] : blurLevels()) {
    SCOPED_TRACE(name);
    // 3 x 3: only the centre changes, to the floor of the mean of all nine.
    Picture p(3, 3);
    uint32_t sum[4] = {0, 0, 0, 0};
    for (int32_t i = 0; i < 9; ++i) {
      Color32 c = makeColor(uint8_t(20 * i + 7), uint8_t(255 - 3 * i), uint8_t(i * i), uint8_t(200 + i));
      p.store[i] = c;
      sum[0] += (c >> 16) & 0xFF, sum[1] += (c >> 8) & 0xFF, sum[2] += c & 0xFF, sum[3] += c >> 24;
    }
    Picture before = p;
    blur(p.img);
    for (int32_t i = 0; i < 9; ++i) {
      if (i == 4) continue;
      EXPECT_EQ(p.store[i], before.store[i]);
    }
    EXPECT_EQ(p.at(1, 1),
              makeColor(uint8_t(sum[0] / 9), uint8_t(sum[1] / 9), uint8_t(sum[2] / 9), uint8_t(sum[3] / 9)));

    // Two rows or two columns: nothing happens.
    std::mt19937 rng(2);
    for (auto [w, h] : {std::pair{2, 9}, std::pair{9, 2}, std::pair{1, 1}, std::pair{2, 2}}) {
      Picture thin(w, h);
      for (auto& c : thin.store) c = rng();
      Picture keep = thin;
      blur(thin.img);
      EXPECT_EQ(thin.store, keep.store);
    }
    // One colour everywhere stays.
    Picture flat(17, 11, 0xFEDCBA98u);
    blur(flat.img);
    for (Color32 c : flat.store) ASSERT_EQ(c, 0xFEDCBA98u);
  }
}

TEST(Filters, BlurRunsInPlaceLeftToRightTopToBottom) {
  for (auto [name, blur] : blurLevels()) {
    SCOPED_TRACE(name);
    // Blue of a 4 x 3 image:   9  9  9  9
    //                           9 90  0  0
    //                           0  0  0  0
    // (1, 1) = (4 * 9 + 90) / 9 = 14; (2, 1) then sees its blurred left
    // neighbour: (3 * 9 + 14) / 9 = 4 (a double-buffered blur would give 13).
    Picture p(4, 3);
    const uint8_t blue[12] = {9, 9, 9, 9, 9, 90, 0, 0, 0, 0, 0, 0};
    for (int32_t i = 0; i < 12; ++i) p.store[i] = makeColor(0, 0, blue[i], 0);
    blur(p.img);
    EXPECT_EQ(p.at(1, 1), makeColor(0, 0, 14, 0));
    EXPECT_EQ(p.at(2, 1), makeColor(0, 0, 4, 0));

    // Alpha of a 3 x 4 image with 90 at (1, 1): (1, 1) = 10, and (1, 2) sees the
    // blurred row above: 10 / 9 = 1 (double-buffered: 10).
    Picture q(3, 4);
    q.at(1, 1) = makeColor(0, 0, 0, 90);
    blur(q.img);
    EXPECT_EQ(q.at(1, 1), makeColor(0, 0, 0, 10));
    EXPECT_EQ(q.at(1, 2), makeColor(0, 0, 0, 1));
  }
}

TEST(Filters, FastBlursMatchTheLiteralScan) {
  const uint32_t baseSeed = 777u;
  std::printf("blur differential seed %u\n", baseSeed);
  auto levels = blurLevels();
  // CRC-32 of the literal scan's results, pinned below.
  uint32_t crc = ~0u;
  auto crcStep = [](uint32_t h, Color32 c) {
    for (int b = 0; b < 4; ++b) {
      h ^= (c >> (8 * b)) & 0xFFu;
      for (int k = 0; k < 8; ++k) h = (h & 1) ? 0xEDB88320u ^ (h >> 1) : h >> 1;
    }
    return h;
  };
  std::vector<std::pair<int32_t, int32_t>> sizes;
  for (int32_t w = 1; w <= 40; ++w) sizes.push_back({w, 3 + w % 7});
  for (int32_t h = 1; h <= 12; ++h) sizes.push_back({5 + h, h});
  std::mt19937 sizeRng(baseSeed);
  for (int32_t i = 0; i < 60; ++i) sizes.push_back({1 + int32_t(sizeRng() % 200), 1 + int32_t(sizeRng() % 20)});
  sizes.push_back({1280, 720});
  sizes.push_back({641, 37});
  for (size_t i = 0; i < sizes.size(); ++i) {
    uint32_t seed = baseSeed + uint32_t(i);
    std::mt19937 rng(seed);
    Picture start(sizes[i].first, sizes[i].second);
    // Saturated and random pixels, some areas of one colour.
    for (auto& c : start.store) {
      uint32_t r = rng() % 6;
      c = r == 0 ? 0xFFFFFFFFu : r == 1 ? 0u : rng();
    }
    Picture want = start;
    levels[0].second(want.img);
    for (Color32 c : want.store) crc = crcStep(crc, c);
    for (size_t l = 1; l < levels.size(); ++l) {
      Picture got = start;
      levels[l].second(got.img);
      for (size_t k = 0; k < got.store.size(); ++k) {
        if (got.store[k] != want.store[k]) {
          FAIL() << "seed " << seed << " " << levels[l].first << " " << sizes[i].first << "x" << sizes[i].second
                 << ": first difference at x " << k % sizes[i].first << " y " << k / sizes[i].first << ": want 0x"
                 << std::hex << want.store[k] << " got 0x" << got.store[k];
        }
      }
    }
  }
  crc = ~crc;
  EXPECT_EQ(crc, 0x12AFA38Bu) << std::hex << "literal blur results changed: crc 0x" << crc;
}

// The vector blurs run rows in bands, the lower rows some pairs behind the
// upper ones, and finish rows of an odd inner width with a single step: every
// small width and height, so each band is cut short at every place.
TEST(Filters, FastBlursMatchTheLiteralScanAtEveryBandEdge) {
  auto levels = blurLevels();
  for (int32_t h = 3; h <= 9; ++h) {
    for (int32_t w = 3; w <= 28; ++w) {
      const uint32_t seed = uint32_t(1000 * h + w);
      std::mt19937 rng(seed);
      Picture start(w, h);
      for (auto& c : start.store) c = rng() % 4 == 0 ? 0xFFFFFFFFu : rng();
      Picture want = start;
      levels[0].second(want.img);
      for (size_t l = 1; l < levels.size(); ++l) {
        Picture got = start;
        levels[l].second(got.img);
        for (size_t k = 0; k < got.store.size(); ++k)
          ASSERT_EQ(got.store[k], want.store[k]) << "seed " << seed << " " << levels[l].first << " " << w << "x" << h
                                                 << ": first difference at x " << k % w << " y " << k / w;
      }
    }
  }
}

TEST(Filters, TextureBrightPixelsThresholdWrapAndJumps) {
  const int32_t savedX = TexOffsetX, savedY = TexOffsetY;
  const float savedAccum = TexAccum, savedStep = FrameStep;
  const int32_t savedTime = DemoTime;
  Picture tex(8, 6);
  for (int32_t y = 0; y < 6; ++y)
    for (int32_t x = 0; x < 8; ++x) tex.at(x, y) = 0x00000000u | (uint32_t(y) << 8) | uint32_t(x);

  // No jump: interval 255, nothing gathered.
  FrameStep = 0.0f;
  TexAccum = 0.0f;
  TexOffsetX = -1;
  TexOffsetY = 4;
  Picture dst(4, 2);
  for (int32_t x = 0; x < 4; ++x) {
    dst.at(x, 0) = makeColor(240, 0, 0, 0);
    dst.at(x, 1) = makeColor(239, 255, 255, 255);
  }
  dst.at(3, 0) = makeColor(255, 1, 2, 3);
  textureBrightPixels(dst.img, tex.img, 255);
  // tx = -1 + x: -1 and 0 map to 0, then 1, 2. ty = 4 is height - 2: kept.
  EXPECT_EQ(dst.at(0, 0), 0xFF000400u);
  EXPECT_EQ(dst.at(1, 0), 0xFF000400u);
  EXPECT_EQ(dst.at(2, 0), 0xFF000401u);
  EXPECT_EQ(dst.at(3, 0), 0xFF000402u);
  for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(dst.at(x, 1), makeColor(239, 255, 255, 255));  // red 239 stays
  EXPECT_EQ(TexOffsetX, -1);

  // Large offsets wrap: tx = 6 kept, 7 and 8 wrap to 7 and 0; ty = 5 wraps to 5.
  TexOffsetX = 6;
  TexOffsetY = 5;
  Picture wrap(3, 1, makeColor(250, 0, 0, 0));
  textureBrightPixels(wrap.img, tex.img, 255);
  EXPECT_EQ(wrap.at(0, 0), 0xFF000506u);
  EXPECT_EQ(wrap.at(1, 0), 0xFF000507u);
  EXPECT_EQ(wrap.at(2, 0), 0xFF000500u);

  // FrameStep gathers in TexAccum; the jump comes on the first call reaching
  // the interval, diagonal by timeRandom(16) - 8 (the same draw twice).
  DemoTime = 1000;
  FrameStep = 1.5f;
  TexAccum = 0.0f;
  TexOffsetX = 320;
  TexOffsetY = 200;
  Picture any(2, 2);
  textureBrightPixels(any.img, tex.img, 4);
  textureBrightPixels(any.img, tex.img, 4);
  EXPECT_EQ(TexAccum, 3.0f);
  EXPECT_EQ(TexOffsetX, 320);
  textureBrightPixels(any.img, tex.img, 4);
  EXPECT_EQ(TexAccum, 0.0f);
  EXPECT_EQ(timeRandom(16), 8);
  EXPECT_EQ(TexOffsetX, 320 + 8 - 8);
  DemoTime = 0;  // timeRandom(16) = 3: a jump of -5
  FrameStep = 4.0f;
  textureBrightPixels(any.img, tex.img, 4);
  EXPECT_EQ(TexOffsetX, 315);
  EXPECT_EQ(TexOffsetY, 195);

  TexOffsetX = savedX, TexOffsetY = savedY, TexAccum = savedAccum, FrameStep = savedStep, DemoTime = savedTime;
}

TEST(Filters, TimeRandomRangeRepeatsAndPinnedValues) {
  const int32_t savedTime = DemoTime;
  struct Pin {
    int32_t time, n, value;
  };
  // From the formula by hand: DemoTime 0 gives v = 453806245, f = 0.2113...,
  // 16 f = 3.38 -> 3.
  const Pin pins[] = {{0, 16, 3},      {0, 1000, 211},    {1, 16, 6},         {1, 255, 91}, {1000, 16, 8},
                      {1000, 100, 50}, {33000, 255, 214}, {73000, 1000, 513}, {-5, 100, 48}};
  for (const Pin& p : pins) {
    DemoTime = p.time;
    EXPECT_EQ(timeRandom(p.n), p.value) << p.time << " " << p.n;
  }
  for (int32_t t = -2000; t <= 80000; t += 7) {
    DemoTime = t;
    ASSERT_EQ(timeRandom(0), 0);
    for (int32_t n : {1, 16, 255, 1280}) {
      int32_t r = timeRandom(n);
      ASSERT_GE(r, 0);
      ASSERT_LE(r, n);
      ASSERT_EQ(timeRandom(n), r);  // the same within a frame
    }
  }
  DemoTime = savedTime;
}

TEST(Filters, FastTextureOverlayMatchesTheLiteralPass) {
  const RasterKernels saved = ActiveKernels;
  const RasterKernels literal = kernelsForLevel(SimdNone);
  const uint32_t baseSeed = 4242u;
  std::printf("texture overlay differential seed %u\n", baseSeed);
  for (uint32_t i = 0; i < 300; ++i) {
    uint32_t seed = baseSeed + i;
    std::mt19937 rng(seed);
    Picture dst(1 + int32_t(rng() % 60), 1 + int32_t(rng() % 40));
    Picture tex(1 + int32_t(rng() % 30), 1 + int32_t(rng() % 30));
    for (auto& c : dst.store) c = (rng() & 1) ? (rng() | 0x00F00000u) : rng();
    for (auto& c : tex.store) c = rng();
    int32_t spread = (i % 3 == 0) ? 1000 : 40;
    const int32_t offsetX = int32_t(rng() % uint32_t(2 * spread + 1)) - spread;
    const int32_t offsetY = int32_t(rng() % uint32_t(2 * spread + 1)) - spread;
    Picture want = dst;
    literal.filter.brightOverlay(want.img, tex.img, offsetX, offsetY);
    for (SimdLevel level : runnableSimdLevels(SimdPortable)) {
      selectRasterLevel(SimdLevel(level));
      Picture got = dst;
      overlayBrightPixels(got.img, tex.img, offsetX, offsetY);
      for (size_t k = 0; k < got.store.size(); ++k) {
        if (got.store[k] != want.store[k]) {
          ActiveKernels = saved;
          FAIL() << "seed " << seed << " " << simdLevelName(SimdLevel(level)) << ": first difference at x "
                 << k % dst.img.width << " y " << k / dst.img.width;
        }
      }
    }
  }
  ActiveKernels = saved;
}
