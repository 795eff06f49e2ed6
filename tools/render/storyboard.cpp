#include "storyboard.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>

#include "png_write.h"

const char* const StoryboardFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

void makeThumbnail(const Image& frame, std::vector<uint32_t>& thumb) {
  thumb.assign(size_t(ThumbWidth) * ThumbHeight, 0xFF000000u);
  const int32_t sx = frame.width / ThumbWidth, sy = frame.height / ThumbHeight;
  if (sx <= 0 || sy <= 0) return;
  const uint32_t n = uint32_t(sx * sy);
  for (int32_t ty = 0; ty < ThumbHeight; ++ty) {
    for (int32_t tx = 0; tx < ThumbWidth; ++tx) {
      uint32_t r = 0, g = 0, b = 0;
      for (int32_t y = ty * sy; y < (ty + 1) * sy; ++y) {
        for (int32_t x = tx * sx; x < (tx + 1) * sx; ++x) {
          const Color32 c = getPixel(frame, x, y);
          r += (c >> 16) & 0xFF;
          g += (c >> 8) & 0xFF;
          b += c & 0xFF;
        }
      }
      thumb[size_t(ty) * ThumbWidth + tx] = makeColor(uint8_t(r / n), uint8_t(g / n), uint8_t(b / n), 255);
    }
  }
}

namespace {

constexpr int32_t Columns = 6;
constexpr int32_t Gap = 10;
constexpr int32_t TitleHeight = 40;
constexpr int32_t LabelLines = 3;
constexpr int32_t LineHeight = 16;
constexpr int32_t CellHeight = ThumbHeight + 6 + LabelLines * LineHeight;
constexpr uint32_t Background = 0xFF1C1C1Cu;

struct Sheet {
  std::vector<uint32_t> pixels;
  int32_t width = 0, height = 0;
};

struct Font {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
};

int32_t textWidth(Font& font, const std::string& text) {
  int32_t w = 0;
  for (unsigned char ch : text) {
    if (FT_Load_Char(font.face, ch, FT_LOAD_DEFAULT) == 0) w += int32_t(font.face->glyph->advance.x >> 6);
  }
  return w;
}

// Draws text with its baseline at y, blending the glyph coverage over the sheet.
void drawText(Sheet& sheet, Font& font, int32_t x, int32_t y, const std::string& text, uint32_t color,
              int32_t maxRight) {
  const uint32_t cr = (color >> 16) & 0xFF, cg = (color >> 8) & 0xFF, cb = color & 0xFF;
  for (unsigned char ch : text) {
    if (FT_Load_Char(font.face, ch, FT_LOAD_RENDER) != 0) continue;
    const FT_GlyphSlot g = font.face->glyph;
    const FT_Bitmap& bm = g->bitmap;
    if (x + int32_t(g->advance.x >> 6) > maxRight) break;
    for (uint32_t by = 0; by < bm.rows; ++by) {
      for (uint32_t bx = 0; bx < bm.width; ++bx) {
        const int32_t px = x + g->bitmap_left + int32_t(bx), py = y - g->bitmap_top + int32_t(by);
        if (px < 0 || py < 0 || px >= sheet.width || py >= sheet.height) continue;
        const uint32_t a = bm.buffer[by * uint32_t(bm.pitch) + bx];
        uint32_t& d = sheet.pixels[size_t(py) * sheet.width + px];
        const uint32_t dr = (d >> 16) & 0xFF, dg = (d >> 8) & 0xFF, db = d & 0xFF;
        d = 0xFF000000u | ((cr * a + dr * (255 - a)) / 255) << 16 | ((cg * a + dg * (255 - a)) / 255) << 8 |
            ((cb * a + db * (255 - a)) / 255);
      }
    }
    x += int32_t(g->advance.x >> 6);
  }
}

// The routine names, broken after commas into lines that fit the cell.
std::vector<std::string> wrapNames(Font& font, const std::string& names, int32_t width) {
  std::vector<std::string> words, lines;
  std::string word;
  for (char ch : names) {
    if (ch == ',') {
      words.push_back(word + ",");
      word.clear();
    } else if (ch != ' ') {
      word += ch;
    }
  }
  if (!word.empty()) words.push_back(word);
  std::string line;
  for (const std::string& w : words) {
    const std::string candidate = line.empty() ? w : line + " " + w;
    if (!line.empty() && textWidth(font, candidate) > width) {
      lines.push_back(line);
      line = w;
    } else {
      line = candidate;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

}  // namespace

bool writeStoryboard(const std::string& path, const std::string& title, const std::vector<StoryCell>& cells,
                     std::string& error) {
  Font font;
  if (FT_Init_FreeType(&font.library) != 0) {
    error = "cannot start FreeType";
    return false;
  }
  if (FT_New_Face(font.library, StoryboardFont, 0, &font.face) != 0) {
    FT_Done_FreeType(font.library);
    error = std::string(StoryboardFont) + ": cannot load the label font (package fonts-dejavu-core)";
    return false;
  }

  Sheet sheet;
  const int32_t rows = std::max<int32_t>(1, (int32_t(cells.size()) + Columns - 1) / Columns);
  sheet.width = Gap + Columns * (ThumbWidth + Gap);
  sheet.height = TitleHeight + rows * (CellHeight + Gap);
  sheet.pixels.assign(size_t(sheet.width) * sheet.height, Background);

  FT_Set_Pixel_Sizes(font.face, 0, 18);
  drawText(sheet, font, Gap, 27, title, 0xFFFFFFFFu, sheet.width - Gap);

  for (size_t i = 0; i < cells.size(); ++i) {
    const StoryCell& cell = cells[i];
    const int32_t left = Gap + int32_t(i % Columns) * (ThumbWidth + Gap);
    const int32_t top = TitleHeight + int32_t(i / Columns) * (CellHeight + Gap);
    for (int32_t y = 0; y < ThumbHeight; ++y) {
      std::copy_n(cell.Thumb.begin() + size_t(y) * ThumbWidth, ThumbWidth,
                  sheet.pixels.begin() + size_t(top + y) * sheet.width + left);
    }
    const int32_t right = left + ThumbWidth;
    int32_t baseline = top + ThumbHeight + 4 + 12;
    FT_Set_Pixel_Sizes(font.face, 0, 13);
    drawText(sheet, font, left, baseline,
             "row " + std::to_string(cell.Row) + "   " + std::to_string(cell.DemoTime) + " ms", 0xFFFFD27Au, right);
    FT_Set_Pixel_Sizes(font.face, 0, 12);
    const std::vector<std::string> lines = wrapNames(font, cell.Names, ThumbWidth);
    for (size_t l = 0; l < lines.size() && l + 1 < size_t(LabelLines); ++l) {
      baseline += LineHeight;
      std::string text = lines[l];
      if (l + 2 == size_t(LabelLines) && l + 1 < lines.size()) text += " ...";
      drawText(sheet, font, left, baseline, text, 0xFFD8D8D8u, right);
    }
  }
  FT_Done_Face(font.face);
  FT_Done_FreeType(font.library);
  return writePngBgra(path, sheet.pixels.data(), sheet.width, sheet.height, 9, error);
}
