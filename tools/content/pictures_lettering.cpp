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
constexpr double DigitLevel = 5 / 15.0;

}  // namespace

void paintLetter(Canvas& cv, const PictureRecipe& recipe) {
  const std::string name = recipe.name;
  const char c = name == "minus.img" ? '-' : char(name[0] - 'a' + 'A');
  const int xs = letterXSize();
  const GlyphBox b = glyphBox(c, LetterSize, xs, LetterFace);
  Canvas glyph = makeCanvas(cv.width, cv.height);
  drawGlyphAt(glyph, c, LetterSize, xs, (cv.width - b.width) / 2, LetterBaseline, 1.0, LetterFace);
  // The rim at level 14, under the threshold of the noise fill, keeps its
  // grey; the core, one pixel in, at level 15 takes the texture. Where the
  // texture is dark, the rim still draws the letter.
  for (int y = 0; y < cv.height; ++y)
    for (int x = 0; x < cv.width; ++x) {
      const float g = glyph.v[size_t(y) * cv.width + x];
      if (g <= 0) continue;
      float core = g;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
          const int nx = x + dx, ny = y + dy;
          const bool inside = nx >= 0 && ny >= 0 && nx < cv.width && ny < cv.height;
          core = std::min(core, inside ? glyph.v[size_t(ny) * cv.width + nx] : 0.0f);
        }
      cv.v[size_t(y) * cv.width + x] = core > 0.5f ? 1.0f : float(g * 14 / 15.0);
    }
}

void paintDigit(Canvas& cv, const PictureRecipe& recipe) {
  const std::string name = recipe.name;
  const char c = name == "dot.img" ? '.' : name[0];
  int xs = DigitSize;
  while (glyphBox(c, DigitSize, xs).width > cv.width - 1) --xs;
  const GlyphBox b = glyphBox(c, DigitSize, xs);
  // Dark grey (level 5): the digit field is the background of the whole second
  // half, and the pictures added over it need the headroom.
  drawGlyphAt(cv, c, DigitSize, xs, (cv.width - b.width) / 2, DigitBaseline, DigitLevel);
}

void paintLogo(Canvas& cv, const PictureRecipe&) {
  const double W = cv.width, H = cv.height;
  // The near-black panel keeps the logo opaque over the digit field.
  drawPanel(cv, 6, 6, W - 6, H - 8);
  frameRect(cv, 6, 6, W - 6, H - 8, 5, 0.8);
  frameRect(cv, 16, 16, W - 16, H - 18, 3, 0.6);
  // The name as large as fits inside the inner frame with a margin of 30.
  int size = 128;
  while (textWidth("MORVEX", size) > W - 2 * (18 + 30)) --size;
  drawTextCentred(cv, "MORVEX", size, W / 2, 180, 1.0);
  line(cv, 60, 206, W - 60, 206, 4, 0.8);
  // Level 14: bright, but under the threshold of the noise fill, so it stays plain.
  drawTextCentred(cv, "dark monstrous cartoons", 32, W / 2, 252, 14 / 15.0);
  for (int i = 0; i < 12; ++i) fillCircle(cv, 70 + i * (W - 140) / 11, 276, 4, 0.7);
}

void paintEnd(Canvas& cv, const PictureRecipe&) {
  // The closing scene brightens every lit pixel of this picture and blurs it
  // frame after frame until it is white: bright letters on a near-black panel,
  // with wide black gaps round the rays, read for longest.
  const double W = cv.width, H = cv.height, cx = W / 2, cy = 150, r = 128;
  for (int i = 0; i < 24; ++i) {
    const double a = (i + 0.5) * Pi / 12;
    line(cv, cx + dm::cos(a) * (r + 16), cy + dm::sin(a) * (r + 16), cx + dm::cos(a) * 380, cy + dm::sin(a) * 380, 3,
         0.4);
  }
  // "THE END" as large as fits across the ring with a margin of 16 on each side.
  int size = 72;
  while (textWidth("THE END", size) > 2 * (r - 6 - 16)) --size;
  fillCircle(cv, cx, cy, r, PanelLevel, Ink::Over);
  ring(cv, cx, cy, r, 6, 0.8);
  drawTextCentred(cv, "THE END", size, cx, cy + size * 0.36, 1.0);
  drawTextCentred(cv, "MORVEX", 28, cx, cy + size * 0.36 + 46, 14 / 15.0);
  // The group's name on its own panel under the ring, clear of the rays.
  const double tw = textWidth("dark monstrous cartoons", 24);
  fillRect(cv, cx - tw / 2 - 12, H - 64, cx + tw / 2 + 12, H - 22, 0.0, Ink::Over);
  drawPanel(cv, cx - tw / 2 - 8, H - 60, cx + tw / 2 + 8, H - 26);
  drawTextCentred(cv, "dark monstrous cartoons", 24, cx, H - 35, 14 / 15.0);
}

