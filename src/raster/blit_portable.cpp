// The portable row kernels of the blits: plain C++ on whole pixels with the
// lane arithmetic of swar.h, for every processor without kernels of its own
// instruction set (and as the level between the reference and those).
#include <cstring>

#include "raster/kernels.h"
#include "raster/swar.h"

namespace {

// Source and destination are apart or the very same pixels: a block copy.
void copySpanBlock(Color32* d, const Color32* s, uint32_t n) {
  if (d != s) std::memcpy(d, s, size_t(n) * sizeof(Color32));
}

// A select instead of a branch per pixel: keyed pictures mix key and colour
// in short runs, which a branch mispredicts.
void keyedPortable(Color32* d, const Color32* s, uint32_t n, Color32 key) {
  for (uint32_t i = 0; i < n; ++i) {
    const Color32 p = s[i];
    d[i] = p != key ? p : d[i];
  }
}

// Pictures keyed to alpha 0 or 255 take the short form; other alphas the full blend.
void alphaPortable(Color32* d, const Color32* s, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) {
    const Color32 p = s[i];
    d[i] = ((p >> 24) + 1) & 0xFEu ? swar::blend(p, d[i]) : swar::blendZeroOrFull(p, d[i]);
  }
}

void mixPortable(Color32* d, const Color32* s, uint32_t n, uint8_t t) {
  for (uint32_t i = 0; i < n; ++i) d[i] = swar::mix(s[i], d[i], t);
}

void addPortable(Color32* d, const Color32* s, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) d[i] = addColors(s[i], d[i]);
}

// Left to right: the spans of separate images (the reference's right-to-left
// order only shows where an image is added onto its own pixels).
void addOpaquePortable(Color32* d, const Color32* s, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) d[i] = addColors(s[i], d[i]) | 0xFF000000u;
}

void subPortable(Color32* d, const Color32* s, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) d[i] = swar::sub(s[i], d[i]);
}

}  // namespace

void addBlitPortable(RasterKernels& k) {
  k.blit.copy = copySpanBlock;
  k.blit.keyed = keyedPortable;
  k.blit.alpha = alphaPortable;
  k.blit.mix = mixPortable;
  k.blit.add = addPortable;
  k.blit.sub = subPortable;
  k.blit.addOpaque = addOpaquePortable;
}
