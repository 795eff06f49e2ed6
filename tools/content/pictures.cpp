#include "pictures.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "detmath.h"
#include "font.h"

using dm::Rng;

namespace {

constexpr double Pi = dm::Pi;

double clamp01(double x) { return x < 0 ? 0 : (x > 1 ? 1 : x); }

// ---------------------------------------------------------------- glyphs

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

void paintLetter(Canvas& cv, const PictureRecipe& recipe) {
  const std::string name = recipe.name;
  const char c = name == "minus.img" ? '-' : char(name[0] - 'a' + 'A');
  const int xs = letterXSize();
  const GlyphBox b = glyphBox(c, LetterSize, xs, LetterFace);
  drawGlyphAt(cv, c, LetterSize, xs, (cv.width - b.width) / 2, LetterBaseline, 1.0, LetterFace);
}

constexpr int DigitSize = 16, DigitBaseline = 12;

void paintDigit(Canvas& cv, const PictureRecipe& recipe) {
  const std::string name = recipe.name;
  const char c = name == "dot.img" ? '.' : name[0];
  int xs = DigitSize;
  while (glyphBox(c, DigitSize, xs).width > cv.width - 1) --xs;
  const GlyphBox b = glyphBox(c, DigitSize, xs);
  // Mid grey: the digit field is the background of the whole second half.
  drawGlyphAt(cv, c, DigitSize, xs, (cv.width - b.width) / 2, DigitBaseline, 0.6);
}

// ---------------------------------------------------------------- shared motifs

// A side view of a brain, facing left: the cortex folded into gyri (the
// contour lines of smooth noise make convincing sulci), the lateral fissure,
// the striped cerebellum under the back and a short stem.
void drawBrain(Canvas& cv, double cx, double cy, double rx, double ry, unsigned seed, double bright = 1.0,
               bool cortexOnly = false) {
  // Stem and cerebellum first, the cortex overlaps them.
  if (!cortexOnly) {
    fillPolygon(cv,
                {{cx + rx * 0.12, cy + ry * 0.45},
                 {cx + rx * 0.34, cy + ry * 0.45},
                 {cx + rx * 0.3, cy + ry * 1.05},
                 {cx + rx * 0.18, cy + ry * 1.05}},
                0.5 * bright);
    // The cerebellum: fine folia bending round its rounded lower back.
    const double ex = cx + rx * 0.58, ey = cy + ry * 0.6, erx = rx * 0.34, ery = ry * 0.3;
    fillEllipse(cv, ex, ey, erx, ery, 0.6 * bright);
    for (int i = 1; i <= 7; ++i) {
      const double k = i / 8.0;
      std::vector<Point> folium;
      for (int j = 0; j <= 40; ++j) {
        const double a = Pi * (0.05 + 0.9 * j / 40.0);  // the lower half, from front to back
        folium.push_back({ex - dm::cos(a) * erx * (1.05 - 0.25 * k), ey - ery * 0.9 + dm::sin(a) * ery * 1.8 * k});
      }
      std::vector<Point> inside;
      for (const Point& q : folium) {
        const double u = (q.x - ex) / erx, v = (q.y - ey) / ery;
        if (u * u + v * v < 0.92) inside.push_back(q);
      }
      if (inside.size() > 1) polyline(cv, inside, std::max(1.2, rx * 0.012), 0.25 * bright, Ink::Over);
    }
    ellipseRing(cv, ex, ey, erx, ery, std::max(1.5, rx * 0.012), 0.9 * bright);
  }
  // Cortex outline: domed on top, the temporal lobe hanging down in front.
  std::vector<Point> outline;
  for (int i = 0; i < 200; ++i) {
    const double t = i * 2 * Pi / 200;
    const double bump = 1 + 0.025 * dm::sin(t * 13 + 0.7) + 0.015 * dm::sin(t * 23);
    double x = dm::cos(t) * rx * bump, y = dm::sin(t) * ry * bump;
    if (y > 0) y *= x < 0 ? 0.8 : 0.55;  // front lobe lower than the back
    outline.push_back({cx + x, cy + y});
  }
  Canvas mask = makeCanvas(cv.width, cv.height);
  fillPolygon(mask, outline, 1.0);
  const Noise folds{seed}, fine{seed + 99};
  const double scale = std::max(4.0, rx / 7);
  for (int y = std::max(0, int(cy - ry - 2)); y < std::min(cv.height, int(cy + ry + 2)); ++y)
    for (int x = std::max(0, int(cx - rx - 2)); x < std::min(cv.width, int(cx + rx + 2)); ++x) {
      const float m = mask.v[size_t(y) * cv.width + x];
      if (m <= 0) continue;
      // Sulci along the contours of the noise; wide lit gyri between them.
      // Turned lattice and a little domain warp, so no grid shows through.
      const double u = (x * 0.8 + y * 0.6) / scale, v = (y * 0.8 - x * 0.6) / scale;
      const double wu = u + 0.6 * fine.at(u * 1.7, v * 1.7), wv = v + 0.6 * fine.at(v * 1.7 + 9, u * 1.7);
      const double f = folds.at(wu, wv) * 3.4;
      const double d = std::fabs(f - std::floor(f) - 0.5);
      // Each gyrus rounded like a tube: darkest in the sulcus, brightest along its crest.
      const double across = clamp01((d - 0.05) / 0.45);
      const double groove = std::sqrt(across) * (0.75 + 0.25 * across);
      const double light = 0.7 + 0.25 * clamp01((cy + ry * 0.3 - y) / (ry * 1.3));
      paint(cv, x, y, m, (0.08 + (light - 0.08) * groove) * bright, Ink::Over);
    }
  const double thick = std::max(1.5, rx / 60);
  polyline(cv,
           bezier({cx - rx * 0.55, cy + ry * 0.32}, {cx - rx * 0.3, cy + ry * 0.05}, {cx - rx * 0.05, cy + ry * 0.12},
                  {cx + rx * 0.38, cy - ry * 0.12}, 40),
           thick * 2, 0.04, Ink::Over);
  polyline(cv, outline, thick * 1.3, 1.0 * bright, Ink::Max, true);
}

// Printed-circuit board: traces on a grid with 45-degree bends, pads, vias, chips.
void drawBoard(Canvas& cv, unsigned seed, int grid, int chips, int traces, double traceLevel) {
  Rng rng(seed);
  const double W = cv.width, H = cv.height;
  frameRect(cv, 4, 4, W - 5, H - 5, 3, 0.7);
  // Chips with pins on two sides.
  struct Box {
    double x0, y0, x1, y1;
  };
  std::vector<Box> boxes;
  for (int i = 0; i < chips; ++i) {
    const double w = grid * (3 + rng.below(5)), h = grid * (2 + rng.below(3));
    const double x = grid * (1 + rng.below(int((W - w) / grid) - 1)),
                 y = grid * (1 + rng.below(int((H - h) / grid) - 1));
    boxes.push_back({x, y, x + w, y + h});
  }
  for (int t = 0; t < traces; ++t) {
    double x = grid * (1 + rng.below(int(W / grid) - 1)), y = grid * (1 + rng.below(int(H / grid) - 1));
    int dir = rng.below(8);
    std::vector<Point> pts{{x, y}};
    const int segs = 3 + rng.below(6);
    for (int s = 0; s < segs; ++s) {
      const int len = 1 + rng.below(6);
      const double dx = (dir % 4 == 0) ? 0 : (dir < 4 ? 1 : -1);
      const double dy = (dir % 4 == 2) ? 0 : ((dir >= 7 || dir <= 1) ? -1 : 1);
      x += dx * grid * len;
      y += dy * grid * len;
      if (x < grid || y < grid || x > W - grid || y > H - grid) break;
      pts.push_back({x, y});
      dir = (dir + (rng.below(2) ? 1 : 7)) % 8;
      if (dir % 2 == 1 && rng.below(3) == 0) dir = (dir + 1) % 8;
    }
    polyline(cv, pts, grid * 0.3, traceLevel);
    ring(cv, pts.front().x, pts.front().y, grid * 0.35, grid * 0.22, 0.9);
    ring(cv, pts.back().x, pts.back().y, grid * 0.35, grid * 0.22, 0.9);
  }
  for (const Box& b : boxes) {
    fillRect(cv, b.x0, b.y0, b.x1, b.y1, 0.0, Ink::Over);
    fillRect(cv, b.x0 + 1, b.y0 + 1, b.x1 - 1, b.y1 - 1, 0.3, Ink::Over);
    frameRect(cv, b.x0, b.y0, b.x1, b.y1, 2, 0.85);
    for (double px = b.x0 + grid * 0.5; px < b.x1 - grid * 0.3; px += grid * 0.5) {
      fillRect(cv, px - grid * 0.12, b.y0 - grid * 0.35, px + grid * 0.12, b.y0, 1.0);
      fillRect(cv, px - grid * 0.12, b.y1, px + grid * 0.12, b.y1 + grid * 0.35, 1.0);
    }
    fillCircle(cv, b.x0 + grid * 0.4, b.y0 + grid * 0.4, grid * 0.15, 0.8);  // pin-1 mark
  }
  // Vias: y is drawn before x. Both were once arguments of one call, and the
  // pack was first made by a compiler that evaluated them right to left; one
  // statement per draw keeps those bytes whatever the compiler.
  for (int v = 0; v < traces / 2; ++v) {
    const double y = grid * (1 + rng.below(int(H / grid) - 1));
    const double x = grid * (1 + rng.below(int(W / grid) - 1));
    ring(cv, x, y, grid * 0.2, grid * 0.15, 0.75);
  }
}

// Cumulus clouds: bumps of circles, shaded brighter on top.
void drawCloud(Canvas& cv, double cx, double cy, double w, double h, unsigned seed) {
  Rng rng(seed);
  Canvas mask = makeCanvas(cv.width, cv.height);
  const int puffs = 9;
  for (int i = 0; i < puffs; ++i) {
    const double t = (i + 0.5) / puffs;
    const double r = h * (0.35 + 0.4 * dm::sin(t * Pi)) * rng.range(0.8, 1.15);
    fillCircle(mask, cx - w / 2 + t * w, cy - r * 0.4 + rng.range(-0.1, 0.1) * h, r, 1.0);
  }
  fillEllipse(mask, cx, cy + h * 0.15, w * 0.55, h * 0.3, 1.0);
  Noise n{seed};
  for (int y = 0; y < cv.height; ++y)
    for (int x = 0; x < cv.width; ++x) {
      const float m = mask.v[size_t(y) * cv.width + x];
      if (m <= 0) continue;
      const double shade = 0.45 + 0.45 * clamp01((cy + h * 0.4 - y) / (h * 1.2)) + 0.2 * (n.fbm(x, y, 24, 3) - 0.5);
      paint(cv, x, y, m, clamp01(shade), Ink::Max);
    }
}

std::vector<Point> starPoints(double cx, double cy, double ro, double ri, int n, double rot) {
  std::vector<Point> pts;
  for (int i = 0; i < 2 * n; ++i) {
    const double a = rot + i * Pi / n, r = (i % 2) ? ri : ro;
    pts.push_back({cx + dm::cos(a) * r, cy + dm::sin(a) * r});
  }
  return pts;
}

// A lemniscate of Bernoulli with half-width a.
std::vector<Point> lemniscate(double cx, double cy, double a, int steps) {
  std::vector<Point> pts;
  for (int i = 0; i < steps; ++i) {
    const double t = i * 2 * Pi / steps, s = dm::sin(t), c = dm::cos(t);
    const double d = 1 + s * s;
    pts.push_back({cx + a * c / d, cy + a * s * c / d});
  }
  return pts;
}

// ---------------------------------------------------------------- painters

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

void paintBrain(Canvas& cv, const PictureRecipe& s) {
  drawBrain(cv, cv.width * 0.5, cv.height * 0.45, cv.width * 0.36, cv.height * 0.36, s.seed);
}

void paintRose(Canvas& cv, const PictureRecipe& s) {
  Rng rng(s.seed);
  const bool bouquet = std::string(s.name) == "noiroze2.img";
  const int roses = bouquet ? 3 : 1;
  for (int k = 0; k < roses; ++k) {
    const double cx = bouquet ? cv.width * (0.28 + 0.22 * k) : cv.width * 0.5;
    const double cy = bouquet ? cv.height * (k == 1 ? 0.32 : 0.42) : cv.height * 0.38;
    const double R = bouquet ? cv.height * 0.2 : cv.height * 0.3;
    // Stem and leaves.
    polyline(cv,
             bezier({cx, cy + R * 0.8}, {cx - R * 0.3, cy + R * 1.6}, {cx + R * 0.3, cy + R * 2.0},
                    {cx, cv.height - 8.0}, 40),
             R * 0.08, 0.6);
    fillEllipse(cv, cx - R * 0.45, cy + R * 1.55, R * 0.35, R * 0.13, 0.5);
    fillEllipse(cv, cx + R * 0.42, cy + R * 1.9, R * 0.32, R * 0.12, 0.5);
    // Petals: overlapping discs spiralling inwards, each edged dark.
    for (int i = 0; i < 14; ++i) {
      const double t = i / 13.0, a = i * 2.4 + k;
      const double r = R * (1 - t * 0.75), d = R * 0.45 * (1 - t);
      const double px = cx + dm::cos(a) * d, py = cy + dm::sin(a) * d;
      fillCircle(cv, px, py, r * 0.62, 0.35 + 0.6 * t, Ink::Over);
      ring(cv, px, py, r * 0.62, std::max(1.5, R * 0.03), 0.1, Ink::Over);
    }
    std::vector<Point> swirl;
    for (int i = 0; i < 80; ++i) {
      const double a = i * 0.2, r = R * 0.02 * i * 0.35;
      swirl.push_back({cx + dm::cos(a) * r, cy + dm::sin(a) * r});
    }
    polyline(cv, swirl, std::max(1.5, R * 0.03), 0.05, Ink::Over);
  }
}

void paintPlatine(Canvas& cv, const PictureRecipe& s) {
  const int variant = s.name[7] - '0';
  const int grids[] = {0, 16, 20, 12, 24, 14};
  drawBoard(cv, s.seed, grids[variant], 3 + variant, 60 + 15 * variant, variant == 1 ? 0.95 : 0.6);
}

void paintStar(Canvas& cv, const PictureRecipe&) {
  const double cx = cv.width / 2.0, cy = cv.height * 0.52, R = cv.width * 0.47;
  for (int i = 0; i < 24; ++i) {
    const double a = i * Pi / 12;
    line(cv, cx + dm::cos(a) * R * 0.5, cy + dm::sin(a) * R * 0.5, cx + dm::cos(a) * R * 1.15,
         cy + dm::sin(a) * R * 1.15, 2, 0.35);
  }
  fillPolygon(cv, starPoints(cx, cy, R, R * 0.42, 5, -Pi / 2), 0.8);
  fillPolygon(cv, starPoints(cx, cy, R * 0.7, R * 0.3, 5, -Pi / 2), 1.0);
  polyline(cv, starPoints(cx, cy, R, R * 0.42, 5, -Pi / 2), 3, 1.0, Ink::Max, true);
}

void paintDirka(Canvas& cv, const PictureRecipe& s) {
  Rng rng(s.seed);
  if (std::string(s.name) == "dirka1.img") {
    // A perforated plate: a bright sheet full of round holes.
    fillRect(cv, 10, 10, cv.width - 10, cv.height - 10, 0.55);
    for (int y = 36; y < cv.height - 20; y += 48)
      for (int x = 36 + ((y / 48) % 2) * 24; x < cv.width - 20; x += 48) {
        const double r = 14 + rng.range(-3, 3);
        fillCircle(cv, x, y, r, 0.0, Ink::Over);
        ring(cv, x, y, r + 2, 3, 0.95);
      }
  } else {
    // One big hole: a tunnel of rings shrinking into the dark.
    const double cx = cv.width * 0.5, cy = cv.height * 0.5;
    for (int i = 0; i < 14; ++i) {
      const double r = cv.height * 0.48 * dm::exp(-i * 0.22);
      ellipseRing(cv, cx + i * 3, cy + i * 2, r * 1.5, r, 6 - i * 0.3, 1.0 - i * 0.06);
    }
  }
}

void paintWolke(Canvas& cv, const PictureRecipe& s) {
  if (std::string(s.name) == "wolke1.img") {
    drawCloud(cv, cv.width * 0.3, cv.height * 0.35, cv.width * 0.42, cv.height * 0.28, s.seed);
    drawCloud(cv, cv.width * 0.72, cv.height * 0.62, cv.width * 0.38, cv.height * 0.24, s.seed + 1);
  } else {
    for (int i = 0; i < 4; ++i)
      drawCloud(cv, cv.width * (0.15 + 0.24 * i), cv.height * (0.3 + 0.12 * (i % 2)), cv.width * 0.3, cv.height * 0.2,
                s.seed + unsigned(i));
  }
  // Sixteen greys band a slow ramp: an ordered dither turns the bands into texture.
  ditherToLevels(cv);
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

// A head in profile, facing left, with the brain visible inside: a smooth
// curve (Catmull-Rom) through the points of brow, nose, lips, chin and skull.
std::vector<Point> headProfile(double ox, double oy, double s) {
  const double pts[][2] = {{0.62, 0.02}, {0.40, 0.0},  {0.22, 0.06}, {0.12, 0.2},  {0.10, 0.34},
                           {0.05, 0.42}, {0.08, 0.46}, {0.06, 0.55}, {0.11, 0.6},  {0.1, 0.66},
                           {0.16, 0.72}, {0.2, 0.8},   {0.3, 0.82},  {0.34, 0.98}, {0.66, 0.98},
                           {0.64, 0.82}, {0.78, 0.66}, {0.86, 0.44}, {0.86, 0.24}, {0.78, 0.1}};
  constexpr int n = sizeof pts / sizeof pts[0], steps = 8;
  std::vector<Point> out;
  for (int i = 0; i < n; ++i) {
    const double* p0 = pts[(i + n - 1) % n];
    const double* p1 = pts[i];
    const double* p2 = pts[(i + 1) % n];
    const double* p3 = pts[(i + 2) % n];
    // The neck's two lower corners stay sharp: the cut of the picture.
    if (i == 13) {
      out.push_back({ox + p1[0] * s, oy + p1[1] * s});
      continue;
    }
    for (int k = 0; k < steps; ++k) {
      const double t = double(k) / steps, t2 = t * t, t3 = t2 * t;
      double xy[2];
      for (int c = 0; c < 2; ++c)
        xy[c] = 0.5 * (2 * p1[c] + (p2[c] - p0[c]) * t + (2 * p0[c] - 5 * p1[c] + 4 * p2[c] - p3[c]) * t2 +
                       (3 * p1[c] - p0[c] - 3 * p2[c] + p3[c]) * t3);
      out.push_back({ox + xy[0] * s, oy + xy[1] * s});
    }
  }
  return out;
}

// An eye in profile under the brow: the white, the iris looking ahead, the lid.
void drawEye(Canvas& cv, double x, double y, double s, double a) {
  fillPolygon(cv,
              {{x - s * 0.05, y},
               {x - s * 0.02, y - s * 0.022},
               {x + s * 0.03, y - s * 0.018},
               {x + s * 0.035, y},
               {x + s * 0.02, y + s * 0.015},
               {x - s * 0.02, y + s * 0.014}},
              0.85 * a, Ink::Over);
  fillCircle(cv, x - s * 0.022, y - s * 0.002, s * 0.014, 0.3 * a, Ink::Over);
  fillCircle(cv, x - s * 0.026, y - s * 0.002, s * 0.006, 0.08, Ink::Over);
  line(cv, x - s * 0.05, y - s * 0.004, x + s * 0.035, y - s * 0.024, s * 0.006, 0.95 * a);
}

void paintLobotom(Canvas& cv, const PictureRecipe& s) {
  const double size = cv.height * 0.96, ox = cv.width * 0.5 - size * 0.45, oy = cv.height * 0.02;
  const auto head = headProfile(ox, oy, size);
  if (std::string(s.name) == "lobotom.img") {
    fillPolygon(cv, head, 0.28);
    polyline(cv, head, 4, 0.95, Ink::Max, true);
    drawBrain(cv, ox + size * 0.5, oy + size * 0.28, size * 0.3, size * 0.2, s.seed, 0.9);
    drawEye(cv, ox + size * 0.17, oy + size * 0.37, size * 1.4, 1.0);
    // The cut: a dashed line across the forehead and a scalpel.
    for (int i = 0; i < 9; ++i) {
      const double t0 = i / 9.0, t1 = t0 + 0.06;
      line(cv, ox + size * (0.1 + t0 * 0.7), oy + size * (0.14 - t0 * 0.06), ox + size * (0.1 + t1 * 0.7),
           oy + size * (0.14 - t1 * 0.06), 4, 1.0);
    }
    fillPolygon(cv,
                {{ox - size * 0.25, oy + size * 0.02},
                 {ox + size * 0.08, oy + size * 0.1},
                 {ox - size * 0.22, oy + size * 0.07}},
                1.0);
    line(cv, ox - size * 0.45, oy - size * 0.02, ox - size * 0.24, oy + size * 0.04, size * 0.04, 0.6);
  } else {
    // The instrument: a long spike with a ribbed handle, driven in above the
    // eye, up through the roof of the socket into the frontal lobe.
    fillPolygon(cv, head, 0.22);
    polyline(cv, head, 4, 0.85, Ink::Max, true);
    drawBrain(cv, ox + size * 0.5, oy + size * 0.28, size * 0.3, size * 0.2, s.seed, 0.7);
    drawEye(cv, ox + size * 0.17, oy + size * 0.39, size * 1.4, 0.9);
    const Point tip{ox + size * 0.3, oy + size * 0.25}, entry{ox + size * 0.14, oy + size * 0.34};
    const Point grip{ox - size * 0.2, oy + size * 0.47}, end{ox - size * 0.48, oy + size * 0.59};
    line(cv, grip.x, grip.y, tip.x, tip.y, size * 0.012, 1.0);
    fillPolygon(
        cv, {{tip.x, tip.y}, {tip.x - size * 0.04, tip.y + size * 0.012}, {tip.x - size * 0.035, tip.y + size * 0.026}},
        1.0);
    line(cv, grip.x, grip.y, end.x, end.y, size * 0.05, 0.75);
    for (int i = 1; i < 6; ++i) {  // ribs of the handle
      const double t = i / 6.0, x = grip.x + (end.x - grip.x) * t, y = grip.y + (end.y - grip.y) * t;
      line(cv, x - size * 0.012, y - size * 0.03, x + size * 0.012, y + size * 0.03, size * 0.008, 0.35, Ink::Over);
    }
    fillCircle(cv, entry.x, entry.y, size * 0.012, 0.6, Ink::Add);  // the point of entry
  }
}

void paintKruk(Canvas& cv, const PictureRecipe&) {
  const double cx = cv.width * 0.5;
  // The chain: links seen face-on (open rings) alternate with links seen edge-on
  // (solid bars), each passing through its neighbours.
  for (int i = 0; i < 5; ++i) {
    const double y = 22 + i * 32;
    if (i % 2 == 0) {
      ellipseRing(cv, cx, y, 13, 22, 7, 0.8);
    } else {
      line(cv, cx, y - 21, cx, y + 21, 11, 0.95);
      line(cv, cx, y - 14, cx, y + 14, 2.5, 0.45, Ink::Over);  // the gap between its two sides
    }
  }
  // The eye of the hook, the shank, the bend and the point with its barb, in one piece.
  ellipseRing(cv, cx, 170, 12, 16, 7, 0.9);
  fillRect(cv, cx - 9, 184, cx + 9, 215, 0.9);
  const std::vector<Point> hook = bezier({cx, 205}, {cx, 330}, {cx - 150, 340}, {cx - 150, 240}, 60);
  polyline(cv, hook, 26, 0.9);
  polyline(cv, hook, 8, 1.0);  // the light along the wire
  // The point rises from the end of the bend; the barb leans back from it towards the shank.
  fillPolygon(cv, {{cx - 163, 242}, {cx - 150, 178}, {cx - 137, 242}}, 0.95);
  fillPolygon(cv, {{cx - 140, 212}, {cx - 137, 242}, {cx - 116, 252}}, 0.95);
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

// A neuron: body, nucleus, branching dendrites and an axon towards (ax, ay).
void drawNeuron(Canvas& cv, double cx, double cy, double r, double ax, double ay, unsigned seed) {
  Rng rng(seed);
  struct Branch {
    double x, y, dir, len, thick;
    int depth;
  };
  std::vector<Branch> todo;
  for (int i = 0; i < 6; ++i) todo.push_back({cx, cy, i * Pi / 3 + rng.range(-0.3, 0.3), r * 1.6, r * 0.28, 0});
  while (!todo.empty()) {
    Branch b = todo.back();
    todo.pop_back();
    const double ex = b.x + dm::cos(b.dir) * b.len, ey = b.y + dm::sin(b.dir) * b.len;
    line(cv, b.x, b.y, ex, ey, b.thick, 0.8 - 0.1 * b.depth);
    if (b.depth < 3)
      for (int k = 0; k < 2; ++k)
        todo.push_back(
            {ex, ey, b.dir + (k ? 0.5 : -0.5) + rng.range(-0.2, 0.2), b.len * 0.65, b.thick * 0.6, b.depth + 1});
  }
  polyline(cv, bezier({cx, cy}, {(cx + ax) / 2, cy - r}, {(cx + ax) / 2, ay + r}, {ax, ay}, 50), r * 0.22, 0.9);
  fillCircle(cv, cx, cy, r, 0.75);
  fillCircle(cv, cx, cy, r * 0.4, 0.25, Ink::Over);
  ring(cv, cx, cy, r, 3, 1.0);
}

void paintSynapse(Canvas& cv, const PictureRecipe& s) {
  const double W = cv.width, H = cv.height;
  if (std::string(s.name) == "synapse1.img") {
    drawNeuron(cv, W * 0.2, H * 0.4, 34, W * 0.6, H * 0.55, s.seed);
    drawNeuron(cv, W * 0.8, H * 0.6, 30, W * 0.64, H * 0.56, s.seed + 7);
    fillCircle(cv, W * 0.6, H * 0.55, 10, 1.0);  // the junction glows
  } else {
    // Close-up: the axon comes down into its swollen terminal, full of
    // vesicles; some open onto the membrane and spill transmitter across the
    // narrow cleft onto the receptors of the cup-shaped receiving spine below.
    Rng rng(s.seed);
    const double cx = W * 0.5, cy = H * 0.4, rx = W * 0.2, ry = H * 0.27;
    std::vector<Point> terminal =
        bezier({cx - 26, 0}, {cx - 30, cy - ry * 0.9}, {cx - rx * 1.1, cy - ry * 0.7}, {cx - rx, cy}, 24);
    const auto lower =
        bezier({cx - rx, cy}, {cx - rx * 0.95, cy + ry * 1.05}, {cx + rx * 0.95, cy + ry * 1.05}, {cx + rx, cy}, 40);
    const auto right =
        bezier({cx + rx, cy}, {cx + rx * 1.1, cy - ry * 0.7}, {cx + 30, cy - ry * 0.9}, {cx + 26, 0}, 24);
    terminal.insert(terminal.end(), lower.begin() + 1, lower.end());
    terminal.insert(terminal.end(), right.begin() + 1, right.end());
    fillPolygon(cv, terminal, 0.32);
    polyline(cv, terminal, 5, 0.95);
    // Vesicles: small rings with their load, kept apart from each other.
    std::vector<Point> placed;
    for (int tries = 0; tries < 400 && placed.size() < 22; ++tries) {
      const double x = rng.range(cx - rx * 0.8, cx + rx * 0.8);
      const double y = rng.range(cy - ry * 0.55, cy + ry * 0.6);
      const double ex = (x - cx) / (rx * 0.85), ey = (y - cy) / (ry * 0.75);
      if (ex * ex + ey * ey > 1) continue;
      bool apart = true;
      for (const Point& q : placed) apart = apart && (q.x - x) * (q.x - x) + (q.y - y) * (q.y - y) > 24 * 24;
      if (!apart) continue;
      placed.push_back({x, y});
      ring(cv, x, y, 10, 2.5, 0.9);
      fillCircle(cv, x, y, 3, 0.7);
    }
    // Three vesicles opening onto the membrane at the bottom of the terminal.
    const double membrane = cy + ry * 0.79;
    for (int k = -1; k <= 1; ++k) {
      const double x = cx + k * rx * 0.45;
      fillCircle(cv, x, membrane - 6, 11, 0.12, Ink::Over);
      ring(cv, x, membrane - 6, 11, 2.5, 0.95);
      fillRect(cv, x - 6, membrane - 2, x + 6, membrane + 4, 0.12, Ink::Over);
      for (int d = 0; d < 6; ++d) {  // transmitter crossing the cleft
        const double tx = x + rng.range(-18, 18), ty = membrane + 10 + rng.range(0, 22);
        fillCircle(cv, tx, ty, 2.6, 0.9);
      }
    }
    // The receiving spine: a cup under the cleft with receptor channels on its rim.
    const double cleft = membrane + 38;
    std::vector<Point> spine =
        bezier({0, H}, {W * 0.2, H * 0.98}, {cx - rx * 1.3, cleft + 4}, {cx - rx * 1.05, cleft}, 20);
    const auto rim = bezier({cx - rx * 1.05, cleft}, {cx - rx * 0.4, cleft + 16}, {cx + rx * 0.4, cleft + 16},
                            {cx + rx * 1.05, cleft}, 30);
    const auto back = bezier({cx + rx * 1.05, cleft}, {cx + rx * 1.3, cleft + 4}, {W * 0.8, H * 0.98}, {W, H}, 20);
    spine.insert(spine.end(), rim.begin() + 1, rim.end());
    spine.insert(spine.end(), back.begin() + 1, back.end());
    fillPolygon(cv, spine, 0.26);
    polyline(cv, spine, 5, 0.95);
    for (int k = 0; k < 9; ++k) {
      const double t = 0.1 + 0.8 * k / 8.0;
      const Point p = rim[size_t(t * (rim.size() - 1))];
      fillRect(cv, p.x - 7, p.y - 9, p.x - 2, p.y + 3, 0.8);
      fillRect(cv, p.x + 2, p.y - 9, p.x + 7, p.y + 3, 0.8);
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

void paintBrainbug(Canvas& cv, const PictureRecipe& s) {
  const double cx = cv.width * 0.5, cy = cv.height * 0.52;
  // Six legs and two antennae.
  for (int i = 0; i < 3; ++i)
    for (int side = -1; side <= 1; side += 2) {
      const double bx = cx - 60 + i * 60, by = cy;
      polyline(cv, {{bx, by}, {bx + (i - 1) * 30, by + side * 60}, {bx + (i - 1) * 70, by + side * 92}}, 6, 0.85);
    }
  polyline(cv, bezier({cx - 150, cy - 10}, {cx - 200, cy - 60}, {cx - 230, cy - 80}, {cx - 250, cy - 60}, 20), 4, 0.9);
  polyline(cv, bezier({cx - 150, cy + 10}, {cx - 200, cy + 60}, {cx - 230, cy + 80}, {cx - 250, cy + 60}, 20), 4, 0.9);
  fillCircle(cv, cx - 140, cy, 26, 0.7);  // head
  fillCircle(cv, cx - 150, cy - 10, 5, 0.0, Ink::Over);
  fillCircle(cv, cx - 150, cy + 10, 5, 0.0, Ink::Over);
  fillEllipse(cv, cx - 90, cy, 34, 30, 0.6);  // thorax
  // The abdomen is a brain.
  drawBrain(cv, cx + 60, cy - 4, 120, 70, s.seed, 1.0, true);
}

void paintDist(Canvas& cv, const PictureRecipe& s) {
  // Cloudy noise with deep black gaps; its complement textures the bright strokes.
  Noise n{unsigned(s.seed)};
  for (int y = 0; y < cv.height; ++y)
    for (int x = 0; x < cv.width; ++x) {
      const double v = n.fbm(x, y, 48, 4);
      cv.v[size_t(y) * cv.width + x] = float(clamp01((v - 0.38) * 2.6));
    }
}

void paintZeptor(Canvas& cv, const PictureRecipe&) {
  // A sceptre: a crown of five points holding an orb with a cross, on a ringed
  // staff. Mid greys: the spin scene adds copies of it onto each other.
  const double cx = cv.width * 0.5, H = cv.height;
  for (int i = 0; i < 24; ++i) {  // halo of rays
    const double a = (i + 0.5) * Pi / 12;
    line(cv, cx + dm::cos(a) * 90, 110 + dm::sin(a) * 90, cx + dm::cos(a) * 300, 110 + dm::sin(a) * 300, 2, 0.18);
  }
  fillRect(cv, cx - 8, 196, cx + 8, H - 24, 0.55);  // the staff
  for (double y = 214; y < H - 30; y += 30) fillRect(cv, cx - 13, y, cx + 13, y + 7, 0.7);
  fillEllipse(cv, cx, H - 22, 18, 9, 0.65);
  // The crown: a band with five points, each tipped with a pearl.
  const double top = 128, band = 172, half = 56;
  std::vector<Point> crown{{cx - half, band + 22}, {cx + half, band + 22}, {cx + half, band}};
  for (int i = 4; i >= 0; --i) {
    const double x = cx - half + i * (2 * half / 4);
    crown.push_back({x, top + (i == 2 ? -6 : 0)});
    if (i > 0) crown.push_back({x - half / 4, band - 14});
  }
  crown.push_back({cx - half, band});
  fillPolygon(cv, crown, 0.5);
  polyline(cv, crown, 3, 0.75, Ink::Max, true);
  for (int i = 0; i <= 4; ++i) fillCircle(cv, cx - half + i * (2 * half / 4), top - 4 + (i == 2 ? -6 : 0), 5, 0.75);
  fillRect(cv, cx - half, band + 4, cx + half, band + 12, 0.7);  // jewelled band
  for (int i = -2; i <= 2; ++i) fillCircle(cv, cx + i * 22, band + 8, 4, 0.35, Ink::Over);
  fillCircle(cv, cx, 86, 30, 0.5);  // orb
  ring(cv, cx, 86, 30, 3, 0.75);
  line(cv, cx - 30, 86, cx + 30, 86, 4, 0.7);
  line(cv, cx, 56, cx, 116, 4, 0.7);
  fillRect(cv, cx - 4, 18, cx + 4, 58, 0.75);  // the cross on top
  fillRect(cv, cx - 15, 28, cx + 15, 36, 0.75);
}

void paintForm(Canvas& cv, const PictureRecipe& s) {
  const int variant = s.name[4] - '0';
  const double W = cv.width, H = cv.height;
  if (variant == 4) {
    // All forms together.
    fillCircle(cv, W * 0.18, H * 0.5, H * 0.3, 0.8);
    fillPolygon(cv, {{W * 0.38, H * 0.82}, {W * 0.5, H * 0.18}, {W * 0.62, H * 0.82}}, 0.95);
    fillRect(cv, W * 0.7, H * 0.22, W * 0.94, H * 0.78, 0.7);
    ring(cv, W * 0.18, H * 0.5, H * 0.18, 8, 0.1, Ink::Over);
    frameRect(cv, W * 0.75, H * 0.3, W * 0.89, H * 0.7, 8, 1.0);
    return;
  }
  const int n = 4;
  for (int i = 0; i < n; ++i) {
    const double cy = H * (i + 0.5) / n, r = W * 0.4;
    const double a = 0.55 + 0.45 * ((i + variant) % 2);
    if (variant == 1) {
      fillCircle(cv, W / 2, cy, r, a);
      ring(cv, W / 2, cy, r * 0.55, 6, 0.1, Ink::Over);
    } else if (variant == 2) {
      fillPolygon(cv, {{W / 2, cy - r}, {W / 2 + r, cy}, {W / 2, cy + r}, {W / 2 - r, cy}}, a);
      fillPolygon(cv, {{W / 2, cy - r * 0.4}, {W / 2 + r * 0.4, cy}, {W / 2, cy + r * 0.4}, {W / 2 - r * 0.4, cy}}, 0.1,
                  Ink::Over);
    } else {
      fillRect(cv, W / 2 - r, cy - r, W / 2 + r, cy + r, a);
      fillCircle(cv, W / 2, cy, r * 0.45, 0.1, Ink::Over);
    }
  }
}

void paintGitter(Canvas& cv, const PictureRecipe&) {
  for (int x = 8; x < cv.width; x += 32) line(cv, x, 0, x, cv.height - 1, 3, 0.8);
  for (int y = 8; y < cv.height; y += 32) line(cv, 0, y, cv.width - 1, y, 3, 0.8);
  for (int y = 8; y < cv.height; y += 32)
    for (int x = 8; x < cv.width; x += 32) fillCircle(cv, x, y, 4, 1.0);
}

void paintWelle(Canvas& cv, const PictureRecipe&) {
  const double W = cv.width, H = cv.height, mid = H / 2;
  for (int k = 0; k < 5; ++k) {
    std::vector<Point> pts;
    for (int x = 0; x <= int(W); x += 2) {
      const double env = dm::sin(x * Pi / W);
      pts.push_back({double(x), mid + k * 7 - 10 - env * (mid - 30) * dm::sin(x * 6 * Pi / W + k * 0.3)});
    }
    polyline(cv, pts, k == 2 ? 6 : 2.5, k == 2 ? 1.0 : 0.55);
  }
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

void paintKrutit(Canvas& cv, const PictureRecipe&) {
  // A pinwheel: six curved blades about a hub.
  const double cx = cv.width * 0.5, cy = cv.height * 0.5, R = cv.height * 0.47;
  for (int i = 0; i < 6; ++i) {
    const double a = i * Pi / 3;
    std::vector<Point> blade;
    for (int k = 0; k <= 20; ++k) {
      const double t = k / 20.0, ang = a + t * 1.1, r = R * t;
      blade.push_back({cx + dm::cos(ang) * r, cy + dm::sin(ang) * r});
    }
    for (int k = 20; k >= 0; --k) {
      const double t = k / 20.0, ang = a + t * 0.3 + 0.35, r = R * t * 0.92;
      blade.push_back({cx + dm::cos(ang) * r, cy + dm::sin(ang) * r});
    }
    fillPolygon(cv, blade, i % 2 ? 1.0 : 0.6);
    polyline(cv, blade, 2, 1.0, Ink::Max, true);
  }
  fillCircle(cv, cx, cy, R * 0.1, 1.0);
  fillCircle(cv, cx, cy, R * 0.04, 0.2, Ink::Over);
}

void paintLandscape(Canvas& cv, const PictureRecipe& s) {
  // The picture drifts down the screen from its upper third, so the sky carries
  // stars and a moon; the sun sets behind the mountains on the horizon.
  Rng rng(s.seed);
  const double W = cv.width, H = cv.height, horizon = H * 0.46;
  for (int i = 0; i < 260; ++i) {
    const double x = rng.range(0, W), y = rng.range(0, horizon - 40), r = rng.range(0.6, 2.2);
    fillCircle(cv, x, y, r, rng.range(0.4, 1.0));
  }
  fillCircle(cv, W * 0.2, H * 0.12, 34, 0.95);
  fillCircle(cv, W * 0.2 + 16, H * 0.12 - 8, 30, 0.0, Ink::Over);  // crescent
  fillCircle(cv, W * 0.62, horizon - 60, 110, 0.85);
  for (int i = 0; i < 7; ++i)
    fillRect(cv, W * 0.62 - 120, horizon - 50 + i * 16, W * 0.62 + 120, horizon - 50 + i * 16 + 3 + i, 0.0, Ink::Erase);
  // Mountain ridges, far (dim) to near (bright).
  const double plain = horizon + 50;
  for (int layer = 0; layer < 3; ++layer) {
    Noise n{unsigned(s.seed + layer)};
    std::vector<Point> ridge{{0, plain}};
    for (int x = 0; x <= int(W); x += 4)
      ridge.push_back({double(x), horizon + 22 * layer - (150 - 40 * layer) * (n.fbm(x, 0, 90 - 20 * layer, 3) - 0.2)});
    ridge.push_back({W, plain});
    fillPolygon(cv, ridge, 0.1 + 0.1 * layer, Ink::Over);
    polyline(cv, std::vector<Point>(ridge.begin() + 1, ridge.end() - 1), 2.5, 0.5 + 0.25 * layer);
  }
  // A perspective grid on the plain.
  fillRect(cv, 0, plain, W, H, 0.0, Ink::Over);
  for (int i = -24; i <= 24; ++i) line(cv, W / 2 + i * 8, plain, W / 2 + i * 90, H, 2, 0.6);
  for (int k = 0; k < 12; ++k) {
    const double y = plain + (H - plain) * (k * k) / 121.0;
    line(cv, 0, y, W, y, 2, 0.6);
  }
}

void paintLine(Canvas& cv, const PictureRecipe& s) {
  // A long chart trace with a heartbeat in it, on ruled lines.
  Rng rng(s.seed);
  const double W = cv.width, H = cv.height, mid = H * 0.5;
  for (int k = 0; k < 5; ++k) line(cv, 0, H * (0.1 + 0.2 * k), W, H * (0.1 + 0.2 * k), 1.5, 0.35);
  std::vector<Point> pts;
  for (int x = 0; x <= int(W); x += 3) {
    double y = mid + 10 * dm::sin(x * 0.05) + rng.range(-4, 4);
    const int phase = x % 214;
    if (phase > 100 && phase < 130)
      y -= (phase < 115 ? (phase - 100) : (130 - phase)) * 9;
    else if (phase >= 130 && phase < 145)
      y += (phase < 138 ? (phase - 130) : (145 - phase)) * 5;
    pts.push_back({double(x), y});
  }
  polyline(cv, pts, 4, 1.0);
}

// A bone: a shaft with knobbed ends.
void bone(Canvas& cv, double x0, double y0, double x1, double y1, double t, double a = 0.95) {
  line(cv, x0, y0, x1, y1, t, a);
  for (const Point p : {Point{x0, y0}, Point{x1, y1}}) {
    fillCircle(cv, p.x - t * 0.35, p.y, t * 0.62, a);
    fillCircle(cv, p.x + t * 0.35, p.y, t * 0.62, a);
  }
}

void paintSkeleton(Canvas& cv, const PictureRecipe&) {
  const double cx = cv.width * 0.5;
  // Skull with sockets, nose and teeth.
  fillCircle(cv, cx, 32, 24, 0.95);
  fillEllipse(cv, cx, 52, 15, 10, 0.95);
  fillCircle(cv, cx - 9, 32, 6.5, 0.0, Ink::Over);
  fillCircle(cv, cx + 9, 32, 6.5, 0.0, Ink::Over);
  fillPolygon(cv, {{cx, 39}, {cx - 3.5, 46}, {cx + 3.5, 46}}, 0.0, Ink::Over);
  for (int i = -3; i <= 3; ++i) line(cv, cx + i * 3.5, 52, cx + i * 3.5, 58, 1, 0.0, Ink::Over);
  // Spine.
  for (double y = 64; y < 190; y += 9) fillRect(cv, cx - 5, y, cx + 5, y + 6, 0.85);
  // Collar bones and ribs.
  bone(cv, cx - 4, 72, cx - 46, 76, 5);
  bone(cv, cx + 4, 72, cx + 46, 76, 5);
  for (int i = 0; i < 7; ++i) {
    const double y = 84 + i * 12, w = 40 - std::abs(i - 2) * 3.5;
    polyline(cv, bezier({cx - 5, y}, {cx - w, y - 6}, {cx - w - 6, y + 10}, {cx - w * 0.6, y + 16}, 16), 4, 0.9);
    polyline(cv, bezier({cx + 5, y}, {cx + w, y - 6}, {cx + w + 6, y + 10}, {cx + w * 0.6, y + 16}, 16), 4, 0.9);
  }
  // Arms: upper arm, the two forearm bones, hands.
  for (int side = -1; side <= 1; side += 2) {
    const double sx = cx + side * 50, ex = cx + side * 64, wx = cx + side * 70;
    bone(cv, sx, 80, ex, 146, 7);
    bone(cv, ex - 2, 150, wx - 3, 206, 4);
    bone(cv, ex + 3, 150, wx + 3, 206, 4);
    for (int f = -2; f <= 2; ++f) line(cv, wx + f * 2.5, 212, wx + f * 4, 232, 2.5, 0.85);
  }
  // Pelvis and legs.
  fillPolygon(cv,
              {{cx - 40, 186},
               {cx - 8, 196},
               {cx, 214},
               {cx + 8, 196},
               {cx + 40, 186},
               {cx + 30, 212},
               {cx + 12, 222},
               {cx - 12, 222},
               {cx - 30, 212}},
              0.9);
  fillCircle(cv, cx - 18, 208, 6, 0.0, Ink::Over);
  fillCircle(cv, cx + 18, 208, 6, 0.0, Ink::Over);
  for (int side = -1; side <= 1; side += 2) {
    bone(cv, cx + side * 24, 222, cx + side * 28, 262, 8);
    bone(cv, cx + side * 28, 266, cx + side * 30, 292, 6);
    line(cv, cx + side * 30, 296, cx + side * 44, 298, 5, 0.85);
  }
}

void paintSpiral(Canvas& cv, const PictureRecipe&) {
  const double cx = cv.width * 0.5, cy = cv.height * 0.5, turns = 9, R = cv.height * 0.49;
  std::vector<Point> pts;
  const int steps = 3000;
  for (int i = 0; i <= steps; ++i) {
    const double t = double(i) / steps, a = t * turns * 2 * Pi;
    pts.push_back({cx + dm::cos(a) * R * t * 1.3, cy + dm::sin(a) * R * t});
  }
  for (size_t i = 1; i < pts.size(); ++i)
    line(cv, pts[i - 1].x, pts[i - 1].y, pts[i].x, pts[i].y, 3 + 14.0 * i / steps, 0.45 + 0.55 * double(i) / steps);
}

void paintInfinity(Canvas& cv, const PictureRecipe&) {
  // Kept within a radius that its three tilted copies (10, 20 and 30 degrees)
  // do not push out of their fixed frames.
  const auto pts = lemniscate(cv.width / 2.0, cv.height / 2.0, 170, 400);
  polyline(cv, pts, 26, 0.6, Ink::Max, true);
  polyline(cv, pts, 12, 1.0, Ink::Max, true);
}

void paintVoxel(Canvas& cv, const PictureRecipe& s) {
  // Voxel-space terrain: for each column, march away from the eye and draw the
  // height field's visible spans front to back. Heights come in terraces and
  // columns in blocks of four, so the voxels show; each span is lit by the
  // slope facing the light and fades to black with distance. The show adds
  // this picture, blurred, onto a busy screen: mid greys keep its ridges apart.
  Noise n{unsigned(s.seed)};
  const int W = cv.width, H = cv.height;
  const double camH = 120, horizon = H * 0.3;
  auto height = [&](double wx, double wz) { return std::floor(180 * n.fbm(wx + 500, wz, 60, 4) / 10) * 10; };
  for (int x = 0; x < W; ++x) {
    const double bx = (x & ~3) + 2;  // the block's centre column
    int lowest = H;
    for (double z = 8; z < 420; z *= 1.015) {
      const double wx = (bx - W / 2.0) * z / 300, wz = z;
      const double h = height(wx, wz);
      const int y = int((camH - h) * 160 / z + horizon);
      if (y < lowest) {
        const double slope = (h - height(wx - 3, wz + 3)) / 10;  // lit from the far left
        const double shade = clamp01((0.42 + 0.25 * slope + 0.3 * h / 180.0) * (1 - z / 600.0));
        for (int yy = std::max(0, y); yy < lowest && yy < H; ++yy)
          cv.v[size_t(yy) * W + x] = float(yy == y ? std::min(1.0, shade + 0.25) : shade);  // a lit top edge
        lowest = std::max(0, y);
      }
    }
  }
}

void paintWertit(Canvas& cv, const PictureRecipe&) {
  // A cog wheel.
  const double cx = cv.width * 0.5, cy = cv.height * 0.5, R = cv.width * 0.46;
  std::vector<Point> cog;
  const int teeth = 16;
  for (int i = 0; i < teeth * 4; ++i) {
    const double a = i * 2 * Pi / (teeth * 4), r = (i % 4 < 2) ? R : R * 0.84;
    cog.push_back({cx + dm::cos(a) * r, cy + dm::sin(a) * r});
  }
  fillPolygon(cv, cog, 0.85);
  fillCircle(cv, cx, cy, R * 0.66, 0.0, Ink::Over);
  ring(cv, cx, cy, R * 0.66, 8, 0.95);
  for (int i = 0; i < 6; ++i) {
    const double a = i * Pi / 3;
    line(cv, cx, cy, cx + dm::cos(a) * R * 0.64, cy + dm::sin(a) * R * 0.64, 18, 0.7);
  }
  fillCircle(cv, cx, cy, R * 0.2, 1.0);
  fillCircle(cv, cx, cy, R * 0.08, 0.0, Ink::Over);
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

void paintCurve(Canvas& cv, const PictureRecipe&) {
  const double W = cv.width, H = cv.height;
  const Point p0{30, H - 40}, p1{W * 0.2, -H * 0.4}, p2{W * 0.7, H * 1.3}, p3{W - 30, 40};
  polyline(cv, {p0, p1}, 2, 0.5);
  polyline(cv, {p2, p3}, 2, 0.5);
  for (const Point& p : {p0, p3}) fillCircle(cv, p.x, p.y, 9, 1.0);
  const auto pts = bezier(p0, p1, p2, p3, 200);
  polyline(cv, pts, 12, 0.55);
  polyline(cv, pts, 5, 1.0);
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

void paintNetz(Canvas& cv, const PictureRecipe&) {
  // A fishing net hung from a rope across the top: diamond meshes tied with
  // knots, floats on the rope, the net sagging and narrowing towards a loose,
  // weighted lower edge.
  const double W = cv.width, H = cv.height;
  auto at = [&](double u, double v) {
    const double pinch = 1 - 0.22 * v * v;  // the net gathers a little as it hangs
    const double sag = 0.12 * dm::sin(u * Pi) * v;
    return Point{W / 2 + (u - 0.5) * W * pinch, 26 + (v * 0.82 + sag) * (H - 40)};
  };
  const int cols = 16, rows = 12;
  // Diamonds: each knot joins the two knots below it, half a mesh to either side.
  for (int k = 0; k < rows; ++k)
    for (int i = 0; i <= cols; ++i) {
      const double u = (i + 0.5 * (k % 2)) / cols, v = double(k) / rows, v1 = double(k + 1) / rows;
      const Point p = at(u, v);
      for (double du : {-0.5, 0.5}) {
        const double u1 = u + du / cols;
        if (u1 < 0 || u1 > 1) continue;
        const Point q = at(u1, v1);
        // The twine curves a little under its own weight.
        polyline(cv,
                 bezier(p, {p.x + (q.x - p.x) * 0.3, p.y + (q.y - p.y) * 0.4 + 3},
                        {p.x + (q.x - p.x) * 0.7, p.y + (q.y - p.y) * 0.8 + 3}, q, 8),
                 2.2, 0.7);
      }
    }
  for (int k = 0; k <= rows; ++k)
    for (int i = 0; i <= cols; ++i) {
      const double u = (i + 0.5 * (k % 2)) / cols;
      if (u > 1) continue;
      const Point p = at(u, double(k) / rows);
      fillCircle(cv, p.x, p.y, k == rows ? 5 : 3.2, k == rows ? 0.8 : 0.95);  // knots; sinkers on the edge
    }
  line(cv, 0, 24, W, 24, 7, 0.85);  // the rope
  line(cv, 0, 24, W, 24, 2, 0.45, Ink::Over);
  for (int i = 1; i < 8; ++i) {  // cork floats
    const double x = i * W / 8;
    fillEllipse(cv, x, 24, 16, 10, 0.75);
    ellipseRing(cv, x, 24, 16, 10, 2, 1.0);
  }
}

// The painter and the seed of every picture, name for name in the order of
// the asset list, which gives the sizes.
struct Painter {
  const char* name;
  void (*paint)(Canvas& cv, const PictureRecipe& recipe);
  int seed;
};

constexpr Painter Painters[PictureCount] = {
    {"minus.img", paintLetter, 0},
    {"a.img", paintLetter, 0},
    {"c.img", paintLetter, 0},
    {"d.img", paintLetter, 0},
    {"e.img", paintLetter, 0},
    {"i.img", paintLetter, 0},
    {"k.img", paintLetter, 0},
    {"l.img", paintLetter, 0},
    {"m.img", paintLetter, 0},
    {"n.img", paintLetter, 0},
    {"o.img", paintLetter, 0},
    {"p.img", paintLetter, 0},
    {"r.img", paintLetter, 0},
    {"s.img", paintLetter, 0},
    {"t.img", paintLetter, 0},
    {"u.img", paintLetter, 0},
    {"v.img", paintLetter, 0},
    {"y.img", paintLetter, 0},
    {"logo.img", paintLogo, 0},
    {"dot.img", paintDigit, 0},
    {"0.img", paintDigit, 0},
    {"1.img", paintDigit, 0},
    {"2.img", paintDigit, 0},
    {"3.img", paintDigit, 0},
    {"4.img", paintDigit, 0},
    {"5.img", paintDigit, 0},
    {"6.img", paintDigit, 0},
    {"7.img", paintDigit, 0},
    {"8.img", paintDigit, 0},
    {"9.img", paintDigit, 0},
    {"brain.img", paintBrain, 11},
    {"noirose1.img", paintRose, 12},
    {"noiroze2.img", paintRose, 13},
    {"platine1.img", paintPlatine, 14},
    {"platine2.img", paintPlatine, 15},
    {"platine3.img", paintPlatine, 16},
    {"platine4.img", paintPlatine, 17},
    {"platine5.img", paintPlatine, 18},
    {"star.img", paintStar, 0},
    {"dirka1.img", paintDirka, 19},
    {"dirka2.img", paintDirka, 20},
    {"wolke1.img", paintWolke, 21},
    {"wolke2.img", paintWolke, 22},
    {"sintable1.img", paintSintable, 0},
    {"sintable2.img", paintSintable, 0},
    {"lobotom.img", paintLobotom, 23},
    {"sintable3.img", paintSintable, 0},
    {"lobotomi.img", paintLobotom, 24},
    {"kruk.img", paintKruk, 0},
    {"lineyka.img", paintLineyka, 0},
    {"kurukulum1.img", paintKurukulum, 0},
    {"kurukulum2.img", paintKurukulum, 0},
    {"synapse1.img", paintSynapse, 25},
    {"synapse2.img", paintSynapse, 26},
    {"3d.img", paintThreeD, 0},
    {"brainbug.img", paintBrainbug, 27},
    {"dist.img", paintDist, 28},
    {"zeptor.img", paintZeptor, 0},
    {"form1.img", paintForm, 0},
    {"form2.img", paintForm, 0},
    {"form3.img", paintForm, 0},
    {"form4.img", paintForm, 0},
    {"gitter.img", paintGitter, 0},
    {"welle.img", paintWelle, 0},
    {"graf.img", paintGraf, 0},
    {"krutit.img", paintKrutit, 0},
    {"landscape.img", paintLandscape, 29},
    {"line.img", paintLine, 30},
    {"skeleton.img", paintSkeleton, 31},
    {"spiral.img", paintSpiral, 0},
    {"infinity.img", paintInfinity, 0},
    {"voxel.img", paintVoxel, 32},
    {"wertit.img", paintWertit, 0},
    {"zifri.img", paintZifri, 33},
    {"curve.img", paintCurve, 0},
    {"end.img", paintEnd, 0},
    {"netz.img", paintNetz, 0},
};

constexpr bool sameText(const char* a, const char* b) {
  while (*a != '\0' && *a == *b) ++a, ++b;
  return *a == *b;
}

constexpr bool paintersFollowTheAssetList() {
  for (int i = 0; i < PictureCount; ++i)
    if (!sameText(Painters[i].name, AssetList[i].name)) return false;
  return true;
}
static_assert(paintersFollowTheAssetList(), "Painters must name the pictures of AssetList in its order");

template <size_t... I>
constexpr std::array<PictureRecipe, PictureCount> recipesOf(std::index_sequence<I...>) {
  return {{PictureRecipe{AssetList[I].name, AssetList[I].width, AssetList[I].height, Painters[I].paint,
                         Painters[I].seed}...}};
}

}  // namespace

const std::array<PictureRecipe, PictureCount> Pictures = recipesOf(std::make_index_sequence<PictureCount>());

Canvas renderPicture(const PictureRecipe& recipe) {
  Canvas cv = makeCanvas(recipe.width, recipe.height);
  if (recipe.paint) recipe.paint(cv, recipe);
  // The decoder never reads the last row: keep it black in the data too.
  for (int x = 0; x < cv.width; ++x) cv.v[size_t(cv.height - 1) * cv.width + x] = 0;
  return cv;
}
