#include "music.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "detmath.h"
#include "musicvoices.h"

using namespace synth;

namespace {

constexpr double Closing = 69.52, FadeStart = 73.0, FadeEnd = 78.0;
constexpr double ScreenKeepsFrames = 33.0;  // the grid has a bar line where the screen stops being cleared
constexpr double LogoAppears = 16.96;
// Loudness: about -14 LUFS; the peak stays below -1 dBFS even after MP3 encoding.
constexpr double MasterGain = 1.3, MasterPeak = 25400;

// ------------------------------------------------------------------ harmony and form

// Chords of two bars each, four to a progression.
struct Chord {
  int root;      // bass note
  int tones[3];  // for pads, stabs and arpeggios
};
const Chord Minor[4] = {{45, {57, 60, 64}}, {41, {53, 57, 60}}, {48, {55, 60, 64}}, {43, {55, 59, 62}}};  // Am F C G
const Chord Lift[4] = {{41, {53, 57, 60}}, {43, {55, 59, 62}}, {40, {55, 59, 64}}, {45, {57, 60, 64}}};   // F G Em Am
// The last drop, a chord a bar into the closing hit: Am Am F F G E.
const Chord Finale[6] = {{45, {57, 60, 64}}, {45, {57, 60, 64}}, {41, {53, 57, 60}},
                         {41, {53, 57, 60}}, {43, {55, 59, 62}}, {40, {56, 59, 64}}};

// The form follows the pictures, in bars of the grid counted from the bar line
// at 33 s (bar 0, the last bar of the build): the first drop on the bar of the
// first cut, where the picture first changes; the breakdown over the calm
// stretch, where the cuts come one a bar; four bars building back; the second
// drop where the cuts crowd again, up to the closing hit.
struct Form {
  int drop = 1, breakdown = 11, buildBack = 19, dropTwo = 23, closing = 28;
  bool beat(int b) const { return (b >= drop && b < breakdown) || (b >= dropTwo && b < closing); }
  bool calm(int b) const { return b >= breakdown && b < buildBack; }
};

struct Timeline {
  BeatGrid grid;
  double downbeat;  // seconds: the grid point nearest 33 s
  std::vector<double> cuts;
  Form form;

