// The polygon renderer: worked values of the quad camera's matrices, the
// filler's span rules in either winding, and the depth a keyed texel writes.
#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "effects/polygon3d.h"
#include "raster/numeric.h"
#include "raster/vecmath.h"
#include "fixtures.h"

namespace {

Vertex3D screenVertex(double x, double y, double z) {
  Vertex3D v{};
  v.x = x;
  v.y = y;
  v.z = z;
  v.w = 1.0;
  v.u = 0.5f;
  v.v = 0.5f;
  v.sx = roundToInt32(x);
  v.sy = roundToInt32(y);
  return v;
}

Polygon3D screenPolygon(std::initializer_list<Vertex3D> corners) {
  Polygon3D p{};
  for (const Vertex3D& v : corners) p.vertex[p.count++] = v;
  return p;
}

// A rectangle on the screen, corners in either winding.
Polygon3D screenRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1, double z, bool clockwise) {
  if (clockwise)
    return screenPolygon(
        {screenVertex(x0, y0, z), screenVertex(x1, y0, z), screenVertex(x1, y1, z), screenVertex(x0, y1, z)});
  return screenPolygon(
      {screenVertex(x0, y0, z), screenVertex(x0, y1, z), screenVertex(x1, y1, z), screenVertex(x1, y0, z)});
}

Image solidTexture(Color32 c) {
  Image t;
  AllocImage(t, 4, 4);
  std::fill(t.pixels, t.pixels + 16, c);
  return t;
}

TEST(Polygon3D, MatricesOfTheQuadCamera) {
  const Matrix4 view = lookAtMatrix(vector(0, 0, 10), vector(0, 0, 1), vector(0, 1, 0));
  const double expectedView[16] = {-0.704934, 0, 0, 0, 0, 0.700623, 0, 0, 0, 0, -0.993884, 0, 0, 0, 9.938837, 1};
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(view.m[i], expectedView[i], 5e-7) << "view m[" << i << "]";

  const Matrix4 proj = perspectiveMatrix(float(90.0 * M_PI / 180.0), 1.0f, 0.1f, 100.0f);
  const double expectedProj[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1.001001, -0.1001, 0, 0, 1, 0};
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(proj.m[i], expectedProj[i], 5e-7) << "projection m[" << i << "]";
  EXPECT_EQ(proj.m[15], 0.0f);
}

TEST(Polygon3D, FillerSpanRulesAndWinding) {
  ScreenScope screen;
  sizeRenderer();
  Image tex = solidTexture(0xFF112233);
  // Rectangles over row 360, spans n = 1, 2 and 5 wide; the last row is never drawn.
  struct Case {
    int32_t n, drawn;
  } cases[] = {{1, 1}, {2, 1}, {5, 4}, {40, 39}};
  for (const Case& c : cases) {
    uint64_t hashes[2];
    for (int winding = 0; winding < 2; ++winding) {
      clearScreen(0xFF000000);
      clearDepthBuffer();
      fillPolygon3D(tex, 0, screenRect(100, 300, 100 + c.n, 400, 0.0, winding == 0));
      EXPECT_EQ(countRow(299, 0xFF112233), 0);
      EXPECT_EQ(countRow(300, 0xFF112233), c.drawn) << "n = " << c.n;
      EXPECT_EQ(countRow(399, 0xFF112233), c.drawn) << "n = " << c.n;
      EXPECT_EQ(countRow(400, 0xFF112233), 0) << "last row";
      EXPECT_EQ(getPixel(Screen, 100, 350), 0xFF112233u) << "spans start at the left edge";
      hashes[winding] = hashImage(Screen);
    }
    EXPECT_EQ(hashes[0], hashes[1]) << "the other winding draws the same picture, n = " << c.n;
  }

  // Top and bottom on the same row: nothing.
  clearScreen(0xFF000000);
  fillPolygon3D(tex, 0,
                screenPolygon({screenVertex(100, 360, 0), screenVertex(200, 360.2, 0), screenVertex(300, 359.8, 0)}));
  EXPECT_EQ(countRow(360, 0xFF112233) + countRow(359, 0xFF112233), 0);

  // Partly off the screen: refused as a whole instead of writing outside.
  clearScreen(0xFF000000);
  fillPolygon3D(tex, 0, screenRect(-10, 300, 50, 400, 0.0, true));
  fillPolygon3D(tex, 0, screenRect(100, 300, 150, 720, 0.0, true));
  EXPECT_EQ(countRow(350, 0xFF112233), 0);
  freeImage(tex);
}

