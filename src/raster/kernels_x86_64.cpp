// The instruction-set levels of x86-64: SSE2 (every x86-64 processor has it)
// and AVX2. Built only for x86-64 targets.
#include "raster/kernels.h"

SimdLevel processorSimdLevel() {
  __builtin_cpu_init();  // may run before the constructors of libgcc
  if (__builtin_cpu_supports("avx2")) return SimdAvx2;
  if (__builtin_cpu_supports("sse2")) return SimdSse2;
  return SimdPortable;
}

const char* instructionSetLevelName(SimdLevel level) {
  return level == SimdSse2 ? "sse2" : level == SimdAvx2 ? "avx2" : nullptr;
}

void addInstructionSetKernels(RasterKernels& k, SimdLevel level) {
  if (level >= SimdSse2) {
    addBlitSse2(k);
    addRunSse2(k);
    addStretchSse2(k);
    addFilterSse2(k);
  }
  if (level >= SimdAvx2) {
    addBlitAvx2(k);
    addRunAvx2(k);
    addStretchAvx2(k);
    addFilterAvx2(k);
  }
}
