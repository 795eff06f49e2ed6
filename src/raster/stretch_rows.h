#pragma once
// Internal to the stretched and rotated blits: the per-sample row loops. They
// are the portable row kernels, and the instruction-set kernels finish their
// rows with them from the first column that no longer fills a whole vector.
#include "raster/kernels.h"
#include "raster/numeric.h"

// Internal linkage: the files that include this are built for different
// instruction sets, so no copy of these may be shared between them.
namespace {

template <StretchMode Mode>
inline void combine(Color32& d, Color32 p, Color32 key) {
  if constexpr (Mode == StretchCopy) d = p;
  if constexpr (Mode == StretchKeyed) {
    if (p != key) d = p;
  }
  if constexpr (Mode == StretchAlpha) d = blendColors(p, d);
  if constexpr (Mode == StretchAdd) d = addColors(p, d);
}

// The row kernels of kernels.h over k = from .. n - 1.
template <StretchMode Mode>
inline void stretchRowFrom(uint32_t from, Color32* dst, const Color32* srcRow, const uint32_t* cols, uint32_t n,
                           Color32 key) {
  for (uint32_t j = from; j < n; ++j) combine<Mode>(dst[j], srcRow[cols[j]], key);
}

template <StretchMode Mode>
inline void spanFrom(uint32_t from, Color32* dst, const Color32* row, uint32_t n, Color32 key) {
  for (uint32_t j = from; j < n; ++j) combine<Mode>(dst[j], row[j], key);
}

template <StretchMode Mode>
inline void rotateRowFrom(uint32_t from, Color32* dst, const Color32* src, int32_t srcWidth, int32_t col0, uint32_t n,
                          const RotateRow& r, Color32 key) {
  for (uint32_t k = from; k < n; ++k) {
    float fx = float(col0 + int32_t(k)) - r.cx;
    int32_t sx = roundToInt32(((fx * r.s) - r.fyC) + r.cx);
    int32_t sy = roundToInt32(((fx * r.c) + r.fyS) + r.cy);
    combine<Mode>(dst[k], src[uint32_t(sy) * uint32_t(srcWidth) + uint32_t(sx)], key);
  }
}

}  // namespace
