// Every level's span kernels against the reference, in one process: the blit
// spans, the frame clear, the pair copy, the opaque copy and the end fade's step. Every length
// from 1 to 64, unaligned starts, guard pixels around each run, and sources
// made of runs (of key, of transparent black, of alpha 0 or 255) long enough
// for the kernels that skip or shorten whole steps.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "raster/blit.h"
#include "raster/fade.h"
#include "raster/image.h"
#include "fixtures.h"
#include "raster/kernels.h"

namespace {

constexpr uint32_t Guard = 8;

// Pixels whose bytes are often 0, 1 or 255, where the arithmetic turns.
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

// Runs of 1 to 20 pixels, each of one kind: the key, transparent black, alpha 0
// with any colour, alpha 255 with any colour, or anything.
std::vector<Color32> runsOfPixels(std::mt19937& random, size_t n, Color32 key) {
  std::vector<Color32> v;
  while (v.size() < n) {
    const uint32_t kind = random() % 5, length = 1 + random() % 20;
    for (uint32_t i = 0; i < length && v.size() < n; ++i) {
      const Color32 any = edgyPixel(random);
      v.push_back(kind == 0   ? key
                  : kind == 1 ? 0u
                  : kind == 2 ? any & 0x00FFFFFFu
                  : kind == 3 ? any | 0xFF000000u
                              : any);
    }
  }
  return v;
}

// Runs of 1 to maxRun pixels of one kind, as in runsOfPixels.
std::vector<Color32> longRunsOfPixels(std::mt19937& random, size_t n, Color32 key, uint32_t maxRun) {
  std::vector<Color32> v;
  while (v.size() < n) {
    const std::vector<Color32> one = runsOfPixels(random, 1, key);
    const uint32_t length = 1 + random() % maxRun;
    const bool same = random() % 2 == 0;  // one pixel repeated, or one kind
    for (uint32_t i = 0; i < length && v.size() < n; ++i) v.push_back(same ? one[0] : runsOfPixels(random, 1, key)[0]);
  }
  return v;
}

// Blits n pixels of src from start onto copies of original at dstStart with
// the reference and the fast kernels; every pixel must agree, guards included.
::testing::AssertionResult spanMatches(const RasterKernels& reference, const RasterKernels& fast, int32_t level, int op,
                                       const std::vector<Color32>& original, uint32_t dstStart,
                                       const std::vector<Color32>& src, uint32_t start, uint32_t n, Color32 key,
                                       uint8_t t) {
  std::vector<Color32> expected = original, got = original;
  runBlitSpan(reference.blit, BlitSpanOp(op), expected.data() + dstStart, src.data() + start, n, key, t);
  runBlitSpan(fast.blit, BlitSpanOp(op), got.data() + dstStart, src.data() + start, n, key, t);
  for (size_t i = 0; i < got.size(); ++i)
    if (got[i] != expected[i])
      return ::testing::AssertionFailure()
             << BlitSpanNames[op] << ", level " << simdLevelName(SimdLevel(level)) << ", " << n << " pixels from "
             << start << ": first difference at " << int(i) - int(dstStart) << std::hex << " (" << got[i]
             << " instead of " << expected[i] << ")";
  return ::testing::AssertionSuccess();
}

// An in-place run kernel of every level against the literal loop: pixels often
// black with any alpha (one pick in picks) or with one colour byte 1 (another
// one), the rest anything; every length from 0 to 64 from unaligned starts,
// and the guards stay as they were.
void expectBlackRunsMatchTheLiteralLoop(void (*PixelRunKernels::*kernel)(Color32*, uint32_t), const char* name,
                                        uint32_t seed, uint32_t picks) {
  const RasterKernels reference = kernelsForLevel(SimdNone);
  std::mt19937 random(seed);
  for (SimdLevel level : runnableSimdLevels(SimdPortable)) {
    const RasterKernels fast = kernelsForLevel(level);
    for (uint32_t n = 0; n <= 64; ++n) {
      for (uint32_t start = 0; start < 8; ++start) {
        std::vector<Color32> original = randomPixels(random, Guard + start + n + Guard);
        for (Color32& c : original) {
          const uint32_t pick = random() % picks;
          if (pick == 0) c &= 0xFF000000u;
          if (pick == 1) c = (c & 0xFF000000u) | (1u << (8 * (random() % 3)));
        }
        std::vector<Color32> expected = original, got = original;
        (reference.run.*kernel)(expected.data() + Guard + start, n);
        (fast.run.*kernel)(got.data() + Guard + start, n);
        ASSERT_EQ(got, expected) << name << ", level " << simdLevelName(level) << ", " << n << " pixels from " << start;
      }
    }
  }
}

}  // namespace

