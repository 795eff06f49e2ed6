#include "listen.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numeric>

#include "music.h"

namespace {

constexpr double Pi = 3.14159265358979323846;
using Complex = std::complex<double>;

// In-place radix-2 FFT; the size is a power of two.
void fft(std::vector<Complex>& a) {
  const size_t n = a.size();
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (size_t len = 2; len <= n; len <<= 1) {
    const Complex w(std::cos(2 * Pi / double(len)), -std::sin(2 * Pi / double(len)));
    for (size_t i = 0; i < n; i += len) {
      Complex wk(1, 0);
      for (size_t k = 0; k < len / 2; ++k) {
        const Complex u = a[i + k], v = a[i + k + len / 2] * wk;
        a[i + k] = u + v;
        a[i + k + len / 2] = u - v;
        wk *= w;
      }
    }
  }
}

std::vector<double> hann(size_t n) {
  std::vector<double> w(n);
  for (size_t i = 0; i < n; ++i) w[i] = 0.5 - 0.5 * std::cos(2 * Pi * double(i) / double(n));
  return w;
}

size_t frames(std::span<const int16_t> s) { return s.size() / 2; }
double mono(std::span<const int16_t> s, size_t i) { return (double(s[2 * i]) + s[2 * i + 1]) / 65536.0; }
size_t sampleIndex(double t, int rate, std::span<const int16_t> s) {
  return std::min(frames(s), size_t(std::max(0.0, t) * rate + 0.5));
}

// Power spectrum (bins 0 .. n/2) of the window starting at sample 'start' of
// one channel (0, 1) or the mono sum (2), zeros past the end.
void powerSpectrum(std::span<const int16_t> s, size_t start, const std::vector<double>& window, int channel,
                   std::vector<Complex>& buf, std::vector<double>& power) {
  const size_t n = window.size();
  buf.assign(n, Complex(0, 0));
  for (size_t i = 0; i < n && start + i < frames(s); ++i) {
    const size_t k = start + i;
    const double x = channel == 2 ? mono(s, k) : s[2 * k + size_t(channel)] / 32768.0;
    buf[i] = x * window[i];
  }
  fft(buf);
  power.resize(n / 2 + 1);
  for (size_t i = 0; i <= n / 2; ++i) power[i] = std::norm(buf[i]);
}

// Biquad, direct form I.
struct Biquad {
  double b0, b1, b2, a1, a2, x1 = 0, x2 = 0, y1 = 0, y2 = 0;
  double run(double x) {
    const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    return y;
  }
};

// The K-weighting of BS.1770 (a high shelf of +4 dB above about 1.7 kHz and a
// high pass at 38 Hz), designed for the given rate.
std::vector<Biquad> kWeighting(int rate) {
  const double shelfK = std::tan(Pi * 1681.974450955533 / rate), shelfQ = 0.7071752369554196;
  const double vh = std::pow(10.0, 3.999843853973347 / 20), vb = std::pow(vh, 0.4996667741545416);
  const double a0 = 1 + shelfK / shelfQ + shelfK * shelfK;
  const Biquad shelf{(vh + vb * shelfK / shelfQ + shelfK * shelfK) / a0, 2 * (shelfK * shelfK - vh) / a0,
                     (vh - vb * shelfK / shelfQ + shelfK * shelfK) / a0, 2 * (shelfK * shelfK - 1) / a0,
                     (1 - shelfK / shelfQ + shelfK * shelfK) / a0};
  const double passK = std::tan(Pi * 38.13547087602444 / rate), passQ = 0.5003270373238773;
  const double p0 = 1 + passK / passQ + passK * passK;
  const Biquad pass{1, -2, 1, 2 * (passK * passK - 1) / p0, (1 - passK / passQ + passK * passK) / p0};
  return {shelf, pass};
}

// K-weighted squares of both channels summed, per sample.
std::vector<double> kWeightedPower(std::span<const int16_t> s, int rate) {
  std::vector<double> p(frames(s), 0.0);
  for (int c = 0; c < 2; ++c) {
    std::vector<Biquad> k = kWeighting(rate);
    for (size_t i = 0; i < p.size(); ++i) {
      const double y = k[1].run(k[0].run(s[2 * i + size_t(c)] / 32768.0));
      p[i] += y * y;
    }
  }
  return p;
}

double lufs(double meanSquare) { return -0.691 + 10 * std::log10(std::max(meanSquare, 1e-20)); }
double db(double power) { return 10 * std::log10(std::max(power, 1e-30)); }

double besselI0(double x) {
  double sum = 1, term = 1;
  for (int k = 1; k < 40; ++k) {
    term *= (x / (2 * k)) * (x / (2 * k));
    sum += term;
  }
  return sum;
}

}  // namespace

