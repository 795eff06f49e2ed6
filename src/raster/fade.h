#pragma once
// The end fade's step on a run of pixels: every red, green and blue byte above 0
// lowered by 1, alpha set to 255. The driver runs it over the whole Screen.
#include "raster/image.h"

// One pixel at a time through splitColor and makeColor: the reference.
void fadePixelsLiteral(Color32* p, uint32_t n);
// Two pixels per 64-bit word: a byte's "above 0" bit is its top bit or a carry
// out of its low seven bits, and exactly those bytes lose 1 (no borrows).
void fadePixelsPortable(Color32* p, uint32_t n);
// Sixteen bytes per step, a saturating subtract of 0x00010101 per pixel; false
// without SSE2.
bool fadePixelsSse2(Color32* p, uint32_t n);
// What RasterSimdLevel chooses: the literal loop at "none".
void fadePixels(Color32* p, uint32_t n);
