// The fast blit kernels against the reference: random spans and whole blits,
// compared pixel for pixel in one process, guard space after every run. The
// reference results are folded into pinned CRCs so that their own drift shows.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "raster/blit.h"
#include "fixtures.h"
#include "crc.h"
#include "raster/kernels.h"

namespace {

// Picks from the generator's raw output so the cases are the same everywhere.
struct Draw {
  std::mt19937 rng;
  explicit Draw(uint32_t seed) : rng(seed) {}
  uint32_t bits() { return rng(); }
  int range(int lo, int hi) { return lo + int(bits() % uint32_t(hi - lo + 1)); }
  // Pixels with the values the arithmetic treats specially mixed in.
  Color32 pixel() {
    switch (bits() % 8) {
      case 0:
        return 0;
      case 1:
        return 0xFFFFFFFFu;
      case 2:
        return bits() | 0xFF000000u;
      case 3:
        return bits() & 0x00FFFFFFu;
      case 4:
        return 0xFF000000u;
      default:
        return bits();
    }
  }
  uint8_t weight() {
    uint32_t k = bits() % 4;
    return k == 0 ? 0 : k == 1 ? 255 : uint8_t(bits());
  }
};

// The reference table, and the fastest the processor runs: false when that
// has no blit kernels of its own.
const RasterKernels Reference = kernelsForLevel(SimdNone);
bool fastAvailable(RasterKernels& fast) {
  fast = kernelsForLevel(supportedSimdLevel());
  return fast.blit.add != Reference.blit.add;
}

}  // namespace

TEST(BlitKernels, FastSpansMatchReference) {
  RasterKernels fast;
  bool haveFast = fastAvailable(fast);
  uint32_t crc = 0xFFFFFFFFu;
  for (int op = 0; op < opCount; ++op)
    for (uint32_t n = 1; n <= 64; ++n)
      for (int start = 0; start < 4; ++start) {  // unaligned starts, source and destination apart
        uint32_t seed = uint32_t(op) * 100000 + n * 10 + uint32_t(start);
        Draw draw(seed);
        const int guard = 8;
        std::vector<Color32> src(n + 2 * guard + 4), ref(n + 2 * guard + 4);
        for (auto& p : src) p = draw.pixel();
        for (auto& p : ref) p = draw.pixel();
        // Keys from the span itself, so that some pixels are skipped.
        Color32 key = (draw.bits() % 4 == 0) ? draw.pixel() : src[guard + start + draw.range(0, int(n) - 1)];
        for (uint32_t i = 0; i < n; ++i)
          if (draw.bits() % 3 == 0) src[guard + start + i] = key;
        uint8_t t = draw.weight();
        std::vector<Color32> out = ref;
        int dstStart = draw.range(0, 3);
        runBlitSpan(Reference.blit, BlitSpanOp(op), ref.data() + guard + dstStart, src.data() + guard + start, n, key,
                    t);
        crc = crcWords(crc, ref.data(), ref.size());
        if (!haveFast) continue;
        runBlitSpan(fast.blit, BlitSpanOp(op), out.data() + guard + dstStart, src.data() + guard + start, n, key, t);
        for (size_t i = 0; i < out.size(); ++i)
          ASSERT_EQ(out[i], ref[i]) << BlitSpanNames[op] << " n " << n << " seed " << seed << " first difference at "
                                    << int(i) - guard - dstStart;
      }
  EXPECT_EQ(crc, 0x74215c1eu) << std::hex << "reference results changed: crc " << crc;
}

