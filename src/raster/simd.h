#pragma once
// Which implementation of the hot raster routines runs. The literal reference
// of every routine stays in the build; faster levels must give the same pixels.
#include <cstdint>

enum SimdLevel : int32_t {
  SimdNone = 0,      // the literal reference routines
  SimdPortable = 1,  // plain C++ with the per-call savings (tables, clipping once)
  SimdSse2 = 2,      // x86-64 baseline vector kernels
  SimdAvx2 = 3,      // 256-bit kernels
  SimdLevelCount = 4
};

// Chosen once at start-up: the best level the processor offers, capped by the
// environment variable MORVEX_SIMD ("none", "portable", "sse2", "avx2").
// Tests may set it to any level up to supportedSimdLevel().
extern SimdLevel RasterSimdLevel;

SimdLevel supportedSimdLevel();
const char* simdLevelName(SimdLevel level);