  double sixteenth() const { return grid.sixteenthUs / 1e6; }
  double bar() const { return 16 * sixteenth(); }
  double at(int bar, double step = 0) const { return downbeat + (bar * 16 + step) * sixteenth(); }
  int barOf(double t) const { return int(std::floor((t - downbeat) / bar() + 1e-9)); }
  const Chord& chordOfBar(int b) const {
    if (b < form.breakdown) return Minor[((b - form.drop) >> 1) & 3];  // ends on G before each drop
    if (b < form.dropTwo) return Lift[((b - form.breakdown) >> 1) & 3];
    return Finale[std::min(5, b - form.dropTwo)];
  }
  const Chord& chordAt(double t) const { return chordOfBar(barOf(t)); }
  // A hit that would land just beside a cut lands on the cut instead: the
  // accent and the beat then strike together rather than as a flam.
  double snap(double t) const {
    for (double c : cuts)
      if (std::fabs(c - t) < 0.045) return c;
    return t;
  }
  // A drum hit a little before a cut is left out, so the cut's own hit stands
  // clear rather than sounding on the hit's tail.
  bool crowds(double t) const {
    for (double c : cuts)
      if (c - t >= 0.045 && c - t < 0.11) return true;
    return false;
  }
  // The cut a hit on this bar line lands on, or the bar line itself.
  double barLine(int b) const { return snap(at(b)); }
};

// Cuts per bar of the grid, and from them the form: the drop on the bar of
// the first cut; the calm is the longest run of bars after it with at most
// two cuts each, of which the breakdown takes all but the last four bars; the
// second drop follows the calm. Sections start on odd bars, with the chords.
Form arrange(const Timeline& tl) {
  Form f;
  if (tl.cuts.empty()) return f;
  f.drop = tl.barOf(tl.cuts.front() + 0.045);
  f.closing = tl.barOf(Closing);
  std::vector<int> perBar(size_t(std::max(0, f.closing - f.drop + 1)), 0);
  for (double c : tl.cuts) {
    const int b = tl.barOf(c + 0.045) - f.drop;
    if (b >= 0 && b < int(perBar.size())) ++perBar[size_t(b)];
  }
  int bestFrom = 0, bestLength = 0;
  for (int b = 1, from = 1; b <= int(perBar.size()); ++b) {
    if (b < int(perBar.size()) && perBar[size_t(b)] <= 2) continue;
    if (b - from > bestLength) bestFrom = from, bestLength = b - from;
    from = b + 1;
  }
  const auto odd = [&](int b) { return b + ((b - f.drop) & 1); };
  f.breakdown = odd(f.drop + bestFrom);
  f.dropTwo = std::min(f.closing, odd(f.drop + bestFrom + bestLength));
  f.buildBack = std::max(f.breakdown, f.dropTwo - 4);
  return f;
}

struct Song {
  Timeline tl;
  Bus mix, echoSend, roomSend;
  unsigned seed = 1;
  explicit Song(size_t n) : mix(n), echoSend(n), roomSend(n) {}
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
namespace {

// The titles (from 0 s) and the build from the logo into the first drop. The
// titles grow in four-bar phrases: a dark, low pad alone, then the pad an
// octave up with bells, then a fourth voice above over a low drone; the logo brings the kick, then come
// hats, bass, a riser and a snare roll; the last eighth before the drop is held.
void intro(Song& s) {
  Timeline& tl = s.tl;
  const double six = tl.sixteenth(), beat = 4 * six, dropT = tl.barLine(tl.form.drop), gap = dropT - 2 * six;
  constexpr int FirstPhrase = -25;  // the first bar line after 0 s
  for (int b = FirstPhrase - 2; tl.at(b) < dropT - 0.01; b += 2) {
    const double t0 = std::max(0.0, tl.at(b)), t1 = std::min(dropT, tl.at(b + 2));
    const Chord& c = b < FirstPhrase ? Minor[0] : tl.chordOfBar(b);
    const int phrase = std::max(0, (b - FirstPhrase) / 4);
    const int low = phrase == 0 ? -12 : 0;  // the first phrase an octave down
    const int notes[4] = {c.tones[0] + low, c.tones[1] + low, c.tones[2] + low, c.tones[0] + 12};
    const double level = t0 < LogoAppears ? 0.2 + 0.03 * phrase : 0.3 + 0.1 * smoothstep(17, 33, t0);
    const double cutoff = t0 < LogoAppears ? 550 + 300 * phrase : 1500 + 1300 * smoothstep(17, 33, t0);
    chordVoice(s.mix, t0, t1 - t0, notes, phrase >= 2 ? 4 : 3, level, t0 < 1 ? 3.0 : 0.4, 0.6, cutoff * 0.7, cutoff,
               0.6, &s.roomSend, 0.5);
  }
  // Bells from the second phrase, every two beats, every beat from the logo on.
  for (double t = tl.at(FirstPhrase + 4); t < gap - 0.01;) {
    const Chord& c = tl.chordAt(t);
    const int k = int(std::lround((t - tl.downbeat) / beat)) & 3;
    const int note = c.tones[k % 3] + 12 + (k == 3 ? 12 : 0);
    bell(s.mix, t, midiHz(note), 0.06 + 0.04 * smoothstep(5, 17, t), (k % 2 ? 0.4 : -0.4), 2.2, &s.roomSend, 0.7);
    t += t < LogoAppears ? 2 * beat : beat;
  }
  // A low drone on the chord's root in the third phrase, up to the logo.
  for (int b = FirstPhrase + 8; tl.at(b) < LogoAppears; b += 2)
    bass(s.mix, tl.at(b), std::min(LogoAppears, tl.at(b + 2)) - tl.at(b) - 0.05, tl.chordOfBar(b).root - 12, 0.16);

  // From the first beat the logo stands on: a kick every other beat, then every beat.
  const double D = tl.downbeat;
  for (double t = D - std::floor((D - LogoAppears) / beat) * beat; t < gap - 0.01; t += beat) {
    const bool onHalf = int(std::lround((D - t) / beat)) % 2 == 0;
    if (onHalf || t > tl.at(-4)) kick(s.mix, t, 0.25 + 0.2 * smoothstep(17, 33, t));
  }
  for (double t = tl.at(-8); t < gap - 0.01; t += 2 * six)
    hat(s.mix, t, 0.05 + 0.05 * smoothstep(22, 33, t), 45, 0.3, s.seed++);
  for (double t = tl.at(-6); t < gap - 0.01; t += 2 * six)
    bass(s.mix, t, 2 * six * 0.8, tl.chordAt(t).root, 0.18 + 0.08 * smoothstep(25, 33, t));
  riser(s.mix, tl.at(-2), gap, 0.18, s.seed++);
  for (double t = tl.at(-1); t < gap - 0.01; t += (t < tl.at(0) - 0.001 ? 2 * six : six))
    snare(s.mix, t, 0.1 + 0.12 * smoothstep(tl.at(-1), gap, t), s.seed++);
}

// An impact where a drop lands: low boom, kick and a chord stab; the first drop also crashes.
void impact(Song& s, double t, bool withCrash) {
  if (withCrash) crash(s.mix, t, 0.26, 2.5, s.seed++);
  boom(s.mix, t, 0.55);
  kick(s.mix, t, 0.7);
  const Chord& c = s.tl.chordAt(t + 0.001);
  const int stab[4] = {c.tones[0] + 12, c.tones[1] + 12, c.tones[2] + 12, c.tones[0] + 24};
  chordVoice(s.mix, t, 0.3, stab, 4, 0.35, 0.004, 0.4, 6000, 900, 0.8, &s.roomSend, 0.9);
}

// From the first drop to the closing hit: pads throughout, the full beat in
// the two drops, the breakdown with only pads, a half-time snare and the tune,
// and the four bars building back (a kick on every beat, hats, bass, a riser
// and a snare roll, the last eighth held).
void body(Song& s) {
  Timeline& tl = s.tl;
  const Form& f = tl.form;
  const double six = tl.sixteenth();
  const double dropTwoT = tl.barLine(f.dropTwo), gap = dropTwoT - 2 * six;

  // A pad a chord: two bars, or one where the chord changes after a bar (the finale's G, E).
  for (int b = f.drop, bars = 2; b < f.closing; b += bars) {
    const Chord &c = tl.chordOfBar(b), &next = tl.chordOfBar(b + 1);
    bars = c.root == next.root && c.tones[2] == next.tones[2] ? 2 : 1;
    const double t0 = tl.barLine(b), t1 = std::min(Closing, tl.barLine(b + bars));
    const bool calm = f.calm(b), back = b >= f.buildBack && b < f.dropTwo;
    const double rise = back ? double(b - f.buildBack) / std::max(1, f.dropTwo - f.buildBack) : 0;
    const double level = calm ? 0.32 : (back ? 0.34 : 0.3);
    const double cutoff = calm ? 1400 : (back ? 1600 + 1000 * rise : 2800);
    chordVoice(s.mix, t0, t1 - t0, c.tones, 3, level, 0.3, 0.6, cutoff * 0.7, cutoff, 0.6, &s.roomSend, 0.5);
  }

  const int kicks[] = {0, 10}, lastKicks[] = {0, 6, 10}, bassSteps[] = {0, 3, 6, 10, 13};
  const int arp[8] = {0, 1, 2, 1, 0, 2, 1, 2};
  for (int b = f.drop; b < f.closing; ++b) {
    if (f.beat(b)) {
      for (int k : b >= f.dropTwo ? std::span<const int>(lastKicks) : std::span<const int>(kicks))
        if ((k > 0 || (b != f.drop && b != f.dropTwo)) && !tl.crowds(tl.at(b, k)))
          kick(s.mix, tl.snap(tl.at(b, k)), 0.62);
      for (int step : {4, 12}) {
        const double t = tl.snap(tl.at(b, step));
        if (tl.crowds(t)) continue;
        snare(s.mix, t, 0.34, s.seed++);
        snare(s.roomSend, t, 0.2, s.seed++);
      }
      for (int step = 0; step < 16; step += 2)
        if (!tl.crowds(tl.at(b, step)))
          hat(s.mix, tl.snap(tl.at(b, step)), step % 4 == 2 ? 0.09 : 0.055, step % 4 == 2 ? 14 : 50,
              step % 4 == 2 ? 0.35 : -0.2, s.seed++);
      for (int step : bassSteps) {
        const double t = tl.snap(tl.at(b, step));
        if (t >= Closing - 0.01) break;
        bass(s.mix, t, 2.5 * six, tl.chordAt(t).root + (step == 6 || step == 13 ? 12 : 0), 0.3);
      }
      // Arpeggios of the chord in sixteenths through the echo.
      for (int step = 0; step < 16; ++step) {
        const double t = tl.snap(tl.at(b, step));
        if (t >= Closing - 0.01) break;
        const int note = tl.chordAt(t).tones[arp[step % 8]] + 12 + (step >= 8 ? 12 : 0);
        const double pan = dm::sin(t * 0.9) * 0.5;
        lead(s.mix, t, six * 0.6, note, 0.07, pan);
        lead(s.echoSend, t, six * 0.6, note, 0.05, pan);
      }
    } else if (f.calm(b)) {
      const double t = tl.snap(tl.at(b, 12));
      snare(s.mix, t, 0.22, s.seed++);
      snare(s.roomSend, t, 0.25, s.seed++);
      for (int step = 2; step < 16; step += 4) hat(s.mix, tl.snap(tl.at(b, step)), 0.035, 30, 0.3, s.seed++);
    } else {  // building back
      const double rise = double(b - f.buildBack) / std::max(1, f.dropTwo - f.buildBack);
      for (int step = 0; step < 16; step += 4) {
        const double t = tl.snap(tl.at(b, step));
        if (t < gap - 0.01) kick(s.mix, t, 0.3 + 0.25 * rise);
      }
      for (int step = 0; step < 16; step += 2) {
        const double t = tl.snap(tl.at(b, step));
        if (t >= gap - 0.01) break;
        hat(s.mix, t, 0.04 + 0.04 * rise, 45, 0.3, s.seed++);
        if (b >= f.buildBack + 2) bass(s.mix, t, 2 * six * 0.8, tl.chordAt(t).root, 0.2 + 0.08 * rise);
      }
      if (b == f.dropTwo - 1)
        for (double t = tl.at(b); t < gap - 0.01; t += (t < tl.at(b, 8) - 0.001 ? 2 * six : six))
          snare(s.mix, tl.snap(t), 0.12 + 0.16 * smoothstep(tl.at(b), gap, t), s.seed++);
    }
  }
  if (f.dropTwo > f.buildBack + 1) riser(s.mix, tl.at(f.dropTwo - 2), gap, 0.2, s.seed++);
  impact(s, tl.barLine(f.drop), true);
  if (f.dropTwo < f.closing) impact(s, dropTwoT, false);
}

// The tune: {sixteenth in the two-bar chord, sixteenths held, note}, one line
// per chord; sung over the lifted progression from the breakdown on and, an
// octave brighter, over the last drop.
struct Note {
  int step, length, note;
};
const Note LiftTune[4][7] = {{{0, 6, 72}, {6, 2, 69}, {8, 4, 72}, {12, 4, 74}, {16, 8, 76}, {24, 4, 74}, {28, 4, 72}},
                             {{0, 6, 74}, {6, 2, 71}, {8, 4, 74}, {12, 4, 79}, {16, 8, 79}, {24, 4, 77}, {28, 4, 74}},
                             {{0, 6, 76}, {6, 2, 71}, {8, 4, 76}, {12, 4, 79}, {16, 8, 76}, {24, 4, 74}, {28, 4, 71}},
                             {{0, 6, 72}, {6, 2, 69}, {8, 4, 72}, {12, 4, 76}, {16, 8, 81}, {24, 4, 79}, {28, 4, 76}}};
const Note FinaleTune[3][7] = {
    {{0, 6, 76}, {6, 2, 72}, {8, 4, 76}, {12, 4, 79}, {16, 8, 81}, {24, 4, 79}, {28, 4, 76}},
    {{0, 6, 77}, {6, 2, 72}, {8, 4, 77}, {12, 4, 81}, {16, 8, 84}, {24, 4, 81}, {28, 4, 77}},
    {{0, 6, 79}, {6, 2, 74}, {8, 4, 79}, {12, 4, 83}, {16, 8, 80}, {24, 4, 76}, {28, 4, 71}}};

void tune(Song& s) {
  const Timeline& tl = s.tl;
  const Form& f = tl.form;
  for (int b = f.breakdown; b < f.closing; b += 2) {
    const Note* line =
        b >= f.dropTwo ? FinaleTune[std::min(2, (b - f.dropTwo) / 2)] : LiftTune[((b - f.breakdown) >> 1) & 3];
    for (int i = 0; i < 7; ++i) {
      const double t = tl.snap(tl.at(b, line[i].step));
      if (t + line[i].length * tl.sixteenth() > Closing) break;
      const double gain = f.calm(b) ? 0.07 : 0.085;
      melodyVoice(s.mix, s.echoSend, t, line[i].length * tl.sixteenth() * 0.9, line[i].note, gain);
    }
  }
}

// An accent on every cut: a clap, a chord stab and a low impact, lighter in
// the calm and where cuts crowd; the drops and the closing hit also crash.
void accents(Song& s) {
  const Timeline& tl = s.tl;
  double previous = -10;
  for (double t : tl.cuts) {
    if (t > Closing + 0.01) continue;
    const bool last = t >= Closing - 0.01;
    const double weight = (t - previous < 0.2 ? 0.85 : 1.0) * (tl.form.calm(tl.barOf(t + 0.045)) ? 0.8 : 1.0);
    previous = t;
    clap(s.mix, t, 0.55 * weight, 0.0, s.seed++);
    const Chord& c = tl.chordAt(t + 0.001);
    const int stab[4] = {c.tones[0] + 12, c.tones[1] + 12, c.tones[2] + 12, c.tones[0] + 24};
    chordVoice(s.mix, t, last ? 0.6 : 0.12, stab, 4, 0.3 * weight, 0.004, last ? 1.2 : 0.15, 6000, 900, 0.8,
               &s.roomSend, 0.8);
    boom(s.mix, t, 0.32 * weight * (last ? 1.5 : 1));
    if (last) crash(s.mix, t, 0.26, 3.5, s.seed++);
  }
}

// The closing phrase: a held A minor and a falling bell line, ringing out into the fade.
void closing(Song& s) {
  const double beat = 4 * s.tl.sixteenth();
  const int closingChord[4] = {45, 57, 60, 64};
  chordVoice(s.mix, Closing, FadeStart - Closing + 1.5, closingChord, 4, 0.42, 0.3, 2.5, 1200, 2200, 0.7, &s.roomSend,
             0.7);
  const int melody[6] = {76, 74, 72, 71, 69, 64};
  const int when[6] = {0, 2, 4, 6, 8, 12};  // beats after the closing hit
  for (int i = 0; i < 6; ++i)
    bell(s.mix, Closing + when[i] * beat, midiHz(melody[i]), 0.16, i % 2 ? 0.3 : -0.3, i == 4 ? 0.8 : 1.5, &s.roomSend,
         0.9);
}

}  // namespace

std::vector<int16_t> composeMusic(const std::vector<int32_t>& cutTimes) {
  const size_t n = sampleAt(MusicSeconds);
  Song s(n);
  Timeline& tl = s.tl;
  tl.grid = fitBeatGrid(cutTimes);
  {
    const double six = tl.sixteenth(), o = tl.grid.originUs / 1e6;
    tl.downbeat = o + std::round((ScreenKeepsFrames - o) / six) * six;
  }
  for (int32_t ms : cutTimes) tl.cuts.push_back(ms / 1000.0);
  tl.form = arrange(tl);

  intro(s);
  body(s);
  tune(s);
  accents(s);
  closing(s);
  echo(s.mix, s.echoSend, 3 * tl.sixteenth(), 0.38, 0.8);
  reverb(s.mix, s.roomSend, 0.55);

  // Master: fade to silence between 73 and 78 s, soft limit, 16 bits.
  std::vector<int16_t> pcm(n * 2);
  for (size_t i = 0; i < n; ++i) {
    const double t = i / Fs;
    const double fade = t < FadeStart ? 1.0 : std::max(0.0, 1 - (t - FadeStart) / (FadeEnd - FadeStart));
    const double g = fade * fade * MasterGain;
    pcm[2 * i] = int16_t(std::nearbyint(softClip(s.mix.l[i] * g) * MasterPeak));
    pcm[2 * i + 1] = int16_t(std::nearbyint(softClip(s.mix.r[i] * g) * MasterPeak));
  }
  return pcm;
}
