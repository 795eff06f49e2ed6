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
    // Stem and leaves: each leaf grows from a point of the stem, pointed, with its midrib.
    const auto stem = bezier({cx, cy + R * 0.8}, {cx - R * 0.3, cy + R * 1.6}, {cx + R * 0.3, cy + R * 2.0},
                             {cx, cv.height - 8.0}, 40);
    polyline(cv, stem, std::max(3.0, R * 0.08), 0.75);
    for (int side = -1; side <= 1; side += 2) {
      const Point base = stem[side < 0 ? 14 : 24];
      const double len = R * 0.7, wide = R * 0.16, dy = -R * 0.25;
      const Point tip{base.x + side * len, base.y + dy};
      std::vector<Point> leaf;
      for (int j = 0; j <= 16; ++j) {  // upper edge out, lower edge back
        const double t = j / 16.0, bulge = wide * dm::sin(t * Pi);
        leaf.push_back({base.x + (tip.x - base.x) * t, base.y + (tip.y - base.y) * t - bulge});
      }
      for (int j = 15; j >= 1; --j) {
        const double t = j / 16.0, bulge = wide * dm::sin(t * Pi);
        leaf.push_back({base.x + (tip.x - base.x) * t, base.y + (tip.y - base.y) * t + bulge});
      }
      fillPolygon(cv, leaf, 0.6);
      line(cv, base.x, base.y, tip.x, tip.y, 3, 0.85);
    }
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
  // The picture drifts down the screen until only its top rows are left, so
  // the mountains rise high into the sky: there are peaks, a moon and stars to
  // the last. The sun sets in stripes between the far ridges.
  Rng rng(s.seed);
  const double W = cv.width, H = cv.height, horizon = H * 0.36;
  for (int i = 0; i < 140; ++i) {
    const double x = rng.range(0, W), y = rng.range(0, horizon), r = rng.range(1.5, 3.0);
    fillCircle(cv, x, y, r, rng.range(0.6, 1.0));
  }
  fillCircle(cv, W * 0.16, 46, 34, 0.95);
  fillCircle(cv, W * 0.16 + 16, 38, 30, 0.0, Ink::Over);  // crescent
  // The sun: cut into bands that widen towards the horizon.
  const double sx = W * 0.6, sy = 74, sr = 60;
  fillCircle(cv, sx, sy, sr, 0.9);
  for (int i = 0; i < 8; ++i) {  // from above its middle, where the far ridges do not hide them
    const double y = sy - 30 + i * 10;
    fillRect(cv, sx - sr - 2, y, sx + sr + 2, y + 2 + i * 0.8, 0.0, Ink::Erase);
  }
  // Mountain ridges, far (dim) to near (bright), the far ones reaching near the top.
  const double plain = horizon + 60;
  for (int layer = 0; layer < 3; ++layer) {
    Noise n{unsigned(s.seed + layer)};
    std::vector<Point> ridge{{0, plain}};
    for (int x = 0; x <= int(W); x += 4)
      ridge.push_back({double(x), horizon + 34 * layer - (230 - 60 * layer) * (n.fbm(x, 0, 90 - 20 * layer, 3) - 0.2)});
    ridge.push_back({W, plain});
    fillPolygon(cv, ridge, 0.12 + 0.1 * layer, Ink::Over);
    polyline(cv, std::vector<Point>(ridge.begin() + 1, ridge.end() - 1), 3.5, 0.6 + 0.2 * layer);
  }
  // A perspective grid on the plain.
  fillRect(cv, 0, plain, W, H, 0.0, Ink::Over);
  for (int i = -24; i <= 24; ++i) line(cv, W / 2 + i * 8, plain, W / 2 + i * 90, H, 3, 0.75);
  for (int k = 0; k < 12; ++k) {
    const double y = plain + (H - plain) * (k * k) / 121.0;
    line(cv, 0, y, W, y, 3, 0.75);
  }
}

void paintVoxel(Canvas& cv, const PictureRecipe& s) {
  // Voxel-space terrain: for each column, march away from the eye and draw the
  // height field's visible spans front to back. Heights come in terraces and
  // columns in blocks of four, so the voxels show. The show adds this picture,
  // widened, onto the digit field: the faces stay dark (the terraces facing
  // away darkest, never black), the lit edge of each terrace is bright and
  // three rows thick, and the distance fades out to black.
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
        const double slope = std::clamp((h - height(wx - 3, wz + 3)) / 10, -1.0, 1.0);  // lit from the far left
        const double fade = clamp01((400 - z) / 260);
        const double face = (0.16 + 0.08 * slope + 0.14 * h / 180.0) * fade;
        const double edge = (0.55 + 0.45 * h / 180.0) * fade;
        for (int yy = std::max(0, y); yy < lowest && yy < H; ++yy)
          cv.v[size_t(yy) * W + x] = float(yy < y + 3 ? edge : face);
        lowest = std::max(0, y);
      }
    }
  }
}

void paintDist(Canvas& cv, const PictureRecipe& s) {
  // Cloudy noise with deep black gaps; its complement textures the bright
  // strokes of the title words and the logo. Clouds over a third of it: the
  // complement is mostly light, so the textured letters still read, and the
  // drift scenes that add it keep the digit field a background.
  Noise n{unsigned(s.seed)};
  for (int y = 0; y < cv.height; ++y)
    for (int x = 0; x < cv.width; ++x) {
      const double v = n.fbm(x, y, 48, 4);
      cv.v[size_t(y) * cv.width + x] = float(clamp01((v - 0.46) * 2.4));
    }
}
