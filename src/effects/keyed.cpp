#include "effects/keyed.h"

#include "raster/filter.h"
#include "raster/stretch.h"

void keyBlackTransparent(Image pic) {
  // Each pixel depends on itself alone: one run over the whole picture (an
  // image holds fewer than 2^30 pixels).
  if (pic.width <= 0 || pic.height <= 0) return;
  keyBlackPixels(pic.pixels, uint32_t(pic.width) * uint32_t(pic.height));
}

void buildKeyedPicture(Image& pic, Image src, int32_t width, int32_t height) {
  AllocImage(pic, uint32_t(width), uint32_t(height));
  stretchBlit(pic, 0, 0, width - 1, height - 1, src);
  blurImage(pic);
  keyBlackTransparent(pic);
}
