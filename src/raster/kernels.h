#pragma once
// The one table of raster kernels. At start-up it is filled with the literal
// reference of every routine, then each level the processor runs overwrites
// the entries it does faster, from the portable fast paths up to the widest
// instruction set. The routines call through ActiveKernels only; every level
// gives exactly the pixels of the reference.
//
// Adding a kernel: one entry here, its reference where the routine lives
// (blit.cpp, stretch.cpp, filter.cpp), and a line in the add* routine of each
// level file that has a faster one (*_sse2.cpp, *_avx2.cpp, ...). Adding an
// instruction set: one file per family and one add* routine, called from the
// architecture's kernels_<arch>.cpp, which CMake picks for the target.
#include <cstdint>
#include <vector>

#include "raster/image.h"

// The levels above portable belong to one architecture each; a build has
// none, portable and its own (simdLevelBuilt), rising with their number.
enum SimdLevel : int32_t {
  SimdNone = 0,      // the literal reference routines
  SimdPortable = 1,  // plain C++ with the per-call savings (tables, clipping once)
  SimdSse2 = 2,      // x86-64 baseline vector kernels
  SimdAvx2 = 3,      // 256-bit kernels
  SimdNeon = 4,      // aarch64 128-bit kernels (the levels of one build rise with their number)
  SimdSimd128 = 5,   // WebAssembly SIMD (the browser edition's second module)
  SimdLevelCount = 6
};

// Spans of the whole-image blits: n pixels, already clipped; source and
// destination do not overlap, except when they are the very same pixels.
struct BlitSpanKernels {
  void (*copy)(Color32* d, const Color32* s, uint32_t n);  // n is even
  void (*keyed)(Color32* d, const Color32* s, uint32_t n, Color32 key);
  void (*alpha)(Color32* d, const Color32* s, uint32_t n);           // blendColors(s, d)
  void (*mix)(Color32* d, const Color32* s, uint32_t n, uint8_t t);  // mixColors(s, d, t)
  void (*add)(Color32* d, const Color32* s, uint32_t n);             // addColors(s, d)
  void (*sub)(Color32* d, const Color32* s, uint32_t n);             // subColors(s, d)
  // addColors(s, d) with alpha 255; the reference walks the span right to left.
  void (*addOpaque)(Color32* d, const Color32* s, uint32_t n);
};

// Runs of whole pixels in one buffer: the frame clear, the pair copy and the
// end fade's step.
struct PixelRunKernels {
  void (*fill)(Color32* d, uint32_t count, Color32 value);     // the first 2 * (count div 2) pixels
  void (*copy)(const Color32* s, Color32* d, uint32_t count);  // pairs forwards; the runs may overlap
  void (*fade)(Color32* p, uint32_t n);                        // r, g, b above 0 lose 1; alpha 255
  // d[i] = s[i] | 0xFF000000; the runs are apart or the very same pixels.
  void (*opaque)(const Color32* s, Color32* d, uint32_t n);
  // p[i] = 0 where red, green and blue are all 0, else the colour with alpha 255.
  void (*keyBlack)(Color32* p, uint32_t n);
  // 4-bit grey levels, two to a byte, high nibble first: d[2i] and d[2i + 1]
  // from s[i], i < n; level v becomes v * 16 in all four channels.
  void (*greyLevels)(Color32* d, const uint8_t* s, uint32_t n);
  // d[4i..4i+3] = red, green, blue of s[i] and 255 (a canvas's RGBA bytes);
  // true when any of those bytes held another value before.
  bool (*rgba)(const Color32* s, uint8_t* d, uint32_t n);
  // p[i] = 0 where red, green and blue are all 0, else unchanged.
  void (*clearBlack)(Color32* p, uint32_t n);
};

enum StretchMode : int32_t { StretchCopy, StretchKeyed, StretchAlpha, StretchAdd, StretchModeCount };

// One row of a rotated blit: fy = float(row) - cy is fixed, fyC = fy * c, fyS = fy * s.
struct RotateRow {
  float s, c, cx, cy, fyC, fyS;
};

struct StretchKernels {
  // The whole routines: the literal ones at the reference level, the drivers
  // that clip once per call and hand the row kernels below one visible span
  // per row from the portable level on. Keyed takes key; the others ignore it.
  void (*blit[StretchModeCount])(Image dst, int32_t x1, int32_t y1, int32_t x2, int32_t y2, Image src, Color32 key);
  void (*rotateBlit[StretchModeCount])(Image dst, int32_t x, int32_t y, int32_t angle, Image src,
                                       Color32 key);  // no Alpha
  // dst[k] op= srcRow[cols[k]] for k < n; Keyed skips key, Alpha stores
  // blendColors(p, d), Add stores addColors(p, d).
  void (*row[StretchModeCount])(Color32* dst, const Color32* srcRow, const uint32_t* cols, uint32_t n, Color32 key);
  // dst[k] op= row[k] for k < n: a source row already sampled into a buffer,
  // for enlargements that draw the same source row several times (Copy unused).
  void (*span[StretchModeCount])(Color32* dst, const Color32* row, uint32_t n, Color32 key);
  // For col = col0 .. col0 + n - 1: fx = float(col) - cx, sx = rint(((fx * s) - fyC) + cx),
  // sy = rint(((fx * c) + fyS) + cy); dst[col - col0] op= src[sy * srcWidth + sx].
  // Every sample of the span is inside the source (the caller made sure). No Alpha.
  void (*rotateRow[StretchModeCount])(Color32* dst, const Color32* src, int32_t srcWidth, int32_t col0, uint32_t n,
                                      const RotateRow& r, Color32 key);
};

