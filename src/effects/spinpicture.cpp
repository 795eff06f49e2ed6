#include "effects/spinpicture.h"

#include <climits>

#include "data/assets.h"
#include "display/screen.h"
#include "effects/keyed.h"
#include "effects/setupchecks.h"
#include "music/clock.h"
#include "raster/blit.h"
#include "raster/filter.h"
#include "raster/stretch.h"

Image SpinPictureImage;
int32_t SpinAngle = 0;

namespace {

bool within(int32_t from, int32_t to) { return from <= DemoTime && DemoTime <= to; }

void blendPicture() { blitAlpha(Screen, 0, 0, SpinPictureImage); }

void addTurnedPicture(int32_t origin) {
  SpinAngle = (DemoTime - origin) / 24;  // truncating towards zero
  rotateBlitAdd(Screen, 0, 0, SpinAngle, SpinPictureImage);
}

void plainWindow(int32_t from, int32_t to) {
  if (within(from, to)) blendPicture();
}

void spinWindow(int32_t from, int32_t to, int32_t origin) {
  if (!within(from, to)) return;
  blendPicture();
  addTurnedPicture(origin);
}

}  // namespace

void initSpinPicture() {
  checkAssetMinSize(ZeptorImage);
  buildKeyedPicture(SpinPictureImage, ZeptorImage, 1280, 720);
}

void drawSpinPicture1() {
  // The spin sub-windows lie inside the plain ones: one blend, one turned copy.
  if (within(34301, 35499)) {
    blendPicture();
    if (within(34921, 35419)) addTurnedPicture(34920);
  }
  if (within(36221, 36839)) {
    blendPicture();
    if (within(36341, 36759)) addTurnedPicture(36340);
  }
}

void drawSpinPicture2() {
  spinWindow(39161, 39639, 39160);
  plainWindow(39640, 39999);
}

void drawSpinPicture3() {
  plainWindow(44920, 44999);
  spinWindow(45001, 45399, 45000);
}

void drawSpinPicture4() {
  plainWindow(58400, 60639);
  spinWindow(60640, 61039, 60640);
  plainWindow(61040, 61119);
}

void drawSpinPicture5() { spinWindow(62000, INT32_MAX, 62000); }

void drawSpinPicture6() {
  plainWindow(66480, 66559);
  spinWindow(66560, 66959, 66560);
  plainWindow(66960, 67039);
}

void drawSpinPicture7() {
  plainWindow(67920, 67999);
  spinWindow(68000, 68479, 68000);
}

void freeSpinPicture() { freeImage(SpinPictureImage); }
