#include "effects/polygon3d.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

#include "display/screen.h"
#include "raster/depthspan.h"
#include "raster/numeric.h"

m3dScreenSide edgeA, edgeB, edgeSpare;
// The part of DepthBuffer the filler has written since the last clear: from
// DepthDrawnBegin up to DepthDrawnEnd (empty when begin >= end).
static size_t DepthDrawnBegin = SIZE_MAX, DepthDrawnEnd = 0;
std::vector<float, BulkAllocator<float>> DepthBuffer;
Matrix4 ProjectionMatrix = matIdentity();

Matrix4 perspectiveMatrix(float fov, float aspect, float zNear, float zFar) {
  Matrix4 m = matIdentity();
  const float half = fov * 0.5f;
  // The show's one projection (90 degrees) gives the same singles everywhere:
  // 1 / tan lies far from a rounding boundary (pinned by morvex-hashes --values).
  const long double t = tanl(static_cast<long double>(half));
  const long double inv = 1.0L / t;
  m.m[0] = static_cast<float>(inv * static_cast<long double>(aspect));
  m.m[5] = static_cast<float>(inv);
  const float range = zFar - zNear;
  m.m[10] = zFar / range;
  m.m[11] = ((-zFar) * zNear) / range;
  m.m[14] = 1.0f;
  m.m[15] = 0.0f;
  return m;
}

Matrix4 lookAtMatrix(Vector4 eye, Vector4 target, Vector4 up) {
  const Vector4 zaxis = vecNormalize(vecSub(target, eye));
  const Vector4 xaxis = vecNormalize(vecCross(up, zaxis));
  const Vector4 yaxis = vecCross(zaxis, xaxis);  // deliberately not normalised
  Matrix4 m;
  m.m[0] = float(xaxis.x);
  m.m[1] = float(yaxis.x);
  m.m[2] = float(zaxis.x);
  m.m[3] = 0.0f;
  m.m[4] = float(xaxis.y);
  m.m[5] = float(yaxis.y);
  m.m[6] = float(zaxis.y);
  m.m[7] = 0.0f;
  m.m[8] = float(xaxis.z);
  m.m[9] = float(yaxis.z);
  m.m[10] = float(zaxis.z);
  m.m[11] = 0.0f;
  m.m[12] = -vecDot(xaxis, eye);
  m.m[13] = -vecDot(yaxis, eye);
  m.m[14] = -vecDot(zaxis, eye);
  m.m[15] = 1.0f;
  return m;
}

Vertex3D projectVertex(Vertex3D v) {
  v.w = 1.0;
  const Vector4 c = matTransform(ProjectionMatrix, vertexPosition(v));
  const float r = static_cast<float>(1.0 / c.w);
  const double rd = r;
  const double x = rd * (c.x * 640.0) + 640.0;
  const double y = 360.0 - rd * (c.y * 360.0);
  Vertex3D out;
  out.x = x;
  out.y = y;
  out.z = rd * c.z;
  out.w = rd;
  out.u = v.u * r;
  out.v = v.v * r;
  out.sx = roundToInt32(x);
  out.sy = roundToInt32(y);
  return out;
}

void scanEdge(m3dScreenSide& table, const Vertex3D& a, const Vertex3D& b) {
  const int32_t dy = b.sy - a.sy;
  const int32_t start = a.sy * PolyScreenWidth + a.sx;
  if (dy <= 0) {
    table[a.sy].index = start;
    return;
  }
  const int32_t end = b.sy * PolyScreenWidth + b.sx;
  double p = start;
  const double dp = double(end - start) / double(dy);
  const float dz = static_cast<float>((b.z - a.z) / double(dy));
  const float dw = static_cast<float>((b.w - a.w) / double(dy));
  const float du = (b.u - a.u) / float(dy);
  const float dv = (b.v - a.v) / float(dy);
  float z = static_cast<float>(a.z);
  float w = static_cast<float>(a.w);
  float u = a.u;
  float v = a.v;
  for (int32_t row = a.sy; row < b.sy; ++row) {
    table[row] = m3dScreenSideType{roundToInt32(p), z, w, u, v};
    p += dp;
    z += dz;
    w += dw;
    u += du;
    v += dv;
  }
}

// The filler indexes Screen, DepthBuffer and the tables without clipping, so
// everything it will touch is checked once here.
static bool polygonFits(const Polygon3D& poly) {
  if (poly.count < 1 || poly.count > 9) return false;
  if (edgeA.size() < size_t(PolyScreenHeight) || edgeB.size() < size_t(PolyScreenHeight)) return false;
  if (DepthBuffer.size() < size_t(PolyScreenWidth) * PolyScreenHeight) return false;
  if (Screen.pixels == nullptr || Screen.width != PolyScreenWidth || Screen.height != PolyScreenHeight) return false;
  for (int32_t i = 0; i < poly.count; ++i) {
    const Vertex3D& v = poly.vertex[i];
    if (uint32_t(v.sx) >= uint32_t(PolyScreenWidth) || uint32_t(v.sy) >= uint32_t(PolyScreenHeight)) return false;
  }
  return true;
}

