#pragma once
// Internal to the stretched and rotated blits: the span kernels of each
// implementation level. stretch.cpp clips once per call and hands a kernel one
// row's visible span, so kernels never test coordinates.
#include "raster/image.h"
#include "raster/simd.h"

enum StretchMode : int32_t { StretchCopy, StretchKeyed, StretchAlpha, StretchAdd, StretchModeCount };

// dst[k] op= srcRow[cols[k]] for k < n; Keyed skips key, Alpha stores
// blendColors(p, d), Add stores addColors(p, d).
using StretchRowKernel = void (*)(Color32* dst, const Color32* srcRow, const uint32_t* cols, uint32_t n, Color32 key);

// dst[k] op= row[k] for k < n: a source row already sampled into a buffer, for
// enlargements that draw the same source row several times.
using SpanKernel = void (*)(Color32* dst, const Color32* row, uint32_t n, Color32 key);

// One row of a rotated blit: fy = float(row) - cy is fixed, fyC = fy * c, fyS = fy * s.
struct RotateRow {
  float s, c, cx, cy, fyC, fyS;
};
// For col = col0 .. col0 + n - 1: fx = float(col) - cx, sx = rint(((fx * s) - fyC) + cx),
// sy = rint(((fx * c) + fyS) + cy); dst[col - col0] op= src[sy * srcWidth + sx].
// Every sample of the span is inside the source (the caller made sure).
using RotateRowKernel = void (*)(Color32* dst, const Color32* src, int32_t srcWidth, int32_t col0, uint32_t n,
                                 const RotateRow& row, Color32 key);

struct StretchKernels {
  StretchRowKernel stretchRow[StretchModeCount];
  SpanKernel span[StretchModeCount];            // Copy unused
  RotateRowKernel rotateRow[StretchModeCount];  // Alpha unused
};

extern const StretchKernels StretchKernelsPortable;
// The copy row of every level: plain loads beat assembling vectors, and beat
// the gather instruction on some processors (this one is built without -mavx2,
// so the compiler cannot turn it into gathers).
void stretchCopyRow(Color32* dst, const Color32* srcRow, const uint32_t* cols, uint32_t n, Color32 key);
#if defined(__x86_64__) || defined(__i386__)
extern const StretchKernels StretchKernelsSse2;
extern const StretchKernels StretchKernelsAvx2;
#endif

// The literal routines, one sample at a time, exactly as documented in stretch.h.
void stretchBlitReference(Image dst, int32_t x1, int32_t y1, int32_t x2, int32_t y2, Image src);
void stretchBlitKeyedReference(Image dst, int32_t x1, int32_t y1, int32_t x2, int32_t y2, Color32 key, Image src);
void stretchBlitAlphaReference(Image dst, int32_t x1, int32_t y1, int32_t x2, int32_t y2, Image src);
void stretchBlitAddReference(Image dst, int32_t x1, int32_t y1, int32_t x2, int32_t y2, Image src);
void rotateBlitReference(Image dst, int32_t x, int32_t y, int32_t angle, Image src);
void rotateBlitKeyedReference(Image dst, int32_t x, int32_t y, int32_t angle, Image src, Color32 key);
void rotateBlitAddReference(Image dst, int32_t x, int32_t y, int32_t angle, Image src);
