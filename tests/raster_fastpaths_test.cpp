// The end fade's step, fillLongs and copyLongs at every level against their
// literal loops: every length from 1 to 64, unaligned starts, guard pixels
// after each run, overlapping copies.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "raster/fade.h"
#include "raster/image.h"
#include "raster/simd.h"

namespace {

constexpr uint32_t Guard = 8;

// Sets RasterSimdLevel for the scope.
struct AtLevel {
  SimdLevel saved = RasterSimdLevel;
  explicit AtLevel(int32_t level) { RasterSimdLevel = SimdLevel(level); }
  ~AtLevel() { RasterSimdLevel = saved; }
};

// Pixels whose bytes are often 0, 1 or 255, where the fade and the keys turn.
Color32 edgyPixel(std::mt19937& random) {
  Color32 c = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const uint32_t pick = random() % 5;
    const uint32_t byte = pick == 0 ? 0 : pick == 1 ? 1 : pick == 2 ? 255 : random() & 255;
    c |= byte << shift;
  }
  return c;
}

std::vector<Color32> randomPixels(std::mt19937& random, size_t n) {
  std::vector<Color32> v(n);
  for (Color32& c : v) c = edgyPixel(random);
  return v;
}

}  // namespace

TEST(FastPaths, FadeStepEveryLevelMatchesTheLiteralLoop) {
  // Worked values: bytes above 0 lose 1, alpha becomes 255.
  Color32 worked[3] = {0x00000000u, 0x12010080u, 0xFFFFFFFFu};
  fadePixelsLiteral(worked, 3);
  EXPECT_EQ(worked[0], 0xFF000000u);
  EXPECT_EQ(worked[1], 0xFF00007Fu);
  EXPECT_EQ(worked[2], 0xFFFEFEFEu);

  std::mt19937 random(7);
  for (int32_t level = SimdNone; level <= supportedSimdLevel(); ++level) {
    AtLevel at(level);
    for (uint32_t n = 1; n <= 64; ++n) {
      for (uint32_t start = 0; start < 4; ++start) {
        const std::vector<Color32> original = randomPixels(random, start + n + Guard);
        std::vector<Color32> expected = original, got = original;
        fadePixelsLiteral(expected.data() + start, n);
        fadePixels(got.data() + start, n);
        ASSERT_EQ(got, expected) << "level " << simdLevelName(SimdLevel(level)) << ", " << n << " pixels from "
                                 << start;
      }
    }
    // A whole frame, as the driver runs it.
    const std::vector<Color32> frame = randomPixels(random, 1280 * 720);
    std::vector<Color32> expected = frame, got = frame;
    fadePixelsLiteral(expected.data(), 1280 * 720);
    fadePixels(got.data(), 1280 * 720);
    EXPECT_EQ(got, expected) << "level " << simdLevelName(SimdLevel(level));
  }
}

TEST(FastPaths, FillAndCopyLongsEveryLevelMatchTheLiteralPairs) {
  std::mt19937 random(8);
  for (int32_t level = SimdNone; level <= supportedSimdLevel(); ++level) {
    AtLevel at(level);
    const std::string name = simdLevelName(SimdLevel(level));
    for (uint32_t n = 0; n <= 64; ++n) {
      for (uint32_t start = 0; start < 3; ++start) {
        const Color32 value = edgyPixel(random);
        const std::vector<Color32> original = randomPixels(random, start + n + Guard);
        std::vector<Color32> expected = original, got = original;
        fillLongsLiteral(expected.data() + start, n, value);
        fillLongs(got.data() + start, n, value);
        ASSERT_EQ(got, expected) << "fillLongs, level " << name << ", " << n << " pixels from " << start;

        const std::vector<Color32> source = randomPixels(random, start + n + Guard);
        expected = got = original;
        copyLongsLiteral(source.data() + start, expected.data() + start, n);
        copyLongs(source.data() + start, got.data() + start, n);
        ASSERT_EQ(got, expected) << "copyLongs, level " << name << ", " << n << " pixels from " << start;

        // Within one buffer: the destination before, on and after the source,
        // overlapping by every amount.
        for (int32_t shift = -5; shift <= 5; ++shift) {
          const std::vector<Color32> both = randomPixels(random, 2 * Guard + n + 8);
          expected = got = both;
          const uint32_t from = Guard + 3;
          copyLongsLiteral(expected.data() + from, expected.data() + from + shift, n);
          copyLongs(got.data() + from, got.data() + from + shift, n);
          ASSERT_EQ(got, expected) << "copyLongs within a buffer, level " << name << ", " << n << " pixels, shift "
                                   << shift;
        }
      }
    }
  }
}
