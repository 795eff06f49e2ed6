// The warm-up of the drawing code: it must leave everything the show reads as
// it was (Screen, the polygon filler's tables and depths, the clock, chance,
// the raster level) at every level, and the routines must draw the same
// pixels after it as before; the two filler helpers it drives, worked values.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "crc32.h"
#include "display/screen.h"
#include "driver/warmup.h"
#include "effects/polygon3d.h"
#include "music/chance.h"
#include "music/clock.h"
#include "raster/filter.h"
#include "raster/kernels.h"
#include "raster/stretch.h"

namespace {

template <typename T>
uint32_t crcOf(const std::vector<T>& v) {
  return crc32Of(v.data(), v.size() * sizeof(T));
}

void fillPattern(Color32* p, size_t n, uint32_t seed) {
  for (size_t i = 0; i < n; ++i) p[i] = seed = seed * 1664525u + 1013904223u;
}

// Everything of the show's state the warm-up's routines could reach.
struct ShowStateDigest {
  uint32_t screen, depths, edges;
  int32_t demoTime, texX, texY, level;
  float texAccum;
  uint32_t seed;
  bool operator==(const ShowStateDigest& o) const {
    return screen == o.screen && depths == o.depths && edges == o.edges && demoTime == o.demoTime && texX == o.texX &&
           texY == o.texY && level == o.level && texAccum == o.texAccum && seed == o.seed;
  }
};

ShowStateDigest digestShowState() {
  uint32_t edges = 0;
  for (const m3dScreenSide* t : {&edgeA, &edgeB, &edgeSpare})
    edges = crc32Update(edges, t->data(), t->size() * sizeof(m3dScreenSideType));
  return {crc32Of(Screen.pixels, size_t(Screen.width) * size_t(Screen.height) * 4),
          crc32Of(DepthBuffer.data(), DepthBuffer.size() * sizeof(float)),
          edges,
          DemoTime,
          TexOffsetX,
          TexOffsetY,
          int32_t(ActiveKernels.level),
          TexAccum,
          RandomSeed};
}

TEST(WarmUp, LeavesTheShowStateAloneAtEveryLevel) {
  const SimdLevel saved = ActiveKernels.level;
  const Image savedScreen = Screen;
  AllocImage(Screen, PolyScreenWidth, PolyScreenHeight);
  fillPattern(Screen.pixels, size_t(PolyScreenWidth) * PolyScreenHeight, 7);
  std::vector<float, BulkAllocator<float>> savedDepths;
  savedDepths.swap(DepthBuffer);
  DepthBuffer.assign(size_t(PolyScreenWidth) * PolyScreenHeight, 0.5f);
  for (m3dScreenSide* t : {&edgeA, &edgeB, &edgeSpare}) t->assign(PolyScreenHeight, m3dScreenSideType{17, 1, 2, 3, 4});
  DemoTime = 43100;
  for (SimdLevel level : runnableSimdLevels()) {
    selectRasterLevel(level);
    const ShowStateDigest before = digestShowState();
    EXPECT_GE(warmUpDrawingCode(2), 0.0);
    EXPECT_TRUE(digestShowState() == before) << "level " << simdLevelName(level);
  }
  selectRasterLevel(saved);
  freeImage(Screen);
  Screen = savedScreen;
  DepthBuffer.swap(savedDepths);
}

// The routines keep working tables between calls (column tables, the blur's
// rows): pixels drawn after a warm-up must equal those drawn before it.
std::vector<Color32> drawSample() {
  std::vector<Color32> dst(300 * 200), src(97 * 61);
  fillPattern(dst.data(), dst.size(), 1);
  fillPattern(src.data(), src.size(), 2);
  const Image d{dst.data(), 300, 200}, s{src.data(), 97, 61};
  stretchBlitKeyed(d, -10, 5, 290, 180, 0, s);
  stretchBlitAdd(d, 20, 20, 60, 50, s);
  rotateBlitKeyed(d, 100, 40, 352, s, 0);
  rotateBlitAdd(d, 30, 90, 101, s);
  blurImage(d);
  return dst;
}

TEST(WarmUp, RoutinesDrawTheSamePixelsAfterIt) {
  const uint32_t before = crcOf(drawSample());
  warmUpDrawingCode(1);
  EXPECT_EQ(crcOf(drawSample()), before);
}

TEST(WarmUp, DepthClearEveryLengthAndNoFurther) {
  for (size_t n = 0; n <= 40; ++n) {
    std::vector<float> d(n + 1, 7.0f);
    clearDepths(d.data(), n);
    EXPECT_EQ(std::count(d.begin(), d.end() - 1, DepthClearValue), ptrdiff_t(n)) << n;
    EXPECT_EQ(d[n], 7.0f) << "wrote past " << n;
  }
}

TEST(WarmUp, ScratchSpansFollowTheFillerRules) {
  // A one-colour texture: each row's span covers width - 1 pixels (the last is
  // left to its neighbour) and writes their depths; nothing else is touched.
  std::vector<Color32> tex(9, 0xFF123456u);
  const Image texture{tex.data(), 3, 3};
  constexpr int32_t W = 8, H = 3;
  std::vector<Color32> pixels(W * H + 1, 0xAAAAAAAAu);
  std::vector<float> depth(W * H + 1, DepthClearValue);
  fillScratchSpans(pixels.data(), depth.data(), W, H, texture);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) {
      const bool drawn = x < W - 1;
      EXPECT_EQ(pixels[y * W + x], drawn ? 0xFF123456u : 0xAAAAAAAAu) << x << "," << y;
      EXPECT_EQ(depth[y * W + x] < DepthClearValue, drawn) << x << "," << y;
    }
  EXPECT_EQ(pixels[W * H], 0xAAAAAAAAu);
  // Too narrow or no texture: nothing drawn.
  std::vector<Color32> one(4, 5u);
  std::vector<float> oneDepth(4, DepthClearValue);
  fillScratchSpans(one.data(), oneDepth.data(), 1, 4, texture);
  fillScratchSpans(one.data(), oneDepth.data(), 2, 2, Image{});
  EXPECT_EQ(std::count(one.begin(), one.end(), 5u), 4);
}

}  // namespace
