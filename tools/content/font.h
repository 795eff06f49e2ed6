#pragma once
// Text through FreeType, from DejaVu Sans Bold (Debian's fonts-dejavu-core);
// single glyphs also from DejaVu Sans Mono Bold, whose letters are drawn to fill
// equal cells (the show sets its words in fixed cells).
// Sizes are pixel heights of the em; xSize (0: the same) narrows or widens glyphs.
#include <string>

#include "canvas.h"

extern const char* const FontPath;
extern const char* const MonoFontPath;

enum class FontFace { SansBold, MonoBold };

// Loads the font once; ends the generator with a message if it is missing.
void openFont();
void closeFont();

// Width in pixels of ASCII text (advances, with kerning).
double textWidth(const std::string& text, int size, int xSize = 0);
// Draws text with its baseline starting at (x, baseline); the glyphs' 8-bit
// coverage goes through paint() with intensity a.
void drawText(Canvas& cv, const std::string& text, int size, double x, double baseline, double a, Ink ink = Ink::Max,
              int xSize = 0);
void drawTextCentred(Canvas& cv, const std::string& text, int size, double cx, double baseline, double a,
                     Ink ink = Ink::Max, int xSize = 0);

// Ink box of one glyph, relative to the pen on the baseline.
struct GlyphBox {
  int left, top, width, height;  // top: rows above the baseline
};
GlyphBox glyphBox(char c, int size, int xSize = 0, FontFace font = FontFace::SansBold);
// Draws one glyph with the left edge of its ink at x.
void drawGlyphAt(Canvas& cv, char c, int size, int xSize, int inkLeft, int baseline, double a,
                 FontFace font = FontFace::SansBold);
