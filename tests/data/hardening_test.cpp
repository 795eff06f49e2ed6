// The failure hook the fuzz harnesses rely on, and the inputs the fuzzers
// found faults with (each fixed; the raw inputs are replayed from
// tests/fuzz/regressions as well).
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "data/assets.h"
#include "data/log.h"
#include "data/pack.h"
#include "raster/image.h"
#include "fixtures.h"

namespace {

struct Thrown {
  int status;
};
void throwStatus(int status) { throw Thrown{status}; }

class FailureHook : public ::testing::Test {
 protected:
  void SetUp() override { FailureExit = throwStatus; }
  void TearDown() override {
    FailureExit = saved_;
    closeDataPack();
  }
  // Runs body, which must end through the hook with status 1 after logging line.
  template <typename Body>
  void expectHooked(Body body, const std::string& line) {
    std::remove(LogFileName);
    int status = -1;
    try {
      body();
    } catch (const Thrown& t) {
      status = t.status;
    }
    EXPECT_EQ(status, 1) << line;
    EXPECT_EQ(readFile(LogFileName), line + "\n");
  }
  TempDir dir_{"morvex-hook"};
  FailureExitRoutine saved_ = FailureExit;
};

TEST_F(FailureHook, EveryFatalPathOfTheDataUnitEndsThroughIt) {
  expectHooked([] { fatalError("Could not connect to X server"); }, "Could not connect to X server");
  Image img;
  expectHooked([&] { AllocImage(img, 1u << 15, 1u << 15); }, "Unable to AllocImage!");
  expectHooked([] { openDataPack("missing.dat"); }, "Unable to open data file missing.dat");
  {
    std::ofstream("p.dat", std::ios::binary) << std::string(
        "\x05"
        "a.img\x02\x00\x00\x00xy",
        12);
  }
  openDataPack("p.dat");
  expectHooked([] { findPackEntry("b.img"); }, "File b.img not found in data file");
  TfileContent c;
  readPackFile("a.img", c);
  expectHooked([&] { decodeImage("a.img", c, img); }, "Corrupt image a.img: 2 bytes, shorter than its 8-byte header");
  Image empty;
  expectHooked([&] { requireMinSize(empty, "a.img", 2, 2); }, "Asset a.img is 0 x 0; it must be at least 2 x 2");
}

// A hook that returns would let the failed step run on with broken data.
TEST(FailureHookDeath, AHookThatReturnsStillEndsTheProcess) {
  EXPECT_DEATH(
      {
        FailureExit = [](int) {};
        exitOnFailure();
      },
      "");
}

}  // namespace
