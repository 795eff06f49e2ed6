// Anatomy: the brain and what carries it, heads, neurons, a skeleton.
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

// A side view of a brain, facing left: the cortex folded into gyri (the
// contour lines of smooth noise make convincing sulci), the lateral fissure,
// the striped cerebellum under the back and a short stem.
void drawBrain(Canvas& cv, double cx, double cy, double rx, double ry, unsigned seed, double bright = 1.0,
               bool cortexOnly = false) {
  // Stem and cerebellum first, the cortex overlaps them.
  if (!cortexOnly) {
    // The stem: tapering and bending back under the cerebellum.
    const auto front = bezier({cx + rx * 0.1, cy + ry * 0.4}, {cx + rx * 0.12, cy + ry * 0.7},
                              {cx + rx * 0.2, cy + ry * 0.9}, {cx + rx * 0.3, cy + ry * 1.08}, 16);
    const auto back = bezier({cx + rx * 0.42, cy + ry * 1.08}, {cx + rx * 0.34, cy + ry * 0.85},
                             {cx + rx * 0.36, cy + ry * 0.6}, {cx + rx * 0.4, cy + ry * 0.4}, 16);
    std::vector<Point> stem = front;
    stem.insert(stem.end(), back.begin(), back.end());
    fillPolygon(cv, stem, 0.55 * bright);
    polyline(cv, stem, std::max(2.0, rx * 0.01), 0.8 * bright, Ink::Max, true);
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
      // Sulci along contours that follow the outline (rings of the elliptic
      // radius), bent and broken by noise: gyri that wind round the hemisphere
      // as a brain's do, not a marble of random contours.
      const double ex = (x - cx) / rx, ey = (y - cy) / ry;
      const double re = std::sqrt(ex * ex + ey * ey);
      const double u = x / scale, v = y / scale;
      const double wu = u + 0.5 * fine.at(u * 1.3, v * 1.3), wv = v + 0.5 * fine.at(v * 1.3 + 9, u * 1.3);
      const double f = re * 4.5 + 2.4 * folds.at(wu * 0.45, wv * 0.45) + 0.6 * folds.at(wu * 1.1 + 5, wv * 1.1);
      const double d = std::fabs(f - std::floor(f) - 0.5);
      // Each gyrus rounded like a tube: darkest in the sulcus, brightest along its crest.
      const double across = clamp01((d - 0.05) / 0.45);
      const double groove = std::sqrt(across) * (0.75 + 0.25 * across);
      const double light = 0.7 + 0.25 * clamp01((cy + ry * 0.3 - y) / (ry * 1.3));
      paint(cv, x, y, m, (0.08 + (light - 0.08) * groove) * bright, Ink::Over);
    }
  const double thick = std::max(1.5, rx / 60);
  polyline(cv,
           bezier({cx - rx * 0.6, cy + ry * 0.36}, {cx - rx * 0.25, cy - ry * 0.05}, {cx - rx * 0.05, cy + ry * 0.3},
                  {cx + rx * 0.36, cy - ry * 0.2}, 40),
           thick * 2, 0.04, Ink::Over);
  polyline(cv, outline, thick * 1.3, 1.0 * bright, Ink::Max, true);
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

// A bone: a shaft with knobbed ends.
void bone(Canvas& cv, double x0, double y0, double x1, double y1, double t, double a = 0.95) {
  line(cv, x0, y0, x1, y1, t, a);
  for (const Point p : {Point{x0, y0}, Point{x1, y1}}) {
    fillCircle(cv, p.x - t * 0.35, p.y, t * 0.62, a);
    fillCircle(cv, p.x + t * 0.35, p.y, t * 0.62, a);
  }
}

}  // namespace

void paintBrain(Canvas& cv, const PictureRecipe& s) {
  drawBrain(cv, cv.width * 0.5, cv.height * 0.45, cv.width * 0.36, cv.height * 0.36, s.seed);
}

void paintBrainbug(Canvas& cv, const PictureRecipe& s) {
  // The rising strip adds this picture over the field and over itself: mid
  // greys, so it keeps its folds instead of burning to white.
  const double cx = cv.width * 0.5, cy = cv.height * 0.52;
  // Six legs and two antennae.
  for (int i = 0; i < 3; ++i)
    for (int side = -1; side <= 1; side += 2) {
      const double bx = cx - 60 + i * 60, by = cy;
      polyline(cv, {{bx, by}, {bx + (i - 1) * 30, by + side * 60}, {bx + (i - 1) * 70, by + side * 92}}, 6, 0.55);
    }
  polyline(cv, bezier({cx - 150, cy - 10}, {cx - 200, cy - 60}, {cx - 230, cy - 80}, {cx - 250, cy - 60}, 20), 4, 0.6);
  polyline(cv, bezier({cx - 150, cy + 10}, {cx - 200, cy + 60}, {cx - 230, cy + 80}, {cx - 250, cy + 60}, 20), 4, 0.6);
  fillCircle(cv, cx - 140, cy, 26, 0.5);  // head
  fillCircle(cv, cx - 150, cy - 10, 5, 0.0, Ink::Over);
  fillCircle(cv, cx - 150, cy + 10, 5, 0.0, Ink::Over);
  fillEllipse(cv, cx - 90, cy, 34, 30, 0.42);  // thorax
  // The abdomen is a brain.
  drawBrain(cv, cx + 60, cy - 4, 120, 70, s.seed, 0.6, true);
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
