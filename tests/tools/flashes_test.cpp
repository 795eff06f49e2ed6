// The flash count on frame sequences whose flashes are known: which changes
// count (10 % of luminance with the darker state below 0.8, saturated red),
// how large an area must take part, and how the seconds are reported.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "flashes.h"

namespace {

constexpr int32_t FrameWidth = 640, FrameHeight = 360;
constexpr double Rate = 60.0;

Color32 grey(uint32_t v) { return 0xFF000000u | v << 16 | v << 8 | v; }
Color32 rgb(uint32_t r, uint32_t g, uint32_t b) { return 0xFF000000u | r << 16 | g << 8 | b; }

struct Patch {
  int32_t x, y, width, height;
};
constexpr Patch WholeFrame = {0, 0, FrameWidth, FrameHeight};

// A lamp: off until its first switch frame, then switched at each listed frame.
std::function<bool(int64_t)> switchedAt(std::vector<int64_t> frames) {
  return [frames](int64_t i) {
    bool on = false;
    for (int64_t f : frames) on ^= i >= f;
    return on;
  };
}
// n switches every step frames from first.
std::vector<int64_t> every(int64_t first, int64_t step, int n) {
  std::vector<int64_t> v;
  for (int i = 0; i < n; ++i) v.push_back(first + i * step);
  return v;
}

struct Lamp {
  std::vector<Patch> patches;
  Color32 off, on;
  std::function<bool(int64_t)> lit;
};

// count frames at 60 a second of a black frame with the lamps drawn over it.
FlashFigures countLamps(int64_t count, const std::vector<Lamp>& lamps, Color32 background = grey(0)) {
  std::vector<Color32> frame(size_t(FrameWidth) * FrameHeight);
  FlashCount flashes;
  startFlashCount(flashes, FrameWidth, FrameHeight, Rate);
  for (int64_t i = 0; i < count; ++i) {
    std::fill(frame.begin(), frame.end(), background);
    for (const Lamp& lamp : lamps) {
      const Color32 c = lamp.lit(i) ? lamp.on : lamp.off;
      for (const Patch& p : lamp.patches)
        for (int32_t y = p.y; y < p.y + p.height; ++y) std::fill_n(frame.begin() + y * FrameWidth + p.x, p.width, c);
    }
    countFlashFrame(flashes, frame.data());
  }
  return flashFigures(flashes);
}

// Eight switches (four flashes) within one second of a whole-frame lamp.
FlashSecond fourFlashes(Color32 off, Color32 on) {
  const FlashFigures f = countLamps(60, {{{WholeFrame}, off, on, switchedAt(every(2, 7, 8))}});
  return f.mostInAnySecond;
}

TEST(Flashes, GeneralFlashesPerSecondAndTheSecondsOverTheThreshold) {
  // Second 0: three flashes (six switches), within the threshold; second 2:
  // four (eight switches, frames 125 to 174), over it.
  std::vector<int64_t> switches = every(10, 7, 6);
  for (int64_t f : every(125, 7, 8)) switches.push_back(f);
  const FlashFigures f = countLamps(240, {{{WholeFrame}, grey(0), grey(255), switchedAt(switches)}});
  ASSERT_EQ(f.frames, 240);
  ASSERT_EQ(f.seconds.size(), 4u);
  const int32_t perSecond[] = {6, 0, 8, 0};
  for (size_t s = 0; s < 4; ++s) {
    EXPECT_EQ(f.seconds[s].general, perSecond[s]) << "second " << s;
    EXPECT_EQ(f.seconds[s].red, 0) << "second " << s;
  }
  EXPECT_EQ(f.mostInAnySecond.general, 8);
  // Every one-second period holding seven or eight of the switches (3.5 or 4
  // flashes): those ending at frames 167 to 191, so frames 108 to 191 (shown
  // until 192 / 60 s).
  ASSERT_EQ(f.overThreshold.size(), 1u);
  EXPECT_DOUBLE_EQ(f.overThreshold[0].from, 108 / Rate);
  EXPECT_DOUBLE_EQ(f.overThreshold[0].to, 192 / Rate);
  EXPECT_EQ(flashTable(f),
            "flashes over at least 341 x 256 pixels (a flash is two opposing transitions) in each second of the show\n"
            "second  general  red\n"
            "     0        3    0\n"
            "     1        0    0\n"
            "     2        4    0\n"
            "     3        0    0\n"
            "the most in any one second: 4 general, 0 red\n"
            "more than 3 in one second: 1.8-3.2 s\n");
  EXPECT_EQ(flashSummary(f),
            "Flashes, counted frame by frame by the WCAG 2.x three-flashes measure over at least 341 x 256 pixels: at "
            "most 4 general and 0 red flashes in any one second; more than three within 1.8-3.2 s.");

  // The same six switches alone: never over.
  const FlashFigures calm = countLamps(120, {{{WholeFrame}, grey(0), grey(255), switchedAt(every(10, 7, 6))}});
  EXPECT_TRUE(calm.overThreshold.empty());
  EXPECT_EQ(flashSummary(calm),
            "Flashes, counted frame by frame by the WCAG 2.x three-flashes measure over at least 341 x 256 pixels: at "
            "most 3 general and 0 red flashes in any one second, never more than three.");
  // A transition left over is half a flash; seven switches exceed three flashes.
  EXPECT_EQ(flashesText(7), "3.5");
  EXPECT_TRUE(exceedsFlashThreshold(7));
  EXPECT_FALSE(exceedsFlashThreshold(6));
}

TEST(Flashes, WhichChangesCount) {
  const struct {
    const char* what;
    Color32 off, on;
    int32_t general, red;
  } cases[] = {
      // Luminance 0.127 to 0.216 (0.089) and to 0.238 (0.111).
      {"9 % of luminance", grey(100), grey(128), 0, 0},
      {"11 % of luminance", grey(100), grey(134), 8, 0},
      // 0.807 and 0.784 to 1.
      {"darker state at 0.81", grey(232), grey(255), 0, 0},
      {"darker state at 0.78", grey(229), grey(255), 8, 0},
      // Pure red against the grey of its luminance (0.2126 and 0.2122): a red
      // change of 320 and none of luminance.
      {"saturated red", grey(127), rgb(255, 0, 0), 0, 8},
      // R / (R + G + B) = 0.797: red, not saturated, against its grey.
      {"unsaturated red", grey(152), rgb(255, 100, 100), 0, 0},
      // A red of 320 on black: both kinds at once.
      {"red on black", grey(0), rgb(255, 0, 0), 8, 8},
  };
  for (const auto& c : cases) {
    const FlashSecond most = fourFlashes(c.off, c.on);
    EXPECT_EQ(most.general, c.general) << c.what;
    EXPECT_EQ(most.red, c.red) << c.what;
  }
}

TEST(Flashes, OnlyAnAreaOf341By256PixelsCounts) {
  const auto switches = switchedAt(every(2, 7, 8));
  const auto general = [&](std::vector<Patch> patches) {
    return countLamps(60, {{patches, grey(0), grey(255), switches}}).mostInAnySecond.general;
  };
  EXPECT_EQ(general({{16, 16, 336, 256}}), 0) << "86016 pixels";
  EXPECT_EQ(general({{16, 16, 344, 256}}), 8) << "88064 pixels";
  // Apart, two patches of 45056 pixels flash as one area.
  EXPECT_EQ(general({{0, 0, 176, 256}, {400, 96, 176, 256}}), 8);
  EXPECT_EQ(general({{0, 0, 176, 256}}), 0);
  // A patch off the tile grid counts by the tiles it changes enough.
  EXPECT_EQ(general({{3, 5, 346, 258}}), 8);

  // Two areas that flash in turn, each four transitions a second: an area
  // flashes twice a second, not four times.
  const FlashFigures turns = countLamps(60, {{{{0, 0, 640, 180}}, grey(0), grey(255), switchedAt(every(5, 15, 4))},
                                             {{{0, 180, 640, 180}}, grey(0), grey(255), switchedAt(every(12, 15, 4))}});
  EXPECT_EQ(turns.mostInAnySecond.general, 4);
}

TEST(Flashes, SlowChangesAndSmallWobblesAreOneTransitionEach) {
  // Up from black to white over a second and down again over the next,
  // wobbling by 8 levels against a step of 4.25 (turning back every frame, by
  // less than 0.1 of luminance): one transition each way, not dozens.
  FlashCount flashes;
  startFlashCount(flashes, FrameWidth, FrameHeight, Rate);
  std::vector<Color32> frame(size_t(FrameWidth) * FrameHeight);
  for (int i = 0; i < 180; ++i) {
    const int ramp = i < 60 ? i * 255 / 60 : i < 120 ? (120 - i) * 255 / 60 : 0;
    const int level = std::clamp(ramp + (i % 2 ? 4 : -4), 0, 255);
    std::fill(frame.begin(), frame.end(), grey(uint32_t(level)));
    countFlashFrame(flashes, frame.data());
  }
  const FlashFigures f = flashFigures(flashes);
  ASSERT_EQ(f.seconds.size(), 3u);
  EXPECT_EQ(f.seconds[0].general, 1);
  EXPECT_EQ(f.seconds[1].general, 1);
  EXPECT_EQ(f.seconds[2].general, 0);
  // The rise (passing 0.1 near frame 20) and the fall from the top (near
  // frame 63) lie within one second: a flash.
  EXPECT_EQ(f.mostInAnySecond.general, 2);

  // A fine balanced pattern (one-pixel checkerboard inverting every frame)
  // keeps every tile's mean: no flash.
  startFlashCount(flashes, FrameWidth, FrameHeight, Rate);
  for (int i = 0; i < 60; ++i) {
    for (int32_t y = 0; y < FrameHeight; ++y)
      for (int32_t x = 0; x < FrameWidth; ++x) frame[size_t(y) * FrameWidth + x] = grey((x + y + i) % 2 ? 255 : 0);
    countFlashFrame(flashes, frame.data());
  }
  EXPECT_EQ(flashFigures(flashes).mostInAnySecond.general, 0);
}

}  // namespace
