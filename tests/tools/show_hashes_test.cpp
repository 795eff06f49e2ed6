// The whole show against the pinned digest of every frame: any change to a
// raster routine, an effect, the score, the driver or the generated pictures
// that alters a pixel of any frame of a pass or of the end fade (at the
// renderer's default 60 frames a second) shows up here, named by schedule row
// and first changed frame. After a deliberate change run tools/pin-show-hashes.sh.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "digest.h"
#include "fixtures.h"
#include "raster/kernels.h"

namespace {

namespace fs = std::filesystem;

TEST(ShowHashes, EveryFrameOfAPassAndTheFadeMatchesThePinnedDigest) {
  const fs::path bin = fs::canonical("/proc/self/exe").parent_path();
  const fs::path pinnedPath = fs::path(MORVEX_SOURCE_DIR) / "tests" / "show-hashes.txt";
  if (!fs::exists(bin / "morvex-render") || !fs::exists(bin / "data.dat")) GTEST_SKIP() << "renderer or pack not built";
  const fs::path folder = fs::temp_directory_path() / ("morvex-show-hashes-" + std::to_string(getpid()));
  fs::create_directories(folder);
  const fs::path out = folder / "digest.txt";
  const std::string command = "cd '" + folder.string() + "' && '" + (bin / "morvex-render").string() +
                              "' --digest --quiet >'" + out.string() + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  DigestRecord pinned, now;
  std::string error;
  ASSERT_TRUE(parseDigest(readFile(pinnedPath), pinned, error)) << pinnedPath << ": " << error;
  ASSERT_TRUE(parseDigest(readFile(out), now, error)) << "the renderer's digest: " << error;
  EXPECT_EQ(pinned.groups.size(), 83u) << "81 schedule rows, the frames no row drew and the fade";
  EXPECT_GT(pinned.frameHashes.size(), 4500u) << "a pass at 60 frames a second and the fade";
  const std::vector<std::string> changes = compareDigests(pinned, now);
  std::string report;
  for (const std::string& c : changes) report += "  " + c + "\n";
  EXPECT_TRUE(changes.empty()) << changes.size() << " groups changed at raster level "
                               << simdLevelName(ActiveKernels.level) << ":\n"
                               << report << "after a deliberate change run tools/pin-show-hashes.sh";
  fs::remove_all(folder);
}

// The comparison names the rows a change touches and the first changed frame.
TEST(ShowHashes, ComparisonNamesRowsAndFirstChangedFrames) {
  const std::string text =
      "# test\n"
      "row 1 0 99 frames 3 from 0 digest 00000001\n"
      "row 2 100 199 frames 2 from 3 digest 00000002\n"
      "none frames 0 from 0 digest 00000000\n"
      "fade frames 1 from 5 digest 00000003\n"
      "f 0 0 0001 0002 0003 0004 0005 0006\n";
  DigestRecord a, b;
  std::string error;
  ASSERT_TRUE(parseDigest(text, a, error)) << error;
  ASSERT_EQ(a.groups.size(), 4u);
  ASSERT_EQ(a.frameHashes.size(), 6u);
  EXPECT_TRUE(compareDigests(a, a).empty());
  std::string changed = text;
  changed.replace(changed.find("00000002"), 8, "0000000f");
  changed.replace(changed.find("0005 0006"), 4, "0555");
  ASSERT_TRUE(parseDigest(changed, b, error)) << error;
  const std::vector<std::string> c = compareDigests(a, b);
  ASSERT_EQ(c.size(), 1u);
  EXPECT_EQ(c[0], "row 2 100 199: first changed frame 4 (the 5. of the frames from DemoTime 0)");
  EXPECT_FALSE(parseDigest("row 1 0 99 frames x\n", b, error));
  EXPECT_NE(error.find("line 1"), std::string::npos);
}

}  // namespace
