#include "canvas.h"

#include <algorithm>
#include <cmath>

Canvas makeCanvas(int width, int height) {
  Canvas cv;
  cv.width = width;
  cv.height = height;
  cv.v.assign(size_t(width) * size_t(height), 0.0f);
  return cv;
}

void paint(Canvas& cv, int x, int y, double c, double a, Ink ink) {
  if (x < 0 || y < 0 || x >= cv.width || y >= cv.height || c <= 0) return;
  if (c > 1) c = 1;
  float& p = cv.v[size_t(y) * size_t(cv.width) + size_t(x)];
  double r = p;
  switch (ink) {
    case Ink::Max:
      r = std::max(r, a * c);
      break;
    case Ink::Add:
      r = std::min(1.0, r + a * c);
      break;
    case Ink::Over:
      r = r * (1 - c) + a * c;
      break;
    case Ink::Erase:
      r = r * (1 - c);
      break;
  }
  p = float(r);
}

static double dist2d(double x, double y) { return std::sqrt(x * x + y * y); }

static double clamp01(double x) { return x < 0 ? 0 : (x > 1 ? 1 : x); }

// Runs f(x, y) over the pixels of the box, clipped to the canvas.
template <typename F>
static void overBox(Canvas& cv, double x0, double y0, double x1, double y1, F f) {
  const int ix0 = std::max(0, int(std::floor(x0))), iy0 = std::max(0, int(std::floor(y0)));
  const int ix1 = std::min(cv.width - 1, int(std::ceil(x1))), iy1 = std::min(cv.height - 1, int(std::ceil(y1)));
  for (int y = iy0; y <= iy1; ++y)
    for (int x = ix0; x <= ix1; ++x) f(x, y);
}

void fillRect(Canvas& cv, double x0, double y0, double x1, double y1, double a, Ink ink) {
  overBox(cv, x0 - 1, y0 - 1, x1 + 1, y1 + 1, [&](int x, int y) {
    const double cx = clamp01(std::min(x + 1.0, x1) - std::max(double(x), x0));
    const double cy = clamp01(std::min(y + 1.0, y1) - std::max(double(y), y0));
    paint(cv, x, y, cx * cy, a, ink);
  });
}

void frameRect(Canvas& cv, double x0, double y0, double x1, double y1, double t, double a, Ink ink) {
  fillRect(cv, x0, y0, x1, y0 + t, a, ink);
  fillRect(cv, x0, y1 - t, x1, y1, a, ink);
  fillRect(cv, x0, y0 + t, x0 + t, y1 - t, a, ink);
  fillRect(cv, x1 - t, y0 + t, x1, y1 - t, a, ink);
}

void fillCircle(Canvas& cv, double cx, double cy, double r, double a, Ink ink) {
  overBox(cv, cx - r - 1, cy - r - 1, cx + r + 1, cy + r + 1, [&](int x, int y) {
    const double d = dist2d(x + 0.5 - cx, y + 0.5 - cy);
    paint(cv, x, y, clamp01(r - d + 0.5), a, ink);
  });
}

void ring(Canvas& cv, double cx, double cy, double r, double t, double a, Ink ink) {
  const double o = r + t / 2 + 1;
  overBox(cv, cx - o, cy - o, cx + o, cy + o, [&](int x, int y) {
    const double d = dist2d(x + 0.5 - cx, y + 0.5 - cy);
    paint(cv, x, y, clamp01(t / 2 - std::fabs(d - r) + 0.5), a, ink);
  });
}

// Distance from a point to an ellipse's outline, first-order (good for gentle shapes).
static double ellipseDistance(double dx, double dy, double rx, double ry) {
  const double nx = dx / rx, ny = dy / ry;
  const double k = std::sqrt(nx * nx + ny * ny);
  if (k == 0) return -std::min(rx, ry);
  const double gx = nx / rx, gy = ny / ry;
  return (k - 1) * k / std::sqrt(gx * gx + gy * gy) / k;
}

void fillEllipse(Canvas& cv, double cx, double cy, double rx, double ry, double a, Ink ink) {
  overBox(cv, cx - rx - 1, cy - ry - 1, cx + rx + 1, cy + ry + 1, [&](int x, int y) {
    const double d = ellipseDistance(x + 0.5 - cx, y + 0.5 - cy, rx, ry);
    paint(cv, x, y, clamp01(0.5 - d), a, ink);
  });
}

void ellipseRing(Canvas& cv, double cx, double cy, double rx, double ry, double t, double a, Ink ink) {
  overBox(cv, cx - rx - t - 1, cy - ry - t - 1, cx + rx + t + 1, cy + ry + t + 1, [&](int x, int y) {
    const double d = ellipseDistance(x + 0.5 - cx, y + 0.5 - cy, rx, ry);
    paint(cv, x, y, clamp01(t / 2 - std::fabs(d) + 0.5), a, ink);
  });
}

void line(Canvas& cv, double x0, double y0, double x1, double y1, double t, double a, Ink ink) {
  const double r = t / 2;
  const double dx = x1 - x0, dy = y1 - y0, len2 = dx * dx + dy * dy;
  overBox(cv, std::min(x0, x1) - r - 1, std::min(y0, y1) - r - 1, std::max(x0, x1) + r + 1, std::max(y0, y1) + r + 1,
          [&](int x, int y) {
            const double px = x + 0.5 - x0, py = y + 0.5 - y0;
            double s = len2 > 0 ? (px * dx + py * dy) / len2 : 0;
            s = clamp01(s);
            const double d = dist2d(px - s * dx, py - s * dy);
            paint(cv, x, y, clamp01(r - d + 0.5), a, ink);
          });
}

