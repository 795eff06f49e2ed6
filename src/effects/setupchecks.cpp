#include "effects/setupchecks.h"

#include "data/assets.h"

const char* assetName(const Image& img) {
  for (const AssetEntry& entry : AssetTable)
    if (entry.image == &img) return entry.name;
  return "?";
}

void checkAssetSize(const Image& img, int32_t minWidth, int32_t minHeight, int32_t maxWidth, int32_t maxHeight,
                    bool evenWidth) {
  const char* name = assetName(img);
  requireMinSize(img, name, minWidth, minHeight);
  requireMaxSize(img, name, maxWidth, maxHeight);
  if (evenWidth) requireEvenWidth(img, name);
}

void checkAssetMinSize(const Image& img) { requireMinSize(img, assetName(img), 2, 2); }

void makeOpaque(Image img) {
  // Each pixel is read and written once, so the order does not show: one run.
  if (img.width <= 0 || img.height <= 0) return;
  const size_t count = size_t(img.width) * size_t(img.height);
  copyOpaque(img.pixels, img.pixels, uint32_t(count));  // images hold fewer than 2^30 pixels
}
