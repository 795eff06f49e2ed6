// Lettering: the letters and digits the show sets its words and numbers in, and
// the pictures that carry text (logo, end, blackboards, tables, ruler, printout).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "detmath.h"
#include "font.h"
#include "painters.h"

using dm::Rng;

namespace {

const char LetterSet[] = "ACDEIKLMNOPRSTUVY";
constexpr int LetterSize = 34, LetterBaseline = 27;
// The words are set in fixed 22-column cells, so the letters come from the
// monospaced face, whose glyphs are designed to fill equal cells: an I with
// serifs as wide as an M. Each letter's ink is centred in its cell.
constexpr FontFace LetterFace = FontFace::MonoBold;

// One horizontal scale for all letters: the widest that keeps every letter
// within 20 of its 22 columns, so the words keep one stroke weight.
int letterXSize() {
  static int xs = 0;
  if (xs) return xs;
  for (xs = 2 * LetterSize; xs > 8; --xs) {
    bool fits = true;
    for (const char* c = LetterSet; *c; ++c) fits = fits && glyphBox(*c, LetterSize, xs, LetterFace).width <= 20;
    if (fits) break;
  }
  return xs;
}

constexpr int DigitSize = 16, DigitBaseline = 12;

}  // namespace

void paintLetter(Canvas& cv, const PictureRecipe& recipe) {
  const std::string name = recipe.name;
  const char c = name == "minus.img" ? '-' : char(name[0] - 'a' + 'A');
  const int xs = letterXSize();
  const GlyphBox b = glyphBox(c, LetterSize, xs, LetterFace);
  drawGlyphAt(cv, c, LetterSize, xs, (cv.width - b.width) / 2, LetterBaseline, 1.0, LetterFace);
}

void paintDigit(Canvas& cv, const PictureRecipe& recipe) {
  const std::string name = recipe.name;
  const char c = name == "dot.img" ? '.' : name[0];
  int xs = DigitSize;
  while (glyphBox(c, DigitSize, xs).width > cv.width - 1) --xs;
  const GlyphBox b = glyphBox(c, DigitSize, xs);
  // Mid grey: the digit field is the background of the whole second half.
  drawGlyphAt(cv, c, DigitSize, xs, (cv.width - b.width) / 2, DigitBaseline, 0.6);
}

void paintLogo(Canvas& cv, const PictureRecipe&) {
  const double W = cv.width, H = cv.height;
  frameRect(cv, 6, 6, W - 6, H - 8, 4, 0.65);
  frameRect(cv, 16, 16, W - 16, H - 18, 2, 0.45);
  // The name as large as fits inside the inner frame with a margin of 30.
  int size = 128;
  while (textWidth("MORVEX", size) > W - 2 * (18 + 30)) --size;
  drawTextCentred(cv, "MORVEX", size, W / 2, 180, 1.0);
  line(cv, 60, 206, W - 60, 206, 4, 0.8);
  drawTextCentred(cv, "dark monstrous cartoons", 30, W / 2, 250, 0.75);
  for (int i = 0; i < 12; ++i) fillCircle(cv, 70 + i * (W - 140) / 11, 276, 4, 0.55);
}

void paintEnd(Canvas& cv, const PictureRecipe&) {
  // The closing scene adds this picture onto itself until it turns white, so
  // it is drawn dim and sparse: the words stay readable for longer.
  const double W = cv.width, H = cv.height, r = 140;
  for (int i = 0; i < 24; ++i) {
    const double a = (i + 0.5) * Pi / 12;
    line(cv, W / 2 + dm::cos(a) * (r + 14), H / 2 + dm::sin(a) * (r + 14), W / 2 + dm::cos(a) * 380,
         H / 2 + dm::sin(a) * 380, 2, 0.14);
  }
  ring(cv, W / 2, H / 2, r, 5, 0.45);
  // "THE END" as large as fits across the ring with a margin of 24 on each side.
  int size = 64;
  while (textWidth("THE END", size) > 2 * (r - 5 - 24)) --size;
  drawTextCentred(cv, "THE END", size, W / 2, H / 2 + size * 0.36, 0.62);
  drawTextCentred(cv, "MORVEX", 24, W / 2, H / 2 + size * 0.36 + 44, 0.4);
  drawTextCentred(cv, "dark monstrous cartoons", 20, W / 2, H - 20, 0.35);
}

