#include "raster/kernels.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

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
    default:
      return "?";
  }
}

SimdLevel supportedSimdLevel() { return processorSimdLevel(); }

SimdLevel requestedSimdLevel(const char* wanted, SimdLevel best) {
  if (wanted == nullptr || *wanted == '\0') return best;
  for (int32_t level = SimdNone; level < SimdLevelCount; ++level) {
    if (std::strcmp(wanted, simdLevelName(SimdLevel(level))) == 0) return level < best ? SimdLevel(level) : best;
  }
  std::fprintf(stderr, "MORVEX_SIMD=%s not known (none, portable, sse2, avx2); using %s\n", wanted,
               simdLevelName(best));
  return best;
}

RasterKernels kernelsForLevel(SimdLevel level) {
  if (level > supportedSimdLevel()) level = supportedSimdLevel();
  RasterKernels k{};
  k.level = level;
  addBlitReference(k);
  addStretchReference(k);
  addFilterReference(k);
  if (level >= SimdPortable) {
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
