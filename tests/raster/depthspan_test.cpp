// The polygon filler's row kernel: worked values of the texel rounding and the
// depth test, and every level against the literal loop on random spans (long
// and short, coordinates inside, outside and across the texture, steps that
// reach w = 0 and NaN), with guard space after the span. The reference's own
// results are folded into a pinned CRC so that its drift shows too.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "crc.h"
#include "raster/depthspan.h"
#include "raster/kernels.h"

namespace {

constexpr uint32_t Guard = 8;

// A float from the generator's raw bits, the same on every platform.
float realIn(std::mt19937& random, float lo, float hi) {
  return lo + (hi - lo) * float(random() >> 8) * (1.0f / 16777216.0f);
}

uint32_t bitsOf(float f) {
  uint32_t b;
  std::memcpy(&b, &f, 4);
  return b;
}

struct SpanCase {
  uint32_t n = 0, start = 0;
  DepthSpan span{};
  Color32 key = 0;
  std::vector<Color32> texels, pixels;
  std::vector<float> depths;
  int32_t texWidth = 1, texHeight = 1;
};

SpanCase randomCase(std::mt19937& random, uint32_t n) {
  SpanCase c;
  c.n = n;
  c.start = random() % 8;
  c.texWidth = 1 + int32_t(random() % 40);
  c.texHeight = 1 + int32_t(random() % 40);
  c.texels.resize(size_t(c.texWidth) * size_t(c.texHeight));
  for (Color32& t : c.texels) t = random() % 4 == 0 ? 0u : random();
  c.key = random() % 3 == 0 ? c.texels[random() % c.texels.size()] : random() % 2 ? 0u : random();
  const uint32_t total = c.start + n + Guard;
  c.pixels.resize(total);
  c.depths.resize(total);
  for (Color32& p : c.pixels) p = random();
  // Depths around the span's: some pixels pass, some not, some are equal.
  const float z0 = realIn(random, -1.0f, 1.0f);
  for (float& d : c.depths) d = random() % 5 == 0 ? z0 : realIn(random, -1.0f, 1.0f);
  DepthSpan& s = c.span;
  s.z = z0;
  s.dz = realIn(random, -0.01f, 0.01f);
  // w from the polygon's 1 / w: mostly positive, sometimes through 0.
  s.w = realIn(random, 0.05f, 2.0f);
  s.dw = random() % 4 == 0 ? -s.w / float(1 + random() % (n + 1)) : realIn(random, -0.002f, 0.002f);
  if (random() % 16 == 0) s.w = 0.0f;
  // u / w and v / w mostly inside 0..1, sometimes well outside.
  const float reach = random() % 4 == 0 ? 3.0f : 1.0f;
  s.u = realIn(random, -0.2f, reach) * s.w;
  s.v = realIn(random, -0.2f, reach) * s.w;
  s.du = realIn(random, -0.01f, 0.01f);
  s.dv = realIn(random, -0.01f, 0.01f);
  s.texW = float(c.texWidth - 1);
  s.texH = float(c.texHeight - 1);
  return c;
}

// Runs the kernel on a copy of the case; the pixels and depths as bits.
std::vector<uint32_t> run(const RasterKernels& k, const SpanCase& c) {
  std::vector<Color32> pixels = c.pixels;
  std::vector<float> depths = c.depths;
  std::vector<Color32> texels = c.texels;
  const Image tex{texels.data(), c.texWidth, c.texHeight};
  k.polygon.texturedSpan(pixels.data() + c.start, depths.data() + c.start, c.n, c.span, tex, c.key);
  std::vector<uint32_t> out(pixels.begin(), pixels.end());
  for (float d : depths) out.push_back(bitsOf(d));
  return out;
}

}  // namespace