// ------------------------------------------------------------------ onsets

constexpr size_t OnsetWindow = 512, OnsetHop = 128;

OnsetEnvelope onsetEnvelope(std::span<const int16_t> s, int rate) {
  OnsetEnvelope env;
  env.hop = double(OnsetHop) / rate;
  // Frame i compares the window starting at i * hop with the one a hop
  // earlier: a click moves through the window from its end to its start and
  // raises the flux most on the window's steepest falling slope, three
  // quarters in, half a hop before the frame's own position.
  env.first = (3 * double(OnsetWindow) / 4 - double(OnsetHop) / 2) / rate;
  const std::vector<double> window = hann(OnsetWindow);
  const double norm = 2 / std::accumulate(window.begin(), window.end(), 0.0);
  const size_t lo = size_t(40.0 * OnsetWindow / rate), hi = size_t(16000.0 * OnsetWindow / rate);
  std::vector<Complex> buf;
  std::vector<double> power, previous;
  for (size_t start = 0; start + OnsetWindow <= frames(s) + OnsetWindow / 2; start += OnsetHop) {
    powerSpectrum(s, start, window, 2, buf, power);
    for (double& p : power) p = std::log1p(1000 * std::sqrt(p) * norm);
    double flux = 0;
    if (!previous.empty())
      for (size_t b = lo; b <= hi; ++b) flux += std::max(0.0, power[b] - previous[b]);
    env.strength.push_back(flux);
    previous.swap(power);
  }
  return env;
}

double OnsetEnvelope::peakNear(double t, double halfWidth) const {
  double best = 0;
  for (size_t i = 0; i < strength.size(); ++i)
    if (std::fabs(time(i) - t) <= halfWidth) best = std::max(best, strength[i]);
  return best;
}

double OnsetEnvelope::medianAround(double t, double halfWidth) const {
  std::vector<double> v;
  for (size_t i = 0; i < strength.size(); ++i)
    if (std::fabs(time(i) - t) <= halfWidth) v.push_back(strength[i]);
  if (v.empty()) return 0;
  std::nth_element(v.begin(), v.begin() + std::ptrdiff_t(v.size() / 2), v.end());
  return v[v.size() / 2];
}

std::vector<CutAccent> cutAccents(const OnsetEnvelope& onsets, std::span<const int32_t> cutMs) {
  std::vector<CutAccent> out;
  for (int32_t ms : cutMs)
    out.push_back({ms, onsets.peakNear(ms / 1000.0, 0.010), onsets.medianAround(ms / 1000.0, 2)});
  return out;
}

// ------------------------------------------------------------------ loudness

double spanLoudness(std::span<const int16_t> s, int rate, double from, double to) {
  // The filters settle on the second before the span.
  const size_t a = sampleIndex(from - 1, rate, s), b = sampleIndex(from, rate, s), e = sampleIndex(to, rate, s);
  const std::vector<double> p = kWeightedPower(s.subspan(2 * a, 2 * (e - a)), rate);
  double sum = 0;
  for (size_t i = b - a; i < p.size(); ++i) sum += p[i];
  return lufs(sum / double(std::max<size_t>(1, e - b)));
}

