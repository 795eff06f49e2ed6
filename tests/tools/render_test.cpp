// The headless renderer as a user runs it: its command line, its fatal paths and
// a whole pass that repeats hash for hash.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fixtures.h"

namespace {

namespace fs = std::filesystem;

fs::path scratch(const std::string& name) {
  const fs::path p = fs::temp_directory_path() / ("morvex-render-test-" + std::to_string(getpid())) / name;
  fs::remove_all(p);
  return p;
}

TEST(Render, CommandLineAndFatalPaths) {
  ASSERT_TRUE(fs::exists(binFolder() / "morvex-render")) << "morvex-render is not built";
  RunResult r = runRenderer("--help", scratch("help"));
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("usage: morvex-render [options]"), std::string::npos);
  EXPECT_NE(r.out.find("--storyboard PATH"), std::string::npos);

  const struct {
    const char* args;
    const char* message;
  } bad[] = {
      {"--fps 0", "morvex-render: --fps: '0' is not a frame rate from 0.01 to 100000\n"},
      {"--fps 30x", "morvex-render: --fps: '30x' is not a frame rate from 0.01 to 100000\n"},
      {"--passes 0", "morvex-render: --passes: '0' is not a whole number from 1 to 1000000\n"},
      {"--until", "morvex-render: --until needs a value (see --help)\n"},
      {"--bogus", "morvex-render: unknown option '--bogus' (see --help)\n"},
      {"--hash=1", "morvex-render: --hash takes no value\n"},
      {"--fps 30 --times t.txt", "morvex-render: --fps and --times exclude each other\n"},
      {"--raw - --hash",
       "morvex-render: --raw - takes standard output; --hash, --digest and --bench cannot share it\n"},
      {"--digest --hash", "morvex-render: --digest and --hash exclude each other\n"},
      {"--flashes --times t.txt",
       "morvex-render: --flashes counts frames at the constant rate --fps: --times and --at exclude it\n"},
      {"--flashes --at 500",
       "morvex-render: --flashes counts frames at the constant rate --fps: --times and --at exclude it\n"},
      {"--flashes --raw -", "morvex-render: --raw - takes standard output; --flashes cannot share it\n"},
      {"--flashes=1", "morvex-render: --flashes takes no value\n"},
      {"--times missing.txt", "morvex-render: missing.txt: No such file or directory\n"},
      {"--save 100,x", "morvex-render: --save: 'x' is not a whole number from -2147483648 to 2147483647\n"},
  };
  for (const auto& b : bad) {
    r = runRenderer(b.args, scratch("bad"));
    EXPECT_EQ(r.status, 1) << b.args;
    EXPECT_EQ(r.err, b.message) << b.args;
    EXPECT_EQ(r.out, "") << b.args;
  }

  // A pack that is not there: the data unit's message, status 1, nothing on the data output.
  const fs::path folder = scratch("nopack");
  r = runRenderer("--pack nowhere.dat --hash", folder);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_TRUE(fs::exists(folder / "logger.log"));
  EXPECT_NE(r.err.find("Loading..."), std::string::npos);
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> v;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) v.push_back(l);
  return v;
}

TEST(Render, WholePassRepeatsHashForHash) {
  const fs::path pack = binFolder() / "data.dat";
  if (!fs::exists(pack)) GTEST_SKIP() << "no data.dat in " << binFolder() << " (content not generated)";
  const std::string args = "--pack '" + pack.string() + "' --fps 5 --hash --quiet";
  const RunResult a = runRenderer(args, scratch("pass-a"));
  const RunResult b = runRenderer(args, scratch("pass-b"));
  ASSERT_EQ(a.status, 0) << a.err;
  ASSERT_EQ(b.status, 0) << b.err;
  EXPECT_EQ(a.out, b.out);

  // At 5 frames a second: frames at 0, 200, ... 73000, then the 255 fade presents.
  const std::vector<std::string> hashes = lines(a.out);
  ASSERT_EQ(hashes.size(), size_t(366 + 255));
  EXPECT_EQ(hashes[0].substr(0, 2), "0 ");
  EXPECT_EQ(hashes[1].substr(0, 4), "200 ");
  EXPECT_EQ(hashes[365].substr(0, 6), "73000 ");
  EXPECT_EQ(hashes[620].substr(0, 6), "73000 ");
  // The fade reaches opaque black: 1280 x 720 x 0xFF000000, whatever was shown before.
  // (zlib.crc32 of 921600 times the bytes 00 00 00 ff gives 9fafc61a)
  EXPECT_EQ(hashes[620], "73000 9fafc61a");

  // --times gives exactly the listed frames, and the seed decides the random digit
  // field: the same frame at 30000 ms from two seeds differs, from one seed repeats.
  const fs::path folder = scratch("times");
  fs::create_directories(folder);
  std::ofstream(folder / "times.txt") << "0\n29000\n30000\n";
  const std::string timed = "--pack '" + pack.string() + "' --times times.txt --hash --quiet";
  const RunResult s1 = runRenderer(timed + " --seed 1", folder);
  const RunResult s1again = runRenderer(timed + " --seed 1", folder);
  const RunResult s2 = runRenderer(timed + " --seed 2", folder);
  ASSERT_EQ(s1.status, 0) << s1.err;
  const std::vector<std::string> one = lines(s1.out), two = lines(s2.out);
  ASSERT_EQ(one.size(), 3u);
  ASSERT_EQ(two.size(), 3u);
  EXPECT_EQ(s1.out, s1again.out);
  EXPECT_EQ(one[0], "0 9fafc61a");
  EXPECT_EQ(one[0], two[0]);
  EXPECT_NE(one[2], two[2]);
  EXPECT_EQ(one[2].substr(0, 6), "30000 ");
}

