// After the last test of a run, the program-wide images must be free again:
// Screen and every asset. A test that allocates one of them and forgets it
// leaks in a run of the whole binary as one process (which LeakSanitizer
// reports) and hands its leftovers to the tests after it. CTest runs each test
// in its own process, so a failure here names the test that leaked.
#include <gtest/gtest.h>

#include "data/assets.h"
#include "display/screen.h"

namespace {

class ProgramWideImagesFreed : public ::testing::Environment {
 public:
  void TearDown() override {
    EXPECT_EQ(Screen.pixels, nullptr) << "a test left Screen allocated";
    for (const AssetEntry& entry : AssetTable)
      EXPECT_EQ(entry.image->pixels, nullptr) << "a test left the asset " << entry.name << " allocated";
  }
};

const ::testing::Environment* const Guard = ::testing::AddGlobalTestEnvironment(new ProgramWideImagesFreed);

}  // namespace
