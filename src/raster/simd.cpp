#include "raster/simd.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

SimdLevel supportedSimdLevel() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2")) return SimdAvx2;
  if (__builtin_cpu_supports("sse2")) return SimdSse2;
#endif
  return SimdPortable;
}

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

static SimdLevel chooseSimdLevel() {
  SimdLevel best = supportedSimdLevel();
  const char* wanted = std::getenv("MORVEX_SIMD");
  if (wanted == nullptr || *wanted == '\0') return best;
  for (int32_t level = SimdNone; level < SimdLevelCount; ++level) {
    if (std::strcmp(wanted, simdLevelName(SimdLevel(level))) == 0) return level < best ? SimdLevel(level) : best;
  }
  std::fprintf(stderr, "MORVEX_SIMD=%s not known (none, portable, sse2, avx2); using %s\n", wanted,
               simdLevelName(best));
  return best;
}

SimdLevel RasterSimdLevel = chooseSimdLevel();