struct FilterKernels {
  void (*blur)(Image img);  // the whole in-place box blur
  // The pixel pass of the texture overlay at one offset (tex not empty): the
  // literal scan at the reference level, a table of texture columns and the
  // row kernel below from the portable level on.
  void (*brightOverlay)(Image dst, Image tex, int32_t offsetX, int32_t offsetY);
  // row[x] = texRow[columns[x]] | 0xFF000000 where the red of row[x] is >= 240.
  void (*brightRow)(Color32* row, const Color32* texRow, const uint32_t* columns, uint32_t n);
};

// One row of the polygon filler: a perspective-correct textured span with a
// depth test. Pixel k has the k-th running sums z_k = z_(k-1) + dz (in single,
// one addition per pixel, as are w, u and v).
struct DepthSpan {
  float z, w, u, v;      // at the first pixel
  float dz, dw, du, dv;  // the steps
  float texW, texH;      // float(texture width - 1), float(texture height - 1)
};

struct PolygonKernels {
  // For k < n where z_k < depth[k]: q = 1 / w_k, c = the texel at
  // (round(texW * (u_k * q)), round(texH * (v_k * q))), 0 outside the texture;
  // dst[k] = c unless c == key; depth[k] = z_k (also for the key).
  void (*texturedSpan)(Color32* dst, float* depth, uint32_t n, const DepthSpan& s, Image texture, Color32 key);
};

struct RasterKernels {
  SimdLevel level;
  BlitSpanKernels blit;
  PixelRunKernels run;
  StretchKernels stretch;
  FilterKernels filter;
  PolygonKernels polygon;
};

// What the raster routines call: the table of the level chosen at start-up,
// the best the processor offers, capped by MORVEX_SIMD ("none", "portable",
// "sse2", "avx2" on x86-64, "neon" on aarch64, "simd128" in the browser
// edition's SIMD module). Tests swap it with selectRasterLevel.
extern RasterKernels ActiveKernels;

// The best level this processor and this build run.
SimdLevel supportedSimdLevel();
const char* simdLevelName(SimdLevel level);
// The level a MORVEX_SIMD value asks for, capped at best; null or empty gives
// best, an unknown name or one of another processor a line on standard error
// and best.
SimdLevel requestedSimdLevel(const char* wanted, SimdLevel best);
// The levels this build runs on this processor, from `from` up, lowest first.
std::vector<SimdLevel> runnableSimdLevels(SimdLevel from = SimdNone);
// The table of a level: the reference, then every level up to it (levels the
// processor lacks are left out).
RasterKernels kernelsForLevel(SimdLevel level);
void selectRasterLevel(SimdLevel level);

// Each family's entries, one routine per level and family; a level routine
// overwrites only what it does faster.
void addBlitReference(RasterKernels& k);
void addRunReference(RasterKernels& k);
void addStretchReference(RasterKernels& k);
void addFilterReference(RasterKernels& k);
void addPolygonReference(RasterKernels& k);
void addBlitPortable(RasterKernels& k);
void addRunPortable(RasterKernels& k);
void addStretchPortable(RasterKernels& k);
void addFilterPortable(RasterKernels& k);
void addBlitSse2(RasterKernels& k);
void addRunSse2(RasterKernels& k);
void addStretchSse2(RasterKernels& k);
void addFilterSse2(RasterKernels& k);
void addBlitAvx2(RasterKernels& k);
void addRunAvx2(RasterKernels& k);
void addStretchAvx2(RasterKernels& k);
void addFilterAvx2(RasterKernels& k);
void addBlitNeon(RasterKernels& k);
void addRunNeon(RasterKernels& k);
void addStretchNeon(RasterKernels& k);
void addFilterNeon(RasterKernels& k);

// Per architecture (kernels_x86_64.cpp, kernels_aarch64.cpp,
// kernels_simd128.cpp, kernels_generic.cpp): whether the build has a level at all, the best level
// the processor runs, and the instruction-set levels up to level.
bool simdLevelBuilt(SimdLevel level);
void addBlitSimd128(RasterKernels& k);
void addRunSimd128(RasterKernels& k);
void addStretchSimd128(RasterKernels& k);
void addFilterSimd128(RasterKernels& k);
void addPolygonSimd128(RasterKernels& k);
SimdLevel processorSimdLevel();
void addInstructionSetKernels(RasterKernels& k, SimdLevel level);