namespace {

struct Picture {
  std::vector<Color32> buf;
  Image img;
  Picture(int w, int h, Draw& draw, Color32 key, bool keyed) : buf(size_t(w) * h + 16) {
    for (auto& p : buf) p = draw.pixel();
    if (keyed)
      for (auto& p : buf)
        if (draw.bits() % 3 == 0) p = key;
    img = {buf.data() + 8, w, h};
  }
  Picture(const Picture& o) : buf(o.buf), img(o.img) { img.pixels = buf.data() + 8; }
};

enum Blit { bImage, bKeyed, bAlpha, bMix, bAdd, bSub, bClippedKeyed, bClippedAdd, bCount };
// Every blit under one signature (index by Blit), with its name for the messages.
const struct {
  const char* name;
  void (*run)(Image dst, int x, int y, Image src, Color32 key, uint8_t t);
} Blits[bCount] = {
    {"blitImage", [](Image d, int x, int y, Image s, Color32, uint8_t) { blitImage(d, x, y, s); }},
    {"blitImageKeyed", [](Image d, int x, int y, Image s, Color32 key, uint8_t) { blitImageKeyed(d, x, y, s, key); }},
    {"blitAlpha", [](Image d, int x, int y, Image s, Color32, uint8_t) { blitAlpha(d, x, y, s); }},
    {"blitMix", [](Image d, int x, int y, Image s, Color32, uint8_t t) { blitMix(d, x, y, s, t); }},
    {"blitAdd", [](Image d, int x, int y, Image s, Color32, uint8_t) { blitAdd(d, x, y, s); }},
    {"blitSub", [](Image d, int x, int y, Image s, Color32, uint8_t) { blitSub(d, x, y, s); }},
    {"blitClippedKeyed",
     [](Image d, int x, int y, Image s, Color32 key, uint8_t) { blitClippedKeyed(d, x, y, s, key); }},
    {"blitClippedAdd", [](Image d, int x, int y, Image s, Color32, uint8_t) { blitClippedAdd(d, x, y, s); }},
};

}  // namespace

TEST(BlitKernels, FastBlitsMatchReference) {
  RasterKernels fast;
  bool haveFast = fastAvailable(fast);
  const RasterKernels chosen = ActiveKernels;
  uint32_t crc = 0xFFFFFFFFu;
  for (uint32_t seed = 1; seed <= 1200; ++seed) {
    Draw draw(seed);
    Blit b = Blit(seed % bCount);
    bool clipped = b == bClippedKeyed || b == bClippedAdd;
    int dw = draw.range(2, 90), dh = draw.range(2, 40);
    int sw = clipped ? draw.range(2, 120) : draw.range(1, dw), sh = clipped ? draw.range(2, 50) : draw.range(1, dh);
    if (b == bImage) sw = std::max(2, sw & ~1);
    if (b == bImage && sw > dw) sw -= 2;
    if (sw < 1) sw = 1;
    int x = clipped ? draw.range(-sw - 3, dw + 3) : draw.range(0, dw - sw);
    int y = clipped ? draw.range(-sh - 3, dh + 3) : draw.range(0, dh - sh);
    Color32 key = draw.pixel();
    uint8_t t = draw.weight();
    Picture src(sw, sh, draw, key, true), ref(dw, dh, draw, 0, false);
    Picture out = ref;
    ActiveKernels = Reference;
    Blits[b].run(ref.img, x, y, src.img, key, t);
    crc = crcWords(crc, ref.buf.data(), ref.buf.size());
    if (!haveFast) continue;
    ActiveKernels = fast;
    Blits[b].run(out.img, x, y, src.img, key, t);
    ActiveKernels = chosen;
    for (size_t i = 0; i < out.buf.size(); ++i) {
      int p = int(i) - 8;
      ASSERT_EQ(out.buf[i], ref.buf[i]) << Blits[b].name << " seed " << seed << " dst " << dw << "x" << dh << " src "
                                        << sw << "x" << sh << " at " << x << "," << y << " first difference at ("
                                        << (p >= 0 ? p % dw : p) << ", " << (p >= 0 ? p / dw : -1) << ")";
    }
  }
  ActiveKernels = chosen;
  EXPECT_EQ(crc, 0xb89fa55eu) << std::hex << "reference results changed: crc " << crc;
}

