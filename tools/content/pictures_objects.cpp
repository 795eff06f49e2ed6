// Objects: circuit boards, a star, plates, a hook, a sceptre, wheels, a net.
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
  // Chips apart from each other, pins included: a place that overlaps one
  // already there is drawn again (a board whose first places fit keeps them).
  for (int i = 0; i < chips; ++i) {
    for (int tries = 0; tries < 40; ++tries) {
      const double w = grid * (3 + rng.below(5)), h = grid * (2 + rng.below(3));
      const double x = grid * (1 + rng.below(int((W - w) / grid) - 1)),
                   y = grid * (1 + rng.below(int((H - h) / grid) - 1));
      bool apart = true;
      for (const Box& b : boxes)
        apart = apart && (x > b.x1 + grid || x + w + grid < b.x0 || y > b.y1 + grid || y + h + grid < b.y0);
      if (!apart) continue;
      boxes.push_back({x, y, x + w, y + h});
      break;
    }
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

std::vector<Point> starPoints(double cx, double cy, double ro, double ri, int n, double rot) {
  std::vector<Point> pts;
  for (int i = 0; i < 2 * n; ++i) {
    const double a = rot + i * Pi / n, r = (i % 2) ? ri : ro;
    pts.push_back({cx + dm::cos(a) * r, cy + dm::sin(a) * r});
  }
  return pts;
}

}  // namespace

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

void paintZeptor(Canvas& cv, const PictureRecipe&) {
  // A sceptre: a crown of five points holding an orb with a cross, on a ringed
  // staff, before a halo of wedge-shaped rays. The spin scene adds copies of it
  // onto the digit field and blurs them: bright fills edged brighter, and rays
  // wide enough to stay rays after the blur.
  const double cx = cv.width * 0.5, H = cv.height;
  for (int i = 0; i < 16; ++i) {  // halo of rays
    const double a = (i + 0.5) * Pi / 8, da = 0.05;
    fillPolygon(cv,
                {{cx + dm::cos(a - da) * 96, 110 + dm::sin(a - da) * 96},
                 {cx + dm::cos(a) * 300, 110 + dm::sin(a) * 300},
                 {cx + dm::cos(a + da) * 96, 110 + dm::sin(a + da) * 96}},
                0.4);
  }
  fillRect(cv, cx - 9, 196, cx + 9, H - 24, 0.8);  // the staff
  frameRect(cv, cx - 9, 196, cx + 9, H - 24, 3, 1.0);
  for (double y = 214; y < H - 30; y += 30) fillRect(cv, cx - 14, y, cx + 14, y + 8, 1.0);
  fillEllipse(cv, cx, H - 22, 18, 9, 0.9);
  // The crown: a band with five points, each tipped with a pearl.
  const double top = 128, band = 172, half = 56;
  std::vector<Point> crown{{cx - half, band + 22}, {cx + half, band + 22}, {cx + half, band}};
  for (int i = 4; i >= 0; --i) {
    const double x = cx - half + i * (2 * half / 4);
    crown.push_back({x, top + (i == 2 ? -6 : 0)});
    if (i > 0) crown.push_back({x - half / 4, band - 14});
  }
  crown.push_back({cx - half, band});
  fillPolygon(cv, crown, 0.8);
  polyline(cv, crown, 4, 1.0, Ink::Max, true);
  for (int i = 0; i <= 4; ++i) fillCircle(cv, cx - half + i * (2 * half / 4), top - 4 + (i == 2 ? -6 : 0), 6, 1.0);
  fillRect(cv, cx - half, band + 4, cx + half, band + 12, 1.0);  // jewelled band
  for (int i = -2; i <= 2; ++i) fillCircle(cv, cx + i * 22, band + 8, 4, 0.45, Ink::Over);
  fillCircle(cv, cx, 86, 30, 0.8);  // orb
  ring(cv, cx, 86, 30, 4, 1.0);
  line(cv, cx - 30, 86, cx + 30, 86, 4, 1.0);
  line(cv, cx, 56, cx, 116, 4, 1.0);
  fillRect(cv, cx - 5, 18, cx + 5, 58, 1.0);  // the cross on top
  fillRect(cv, cx - 16, 28, cx + 16, 37, 1.0);
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
