// Milliseconds per call of the hot blits on full 1280 x 720 pictures, with the
// reference kernels and with the fastest the processor runs.
//   morvex-bench-raster [calls]   (default 200 per routine and level)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "raster/blit.h"
#include "raster/kernels.h"

namespace {

struct Case {
  const char* name;
  void (*run)(Image dst, Image src);
};

const Color32 Key = 0x00000000u;

const Case Cases[] = {
    {"blitImage", [](Image d, Image s) { blitImage(d, 0, 0, s); }},
    {"blitImageKeyed", [](Image d, Image s) { blitImageKeyed(d, 0, 0, s, Key); }},
    {"blitAdd", [](Image d, Image s) { blitAdd(d, 0, 0, s); }},
    {"blitSub", [](Image d, Image s) { blitSub(d, 0, 0, s); }},
    {"blitMix", [](Image d, Image s) { blitMix(d, 0, 0, s, 100); }},
    {"blitAlpha", [](Image d, Image s) { blitAlpha(d, 0, 0, s); }},
    {"blitClippedKeyed", [](Image d, Image s) { blitClippedKeyed(d, 0, 0, s, Key); }},
    {"blitClippedAdd", [](Image d, Image s) { blitClippedAdd(d, 0, 0, s); }},
};

double msPerCall(const Case& c, Image dst, Image src, int calls) {
  c.run(dst, src);  // warm the caches and the pages
  auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < calls; ++i) c.run(dst, src);
  auto t1 = std::chrono::steady_clock::now();
  return std::chrono::duration<double, std::milli>(t1 - t0).count() / calls;
}

}  // namespace

int main(int argc, char** argv) {
  int calls = argc > 1 ? std::atoi(argv[1]) : 200;
  if (calls < 1) calls = 1;
  Image src, dst;
  AllocImage(src, 1280, 720);
  AllocImage(dst, 1280, 720);
  // A keyed picture: about a third of it key colour, the rest opaque noise.
  std::mt19937 rng(1);
  for (int i = 0; i < 1280 * 720; ++i) {
    src.pixels[i] = rng() % 3 == 0 ? Key : (rng() | 0xFF000000u);
    dst.pixels[i] = rng();
  }

  // The reference, the portable level and the best the processor runs.
  std::vector<RasterKernels> levels = {kernelsForLevel(SimdNone), kernelsForLevel(SimdPortable)};
  if (supportedSimdLevel() > SimdPortable) levels.push_back(kernelsForLevel(supportedSimdLevel()));
  const RasterKernels chosen = ActiveKernels;
  std::printf("1280 x 720, %d calls each; ms per call\n%-18s", calls, "routine");
  for (const RasterKernels& k : levels) std::printf(" %10s", simdLevelName(k.level));
  std::printf(" %8s\n", "speed-up");
  for (const Case& c : Cases) {
    std::printf("%-18s", c.name);
    double first = 0, last = 0;
    for (const RasterKernels& k : levels) {
      ActiveKernels = k;
      last = msPerCall(c, dst, src, calls);
      if (k.level == SimdNone) first = last;
      std::printf(" %10.3f", last);
    }
    std::printf(" %7.2fx\n", first / last);
    std::fflush(stdout);
  }
  ActiveKernels = chosen;
  // The driver clears Screen with fillLongs every frame; one level only.
  const Case clear = {"fillLongs", [](Image d, Image) { fillLongs(d.pixels, 1280 * 720, 0xFF000000u); }};
  std::printf("%-18s %10.3f\n", clear.name, msPerCall(clear, dst, src, calls));
  freeImage(src);
  freeImage(dst);
  return 0;
}