void polyline(Canvas& cv, const std::vector<Point>& pts, double t, double a, Ink ink, bool closed) {
  // Max ink keeps the joints from doubling up; other inks would, so they draw per pixel once.
  if (ink != Ink::Max) {
    Canvas mask = makeCanvas(cv.width, cv.height);
    polyline(mask, pts, t, 1.0, Ink::Max, closed);
    for (int y = 0; y < cv.height; ++y)
      for (int x = 0; x < cv.width; ++x) paint(cv, x, y, mask.v[size_t(y) * cv.width + x], a, ink);
    return;
  }
  for (size_t i = 1; i < pts.size(); ++i) line(cv, pts[i - 1].x, pts[i - 1].y, pts[i].x, pts[i].y, t, a, ink);
  if (closed && pts.size() > 2) line(cv, pts.back().x, pts.back().y, pts[0].x, pts[0].y, t, a, ink);
}

void fillPolygon(Canvas& cv, const std::vector<Point>& pts, double a, Ink ink) {
  if (pts.size() < 3) return;
  double minY = pts[0].y, maxY = pts[0].y;
  for (const Point& p : pts) minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
  const int y0 = std::max(0, int(std::floor(minY))), y1 = std::min(cv.height - 1, int(std::ceil(maxY)));
  std::vector<double> cover(size_t(cv.width) + 2);
  std::vector<double> xs;
  for (int y = y0; y <= y1; ++y) {
    std::fill(cover.begin(), cover.end(), 0.0);
    bool any = false;
    for (int sub = 0; sub < 4; ++sub) {
      const double sy = y + (sub + 0.5) / 4;
      xs.clear();
      for (size_t i = 0; i < pts.size(); ++i) {
        const Point& p = pts[i];
        const Point& q = pts[(i + 1) % pts.size()];
        if ((p.y <= sy) != (q.y <= sy)) xs.push_back(p.x + (sy - p.y) / (q.y - p.y) * (q.x - p.x));
      }
      std::sort(xs.begin(), xs.end());
      for (size_t i = 0; i + 1 < xs.size(); i += 2) {
        const double l = std::max(0.0, xs[i]), r = std::min(double(cv.width), xs[i + 1]);
        if (r <= l) continue;
        any = true;
        for (int x = int(std::floor(l)); x < int(std::ceil(r)) && x < cv.width; ++x)
          cover[size_t(x)] += (std::min(x + 1.0, r) - std::max(double(x), l)) / 4;
      }
    }
    if (!any) continue;
    for (int x = 0; x < cv.width; ++x)
      if (cover[size_t(x)] > 0) paint(cv, x, y, cover[size_t(x)], a, ink);
  }
}

std::vector<Point> bezier(Point p0, Point p1, Point p2, Point p3, int steps) {
  std::vector<Point> pts;
  for (int i = 0; i <= steps; ++i) {
    const double t = double(i) / steps, u = 1 - t;
    const double b0 = u * u * u, b1 = 3 * u * u * t, b2 = 3 * u * t * t, b3 = t * t * t;
    pts.push_back({b0 * p0.x + b1 * p1.x + b2 * p2.x + b3 * p3.x, b0 * p0.y + b1 * p1.y + b2 * p2.y + b3 * p3.y});
  }
  return pts;
}

static double latticeValue(unsigned seed, int x, int y) {
  uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  h ^= h >> 16;
  return (h & 0xFFFFFF) / double(0xFFFFFF);
}

double Noise::at(double x, double y) const {
  const double fx = std::floor(x), fy = std::floor(y);
  const int ix = int(fx), iy = int(fy);
  double tx = x - fx, ty = y - fy;
  tx = tx * tx * (3 - 2 * tx);
  ty = ty * ty * (3 - 2 * ty);
  const double a = latticeValue(seed, ix, iy), b = latticeValue(seed, ix + 1, iy);
  const double c = latticeValue(seed, ix, iy + 1), d = latticeValue(seed, ix + 1, iy + 1);
  return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

double Noise::fbm(double x, double y, double scale, int octaves) const {
  double sum = 0, amp = 1, norm = 0, f = 1 / scale;
  for (int o = 0; o < octaves; ++o) {
    Noise n{seed + unsigned(o) * 1013u};
    sum += amp * n.at(x * f, y * f);
    norm += amp;
    amp *= 0.5;
    f *= 2;
  }
  return sum / norm;
}

uint8_t levelOf(float v) {
  const int l = int(std::floor(double(v) * 15 + 0.5));
  return uint8_t(l < 0 ? 0 : (l > 15 ? 15 : l));
}

void ditherToLevels(Canvas& cv) {
  static const int Bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
  for (int y = 0; y < cv.height; ++y)
    for (int x = 0; x < cv.width; ++x) {
      float& v = cv.v[size_t(y) * cv.width + x];
      if (v <= 0) continue;
      const double threshold = (Bayer[y & 3][x & 3] + 0.5) / 16;
      const int level = std::clamp(int(std::floor(double(v) * 15 + threshold - 0.5)), 1, 15);
      v = float(level / 15.0);
    }
}
