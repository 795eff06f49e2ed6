#pragma once
// The display unit's shared state: the frame every effect draws into and the
// keyboard table. Defined in a platform-free file so the show core can run headless.
#include <cstdint>
#include "raster/image.h"

extern Image Screen;             // 1280 x 720, allocated when the window opens
extern uint8_t KeyDown[256];     // 1 while the key with that X key code is held
extern uint8_t KeyPresses[256];  // presses seen per key code (wrapping): a press and its
                                 // release between two frames still counts once
extern bool WindowClosed;        // set when the window manager closes the window

// X key codes of the keys the driver reads; 0 when the keyboard has none.
struct KeyCodeTable {
  uint8_t Escape;
  uint8_t space;
};
extern KeyCodeTable KeyCodes;

// KeyDown from the key events the platform reads at each present, in the order
// they came. A key pressed and released within one present's batch stays down
// for that frame and goes up when the next batch begins, so a quick tap of
// Escape is never lost to a slow frame. The space bar keeps plain held
// semantics: a tap between two presents freezes nothing.
void beginKeyEvents();  // releases the keys tapped in the previous batch
void keyPressed(uint8_t code);
void keyReleased(uint8_t code);

// Where scaled fullscreen puts a frame of frameWidth x frameHeight in a window
// of windowWidth x windowHeight: the largest whole factor that fits, centred on
// black; where not even 1 fits, the largest factor below 1 that keeps the aspect
// (nearest-neighbour, so some rows and columns are left out), centred the same.
// left and top are the drawn area's offsets from the window's top-left corner.
struct FrameLayout {
  float zoom;
  bool whole;  // zoom is a whole number: every pixel becomes zoom x zoom
  int32_t left, top, width, height;
};
FrameLayout scaledFrameLayout(int32_t frameWidth, int32_t frameHeight, int32_t windowWidth, int32_t windowHeight);
