#include "music/chance.h"

#include <chrono>
#include <cmath>

#include "music/clock.h"
#include "raster/filter.h"
#include "raster/numeric.h"

int32_t timeRandom(int32_t n) {
  uint32_t v = uint32_t(DemoTime) * 314159269u + 453806245u;
  v = v % 2147483647u;
  float f = float(double(v) / 2147483647.0);
  float r = float(n) * f;
  return roundToInt32(std::fabs(r));
}

int32_t TexOffsetX = 320;
int32_t TexOffsetY = 200;
float TexAccum = 0.0f;

void textureBrightPixels(Image dst, Image tex, uint8_t interval) {
  TexAccum = TexAccum + FrameStep;
  if (float(interval) <= TexAccum) {
    TexOffsetX = TexOffsetX + timeRandom(16) - 8;
    TexOffsetY = TexOffsetY + timeRandom(16) - 8;
    TexAccum = 0.0f;
  }
  overlayBrightPixels(dst, tex, TexOffsetX, TexOffsetY);
}

uint32_t RandomSeed = 0;
bool RandomSeedFixed = false;

uint32_t showRandomSeed() {
  if (RandomSeedFixed) return RandomSeed;
  // Wall-clock microseconds folded into 32 bits: a new field on every run.
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const uint64_t us = uint64_t(std::chrono::duration_cast<std::chrono::microseconds>(now).count());
  return uint32_t(us) ^ uint32_t(us >> 32);
}
