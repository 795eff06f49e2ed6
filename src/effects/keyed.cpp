#include "effects/keyed.h"

#include "raster/filter.h"
#include "raster/stretch.h"

void keyBlackTransparent(Image pic) {
  for (int32_t y = 0; y < pic.height; ++y) {
    for (int32_t x = 0; x < pic.width; ++x) {
      uint8_t r = 0, g = 0, b = 0, a = 0;
      getPixelRGBA(pic, x, y, r, g, b, a);
      a = (r == 0 && g == 0 && b == 0) ? 0 : 255;
      putPixelRGBAClipped(pic, x, y, r, g, b, a);
    }
  }
}

void buildKeyedPicture(Image& pic, Image src, int32_t width, int32_t height) {
  AllocImage(pic, uint32_t(width), uint32_t(height));
  stretchBlit(pic, 0, 0, width - 1, height - 1, src);
  blurImage(pic);
  keyBlackTransparent(pic);
}
