#include "display/screen.h"

Image Screen;
uint8_t KeyDown[256];
uint8_t KeyPresses[256];
bool WindowClosed = false;
KeyCodeTable KeyCodes = {0, 0};