TEST(FastPaths, LongRunsAndSpansEveryLevelMatchTheReference) {
  // Kernels that skip whole blocks of 8 or 16 pixels: runs long enough to fill
  // them, starting anywhere, in spans of up to 400 pixels.
  const RasterKernels reference = kernelsForLevel(SimdNone);
  std::mt19937 random(1208);
  for (SimdLevel level : runnableSimdLevels(SimdPortable)) {
    const RasterKernels fast = kernelsForLevel(SimdLevel(level));
    for (int op = 0; op < opCount; ++op) {
      for (int round = 0; round < 60; ++round) {
        const uint32_t n = 1 + random() % 400, start = random() % 16;
        const Color32 key = random() % 2 ? 0u : edgyPixel(random);
        const uint8_t t = uint8_t(random());
        std::vector<Color32> src = longRunsOfPixels(random, start + n, key, 1 + random() % 48);
        // Runs of transparent black, the one the additive kernels skip.
        if (round % 3 == 0)
          for (size_t i = 0; i < src.size(); ++i) src[i] = (i / 24) % 2 ? src[i] : 0u;
        const std::vector<Color32> original = randomPixels(random, Guard + n + Guard + 16);
        const uint32_t dstStart = Guard + random() % 16;
        ASSERT_TRUE(spanMatches(reference, fast, level, op, original, dstStart, src, start, n, key, t));
      }
    }
  }
}

TEST(FastPaths, BlitSpansEveryLevelMatchTheReference) {
  const RasterKernels reference = kernelsForLevel(SimdNone);
  std::mt19937 random(11);
  for (SimdLevel level : runnableSimdLevels(SimdPortable)) {
    const RasterKernels fast = kernelsForLevel(SimdLevel(level));
    for (int op = 0; op < opCount; ++op) {
      for (uint32_t n = 1; n <= 64; ++n) {
        for (uint32_t start = 0; start < 4; ++start) {
          const Color32 key = random() % 2 ? 0u : edgyPixel(random);
          const uint8_t t = uint8_t(random());
          const std::vector<Color32> src = runsOfPixels(random, start + n + Guard, key);
          const std::vector<Color32> original = randomPixels(random, Guard + n + Guard + 4);
          const uint32_t dstStart = Guard + random() % 4;
          ASSERT_TRUE(spanMatches(reference, fast, level, op, original, dstStart, src, start, n, key, t));
        }
      }
    }
  }
}

// Every pair of source and destination bytes in each colour channel (and every
// source alpha against every destination byte for the blend), in one span per
// operation: the narrowing and saturating steps of the vector kernels are
// checked where they turn, not only where random pixels happen to land.
TEST(FastPaths, EveryBytePairEveryLevelMatchesTheReference) {
  const RasterKernels reference = kernelsForLevel(SimdNone);
  std::vector<Color32> src(65536), original(Guard + 65536 + Guard, 0x5A5A5A5Au);
  for (uint32_t i = 0; i < 65536; ++i) {
    const uint32_t hi = i >> 8, lo = i & 255;
    src[i] = (lo << 24) | (hi << 16) | ((hi ^ 0x5Au) << 8) | (255 - hi);
    original[Guard + i] = (hi << 24) | (lo << 16) | (lo << 8) | ((lo * 7) & 255);
  }
  for (SimdLevel level : runnableSimdLevels(SimdPortable)) {
    const RasterKernels fast = kernelsForLevel(level);
    for (int op : {opAlpha, opMix, opAdd, opSub, opAddOpaque})
      for (uint8_t t : {uint8_t(0), uint8_t(1), uint8_t(128), uint8_t(254), uint8_t(255)}) {
        ASSERT_TRUE(spanMatches(reference, fast, level, op, original, Guard, src, 0, 65536, 0, t));
        if (op != opMix) break;  // the others take no weight
      }
  }
}

