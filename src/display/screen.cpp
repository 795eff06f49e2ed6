#include "display/screen.h"

#include <algorithm>

Image Screen;
uint8_t KeyDown[256];
uint8_t KeyPresses[256];
bool WindowClosed = false;
KeyCodeTable KeyCodes = {0, 0};

// Per key code: pressed in the current batch; released after such a press.
static uint8_t PressedInBatch[256];
static uint8_t ReleaseAtNextBatch[256];

void beginKeyEvents() {
  for (int code = 0; code < 256; ++code) {
    if (ReleaseAtNextBatch[code]) KeyDown[code] = 0;
    ReleaseAtNextBatch[code] = 0;
    PressedInBatch[code] = 0;
  }
}

void keyPressed(uint8_t code) {
  KeyDown[code] = 1;
  KeyPresses[code]++;
  PressedInBatch[code] = 1;
  ReleaseAtNextBatch[code] = 0;
}

void keyReleased(uint8_t code) {
  if (PressedInBatch[code] && code != KeyCodes.space) {
    ReleaseAtNextBatch[code] = 1;
    return;
  }
  KeyDown[code] = 0;
}

FrameLayout scaledFrameLayout(int32_t frameWidth, int32_t frameHeight, int32_t windowWidth, int32_t windowHeight) {
  FrameLayout layout = {1.0f, true, 0, 0, frameWidth, frameHeight};
  if (frameWidth <= 0 || frameHeight <= 0 || windowWidth <= 0 || windowHeight <= 0) return layout;
  const int32_t factor = std::min(windowWidth / frameWidth, windowHeight / frameHeight);
  if (factor >= 1) {
    layout.zoom = float(factor);
    layout.width = factor * frameWidth;
    layout.height = factor * frameHeight;
  } else {
    // The side that fits tighter fills the window exactly; the other follows
    // the aspect, rounded down so it never spills over.
    layout.whole = false;
    if (int64_t(windowWidth) * frameHeight <= int64_t(windowHeight) * frameWidth) {
      layout.zoom = float(windowWidth) / float(frameWidth);
      layout.width = windowWidth;
      layout.height = std::max<int32_t>(1, int32_t(int64_t(windowWidth) * frameHeight / frameWidth));
    } else {
      layout.zoom = float(windowHeight) / float(frameHeight);
      layout.height = windowHeight;
      layout.width = std::max<int32_t>(1, int32_t(int64_t(windowHeight) * frameWidth / frameHeight));
    }
  }
  layout.left = (windowWidth - layout.width) / 2;
  layout.top = (windowHeight - layout.height) / 2;
  return layout;
}
