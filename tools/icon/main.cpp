// morvex-icon PACK OUT.png [SIZE]: the desktop icon, made from the logo picture
// of the asset pack: the logo scaled to fit a SIZE x SIZE square (default 256),
// centred on black, each icon pixel the mean of the logo pixels it covers.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../render/png_write.h"
#include "data/assets.h"
#include "data/pack.h"

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "usage: morvex-icon PACK OUT.png [SIZE]\n");
    return 1;
  }
  const int size = argc == 4 ? std::atoi(argv[3]) : 256;
  if (size < 16 || size > 1024) {
    std::fprintf(stderr, "morvex-icon: SIZE must be from 16 to 1024\n");
    return 1;
  }
  openDataPack(argv[1]);  // a pack failure ends the program with its message
  Image logo;
  loadImage("logo.img", logo);
  closeDataPack();
  const int32_t w = int32_t(logo.width), h = int32_t(logo.height);
  if (w < 1 || h < 1) {
    std::fprintf(stderr, "morvex-icon: the logo picture is empty\n");
    return 1;
  }
  // The logo's larger side spans the square, less a margin of 1/16 each side.
  const double inner = size * 7.0 / 8.0;
  const double scale = inner / std::max(w, h);
  const int outW = std::max(1, int(w * scale)), outH = std::max(1, int(h * scale));
  const int left = (size - outW) / 2, top = (size - outH) / 2;
  std::vector<uint32_t> icon(size_t(size) * size, 0xFF000000u);
  for (int y = 0; y < outH; ++y) {
    for (int x = 0; x < outW; ++x) {
      const int x0 = int(x / scale), x1 = std::max(x0 + 1, std::min(w, int((x + 1) / scale)));
      const int y0 = int(y / scale), y1 = std::max(y0 + 1, std::min(h, int((y + 1) / scale)));
      uint32_t sum[3] = {0, 0, 0}, n = 0;
      for (int sy = y0; sy < y1; ++sy) {
        for (int sx = x0; sx < x1; ++sx) {
          const uint32_t p = logo.pixels[size_t(sy) * size_t(w) + size_t(sx)];
          for (int c = 0; c < 3; ++c) sum[c] += (p >> (8 * c)) & 0xFF;
          ++n;
        }
      }
      uint32_t out = 0xFF000000u;
      for (int c = 0; c < 3; ++c) out |= (sum[c] / n) << (8 * c);
      icon[size_t(top + y) * size_t(size) + size_t(left + x)] = out;
    }
  }
  std::string error;
  if (!writePngBgra(argv[2], icon.data(), size, size, 9, error)) {
    std::fprintf(stderr, "morvex-icon: %s\n", error.c_str());
    return 1;
  }
  freeImage(logo);
  return 0;
}
