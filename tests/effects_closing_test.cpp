// The polygon renderer and the late modules: worked values of the matrices,
// the filler's span rules, the modules' positions and the closing scene's passes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "data/assets.h"
#include "display/screen.h"
#include "effects/dist.h"
#include "effects/ending.h"
#include "effects/flashpictures.h"
#include "effects/krutit.h"
#include "effects/landscape.h"
#include "effects/polygon3d.h"
#include "effects/quad3d.h"
#include "effects/voxel.h"
#include "music/clock.h"
#include "raster/numeric.h"
#include "fixtures.h"
#include "screen_scope.h"

namespace {

uint64_t hashImage(Image img) {
  uint64_t h = 1469598103934665603ull;
  for (int32_t i = 0; i < img.width * img.height; ++i) {
    h ^= img.pixels[i];
    h *= 1099511628211ull;
  }
  return h;
}

// A test stand-in for a pack asset; the original record is put back afterwards.
struct AssetSwap {
  Image& slot;
  Image saved;
  AssetSwap(Image& asset, int32_t w, int32_t h, Color32 (*paint)(int32_t, int32_t, int32_t, int32_t))
      : slot(asset), saved(asset) {
    Image img;
    AllocImage(img, uint32_t(w), uint32_t(h));
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) putPixel(img, x, y, paint(x, y, w, h));
    slot = img;
  }
  ~AssetSwap() {
    freeImage(slot);
    slot = saved;
  }
};

Color32 greyPattern(int32_t x, int32_t y, int32_t, int32_t) {
  uint32_t g = uint32_t(((x * 7 + y * 3) % 16) * 16);
  return g * 0x01010101u;
}

// Four bright quadrants: tells the quad's orientation on the screen.
Color32 quadrants(int32_t x, int32_t y, int32_t w, int32_t h) {
  const bool right = x >= w / 2, lower = y >= h / 2;
  if (!right && !lower) return 0xFFF00000;
  if (right && !lower) return 0xFF00F000;
  if (!right && lower) return 0xFF0000F0;
  return 0xFFF0F0F0;
}

void sizeRenderer() {
  DepthBuffer.assign(size_t(1280) * 720, 0.0f);
  clearDepthBuffer();
  edgeA.assign(720, m3dScreenSideType{});
  edgeB.assign(720, m3dScreenSideType{});
  edgeSpare.assign(720, m3dScreenSideType{});
}

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

int32_t countRow(int32_t y, Color32 c) {
  int32_t n = 0;
  for (int32_t x = 0; x < 1280; ++x) n += getPixel(Screen, x, y) == c;
  return n;
}

}  // namespace

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

