#include "effects/quad3d.h"

#include "data/assets.h"
#include "data/util.h"
#include "music/clock.h"
#include "raster/filter.h"
#include "raster/stretch.h"

Image quadTexture;
Polygon3D quadModel;
float quadAngle = 0.0f;
Matrix4 quadRotation;
Matrix4 quadView;
Polygon3D quadWork;

static Vertex3D modelCorner(double x, double y, float u, float v) {
  Vertex3D c{};
  c.x = x;
  c.y = y;
  c.z = 0.0;
  c.w = 1.0;
  c.u = u;
  c.v = v;
  return c;
}

void initQuad3D() {
  requireMinSize(ThreeDImage, "3d.img", 2, 2);
  requireWorkSize(ThreeDImage, "3d.img", 2 * int64_t(ThreeDImage.width), 2 * int64_t(ThreeDImage.height));
  quadRotation = matIdentity();
  ProjectionMatrix = perspectiveMatrix(degToRad(90.0f), 1.0f, 0.1f, 100.0f);

  AllocImage(quadTexture, 2 * uint32_t(ThreeDImage.width), 2 * uint32_t(ThreeDImage.height));
  stretchBlit(quadTexture, 0, 0, quadTexture.width - 1, quadTexture.height - 1, ThreeDImage);
  blurImage(quadTexture);
  // Texels left dark by the blur become fully transparent; the rest keep their alpha.
  for (int32_t y = 0; y < quadTexture.height; ++y) {
    for (int32_t x = 0; x < quadTexture.width; ++x) {
      uint8_t r = 0, g = 0, b = 0, a = 0;
      getPixelRGBA(quadTexture, x, y, r, g, b, a);
      if (r <= 16 && g <= 16 && b <= 16) r = g = b = a = 0;
      putPixelRGBAClipped(quadTexture, x, y, r, g, b, a);
    }
  }

  DepthBuffer.assign(size_t(PolyScreenWidth) * PolyScreenHeight, 0.0f);
  quadModel = Polygon3D{};
  quadModel.vertex[0] = modelCorner(-1, -1, 0, 0);
  quadModel.vertex[1] = modelCorner(1, -1, 1, 0);
  quadModel.vertex[2] = modelCorner(1, 1, 1, 1);
  quadModel.vertex[3] = modelCorner(-1, 1, 0, 1);
  quadModel.count = 4;
  quadAngle = 0.0f;
  clearDepthBuffer();
  edgeA.assign(PolyScreenHeight, m3dScreenSideType{});
  edgeB.assign(PolyScreenHeight, m3dScreenSideType{});
  edgeSpare.assign(PolyScreenHeight, m3dScreenSideType{});
  quadView = lookAtMatrix(vector(0, 0, 10), vector(0, 0, 1), vector(0, 1, 0));
}

float quadAngleAt(int32_t time) { return static_cast<float>(double(53280 - time) / 96.0); }

void drawQuad3D() {
  quadAngle = quadAngleAt(DemoTime);
  quadWork = quadModel;
  for (int32_t i = 0; i < quadWork.count; ++i) {
    quadRotation = matRotateX(quadAngle);
    const Matrix4 m = matMul(quadRotation, quadView);
    Vertex3D& v = quadWork.vertex[i];
    setVertexPosition(v, matTransform(m, vertexPosition(v)));
    v = projectVertex(v);
  }
  fillPolygon3D(quadTexture, 0, quadWork);
  // Every entry but the ones drawn holds the clear value since initQuad3D.
  clearDrawnDepths();
}

void freeQuad3D() { freeImage(quadTexture); }
