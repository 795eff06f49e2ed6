#include "musicvoices.h"

namespace synth {

namespace {

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

}  // namespace

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
    f.run(rng.range(-1, 1), 6500, 1.1);  // a band around 6.5 kHz: a dark hat, no hiss above
    const double v = f.band * dm::exp(-t * decay) * gain;
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

void clap(Bus& bus, double t0, double gain, double pan, unsigned seed) {
  dm::Rng rng(seed);
  Svf lo, hi;
  const size_t s0 = sampleAt(t0);
  for (size_t i = 0; i < size_t(0.18 * Fs); ++i) {
    const double t = i / Fs;
    const double x = rng.range(-1, 1);
    lo.run(x, 1300, 1.4);
    hi.run(x, 2800, 1.2);
    // Three quick strikes 9 ms apart, the first the strongest, then the tail.
    const double strike = t < 0.027 ? dm::exp(-std::fmod(t, 0.009) * 350) * (1 - t * 12) : 0;
    const double env = std::max(strike, 0.6 * dm::exp(-t * 28));
    const double v = (lo.band + 0.7 * hi.band) * env * gain;
    bus.add(s0 + i, v * panL(pan), v * panR(pan));
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
                double release, double cutoffFrom, double cutoffTo, double spread, Bus* send, double sendGain) {
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
void bell(Bus& bus, double t0, double hz, double gain, double pan, double decay, Bus* send, double sendGain) {
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

}  // namespace synth
