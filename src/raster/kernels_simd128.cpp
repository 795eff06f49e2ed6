// The browser edition's SIMD module: WebAssembly SIMD (simd128) kernels above
// the portable level. Built only into that module; a browser that refuses
// SIMD loads the module built with kernels_generic.cpp instead.
#include "raster/kernels.h"

bool simdLevelBuilt(SimdLevel level) { return level <= SimdPortable || level == SimdSimd128; }

SimdLevel processorSimdLevel() { return SimdSimd128; }

void addInstructionSetKernels(RasterKernels& k, SimdLevel level) {
  if (level >= SimdSimd128) {
    addBlitSimd128(k);
    addRunSimd128(k);
    addStretchSimd128(k);
    addFilterSimd128(k);
    addPolygonSimd128(k);
  }
}