void paintKurukulum(Canvas& cv, const PictureRecipe& s) {
  const double W = cv.width, H = cv.height;
  // The board: a near-black slate (opaque over the digits) in a wooden frame.
  drawPanel(cv, 4, 4, W - 4, H - 4);
  frameRect(cv, 4, 4, W - 4, H - 4, 8, 0.7);
  Canvas chalk = makeCanvas(cv.width, cv.height);
  if (std::string(s.name) == "kurukulum1.img") {
    // Formulas, the powers raised and small as a hand writes them.
    struct Term {
      const char* text;
      bool raised;
    };
    const std::vector<std::vector<Term>> lines = {
        {{"a", false}, {"2", true}, {" + b", false}, {"2", true}, {" = c", false}, {"2", true}},
        {{"sin x ~ x - x", false}, {"3", true}, {"/6", false}},
        {{"pi = 3.14159", false}},
        {{"E = mc", false}, {"2", true}},
    };
    for (size_t i = 0; i < lines.size(); ++i) {
      double x = 36 + 10 * (i % 2);
      const double baseline = 74 + double(i) * 66;
      for (const Term& t : lines[i]) {
        const int size = t.raised ? 24 : 40;
        drawText(chalk, t.text, size, x, t.raised ? baseline - 20 : baseline, 1.0);
        x += textWidth(t.text, size) + (t.raised ? 2 : 0);
      }
    }
  } else {
    // Geometry lesson: a right triangle with its sides named, a circle with its radius.
    polyline(chalk, {{44, 240}, {280, 240}, {280, 44}}, 5, 1.0, Ink::Max, true);
    frameRect(chalk, 256, 216, 280, 240, 3, 1.0);
    drawText(chalk, "a", 36, 292, 156, 1.0);
    drawText(chalk, "b", 36, 150, 284, 1.0);
    drawText(chalk, "c", 36, 120, 132, 1.0);
    ring(chalk, 452, 136, 92, 5, 1.0);
    line(chalk, 452, 136, 544, 136, 4, 1.0);
    fillCircle(chalk, 452, 136, 6, 1.0);
    drawText(chalk, "r", 34, 486, 124, 1.0);
    drawTextCentred(chalk, "A = pi r", 34, 440, 284, 1.0);
    drawText(chalk, "2", 22, 440 + textWidth("A = pi r", 34) / 2 + 2, 266, 1.0);
  }
  // Chalk: grainy strokes, a little brighter and darker along the line.
  const Noise grain{unsigned(s.seed + 7)};
  for (int y = 0; y < cv.height; ++y)
    for (int x = 0; x < cv.width; ++x) {
      const float c = chalk.v[size_t(y) * cv.width + x];
      if (c <= 0) continue;
      const double g = 0.8 + 0.2 * grain.fbm(x, y, 3, 2);
      paint(cv, x, y, c, g, Ink::Max);
    }
}

void paintSintable(Canvas& cv, const PictureRecipe& s) {
  const double W = cv.width, H = cv.height, mid = H / 2;
  const int variant = s.name[8] - '0';
  if (variant == 2) {
    // The curve with twelve sample points a period and their values written
    // on near-black labels, above the curve where it is high, below where it
    // is low: the labels of one row stay apart and clear of the curve.
    const double amp = 26;
    line(cv, 0, mid, W, mid, 3, 0.5);
    std::vector<Point> pts;
    for (int x = 0; x <= int(W); x += 2) pts.push_back({double(x), mid - dm::sin(x * 4 * Pi / W) * amp});
    polyline(cv, pts, 4, 1.0);
    for (int i = 0; i <= 12; ++i) {
      const double x = i * W / 12, v = dm::sin(i * Pi / 3);
      fillCircle(cv, x, mid - v * amp, 6, 1.0);
      char buf[16];
      std::snprintf(buf, sizeof buf, "%.2f", v);
      if (buf[0] == '-' && std::string(buf) == "-0.00") buf[0] = ' ';
      const bool top = v > 0.01 || (v > -0.01 && i % 6 == 0 && i > 0);
      const int size = 16;
      const double w = textWidth(buf, size);
      const double left = std::clamp(x - w / 2, 4.0, W - 4 - w);
      const double baseline = top ? 20 : H - 7;
      drawPanel(cv, left - 3, baseline - 15, left + w + 3, baseline + 4);
      drawText(cv, buf, size, left, baseline, 1.0);
    }
    return;
  }
  line(cv, 0, mid, W, mid, 1.5, 0.4);
  if (variant == 1) {
    // The table as bars: one bar per entry, height sin(2 pi i / 64).
    for (int i = 0; i < 64; ++i) {
      const double x = 6 + i * (W - 12) / 64, v = dm::sin(i * 2 * Pi / 32);
      fillRect(cv, x, std::min(mid, mid - v * (mid - 6)), x + (W - 12) / 64 - 3, std::max(mid, mid - v * (mid - 6)),
               0.55 + 0.4 * std::fabs(v));
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
        // Centred under its tick, but kept inside the ruler's frame.
        const std::string n = std::to_string(i / 10);
        const double half = textWidth(n, 18) / 2;
        const double at = std::clamp(x, 18 + half, W - 18 - half);
        drawTextCentred(cv, n, 18, at, r == 0 ? y0 + 62 : y1 - 44, 0.95);
      }
    }
  }
}

void paintZifri(Canvas& cv, const PictureRecipe& s) {
  // Columns of digits, as in a printout of an endless number; brightness
  // varies by column so the scrolling strip shows structure. Five whole groups
  // of eight: the largest size at which they fit the width.
  Rng rng(s.seed);
  constexpr int Groups = 5, Cols = Groups * 9 - 1;
  int size = 22;
  while (Cols * (textWidth("0", size) + 2) > cv.width - 8) --size;
  const int rowStep = 24;
  const double cell = textWidth("0", size) + 2;
  const double left = (cv.width - Cols * cell) / 2;
  for (int row = 0; (row + 1) * rowStep < cv.height - 2; ++row) {
    for (int c = 0; c < Cols; ++c) {
      if (c % 9 == 8) continue;  // gaps between the digit groups
      const char d = char('0' + rng.below(10));
      const double a = 0.45 + 0.55 * ((c / 9 + row / 12) % 2 ? 1.0 : 0.6);
      drawText(cv, std::string(1, d), size, left + c * cell, (row + 1) * rowStep, a);
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
