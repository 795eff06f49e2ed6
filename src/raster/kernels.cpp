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
    default: {
      const char* name = level < SimdLevelCount ? instructionSetLevelName(level) : nullptr;
      return name != nullptr ? name : "?";
    }
  }
}

SimdLevel supportedSimdLevel() { return processorSimdLevel(); }

SimdLevel requestedSimdLevel(const char* wanted, SimdLevel best) {
  if (wanted == nullptr || *wanted == '\0') return best;
  std::string known;
  for (int32_t level = SimdNone; level < SimdLevelCount; ++level) {
    const char* name = simdLevelName(SimdLevel(level));
    if (std::strcmp(name, "?") == 0) continue;
    if (std::strcmp(wanted, name) == 0) return level < best ? SimdLevel(level) : best;
    known += (known.empty() ? "" : ", ") + std::string(name);
  }
  std::fprintf(stderr, "MORVEX_SIMD=%s not known (%s); using %s\n", wanted, known.c_str(), simdLevelName(best));
  return best;
}

RasterKernels kernelsForLevel(SimdLevel level) {
  if (level > supportedSimdLevel()) level = supportedSimdLevel();
  RasterKernels k{};
  k.level = level;
  addBlitReference(k);
  addRunReference(k);
  addStretchReference(k);
  addFilterReference(k);
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
