// The instruction-set level of aarch64: NEON (Advanced SIMD), which every
// aarch64 processor has. Built only for aarch64 targets.
#include "raster/kernels.h"

bool simdLevelBuilt(SimdLevel level) { return level == SimdNone || level == SimdPortable || level == SimdNeon; }

SimdLevel processorSimdLevel() { return SimdNeon; }

void addInstructionSetKernels(RasterKernels& k, SimdLevel level) {
  if (level >= SimdNeon) {
    addBlitNeon(k);
    addRunNeon(k);
    addStretchNeon(k);
    addFilterNeon(k);
  }
}
