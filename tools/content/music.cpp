#include "music.h"

#include <algorithm>
#include <cmath>

#include "detmath.h"

namespace {

constexpr double Fs = MusicRate;
constexpr double Beat = 0.5;     // 120 beats a minute
constexpr double BarStart = 1.0; // bars of four beats begin at 1 s, 3 s, 5 s, ...; 17 s and 33 s are downbeats
constexpr double FullBeat = 33.0, Closing = 69.52, FadeStart = 73.0, FadeEnd = 78.0;

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

// Chords of the piece, one per bar: A minor, F, C, G.
const int ChordRoots[4] = {45, 41, 48, 43};
const int ChordTones[4][3] = {{57, 60, 64}, {53, 57, 60}, {55, 60, 64}, {55, 59, 62}};
int chordAt(double t) {
  const int bar = int(std::floor((t - BarStart) / (4 * Beat)));
  return ((bar % 4) + 4) % 4;
}

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
    const double env = std::min(1.0, t * 400) * (t > length ? dm::exp(-(t - length) * 90) : 1) * (0.75 + 0.25 * dm::exp(-t * 8));
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

}  // namespace

std::vector<int16_t> composeMusic(const std::vector<int32_t>& cutTimes) {
  const size_t n = sampleAt(MusicSeconds);
  Bus mix(n), echoSend(n), roomSend(n);
  unsigned seed = 1;

  // Pads: one chord per bar from the start, quiet under the title words, opening up while building.
  for (int bar = -1; BarStart + bar * 4 * Beat < Closing; ++bar) {
    const double t0 = std::max(0.0, BarStart + bar * 4 * Beat);
    const int c = ((bar % 4) + 4) % 4;
    const double level = t0 < 17 ? 0.2 + 0.1 * smoothstep(0, 17, t0) : (t0 < FullBeat ? 0.3 + 0.1 * smoothstep(17, 33, t0) : 0.32);
    const double cutoff = t0 < 17 ? 700 : (t0 < FullBeat ? 700 + 2300 * smoothstep(17, 33, t0) : 2800);
    const double attack = t0 < 1 ? 3.0 : 0.4;
    chordVoice(mix, t0, BarStart + (bar + 1) * 4 * Beat - t0, ChordTones[c], 3, level, attack, 0.6, cutoff * 0.7, cutoff,
               0.6, &roomSend, 0.5);
  }

  // Soft bells from the first title word on: the chord's tones, one every beat.
  for (double t = 5.0; t < FullBeat; t += Beat) {
    const int c = chordAt(t), k = int(std::lround((t - 5.0) / Beat)) % 4;
    const int note = ChordTones[c][k % 3] + 12 + (k == 3 ? 12 : 0);
    const double g = 0.05 + 0.04 * smoothstep(5, 17, t);
    bell(mix, t, midiHz(note), g, (k % 2 ? 0.4 : -0.4), 2.2, &roomSend, 0.7);
  }

  // Building: a soft kick from 17 s, hats from 22.7 s, bass from 25 s, a riser and snare roll to 33 s.
  for (double t = 17.0; t < FullBeat; t += Beat) kick(mix, t, 0.25 + 0.35 * smoothstep(17, 33, t));
  for (double t = 22.75; t < FullBeat; t += Beat / 2)
    hat(mix, t, 0.05 + 0.06 * smoothstep(22, 33, t), 45, 0.3, seed++);
  for (double t = 25.0; t < FullBeat; t += Beat / 2) {
    const int c = chordAt(t);
    bass(mix, t, Beat / 2 * 0.8, ChordRoots[c], 0.18 + 0.1 * smoothstep(25, 33, t));
  }
  riser(mix, 29.0, FullBeat, 0.35, seed++);
  for (double t = 31.0; t < FullBeat - 0.01; t += (t < 32 ? Beat / 2 : Beat / 4))
    snare(mix, t, 0.12 + 0.25 * smoothstep(31, 33, t), seed++);

  // The full beat from 33 s to the closing hit.
  for (double t = FullBeat; t < Closing; t += Beat) {
    const int beatInBar = int(std::lround((t - BarStart) / Beat)) % 4;
    kick(mix, t, 0.62);
    if (beatInBar == 1 || beatInBar == 3) {
      snare(mix, t, 0.34, seed++);
      snare(roomSend, t, 0.2, seed++);
    }
  }
  for (double t = FullBeat; t < Closing; t += Beat / 4) {
    const int step = int(std::lround((t - BarStart) / (Beat / 4))) % 4;
    hat(mix, t, step == 2 ? 0.11 : 0.06, step == 2 ? 14 : 50, step % 2 ? 0.35 : -0.2, seed++);
  }
  for (double t = FullBeat; t < Closing; t += Beat / 2) {
    const int c = chordAt(t), step = int(std::lround((t - BarStart) / (Beat / 2))) % 8;
    bass(mix, t, Beat / 2 * 0.7, ChordRoots[c] + (step == 3 || step == 7 ? 12 : 0), 0.3);
  }
  const int arp[8] = {0, 1, 2, 1, 0, 2, 1, 2};
  for (double t = FullBeat; t < Closing; t += Beat / 4) {
    const int c = chordAt(t), step = int(std::lround((t - BarStart) / (Beat / 4))) % 16;
    const int note = ChordTones[c][arp[step % 8]] + 12 + (step >= 8 ? 12 : 0);
    const double pan = dm::sin(t * 0.9) * 0.5;
    lead(mix, t, Beat / 4 * 0.6, note, 0.075, pan);
    lead(echoSend, t, Beat / 4 * 0.6, note, 0.05, pan);
  }

  // The tune: a four-bar phrase over the chords (it starts on the A minor bar),
  // four times from 41 s, the last one cut short by the close;
  // {beat in the phrase, beats held, note}.
  const double tune[][3] = {{0, 2, 76}, {2, 1, 72}, {3, 1, 74}, {4, 2, 72}, {6, 1, 69}, {7, 1, 72},
                            {8, 1, 76}, {9, 1, 79}, {10, 1, 76}, {11, 1, 74}, {12, 3, 74}, {15, 1, 71}};
  for (double phrase : {41.0, 49.0, 57.0, 65.0}) {
    for (const auto& n : tune)
      if (phrase + (n[0] + n[1]) * Beat <= Closing)
        melodyVoice(mix, echoSend, phrase + n[0] * Beat, n[1] * Beat * 0.9, int(n[2]), 0.085);
  }

  // An accent on every cut: a crash, a chord stab and a low impact; cuts that
  // follow each other closely get lighter accents.
  double previous = -10;
  for (int32_t ms : cutTimes) {
    const double t = ms / 1000.0;
    if (t < FullBeat || t > Closing + 0.01) continue;
    const double weight = t - previous < 0.2 ? 0.55 : 1.0;
    previous = t;
    const int c = chordAt(t);
    const int stab[4] = {ChordTones[c][0] + 12, ChordTones[c][1] + 12, ChordTones[c][2] + 12, ChordTones[c][0] + 24};
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
  const double when[6] = {0.0, 0.5, 1.0, 1.5, 2.0, 3.0};
  for (int i = 0; i < 6; ++i) {
    bell(mix, Closing + when[i], midiHz(melody[i]), 0.16, i % 2 ? 0.3 : -0.3, i == 4 ? 0.8 : 1.5, &roomSend, 0.9);
  }

  echo(mix, echoSend, 3 * Beat / 4, 0.38, 0.8);
  reverb(mix, roomSend, 0.55);

  // Master: fade to silence between 73 and 78 s, soft limit, 16 bits.
  std::vector<int16_t> pcm(n * 2);
  for (size_t i = 0; i < n; ++i) {
    const double t = i / Fs;
    const double fade = t < FadeStart ? 1.0 : std::max(0.0, 1 - (t - FadeStart) / (FadeEnd - FadeStart));
    const double g = fade * fade * 0.9;
    pcm[2 * i] = int16_t(std::nearbyint(softClip(mix.l[i] * g) * 32000));
    pcm[2 * i + 1] = int16_t(std::nearbyint(softClip(mix.r[i] * g) * 32000));
  }
  return pcm;
}
