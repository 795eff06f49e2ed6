#include "effects/logo.h"

#include <algorithm>
#include <cmath>

#include "data/assets.h"
#include "display/screen.h"
#include "effects/keyed.h"
#include "effects/setupchecks.h"
#include "music/chance.h"
#include "music/clock.h"
#include "raster/numeric.h"
#include "raster/blit.h"
#include "raster/filter.h"
#include "raster/image.h"
#include "raster/stretch.h"

Image BigLogoImage;
Image LogoWorkImage;
Image LogoOutputImage;
Image LogoNoiseImage;
float LogoLevel = 0.0f;

namespace {

void buildLogo() {
  const int32_t width = roundToInt32(float(LogoImage.width) * 1.5f);
  const int32_t height = roundToInt32(float(LogoImage.height) * 1.5f);
  AllocImage(BigLogoImage, uint32_t(width), uint32_t(height));
  stretchBlit(BigLogoImage, 0, 0, width - 1, height - 1, LogoImage);
  keyBlackTransparent(BigLogoImage);
}

}  // namespace

void initLogo() {
  // The enlarged logo is blended unclipped at (200, 132): 720 x 392 at most keeps
  // it on the 1280 x 720 screen.
  checkAssetSize(LogoImage, 2, 2, 720, 392, false);
  checkAssetMinSize(DistImage);

  buildLogo();
  AllocImage(LogoWorkImage, uint32_t(BigLogoImage.width), uint32_t(BigLogoImage.height));
  AllocImage(LogoOutputImage, uint32_t(BigLogoImage.width), uint32_t(BigLogoImage.height));
  AllocImage(LogoNoiseImage, uint32_t(DistImage.width), uint32_t(DistImage.height));
  copyLongs(DistImage.pixels, LogoNoiseImage.pixels, uint32_t(DistImage.width * DistImage.height));
  invertImage(LogoNoiseImage);
}

void drawLogo() {
  const uint32_t count = uint32_t(BigLogoImage.width * BigLogoImage.height);
  copyLongs(BigLogoImage.pixels, LogoWorkImage.pixels, count);

  const int32_t t = DemoTime;
  if (t >= 16961 && t <= 28840 && LogoLevel < 255.0f)
    LogoLevel = float(std::min(255, t - 16960));
  else if (t >= 28841 && t <= 29479 && LogoLevel > 0.0f)
    LogoLevel = float(std::max(0, 255 - (t - 28840)));

  textureBrightPixels(LogoWorkImage, LogoNoiseImage, 8);
  fillLongs(LogoOutputImage.pixels, count, 0);
  blitMix(LogoOutputImage, 0, 0, LogoWorkImage, uint8_t(int32_t(std::floor(LogoLevel))));
  blurImage(LogoOutputImage);

  // What the blur left black becomes transparent.
  clearBlackPixels(LogoOutputImage.pixels, count);

  blitAlpha(Screen, LogoX, LogoY, LogoOutputImage);
}

void freeLogo() {
  freeImage(LogoWorkImage);
  freeImage(LogoOutputImage);
  freeImage(BigLogoImage);
  freeImage(LogoNoiseImage);
}