double integratedLoudness(std::span<const int16_t> s, int rate) {
  const std::vector<double> p = kWeightedPower(s, rate);
  const size_t block = size_t(0.4 * rate), step = block / 4;
  std::vector<double> blocks;
  for (size_t a = 0; a + block <= p.size(); a += step)
    blocks.push_back(std::accumulate(p.begin() + std::ptrdiff_t(a), p.begin() + std::ptrdiff_t(a + block), 0.0) /
                     double(block));
  auto gatedMean = [&](double gate) {
    double sum = 0;
    size_t n = 0;
    for (double m : blocks)
      if (lufs(m) > gate) sum += m, ++n;
    return n ? sum / double(n) : 0.0;
  };
  const double relative = lufs(gatedMean(-70)) - 10;
  return lufs(gatedMean(relative));
}

double truePeak(std::span<const int16_t> s, int rate) {
  (void)rate;
  constexpr int Factor = 4, Taps = 48;
  // Polyphase windowed sinc: phase p of output sample n sits at n + p / 4.
  std::vector<double> h(Factor * Taps);
  const double beta = 8.0, centre = (Factor * Taps - 1) / 2.0;
  for (size_t i = 0; i < h.size(); ++i) {
    const double x = (double(i) - centre) / Factor;
    const double sinc = std::fabs(x) < 1e-12 ? 1 : std::sin(Pi * x) / (Pi * x);
    const double r = (double(i) - centre) / centre;
    h[i] = sinc * besselI0(beta * std::sqrt(std::max(0.0, 1 - r * r))) / besselI0(beta);
  }
  int samplePeak = 0;
  for (int16_t v : s) samplePeak = std::max(samplePeak, std::abs(int(v)));
  // Peaks between samples are searched beside every sample within 6 dB of the
  // largest sample: a quieter stretch cannot rise 6 dB between two samples.
  double peak = samplePeak;
  const size_t n = frames(s);
  for (int c = 0; c < 2; ++c)
    for (size_t k = 0; k < n; ++k) {
      if (2 * std::abs(int(s[2 * k + size_t(c)])) < samplePeak) continue;
      for (int p = 0; p < Factor; ++p) {
        // The output at k + p / Factor: taps at input samples around it.
        double y = 0;
        for (int j = -Taps / 2 + 1; j <= Taps / 2; ++j) {
          const ptrdiff_t m = ptrdiff_t(k) + j;
          if (m < 0 || m >= ptrdiff_t(n)) continue;
          const double tap = double(j) * Factor - p;  // offset from the output in upsampled steps
          const ptrdiff_t hi = ptrdiff_t(std::lround(centre + 0.5 + tap));
          if (hi < 0 || hi >= ptrdiff_t(h.size())) continue;
          y += s[2 * size_t(m) + size_t(c)] * h[size_t(hi)];
        }
        peak = std::max(peak, std::fabs(y));
      }
    }
  return 20 * std::log10(std::max(peak, 1e-9) / 32768.0);
}

// ------------------------------------------------------------------ spectra

constexpr size_t SpectrumWindow = 4096;

double bandLevel(std::span<const int16_t> s, int rate, double from, double to, double loHz, double hiHz) {
  const std::vector<double> window = hann(SpectrumWindow);
  const size_t a = sampleIndex(from, rate, s), e = sampleIndex(to, rate, s);
  const double binHz = double(rate) / SpectrumWindow;
  std::vector<Complex> buf;
  std::vector<double> power;
  double sum = 0;
  for (size_t start = a; start + SpectrumWindow <= e; start += SpectrumWindow / 2)
    for (int c = 0; c < 2; ++c) {
      powerSpectrum(s, start, window, c, buf, power);
      for (size_t b = 0; b < power.size(); ++b)
        if (b * binHz >= loHz && b * binHz < hiHz) sum += power[b];
    }
  return db(sum);
}

