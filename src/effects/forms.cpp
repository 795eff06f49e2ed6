#include "effects/forms.h"

#include "data/assets.h"
#include "display/screen.h"
#include "effects/keyed.h"
#include "music/clock.h"
#include "raster/blit.h"

Image FormPic[5];
int32_t FormScrollY;

void initForms() {
  requireMinSize(Form1Image, "form1.img", 2, 2);
  requireMinSize(Form2Image, "form2.img", 2, 2);
  requireMinSize(Form3Image, "form3.img", 2, 2);
  requireMinSize(Form4Image, "form4.img", 2, 2);
  buildKeyedPicture(FormPic[1], Form1Image, 312, 710);
  buildKeyedPicture(FormPic[2], Form2Image, 312, 710);
  buildKeyedPicture(FormPic[3], Form3Image, 312, 710);
  buildKeyedPicture(FormPic[4], Form4Image, 2 * Form4Image.width, 2 * Form4Image.height);
}

void drawForms() {
  blitImageKeyed(Screen, 0, 0, FormPic[1], 0);
  blitImageKeyed(Screen, 320, 0, FormPic[2], 0);
  blitImageKeyed(Screen, 640, 0, FormPic[3], 0);
  blitImageKeyed(Screen, 960, 0, FormPic[2], 0);
}

void drawFormsScroll() {
  // C++ division truncates toward zero: 65002 and 65003 both give 719.
  FormScrollY = (65000 - DemoTime) / 2 + 720;
  blitClippedKeyed(Screen, 64, FormScrollY, FormPic[4], 0);
}

void freeForms() {
  for (int i = 1; i <= 4; ++i) freeImage(FormPic[i]);
}
