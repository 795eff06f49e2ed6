#include "music.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "detmath.h"
#include "musicvoices.h"

using namespace synth;

namespace {

constexpr double Closing = 69.52, FadeStart = 73.0, FadeEnd = 78.0;
constexpr double ScreenKeepsFrames = 33.0;  // the full beat starts where the screen stops being cleared
constexpr double LogoAppears = 16.96;
// Loudness: about -14 LUFS; the peak stays below -1 dBFS even after MP3 encoding.
constexpr double MasterGain = 1.3, MasterPeak = 26000;

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
