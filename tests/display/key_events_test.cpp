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
