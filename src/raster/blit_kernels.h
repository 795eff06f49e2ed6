#pragma once
// Row kernels behind the hot blits. The blits clip and walk the rows; a kernel
// gets one already clipped span of n pixels (source and destination do not
// overlap, except when they are the very same pixels). The reference kernels are
// the literal per-pixel loops; faster ones must give the same pixels.
#include "raster/image.h"

struct BlitKernels {
  const char* name;
  void (*copy)(Color32* d, const Color32* s, uint32_t n);  // n is even
  void (*keyed)(Color32* d, const Color32* s, uint32_t n, Color32 key);
  void (*alpha)(Color32* d, const Color32* s, uint32_t n);           // blendColors(s, d)
  void (*mix)(Color32* d, const Color32* s, uint32_t n, uint8_t t);  // mixColors(s, d, t)
  void (*add)(Color32* d, const Color32* s, uint32_t n);             // addColors(s, d)
  void (*sub)(Color32* d, const Color32* s, uint32_t n);             // subColors(s, d)
  // addColors(s, d) with alpha 255; the reference walks the span right to left.
  void (*addOpaque)(Color32* d, const Color32* s, uint32_t n);
};

extern const BlitKernels ReferenceBlitKernels;
// What the blits call; chosen once at start-up by selectBlitKernels.
extern BlitKernels ActiveBlitKernels;

// Overwrites the entries of k that SSE2 does faster; false when the processor
// (or this build) has no SSE2.
bool loadSse2BlitKernels(BlitKernels& k);

// Levels "none" (the reference) and "sse2"; null or empty picks the best the
// processor runs. A level the processor lacks falls back to the best below it.
void selectBlitKernels(const char* level);