TEST(Polygon3D, KeyedTexelStillWritesDepth) {
  ScreenScope screen;
  sizeRenderer();
  Image keyed = solidTexture(0x00000000);
  Image red = solidTexture(0xFFFF0000);
  clearScreen(0xFF000000);
  // The nearer polygon is all key colour: no pixel changes, but its depth holds.
  fillPolygon3D(keyed, 0, screenRect(100, 300, 200, 400, -1.0, true));
  EXPECT_EQ(countRow(350, 0xFF000000), 1280);
  EXPECT_EQ(DepthBuffer[350 * 1280 + 150], -1.0f);
  // A farther one drawn later only shows where the first one is not.
  fillPolygon3D(red, 0, screenRect(150, 300, 250, 400, -0.5, true));
  EXPECT_EQ(getPixel(Screen, 160, 350), 0xFF000000u);
  EXPECT_EQ(getPixel(Screen, 220, 350), 0xFFFF0000u);
  EXPECT_EQ(countRow(350, 0xFFFF0000), 248 - 199 + 1);  // 199 was left by the keyed span
  // Depth 0.01 and above is rejected after a clear.
  clearDepthBuffer();
  for (size_t i = 0; i < DepthBuffer.size(); i += 4099) ASSERT_EQ(DepthBuffer[i], 0.01f);
  clearScreen(0xFF000000);
  fillPolygon3D(red, 0, screenRect(100, 300, 200, 400, 0.01f, true));
  EXPECT_EQ(countRow(350, 0xFFFF0000), 0);
  freeImage(keyed);
  freeImage(red);
}

TEST(Polygon3D, ClearingTheDrawnDepthsClearsAllThatWasDrawn) {
  ScreenScope screen;
  sizeRenderer();
  Image tex = solidTexture(0xFF445566);
  clearScreen(0xFF000000);
  // Polygons near every edge of the screen, of one row and one pixel, in
  // either winding, nearer and farther: whatever their spans wrote comes back.
  fillPolygon3D(tex, 0, screenRect(0, 0, 1279, 3, -0.5, true));
  fillPolygon3D(tex, 0, screenRect(1200, 700, 1279, 719, -0.25, false));
  fillPolygon3D(tex, 0, screenRect(640, 360, 641, 361, -0.75, true));
  fillPolygon3D(tex, 0,
                screenPolygon({screenVertex(10, 100, -0.1), screenVertex(1270, 400, -0.9), screenVertex(300, 719, 0)}));
  EXPECT_LT(std::count(DepthBuffer.begin(), DepthBuffer.end(), 0.01f), 921600 - 1000);
  clearDrawnDepths();
  EXPECT_EQ(std::count(DepthBuffer.begin(), DepthBuffer.end(), 0.01f), 921600);
  // Twice, and after a full clear, there is nothing left to do.
  clearDrawnDepths();
  clearDepthBuffer();
  clearDrawnDepths();
  EXPECT_EQ(std::count(DepthBuffer.begin(), DepthBuffer.end(), 0.01f), 921600);
  // A refused polygon draws nothing and leaves nothing to clear.
  DepthBuffer[5] = 0.5f;
  fillPolygon3D(tex, 0, screenRect(-10, 300, 50, 400, 0.0, true));
  clearDrawnDepths();
  EXPECT_EQ(DepthBuffer[5], 0.5f);
  clearDepthBuffer();
  freeImage(tex);
}

}  // namespace
