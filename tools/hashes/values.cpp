#include "values.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>

#include "data/assets.h"
#include "data/util.h"
#include "driver/schedule.h"
#include "effects/digitfield.h"
#include "effects/graf.h"
#include "effects/krutit.h"
#include "effects/landscape.h"
#include "effects/polygon3d.h"
#include "effects/quad3d.h"
#include "effects/slidingpictures.h"
#include "effects/spinpicture.h"
#include "raster/stretch.h"
#include "raster/vecmath.h"

namespace {

PlatformValues* Out = nullptr;

std::string bits(float f) {
  uint32_t u;
  std::memcpy(&u, &f, 4);
  char text[16];
  std::snprintf(text, sizeof text, "%08x", u);
  return text;
}

std::string format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* pattern, ...) {
  char text[256];
  va_list args;
  va_start(args, pattern);
  std::vsnprintf(text, sizeof text, pattern, args);
  va_end(args);
  return text;
}

// How far x lies from the nearest boundary of rounding to single, relative to x.
void singleMargin(long double x, const std::string& name) {
  if (x == 0.0L || !std::isfinite(x)) return;
  const float f = float(x);
  const float toward = std::nextafter(f, x > static_cast<long double>(f) ? INFINITY : -INFINITY);
  const long double boundary = (static_cast<long double>(f) + static_cast<long double>(toward)) / 2.0L;
  const double margin = double(std::fabs((x - boundary) / x));
  if (margin < Out->SingleMargin) {
    Out->SingleMargin = margin;
    Out->SingleMarginAt = name;
  }
}

// How far x lies from a half, the boundary of rounding to an integer.
void integerMargin(long double x, const std::string& name) {
  const double margin = double(std::fabs(x - std::floor(x) - 0.5L));
  if (margin < Out->IntegerMargin) {
    Out->IntegerMargin = margin;
    Out->IntegerMarginAt = name;
  }
}

bool hasRoutine(const ScheduleRow& row, FrameRoutine routine) {
  for (FrameRoutine r : row.Routines)
    if (r == routine) return true;
  return false;
}

// The rotated blits: the angle steps for every angle (angles >= 360 are taken
// mod 360 first; the effects turn by 0 or more), the corners of every picture
// the effects turn.
void rotations() {
  const long double piExtended = 3.14159265358979323846264338327950288L;
  for (int32_t angle = 0; angle < 360; ++angle) {
    float s, c;
    rotateSampleFactors(angle, s, c);
    const std::string name = format("rotate %d", angle);
    Out->Lines.push_back(name + ": rad " + bits(rotateRadians(angle)) + " sin " + bits(s) + " cos " + bits(c));
    const long double t = static_cast<long double>(angle + 90) * static_cast<long double>(0x1.1df46ap-6f);
    singleMargin(static_cast<long double>(angle) * 0.017453293L, name + " rad");
    singleMargin(sinl(t), name + " sin");
    singleMargin(cosl(t), name + " cos");
  }

  std::vector<std::pair<int32_t, int32_t>> sizes;
  for (const Image* img : {&InfinityImage, &landPic, &WertitPic, &GraphPic, &krutitPic, &SpinPictureImage})
    sizes.push_back({img->width, img->height});
  std::sort(sizes.begin(), sizes.end());
  sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());

  for (const auto& [w, h] : sizes) {
    const int32_t cx = w >> 1, cy = h >> 1;
    const int32_t px[4] = {0, w, w, 0}, py[4] = {0, 0, h, h};
    float dist[4], theta[4];
    for (int k = 0; k < 4; ++k) {
      const int64_t dx = int64_t(px[k]) - cx, dy = int64_t(py[k]) - cy;
      const long double d2 = static_cast<long double>(dx * dx + dy * dy);
      dist[k] = float(sqrtl(d2));
      theta[k] = angleOf(float(dy), float(dx));
      const std::string name = format("corner %dx%d %d", w, h, k);
      Out->Lines.push_back(name + ": dist " + bits(dist[k]) + " theta " + bits(theta[k]));
      singleMargin(sqrtl(d2), name + " dist");
      const float q = float(dy) / float(dx);
      if (dx > 0) singleMargin(atanl(q), name + " theta");
      if (dx < 0) singleMargin(atanl(q) + piExtended, name + " theta");
    }
    for (int32_t angle = 0; angle < 360; ++angle) {
      const float rad = rotateRadians(angle);
      std::string line = format("turn %dx%d %d:", w, h, angle);
      for (int k = 0; k < 4; ++k) {
        int32_t ox, oy;
        rotatePoint(cx, cy, px[k], py[k], rad, ox, oy);
        line += format(" %d,%d", ox, oy);
        const float a = rad + theta[k];
        const std::string name = format("turn %dx%d %d corner %d", w, h, angle, k);
        integerMargin(cosl(static_cast<long double>(a)) * static_cast<long double>(dist[k]) + cx, name + " x");
        integerMargin(sinl(static_cast<long double>(a)) * static_cast<long double>(dist[k]) + cy, name + " y");
      }
      Out->Lines.push_back(line);
    }
  }
}

// The tumbling square: every DemoTime of its rows.
void quadTurns() {
  for (int r = 0; r < EffectScheduleRows; ++r) {
    const ScheduleRow& row = EffectSchedule[r];
    if (!hasRoutine(row, drawQuad3D)) continue;
    for (int32_t t = row.From; t <= row.To; ++t) {
      const float angle = quadAngleAt(t);
      const Matrix4 m = matRotateX(angle);
      const std::string name = format("quad %d", t);
      Out->Lines.push_back(name + ": angle " + bits(angle) + " cos " + bits(m.m[5]) + " sin " + bits(m.m[6]));
      singleMargin(cosl(static_cast<long double>(angle)), name + " cos");
      singleMargin(sinl(static_cast<long double>(angle)), name + " sin");
    }
  }
}

void projection() {
  const long double piExtended = 3.14159265358979323846264338327950288L;
  const float fov = degToRad(90.0f);
  Out->Lines.push_back("degToRad 90: " + bits(fov));
  singleMargin(90.0L * (piExtended / 180.0L), "degToRad 90");
  const Matrix4 p = perspectiveMatrix(fov, 1.0f, 0.1f, 100.0f);
  Out->Lines.push_back("perspective: m0 " + bits(p.m[0]) + " m5 " + bits(p.m[5]));
  singleMargin(1.0L / tanl(static_cast<long double>(fov * 0.5f)), "perspective m5");
}

void digitRows() {
  for (int32_t j = 0; j < DigitFieldRows; ++j) {
    Out->Lines.push_back(format("digitRow %d: %d", j, digitFieldRowY(j)));
  }
}

}  // namespace

PlatformValues collectPlatformValues() {
  PlatformValues values;
  Out = &values;
  projection();
  digitRows();
  rotations();
  quadTurns();
  Out = nullptr;
  return values;
}
