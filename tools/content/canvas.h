#pragma once
// A grey drawing surface for the generated pictures: one intensity per pixel,
// 0 (black, which the show treats as transparent) to 1 (the brightest grey,
// level 15 of the 4-bit .img format). Shapes are anti-aliased by coverage.
#include <cstdint>
#include <string>
#include <vector>

struct Canvas {
  int width = 0, height = 0;
  std::vector<float> v;
};

// How a shape's coverage c (0..1) with intensity a meets the pixel p.
enum class Ink {
  Max,    // p = max(p, a c): light over dark, overlaps do not add up
  Add,    // p = min(1, p + a c)
  Over,   // p = p (1 - c) + a c: paints over what is there
  Erase,  // p = p (1 - c): cuts a hole
};

struct Point {
  double x, y;
};

Canvas makeCanvas(int width, int height);
void paint(Canvas& cv, int x, int y, double coverage, double a, Ink ink);

void fillRect(Canvas& cv, double x0, double y0, double x1, double y1, double a, Ink ink = Ink::Max);
void frameRect(Canvas& cv, double x0, double y0, double x1, double y1, double thick, double a, Ink ink = Ink::Max);
void fillCircle(Canvas& cv, double cx, double cy, double r, double a, Ink ink = Ink::Max);
void ring(Canvas& cv, double cx, double cy, double r, double thick, double a, Ink ink = Ink::Max);
void fillEllipse(Canvas& cv, double cx, double cy, double rx, double ry, double a, Ink ink = Ink::Max);
void ellipseRing(Canvas& cv, double cx, double cy, double rx, double ry, double thick, double a, Ink ink = Ink::Max);
// A round-capped segment of the given thickness.
void line(Canvas& cv, double x0, double y0, double x1, double y1, double thick, double a, Ink ink = Ink::Max);
void polyline(Canvas& cv, const std::vector<Point>& pts, double thick, double a, Ink ink = Ink::Max,
              bool closed = false);
// Even-odd fill, 4 sub-rows per pixel, exact coverage along each sub-row.
void fillPolygon(Canvas& cv, const std::vector<Point>& pts, double a, Ink ink = Ink::Max);
// Points of a cubic Bezier curve.
std::vector<Point> bezier(Point p0, Point p1, Point p2, Point p3, int steps);

// Smooth value noise in 0..1 with the given feature size in pixels and octaves.
struct Noise {
  unsigned seed;
  double at(double x, double y) const;  // one octave, lattice spacing 1
  double fbm(double x, double y, double scale, int octaves) const;
};

// 4-bit level of an intensity: round(15 v), clamped.
uint8_t levelOf(float v);
// Snaps every lit pixel to a level with a 4 x 4 ordered dither, so smooth ramps
// come out as fine texture instead of bands. Black stays black (transparent),
// and a lit pixel never dithers down to black.
void ditherToLevels(Canvas& cv);
