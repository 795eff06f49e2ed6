#pragma once
// Sine, cosine, exponential and arctangent from plain IEEE arithmetic, so the
// generated pictures and music come out bit for bit the same whatever the C
// library's own maths routines do. Accurate to about 1e-12, plenty for content.
#include <cmath>

namespace dm {

constexpr double Pi = 3.14159265358979323846;
constexpr double TwoPi = 2 * Pi;
constexpr double Ln2 = 0.69314718055994530942;

inline double sin(double x) {
  double r = x - std::nearbyint(x / TwoPi) * TwoPi;  // -pi .. pi
  if (r > Pi / 2)
    r = Pi - r;
  else if (r < -Pi / 2)
    r = -Pi - r;
  const double r2 = r * r;
  return r * (1 + r2 * (-1.0 / 6 +
                        r2 * (1.0 / 120 +
                              r2 * (-1.0 / 5040 + r2 * (1.0 / 362880 + r2 * (-1.0 / 39916800 +
                                                                             r2 * (1.0 / 6227020800.0 +
                                                                                   r2 * (-1.0 / 1307674368000.0))))))));
}

inline double cos(double x) { return sin(x + Pi / 2); }

inline double exp(double x) {
  if (x < -700) return 0;
  const double k = std::nearbyint(x / Ln2);
  const double r = x - k * Ln2;  // |r| <= ln2 / 2
  double term = 1, sum = 1;
  for (int n = 1; n <= 14; ++n) {
    term *= r / n;
    sum += term;
  }
  return std::ldexp(sum, int(k));
}

// 2^(semitones / 12), for note frequencies.
inline double semitones(double n) { return exp(n / 12 * Ln2); }

inline double atan(double z) {
  const bool invert = std::fabs(z) > 1;
  double t = invert ? 1 / z : z;
  // Two half-angle steps bring |t| below tan(pi / 16).
  t = t / (1 + std::sqrt(1 + t * t));
  t = t / (1 + std::sqrt(1 + t * t));
  const double t2 = t * t;
  double term = t, sum = t;
  for (int n = 3; n <= 21; n += 2) {
    term *= -t2;
    sum += term / n;
  }
  sum *= 4;
  if (!invert) return sum;
  return (z > 0 ? Pi / 2 : -Pi / 2) - sum;
}

inline double atan2(double y, double x) {
  if (x > 0) return atan(y / x);
  if (x < 0) return atan(y / x) + (y >= 0 ? Pi : -Pi);
  return y > 0 ? Pi / 2 : (y < 0 ? -Pi / 2 : 0);
}

// Small, fast, seedable generator (xorshift64*), the only source of chance.
struct Rng {
  unsigned long long s;
  explicit Rng(unsigned long long seed) : s(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {
    if (!s) s = 1;
  }
  unsigned long long next() {
    s ^= s >> 12;
    s ^= s << 25;
    s ^= s >> 27;
    return s * 2685821657736338717ull;
  }
  double uniform() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }  // [0, 1)
  double range(double a, double b) { return a + (b - a) * uniform(); }
  int below(int n) { return int(uniform() * n); }
};

}  // namespace dm
