#pragma once
// Photosensitivity figures: how many general and red flashes a sequence of
// frames shows in each second, by the broadcast and web accessibility
// guideline's "three flashes" measure (WCAG 2.x, general flash and red flash
// thresholds).
//
// - Relative luminance L = 0.2126 R + 0.7152 G + 0.0722 B of the linear (sRGB
//   decoded) channels, 0 to 1.
// - A transition is the change between a peak and the next valley of a
//   region's signal over time (or a valley and the next peak). A general one
//   changes L by at least 0.1 while the darker of its two states is below 0.8;
//   a red one changes (R - G - B) x 320 (negative values taken as 0) by more
//   than 20 while at least one of its two states is a saturated red,
//   R / (R + G + B) >= 0.8. A flash is a pair of opposing transitions.
// - Only a flashing area of at least 341 x 256 pixels counts (the guideline's
//   area at its 1024 x 768 reference screen).
// - More than three flashes of either kind in any one second exceeds the
//   threshold.
//
// The routines see pixels only: a pure analysis, fed one frame at a time.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "raster/image.h"

constexpr int32_t FlashAreaWidth = 341, FlashAreaHeight = 256;
constexpr int64_t FlashAreaPixels = int64_t(FlashAreaWidth) * FlashAreaHeight;
// Square tiles whose mean colour is the signal a region follows (see flashes.cpp).
constexpr int32_t FlashTileSide = 8;
constexpr int32_t FlashesAllowedPerSecond = 3;

// The most transitions of each kind that an area of FlashAreaPixels went
// through in one second; a flash is two of them.
struct FlashSecond {
  int32_t general = 0, red = 0;
};

// One tile's signal (its luminance, or its red value) over time: its last peak
// or valley and how far the signal has moved away from it since.
struct FlashTracker {
  bool started = false;
  int8_t direction = 0;                  // +1 rising, -1 falling, 0 before the first move
  bool counted = false;                  // the current move has been counted as a transition
  float turn = 0, far = 0;               // the last peak or valley; the furthest value since
  bool turnRed = false, farRed = false;  // those states are a saturated red
  float low = 0, high = 0;               // before the first move: the extremes seen so far
  bool lowRed = false, highRed = false;
};

// Transitions per tile, and the pixels of the tiles by their number of them.
struct FlashTally {
  std::vector<int32_t> perTile;
  std::vector<int64_t> areaByCount;
};

// The analysis's state: one tracker per tile and signal; per kind the
// transitions of the last second (a sliding window) and of the current second
// of the show. Fed by countFlashFrame, read by flashFigures.
struct FlashCount {
  int32_t width = 0, height = 0, tilesAcross = 0, tilesDown = 0;
  double framesPerSecond = 0;
  int32_t window = 0;  // frames in one second
  int64_t frames = 0;
  std::vector<FlashTracker> general, red;  // per tile
  std::vector<int32_t> tileArea;           // pixels per tile (edge tiles may be smaller)
  std::vector<float> sumR, sumG, sumB;
  FlashTally generalWindow, redWindow, generalSecond, redSecond;
  // The tiles that made a transition in each frame of the window (a ring).
  std::vector<std::vector<int32_t>> generalRing, redRing;
  std::vector<FlashSecond> seconds;
  FlashSecond mostInAnySecond;
  std::vector<std::pair<int64_t, int64_t>> overThreshold;  // first and last frame of each run of windows over it
};

// Frames of width x height pixels, frame i shown at i / framesPerSecond seconds.
void startFlashCount(FlashCount& count, int32_t width, int32_t height, double framesPerSecond);
// The next frame (0xAARRGGBB pixels, rows without gaps; alpha is ignored).
void countFlashFrame(FlashCount& count, const Color32* pixels);

// A stretch of the show in which one-second periods (framesPerSecond frames in
// a row) exceed the threshold, in seconds: from the start of the first such
// period's first frame to the end of the last one's last frame.
struct FlashSpan {
  double from = 0, to = 0;
};
struct FlashFigures {
  double framesPerSecond = 0;
  int64_t frames = 0;
  std::vector<FlashSecond> seconds;  // per second of the show, [s, s + 1)
  FlashSecond mostInAnySecond;       // the most in any one-second period
  std::vector<FlashSpan> overThreshold;
};
FlashFigures flashFigures(const FlashCount& count);

// More than FlashesAllowedPerSecond flashes: more than twice as many transitions.
inline bool exceedsFlashThreshold(int32_t transitions) { return transitions > 2 * FlashesAllowedPerSecond; }
// Flashes as text: transitions / 2, "3.5" where a transition is left over.
std::string flashesText(int32_t transitions);
// One line per second of the show, then the stretches over the threshold (what
// --flashes prints before the summary).
std::string flashTable(const FlashFigures& figures);
// One sentence for the page, the README and the manual page.
std::string flashSummary(const FlashFigures& figures);
