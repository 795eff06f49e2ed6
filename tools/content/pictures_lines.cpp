// Lines and forms: curves, waves, a spiral, the infinity sign, a grid, solid forms.
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

}  // namespace

void paintInfinity(Canvas& cv, const PictureRecipe&) {
  // Kept within a radius that its three tilted copies (10, 20 and 30 degrees)
  // do not push out of their fixed frames.
  const auto pts = lemniscate(cv.width / 2.0, cv.height / 2.0, 170, 400);
  polyline(cv, pts, 26, 0.6, Ink::Max, true);
  polyline(cv, pts, 12, 1.0, Ink::Max, true);
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

void paintForm(Canvas& cv, const PictureRecipe& s) {
  const int variant = s.name[4] - '0';
  const double W = cv.width, H = cv.height;
  if (variant == 4) {
    // All forms together.
    // The disc whole, clear of the left edge.
    fillCircle(cv, W * 0.2, H * 0.5, H * 0.27, 0.8);
    fillPolygon(cv, {{W * 0.38, H * 0.82}, {W * 0.5, H * 0.18}, {W * 0.62, H * 0.82}}, 0.95);
    fillRect(cv, W * 0.7, H * 0.22, W * 0.94, H * 0.78, 0.7);
    ring(cv, W * 0.2, H * 0.5, H * 0.16, 8, 0.1, Ink::Over);
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
