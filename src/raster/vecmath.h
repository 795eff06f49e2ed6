#pragma once
// Vectors of doubles, matrices of singles (row-major, row vectors: v * M), with
// the precision of every operation fixed as the 3D pictures depend on it.
#include <cstdint>

struct Vector4 {
  double x, y, z, w;
};
struct Matrix4 {
  float m[16];  // entry (row r, column c) at 4r + c; translation at 12, 13, 14
};

Vector4 vector(float x, float y, float z);  // w = 1
Vector4 vecSub(Vector4 a, Vector4 b);       // x, y, z: float(a - b); w = 1
float vecLength(Vector4 v);                 // sqrt(((x2 + y2) + z2) + w2), w included
Vector4 vecNormalize(Vector4 v);            // all four divided by vecLength(v)
float vecDot(Vector4 a, Vector4 b);         // x, y, z only
Vector4 vecCross(Vector4 a, Vector4 b);     // w = 1
Matrix4 matIdentity();
Vector4 matTransform(Matrix4 m, Vector4 v);  // v * m in double, no division by w
Matrix4 matMul(Matrix4 a, Matrix4 b);        // a * b in single: a is applied first
Matrix4 matRotateX(float angle);             // 5 = c, 6 = s, 9 = -s, 10 = c