TEST(RasterKernelsDepthSpan, WorkedValues) {
  // A 4 x 2 texture along u at w = 1: 3u = 0, .375, .75, 1.125, 1.5, 1.875,
  // 2.25, 2.625, 3, 3.375 round to columns 0 0 1 1 2 2 2 3 3 3 (1.5 to even 2);
  // v = 0.5 rounds to row 0 (0.5 to even 0). Texel 2 is the key.
  const Color32 texels[8] = {0xFF000010, 0xFF000011, 0xFF000012, 0xFF000013,
                             0xFF000020, 0xFF000021, 0xFF000022, 0xFF000023};
  const Color32 expected[10] = {0xFF000010, 0xFF000010, 0xFF000011, 0xFF000011, 7, 7, 7, 0xFF000013, 0xFF000013, 7};
  for (SimdLevel level : runnableSimdLevels()) {
    SCOPED_TRACE(simdLevelName(level));
    const RasterKernels k = kernelsForLevel(level);
    std::vector<Color32> pixels(10 + Guard, 7);
    std::vector<float> depths(10 + Guard, 0.5f);
    depths[9] = 0.2f;  // nearer than the span there (0.21): left alone
    const DepthSpan s = {0.3f, 1.0f, 0.0f, 0.5f, -0.01f, 0.0f, 0.125f, 0.0f, 3.0f, 1.0f};
    k.polygon.texturedSpan(pixels.data(), depths.data(), 10, s, Image{const_cast<Color32*>(texels), 4, 2}, 0xFF000012);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(pixels[i], expected[i]) << "pixel " << i;
    // Depth is written for the key's pixels too, with the running sum of z.
    float z = 0.3f;
    for (int i = 0; i < 9; ++i, z += -0.01f) EXPECT_EQ(depths[i], z) << "depth " << i;
    EXPECT_EQ(depths[9], 0.2f);
    for (uint32_t i = 10; i < 10 + Guard; ++i) {
      EXPECT_EQ(pixels[i], 7u);
      EXPECT_EQ(depths[i], 0.5f);
    }
  }
}

TEST(RasterKernelsDepthSpan, OutsideTheTextureAndNaNGiveZero) {
  // A texture of two columns (texW = 1): w = 0 makes q infinite, u = 0 gives
  // NaN and u > 0 infinity, both outside; a coordinate past either side is
  // outside; -0.4 rounds to column 0 and 1.4 to column 1.
  const Color32 texel = 0xFF123456;
  struct Case {
    float u, w;
    Color32 expected;
  } cases[] = {{0.0f, 0.0f, 0},     {0.5f, 0.0f, 0}, {-0.4f, 1.0f, texel}, {-0.6f, 1.0f, 0},
               {1.4f, 1.0f, texel}, {1.6f, 1.0f, 0}, {3e9f, 1.0f, 0},      {-3e9f, 1.0f, 0}};
  for (SimdLevel level : runnableSimdLevels()) {
    SCOPED_TRACE(simdLevelName(level));
    const RasterKernels k = kernelsForLevel(level);
    for (const Case& c : cases) {
      // Eight equal pixels, so that the wide kernels take them in whole steps.
      std::vector<Color32> pixels(8 + Guard, 9);
      std::vector<float> depths(8 + Guard, 1.0f);
      const DepthSpan s = {0.0f, c.w, c.u, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f};
      Color32 tex[2] = {texel, texel};
      k.polygon.texturedSpan(pixels.data(), depths.data(), 8, s, Image{tex, 2, 1}, 0xFFFFFFFF);
      for (int i = 0; i < 8; ++i) ASSERT_EQ(pixels[i], c.expected) << "u " << c.u << " w " << c.w << " pixel " << i;
      EXPECT_EQ(pixels[8], 9u);
    }
  }
}

TEST(RasterKernelsDepthSpan, EveryLevelMatchesTheReference) {
  const RasterKernels reference = kernelsForLevel(SimdNone);
  std::mt19937 random(2412);
  uint32_t crc = 0xFFFFFFFFu;
  std::vector<SpanCase> cases;
  for (uint32_t n = 1; n <= 64; ++n)
    for (int round = 0; round < 6; ++round) cases.push_back(randomCase(random, n));
  for (int round = 0; round < 60; ++round) cases.push_back(randomCase(random, 65 + random() % 1200));
  for (const SpanCase& c : cases) {
    const std::vector<uint32_t> ref = run(reference, c);
    crc = crcWords(crc, ref.data(), ref.size());
  }
  // The literal loop's results on these cases, the same on every platform.
  EXPECT_EQ(crc, 0xcf3175f4u) << std::hex << crc;
  for (SimdLevel level : runnableSimdLevels(SimdPortable)) {
    SCOPED_TRACE(simdLevelName(level));
    const RasterKernels fast = kernelsForLevel(level);
    for (size_t i = 0; i < cases.size(); ++i) {
      const SpanCase& c = cases[i];
      const std::vector<uint32_t> ref = run(reference, c), got = run(fast, c);
      const size_t total = c.pixels.size();
      for (size_t j = 0; j < ref.size(); ++j)
        ASSERT_EQ(got[j], ref[j]) << "case " << i << " (n " << c.n << "): " << (j < total ? "pixel " : "depth ")
                                  << (j < total ? j : j - total) - c.start;
    }
  }
}