TEST(Quad3D, AtRestCoversTheMiddleUpright) {
  ScreenScope screen;
  AssetSwap asset(ThreeDImage, 32, 32, quadrants);
  initQuad3D();
  EXPECT_EQ(quadTexture.width, 64);
  EXPECT_EQ(quadTexture.height, 64);
  EXPECT_NEAR(quadView.m[0], -0.704934, 5e-7);
  EXPECT_NEAR(quadView.m[14], 9.938837, 5e-7);
  EXPECT_NEAR(ProjectionMatrix.m[10], 1.001001, 5e-7);
  EXPECT_NEAR(ProjectionMatrix.m[11], -0.1001, 5e-7);

  // The window's first frame: almost face-on.
  clearScreen(0xFF000000);
  DemoTime = 53281;
  drawQuad3D();
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
  // The depth buffer is ready for the next frame.
  EXPECT_EQ(DepthBuffer[360 * 1280 + 640], 0.01f);

  // Every frame of the window stays on the screen and is drawn.
  for (int32_t t = 53281; t <= 54299; t += 7) {
    DemoTime = t;
    drawQuad3D();
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
  DemoTime = 53280 + 151;
  drawQuad3D();
  int32_t lit = 0;
  for (int32_t i = 0; i < 1280 * 720; ++i) lit += Screen.pixels[i] != 0xFF000000u;
  EXPECT_LT(lit, 1280 * 20);
  freeQuad3D();
}

TEST(Dist, ShakesAlongTheDiagonal) {
  ScreenScope screen;
  AssetSwap asset(DistImage, 64, 40, greyPattern);
  initDist();
  for (int32_t t = 54301; t <= 55199; ++t) {
    DemoTime = t;
    drawDist();
    ASSERT_EQ(distX, distY) << t;
    const int32_t base = (54300 - t) / 2;
    ASSERT_GE(distX, base - 4);
    ASSERT_LE(distX, base + 4);
  }
  EXPECT_GE(distX, -453);
  EXPECT_LE(distX, -445);
  for (int32_t t = 63681; t <= 63839; ++t) {
    DemoTime = t;
    drawDistReprise();
    ASSERT_EQ(distX, distY) << t;
  }
  freeDist();
}

TEST(Landscape, PositionsAndAngles) {
  ScreenScope screen;
  AssetSwap asset(LandscapeImage, 74, 50, greyPattern);
  initLandscape();
  EXPECT_EQ(landTall.height, 100);
  DemoTime = 55401;
  drawLandscape();
  EXPECT_EQ(landX, -64);
  EXPECT_EQ(landY, -339);
  EXPECT_EQ(landAngle, 0);
  DemoTime = 55400 + 16;
  drawLandscape();
  EXPECT_EQ(landAngle, 0) << "round(0.5) is 0";
  DemoTime = 55400 + 48;
  drawLandscape();
  EXPECT_EQ(landAngle, 2) << "round(1.5) is 2";
  for (int32_t t = 55449; t <= 56519; t += 7) {
    DemoTime = t;
    drawLandscape();
  }
  DemoTime = 56519;
  drawLandscape();
  EXPECT_EQ(landAngle, 10);
  EXPECT_EQ(landX, -29);
  EXPECT_EQ(landY, 779);
  // The reprise restarts the angle below 16 and leaves it there for the next pass.
  DemoTime = 64641;
  drawLandscapeReprise();
  EXPECT_EQ(landX, -64);
  EXPECT_EQ(landY, -320);
  EXPECT_EQ(landAngle, 0);
  for (int32_t t = 64642; t <= 65759; t += 3) {
    DemoTime = t;
    drawLandscapeReprise();
  }
  DemoTime = 65759;
  drawLandscapeReprise();
  EXPECT_EQ(landX, -29);
  EXPECT_EQ(landY, 239);
  EXPECT_EQ(landAngle, 16);
  DemoTime = 55401;
  drawLandscape();
  EXPECT_EQ(landAngle, 16) << "never reset between passes";
  freeLandscape();
}

TEST(Voxel, RisesFromTheBottom) {
  ScreenScope screen;
  AssetSwap asset(VoxelImage, 30, 20, greyPattern);
  initVoxel();
  EXPECT_EQ(voxPic.width, 316);
  EXPECT_EQ(voxPic.height, 40);
  const int32_t expected[3] = {719, 719, 718};
  for (int32_t i = 0; i < 3; ++i) {
    DemoTime = 57141 + i;
    drawVoxel();
    EXPECT_EQ(voxX, -10);
    EXPECT_EQ(voxY, expected[i]) << DemoTime;
  }
  DemoTime = 57999;
  drawVoxel();
  EXPECT_EQ(voxY, 147);
  // Additive: a black picture leaves the screen as it was.
  clearScreen(0xFF404040);
  std::fill(voxPic.pixels, voxPic.pixels + voxPic.width * voxPic.height, 0);
  DemoTime = 57600;
  drawVoxel();
  EXPECT_EQ(countRow(600, 0xFF404040), 1280);
  freeVoxel();
}

TEST(Krutit, TurnAndBands) {
  ScreenScope screen;
  AssetSwap asset(KrutitImage, 40, 30, greyPattern);
  initKrutit();
  EXPECT_EQ(turnBuffer.width, 208);
  EXPECT_EQ(turnBuffer.height, 188);
  Image saved1 = Sintable1Picture, saved2 = Sintable2Picture;
  Image band1, band2;
  AllocImage(band1, 1280, 230);
  AllocImage(band2, 1280, 230);
  std::fill(band1.pixels, band1.pixels + 1280 * 230, 0xFF000100);
  std::fill(band2.pixels, band2.pixels + 1280 * 230, 0xFF010000);
  Sintable1Picture = band1;
  Sintable2Picture = band2;

  auto bandColumns = [](int32_t y, Color32 bit) {
    int32_t n = 0;
    for (int32_t x = 0; x < 1280; ++x) n += (getPixel(Screen, x, y) & bit) != 0;
    return n;
  };
  clearScreen(0xFF000000);
  DemoTime = 61121;
  drawKrutit();
  EXPECT_EQ(turn, 0);
  DemoTime = 61160;
  clearScreen(0xFF000000);
  drawKrutit();
  EXPECT_EQ(turn, 20);
  EXPECT_EQ(bandColumns(600, 0x0000FF00), 0);
  EXPECT_EQ(bandColumns(100, 0x00FF0000), 0);
  DemoTime = 61161;
  clearScreen(0xFF000000);
  drawKrutit();
  // The visible part of each band is its 27 columns at the edge; the clipped add
  // lands them one pixel up and to the left and leaves out the last one.
  EXPECT_EQ(bandColumns(600, 0x0000FF00), 26);
  EXPECT_EQ(getPixel(Screen, 0, 600) & 0x0000FF00, 0x100u);
  EXPECT_EQ(bandColumns(100, 0x00FF0000), 26);
  EXPECT_EQ(getPixel(Screen, 1253, 100) & 0x00FF0000, 0x10000u);

  // The buffer is cleared every frame: a frame's turn never keeps the last one's.
  DemoTime = 61500;
  drawKrutit();
  const uint64_t once = hashImage(turnBuffer);
  DemoTime = 61700;
  drawKrutit();
  DemoTime = 61500;
  drawKrutit();
  EXPECT_EQ(hashImage(turnBuffer), once);

  Sintable1Picture = saved1;
  Sintable2Picture = saved2;
  freeImage(band1);
  freeImage(band2);
  freeKrutit();
}

TEST(Ending, BrightenAndLoopedPasses) {
  ScreenScope screen;
  AssetSwap asset(EndImage, 128, 72, greyPattern);
  initEnding();
  resetEnding();
  putPixel(endImage, 0, 0, 0xFFFB0000);
  putPixel(endImage, 1, 0, 0x10FA2030);
  putPixel(endImage, 2, 0, 0xFF00FFFF);
  putPixel(endImage, 3, 0, 0x00100000);
  brightenEnding();
  EXPECT_EQ(getPixel(endImage, 0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(getPixel(endImage, 1, 0), 0xFEFEFEFEu);
  EXPECT_EQ(getPixel(endImage, 2, 0), 0x00000000u);
  EXPECT_EQ(getPixel(endImage, 3, 0), 0x14141414u);

  const int32_t times[] = {69521, 69530, 69600, 70300, 71800, 73004};
  std::vector<uint64_t> passes[3];
  for (int pass = 0; pass < 3; ++pass) {
    if (pass < 2) resetEnding();  // the third pass runs on without a reset
    clearScreen(0xFF000000);
    for (int32_t t : times) {
      DemoTime = t;
      drawEnding();
      passes[pass].push_back(hashImage(Screen));
    }
  }
  EXPECT_EQ(passes[0], passes[1]);
  EXPECT_NE(passes[0], passes[2]);
  DemoTime = 69521;
  drawEnding();
  EXPECT_EQ(endLeft, -2.5f);
  EXPECT_EQ(endTop, -2);
  EXPECT_EQ(endRightOffset, 2.0f);
  EXPECT_EQ(endBottomOffset, 2);
  freeEnding();
}

TEST(Ending, OddSizedPictureLeavesItsLastPixelBlack) {
  // The reset moves pixel pairs: with an odd count the last pixel is never
  // copied and keeps the 0 it was allocated with. Brightening keeps 0 at 0 and
  // the blur never writes a corner, so it stays 0 and every pass still starts
  // from the same picture.
  ScreenScope screen;
  AssetSwap asset(EndImage, 65, 37, greyPattern);  // an odd number of pixels
  initEnding();
  ASSERT_NE(getPixel(EndImage, 64, 36), 0u);
  std::vector<uint64_t> passes[2];
  for (int pass = 0; pass < 2; ++pass) {
    resetEnding();
    EXPECT_EQ(getPixel(endImage, 64, 36), 0u);
    EXPECT_EQ(getPixel(endImage, 63, 36), getPixel(EndImage, 63, 36));
    clearScreen(0xFF000000);
    for (int32_t t = 69521; t < 69600; t += 13) {
      DemoTime = t;
      drawEnding();
      passes[pass].push_back(hashImage(Screen));
      passes[pass].push_back(hashImage(endImage));
    }
    EXPECT_EQ(getPixel(endImage, 64, 36), 0u);
  }
  EXPECT_EQ(passes[0], passes[1]);
  freeEnding();
}

TEST(EffectsSetUp, TooSmallPicturesAreRefused) {
  struct Case {
    Image* asset;
    void (*init)();
  } cases[] = {{&ThreeDImage, initQuad3D}, {&DistImage, initDist},     {&LandscapeImage, initLandscape},
               {&VoxelImage, initVoxel},   {&KrutitImage, initKrutit}, {&EndImage, initEnding}};
  for (const Case& c : cases) {
    EXPECT_EXIT(
        {
          AssetSwap asset(*c.asset, 1, 5, greyPattern);
          c.init();
        },
        testing::ExitedWithCode(1), "");
    EXPECT_EXIT(
        {
          AssetSwap asset(*c.asset, 7, 1, greyPattern);
          c.init();
        },
        testing::ExitedWithCode(1), "");
  }
}
