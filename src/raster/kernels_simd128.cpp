// The browser edition's SIMD module: WebAssembly SIMD (simd128) kernels above
// the portable level. Built only into that module; a browser that refuses
// SIMD loads the module built with kernels_generic.cpp instead.
#include "raster/kernels.h"

SimdLevel processorSimdLevel() { return SimdSimd128; }

const char* instructionSetLevelName(SimdLevel level) { return level == SimdSimd128 ? "simd128" : nullptr; }

void addInstructionSetKernels(RasterKernels& k, SimdLevel level) {
  if (level >= SimdSimd128) {
    addBlitSimd128(k);
    addRunSimd128(k);
    addStretchSimd128(k);
    addFilterSimd128(k);
  }
}
