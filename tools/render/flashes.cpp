#include "flashes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

// Where an area flashes. The frame is cut into tiles of 8 x 8 pixels and each
// tile follows the mean of its linear colour: light adds up linearly, and the
// mean is what an eye gets from a patch this small (8 pixels are about a
// quarter of a degree on the guideline's reference screen; a balanced pattern
// finer than 0.1 degree, which the guideline does not count, cancels out in
// it). An area of the frame has gone through k transitions within a second
// when the tiles that went through at least k of them cover 341 x 256 pixels
// together, wherever they lie: the combined flashing area the guideline
// counts. Any 341 x 256 window that flashes whole is such an area, so these
// figures are never below a count over windows; and a frame shown larger than
// on the reference screen (the show is mostly seen fullscreen) only makes its
// areas larger, so the frame's own pixels are the conservative measure. Two
// regions that flash in turn count as one area flashing as often as each does,
// not as the sum of both.

namespace {

constexpr float GeneralChange = 0.1f;  // of the maximum relative luminance, 1
constexpr float DarkerBelow = 0.8f;
constexpr float RedChange = 20.0f;  // in (R - G - B) x 320, more than this
constexpr float SaturatedRedShare = 0.8f;

// sRGB byte -> linear channel, 0 to 1, as the relative luminance is defined.
const std::array<float, 256>& linearChannel() {
  static const std::array<float, 256> table = [] {
    std::array<float, 256> t{};
    for (int i = 0; i < 256; ++i) {
      const double c = i / 255.0;
      t[size_t(i)] = float(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
    }
    return t;
  }();
  return table;
}

struct GeneralRule {
  static bool moved(float a, float b) { return std::fabs(a - b) >= GeneralChange; }
  static bool counts(const FlashTracker& t) { return std::min(t.turn, t.far) < DarkerBelow; }
};
struct RedRule {
  static bool moved(float a, float b) { return std::fabs(a - b) > RedChange; }
  static bool counts(const FlashTracker& t) { return t.turnRed || t.farRed; }
};

// One sample of a tile's signal (red: whether this state is a saturated red).
// A move away from the last peak or valley ends only when the signal turns
// back by a whole transition's change, so small wobbles on the way neither
// split a transition nor count as one. True when this frame completes a
// transition: the move has become large enough and the rule's states hold.
template <class Rule>
bool stepTracker(FlashTracker& t, float x, bool red) {
  if (!t.started) {
    t.started = true;
    t.low = t.high = x;
    t.lowRed = t.highRed = red;
    return false;
  }
  if (t.direction == 0) {
    if (x > t.low && Rule::moved(x, t.low)) {
      t.direction = 1;
      t.turn = t.low;
      t.turnRed = t.lowRed;
    } else if (x < t.high && Rule::moved(x, t.high)) {
      t.direction = -1;
      t.turn = t.high;
      t.turnRed = t.highRed;
    } else {
      if (x < t.low) t.low = x, t.lowRed = red;
      if (x > t.high) t.high = x, t.highRed = red;
      return false;
    }
    t.far = x;
    t.farRed = red;
    t.counted = false;
  } else if (t.direction > 0 ? x >= t.far : x <= t.far) {
    t.far = x;
    t.farRed = red;
  } else if (Rule::moved(x, t.far)) {
    t.direction = int8_t(-t.direction);
    t.turn = t.far;
    t.turnRed = t.farRed;
    t.far = x;
    t.farRed = red;
    t.counted = false;
  }
  if (t.counted || !Rule::moved(t.far, t.turn) || !Rule::counts(t)) return false;
  t.counted = true;
  return true;
}

void startTally(FlashTally& t, const FlashCount& c) {
  t.perTile.assign(c.tileArea.size(), 0);
  t.areaByCount.assign(size_t(c.window) + 1, 0);
  for (int32_t area : c.tileArea) t.areaByCount[0] += area;
}

void addToTally(FlashTally& t, const FlashCount& c, int32_t tile, int32_t by) {
  int32_t& n = t.perTile[size_t(tile)];
  t.areaByCount[size_t(n)] -= c.tileArea[size_t(tile)];
  n += by;
  t.areaByCount[size_t(n)] += c.tileArea[size_t(tile)];
}

// The most transitions that tiles covering FlashAreaPixels together made.
int32_t mostOverArea(const FlashTally& t) {
  int64_t area = 0;
  for (size_t n = t.areaByCount.size() - 1; n >= 1; --n) {
    area += t.areaByCount[n];
    if (area >= FlashAreaPixels) return int32_t(n);
  }
  return 0;
}

size_t secondOf(const FlashCount& c, int64_t frame) {
  return size_t(std::floor(double(frame) / c.framesPerSecond + 1e-9));
}

}  // namespace

void startFlashCount(FlashCount& c, int32_t width, int32_t height, double framesPerSecond) {
  c = FlashCount{};
  c.width = width;
  c.height = height;
  c.framesPerSecond = framesPerSecond;
  c.window = std::max(1, int32_t(std::lround(framesPerSecond)));
  c.tilesAcross = (width + FlashTileSide - 1) / FlashTileSide;
  c.tilesDown = (height + FlashTileSide - 1) / FlashTileSide;
  const size_t tiles = size_t(c.tilesAcross) * size_t(c.tilesDown);
  c.general.assign(tiles, {});
  c.red.assign(tiles, {});
  c.tileArea.resize(tiles);
  for (int32_t ty = 0; ty < c.tilesDown; ++ty) {
    for (int32_t tx = 0; tx < c.tilesAcross; ++tx) {
      const int32_t w = std::min(FlashTileSide, width - tx * FlashTileSide);
      const int32_t h = std::min(FlashTileSide, height - ty * FlashTileSide);
      c.tileArea[size_t(ty) * size_t(c.tilesAcross) + size_t(tx)] = w * h;
    }
  }
  c.sumR.assign(tiles, 0);
  c.sumG.assign(tiles, 0);
  c.sumB.assign(tiles, 0);
  for (FlashTally* t : {&c.generalWindow, &c.redWindow, &c.generalSecond, &c.redSecond}) startTally(*t, c);
  c.generalRing.assign(size_t(c.window), {});
  c.redRing.assign(size_t(c.window), {});
}

void countFlashFrame(FlashCount& c, const Color32* pixels) {
  const std::array<float, 256>& lin = linearChannel();
  std::fill(c.sumR.begin(), c.sumR.end(), 0.0f);
  std::fill(c.sumG.begin(), c.sumG.end(), 0.0f);
  std::fill(c.sumB.begin(), c.sumB.end(), 0.0f);
  for (int32_t y = 0; y < c.height; ++y) {
    const Color32* row = pixels + size_t(y) * size_t(c.width);
    const size_t tileRow = size_t(y / FlashTileSide) * size_t(c.tilesAcross);
    for (int32_t tx = 0; tx < c.tilesAcross; ++tx) {
      const int32_t x0 = tx * FlashTileSide, x1 = std::min(x0 + FlashTileSide, c.width);
      float r = 0, g = 0, b = 0;
      for (int32_t x = x0; x < x1; ++x) {
        const Color32 p = row[x];
        r += lin[(p >> 16) & 0xFF];
        g += lin[(p >> 8) & 0xFF];
        b += lin[p & 0xFF];
      }
      c.sumR[tileRow + size_t(tx)] += r;
      c.sumG[tileRow + size_t(tx)] += g;
      c.sumB[tileRow + size_t(tx)] += b;
    }
  }

  // The transitions of the frame a second ago leave the window; a new second
  // of the show starts its own tally.
  const size_t slot = size_t(c.frames % c.window);
  for (int32_t tile : c.generalRing[slot]) addToTally(c.generalWindow, c, tile, -1);
  for (int32_t tile : c.redRing[slot]) addToTally(c.redWindow, c, tile, -1);
  c.generalRing[slot].clear();
  c.redRing[slot].clear();
  const size_t second = secondOf(c, c.frames);
  if (c.frames > 0 && second != secondOf(c, c.frames - 1)) {
    startTally(c.generalSecond, c);
    startTally(c.redSecond, c);
  }

  for (size_t t = 0; t < c.tileArea.size(); ++t) {
    const float area = float(c.tileArea[t]);
    const float r = c.sumR[t] / area, g = c.sumG[t] / area, b = c.sumB[t] / area;
    const float luminance = 0.2126f * r + 0.7152f * g + 0.0722f * b;
    const float redValue = std::max(0.0f, (r - g - b) * 320.0f);
    const bool saturatedRed = r + g + b > 0 && r >= SaturatedRedShare * (r + g + b);
    if (stepTracker<GeneralRule>(c.general[t], luminance, false)) {
      addToTally(c.generalWindow, c, int32_t(t), 1);
      addToTally(c.generalSecond, c, int32_t(t), 1);
      c.generalRing[slot].push_back(int32_t(t));
    }
    if (stepTracker<RedRule>(c.red[t], redValue, saturatedRed)) {
      addToTally(c.redWindow, c, int32_t(t), 1);
      addToTally(c.redSecond, c, int32_t(t), 1);
      c.redRing[slot].push_back(int32_t(t));
    }
  }

  if (c.seconds.size() <= second) c.seconds.resize(second + 1);
  c.seconds[second] = {mostOverArea(c.generalSecond), mostOverArea(c.redSecond)};
  const FlashSecond window = {mostOverArea(c.generalWindow), mostOverArea(c.redWindow)};
  c.mostInAnySecond.general = std::max(c.mostInAnySecond.general, window.general);
  c.mostInAnySecond.red = std::max(c.mostInAnySecond.red, window.red);
  if (exceedsFlashThreshold(window.general) || exceedsFlashThreshold(window.red)) {
    const int64_t first = std::max<int64_t>(0, c.frames - c.window + 1);
    if (!c.overThreshold.empty() && c.overThreshold.back().second >= first - 1)
      c.overThreshold.back().second = c.frames;
    else
      c.overThreshold.push_back({first, c.frames});
  }
  ++c.frames;
}

FlashFigures flashFigures(const FlashCount& c) {
  FlashFigures f;
  f.framesPerSecond = c.framesPerSecond;
  f.frames = c.frames;
  f.seconds = c.seconds;
  f.mostInAnySecond = c.mostInAnySecond;
  // Frame i is shown from i / fps to (i + 1) / fps.
  for (const auto& [first, last] : c.overThreshold)
    f.overThreshold.push_back({double(first) / c.framesPerSecond, double(last + 1) / c.framesPerSecond});
  return f;
}

std::string flashesText(int32_t transitions) { return std::to_string(transitions / 2) + (transitions % 2 ? ".5" : ""); }

namespace {

std::string spansText(const std::vector<FlashSpan>& spans) {
  std::string text;
  char span[64];
  for (size_t i = 0; i < spans.size(); ++i) {
    std::snprintf(span, sizeof span, "%s%.1f-%.1f s", i ? ", " : "", spans[i].from, spans[i].to);
    text += span;
  }
  return text;
}

}  // namespace

std::string flashTable(const FlashFigures& f) {
  std::string text =
      "flashes over at least 341 x 256 pixels (a flash is two opposing transitions) in each second of the show\n"
      "second  general  red\n";
  char line[80];
  for (size_t s = 0; s < f.seconds.size(); ++s) {
    const FlashSecond& n = f.seconds[s];
    std::snprintf(line, sizeof line, "%6zu  %7s  %3s\n", s, flashesText(n.general).c_str(), flashesText(n.red).c_str());
    text += line;
  }
  text += "the most in any one second: " + flashesText(f.mostInAnySecond.general) + " general, " +
          flashesText(f.mostInAnySecond.red) + " red\n";
  text +=
      "more than 3 in one second: " + (f.overThreshold.empty() ? std::string("never") : spansText(f.overThreshold)) +
      "\n";
  return text;
}

std::string flashSummary(const FlashFigures& f) {
  std::string text =
      "Flashes, counted frame by frame by the WCAG 2.x three-flashes measure over at least 341 x 256 pixels: at most " +
      flashesText(f.mostInAnySecond.general) + " general and " + flashesText(f.mostInAnySecond.red) +
      " red flashes in any one second";
  if (f.overThreshold.empty()) return text + ", never more than three.";
  return text + "; more than three within " + spansText(f.overThreshold) + ".";
}
