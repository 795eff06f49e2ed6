#include "music.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "detmath.h"

namespace {

constexpr double Fs = MusicRate;
constexpr double Closing = 69.52, FadeStart = 73.0, FadeEnd = 78.0;
constexpr double ScreenKeepsFrames = 33.0;  // the full beat starts where the screen stops being cleared
constexpr double LogoAppears = 16.96;
// Loudness: about -14 LUFS; the peak stays below -1 dBFS even after MP3 encoding.
constexpr double MasterGain = 1.3, MasterPeak = 26000;

struct Bus {
  std::vector<float> l, r;
  explicit Bus(size_t n) : l(n, 0.0f), r(n, 0.0f) {}
  void add(size_t i, double left, double right) {
    if (i >= l.size()) return;
    l[i] += float(left);
    r[i] += float(right);
  }
};

size_t sampleAt(double t) { return size_t(std::max(0.0, t) * Fs + 0.5); }
double midiHz(double m) { return 440.0 * dm::semitones(m - 69); }

// Pan law: p from -1 (left) to 1 (right).
double panL(double p) { return std::sqrt(0.5 * (1 - p)); }
double panR(double p) { return std::sqrt(0.5 * (1 + p)); }

// Band-limited sawtooth (polyBLEP).
double blep(double t, double dt) {
  if (t < dt) {
    t /= dt;
    return t + t - t * t - 1;
  }
  if (t > 1 - dt) {
    t = (t - 1) / dt;
    return t * t + t + t + 1;
  }
  return 0;
}
struct Saw {
  double phase = 0;
  double next(double hz) {
    const double dt = hz / Fs;
    const double v = 2 * phase - 1 - blep(phase, dt);
    phase += dt;
    if (phase >= 1) phase -= 1;
    return v;
  }
};

// Topology-preserving state-variable filter: low, band and high outputs.
struct Svf {
  double ic1 = 0, ic2 = 0, low = 0, band = 0, high = 0;
  double lastHz = -1, lastQ = -1, k = 0, a1 = 0, a2 = 0, a3 = 0;
  void run(double x, double hz, double q) {
    if (hz != lastHz || q != lastQ) {
      lastHz = hz;
      lastQ = q;
      hz = std::min(hz, Fs * 0.45);
      const double w = dm::Pi * hz / Fs;
      const double g = dm::sin(w) / dm::cos(w);
      k = 1 / q;
      a1 = 1 / (1 + g * (g + k));
      a2 = g * a1;
      a3 = g * a2;
    }
    const double v3 = x - ic2, v1 = a1 * ic1 + a2 * v3, v2 = ic2 + a2 * ic1 + a3 * v3;
    ic1 = 2 * v1 - ic1;
    ic2 = 2 * v2 - ic2;
    low = v2;
    band = v1;
    high = x - k * v1 - v2;
  }
};

double smoothstep(double a, double b, double x) {
  const double t = std::clamp((x - a) / (b - a), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

// ------------------------------------------------------------------ voices

void kick(Bus& bus, double t0, double gain) {
  double phase = 0;
  const size_t s0 = sampleAt(t0);
  for (size_t i = 0; i < size_t(0.4 * Fs); ++i) {
    const double t = i / Fs;
    const double hz = 48 + 110 * dm::exp(-t * 28);
    phase += hz / Fs;
    const double v = dm::sin(2 * dm::Pi * phase) * dm::exp(-t * 7.5) + 0.3 * dm::exp(-t * 400);
    bus.add(s0 + i, v * gain, v * gain);
  }
}

void snare(Bus& bus, double t0, double gain, unsigned seed) {
  dm::Rng rng(seed);
  Svf f;
  const size_t s0 = sampleAt(t0);
  for (size_t i = 0; i < size_t(0.3 * Fs); ++i) {
    const double t = i / Fs;
    f.run(rng.range(-1, 1), 2200, 0.8);
    const double tone = dm::sin(2 * dm::Pi * 185 * t) * dm::exp(-t * 30);
    const double v = (f.band * 1.6 * dm::exp(-t * 16) + 0.6 * tone) * gain;
    bus.add(s0 + i, v * 0.95, v);
  }
}

void hat(Bus& bus, double t0, double gain, double decay, double pan, unsigned seed) {
  dm::Rng rng(seed);
  Svf f;
  const size_t s0 = sampleAt(t0);
  const size_t n = size_t(std::min(0.5, 6 / decay) * Fs);
  for (size_t i = 0; i < n; ++i) {
    const double t = i / Fs;
    f.run(rng.range(-1, 1), 8000, 0.7);
    const double v = f.high * dm::exp(-t * decay) * gain;
    bus.add(s0 + i, v * panL(pan), v * panR(pan));
  }
}

void crash(Bus& bus, double t0, double gain, double length, unsigned seed) {
  dm::Rng rl(seed), rr(seed + 77);
  Svf fl, fr;
  const size_t s0 = sampleAt(t0);
  for (size_t i = 0; i < size_t(length * Fs); ++i) {
    const double t = i / Fs;
    fl.run(rl.range(-1, 1), 4500, 0.6);
    fr.run(rr.range(-1, 1), 4700, 0.6);
    const double env = dm::exp(-t * 4.5 / length) * (1 - dm::exp(-t * 900));
    bus.add(s0 + i, fl.high * env * gain, fr.high * env * gain);
  }
}

// A low impact: a falling sine under the accent.
void boom(Bus& bus, double t0, double gain) {
  double phase = 0;
  const size_t s0 = sampleAt(t0);
  for (size_t i = 0; i < size_t(0.7 * Fs); ++i) {
    const double t = i / Fs;
    phase += (38 + 60 * dm::exp(-t * 9)) / Fs;
    const double v = dm::sin(2 * dm::Pi * phase) * dm::exp(-t * 4.2) * gain;
    bus.add(s0 + i, v, v);
  }
}

// Saw chord through a closing low-pass: stabs and pads share it.
// Filter sweeps run at a control rate of one update per 16 samples.
constexpr size_t ControlStep = 16;

void chordVoice(Bus& bus, double t0, double length, const int* notes, int count, double gain, double attack,
                double release, double cutoffFrom, double cutoffTo, double spread, Bus* send = nullptr,
                double sendGain = 0) {
  const size_t s0 = sampleAt(t0), n = size_t((length + release) * Fs);
  for (int k = 0; k < count; ++k) {
    Saw a, b;
    a.phase = 0.13 * k;
    b.phase = 0.57 + 0.11 * k;
    Svf fa, fb;
    const double hz = midiHz(notes[k]);
    const double pan = spread * (count > 1 ? (2.0 * k / (count - 1) - 1) : 0);
    double cut = cutoffFrom, tail = 1;
    for (size_t i = 0; i < n; ++i) {
      const double t = i / Fs;
      if (i % ControlStep == 0) {
        cut = cutoffTo + (cutoffFrom - cutoffTo) * dm::exp(-t * 3 / std::max(0.05, length));
        tail = t > length ? dm::exp(-(t - length) * 5 / release) : 1;
      }
      const double env = std::min(1.0, t / attack) * tail;
      fa.run(a.next(hz * 1.003), cut, 0.9);
      fb.run(b.next(hz * 0.997), cut, 0.9);
      const double v = env * gain / count;
      const double l = fa.low * v * panL(pan - 0.3), r = fb.low * v * panR(pan + 0.3);
      bus.add(s0 + i, l, r);
      if (send) send->add(s0 + i, l * sendGain, r * sendGain);
    }
  }
}

void bass(Bus& bus, double t0, double length, int note, double gain) {
  Saw saw;
  Svf f;
  double sub = 0, cut = 0;
  const double hz = midiHz(note);
  const size_t s0 = sampleAt(t0);
  for (size_t i = 0; i < size_t((length + 0.05) * Fs); ++i) {
    const double t = i / Fs;
    const double env =
        std::min(1.0, t * 400) * (t > length ? dm::exp(-(t - length) * 90) : 1) * (0.75 + 0.25 * dm::exp(-t * 8));
    if (i % ControlStep == 0) cut = 180 + 1400 * dm::exp(-t * 14);
    f.run(saw.next(hz), cut, 1.4);
    sub += hz / Fs;
    const double v = (f.low * 0.7 + 0.5 * dm::sin(2 * dm::Pi * sub)) * env * gain;
    bus.add(s0 + i, v, v);
  }
}

// FM bell: bright attack, long ring.
void bell(Bus& bus, double t0, double hz, double gain, double pan, double decay, Bus* send = nullptr,
          double sendGain = 0) {
  const size_t s0 = sampleAt(t0), n = size_t(std::min(6.0, 7 / decay) * Fs);
  for (size_t i = 0; i < n; ++i) {
    const double t = i / Fs;
    const double index = 2.2 * dm::exp(-t * 5);
    const double v = dm::sin(2 * dm::Pi * hz * t + index * dm::sin(2 * dm::Pi * hz * 3.5 * t)) * dm::exp(-t * decay) *
                     std::min(1.0, t * 300) * gain;
    bus.add(s0 + i, v * panL(pan), v * panR(pan));
    if (send) send->add(s0 + i, v * sendGain, v * sendGain);
  }
}

// Square-ish lead through a low-pass, for the arpeggios.
void lead(Bus& bus, double t0, double length, int note, double gain, double pan) {
  Saw a, b;
  b.phase = 0.32;
  Svf f;
  double cut = 0;
  const double hz = midiHz(note);
  const size_t s0 = sampleAt(t0);
  for (size_t i = 0; i < size_t((length + 0.08) * Fs); ++i) {
    const double t = i / Fs;
    const double env = std::min(1.0, t * 500) * dm::exp(-t * 6) * (t > length ? dm::exp(-(t - length) * 60) : 1);
    if (i % ControlStep == 0) cut = 900 + 3200 * dm::exp(-t * 20);
    const double sa = a.next(hz), sb = b.next(hz);  // one draw a statement: never two in one expression
    f.run(sa - sb, cut, 1.1);
    const double v = f.low * env * gain;
    bus.add(s0 + i, v * panL(pan), v * panR(pan));
  }
}

// A singing saw for the tune: soft attack, held, a little vibrato once it sounds.
void melodyVoice(Bus& bus, Bus& send, double t0, double length, int note, double gain) {
  Saw a, b;
  b.phase = 0.5;
  Svf f;
  const double hz = midiHz(note);
  const size_t s0 = sampleAt(t0);
  double vib = 0;
  for (size_t i = 0; i < size_t((length + 0.15) * Fs); ++i) {
    const double t = i / Fs;
    if (i % ControlStep == 0) vib = 1 + 0.006 * std::min(1.0, t * 3) * dm::sin(2 * dm::Pi * 5.2 * t);
    const double env = std::min(1.0, t * 40) * (t > length ? dm::exp(-(t - length) * 30) : 1);
    const double sa = a.next(hz * vib), sb = b.next(hz * 2.002 * vib);
    f.run(sa + 0.5 * sb, 2400, 0.8);
    const double v = f.low * env * gain;
    bus.add(s0 + i, v * 0.9, v);
    send.add(s0 + i, v * 0.5, v * 0.5);
  }
}

// Noise swept upwards before the full beat.
void riser(Bus& bus, double t0, double t1, double gain, unsigned seed) {
  dm::Rng rng(seed);
  Svf f;
  const size_t s0 = sampleAt(t0), s1 = sampleAt(t1);
  for (size_t i = s0; i < s1; ++i) {
    const double x = double(i - s0) / double(s1 - s0);
    f.run(rng.range(-1, 1), 300 + 7000 * std::floor(x * x * 4096) / 4096, 2.5);
    const double v = f.band * x * x * gain;
    bus.add(i, v * (0.8 + 0.2 * dm::sin(x * 40)), v * (0.8 - 0.2 * dm::sin(x * 40)));
  }
}

// ------------------------------------------------------------------ effects

// Ping-pong echo of dotted eighths.
void echo(Bus& dry, const Bus& send, double delaySeconds, double feedback, double mix) {
  const size_t d = sampleAt(delaySeconds), n = dry.l.size();
  std::vector<float> bl(n, 0.0f), br(n, 0.0f);
  for (size_t i = 0; i < n; ++i) {
    const double inL = send.l[i] + (i >= d ? feedback * br[i - d] : 0);
    const double inR = send.r[i] + (i >= d ? feedback * bl[i - d] : 0);
    bl[i] = float(inL);
    br[i] = float(inR);
    if (i >= d) dry.add(i, bl[i - d] * mix, br[i - d] * mix);
  }
}

// Small Schroeder room: four combs and two all-passes per side.
void reverb(Bus& dry, const Bus& send, double mix) {
  const size_t n = dry.l.size();
  const int combs[2][4] = {{1557, 1617, 1491, 1422}, {1580, 1640, 1514, 1445}};
  const int passes[2][2] = {{556, 441}, {579, 464}};
  for (int side = 0; side < 2; ++side) {
    const std::vector<float>& in = side ? send.r : send.l;
    std::vector<float> wet(n, 0.0f);
    for (int c = 0; c < 4; ++c) {
      std::vector<float> buf(size_t(combs[side][c]), 0.0f);
      double damp = 0;
      size_t p = 0;
      for (size_t i = 0; i < n; ++i) {
        const double out = buf[p];
        damp = out * 0.6 + damp * 0.4;
        buf[p] = float(in[i] + damp * 0.84);
        if (++p == buf.size()) p = 0;
        wet[i] += float(out * 0.25);
      }
    }
    for (int a = 0; a < 2; ++a) {
      std::vector<float> buf(size_t(passes[side][a]), 0.0f);
      size_t p = 0;
      for (size_t i = 0; i < n; ++i) {
        const double b = buf[p], x = wet[i];
        buf[p] = float(x + b * 0.5);
        wet[i] = float(b - x * 0.5);
        if (++p == buf.size()) p = 0;
      }
    }
    std::vector<float>& out = side ? dry.r : dry.l;
    for (size_t i = 0; i < n; ++i) out[i] += float(wet[i] * mix);
  }
}

// tanh-like soft limit (Pade form), smooth up to |x| = 3.
double softClip(double x) {
  x = std::clamp(x, -3.0, 3.0);
  return x * (27 + x * x) / (27 + 9 * x * x);
}

// ------------------------------------------------------------------ arrangement

// The harmony: chords of two bars each, four to a progression.
struct Chord {
  int root;      // bass note
  int tones[3];  // for pads, stabs and arpeggios
};
const Chord Minor[4] = {{45, {57, 60, 64}}, {41, {53, 57, 60}}, {48, {55, 60, 64}}, {43, {55, 59, 62}}};  // Am F C G
const Chord Lift[4] = {{41, {53, 57, 60}}, {43, {55, 59, 62}}, {40, {55, 59, 64}}, {45, {57, 60, 64}}};   // F G Em Am
const Chord Turn[4] = {{38, {53, 57, 62}}, {41, {53, 57, 60}}, {43, {55, 59, 62}}, {40, {56, 59, 64}}};   // Dm F G E

// The sections, in bars from the downbeat of the full beat (bar 0):
// before it the titles and the build, then the full beat, a breakdown, the
// lifted repeat with the tune, and the turn that leads into the closing hit.
constexpr int BreakdownBar = 8, LiftBar = 12, TurnBar = 20;

struct Timeline {
  BeatGrid grid;
  double downbeat;  // seconds: the grid point nearest 33 s
  std::vector<double> cuts;

  double sixteenth() const { return grid.sixteenthUs / 1e6; }
  double bar() const { return 16 * sixteenth(); }
  double at(int bar, double step = 0) const { return downbeat + (bar * 16 + step) * sixteenth(); }
  int barOf(double t) const { return int(std::floor((t - downbeat) / bar() + 1e-9)); }
  const Chord& chordAt(double t) const {
    const int b = barOf(t), slot = (((b >> 1) % 4) + 4) % 4;
    if (b >= TurnBar) return Turn[slot];
    if (b >= BreakdownBar) return Lift[slot];
    return Minor[slot];
  }
  // A hit that would land just beside a cut lands on the cut instead: the
  // accent and the beat then strike together rather than as a flam.
  double snap(double t) const {
    for (double c : cuts)
      if (std::fabs(c - t) < 0.045) return c;
    return t;
  }
};

}  // namespace

BeatGrid fitBeatGrid(const std::vector<int32_t>& cutTimes) {
  // Integer microseconds throughout, so the fit is the same on every machine.
  constexpr int64_t Anchor = 33000000, AnchorSlack = 10000, Near = 10000;
  BeatGrid best{80000, 0};
  int bestCount = -1;
  int64_t bestError = 0;
  for (int64_t s = 75000; s <= 90000; s += 10) {
    for (int64_t o = 0; o < s; o += 250) {
      const int64_t a = (Anchor - o) % s;
      if (std::min(a, s - a) > AnchorSlack) continue;
      int count = 0;
      int64_t error = 0;
      for (int32_t ms : cutTimes) {
        const int64_t r = (int64_t(ms) * 1000 - o) % s, d = std::min(r, s - r);
        count += d <= Near;
        error += std::min(d, Near);
      }
      if (count > bestCount || (count == bestCount && error < bestError)) {
        best = {s, o};
        bestCount = count;
        bestError = error;
      }
    }
  }
  return best;
}

std::vector<int16_t> composeMusic(const std::vector<int32_t>& cutTimes) {
  const size_t n = sampleAt(MusicSeconds);
  Bus mix(n), echoSend(n), roomSend(n);
  unsigned seed = 1;

  Timeline tl;
  tl.grid = fitBeatGrid(cutTimes);
  {
    const double s = tl.sixteenth(), o = tl.grid.originUs / 1e6;
    tl.downbeat = o + std::round((ScreenKeepsFrames - o) / s) * s;
  }
  for (int32_t ms : cutTimes) tl.cuts.push_back(ms / 1000.0);
  const double six = tl.sixteenth(), beat = 4 * six, D = tl.downbeat;
  const int closingBar = tl.barOf(Closing);

  // Pads: a chord every two bars from the start, quiet under the title words,
  // opening up while building, thinner in the breakdown.
  for (int b = -26; tl.at(b) < Closing; b += 2) {
    const double t0 = std::max(0.0, tl.at(b)), t1 = std::min(Closing, tl.at(b + 2));
    const Chord& c = tl.chordAt(tl.at(b) + 0.001);
    const bool breakdown = b >= BreakdownBar && b < LiftBar;
    const double level = t0 < 17 ? 0.2 + 0.1 * smoothstep(0, 17, t0)
                                 : (t0 < D ? 0.3 + 0.1 * smoothstep(17, D, t0) : (breakdown ? 0.42 : 0.3));
    const double cutoff = t0 < 17 ? 700 : (t0 < D ? 700 + 2300 * smoothstep(17, D, t0) : (breakdown ? 1500 : 2800));
    chordVoice(mix, t0, t1 - t0, c.tones, 3, level, t0 < 1 ? 3.0 : 0.4, 0.6, cutoff * 0.7, cutoff, 0.6, &roomSend, 0.5);
  }

  // Soft bells from the first title word on: the chord's tones, one every two beats.
  for (double t = tl.at(tl.barOf(5.0) + 1); t < D - 0.01; t += 2 * beat) {
    const Chord& c = tl.chordAt(t);
    const int k = int(std::lround((t - D) / (2 * beat))) & 3;
    const int note = c.tones[k % 3] + 12 + (k == 3 ? 12 : 0);
    bell(mix, t, midiHz(note), 0.05 + 0.04 * smoothstep(5, 17, t), (k % 2 ? 0.4 : -0.4), 2.2, &roomSend, 0.7);
  }

  // Building, from the first beat the logo stands on: a kick every other beat,
  // then every beat; hats, bass, a riser and a snare roll into the downbeat.
  for (double t = D - std::floor((D - LogoAppears) / beat) * beat; t < D - 0.01; t += beat) {
    const bool onHalf = int(std::lround((D - t) / beat)) % 2 == 0;
    if (onHalf || t > tl.at(-4)) kick(mix, t, 0.25 + 0.35 * smoothstep(17, D, t));
  }
  for (double t = tl.at(-8); t < D - 0.01; t += 2 * six)
    hat(mix, t, 0.05 + 0.06 * smoothstep(22, D, t), 45, 0.3, seed++);
  for (double t = tl.at(-6); t < D - 0.01; t += 2 * six)
    bass(mix, t, 2 * six * 0.8, tl.chordAt(t).root, 0.18 + 0.1 * smoothstep(25, D, t));
  riser(mix, tl.at(-3), D, 0.35, seed++);
  for (double t = tl.at(-2); t < D - 0.01; t += (t < tl.at(-1) - 0.001 ? 2 * six : six))
    snare(mix, t, 0.12 + 0.25 * smoothstep(tl.at(-2), D, t), seed++);

  // The impact on the downbeat: the screen stops being cleared here.
  crash(mix, D, 0.3, 3.0, seed++);
  boom(mix, D, 0.55);
  kick(mix, D, 0.7);
  {
    const Chord& c = tl.chordAt(D + 0.001);
    const int stab[4] = {c.tones[0] + 12, c.tones[1] + 12, c.tones[2] + 12, c.tones[0] + 24};
    chordVoice(mix, D, 0.3, stab, 4, 0.35, 0.004, 0.8, 6000, 900, 0.8, &roomSend, 0.9);
  }

  // The full beat: a broken two-step kick, backbeat snares, eighth hats (all
  // sixteenths in the turn); the breakdown keeps only a half-time snare and hats.
  const int kicks[] = {0, 10}, turnKicks[] = {0, 6, 10};
  for (int b = 0; b < closingBar; ++b) {
    const bool breakdown = b >= BreakdownBar && b < LiftBar, turn = b >= TurnBar;
    if (!breakdown) {
      for (int k : turn ? std::span<const int>(turnKicks) : std::span<const int>(kicks))
        if (b > 0 || k > 0) kick(mix, tl.snap(tl.at(b, k)), 0.62);
    }
    for (int step : {4, 12}) {
      if (breakdown && step == 4) continue;
      const double t = tl.snap(tl.at(b, step));
      snare(mix, t, breakdown ? 0.26 : 0.34, seed++);
      snare(roomSend, t, 0.2, seed++);
    }
    for (int step = 0; step < 16; step += turn ? 1 : 2) {
      const bool open = step % 4 == 2;
      const double g = breakdown ? 0.04 : (open ? 0.1 : 0.06);
      hat(mix, tl.snap(tl.at(b, step)), g, open ? 14 : 50, step % 4 == 1 ? 0.35 : -0.2, seed++);
    }
  }
  riser(mix, tl.at(LiftBar - 2), tl.at(LiftBar), 0.3, seed++);

  // Bass: syncopated roots with an octave jump, silent in the breakdown.
  const int bassSteps[] = {0, 3, 6, 10, 13};
  for (int b = 0; b < closingBar; ++b) {
    if (b >= BreakdownBar && b < LiftBar) continue;
    for (int step : bassSteps) {
      const double t = tl.snap(tl.at(b, step));
      if (t >= Closing - 0.01) break;
      bass(mix, t, 2.5 * six, tl.chordAt(t).root + (step == 6 || step == 13 ? 12 : 0), 0.3);
    }
  }

  // Arpeggios of the chord in sixteenths through the echo, in the full beat and the turn.
  const int arp[8] = {0, 1, 2, 1, 0, 2, 1, 2};
  for (int b = 0; b < closingBar; ++b) {
    if (b >= BreakdownBar && b < TurnBar) continue;
    for (int step = 0; step < 16; ++step) {
      const double t = tl.snap(tl.at(b, step));
      const int note = tl.chordAt(t).tones[arp[step % 8]] + 12 + (step >= 8 ? 12 : 0);
      const double pan = dm::sin(t * 0.9) * 0.5;
      lead(mix, t, six * 0.6, note, 0.07, pan);
      lead(echoSend, t, six * 0.6, note, 0.05, pan);
    }
  }

  // The tune: {sixteenth in the two-bar chord, sixteenths held, note}, one line per chord;
  // sung over the lifted progression from the breakdown on, and an octave-bright
  // variation over the turn.
  struct Note {
    int step, length, note;
  };
  const Note liftTune[4][7] = {
      {{0, 6, 72}, {6, 2, 69}, {8, 4, 72}, {12, 4, 74}, {16, 8, 76}, {24, 4, 74}, {28, 4, 72}},
      {{0, 6, 74}, {6, 2, 71}, {8, 4, 74}, {12, 4, 79}, {16, 8, 79}, {24, 4, 77}, {28, 4, 74}},
      {{0, 6, 76}, {6, 2, 71}, {8, 4, 76}, {12, 4, 79}, {16, 8, 76}, {24, 4, 74}, {28, 4, 71}},
      {{0, 6, 72}, {6, 2, 69}, {8, 4, 72}, {12, 4, 76}, {16, 8, 81}, {24, 4, 79}, {28, 4, 76}}};
  const Note turnTune[4][7] = {
      {{0, 6, 74}, {6, 2, 77}, {8, 4, 81}, {12, 4, 77}, {16, 8, 76}, {24, 4, 74}, {28, 4, 72}},
      {{0, 6, 72}, {6, 2, 77}, {8, 4, 81}, {12, 4, 84}, {16, 8, 81}, {24, 4, 79}, {28, 4, 77}},
      {{0, 6, 79}, {6, 2, 74}, {8, 4, 79}, {12, 4, 83}, {16, 8, 81}, {24, 4, 79}, {28, 4, 74}},
      {{0, 6, 80}, {6, 2, 76}, {8, 4, 80}, {12, 4, 83}, {16, 8, 80}, {24, 4, 76}, {28, 4, 71}}};
  for (int b = BreakdownBar; b < closingBar; b += 2) {
    const int slot = ((b >> 1) % 4 + 4) % 4;
    const Note* line = b >= TurnBar ? turnTune[slot] : liftTune[slot];
    for (int i = 0; i < 7; ++i) {
      const double t = tl.snap(tl.at(b, line[i].step));
      if (t + line[i].length * six > Closing) break;
      melodyVoice(mix, echoSend, t, line[i].length * six * 0.9, line[i].note, b < LiftBar ? 0.07 : 0.085);
    }
  }

  // An accent on every cut: a tick, a crash, a chord stab and a low impact; cuts that
  // follow each other closely get lighter accents.
  double previous = -10;
  for (double t : tl.cuts) {
    if (t < D || t > Closing + 0.01) continue;
    const double weight = t - previous < 0.2 ? 0.75 : 1.0;
    previous = t;
    hat(mix, t, 0.22 * weight, 90, 0.0, seed++);  // the bright edge that marks the cut
    const Chord& c = tl.chordAt(t);
    const int stab[4] = {c.tones[0] + 12, c.tones[1] + 12, c.tones[2] + 12, c.tones[0] + 24};
    const bool last = t >= Closing - 0.01;
    crash(mix, t, 0.16 * weight * (last ? 1.8 : 1), last ? 3.5 : 1.2, seed++);
    chordVoice(mix, t, last ? 0.6 : 0.12, stab, 4, 0.3 * weight, 0.004, last ? 1.2 : 0.15, 6000, 900, 0.8, &roomSend,
               0.8);
    boom(mix, t, 0.32 * weight * (last ? 1.5 : 1));
  }

  // The closing phrase: a held A minor and a falling bell line, ringing out into the fade.
  const int closingChord[4] = {45, 57, 60, 64};
  chordVoice(mix, Closing, FadeStart - Closing + 1.5, closingChord, 4, 0.42, 0.3, 2.5, 1200, 2200, 0.7, &roomSend, 0.7);
  const int melody[6] = {76, 74, 72, 71, 69, 64};
  const int when[6] = {0, 2, 4, 6, 8, 12};  // beats after the closing hit
  for (int i = 0; i < 6; ++i) {
    bell(mix, Closing + when[i] * beat, midiHz(melody[i]), 0.16, i % 2 ? 0.3 : -0.3, i == 4 ? 0.8 : 1.5, &roomSend,
         0.9);
  }

  echo(mix, echoSend, 3 * six, 0.38, 0.8);
  reverb(mix, roomSend, 0.55);

  // Master: fade to silence between 73 and 78 s, soft limit, 16 bits.
  std::vector<int16_t> pcm(n * 2);
  for (size_t i = 0; i < n; ++i) {
    const double t = i / Fs;
    const double fade = t < FadeStart ? 1.0 : std::max(0.0, 1 - (t - FadeStart) / (FadeEnd - FadeStart));
    const double g = fade * fade * MasterGain;
    pcm[2 * i] = int16_t(std::nearbyint(softClip(mix.l[i] * g) * MasterPeak));
    pcm[2 * i + 1] = int16_t(std::nearbyint(softClip(mix.r[i] * g) * MasterPeak));
  }
  return pcm;
}
