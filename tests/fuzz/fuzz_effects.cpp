// Every effect module's set-up on the pictures of an arbitrary pack, and a few
// frames of the show drawn with what passed the set-up checks. The input is
// eight bytes of frame times (four little-endian 16-bit values scaled to the
// show's 0 to 74000 ms), then the pack. A pack that loads either fails one set-up
// check with its message or yields modules that draw any frame inside their images.
#include <cstring>

#include "data/assets.h"
#include "display/screen.h"
#include "driver/modules.h"
#include "driver/show.h"
#include "fuzz/fuzz_support.h"
#include "music/chance.h"
#include "music/clock.h"

namespace {

constexpr size_t FrameCount = 4;
int32_t FrameTimes[FrameCount];
int32_t CurrentTime = 0;

uint64_t framePosition() { return musicBytesForDemoTime(CurrentTime); }

void drawFrames() {
  AllocImage(Screen, ShowWidth, ShowHeight);
  resetEffectModules();
  for (int32_t t : FrameTimes) {
    CurrentTime = t;
    drawShowFrame();
  }
}

void releaseEverything() {
  freeEffectModules();
  freeAllImages();
  freeImage(Screen);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  prepareHarness();
  if (size < 2 * FrameCount) return 0;
  for (size_t i = 0; i < FrameCount; ++i)
    FrameTimes[i] = int32_t((uint32_t(data[2 * i]) | uint32_t(data[2 * i + 1]) << 8) * 74000u / 65535u);
  MusicPosition = framePosition;
  RandomSeed = 1;
  std::memset(KeyDown, 0, sizeof KeyDown);
  DataPackPath = inputAsFile(data + 2 * FrameCount, size - 2 * FrameCount);
  if (failsWithMessage(loadAllImages)) {
    closeDataPack();
    freeAllImages();
    return 0;
  }
  if (!failsWithMessage(initEffectModules)) {
    // Past the set-up checks nothing may fail any more.
    if (failsWithMessage(drawFrames)) __builtin_trap();
  }
  releaseEverything();
  return 0;
}
