#include "font.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <tuple>
#include <vector>

const char* const FontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
const char* const MonoFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf";

static FT_Library Library = nullptr;
static FT_Face Faces[2] = {nullptr, nullptr};  // FontFace::SansBold, FontFace::MonoBold
static FT_Face Face = nullptr;                 // the sans face: text, kerning

// Rendered glyphs, kept because the digit strip draws thousands of them.
struct Glyph {
  int left = 0, top = 0, width = 0, rows = 0;
  double advance = 0;
  unsigned index = 0;
  std::vector<unsigned char> coverage;
};
static std::map<std::tuple<int, char, int, int>, Glyph> Glyphs;

void openFont() {
  if (Face) return;
  const char* paths[2] = {FontPath, MonoFontPath};
  if (FT_Init_FreeType(&Library) != 0) {
    std::fprintf(stderr, "morvex-content: cannot start FreeType\n");
    std::exit(1);
  }
  for (int i = 0; i < 2; ++i)
    if (FT_New_Face(Library, paths[i], 0, &Faces[i]) != 0) {
      std::fprintf(stderr, "morvex-content: cannot open the font %s (install fonts-dejavu-core)\n", paths[i]);
      std::exit(1);
    }
  Face = Faces[0];
}

void closeFont() {
  Glyphs.clear();
  for (FT_Face& f : Faces) {
    if (f) FT_Done_Face(f);
    f = nullptr;
  }
  if (Library) FT_Done_FreeType(Library);
  Face = nullptr;
  Library = nullptr;
}

static const Glyph& glyph(char c, int size, int xSize, FontFace font = FontFace::SansBold) {
  if (xSize <= 0) xSize = size;
  auto key = std::make_tuple(int(font), c, size, xSize);
  auto it = Glyphs.find(key);
  if (it != Glyphs.end()) return it->second;
  openFont();
  const FT_Face face = Faces[int(font)];
  FT_Set_Pixel_Sizes(face, FT_UInt(xSize), FT_UInt(size));
  Glyph g;
  g.index = FT_Get_Char_Index(face, FT_ULong(static_cast<unsigned char>(c)));
  if (FT_Load_Glyph(face, g.index, FT_LOAD_RENDER) == 0) {
    const FT_GlyphSlot s = face->glyph;
    g.left = s->bitmap_left;
    g.top = s->bitmap_top;
    g.width = int(s->bitmap.width);
    g.rows = int(s->bitmap.rows);
    g.advance = s->advance.x / 64.0;
    for (int r = 0; r < g.rows; ++r)
      for (int col = 0; col < g.width; ++col) g.coverage.push_back(s->bitmap.buffer[r * s->bitmap.pitch + col]);
  }
  return Glyphs.emplace(key, std::move(g)).first->second;
}

static double kerning(char prev, char c, int size, int xSize) {
  if (!prev || !FT_HAS_KERNING(Face)) return 0;
  FT_Set_Pixel_Sizes(Face, FT_UInt(xSize > 0 ? xSize : size), FT_UInt(size));
  FT_Vector k;
  FT_Get_Kerning(Face, glyph(prev, size, xSize).index, glyph(c, size, xSize).index, FT_KERNING_DEFAULT, &k);
  return k.x / 64.0;
}

double textWidth(const std::string& text, int size, int xSize) {
  double w = 0;
  char prev = 0;
  for (char c : text) {
    w += kerning(prev, c, size, xSize) + glyph(c, size, xSize).advance;
    prev = c;
  }
  return w;
}

static void blitGlyph(Canvas& cv, const Glyph& g, int ox, int oy, double a, Ink ink) {
  for (int r = 0; r < g.rows; ++r)
    for (int col = 0; col < g.width; ++col) {
      const unsigned char cov = g.coverage[size_t(r * g.width + col)];
      if (cov) paint(cv, ox + col, oy + r, cov / 255.0, a, ink);
    }
}

void drawText(Canvas& cv, const std::string& text, int size, double x, double baseline, double a, Ink ink, int xSize) {
  double pen = x;
  char prev = 0;
  for (char c : text) {
    pen += kerning(prev, c, size, xSize);
    const Glyph& g = glyph(c, size, xSize);
    blitGlyph(cv, g, int(std::lround(pen)) + g.left, int(std::lround(baseline)) - g.top, a, ink);
    pen += g.advance;
    prev = c;
  }
}

void drawTextCentred(Canvas& cv, const std::string& text, int size, double cx, double baseline, double a, Ink ink,
                     int xSize) {
  drawText(cv, text, size, cx - textWidth(text, size, xSize) / 2, baseline, a, ink, xSize);
}

GlyphBox glyphBox(char c, int size, int xSize, FontFace font) {
  const Glyph& g = glyph(c, size, xSize, font);
  return {g.left, g.top, g.width, g.rows};
}

void drawGlyphAt(Canvas& cv, char c, int size, int xSize, int inkLeft, int baseline, double a, FontFace font) {
  const Glyph& g = glyph(c, size, xSize, font);
  blitGlyph(cv, g, inkLeft, baseline - g.top, a, Ink::Max);
}
