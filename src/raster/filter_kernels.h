#pragma once
// Internal to the filters: the implementations of blurImage and of the texture
// overlay by level. All give the pixels of the literal routines.
#include "raster/image.h"
#include "raster/simd.h"

void blurImageReference(Image img);  // the literal scan, nine reads per pixel
void blurImagePortable(Image img);   // per-row sums, then the left-to-right chain
#if defined(__x86_64__) || defined(__i386__)
void blurImageSse2(Image img);
void blurImageAvx2(Image img);
#endif

// The pixel pass of textureBrightPixels at the current offsets (tex not empty).
void overlayBrightPixelsReference(Image dst, Image tex);
// row[x] = texRow[columns[x]] | 0xFF000000 where the red of row[x] is >= 240.
using BrightRowKernel = void (*)(Color32* row, const Color32* texRow, const uint32_t* columns, uint32_t n);
void brightRowPortable(Color32* row, const Color32* texRow, const uint32_t* columns, uint32_t n);
#if defined(__x86_64__) || defined(__i386__)
void brightRowSse2(Color32* row, const Color32* texRow, const uint32_t* columns, uint32_t n);
void brightRowAvx2(Color32* row, const Color32* texRow, const uint32_t* columns, uint32_t n);
#endif
// The same pixels, the texture column of every x found once per call and the
// texture row once per row.
void overlayBrightPixelsFast(Image dst, Image tex, BrightRowKernel rowKernel);
