#include "effects/setupchecks.h"

#include "data/assets.h"

const char* assetName(const Image& img) {
  for (const AssetEntry& entry : AssetTable)
    if (entry.image == &img) return entry.name;
  return "?";
}

void checkAssetSize(const Image& img, int32_t minWidth, int32_t minHeight, int32_t maxWidth,
                    int32_t maxHeight, bool evenWidth) {
  const char* name = assetName(img);
  requireMinSize(img, name, minWidth, minHeight);
  requireMaxSize(img, name, maxWidth, maxHeight);
  if (evenWidth) requireEvenWidth(img, name);
}

void checkAssetMinSize(const Image& img) { requireMinSize(img, assetName(img), 2, 2); }

void makeOpaque(Image img) {
  for (int32_t y = 0; y < img.height; ++y) {
    for (int32_t x = 0; x < img.width; ++x) {
      uint8_t r = 0, g = 0, b = 0, a = 0;
      getPixelRGBA(img, x, y, r, g, b, a);
      putPixelRGBAClipped(img, x, y, r, g, b, 255);
    }
  }
}