void paintKurukulum(Canvas& cv, const PictureRecipe& s) {
  const double W = cv.width, H = cv.height;
  frameRect(cv, 4, 4, W - 4, H - 4, 8, 0.7);  // the board's frame
  if (std::string(s.name) == "kurukulum1.img") {
    const char* lines[] = {"a^2 + b^2 = c^2", "sin(x) ~ x - x^3/6", "pi = 3.14159...", "E = m c^2"};
    for (int i = 0; i < 4; ++i) drawText(cv, lines[i], 38, 30, 70 + i * 66, 0.95);
  } else {
    // Geometry lesson: right triangle, circle with radius, labels.
    polyline(cv, {{40, 270}, {290, 270}, {290, 60}}, 5, 1.0, Ink::Max, true);
    frameRect(cv, 266, 246, 290, 270, 2, 0.8);
    drawText(cv, "a", 30, 300, 175, 0.9);
    drawText(cv, "b", 30, 150, 305, 0.9);
    drawText(cv, "c", 30, 130, 150, 0.9);
    ring(cv, 460, 150, 95, 5, 1.0);
    line(cv, 460, 150, 555, 150, 3, 0.9);
    fillCircle(cv, 460, 150, 6, 1.0);
    drawText(cv, "r", 28, 495, 140, 0.9);
    drawTextCentred(cv, "A = pi r^2", 30, 460, 292, 0.95);
  }
}

void paintSintable(Canvas& cv, const PictureRecipe& s) {
  const double W = cv.width, H = cv.height, mid = H / 2;
  const int variant = s.name[8] - '0';
  line(cv, 0, mid, W, mid, 1.5, 0.4);
  if (variant == 1) {
    // The table as bars: one bar per entry, height sin(2 pi i / 64).
    for (int i = 0; i < 64; ++i) {
      const double x = 6 + i * (W - 12) / 64, v = dm::sin(i * 2 * Pi / 32);
      fillRect(cv, x, std::min(mid, mid - v * (mid - 6)), x + (W - 12) / 64 - 3, std::max(mid, mid - v * (mid - 6)),
               0.55 + 0.4 * std::fabs(v));
    }
  } else if (variant == 2) {
    // The curve with its sample points and the values written beside them.
    std::vector<Point> pts;
    for (int x = 0; x <= int(W); x += 2) pts.push_back({double(x), mid - dm::sin(x * 4 * Pi / W) * (mid - 14)});
    polyline(cv, pts, 3, 1.0);
    for (int i = 0; i <= 16; ++i) {
      const double x = i * W / 16, v = dm::sin(x * 4 * Pi / W);
      fillCircle(cv, x, mid - v * (mid - 14), 5, 0.85);
      char buf[16];
      std::snprintf(buf, sizeof buf, "%.2f", v);
      drawText(cv, buf, 11, x + 4, v > 0 ? mid + 14 : mid - 6, 0.6);
    }
  } else {
    // Sine and cosine, crossing, over a dot grid.
    for (int y = 8; y < H; y += 16)
      for (int x = 8; x < W; x += 16) fillCircle(cv, x, y, 1.2, 0.35);
    std::vector<Point> a, b;
    for (int x = 0; x <= int(W); x += 2) {
      a.push_back({double(x), mid - dm::sin(x * 6 * Pi / W) * (mid - 10)});
      b.push_back({double(x), mid - dm::cos(x * 6 * Pi / W) * (mid - 10)});
    }
    polyline(cv, a, 5, 1.0);
    polyline(cv, b, 3, 0.7);
  }
}

