#pragma once
// A small perspective pipeline for the fixed 1280 x 720 Screen: one textured,
// perspective-correct, depth-tested convex polygon per call. The constants 1280,
// 720, 640 and 360 are built in; the user sizes the edge tables and the depth
// buffer once (720 rows, 921600 entries) and fills ProjectionMatrix.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "data/bulk.h"
#include "raster/image.h"
#include "raster/vecmath.h"

// 48 bytes; the first four fields are the position and travel as one Vector4.
struct Vertex3D {
  double x;    // after projection: the screen column as a real number
  double y;    // after projection: the screen row as a real number
  double z;    // after projection: the projected depth
  double w;    // 1 before projection, then the reciprocal of the clip w
  float u;     // 0 = left edge .. 1 = right edge; after projection times 1 / w
  float v;     // 0 = top .. 1 = bottom; after projection times 1 / w
  int32_t sx;  // x rounded to nearest, ties to even
  int32_t sy;  // y rounded the same way
};

// Vertices in order around the outline, either winding; count 1..9.
struct Polygon3D {
  Vertex3D vertex[9];
  int32_t count;
};

// One row of an edge table: the values of the edge where it crosses that row.
struct m3dScreenSideType {
  int32_t index;  // row * 1280 + column in Screen
  float z;
  float w;
  float u;
  float v;
};
using m3dScreenSide = std::vector<m3dScreenSideType>;

// The two edge tables; the filler exchanges them through edgeSpare by moving
// the arrays, so the names keep the exchanged arrays into the next fill.
extern m3dScreenSide edgeA, edgeB, edgeSpare;
// One entry per Screen pixel; smaller is nearer; reset value float(0.01). On
// the pictures' pages: on small ones its first clear cost more than all the rest
// of the set-up of the quad.
extern std::vector<float, BulkAllocator<float>> DepthBuffer;
extern Matrix4 ProjectionMatrix;

constexpr int32_t PolyScreenWidth = 1280;
constexpr int32_t PolyScreenHeight = 720;
constexpr float DepthClearValue = 0.01f;

inline Vector4 vertexPosition(const Vertex3D& v) { return Vector4{v.x, v.y, v.z, v.w}; }
inline void setVertexPosition(Vertex3D& v, Vector4 p) {
  v.x = p.x;
  v.y = p.y;
  v.z = p.z;
  v.w = p.w;
}

// t = tan(float(fov * 0.5)) and 1 / t in extended precision; m[0] = (1 / t) *
// aspect, m[5] = 1 / t, m[10] = zFar / (zFar - zNear), m[11] = (-zFar * zNear) /
// (zFar - zNear) in single, m[14] = 1, m[15] = 0, the rest identity.
Matrix4 perspectiveMatrix(float fov, float aspect, float zNear, float zFar);
// Axes from the w-counting normalisation; rows 0..2 hold (x, y, z axis) columns,
// row 3 the negated dot products with eye.
Matrix4 lookAtMatrix(Vector4 eye, Vector4 target, Vector4 up);
// Clip coordinates by ProjectionMatrix, r = float(1 / c.w); x = r * (c.x * 640) +
// 640, y = 360 - r * (c.y * 360); z = r * c.z, w = r, u and v times r in single.
Vertex3D projectVertex(Vertex3D v);
// Rows a.sy .. b.sy - 1 of table; when b is not below a only table[a.sy].index.
void scanEdge(m3dScreenSide& table, const Vertex3D& a, const Vertex3D& b);
// Fills rows top.sy .. bottom.sy - 1, each span from the left edge's index for
// max(n - 1, 1) pixels; a texel equal to key is not drawn but still sets its depth.
// A polygon that does not lie wholly on the screen, or a call before the tables are
// sized, draws nothing.
void fillPolygon3D(Image texture, Color32 key, const Polygon3D& poly);
void clearDepthBuffer();
// The same for a DepthBuffer whose every other entry already holds the clear
// value: only the entries fillPolygon3D wrote since the last clear of either kind.
void clearDrawnDepths();
// n depths set to DepthClearValue.
void clearDepths(float* d, size_t n);
// The filler's row routine over a caller's own buffers (rows rows of width
// pixels and depths, depths above 0.002), one span across each row: for warm-ups;
// touches nothing else.
void fillScratchSpans(Color32* pixels, float* depth, int32_t width, int32_t rows, Image texture);
