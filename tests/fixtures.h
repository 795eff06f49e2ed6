#pragma once
// Helpers the test suites share.
#include <algorithm>
#include <cstdint>
#include <string>

#include "raster/image.h"
#include "raster/kernels.h"

// The whole file, bytes as they are ("" when it cannot be read).
std::string readFile(const std::string& path);
// Every pixel of Screen (which the test allocated) set to c.
void clearScreen(Color32 c);
// DemoTime = ms and FrameStep = step, as the clock sets them once per frame.
void setTime(int32_t ms, float step = 1.0f);

// A picture as the loader makes it: grey g = 16 * min(level(x, y), 15) in all
// four channels (makeColor(g, g, g, g)), the last row left transparent.
template <class Level>
void makeGreyAsset(Image& img, int32_t w, int32_t h, Level level) {
  freeImage(img);
  AllocImage(img, uint32_t(w), uint32_t(h));
  for (int32_t y = 0; y + 1 < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      uint8_t g = uint8_t(16 * std::min(uint32_t(level(uint32_t(x), uint32_t(y))), 15u));
      putPixel(img, x, y, makeColor(g, g, g, g));
    }
  }
}

// The blit span kernels by number, for comparing one table with another.
enum BlitSpanOp { opCopy, opKeyed, opAlpha, opMix, opAdd, opSub, opAddOpaque, opCount };
extern const char* const BlitSpanNames[opCount];
// Runs kernel op of k on n pixels (copy takes the even part: it moves pairs).
void runBlitSpan(const BlitSpanKernels& k, BlitSpanOp op, Color32* d, const Color32* s, uint32_t n, Color32 key,
                 uint8_t t);