TEST(FastPaths, FadeStepEveryLevelMatchesTheLiteralLoop) {
  // Worked values: bytes above 0 lose 1, alpha becomes 255.
  Color32 worked[3] = {0x00000000u, 0x12010080u, 0xFFFFFFFFu};
  fadePixelsLiteral(worked, 3);
  EXPECT_EQ(worked[0], 0xFF000000u);
  EXPECT_EQ(worked[1], 0xFF00007Fu);
  EXPECT_EQ(worked[2], 0xFFFEFEFEu);

  std::mt19937 random(7);
  for (SimdLevel level : runnableSimdLevels(SimdNone)) {
    const RasterKernels k = kernelsForLevel(SimdLevel(level));
    const std::string name = simdLevelName(SimdLevel(level));
    for (uint32_t n = 1; n <= 64; ++n) {
      for (uint32_t start = 0; start < 4; ++start) {
        const std::vector<Color32> original = randomPixels(random, start + n + Guard);
        std::vector<Color32> expected = original, got = original;
        fadePixelsLiteral(expected.data() + start, n);
        k.run.fade(got.data() + start, n);
        ASSERT_EQ(got, expected) << "level " << name << ", " << n << " pixels from " << start;
      }
    }
    // A whole frame, through the routine the driver calls.
    const std::vector<Color32> frame = randomPixels(random, 1280 * 720);
    std::vector<Color32> expected = frame, got = frame;
    fadePixelsLiteral(expected.data(), 1280 * 720);
    const RasterKernels chosen = ActiveKernels;
    ActiveKernels = k;
    fadePixels(got.data(), 1280 * 720);
    ActiveKernels = chosen;
    EXPECT_EQ(got, expected) << "level " << name;
  }
}

TEST(FastPaths, FillCopyAndOpaqueRunsEveryLevelMatchTheLiteralLoops) {
  std::mt19937 random(8);
  for (SimdLevel level : runnableSimdLevels(SimdNone)) {
    const RasterKernels k = kernelsForLevel(SimdLevel(level));
    const std::string name = simdLevelName(SimdLevel(level));
    for (uint32_t n = 0; n <= 64; ++n) {
      for (uint32_t start = 0; start < 3; ++start) {
        const Color32 value = edgyPixel(random);
        const std::vector<Color32> original = randomPixels(random, start + n + Guard);
        std::vector<Color32> expected = original, got = original;
        fillLongsLiteral(expected.data() + start, n, value);
        k.run.fill(got.data() + start, n, value);
        ASSERT_EQ(got, expected) << "fillLongs, level " << name << ", " << n << " pixels from " << start;

        const std::vector<Color32> source = randomPixels(random, start + n + Guard);
        expected = got = original;
        for (uint32_t i = 0; i < n; ++i) expected[start + i] = source[start + i] | 0xFF000000u;
        k.run.opaque(source.data() + start, got.data() + start, n);
        ASSERT_EQ(got, expected) << "copyOpaque, level " << name << ", " << n << " pixels from " << start;
        expected = got = original;
        for (uint32_t i = 0; i < n; ++i) expected[start + i] |= 0xFF000000u;
        k.run.opaque(got.data() + start, got.data() + start, n);
        ASSERT_EQ(got, expected) << "copyOpaque in place, level " << name << ", " << n << " pixels from " << start;

        expected = got = original;
        copyLongsLiteral(source.data() + start, expected.data() + start, n);
        k.run.copy(source.data() + start, got.data() + start, n);
        ASSERT_EQ(got, expected) << "copyLongs, level " << name << ", " << n << " pixels from " << start;

        // Within one buffer: the destination before, on and after the source,
        // overlapping by every amount (forwards the pairs smear).
        for (int32_t shift = -5; shift <= 5; ++shift) {
          const std::vector<Color32> both = randomPixels(random, 2 * Guard + n + 8);
          expected = got = both;
          const uint32_t from = Guard + 3;
          copyLongsLiteral(expected.data() + from, expected.data() + from + shift, n);
          k.run.copy(got.data() + from, got.data() + from + shift, n);
          ASSERT_EQ(got, expected) << "copyLongs within a buffer, level " << name << ", " << n << " pixels, shift "
                                   << shift;
        }
      }
    }
  }
}

