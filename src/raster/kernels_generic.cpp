// Targets without instruction-set kernels (aarch64, WebAssembly): the
// reference and the portable level only.
#include "raster/kernels.h"

SimdLevel processorSimdLevel() { return SimdPortable; }

const char* instructionSetLevelName(SimdLevel) { return nullptr; }

void addInstructionSetKernels(RasterKernels&, SimdLevel) {}
