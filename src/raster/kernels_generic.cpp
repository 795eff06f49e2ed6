// Targets without instruction-set kernels (WebAssembly, others): the
// reference and the portable level only.
#include "raster/kernels.h"

bool simdLevelBuilt(SimdLevel level) { return level <= SimdPortable; }

SimdLevel processorSimdLevel() { return SimdPortable; }

void addInstructionSetKernels(RasterKernels&, SimdLevel) {}
