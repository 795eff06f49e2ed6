// No frame allocates: the whole show, with the generated pack, drawn frame by
// frame in this process while every operator new is counted.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "allocation_counter.h"
#include "data/assets.h"
#include "display/screen.h"
#include "driver/modules.h"
#include "driver/show.h"
#include "music/chance.h"
#include "music/clock.h"

namespace {

uint64_t FramePosition = 0;
uint64_t framePosition() { return FramePosition; }

TEST(FrameAllocation, NoFrameOfTheShowAllocates) {
  const auto pack = std::filesystem::canonical("/proc/self/exe").parent_path() / "data.dat";
  if (!std::filesystem::exists(pack)) GTEST_SKIP() << "data.dat not built";
  DataPackPath = pack.string();
  loadAllImages();
  RandomSeed = 1;
  RandomSeedFixed = true;
  initEffectModules();
  // The set-up has released every picture of the pack that no frame reads (the
  // frames below would fault on one): all but the letters, the digits and the
  // dot, the infinity sign and the closing picture.
  for (const AssetEntry& asset : AssetTable) {
    const std::string name = asset.name;
    const bool letterOrDigit = name.size() == 5 || name == "minus.img" || name == "dot.img";  // "a.img", "0.img"
    const bool kept = letterOrDigit || name == "infinity.img" || name == "end.img";
    EXPECT_EQ(asset.image->pixels != nullptr, kept) << name;
  }
  AllocImage(Screen, ShowWidth, ShowHeight);
  MusicPosition = framePosition;

  // Two passes at 25 frames a second, with the resets between them, and the end fade.
  long frameAllocations = 0;
  for (int pass = 0; pass < 2; ++pass) {
    resetEffectModules();
    const long before = OperatorNewCalls.load();
    for (int frame = 0; DemoTime < ShowEndTime || frame == 0; ++frame) {
      FramePosition = musicBytesForDemoTime(frame * 40);
      drawShowFrame();
    }
    for (int i = 0; i < 3; ++i) fadeScreenPass();
    frameAllocations += OperatorNewCalls.load() - before;
  }
  EXPECT_EQ(frameAllocations, 0) << "allocations during frames";
  freeImage(Screen);
  freeEffectModules();
  freeAllImages();
}

}  // namespace