// One level means the same for every routine: each table is the one below it
// with what the level does faster overwritten.
TEST(RasterKernels, EachLevelBuildsOnTheOneBelow) {
  EXPECT_EQ(Reference.level, SimdNone);
  for (SimdLevel level : runnableSimdLevels(SimdPortable)) {
    SCOPED_TRACE(simdLevelName(SimdLevel(level)));
    const RasterKernels k = kernelsForLevel(SimdLevel(level));
    EXPECT_EQ(k.level, level);
    // Every level from the portable one on has blit kernels, stretch drivers and filters.
    EXPECT_NE(k.blit.add, Reference.blit.add);
    EXPECT_NE(k.blit.alpha, Reference.blit.alpha);
    EXPECT_NE(k.stretch.blit[StretchAdd], Reference.stretch.blit[StretchAdd]);
    EXPECT_NE(k.filter.blur, Reference.filter.blur);
    if (level > SimdPortable) {
      EXPECT_NE(k.blit.add, kernelsForLevel(SimdPortable).blit.add);
    }
    // The browser's SIMD module has its own blur and canvas bytes (the page's hottest).
    if (level == SimdSimd128) {
      const RasterKernels portable = kernelsForLevel(SimdPortable);
      EXPECT_NE(k.filter.blur, portable.filter.blur);
      EXPECT_NE(k.run.rgba, portable.run.rgba);
      EXPECT_NE(k.polygon.texturedSpan, portable.polygon.texturedSpan);
    }
    // AVX2 has blit kernels of its own.
    if (level == SimdAvx2) {
      EXPECT_NE(k.blit.add, kernelsForLevel(SimdSse2).blit.add);
    }
    // NEON replaces every hot row kernel of the portable level.
    if (level == SimdNeon) {
      const RasterKernels portable = kernelsForLevel(SimdPortable);
      EXPECT_NE(k.blit.alpha, portable.blit.alpha);
      EXPECT_NE(k.blit.keyed, portable.blit.keyed);
      EXPECT_NE(k.blit.mix, portable.blit.mix);
      EXPECT_NE(k.blit.sub, portable.blit.sub);
      EXPECT_NE(k.blit.addOpaque, portable.blit.addOpaque);
      EXPECT_NE(k.run.fade, portable.run.fade);
      EXPECT_NE(k.run.keyBlack, portable.run.keyBlack);
      for (int mode : {StretchKeyed, StretchAlpha, StretchAdd}) {
        EXPECT_NE(k.stretch.row[mode], portable.stretch.row[mode]);
        EXPECT_NE(k.stretch.span[mode], portable.stretch.span[mode]);
      }
      for (int mode : {StretchCopy, StretchKeyed, StretchAdd})
        EXPECT_NE(k.stretch.rotateRow[mode], portable.stretch.rotateRow[mode]);
      EXPECT_NE(k.filter.blur, portable.filter.blur);
      EXPECT_NE(k.filter.brightRow, portable.filter.brightRow);
    }
  }
  // A level the processor lacks gives the best it runs; one of another
  // processor the best below it.
  EXPECT_EQ(kernelsForLevel(SimdLevel(SimdLevelCount - 1)).level, supportedSimdLevel());
  for (int32_t level = SimdNone; level < SimdLevelCount; ++level) {
    const SimdLevel got = kernelsForLevel(SimdLevel(level)).level;
    EXPECT_TRUE(simdLevelBuilt(got)) << simdLevelName(SimdLevel(level));
    EXPECT_LE(got, level);
  }
}

TEST(RasterKernels, LevelChoice) {
  const SimdLevel best = supportedSimdLevel();
  EXPECT_EQ(requestedSimdLevel(nullptr, best), best);
  EXPECT_EQ(requestedSimdLevel("", best), best);
  EXPECT_EQ(requestedSimdLevel("none", best), SimdNone);
  EXPECT_EQ(requestedSimdLevel("portable", best), SimdPortable);
  // The names of this build's levels, in the message too; those of another
  // processor are refused the same way.
  for (SimdLevel level : runnableSimdLevels()) EXPECT_EQ(requestedSimdLevel(simdLevelName(level), best), level);
  std::string names;
  for (int32_t level = SimdNone; level < SimdLevelCount; ++level)
    if (simdLevelBuilt(SimdLevel(level)))
      names += std::string(names.empty() ? "" : ", ") + simdLevelName(SimdLevel(level));
  EXPECT_EQ(requestedSimdLevel("none", SimdPortable), SimdNone);
  EXPECT_EQ(requestedSimdLevel(simdLevelName(best), SimdPortable), SimdPortable);  // capped at what runs
  if (simdLevelBuilt(SimdAvx2)) {
    EXPECT_EQ(names, "none, portable, sse2, avx2");
  }
  if (simdLevelBuilt(SimdNeon)) {
    EXPECT_EQ(names, "none, portable, neon");
  }
  const char* foreign = simdLevelBuilt(SimdNeon) ? "avx2" : "neon";
  for (const char* wanted : {"avx512", foreign}) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(requestedSimdLevel(wanted, SimdPortable), SimdPortable);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "MORVEX_SIMD=" + std::string(wanted) + " not known (" + names + "); using portable\n");
  }
  // What start-up chose follows MORVEX_SIMD.
  EXPECT_EQ(ActiveKernels.level, requestedSimdLevel(std::getenv("MORVEX_SIMD"), best));
  const RasterKernels chosen = ActiveKernels;
  selectRasterLevel(SimdNone);
  EXPECT_EQ(ActiveKernels.level, SimdNone);
  EXPECT_EQ(ActiveKernels.blit.add, Reference.blit.add);
  ActiveKernels = chosen;
}