std::vector<double> barCorrelations(std::span<const int16_t> s, int rate, std::span<const double> barStarts) {
  const std::vector<double> window = hann(SpectrumWindow);
  const double binHz = double(rate) / SpectrumWindow;
  std::vector<Complex> buf;
  std::vector<double> power;
  std::vector<std::vector<double>> spectra;
  for (size_t k = 0; k + 1 < barStarts.size(); ++k) {
    std::vector<double> octaves(9, 0.0);  // 40-80 Hz ... 10.24-20.48 kHz, cut at 16 kHz
    const size_t a = sampleIndex(barStarts[k], rate, s), e = sampleIndex(barStarts[k + 1], rate, s);
    for (size_t start = a; start + SpectrumWindow <= e; start += SpectrumWindow / 4) {
      powerSpectrum(s, start, window, 2, buf, power);
      for (size_t b = 0; b < power.size(); ++b) {
        const double hz = double(b) * binHz;
        if (hz < 40 || hz >= 16000) continue;
        octaves[std::min<size_t>(8, size_t(std::log2(hz / 40)))] += power[b];
      }
    }
    for (double& o : octaves) o = std::sqrt(o);
    spectra.push_back(std::move(octaves));
  }
  std::vector<double> out;
  for (size_t k = 1; k < spectra.size(); ++k) {
    const std::vector<double>&x = spectra[k - 1], &y = spectra[k];
    const double n = double(x.size());
    const double mx = std::accumulate(x.begin(), x.end(), 0.0) / n, my = std::accumulate(y.begin(), y.end(), 0.0) / n;
    double sxy = 0, sxx = 0, syy = 0;
    for (size_t i = 0; i < x.size(); ++i) {
      sxy += (x[i] - mx) * (y[i] - my);
      sxx += (x[i] - mx) * (x[i] - mx);
      syy += (y[i] - my) * (y[i] - my);
    }
    out.push_back(sxx > 0 && syy > 0 ? sxy / std::sqrt(sxx * syy) : 1.0);
  }
  return out;
}

int longestSimilarRun(std::span<const double> correlations, double threshold) {
  int longest = correlations.empty() ? 0 : 1, run = 1;
  for (double c : correlations) {
    run = c >= threshold ? run + 1 : 1;
    longest = std::max(longest, run);
  }
  return longest;
}

// ------------------------------------------------------------------ the whole