// One row's span. The kernel runs row by row: a WebAssembly engine runs a
// function's first calls in its quick baseline code and the optimized code
// only from a later call on, so the first frame of a polygon filled in one call
// ran wholly in the baseline code (8 ms against 3 ms in node); row by row it
// switches within that frame.
// Returns the number of pixels it covered from L.index on.
static uint32_t fillSpan(Color32* screen, float* depth, Image texture, Color32 key, float texW, float texH,
                         const m3dScreenSideType& L, const m3dScreenSideType& R) {
  const int32_t n = R.index - L.index;
  if (n <= 0) return 0;
  const float fn = float(n);
  const DepthSpan span = {L.z,  L.w, L.u, L.v, (R.z - L.z) / fn, (R.w - L.w) / fn, (R.u - L.u) / fn, (R.v - L.v) / fn,
                          texW, texH};
  // max(n - 1, 1) pixels: the span's last pixel is left to its neighbour.
  const uint32_t count = uint32_t(n > 1 ? n - 1 : 1);
  drawDepthSpan(screen + L.index, depth + L.index, count, span, texture, key);
  return count;
}

void fillScratchSpans(Color32* pixels, float* depth, int32_t width, int32_t rows, Image texture) {
  if (width < 2 || rows < 1 || texture.width < 1 || texture.height < 1) return;
  const float texW = float(texture.width - 1);
  const float texH = float(texture.height - 1);
  for (int32_t row = 0; row < rows; ++row) {
    const m3dScreenSideType left = {row * width, 0.001f, 1.0f, 0.0f, 0.0f};
    const m3dScreenSideType right = {row * width + width, 0.002f, 0.5f, 0.5f, 0.5f};
    fillSpan(pixels, depth, texture, 0, texW, texH, left, right);
  }
}

void fillPolygon3D(Image texture, Color32 key, const Polygon3D& poly) {
  if (!polygonFits(poly)) return;
  const int32_t count = poly.count;

  int32_t top = 0, bottom = 0;
  for (int32_t i = 1; i < count; ++i) {
    if (poly.vertex[i].y < poly.vertex[top].y) top = i;
    if (poly.vertex[i].y > poly.vertex[bottom].y) bottom = i;
  }

  // One chain backwards through the vertex order into edgeA ...
  int32_t cur = top;
  int32_t prev = cur == 0 ? count - 1 : cur - 1;
  do {
    scanEdge(edgeA, poly.vertex[cur], poly.vertex[prev]);
    cur = prev;
    prev = prev == 0 ? count - 1 : prev - 1;
  } while (cur != bottom);
  // ... and the other forwards into edgeB.
  cur = top;
  int32_t next = cur == count - 1 ? 0 : cur + 1;
  do {
    scanEdge(edgeB, poly.vertex[cur], poly.vertex[next]);
    cur = next;
    next = next == count - 1 ? 0 : next + 1;
  } while (cur != bottom);

  // The middle row decides which chain is the left one. The arrays change
  // names by reference (spare := A; A := B; B := spare), each swap only trading
  // buffer pointers, so nothing is copied or allocated and edgeSpare keeps its own.
  if (uint32_t(edgeB[360].index) < uint32_t(edgeA[360].index)) {
    edgeSpare.swap(edgeA);
    edgeA.swap(edgeB);
    edgeB.swap(edgeSpare);
  }

  Color32* screen = Screen.pixels;
  float* depth = DepthBuffer.data();
  const float texW = float(texture.width - 1);
  const float texH = float(texture.height - 1);
  for (int32_t row = poly.vertex[top].sy; row < poly.vertex[bottom].sy; ++row) {
    const uint32_t count = fillSpan(screen, depth, texture, key, texW, texH, edgeA[row], edgeB[row]);
    if (count == 0) continue;
    // Indices of the screen's pixels (polygonFits): within DepthBuffer.
    const size_t first = size_t(uint32_t(edgeA[row].index));
    DepthDrawnBegin = std::min(DepthDrawnBegin, first);
    DepthDrawnEnd = std::max(DepthDrawnEnd, first + count);
  }
}

// Out of line, one copy for every caller: the warm-up's calls then make the
// engine optimize the very code the quad's first frame clears with (inlined
// into the quad, it ran that frame in baseline code: 5 ms instead of 1).
[[gnu::noinline]] void clearDepths(float* d, size_t n) {
  // Sixteen values a step as one block copy, which the compiler makes wide
  // moves of; the plain loop stored one float at a time (0.3 ms a frame).
  float block[16];
  for (float& b : block) b = DepthClearValue;
  size_t i = 0;
  for (; i + 16 <= n; i += 16) std::memcpy(d + i, block, sizeof block);
  for (; i < n; ++i) d[i] = DepthClearValue;
}

void clearDepthBuffer() {
  clearDepths(DepthBuffer.data(), DepthBuffer.size());
  DepthDrawnBegin = SIZE_MAX;
  DepthDrawnEnd = 0;
}

void clearDrawnDepths() {
  const size_t end = std::min(DepthDrawnEnd, DepthBuffer.size());
  if (DepthDrawnBegin < end) clearDepths(DepthBuffer.data() + DepthDrawnBegin, end - DepthDrawnBegin);
  DepthDrawnBegin = SIZE_MAX;
  DepthDrawnEnd = 0;
}