// The clipped add onto its own pixels: rows read after others were written, so
// every level keeps the bottom-up order there; apart, the order is free.
TEST(FastPaths, ClippedAddOntoItsOwnPixelsEveryLevel) {
  std::mt19937 random(9);
  const RasterKernels chosen = ActiveKernels;
  for (SimdLevel level : runnableSimdLevels(SimdPortable)) {
    const RasterKernels fast = kernelsForLevel(SimdLevel(level));
    for (int i = 0; i < 300; ++i) {
      const int32_t w = 2 + int32_t(random() % 40), h = 2 + int32_t(random() % 20);
      const int32_t shift = int32_t(random() % 3) * int32_t(random() % uint32_t(w));  // 0: the very same image
      const int32_t x = int32_t(random() % 9) - 4, y = int32_t(random() % 9) - 4;
      const std::vector<Color32> original = randomPixels(random, size_t(w) * size_t(h) + size_t(shift) + Guard);
      std::vector<Color32> expected = original, got = original;
      ActiveKernels = kernelsForLevel(SimdNone);
      blitClippedAdd(Image{expected.data(), w, h}, x, y, Image{expected.data() + shift, w, h});
      ActiveKernels = fast;
      blitClippedAdd(Image{got.data(), w, h}, x, y, Image{got.data() + shift, w, h});
      ActiveKernels = chosen;
      ASSERT_EQ(got, expected) << "level " << simdLevelName(SimdLevel(level)) << ", " << w << " x " << h << ", source "
                               << shift << " pixels on, at " << x << ", " << y;
    }
  }
}

TEST(FastPaths, GreyLevelsEveryLevelMatchTheLiteralLoop) {
  // Every byte value, every length from 0 to 64 bytes (the vector step and its
  // tails) from unaligned starts on both sides; the guards stay as they were.
  const RasterKernels reference = kernelsForLevel(SimdNone);
  std::mt19937 random(24);
  for (SimdLevel level : runnableSimdLevels(SimdPortable)) {
    const RasterKernels fast = kernelsForLevel(SimdLevel(level));
    for (uint32_t n = 0; n <= 64; ++n) {
      for (uint32_t start = 0; start < 4; ++start) {
        std::vector<uint8_t> levels(start + n);
        for (uint32_t i = 0; i < n; ++i) levels[start + i] = uint8_t(n == 64 ? (i * 4 + start) : random());
        const std::vector<Color32> original = randomPixels(random, Guard + 2 * n + 1 + Guard);
        std::vector<Color32> expected = original, got = original;
        reference.run.greyLevels(expected.data() + Guard + start % 2, levels.data() + start, n);
        fast.run.greyLevels(got.data() + Guard + start % 2, levels.data() + start, n);
        ASSERT_EQ(got, expected) << "greyLevels, level " << simdLevelName(SimdLevel(level)) << ", " << n
                                 << " bytes from " << start;
      }
    }
  }
  // Worked values: 0x0F and 0xF0 give levels 0, 15, 15, 0; 0x18 gives 16 and 128.
  const uint8_t bytes[3] = {0x0F, 0xF0, 0x18};
  Color32 p[7] = {1, 1, 1, 1, 1, 1, 1};
  greyLevelPixels(p, bytes, 3);
  EXPECT_EQ(p[0], 0u);
  EXPECT_EQ(p[1], 0xF0F0F0F0u);
  EXPECT_EQ(p[2], 0xF0F0F0F0u);
  EXPECT_EQ(p[3], 0u);
  EXPECT_EQ(p[4], 0x10101010u);
  EXPECT_EQ(p[5], 0x80808080u);
  EXPECT_EQ(p[6], 1u);
}

TEST(FastPaths, KeyBlackEveryLevelMatchesTheLiteralLoop) {
  ASSERT_NO_FATAL_FAILURE(expectBlackRunsMatchTheLiteralLoop(&PixelRunKernels::keyBlack, "keyBlack", 77, 4));
  // Worked values: black of any alpha becomes 0, the rest opaque.
  Color32 p[4] = {0xFF000000u, 0x12000000u, 0x00000001u, 0x80010000u};
  keyBlackPixels(p, 4);
  EXPECT_EQ(p[0], 0u);
  EXPECT_EQ(p[1], 0u);
  EXPECT_EQ(p[2], 0xFF000001u);
  EXPECT_EQ(p[3], 0xFF010000u);
}

