#include "raster/kernels.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

const char* simdLevelName(SimdLevel level) {
  switch (level) {
    case SimdNone:
      return "none";
    case SimdPortable:
      return "portable";
    case SimdSse2:
      return "sse2";
    case SimdAvx2:
      return "avx2";
    case SimdNeon:
      return "neon";
    case SimdSimd128:
      return "simd128";
    default:
      return "?";
  }
}

SimdLevel supportedSimdLevel() { return processorSimdLevel(); }

std::vector<SimdLevel> runnableSimdLevels(SimdLevel from) {
  std::vector<SimdLevel> levels;
  for (int32_t level = from; level <= supportedSimdLevel(); ++level)
    if (simdLevelBuilt(SimdLevel(level))) levels.push_back(SimdLevel(level));
  return levels;
}

SimdLevel requestedSimdLevel(const char* wanted, SimdLevel best) {
  if (wanted == nullptr || *wanted == '\0') return best;
  for (int32_t level = SimdNone; level < SimdLevelCount; ++level) {
    if (std::strcmp(wanted, simdLevelName(SimdLevel(level))) != 0 || !simdLevelBuilt(SimdLevel(level))) continue;
    return level < best ? SimdLevel(level) : best;
  }
  std::string names;
  for (int32_t level = SimdNone; level < SimdLevelCount; ++level) {
    if (!simdLevelBuilt(SimdLevel(level))) continue;
    if (!names.empty()) names += ", ";
    names += simdLevelName(SimdLevel(level));
  }
  std::fprintf(stderr, "MORVEX_SIMD=%s not known (%s); using %s\n", wanted, names.c_str(), simdLevelName(best));
  return best;
}

RasterKernels kernelsForLevel(SimdLevel level) {
  if (level > supportedSimdLevel()) level = supportedSimdLevel();
  while (!simdLevelBuilt(level)) level = SimdLevel(level - 1);  // another processor's: the one below
  RasterKernels k{};
  k.level = level;
  addBlitReference(k);
  addRunReference(k);
  addStretchReference(k);
  addFilterReference(k);
  addPolygonReference(k);
  if (level >= SimdPortable) {
    addBlitPortable(k);
    addRunPortable(k);
    addStretchPortable(k);
    addFilterPortable(k);
  }
  addInstructionSetKernels(k, level);
  return k;
}

void selectRasterLevel(SimdLevel level) { ActiveKernels = kernelsForLevel(level); }

// Chosen before main, from the processor and MORVEX_SIMD. Nothing draws
// before main, so no routine can see the table unfilled.
RasterKernels ActiveKernels = kernelsForLevel(requestedSimdLevel(std::getenv("MORVEX_SIMD"), supportedSimdLevel()));
