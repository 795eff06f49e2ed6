#pragma once
// The instruments and the effects the soundtrack is played on: each voice adds
// one note or hit into a bus of float samples at 44.1 kHz; the arrangement
// (music.cpp) decides what plays when. Every routine is plain arithmetic on
// detmath, so the samples are the same on every machine.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "detmath.h"
#include "music.h"

namespace synth {

constexpr double Fs = MusicRate;

struct Bus {
  std::vector<float> l, r;
  explicit Bus(size_t n) : l(n, 0.0f), r(n, 0.0f) {}
  void add(size_t i, double left, double right) {
    if (i >= l.size()) return;
    l[i] += float(left);
    r[i] += float(right);
  }
};

inline size_t sampleAt(double t) { return size_t(std::max(0.0, t) * Fs + 0.5); }
inline double midiHz(double m) { return 440.0 * dm::semitones(m - 69); }

// Pan law: p from -1 (left) to 1 (right).
inline double panL(double p) { return std::sqrt(0.5 * (1 - p)); }
inline double panR(double p) { return std::sqrt(0.5 * (1 + p)); }

inline double smoothstep(double a, double b, double x) {
  const double t = std::clamp((x - a) / (b - a), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

// Drums; seeds pick the noise. The hats are band-passed around 6.5 kHz.
void kick(Bus& bus, double t0, double gain);
void snare(Bus& bus, double t0, double gain, unsigned seed);
void hat(Bus& bus, double t0, double gain, double decay, double pan, unsigned seed);
void crash(Bus& bus, double t0, double gain, double length, unsigned seed);
// Hand clap: band-passed noise (1.3 and 2.8 kHz) in three quick strikes, the mark of a cut.
void clap(Bus& bus, double t0, double gain, double pan, unsigned seed);
// A low impact: a falling sine under the accent.
void boom(Bus& bus, double t0, double gain);
// Saw chord through a closing low-pass (cutoffFrom to cutoffTo): stabs and pads share it.
void chordVoice(Bus& bus, double t0, double length, const int* notes, int count, double gain, double attack,
                double release, double cutoffFrom, double cutoffTo, double spread, Bus* send = nullptr,
                double sendGain = 0);
void bass(Bus& bus, double t0, double length, int note, double gain);
// FM bell: bright attack, long ring.
void bell(Bus& bus, double t0, double hz, double gain, double pan, double decay, Bus* send = nullptr,
          double sendGain = 0);
// Square-ish lead through a low-pass, for the arpeggios.
void lead(Bus& bus, double t0, double length, int note, double gain, double pan);
// A singing saw for the tune: soft attack, held, a little vibrato once it sounds.
void melodyVoice(Bus& bus, Bus& send, double t0, double length, int note, double gain);
// Noise swept upwards from t0 to t1.
void riser(Bus& bus, double t0, double t1, double gain, unsigned seed);

// Ping-pong echo of send into dry.
void echo(Bus& dry, const Bus& send, double delaySeconds, double feedback, double mix);
// Small Schroeder room: four combs and two all-passes per side.
void reverb(Bus& dry, const Bus& send, double mix);
// tanh-like soft limit (Pade form), smooth up to |x| = 3.
double softClip(double x);

}  // namespace synth
