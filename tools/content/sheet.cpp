#include "sheet.h"

#include <png.h>

#include <algorithm>
#include <cstdio>

#include "font.h"

namespace {

constexpr int Columns = 11, ThumbW = 168, ThumbH = 112, LabelH = 30, Pad = 8;
constexpr int CellW = ThumbW + Pad, CellH = ThumbH + LabelH + Pad;

// Grey levels as the show decodes them (16 v), with a dim blue where the
// picture is transparent (level 0) so keyed shapes stand out.
void putThumb(std::vector<uint8_t>& rgb, int sheetW, int ox, int oy, const Canvas& cv, bool& cropped) {
  // Pictures far taller than wide show their top part only.
  int srcH = cv.height;
  cropped = cv.height > 4 * cv.width;
  if (cropped) srcH = cv.width * ThumbH / ThumbW;
  const double scale = std::min({double(ThumbW) / cv.width, double(ThumbH) / srcH, 4.0});
  const int w = std::max(1, int(cv.width * scale)), h = std::max(1, int(srcH * scale));
  const int x0 = ox + (ThumbW - w) / 2, y0 = oy + (ThumbH - h) / 2;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      // Box filter over the source pixels under this thumbnail pixel.
      const int sx0 = int(x / scale), sx1 = std::max(sx0 + 1, int((x + 1) / scale));
      const int sy0 = int(y / scale), sy1 = std::max(sy0 + 1, int((y + 1) / scale));
      int sum = 0, n = 0, lit = 0;
      for (int sy = sy0; sy < sy1 && sy < cv.height; ++sy)
        for (int sx = sx0; sx < sx1 && sx < cv.width; ++sx) {
          const int l = levelOf(cv.v[size_t(sy) * cv.width + sx]);
          sum += l * 16;
          lit += l > 0;
          ++n;
        }
      uint8_t* p = &rgb[(size_t(y0 + y) * sheetW + (x0 + x)) * 3];
      if (!lit) {
        p[0] = 14, p[1] = 18, p[2] = 40;
      } else {
        const uint8_t g = uint8_t(sum / n);
        p[0] = p[1] = p[2] = g;
      }
    }
}

}  // namespace

static bool writePng(const std::string& path, const std::vector<uint8_t>& rgb, int W, int H);

bool writePicturePng(const std::string& path, const Canvas& cv) {
  std::vector<uint8_t> rgb(size_t(cv.width) * cv.height * 3);
  for (size_t i = 0; i < cv.v.size(); ++i)
    rgb[3 * i] = rgb[3 * i + 1] = rgb[3 * i + 2] = uint8_t(levelOf(cv.v[i]) * 16);
  return writePng(path, rgb, cv.width, cv.height);
}

bool writeContactSheet(const std::string& path, const std::vector<Canvas>& pictures) {
  const int rows = (int(pictures.size()) + Columns - 1) / Columns;
  const int W = Columns * CellW + Pad, H = rows * CellH + Pad;
  std::vector<uint8_t> rgb(size_t(W) * H * 3, 0);
  Canvas labels = makeCanvas(W, H);
  for (size_t i = 0; i < pictures.size(); ++i) {
    const int ox = Pad + int(i % Columns) * CellW, oy = Pad + int(i / Columns) * CellH;
    bool cropped = false;
    putThumb(rgb, W, ox, oy, pictures[i], cropped);
    char size[48];
    std::snprintf(size, sizeof size, "%d x %d%s", pictures[i].width, pictures[i].height, cropped ? " (top)" : "");
    drawTextCentred(labels, Pictures[i].name, 13, ox + ThumbW / 2.0, oy + ThumbH + 14, 1.0);
    drawTextCentred(labels, size, 10, ox + ThumbW / 2.0, oy + ThumbH + 27, 0.7);
  }
  for (size_t i = 0; i < labels.v.size(); ++i) {
    const int g = int(labels.v[i] * 255 + 0.5);
    if (g)
      rgb[i * 3] = rgb[i * 3 + 1] = uint8_t(std::max<int>(rgb[i * 3], g)),
              rgb[i * 3 + 2] = uint8_t(std::max<int>(rgb[i * 3 + 2], g / 2));
  }
  return writePng(path, rgb, W, H);
}

static bool writePng(const std::string& path, const std::vector<uint8_t>& rgb, int W, int H) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, png_uint_32(W), png_uint_32(H), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, 9);
  png_write_info(png, info);
  for (int y = 0; y < H; ++y) png_write_row(png, &rgb[size_t(y) * W * 3]);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}
