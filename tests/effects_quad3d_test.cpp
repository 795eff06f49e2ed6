// The tumbling quad's arithmetic pinned to the bit: projected vertices and
// whole filled frames worked out separately (every single-precision step
// rounded on its own, the doubles kept as doubles), so a change of precision,
// rounding or evaluation order anywhere in the chain shows up here.
#include <gtest/gtest.h>

#include <cstring>

#include "data/assets.h"
#include "data/util.h"
#include "display/screen.h"
#include "effects/polygon3d.h"
#include "effects/quad3d.h"
#include "music/clock.h"
#include "raster/vecmath.h"
#include "screen_scope.h"

namespace {

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

uint64_t fnv(const void* data, size_t words) {
  const uint32_t* p = static_cast<const uint32_t*>(data);
  uint64_t h = 1469598103934665603ull;
  for (size_t i = 0; i < words; ++i) h = (h ^ p[i]) * 1099511628211ull;
  return h;
}

}  // namespace

TEST(Quad3DArithmetic, MatricesAndProjectedVerticesToTheBit) {
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
  DemoTime = 53281;
  drawQuad3D();
  expectVertices(quadWork, At53281, 53281);
  DemoTime = 53777;
  drawQuad3D();
  expectVertices(quadWork, At53777, 53777);
  freeQuad3D();
  freeImage(small);
  ThreeDImage = saved;
}

TEST(Quad3DArithmetic, FilledFramesToTheBit) {
  ScreenScope screen;
  // An odd-sized texture of scattered values with key-coloured diagonals.
  Image tex;
  AllocImage(tex, 97, 61);
  for (int32_t y = 0; y < 61; ++y)
    for (int32_t x = 0; x < 97; ++x)
      putPixel(tex, x, y, (x + y) % 7 == 0 ? 0u : (uint32_t(x) * 2654435761u) ^ (uint32_t(y) * 40503u));
  ProjectionMatrix = perspectiveMatrix(degToRad(90.0f), 1.0f, 0.1f, 100.0f);
  const Matrix4 view = lookAtMatrix(vector(0, 0, 10), vector(0, 0, 1), vector(0, 1, 0));
  DepthBuffer.assign(921600, 0.0f);
  clearDepthBuffer();
  edgeA.assign(720, m3dScreenSideType{});
  edgeB.assign(720, m3dScreenSideType{});
  edgeSpare.assign(720, m3dScreenSideType{});

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
