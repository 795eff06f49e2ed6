// Milliseconds (of processor time) per call of the stretched and rotated blits and the filters at
// the sizes the show uses, for every implementation level the processor runs.
//   morvex-bench-stretch [milliseconds of timing per routine and level]  (default 300)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <vector>

#include "music/chance.h"
#include "music/clock.h"
#include "raster/filter.h"
#include "raster/kernels.h"
#include "raster/stretch.h"

namespace {

struct Pictures {
  Image screen, small, full, keyed;
};

struct Case {
  const char* name;
  void (*run)(const Pictures& p);
};

const Case Cases[] = {
    {"blurImage 1280x720", [](const Pictures& p) { blurImage(p.screen); }},
    {"invertImage 1280x720", [](const Pictures& p) { invertImage(p.screen); }},
    {"textureBrightPixels 1280x720", [](const Pictures& p) { textureBrightPixels(p.screen, p.small, 50); }},
    {"stretchBlit 320x200 -> 1280x720", [](const Pictures& p) { stretchBlit(p.screen, 0, 0, 1280, 720, p.small); }},
    {"stretchBlit 1280x720 -> 1280x720", [](const Pictures& p) { stretchBlit(p.screen, 0, 0, 1280, 720, p.full); }},
    {"stretchBlitKeyed 320x200 -> 1280x720",
     [](const Pictures& p) { stretchBlitKeyed(p.screen, 0, 0, 1280, 720, 0, p.keyed); }},
    {"stretchBlitAlpha 320x200 -> 1280x720",
     [](const Pictures& p) { stretchBlitAlpha(p.screen, 0, 0, 1280, 720, p.keyed); }},
    {"stretchBlitAdd 320x200 -> 1280x720",
     [](const Pictures& p) { stretchBlitAdd(p.screen, 0, 0, 1280, 720, p.small); }},
    {"stretchBlit 320x200 -> 16000x14000 (zoom)",
     [](const Pictures& p) { stretchBlit(p.screen, -7360, -6640, 8640, 7360, p.small); }},
    {"stretchBlitKeyed 320x200 -> 16000x14000",
     [](const Pictures& p) { stretchBlitKeyed(p.screen, -7360, -6640, 8640, 7360, 0, p.keyed); }},
    {"rotateBlit 1280x720 at 33 deg", [](const Pictures& p) { rotateBlit(p.screen, 0, 0, 33, p.full); }},
    {"rotateBlitKeyed 1280x720 at 200 deg", [](const Pictures& p) { rotateBlitKeyed(p.screen, 0, 0, 200, p.full, 0); }},
    {"rotateBlitAdd 1280x720 at 90 deg", [](const Pictures& p) { rotateBlitAdd(p.screen, 0, 0, 90, p.full); }},
    {"rotateBlit 320x200 at 45 deg", [](const Pictures& p) { rotateBlit(p.screen, 480, 260, 45, p.small); }},
};

// Processor time of this thread, so that time spent waiting for a shared
// machine's other work does not count.
double threadMs() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec * 1e-6;
}

// Calls until budget milliseconds have passed (at least three); the best
// of five rounds.
double msPerCall(const Case& c, const Pictures& p, double budget) {
  c.run(p);  // warm the caches and the pages
  double best = 1e30;
  for (int round = 0; round < 5; ++round) {
    int calls = 0;
    double t0 = threadMs(), elapsed = 0;
    do {
      c.run(p);
      ++calls;
      elapsed = threadMs() - t0;
    } while (elapsed < budget / 5 || calls < 3);
    best = std::min(best, elapsed / calls);
  }
  return best;
}

Image makeImage(std::vector<Color32>& store, int32_t w, int32_t h, std::mt19937& rng, bool withKey) {
  store.resize(size_t(w) * h);
  for (auto& c : store) c = (withKey && rng() % 3 == 0) ? 0u : rng();
  return Image{store.data(), w, h};
}

}  // namespace

int main(int argc, char** argv) {
  double budget = argc > 1 ? std::atof(argv[1]) : 300.0;
  if (budget <= 0) budget = 300.0;
  std::mt19937 rng(1);
  std::vector<Color32> a, b, c, d;
  Pictures p;
  p.screen = makeImage(a, 1280, 720, rng, false);
  p.small = makeImage(b, 320, 200, rng, false);
  p.full = makeImage(c, 1280, 720, rng, false);
  p.keyed = makeImage(d, 320, 200, rng, true);
  FrameStep = 1.0f;
  DemoTime = 1000;

  std::vector<SimdLevel> levels;
  for (int32_t l = SimdNone; l <= supportedSimdLevel(); ++l) levels.push_back(SimdLevel(l));
  SimdLevel chosen = ActiveKernels.level;
  std::printf("ms per call; the show runs level %s (MORVEX_SIMD caps it)\n", simdLevelName(chosen));
  std::printf("%-44s", "routine");
  for (SimdLevel l : levels) std::printf(" %10s", simdLevelName(l));
  std::printf(" %9s\n", "speed-up");
  for (const Case& k : Cases) {
    std::printf("%-44s", k.name);
    std::fflush(stdout);
    double first = 0, last = 0;
    for (SimdLevel l : levels) {
      selectRasterLevel(l);
      double ms = msPerCall(k, p, budget);
      if (l == SimdNone) first = ms;
      last = ms;
      std::printf(" %10.3f", ms);
      std::fflush(stdout);
    }
    std::printf(" %8.1fx\n", first / last);
  }
  selectRasterLevel(chosen);
  return 0;
}
