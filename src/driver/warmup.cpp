#include "driver/warmup.h"

#include <chrono>
#include <vector>

#include "effects/polygon3d.h"
#include "raster/blit.h"
#include "raster/fade.h"
#include "raster/filter.h"
#include "raster/image.h"
#include "raster/stretch.h"

namespace {

constexpr int32_t Side = 112;  // about 12 500 pixels: every routine's loops run long

// A picture of its own on a vector, never through the pictures' shared blocks.
struct Scratch {
  std::vector<Color32> pixels;
  Image image;
  Scratch(int32_t width, int32_t height, Color32 seed) : pixels(size_t(width) * size_t(height)) {
    // Varied colours, black and alpha: every branch of the kernels is taken.
    Color32 v = seed;
    for (Color32& p : pixels) {
      v = v * 1664525u + 1013904223u;
      p = (v >> 7) & 3 ? v : 0;
    }
    image = {pixels.data(), width, height};
  }
};

void warmUpBlits(Image dst, Image src, Image half) {
  blitImage(dst, 3, 2, half);
  blitImageKeyed(dst, 5, 1, half, 0);
  grabImage(half, 7, 3, src);
  blitAlpha(dst, 2, 4, half);
  blitMix(dst, 1, 6, half, 100);
  blitAdd(dst, 4, 2, half);
  blitSub(dst, 6, 5, half);
  blitClipped(dst, -9, 20, src);
  blitClippedKeyed(dst, 30, -7, src, 0);
  blitClippedAdd(dst, -5, -3, src);
}

void warmUpStretches(Image dst, Image src, Image half) {
  // Enlarged (the sampled-row spans) and shrunk (the column-table rows).
  stretchBlit(dst, 0, 0, Side, Side, half);
  stretchBlitKeyed(dst, 2, 1, Side - 3, Side - 1, 0, half);
  stretchBlitAlpha(dst, 0, 3, Side, Side - 2, half);
  stretchBlitAdd(dst, 1, 0, Side - 1, Side, half);
  stretchBlit(half, 0, 0, Side / 2, Side / 2, src);
  stretchBlitKeyed(half, 0, 0, Side / 2, Side / 2, 0, src);
  stretchBlitAlpha(half, 0, 0, Side / 2, Side / 2, src);
  stretchBlitAdd(half, 0, 0, Side / 2, Side / 2, src);
  // Turned by angles whose samples lie inside and outside the picture.
  rotateBlit(dst, 0, 0, 17, src);
  rotateBlitKeyed(dst, 0, 0, 352, src, 0);
  rotateBlitAdd(dst, 0, 0, 101, src);
}

void warmUpRuns(Image dst, Image src, std::vector<uint8_t>& bytes) {
  const uint32_t n = uint32_t(dst.width) * uint32_t(dst.height);
  fillLongs(dst.pixels, n, 0xFF102030u);
  copyLongs(src.pixels, dst.pixels, n);
  copyOpaque(src.pixels, dst.pixels, n);
  keyBlackPixels(dst.pixels, n);
  clearBlackPixels(dst.pixels, n);
  fadePixels(dst.pixels, n);
  greyLevelPixels(dst.pixels, bytes.data(), n / 2);
  copyToRgba(src.pixels, bytes.data(), n);
}

}  // namespace

double warmUpDrawingCode(int32_t rounds, double capMs) {
  const auto start = std::chrono::steady_clock::now();
  Scratch dst(Side, Side, 1), src(Side, Side, 2), half(Side / 2, Side / 2, 3), tex(64, 64, 4);
  std::vector<uint8_t> bytes(size_t(Side) * Side * 4);
  std::vector<float> depth(size_t(Side) * Side);
  m3dScreenSide edges(Side);  // the filler's edge tables are the show's: a table of its own
  Vertex3D top{}, bottom{};
  top.sy = 0;
  top.sx = 3;
  top.w = 1.0;
  bottom.sy = Side - 1;
  bottom.sx = 90;
  bottom.z = 0.5;
  bottom.w = 0.25;
  bottom.u = 1.0f;
  bottom.v = 1.0f;
  for (int32_t round = 0; round < rounds; ++round) {
    warmUpBlits(dst.image, src.image, half.image);
    warmUpStretches(dst.image, src.image, half.image);
    warmUpRuns(dst.image, src.image, bytes);
    blurImage(dst.image);
    invertImage(dst.image);
    overlayBrightPixels(dst.image, tex.image, round * 7, round * 3);
    clearDepths(depth.data(), depth.size());
    fillScratchSpans(dst.pixels.data(), depth.data(), Side, Side, tex.image);
    scanEdge(edges, top, bottom);
    if (std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() >= capMs) break;
  }
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}
