// Nature and scenery: a rose, clouds, a landscape, voxel terrain, cloudy noise.
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

}  // namespace

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

void paintDist(Canvas& cv, const PictureRecipe& s) {
  // Cloudy noise with deep black gaps; its complement textures the bright strokes.
  Noise n{unsigned(s.seed)};
  for (int y = 0; y < cv.height; ++y)
    for (int x = 0; x < cv.width; ++x) {
      const double v = n.fbm(x, y, 48, 4);
      cv.v[size_t(y) * cv.width + x] = float(clamp01((v - 0.38) * 2.6));
    }
}
