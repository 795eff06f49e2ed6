// The raster routines side by side with pixman, on the same buffers at the
// show's sizes: milliseconds per call of each and the ratio pixman / morvex
// (above 1.0: morvex is faster). The pixel formulas differ in places (pixman's
// OVER takes premultiplied colour, the keyed blit has no pixman twin and is
// timed against OVER of the same picture, whose key pixels have alpha 0), so
// this compares work, not results. Only this program links pixman.
//   morvex-bench-peers [rounds]   (default 15; each figure is the fastest round)
#include <pixman.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "data/assets.h"
#include "effects/keyed.h"
#include "raster/blit.h"
#include "raster/kernels.h"
#include "raster/stretch.h"

namespace {

constexpr int32_t Width = 1280, Height = 720;

pixman_image_t* wrap(Image img) {
  return pixman_image_create_bits(PIXMAN_a8r8g8b8, img.width, img.height, img.pixels, img.width * 4);
}

// Milliseconds per call: the fastest of rounds rounds of calls calls, the
// destination restored before each round. The fastest round is the one least
// disturbed by the other programs on the machine.
double fastestMs(const std::function<void()>& run, Image dst, Image background, int rounds, int calls) {
  const size_t bytes = size_t(dst.width) * size_t(dst.height) * 4;
  double best = 1e30;
  for (int r = 0; r < rounds; ++r) {
    std::memcpy(dst.pixels, background.pixels, bytes);
    run();  // warm
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < calls; ++i) run();
    const auto t1 = std::chrono::steady_clock::now();
    best = std::min(best, std::chrono::duration<double, std::milli>(t1 - t0).count() / calls);
  }
  return best;
}

// Source pixel = transform * destination pixel for a turn by degrees about the
// centres of both images.
pixman_transform_t turnTransform(double degrees, double dstCx, double dstCy, double srcCx, double srcCy) {
  const double rad = degrees * M_PI / 180.0, c = std::cos(rad), s = std::sin(rad);
  pixman_transform_t t;
  pixman_transform_init_identity(&t);
  t.matrix[0][0] = pixman_double_to_fixed(c);
  t.matrix[0][1] = pixman_double_to_fixed(s);
  t.matrix[0][2] = pixman_double_to_fixed(srcCx - (c * dstCx + s * dstCy));
  t.matrix[1][0] = pixman_double_to_fixed(-s);
  t.matrix[1][1] = pixman_double_to_fixed(c);
  t.matrix[1][2] = pixman_double_to_fixed(srcCy - (-s * dstCx + c * dstCy));
  return t;
}

