#pragma once
// Forms: "form1.img".."form3.img" as four tall keyed columns, and later
// "form4.img" at twice its size scrolling up from the bottom edge.
#include <cstdint>
#include "raster/image.h"

// FormPic[1..3]: 312 x 710; FormPic[4]: twice the size of "form4.img"; [0] unused.
extern Image FormPic[5];
extern int32_t FormScrollY;  // (65000 - DemoTime) div 2 + 720, truncating

void initForms();
// form1, form2, form3, form2 at x = 0, 320, 640, 960; all inside the screen.
void drawForms();
void drawFormsScroll();
void freeForms();
