#include "display/screen.h"

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
