// The tumbling quad: at rest it covers the middle of the screen upright, and
// its arithmetic is pinned to the bit: projected vertices and whole filled
// frames worked out separately (every single-precision step rounded on its
// own, the doubles kept as doubles), so a change of precision, rounding or
// evaluation order anywhere in the chain shows up here.
#include <algorithm>

#include "data/util.h"
#include "effects/polygon3d.h"
#include "effects/quad3d.h"
#include "raster/vecmath.h"
#include "fixtures.h"

namespace {

// Four bright quadrants: tells the quad's orientation on the screen.
Color32 quadrants(int32_t x, int32_t y, int32_t w, int32_t h) {
  const bool right = x >= w / 2, lower = y >= h / 2;
  if (!right && !lower) return 0xFFF00000;
  if (right && !lower) return 0xFF00F000;
  if (!right && lower) return 0xFF0000F0;
  return 0xFFF0F0F0;
}

struct PinnedVertex {
  double x, y, z, w;
  float u, v;
  int32_t sx, sy;
};

// At 53281 the square is almost face-on; at 53777 it shows its back face, the
// winding is reversed and the filler exchanges its edge tables.
const PinnedVertex At53281[4] = {
    {0x1.7417e4e1f560ap+7, 0x1.a8e8452a27464p+6, -0x1.6032c22c26d01p+3, -0x1.01960ep+0, 0.0f, 0.0f, 186, 106},
    {0x1.117d0363c153fp+10, 0x1.a8e8452a27464p+6, -0x1.6032c22c26d01p+3, -0x1.01960ep+0, -0x1.01960ep+0f, 0.0f, 1094,
     106},
    {0x1.11408ccb08d7p+10, 0x1.329f5d610df41p+9, -0x1.60219a8107276p+3, -0x1.010cd2p+0, -0x1.010cd2p+0f,
     -0x1.010cd2p+0f, 1093, 613},
    {0x1.75fb99a7b947ep+7, 0x1.329f5d610df41p+9, -0x1.60219a8107276p+3, -0x1.010cd2p+0, 0.0f, -0x1.010cd2p+0f, 187,
     613},
};
const PinnedVertex At53777[4] = {
    {0x1.bf76db4da47cp+7, 0x1.ff6a1d7d54b35p+7, -0x1.5d867a0b4a18dp+3, -0x1.d86798p-1, 0.0f, 0.0f, 224, 256},
    {0x1.081124964b708p+10, 0x1.ff6a1d7d54b35p+7, -0x1.5d867a0b4a18dp+3, -0x1.d86798p-1, -0x1.d86798p-1f, 0.0f, 1056,
     256},
    {0x1.1c7ff90c02f1cp+10, 0x1.e4c51ef3eaf49p+8, -0x1.63528a26cd436p+3, -0x1.1a944ap+0, -0x1.1a944ap+0f,
     -0x1.1a944ap+0f, 1138, 485},
    {0x1.1c00379fe8724p+7, 0x1.e4c51ef3eaf49p+8, -0x1.63528a26cd436p+3, -0x1.1a944ap+0, 0.0f, -0x1.1a944ap+0f, 142,
     485},
};

void expectVertices(const Polygon3D& got, const PinnedVertex (&want)[4], int32_t t) {
  for (int i = 0; i < 4; ++i) {
    const Vertex3D& g = got.vertex[i];
    const PinnedVertex& w = want[i];
    EXPECT_EQ(g.x, w.x) << t << " vertex " << i;
    EXPECT_EQ(g.y, w.y) << t << " vertex " << i;
    EXPECT_EQ(g.z, w.z) << t << " vertex " << i;
    EXPECT_EQ(g.w, w.w) << t << " vertex " << i;
    EXPECT_EQ(g.u, w.u) << t << " vertex " << i;
    EXPECT_EQ(g.v, w.v) << t << " vertex " << i;
    EXPECT_EQ(g.sx, w.sx) << t << " vertex " << i;
    EXPECT_EQ(g.sy, w.sy) << t << " vertex " << i;
  }
}

TEST(Quad3D, AtRestCoversTheMiddleUpright) {
  ModuleScope scope(ThreeDImage, 32, 32, quadrants);
  initQuad3D();
  EXPECT_TRUE(hasSize(quadTexture, 64, 64));
  EXPECT_NEAR(quadView.m[0], -0.704934, 5e-7);
  EXPECT_NEAR(quadView.m[14], 9.938837, 5e-7);
  EXPECT_NEAR(ProjectionMatrix.m[10], 1.001001, 5e-7);
  EXPECT_NEAR(ProjectionMatrix.m[11], -0.1001, 5e-7);

  // The window's first frame: almost face-on.
  clearScreen(0xFF000000);
  drawAt(53281, drawQuad3D);
  EXPECT_FLOAT_EQ(quadAngle, float(-1.0 / 96.0));
  int32_t cornerX[4], cornerY[4];
  for (int i = 0; i < 4; ++i) {
    cornerX[i] = quadWork.vertex[i].sx;
    cornerY[i] = quadWork.vertex[i].sy;
  }
  EXPECT_EQ(*std::min_element(cornerX, cornerX + 4), 186);
  EXPECT_EQ(*std::max_element(cornerX, cornerX + 4), 1094);
  EXPECT_EQ(*std::min_element(cornerY, cornerY + 4), 106);
  EXPECT_EQ(*std::max_element(cornerY, cornerY + 4), 613);
  // Upright: vertex 0 (texture top-left) at the upper left.
  EXPECT_EQ(cornerX[0], 186);
  EXPECT_EQ(cornerY[0], 106);
  int32_t minX = 9999, maxX = -1, minY = 9999, maxY = -1;
  for (int32_t y = 0; y < 720; ++y)
    for (int32_t x = 0; x < 1280; ++x)
      if (getPixel(Screen, x, y) != 0xFF000000u) {
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
      }
  // The last row and span pixels are not drawn, nor the texture's keyed edge.
  EXPECT_EQ(minX, 186);
  EXPECT_EQ(minY, 106);
  EXPECT_LE(maxX, 1093);
  EXPECT_GE(maxX, 1060);
  EXPECT_LE(maxY, 612);
  EXPECT_GE(maxY, 580);
  auto channels = [](Color32 c) { return c & 0x00C0C0C0; };
  EXPECT_EQ(channels(getPixel(Screen, 300, 200)), 0x00C00000u);
  EXPECT_EQ(channels(getPixel(Screen, 980, 200)), 0x0000C000u);
  EXPECT_EQ(channels(getPixel(Screen, 300, 520)), 0x000000C0u);
  EXPECT_EQ(channels(getPixel(Screen, 980, 520)), 0x00C0C0C0u);
  // The depth buffer is ready for the next frame: all of it, though only the
  // drawn part was cleared.
  EXPECT_EQ(std::count(DepthBuffer.begin(), DepthBuffer.end(), 0.01f), 921600);

  // Every frame of the window stays on the screen and is drawn.
  for (int32_t t = 53281; t <= 54299; t += 7) {
    drawAt(t, drawQuad3D);
    for (int i = 0; i < 4; ++i) {
      ASSERT_LT(uint32_t(quadWork.vertex[i].sx), 1280u) << t;
      ASSERT_LT(uint32_t(quadWork.vertex[i].sy), 720u) << t;
    }
  }
  // Half a turn on, the back face shows the texture mirrored top to bottom.
  clearScreen(0xFF000000);
  DemoTime = 53280 + 302;  // angle about -pi
  drawQuad3D();
  EXPECT_EQ(channels(getPixel(Screen, 300, 520)), 0x00C00000u);
  EXPECT_EQ(channels(getPixel(Screen, 300, 200)), 0x000000C0u);
  // Near angle -pi/2 the square is edge-on: next to nothing.
  clearScreen(0xFF000000);
  drawAt(53280 + 151, drawQuad3D);
  int32_t lit = 0;
  for (int32_t i = 0; i < 1280 * 720; ++i) lit += Screen.pixels[i] != 0xFF000000u;
  EXPECT_LT(lit, 1280 * 20);
  freeQuad3D();
}

TEST(Quad3D, MatricesAndProjectedVerticesToTheBit) {
  // 1 / tan(float(pi / 4)) in extended precision is 0.99999991..., which rounds
  // to the single just below 1.
  const Matrix4 proj = perspectiveMatrix(degToRad(90.0f), 1.0f, 0.1f, 100.0f);
  EXPECT_EQ(proj.m[0], 0x1.fffffep-1f);
  EXPECT_EQ(proj.m[5], 0x1.fffffep-1f);
  EXPECT_EQ(proj.m[10], 0x1.00419ap+0f);
  EXPECT_EQ(proj.m[11], -0x1.9a029p-4f);
  const Matrix4 view = lookAtMatrix(vector(0, 0, 10), vector(0, 0, 1), vector(0, 1, 0));
  EXPECT_EQ(view.m[0], -0x1.68ed2ap-1f);
  EXPECT_EQ(view.m[5], 0x1.66b808p-1f);
  EXPECT_EQ(view.m[10], -0x1.fcde52p-1f);
  EXPECT_EQ(view.m[14], 0x1.3e0af4p+3f);

  // The frame routine's own working copy.
  ScreenScope screen;
  Image saved = ThreeDImage;
  Image small;
  AllocImage(small, 8, 8);
  ThreeDImage = small;
  initQuad3D();
  drawAt(53281, drawQuad3D);
  expectVertices(quadWork, At53281, 53281);
  drawAt(53777, drawQuad3D);
  expectVertices(quadWork, At53777, 53777);
  freeQuad3D();
  freeImage(small);
  ThreeDImage = saved;
}

TEST(Quad3D, FilledFramesToTheBit) {
  ScreenScope screen;
  // An odd-sized texture of scattered values with key-coloured diagonals.
  Image tex;
  AllocImage(tex, 97, 61);
  for (int32_t y = 0; y < 61; ++y)
    for (int32_t x = 0; x < 97; ++x)
      putPixel(tex, x, y, (x + y) % 7 == 0 ? 0u : (uint32_t(x) * 2654435761u) ^ (uint32_t(y) * 40503u));
  ProjectionMatrix = perspectiveMatrix(degToRad(90.0f), 1.0f, 0.1f, 100.0f);
  const Matrix4 view = lookAtMatrix(vector(0, 0, 10), vector(0, 0, 1), vector(0, 1, 0));
  sizeRenderer();

  struct Frame {
    int32_t t, changed;
    uint64_t screen, depth;
  };
  const Frame frames[] = {
      {53281, 393776, 0x510df0c78965623full, 0x508c1d5e09dd9c62ull},
      {53431, 702, 0x2f65e6f4734db64full, 0x294736ffa655498full},  // edge-on, rows 360 .. 361
      {53500, 263146, 0x0d276815756bf4aaull, 0x84940ccd2c0d6f46ull},
      {53777, 179189, 0xd6c39d8cb77a7255ull, 0xcdd28851ac6e9d92ull},  // back face
      {54299, 148935, 0xa24030fa835e3f59ull, 0x4c4d83830ca89ff8ull},
  };
  const double cornerX[4] = {-1, 1, 1, -1}, cornerY[4] = {-1, -1, 1, 1};
  const float cornerU[4] = {0, 1, 1, 0}, cornerV[4] = {0, 0, 1, 1};
  for (const Frame& f : frames) {
    for (uint32_t i = 0; i < 921600; ++i) Screen.pixels[i] = 0xFF000000u | i;
    const float angle = float(double(53280 - f.t) / 96.0);
    Polygon3D poly{};
    poly.count = 4;
    for (int k = 0; k < 4; ++k) {
      Vertex3D v{};
      v.x = cornerX[k];
      v.y = cornerY[k];
      v.w = 1.0;
      v.u = cornerU[k];
      v.v = cornerV[k];
      const Matrix4 m = matMul(matRotateX(angle), view);
      setVertexPosition(v, matTransform(m, vertexPosition(v)));
      poly.vertex[k] = projectVertex(v);
    }
    fillPolygon3D(tex, 0, poly);
    int32_t changed = 0;
    for (uint32_t i = 0; i < 921600; ++i) changed += Screen.pixels[i] != (0xFF000000u | i);
    EXPECT_EQ(changed, f.changed) << f.t;
    EXPECT_EQ(fnv(Screen.pixels, 921600), f.screen) << f.t;
    EXPECT_EQ(fnv(DepthBuffer.data(), 921600), f.depth) << f.t;
    clearDepthBuffer();
  }
  freeImage(tex);
}

}  // namespace
