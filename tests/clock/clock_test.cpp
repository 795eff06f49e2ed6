// The clock arithmetic: DemoTime and FrameStep from the music's byte position.
#include <gtest/gtest.h>

#include <cstdint>

#include "music/clock.h"

namespace {

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
