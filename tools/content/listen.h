#pragma once
// Figures of a soundtrack, measured on its samples (44.1 kHz interleaved
// stereo, 16-bit): where its onsets are and how strong, its loudness after
// BS.1770 (K-weighted, gated) and its true peak, the balance of its bands and
// how much one bar sounds like the next. The generator prints them and the
// tests hold the soundtrack to them; none of it feeds the content's bytes.
#include <cstdint>
#include <cstdio>
#include <span>
#include <vector>

// Onset strength: spectral flux of the left+right sum (512-sample Hann
// window, 128-sample hop, log-compressed magnitudes, positive differences
// summed over 40 Hz-16 kHz). Frame i is stamped at time(i); a click at t
// peaks in the frame nearest t.
struct OnsetEnvelope {
  double hop = 0, first = 0;  // seconds
  std::vector<double> strength;
  double time(size_t i) const { return first + double(i) * hop; }
  double peakNear(double t, double halfWidth) const;      // the largest value within t +- halfWidth
  double medianAround(double t, double halfWidth) const;  // the median within t +- halfWidth
};
OnsetEnvelope onsetEnvelope(std::span<const int16_t> interleaved, int rate);

// A cut is accented when the strongest onset within 10 ms of it is at least
// twice the median onset strength of the 4 s around it.
struct CutAccent {
  int32_t ms;
  double peak, median;
  bool heard() const { return peak >= 2 * median; }
};
std::vector<CutAccent> cutAccents(const OnsetEnvelope& onsets, std::span<const int32_t> cutMs);

// Loudness in LUFS of the span [from, to) seconds: K-weighted mean square of
// both channels, ungated (short-term loudness when the span is 3 s).
double spanLoudness(std::span<const int16_t> interleaved, int rate, double from, double to);
// Integrated loudness in LUFS: 400 ms blocks overlapping by 75 %, gated at
// -70 LUFS and then 10 LU below the mean of the blocks above it.
double integratedLoudness(std::span<const int16_t> interleaved, int rate);
// True peak in dBFS: the largest magnitude of either channel upsampled 4 times
// (48 taps per phase, Kaiser-windowed sinc).
double truePeak(std::span<const int16_t> interleaved, int rate);

// Power in dB (relative, comparable between bands of one span) of the
// frequencies [loHz, hiHz) over the span [from, to) seconds, both channels.
double bandLevel(std::span<const int16_t> interleaved, int rate, double from, double to, double loHz, double hiHz);

// Pearson correlation of the spectra of each bar with the bar before it: the
// magnitudes of nine octave bands from 40 Hz (to 16 kHz), from the power of
// 4096-point frames, so a bar's texture and register count, not its notes. Bar k
// spans [barStarts[k], barStarts[k + 1]). The result has one value fewer
// than barStarts has bars. Near-identical: a correlation of 0.95 or more.
std::vector<double> barCorrelations(std::span<const int16_t> interleaved, int rate, std::span<const double> barStarts);
// The longest run of consecutive bars each near-identical to the one before.
int longestSimilarRun(std::span<const double> correlations, double threshold = 0.95);

// Everything the soundtrack is held to, for the grid and cuts it was composed on.
struct MusicFigures {
  int cuts = 0, cutsOnGrid = 0, cutsHeard = 0;  // on the grid: within 10 ms of a sixteenth
  std::vector<CutAccent> cutsNotHeard;
  double dropMs = 0;                                   // the first cut, where the picture first changes
  double before33 = 0, beforeDrop = 0, afterDrop = 0;  // LUFS of 31-33 s, the 2 s before and after the drop
  double loudestMs = 0, loudest = 0;      // the loudest 100 ms of the track (in 50 ms steps): its start, its LUFS
  double highBand = 0, presenceBand = 0;  // dB of 8-16 kHz and 1-4 kHz from 33 s on
  int barsBefore31 = 0, similarBars = 0, longestSimilar = 0;  // bars before 31 s, near-identical ones, longest run
  std::vector<double> barSimilarity;                          // each bar's correlation with the one before
  std::vector<double> density;                                // cuts per bar from the bar of the first cut
  double densityFromSeconds = 0, barSeconds = 0;
  double busyBars = 0, calmBars = 0;  // mean LUFS of the bars from the drop to 69 s with 3 or more cuts, with 1 or none
  double integrated = 0, peak = 0;    // LUFS, dBFS true peak
};
MusicFigures measureMusic(std::span<const int16_t> interleaved, int rate, std::span<const int32_t> cutMs);
void printMusicFigures(FILE* out, const MusicFigures& f);
