#pragma once
// The polygon filler's row: a perspective-correct textured span with a depth
// test (the contract is PolygonKernels::texturedSpan in kernels.h).
#include <cstdint>

#include "raster/image.h"
#include "raster/kernels.h"

// Through the kernel table of the active level.
void drawDepthSpan(Color32* dst, float* depth, uint32_t n, const DepthSpan& s, Image texture, Color32 key);
// The literal per-pixel loop: the reference, and the tail of the wider kernels.
void depthSpanLiteral(Color32* dst, float* depth, uint32_t n, const DepthSpan& s, Image texture, Color32 key);
