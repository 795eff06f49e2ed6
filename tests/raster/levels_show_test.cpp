// The whole show, frame hash for frame hash, at every raster level: the fast
// stretch, rotate, blur and texture paths against the literal routines on the
// show's own pictures, through the headless renderer.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "raster/kernels.h"

namespace {

namespace fs = std::filesystem;

fs::path binFolder() { return fs::canonical("/proc/self/exe").parent_path(); }

// '<DemoTime> <crc32>' lines of four frames a second of one pass at one level.
std::string showHashes(const char* level, const fs::path& folder) {
  fs::create_directories(folder);
  const fs::path out = folder / (std::string("hashes-") + level + ".txt");
  const std::string command = "cd '" + folder.string() + "' && MORVEX_SIMD=" + level + " '" +
                              (binFolder() / "morvex-render").string() + "' --fps 4 --no-fade --hash --quiet >'" +
                              out.string() + "' 2>/dev/null";
  if (std::system(command.c_str()) != 0) return "";
  std::ifstream in(out);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

TEST(RasterLevels, WholeShowHashesAgreeAtEveryLevel) {
  if (!fs::exists(binFolder() / "morvex-render") || !fs::exists(binFolder() / "data.dat"))
    GTEST_SKIP() << "morvex-render or data.dat not built";
  const fs::path folder = fs::temp_directory_path() / ("morvex-levels-test-" + std::to_string(getpid()));
  fs::remove_all(folder);
  const std::string reference = showHashes("none", folder);
  ASSERT_GT(reference.size(), 1000u) << "the renderer did not run";
  for (SimdLevel level : runnableSimdLevels(SimdPortable)) {
    const char* name = simdLevelName(SimdLevel(level));
    const std::string fast = showHashes(name, folder);
    if (fast == reference) continue;
    // Name the first frame that differs.
    std::istringstream a(reference), b(fast);
    std::string la, lb;
    while (std::getline(a, la) && std::getline(b, lb) && la == lb) {}
    ADD_FAILURE() << "level " << name << ": first differing frame: reference '" << la << "', " << name << " '" << lb
                  << "'";
  }
  fs::remove_all(folder);
}
