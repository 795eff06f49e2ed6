#include "effects/keyed.h"

#include "raster/filter.h"
#include "raster/stretch.h"

void keyBlackTransparent(Image pic) {
  // Each pixel depends on itself alone: one run over the whole picture.
  if (pic.width <= 0 || pic.height <= 0) return;
  const size_t count = size_t(pic.width) * size_t(pic.height);
  for (size_t i = 0; i < count; ++i) {
    const Color32 rgb = pic.pixels[i] & 0x00FFFFFFu;
    pic.pixels[i] = rgb == 0 ? 0u : rgb | 0xFF000000u;
  }
}

void buildKeyedPicture(Image& pic, Image src, int32_t width, int32_t height) {
  AllocImage(pic, uint32_t(width), uint32_t(height));
  stretchBlit(pic, 0, 0, width - 1, height - 1, src);
  blurImage(pic);
  keyBlackTransparent(pic);
}