TEST(FastPaths, CanvasBytesEveryLevelMatchTheLiteralLoop) {
  // Every length from 0 to 64, source and bytes from every start within a
  // vector; the bytes before and after the run stay as they were.
  const RasterKernels reference = kernelsForLevel(SimdNone);
  std::mt19937 random(2404);
  for (SimdLevel level : runnableSimdLevels(SimdPortable)) {
    const RasterKernels fast = kernelsForLevel(level);
    for (uint32_t n = 0; n <= 64; ++n) {
      for (uint32_t start = 0; start < 4; ++start) {
        const std::vector<Color32> source = randomPixels(random, start + n + Guard);
        std::vector<uint8_t> expected(4 * (Guard + n + Guard) + start);
        for (uint8_t& b : expected) b = uint8_t(random());
        std::vector<uint8_t> got = expected;
        const size_t at = 4 * Guard + start;  // also bytes that do not start a word
        const bool referenceChanged = reference.run.rgba(source.data() + start, expected.data() + at, n);
        const bool fastChanged = fast.run.rgba(source.data() + start, got.data() + at, n);
        ASSERT_EQ(got, expected) << "rgba, level " << simdLevelName(level) << ", " << n << " pixels from " << start;
        ASSERT_EQ(fastChanged, referenceChanged) << "rgba, level " << simdLevelName(level) << ", " << n;
      }
    }
  }
  // Worked values: red, green, blue, then 255 whatever the alpha.
  const Color32 p[3] = {0x80112233u, 0x00FF0001u, 0xFFFFFFFFu};
  uint8_t bytes[12] = {};
  copyToRgba(p, bytes, 3);
  const uint8_t want[12] = {0x11, 0x22, 0x33, 255, 0xFF, 0x00, 0x01, 255, 0xFF, 0xFF, 0xFF, 255};
  EXPECT_TRUE(std::equal(bytes, bytes + 12, want));
}

TEST(FastPaths, CanvasBytesSayWhetherTheyChanged) {
  // At every level: bytes that held something else report a change; the same
  // picture again, or one that differs only in alpha (never shown), reports
  // none; one byte of the run changed anywhere, in any of its bits, is found.
  std::mt19937 random(3371);
  for (SimdLevel level : runnableSimdLevels(SimdNone)) {
    const RasterKernels k = kernelsForLevel(level);
    const std::string where = std::string("level ") + simdLevelName(level);
    for (uint32_t n = 1; n <= 40; ++n) {
      for (uint32_t start = 0; start < 4; ++start) {
        std::vector<Color32> source = randomPixels(random, start + n);
        std::vector<uint8_t> bytes(4 * n + start, 0);
        uint8_t* run = bytes.data() + start;
        ASSERT_TRUE(k.run.rgba(source.data() + start, run, n)) << where << ", " << n << " pixels over zeros";
        ASSERT_FALSE(k.run.rgba(source.data() + start, run, n)) << where << ", " << n << " pixels again";
        for (uint32_t i = start; i < start + n; ++i) source[i] ^= 0xFF000000u;
        ASSERT_FALSE(k.run.rgba(source.data() + start, run, n)) << where << ", " << n << " pixels, alpha only";
        for (uint32_t byte = 0; byte < 4 * n; ++byte) {
          const uint8_t was = run[byte];
          run[byte] ^= uint8_t(1u << (byte % 8));
          ASSERT_TRUE(k.run.rgba(source.data() + start, run, n)) << where << ", " << n << " pixels, byte " << byte;
          ASSERT_EQ(run[byte], was) << where << ", byte " << byte << " is written back";
        }
      }
    }
  }
  // Worked values through the active level: a run that already holds its bytes.
  const Color32 p[2] = {0x00102030u, 0xFF405060u};
  uint8_t bytes[8] = {0x10, 0x20, 0x30, 255, 0x40, 0x50, 0x60, 255};
  EXPECT_FALSE(copyToRgba(p, bytes, 2));
  bytes[7] = 254;
  EXPECT_TRUE(copyToRgba(p, bytes, 2));
  EXPECT_EQ(bytes[7], 255);
}

TEST(FastPaths, ClearBlackEveryLevelMatchesTheLiteralLoop) {
  ASSERT_NO_FATAL_FAILURE(expectBlackRunsMatchTheLiteralLoop(&PixelRunKernels::clearBlack, "clearBlack", 1931, 3));
  // Worked values: black of any alpha becomes 0, the rest keep their alpha.
  Color32 p[4] = {0xFF000000u, 0x12000000u, 0x00000001u, 0x80010000u};
  clearBlackPixels(p, 4);
  EXPECT_EQ(p[0], 0u);
  EXPECT_EQ(p[1], 0u);
  EXPECT_EQ(p[2], 0x00000001u);
  EXPECT_EQ(p[3], 0x80010000u);
}
