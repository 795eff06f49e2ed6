#include "effects/ending.h"

#include "data/assets.h"
#include "display/screen.h"
#include "music/clock.h"
#include "raster/filter.h"
#include "raster/numeric.h"
#include "raster/stretch.h"

Image endImage;
float endLeft = 0.0f;
int32_t endTop = 0;
float endRightOffset = 0.0f;
int32_t endBottomOffset = 0;

void initEnding() {
  requireMinSize(EndImage, "end.img", 2, 2);
  blurImage(EndImage);
  AllocImage(endImage, uint32_t(EndImage.width), uint32_t(EndImage.height));
}

void resetEnding() {
  // Pixel pairs: with an odd count the last pixel is not copied. It keeps the 0
  // it was allocated with, which brightening and the blur (a corner) never
  // change, so every pass still starts from the same picture.
  copyLongs(EndImage.pixels, endImage.pixels, uint32_t(EndImage.width) * uint32_t(EndImage.height));
}

void brightenEnding() {
  for (int32_t y = 0; y < endImage.height; ++y) {
    for (int32_t x = 0; x < endImage.width; ++x) {
      uint32_t g = (getPixel(endImage, x, y) >> 16) & 0xFF;
      if (g != 0) {
        g += 4;
        if (g >= 255) g = 255;
      }
      putPixel(endImage, x, y, g * 0x01010101u);
    }
  }
}

void drawEnding() {
  endLeft = static_cast<float>(double(69520 - DemoTime) * 2.5);
  endTop = (69520 - DemoTime) * 2;
  endRightOffset = static_cast<float>(2 * DemoTime - 139040);
  endBottomOffset = 2 * DemoTime - 139040;
  brightenEnding();
  blurImage(endImage);
  stretchBlitKeyed(Screen, roundToInt32(endLeft), endTop, roundToInt32(1280.0f + endRightOffset), 720 + endBottomOffset,
                   0, endImage);
}

void freeEnding() { freeImage(endImage); }
