// The whole asset table from an arbitrary pack, as the program loads it at
// start-up: every picture decoded, or one failure with its message.
#include "data/assets.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  prepareHarness();
  DataPackPath = inputAsFile(data, size);
  if (failsWithMessage(loadAllImages)) closeDataPack();
  freeAllImages();
  return 0;
}