void paintLineyka(Canvas& cv, const PictureRecipe&) {
  const double W = cv.width;
  for (int r = 0; r < 2; ++r) {
    const double y0 = r == 0 ? 60 : 220, y1 = y0 + 90;
    fillRect(cv, 12, y0, W - 12, y1, 0.3);
    frameRect(cv, 12, y0, W - 12, y1, 3, 0.9);
    const double step = (W - 48) / 150;
    for (int i = 0; i <= 150; ++i) {
      const double x = 24 + i * step, len = i % 10 == 0 ? 36 : (i % 5 == 0 ? 24 : 14);
      if (r == 0)
        line(cv, x, y0 + 2, x, y0 + len, 2, 1.0);
      else
        line(cv, x, y1 - 2, x, y1 - len, 2, 1.0);
      if (i % 10 == 0) {
        const std::string n = std::to_string(i / 10);
        drawTextCentred(cv, n, 18, x, r == 0 ? y0 + 62 : y1 - 44, 0.95);
      }
    }
  }
}

void paintZifri(Canvas& cv, const PictureRecipe& s) {
  // Columns of digits, as in a printout of an endless number; brightness
  // varies by column so the scrolling strip shows structure.
  Rng rng(s.seed);
  const int size = 22, rowStep = 24;
  const double cell = textWidth("0", size) + 2;
  const int cols = int((cv.width - 8) / cell);
  for (int row = 0; (row + 1) * rowStep < cv.height - 2; ++row) {
    for (int c = 0; c < cols; ++c) {
      if (c % 9 == 8) continue;  // gaps between the digit groups
      const char d = char('0' + rng.below(10));
      const double a = 0.45 + 0.55 * ((c / 9 + row / 12) % 2 ? 1.0 : 0.6);
      drawText(cv, std::string(1, d), size, 4 + c * cell, (row + 1) * rowStep, a);
    }
  }
}

void paintThreeD(Canvas& cv, const PictureRecipe&) {
  const double W = cv.width, H = cv.height;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      if ((x + y) % 2) fillRect(cv, x * W / 8, y * H / 8, (x + 1) * W / 8, (y + 1) * H / 8, 0.3);
  frameRect(cv, 2, 2, W - 2, H - 2, 6, 1.0);
  drawTextCentred(cv, "3D", 120, W / 2 + 4, H / 2 + 46, 0.25, Ink::Over);  // drop shadow
  drawTextCentred(cv, "3D", 120, W / 2 - 4, H / 2 + 40, 1.0, Ink::Over);
}

void paintGraf(Canvas& cv, const PictureRecipe&) {
  const double W = cv.width, H = cv.height, ox = 60, oy = H - 50;
  for (int x = int(ox); x < W - 20; x += 40) line(cv, x, 30, x, oy, 1, 0.3);
  for (int y = int(oy); y > 30; y -= 40) line(cv, ox, y, W - 30, y, 1, 0.3);
  line(cv, ox, oy, W - 30, oy, 4, 1.0);
  line(cv, ox, oy, ox, 24, 4, 1.0);
  fillPolygon(cv, {{W - 30, oy - 10}, {W - 8, oy}, {W - 30, oy + 10}}, 1.0);
  fillPolygon(cv, {{ox - 10, 26}, {ox, 4}, {ox + 10, 26}}, 1.0);
  for (int i = 0; i < 12; ++i) {
    const double x = ox + 20 + i * 44, h = (oy - 40) * (0.2 + 0.3 * (1 + dm::sin(i * 0.7)) / 2);
    fillRect(cv, x, oy - h, x + 24, oy - 2, 0.45);
  }
  std::vector<Point> curve;
  for (int x = int(ox); x < W - 40; x += 2) {
    const double t = (x - ox) / (W - ox);
    curve.push_back({double(x), oy - 20 - (oy - 60) * (0.5 + 0.45 * dm::exp(-t * 2.2) * dm::cos(t * 18))});
  }
  polyline(cv, curve, 5, 1.0);
  drawText(cv, "x", 30, W - 44, oy + 40, 0.9);
  drawText(cv, "y", 30, ox + 16, 30, 0.9);
}
