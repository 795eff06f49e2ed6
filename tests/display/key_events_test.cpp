// The key table as presents see it: batches of events between two presents.
#include <gtest/gtest.h>

#include "display/screen.h"

namespace {

constexpr uint8_t Escape = 9, Space = 65, Other = 38;

class KeyEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    KeyCodes = {Escape, Space};
    for (uint8_t& k : KeyDown) k = 0;
    beginKeyEvents();
  }
  void TearDown() override {
    beginKeyEvents();
    for (uint8_t& k : KeyDown) k = 0;
    KeyCodes = {0, 0};
  }
};

TEST_F(KeyEvents, ATapWithinOneBatchCountsForThatFrame) {
  // Escape, and any other key alike, pressed and released while one frame was
  // drawn: seen by that present, gone at the next.
  beginKeyEvents();
  for (const uint8_t key : {Escape, Other}) {
    keyPressed(key);
    keyReleased(key);
    EXPECT_EQ(KeyDown[key], 1) << int(key);
    beginKeyEvents();
    EXPECT_EQ(KeyDown[key], 0) << int(key);
  }
}

TEST_F(KeyEvents, HeldKeysAndAutoRepeat) {
  // Pressed in one batch, released in a later one: held in between, up at once.
  keyPressed(Escape);
  beginKeyEvents();
  EXPECT_EQ(KeyDown[Escape], 1);
  keyReleased(Escape);
  EXPECT_EQ(KeyDown[Escape], 0);
  // Auto-repeat sends release-press pairs while a key is held: it stays down.
  beginKeyEvents();
  keyPressed(Other);
  beginKeyEvents();
  keyReleased(Other);
  keyPressed(Other);
  keyReleased(Other);
  keyPressed(Other);
  EXPECT_EQ(KeyDown[Other], 1);
  beginKeyEvents();
  EXPECT_EQ(KeyDown[Other], 1);
  // Tap, then a fresh press in the same batch: still held afterwards.
  keyReleased(Other);
  beginKeyEvents();
  keyPressed(Other);
  keyReleased(Other);
  keyPressed(Other);
  beginKeyEvents();
  EXPECT_EQ(KeyDown[Other], 1);
}

TEST_F(KeyEvents, SpaceKeepsHeldSemantics) {
  // A tap of space between two presents freezes nothing.
  beginKeyEvents();
  keyPressed(Space);
  keyReleased(Space);
  EXPECT_EQ(KeyDown[Space], 0);
  // Held across presents it reads as held until its release.
  keyPressed(Space);
  beginKeyEvents();
  EXPECT_EQ(KeyDown[Space], 1);
  keyReleased(Space);
  EXPECT_EQ(KeyDown[Space], 0);
}

}  // namespace

// ---- scaled fullscreen: where the frame goes on a screen ----

TEST(ScaledFrameLayout, WholeFactorsCentredOnBlack) {
  struct Case {
    int32_t width, height;
    FrameLayout expected;
  };
  const Case cases[] = {
      {1280, 720, {1.0f, true, 0, 0, 1280, 720}},        // the frame's own size
      {1920, 1080, {1.0f, true, 320, 180, 1280, 720}},   // 1.5 is no whole factor
      {2560, 1440, {2.0f, true, 0, 0, 2560, 1440}},      //
      {3840, 2160, {3.0f, true, 0, 0, 3840, 2160}},      //
      {2560, 1600, {2.0f, true, 0, 80, 2560, 1440}},     // 16:10: bars above and below
      {3440, 1440, {2.0f, true, 440, 0, 2560, 1440}},    // ultra-wide: bars left and right
      {1366, 768, {1.0f, true, 43, 24, 1280, 720}},      // odd margins round down
      {5120, 2880, {4.0f, true, 0, 0, 5120, 2880}},      //
      {3839, 2160, {2.0f, true, 639, 360, 2560, 1440}},  // one column short of 3
  };
  for (const Case& c : cases) {
    const FrameLayout l = scaledFrameLayout(1280, 720, c.width, c.height);
    const std::string at = std::to_string(c.width) + " x " + std::to_string(c.height);
    EXPECT_EQ(l.zoom, c.expected.zoom) << at;
    EXPECT_EQ(l.whole, c.expected.whole) << at;
    EXPECT_EQ(l.left, c.expected.left) << at;
    EXPECT_EQ(l.top, c.expected.top) << at;
    EXPECT_EQ(l.width, c.expected.width) << at;
    EXPECT_EQ(l.height, c.expected.height) << at;
  }
}

TEST(ScaledFrameLayout, BelowTheFrameSizeKeepsTheAspect) {
  // 1024 x 768: the width is the tighter side, filled exactly; 576 rows centred.
  FrameLayout l = scaledFrameLayout(1280, 720, 1024, 768);
  EXPECT_FALSE(l.whole);
  EXPECT_FLOAT_EQ(l.zoom, 0.8f);
  EXPECT_EQ(l.width, 1024);
  EXPECT_EQ(l.height, 576);
  EXPECT_EQ(l.left, 0);
  EXPECT_EQ(l.top, 96);
  // 1280 x 600: the height is tighter; the width follows it, rounded down.
  l = scaledFrameLayout(1280, 720, 1280, 600);
  EXPECT_FALSE(l.whole);
  EXPECT_EQ(l.height, 600);
  EXPECT_EQ(l.width, 1066);  // 600 * 1280 / 720 = 1066.67
  EXPECT_EQ(l.left, 107);
  EXPECT_EQ(l.top, 0);
  EXPECT_LE(l.zoom * 1280, 1280.0f);
  // The drawn area never leaves the window, down to a tiny one.
  for (const int32_t w : {1, 2, 640, 800, 1279}) {
    for (const int32_t h : {1, 3, 360, 719, 2000}) {
      l = scaledFrameLayout(1280, 720, w, h);
      EXPECT_GE(l.left, 0);
      EXPECT_GE(l.top, 0);
      EXPECT_LE(l.left + l.width, w);
      EXPECT_LE(l.top + l.height, h);
      EXPECT_GE(l.width, 1);
      EXPECT_GE(l.height, 1);
    }
  }
}
