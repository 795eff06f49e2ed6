// Vector and matrix math with its mix of double and single precision.
#include <gtest/gtest.h>

#include <cmath>

#include "raster/vecmath.h"

namespace {
void expectVector(Vector4 v, double x, double y, double z, double w) {
  EXPECT_EQ(v.x, x);
  EXPECT_EQ(v.y, y);
  EXPECT_EQ(v.z, z);
  EXPECT_EQ(v.w, w);
}
}  // namespace

TEST(VecMath, Vectors) {
  expectVector(vector(1, 2, 3), 1.0, 2.0, 3.0, 1.0);
  expectVector(vector(0.1f, -2.5f, 1e30f), double(0.1f), -2.5, double(1e30f), 1.0);

  expectVector(vecSub({1, 2, 3, 1}, {0.5, 0.5, 0.5, 1}), 0.5, 1.5, 2.5, 1.0);
  Vector4 d = vecSub({0.3, 0, 0, 7}, {0.2, 0, 0, 3});
  EXPECT_EQ(d.x, double(float(0.3 - 0.2)));  // passes through single
  EXPECT_NE(d.x, 0.3 - 0.2);
  EXPECT_EQ(d.w, 1.0);

  EXPECT_EQ(vecLength({3, 4, 0, 0}), 5.0f);
  EXPECT_EQ(vecLength({3, 4, 0, 1}), float(std::sqrt(26.0)));  // w counts
  EXPECT_EQ(vecLength({1, 1, 1, 1}), 2.0f);

  Vector4 n = vecNormalize({3, 4, 0, 0});
  expectVector(n, 3.0 / 5.0, 4.0 / 5.0, 0.0, 0.0);
  expectVector(vecNormalize({0, 0, 0, 1}), 0, 0, 0, 1);
  Vector4 n2 = vecNormalize({3, 4, 0, 1});
  double len = double(float(std::sqrt(26.0)));
  expectVector(n2, 3.0 / len, 4.0 / len, 0.0, 1.0 / len);  // divided by the single length

  EXPECT_EQ(vecDot({1, 2, 3, 100}, {4, 5, 6, 100}), 32.0f);  // w ignored
  EXPECT_EQ(vecDot({0.1, 0, 0, 1}, {0.1, 0, 0, 1}), float(0.1 * 0.1));

  expectVector(vecCross({1, 0, 0, 1}, {0, 1, 0, 1}), 0, 0, 1, 1);
  expectVector(vecCross({0, 1, 0, 5}, {1, 0, 0, 5}), 0, 0, -1, 1);
  expectVector(vecCross({1, 2, 3, 0}, {4, 5, 6, 0}), -3, 6, -3, 1);
}

TEST(VecMath, Matrices) {
  Matrix4 id = matIdentity();
  for (int i = 0; i < 16; ++i) EXPECT_EQ(id.m[i], (i % 5 == 0) ? 1.0f : 0.0f) << i;
  Vector4 v{0.1, -7.25, 3e10, 0.5};
  expectVector(matTransform(id, v), v.x, v.y, v.z, v.w);

  // Row vectors: translation sits at 12, 13, 14 and is scaled by w; no division by w.
  Matrix4 t = matIdentity();
  t.m[12] = 10;
  t.m[13] = 20;
  t.m[14] = 30;
  t.m[3] = 2;  // w' = 2x + w
  expectVector(matTransform(t, {1, 2, 3, 1}), 11, 22, 33, 3);
  expectVector(matTransform(t, {1, 2, 3, 0}), 1, 2, 3, 2);

  // matMul(a, b) applies a first.
  Matrix4 s = matIdentity();
  s.m[0] = 2;
  Vector4 p{1, 1, 1, 1};
  expectVector(matTransform(matMul(t, s), p), 22, 21, 31, 3);
  expectVector(matTransform(s, matTransform(t, p)), 22, 21, 31, 3);
  expectVector(matTransform(matMul(s, t), p), 12, 21, 31, 5);

  // Single precision accumulation: 1e8 + 1 - 1e8 is 0 in single, 1 in double.
  Matrix4 a{}, b{};
  a.m[0] = 1e8f;
  a.m[1] = 1;
  a.m[2] = -1e8f;
  b.m[0] = b.m[4] = b.m[8] = 1;
  EXPECT_EQ(matMul(a, b).m[0], 0.0f);

  Matrix4 r = matRotateX(float(M_PI / 2));
  EXPECT_EQ(r.m[5], float(std::cos(float(M_PI / 2))));
  EXPECT_EQ(r.m[6], 1.0f);
  EXPECT_EQ(r.m[9], -1.0f);
  EXPECT_EQ(r.m[10], r.m[5]);
  EXPECT_EQ(r.m[0], 1.0f);
  EXPECT_EQ(r.m[15], 1.0f);
  EXPECT_EQ(r.m[1], 0.0f);
  Vector4 q = matTransform(r, {0, 1, 0, 1});
  EXPECT_EQ(q.x, 0.0);
  EXPECT_NEAR(q.y, 0.0, 1e-7);
  EXPECT_EQ(q.z, 1.0);
  EXPECT_EQ(q.w, 1.0);
  Matrix4 r0 = matRotateX(0);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(r0.m[i], id.m[i]) << i;
  Matrix4 r1 = matRotateX(0.5f);
  EXPECT_EQ(r1.m[5], float(std::cos(0.5)));
  EXPECT_EQ(r1.m[6], float(std::sin(0.5)));
}
