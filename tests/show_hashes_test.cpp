// The whole show against pinned frame hashes: any change to a raster routine,
// an effect, the score, the driver or the generated pictures that alters a
// pixel shows up here. After a deliberate change run tools/pin-show-hashes.sh.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "raster/kernels.h"
#include "fixtures.h"

namespace {

namespace fs = std::filesystem;

TEST(ShowHashes, WholePassMatchesThePinnedFrames) {
  const fs::path bin = fs::canonical("/proc/self/exe").parent_path();
  const fs::path pinned = fs::path(MORVEX_SOURCE_DIR) / "tests" / "show-hashes.txt";
  if (!fs::exists(bin / "morvex-render") || !fs::exists(bin / "data.dat")) GTEST_SKIP() << "renderer or pack not built";
  const fs::path folder = fs::temp_directory_path() / ("morvex-show-hashes-" + std::to_string(getpid()));
  fs::create_directories(folder);
  const fs::path out = folder / "hashes.txt";
  const std::string command = "cd '" + folder.string() + "' && '" + (bin / "morvex-render").string() +
                              "' --fps 10 --hash --quiet | awk 'NR % 16 == 1' >'" + out.string() + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  std::istringstream want(readFile(pinned)), got(readFile(out));
  std::string w, g;
  int line = 0;
  while (std::getline(want, w)) {
    ++line;
    ASSERT_TRUE(std::getline(got, g)) << "the pass ended early, before pinned frame " << line << " (" << w << ")";
    EXPECT_EQ(g, w) << "frame " << line << " at raster level " << simdLevelName(ActiveKernels.level)
                    << "; after a deliberate change run tools/pin-show-hashes.sh";
  }
  EXPECT_GT(line, 50);
  EXPECT_FALSE(std::getline(got, g)) << "more frames than pinned";
  fs::remove_all(folder);
}

}  // namespace