MusicFigures measureMusic(std::span<const int16_t> s, int rate, std::span<const int32_t> cutMs) {
  MusicFigures f;
  const std::vector<int32_t> cuts(cutMs.begin(), cutMs.end());
  const BeatGrid grid = fitBeatGrid(cuts);
  const double six = grid.sixteenthUs / 1e6, origin = grid.originUs / 1e6, bar = 16 * six;
  f.barSeconds = bar;
  f.cuts = int(cuts.size());
  for (int32_t c : cuts) {
    const int64_t r = ((int64_t(c) * 1000 - grid.originUs) % grid.sixteenthUs + grid.sixteenthUs) % grid.sixteenthUs;
    f.cutsOnGrid += std::min(r, grid.sixteenthUs - r) <= 10000;
  }
  for (const CutAccent& a : cutAccents(onsetEnvelope(s, rate), cutMs)) {
    f.cutsHeard += a.heard();
    if (!a.heard()) f.cutsNotHeard.push_back(a);
  }
  f.dropMs = cuts.empty() ? 0 : cuts.front();
  const double drop = f.dropMs / 1000;
  f.before33 = spanLoudness(s, rate, 31, 33);
  f.beforeDrop = spanLoudness(s, rate, drop - 2, drop);
  f.afterDrop = spanLoudness(s, rate, drop, drop + 2);
  {
    const std::vector<double> p = kWeightedPower(s, rate);
    const size_t window = size_t(rate) / 10, step = window / 2;
    f.loudest = -200;
    for (size_t a = 0; a + window <= p.size(); a += step) {
      const double level = lufs(
          std::accumulate(p.begin() + std::ptrdiff_t(a), p.begin() + std::ptrdiff_t(a + window), 0.0) / double(window));
      if (level > f.loudest) f.loudest = level, f.loudestMs = 1000.0 * double(a) / rate;
    }
  }
  const double end = double(frames(s)) / rate;
  f.highBand = bandLevel(s, rate, 33, end, 8000, 16000);
  f.presenceBand = bandLevel(s, rate, 33, end, 1000, 4000);

  // Bars on the grid, a bar line on the grid point nearest 33 s.
  const double downbeat = origin + std::round((33 - origin) / six) * six;
  std::vector<double> starts;
  for (double t = downbeat - std::floor(downbeat / bar) * bar; t + bar <= 31 + 1e-9; t += bar) starts.push_back(t);
  starts.push_back(starts.empty() ? 0 : starts.back() + bar);
  const std::vector<double> corr = barCorrelations(s, rate, starts);
  f.barSimilarity = corr;
  f.barsBefore31 = int(starts.size()) - 1;
  for (double c : corr) f.similarBars += c >= 0.95;
  f.longestSimilar = longestSimilarRun(corr);

  if (!cuts.empty()) {
    f.densityFromSeconds = downbeat + std::floor((drop - downbeat) / bar) * bar;
    for (int32_t c : cuts) {
      const size_t k = size_t((c / 1000.0 - f.densityFromSeconds) / bar + 1e-6);  // a cut on a bar line starts it
      if (f.density.size() <= k) f.density.resize(k + 1, 0);
      f.density[k] += 1;
    }
    double busy = 0, calm = 0;
    int busyCount = 0, calmCount = 0;
    for (size_t k = 0; k < f.density.size(); ++k) {
      const double from = f.densityFromSeconds + double(k) * bar;
      if (from + bar > 69) break;
      const double level = spanLoudness(s, rate, from, from + bar);
      if (f.density[k] >= 3) busy += level, ++busyCount;
      if (f.density[k] <= 1) calm += level, ++calmCount;
    }
    f.busyBars = busyCount ? busy / busyCount : 0;
    f.calmBars = calmCount ? calm / calmCount : 0;
  }
  f.integrated = integratedLoudness(s, rate);
  f.peak = truePeak(s, rate);
  return f;
}

void printMusicFigures(FILE* out, const MusicFigures& f) {
  std::fprintf(out, "  cuts: %d, %d within 10 ms of the grid, %d with an onset of twice the local median\n", f.cuts,
               f.cutsOnGrid, f.cutsHeard);
  if (!f.cutsNotHeard.empty()) {
    std::fprintf(out, "    not heard at:");
    for (const CutAccent& a : f.cutsNotHeard) std::fprintf(out, " %d (%.2fx)", a.ms, a.peak / a.median);
    std::fprintf(out, "\n");
  }
  std::fprintf(out, "  drop at %.3f s: 31-33 s %.1f LUFS, the 2 s before it %.1f, the 2 s after it %.1f\n",
               f.dropMs / 1000, f.before33, f.beforeDrop, f.afterDrop);
  std::fprintf(out, "  the loudest 100 ms from %.2f s (%.1f LUFS)\n", f.loudestMs / 1000, f.loudest);
  std::fprintf(out, "  from 33 s: 8-16 kHz %.1f dB against 1-4 kHz %.1f dB (%+.1f dB)\n", f.highBand, f.presenceBand,
               f.highBand - f.presenceBand);
  std::fprintf(out, "  bars before 31 s: %d, %d near-identical to the bar before, longest run %d\n", f.barsBefore31,
               f.similarBars, f.longestSimilar);
  std::fprintf(out, "   ");
  for (double c : f.barSimilarity) std::fprintf(out, " %.3f", c);
  std::fprintf(out, "\n");
  std::fprintf(out, "  cuts per bar (%.3f s bars) from %.3f s:", f.barSeconds, f.densityFromSeconds);
  for (double d : f.density) std::fprintf(out, " %.0f", d);
  std::fprintf(out, "\n  bars with 3 or more cuts %.1f LUFS, with 1 or none %.1f LUFS\n", f.busyBars, f.calmBars);
  std::fprintf(out, "  loudness %.1f LUFS integrated, true peak %.2f dBFS\n", f.integrated, f.peak);
}