Image shrunk(Image src, int32_t w, int32_t h) {
  Image out;
  AllocImage(out, uint32_t(w), uint32_t(h));
  stretchBlit(out, 0, 0, w + 1, h + 1, src);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  // The show's own pictures, built as its set-up builds them.
  loadAllImages();
  Image brain, spin, platine, lobotomi, background, dst;
  buildKeyedPicture(brain, BrainImage, Width, Height);
  buildKeyedPicture(spin, ZeptorImage, Width, Height);
  buildKeyedPicture(platine, Platine2Image, Width, Height);
  buildKeyedPicture(lobotomi, LobotomiImage, Width, Height);
  AllocImage(background, Width, Height);
  AllocImage(dst, Width, Height);
  stretchBlit(background, 0, 0, Width + 1, Height + 1, Wolke1Image);
  Image small = shrunk(background, 320, 200), medium = shrunk(spin, 640, 360);

  pixman_image_t* pDst = wrap(dst);
  pixman_image_t *pBrain = wrap(brain), *pSpin = wrap(spin), *pPlatine = wrap(platine), *pLobotomi = wrap(lobotomi);
  pixman_image_t *pSmall = wrap(small), *pMedium = wrap(medium), *pBackground = wrap(background);
  pixman_image_t* pSmallScaled = wrap(small);
  pixman_image_t* pMediumScaled = wrap(medium);
  pixman_image_t* pMediumTurned = wrap(medium);
  pixman_transform_t scale;
  pixman_transform_init_scale(&scale, pixman_double_to_fixed(320.0 / Width), pixman_double_to_fixed(200.0 / Height));
  pixman_image_set_transform(pSmallScaled, &scale);
  pixman_transform_init_scale(&scale, pixman_double_to_fixed(640.0 / Width), pixman_double_to_fixed(360.0 / Height));
  pixman_image_set_transform(pMediumScaled, &scale);
  const pixman_transform_t turn = turnTransform(30.0, Width / 2.0, Height / 2.0, 320.0, 180.0);
  pixman_image_set_transform(pMediumTurned, &turn);
  for (pixman_image_t* p : {pSmallScaled, pMediumScaled, pMediumTurned})
    pixman_image_set_filter(p, PIXMAN_FILTER_NEAREST, nullptr, 0);
  // The turned 640 x 360 picture covers at most this box around the centre.
  const int32_t turnW = 734, turnH = 632, turnX = (Width - turnW) / 2, turnY = (Height - turnH) / 2;

  struct Case {
    const char* name;
    int calls;
    std::function<void()> morvex, pixman;
  };
  const Case cases[] = {
      {"alpha (spin picture)", 20, [&] { blitAlpha(dst, 0, 0, spin); },
       [&] { pixman_image_composite32(PIXMAN_OP_OVER, pSpin, nullptr, pDst, 0, 0, 0, 0, 0, 0, Width, Height); }},
      {"keyed (flash brain)", 20, [&] { blitImageKeyed(dst, 0, 0, brain, 0); },
       [&] { pixman_image_composite32(PIXMAN_OP_OVER, pBrain, nullptr, pDst, 0, 0, 0, 0, 0, 0, Width, Height); }},
      {"add (flash platine2)", 20, [&] { blitAdd(dst, 0, 0, platine); },
       [&] { pixman_image_composite32(PIXMAN_OP_ADD, pPlatine, nullptr, pDst, 0, 0, 0, 0, 0, 0, Width, Height); }},
      {"clipped add (lobotomi)", 20, [&] { blitClippedAdd(dst, 0, 0, lobotomi); },
       [&] {
         pixman_image_composite32(PIXMAN_OP_ADD, pLobotomi, nullptr, pDst, 1, 1, 0, 0, 0, 0, Width - 1, Height - 1);
       }},
      {"copy", 20, [&] { blitImage(dst, 0, 0, background); },
       [&] { pixman_blt(background.pixels, dst.pixels, Width, Width, 32, 32, 0, 0, 0, 0, Width, Height); }},
      {"fill", 20, [&] { fillLongs(dst.pixels, uint32_t(Width * Height), 0xFF000000u); },
       [&] { pixman_fill(dst.pixels, Width, 32, 0, 0, Width, Height, 0xFF000000u); }},
      {"stretch 320x200 to 1280x720", 10, [&] { stretchBlit(dst, 0, 0, Width - 1, Height - 1, small); },
       [&] { pixman_image_composite32(PIXMAN_OP_SRC, pSmallScaled, nullptr, pDst, 0, 0, 0, 0, 0, 0, Width, Height); }},
      {"stretch 640x360 to 1280x720", 10, [&] { stretchBlit(dst, 0, 0, Width - 1, Height - 1, medium); },
       [&] { pixman_image_composite32(PIXMAN_OP_SRC, pMediumScaled, nullptr, pDst, 0, 0, 0, 0, 0, 0, Width, Height); }},
      {"rotate 640x360 by 30 degrees", 10, [&] { rotateBlit(dst, 320, 180, 30, medium); },
       [&] {
         pixman_image_composite32(PIXMAN_OP_OVER, pMediumTurned, nullptr, pDst, turnX, turnY, 0, 0, turnX, turnY, turnW,
                                  turnH);
       }},
  };

  std::printf("morvex level %s against pixman %s; ms per call, fastest of %d rounds\n",
              simdLevelName(ActiveKernels.level), pixman_version_string(), rounds);
  std::printf("%-30s %9s %9s %7s\n", "routine", "morvex", "pixman", "ratio");
  double worstRatio = 1e30;
  for (const Case& c : cases) {
    const double ours = fastestMs(c.morvex, dst, background, rounds, c.calls);
    const double theirs = fastestMs(c.pixman, dst, background, rounds, c.calls);
    worstRatio = std::min(worstRatio, theirs / ours);
    std::printf("%-30s %9.3f %9.3f %7.2f\n", c.name, ours, theirs, theirs / ours);
    std::fflush(stdout);
  }
  std::printf("lowest ratio %.2f (target: at least 1.00 everywhere)\n", worstRatio);

  for (pixman_image_t* p : {pDst, pBrain, pSpin, pPlatine, pLobotomi, pSmall, pMedium, pBackground, pSmallScaled,
                            pMediumScaled, pMediumTurned})
    pixman_image_unref(p);
  for (Image* img : {&brain, &spin, &platine, &lobotomi, &background, &dst, &small, &medium}) freeImage(*img);
  freeAllImages();
  return 0;
}