// A --times list that reaches the show's end runs like the clock does: the end
// fade after it and, with --passes, the next pass; the progress announces what
// is presented. A list that ends earlier, or --until inside the pass, cannot
// give a second pass and is refused.
TEST(Render, TimesListWithPasses) {
  const fs::path pack = binFolder() / "data.dat";
  if (!fs::exists(pack)) GTEST_SKIP() << "no data.dat in " << binFolder() << " (content not generated)";
  const fs::path folder = scratch("times-passes");
  fs::create_directories(folder);
  // 80000 lies past the end frame of the pass and is never reached.
  std::ofstream(folder / "full.txt") << "0\n30000\n73000\n80000\n";
  std::ofstream(folder / "short.txt") << "0\n30000\n";
  const std::string base = "--pack '" + pack.string() + "' --hash ";
  const RunResult r = runRenderer(base + "--times full.txt --passes 2", folder);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> hashes = lines(r.out);
  ASSERT_EQ(hashes.size(), size_t(2 * (3 + 255)));
  for (size_t pass = 0; pass < 2; ++pass) {
    const size_t first = pass * (3 + 255);
    EXPECT_EQ(hashes[first].substr(0, 2), "0 ") << "pass " << pass + 1;
    EXPECT_EQ(hashes[first + 1].substr(0, 6), "30000 ") << "pass " << pass + 1;
    EXPECT_EQ(hashes[first + 257], "73000 9fafc61a") << "pass " << pass + 1 << " ends in the faded black";
  }
  const std::vector<std::string> progress = lines(r.err);
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back().rfind("frames 516/516 ", 0), 0u) << progress.back();

  RunResult refused = runRenderer(base + "--times short.txt --passes 2", folder);
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err,
            "morvex-render: --passes 2: short.txt ends at 30000 ms, before the show's end at 73000, so no pass "
            "after the first could start\n");
  EXPECT_EQ(refused.out, "");
  refused = runRenderer(base + "--until 500 --passes 3", folder);
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err, "morvex-render: --passes 3: --until 500 stops the render within the first pass\n");

  // One pass of the short list still ends after its last frame, as announced.
  const RunResult one = runRenderer(base + "--times short.txt", folder);
  ASSERT_EQ(one.status, 0) << one.err;
  EXPECT_EQ(lines(one.out).size(), 2u);
  EXPECT_EQ(lines(one.err).back().rfind("frames 2/2 ", 0), 0u);
}

// --flashes counts the frames the render presents: the show opens on black.
TEST(Render, FlashesOfTheOpening) {
  const fs::path pack = binFolder() / "data.dat";
  if (!fs::exists(pack)) GTEST_SKIP() << "no data.dat in " << binFolder() << " (content not generated)";
  const RunResult r = runRenderer("--pack '" + pack.string() + "' --flashes --until 1500 --quiet", scratch("flashes"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "morvex-render --flashes: 91 frames at 60 frames a second, without the end fade\n"
            "flashes over at least 341 x 256 pixels (a flash is two opposing transitions) in each second of the show\n"
            "second  general  red\n"
            "     0        0    0\n"
            "     1        0    0\n"
            "the most in any one second: 0 general, 0 red\n"
            "more than 3 in one second: never\n"
            "Flashes, counted frame by frame by the WCAG 2.x three-flashes measure over at least 341 x 256 pixels: at "
            "most 0 general and 0 red flashes in any one second, never more than three.\n");
}

}  // namespace
