#include "raster/depthspan.h"

#include "raster/numeric.h"

void depthSpanLiteral(Color32* dst, float* depth, uint32_t n, const DepthSpan& s, Image texture, Color32 key) {
  float z = s.z, w = s.w, u = s.u, v = s.v;
  for (uint32_t k = 0; k < n; ++k) {
    if (z < depth[k]) {
      const float q = 1.0f / w;
      const int32_t tx = roundToInt32(s.texW * (u * q));
      const int32_t ty = roundToInt32(s.texH * (v * q));
      const Color32 c = getPixelClipped(texture, tx, ty);
      if (c != key) dst[k] = c;
      depth[k] = z;
    }
    z += s.dz;
    w += s.dw;
    u += s.du;
    v += s.dv;
  }
}

void drawDepthSpan(Color32* dst, float* depth, uint32_t n, const DepthSpan& s, Image texture, Color32 key) {
  ActiveKernels.polygon.texturedSpan(dst, depth, n, s, texture, key);
}

void addPolygonReference(RasterKernels& k) { k.polygon.texturedSpan = depthSpanLiteral; }
