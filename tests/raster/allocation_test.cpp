// Frames allocate nothing: the working tables of the fast stretched blits and of
// the bright-pixel overlay must already cover a screen-wide span before the
// first frame draws one. Counted through the program's operator new, in a fresh
// process so that no earlier test has grown the tables.
#include <gtest/gtest.h>

#include <cstdlib>

#include "allocation_counter.h"
#include "music/chance.h"
#include "raster/filter.h"
#include "raster/image.h"
#include "raster/stretch.h"

namespace {

// The draws a frame makes onto the 1280 x 720 screen: zooms larger than the
// screen in every stretched mode, a picture turned over it, the overlay.
int allocationsOfScreenFrames() {
  Image screen, pic, tex;
  AllocImage(screen, 1280, 720);
  AllocImage(pic, 1280, 720);
  AllocImage(tex, 640, 400);
  for (int32_t i = 0; i < 1280 * 720; ++i) pic.pixels[i] = 0xFF000000u | uint32_t(i * 2654435761u);
  const long before = OperatorNewCalls.load();
  stretchBlitAdd(screen, -1, -1, 1281, 721, pic);
  stretchBlitKeyed(screen, -300, -200, 1600, 1000, 0, pic);
  stretchBlitAlpha(screen, -264, -528, 1544, 720, pic);
  stretchBlit(screen, -10, -10, 1300, 1300, pic);
  rotateBlitKeyed(screen, 0, 0, 352, pic, 0);
  textureBrightPixels(screen, tex, 5);
  const int count = int(OperatorNewCalls.load() - before);
  freeImage(screen);
  freeImage(pic);
  freeImage(tex);
  return count;
}

}  // namespace

TEST(FrameAllocations, ScreenWideDrawsAllocateNothing) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(std::exit(allocationsOfScreenFrames() == 0 ? 0 : 3), ::testing::ExitedWithCode(0), "");
}
