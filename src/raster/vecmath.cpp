#include "raster/vecmath.h"

#include <cmath>

Vector4 vector(float x, float y, float z) { return {double(x), double(y), double(z), 1.0}; }

// The differences pass through single precision.
Vector4 vecSub(Vector4 a, Vector4 b) {
  return {double(float(a.x - b.x)), double(float(a.y - b.y)), double(float(a.z - b.z)), 1.0};
}

float vecLength(Vector4 v) {
  double sum = ((v.x * v.x + v.y * v.y) + v.z * v.z) + v.w * v.w;
  return float(std::sqrt(sum));
}

// Divided by the single-precision length, w included.
Vector4 vecNormalize(Vector4 v) {
  double len = double(vecLength(v));
  return {v.x / len, v.y / len, v.z / len, v.w / len};
}

float vecDot(Vector4 a, Vector4 b) { return float((a.x * b.x + a.y * b.y) + a.z * b.z); }

Vector4 vecCross(Vector4 a, Vector4 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x, 1.0};
}

Matrix4 matIdentity() {
  Matrix4 r{};
  r.m[0] = r.m[5] = r.m[10] = r.m[15] = 1.0f;
  return r;
}

Vector4 matTransform(Matrix4 m, Vector4 v) {
  double r[4];
  for (int i = 0; i < 4; ++i)
    r[i] = ((double(m.m[i]) * v.x + double(m.m[4 + i]) * v.y) + double(m.m[8 + i]) * v.z) + double(m.m[12 + i]) * v.w;
  return {r[0], r[1], r[2], r[3]};
}

Matrix4 matMul(Matrix4 a, Matrix4 b) {
  Matrix4 r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      r.m[4 * i + j] = ((a.m[4 * i] * b.m[j] + a.m[4 * i + 1] * b.m[4 + j]) + a.m[4 * i + 2] * b.m[8 + j]) +
                       a.m[4 * i + 3] * b.m[12 + j];
  return r;
}

// Cosine and sine taken in extended precision, then rounded to single. The same
// singles on every processor: for every angle the show turns by, the cosine and
// sine lie at least 1e-11 (relative) from a rounding boundary, far more than
// the libms and long double formats differ (pinned by morvex-hashes --values).
Matrix4 matRotateX(float angle) {
  float c = float(cosl((long double)angle));
  float s = float(sinl((long double)angle));
  Matrix4 r = matIdentity();
  r.m[5] = c;
  r.m[6] = s;
  r.m[9] = -s;
  r.m[10] = c;
  return r;
}
