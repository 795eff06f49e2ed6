#include "effects/zifri.h"

#include "data/assets.h"
#include "display/screen.h"
#include "effects/keyed.h"
#include "effects/setupchecks.h"
#include "music/clock.h"
#include "raster/blit.h"
#include "raster/stretch.h"

Image DigitsPic;
Image CurvePic;
int32_t DigitScrollY;

void initZifri() {
  requireMinSize(ZifriImage, "zifri.img", 2, 2);
  requireMinSize(CurveImage, "curve.img", 2, 2);
  // The stretch is clipped per pixel: the rows kept are those of the whole one.
  AllocImage(DigitsPic, 1280, DigitsShownRows);
  stretchBlit(DigitsPic, 0, 0, 1279, DigitsStretchHeight - 1, ZifriImage);
  // Every pixel opaque, also the last two columns and rows the stretch leaves at 0:
  // the scroll replaces the whole screen.
  makeOpaque(DigitsPic);
  buildKeyedPicture(CurvePic, CurveImage, 2 * CurveImage.width, 2 * CurveImage.height);
}

void drawZifri() {
  DigitScrollY = 44900 - DemoTime;
  blitClipped(Screen, 0, DigitScrollY, DigitsPic);
}

void drawZifriCurve() {
  // One formula for both windows: the second continues the scroll as if it had
  // run all along.
  DigitScrollY = 62520 - DemoTime;
  blitClipped(Screen, 0, DigitScrollY, DigitsPic);
  blitClippedKeyed(Screen, 0, 0, CurvePic, 0);
}

void freeZifri() {
  freeImage(DigitsPic);
  freeImage(CurvePic);
}
