#pragma once
// The end fade's step on a run of pixels: every red, green and blue byte above 0
// lowered by 1, alpha set to 255. The driver runs it over the whole Screen.
#include "raster/image.h"

// Through the kernel table (ActiveKernels.run.fade).
void fadePixels(Color32* p, uint32_t n);
// One pixel at a time through splitColor and makeColor: the reference.
void fadePixelsLiteral(Color32* p, uint32_t n);
