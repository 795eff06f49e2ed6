// The log, the small utilities and the clock arithmetic.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>

#include "data/log.h"
#include "data/util.h"
#include "music/clock.h"
#include "raster/numeric.h"
#include "fixtures.h"

namespace {

TEST(Log, LinesAppendAndTheOldLogIsRemoved) {
  char tmpl[] = "/tmp/morvex-log-XXXXXX";
  const std::string dir = mkdtemp(tmpl);
  ASSERT_EQ(chdir(dir.c_str()), 0);
  writeLog("first");
  writeLog("No best mode found!");
  EXPECT_EQ(readFile("logger.log"), "first\nNo best mode found!\n");
  deleteOldLog();
  EXPECT_FALSE(fileExists("logger.log"));
  deleteOldLog();  // nothing to remove is fine
  testing::internal::CaptureStdout();
  writeLogAndConsole("File x not found in data file");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "File x not found in data file\n");
  EXPECT_EQ(readFile("logger.log"), "File x not found in data file\n");
  std::remove("logger.log");

  // A log that cannot be written or removed never stops the program: the line
  // goes to standard error with the reason, and the program goes on.
  ASSERT_EQ(mkdir("logger.log", 0700), 0);
  ASSERT_EQ(mkdir("logger.log/inside", 0700), 0);  // a folder that remove() cannot take
  testing::internal::CaptureStderr();
  testing::internal::CaptureStdout();
  writeLog("x");
  writeLogAndConsole("Error reading file brain.img");
  deleteOldLog();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error reading file brain.img\n");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "x\nUnable to write logger.log: Is a directory\n"
            "Error reading file brain.img\nUnable to write logger.log: Is a directory\n"
            "Unable to remove the old logger.log: Directory not empty\n");
  rmdir("logger.log/inside");
  rmdir("logger.log");
  rmdir(dir.c_str());
}

TEST(Util, TextAndDigits) {
  EXPECT_EQ(intToText(0), "0");
  EXPECT_EQ(intToText(-2147483647 - 1), "-2147483648");
  EXPECT_EQ(parseDigits("7"), 7);
  EXPECT_EQ(parseDigits("1x2"), 12);
  EXPECT_EQ(parseDigits("-4a"), -4);
  EXPECT_EQ(parseDigits(""), 0);
  EXPECT_EQ(parseDigits("abc"), 0);
  EXPECT_EQ(parseDigits("-"), 0);
  char* s = toCString("Morvex");
  EXPECT_STREQ(s, "Morvex");
  delete[] s;
  int32_t a = 1, b = 2;
  swapInts(a, b);
  EXPECT_EQ(a, 2);
  EXPECT_EQ(b, 1);
  EXPECT_EQ(identityPointer(&a), &a);
  EXPECT_EQ(executableDirectory().back(), '/');
}

TEST(Util, AnglesAndSigns) {
  const float pi = float(M_PI);
  EXPECT_FLOAT_EQ(angleOf(1, 0), pi / 2);
  EXPECT_FLOAT_EQ(angleOf(-1, 0), -pi / 2);
  EXPECT_FLOAT_EQ(angleOf(0, -1), pi);
  EXPECT_FLOAT_EQ(angleOf(-1, -1), 5 * pi / 4);
  EXPECT_FLOAT_EQ(angleOf(1, 1), pi / 4);
  EXPECT_FLOAT_EQ(angleOf(1, std::nanf("")), pi / 2);
  EXPECT_EQ(signOf(-0.5f), -1.0f);
  EXPECT_EQ(signOf(0.0f), 1.0f);
  EXPECT_EQ(signOf(std::nanf("")), 1.0f);
  EXPECT_EQ(degToRad(180.0f), float(M_PI));
  EXPECT_EQ(degToRad(90.0f), float(M_PI / 2));
}

TEST(Numeric, RoundingTiesToEvenAndInvalidGivesMostNegative) {
  EXPECT_EQ(roundToInt32(0.5f), 0);
  EXPECT_EQ(roundToInt32(1.5f), 2);
  EXPECT_EQ(roundToInt32(2.5), 2);
  EXPECT_EQ(roundToInt32(-2.5), -2);
  EXPECT_EQ(roundToInt32(-0.5L), 0);
  for (double bad : {std::nan(""), 3e9, -3e9, double(INFINITY), 2147483647.5}) {
    EXPECT_EQ(roundToInt32(bad), INT32_MIN) << bad;
    EXPECT_EQ(roundToInt32(float(bad)), INT32_MIN) << bad;
    EXPECT_EQ(roundToInt32Portable(bad), INT32_MIN) << bad;
  }
  EXPECT_EQ(roundToInt32(-2147483648.4), INT32_MIN);
  EXPECT_EQ(roundToInt32(2147483647.4), INT32_MAX);
  EXPECT_EQ(roundToInt64(std::numeric_limits<long double>::quiet_NaN()), INT64_MIN);
  // The hardware conversions agree with the portable reference.
  uint64_t state = 12345;
  for (int i = 0; i < 100000; ++i) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    double d = double(int64_t(state >> 11) - (int64_t(1) << 52)) / double(1 << (state & 31));
    ASSERT_EQ(roundToInt32(d), roundToInt32Portable(d)) << d;
    ASSERT_EQ(roundToInt32(float(d)), roundToInt32Portable(float(d))) << d;
  }
}

uint64_t TestPosition = 0;
uint64_t testPosition() { return TestPosition; }

TEST(Clock, DemoTimeAndFrameStepFollowThePosition) {
  const MusicPositionSource saved = MusicPosition;
  MusicPosition = testPosition;
  PreviousDemoTime = 0;
  TestPosition = 11025;  // exactly 0.0625 s: the half goes to the even 62
  updateDemoTime();
  EXPECT_EQ(DemoTime, 62);
  EXPECT_FLOAT_EQ(FrameStep, 6.2f);  // the first step is DemoTime / 10
  TestPosition = 33075;              // 0.1875 s
  updateDemoTime();
  EXPECT_EQ(DemoTime, 188);
  EXPECT_FLOAT_EQ(FrameStep, 12.6f);
  TestPosition = 176682;  // 1.0016 s
  updateDemoTime();
  EXPECT_EQ(DemoTime, 1002);
  TestPosition = musicBytesForDemoTime(73004);
  updateDemoTime();
  TestPosition = 0;  // a new pass: one negative step
  updateDemoTime();
  EXPECT_EQ(DemoTime, 0);
  EXPECT_FLOAT_EQ(FrameStep, -7300.4f);
  EXPECT_EQ(PreviousDemoTime, 0);
  // Only the low 32 bits of the position count.
  TestPosition = (uint64_t(1) << 32) + 176400;
  updateDemoTime();
  EXPECT_EQ(MusicBytePos, 176400u);
  EXPECT_EQ(DemoTime, 1000);

  // Every millisecond of the show can be reached exactly from a byte position.
  for (int32_t ms = 0; ms <= 120000; ++ms) {
    TestPosition = musicBytesForDemoTime(ms);
    ASSERT_EQ(TestPosition % 4, 0u);
    updateDemoTime();
    ASSERT_EQ(DemoTime, ms);
  }
  EXPECT_EQ(musicSecondsToBytes(1.0), 176400u);
  EXPECT_EQ(musicSecondsToBytes(-1.0), 0u);
  EXPECT_DOUBLE_EQ(musicBytesToSeconds(88200), 0.5);
  MusicPosition = saved;
}

}  // namespace
