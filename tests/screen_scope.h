#pragma once
// Screen for one test that draws into it: a fresh 1280 x 720 image for the
// test's lifetime, freed at its end, so no test leaves the program-wide frame
// behind for the next one (or for the leak check at the end of the run).
#include "display/screen.h"
#include "raster/image.h"

struct ScreenScope {
  ScreenScope() {
    freeImage(Screen);
    AllocImage(Screen, 1280, 720);
  }
  ~ScreenScope() { freeImage(Screen); }
  ScreenScope(const ScreenScope&) = delete;
  ScreenScope& operator=(const ScreenScope&) = delete;
};
