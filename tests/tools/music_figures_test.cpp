// The soundtrack's figures: the measurements themselves on signals whose
// figures are known, then the decoded kaz.mp3 held to them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "detmath.h"
#include "listen.h"
#include "music.h"
#include "soundtrack.h"

namespace {

constexpr int Rate = 44100;

// Stereo samples of 'seconds' length from a per-sample routine giving left and right.
template <typename F>
std::vector<int16_t> stereo(double seconds, F&& sample) {
  std::vector<int16_t> s(size_t(seconds * Rate) * 2);
  for (size_t i = 0; i < s.size() / 2; ++i) {
    const auto [l, r] = sample(i);
    s[2 * i] = int16_t(std::lround(std::clamp(l, -1.0, 32767 / 32768.0) * 32768));
    s[2 * i + 1] = int16_t(std::lround(std::clamp(r, -1.0, 32767 / 32768.0) * 32768));
  }
  return s;
}

std::pair<double, double> both(double v) { return {v, v}; }

}  // namespace

// Clicks over a quiet noise bed are found where they are, each strong against
// the median around it; where nothing happens nothing is heard.
TEST(MusicFigures, OnsetsLandOnClicks) {
  const double clicks[] = {1.0, 1.5037, 2.2511, 3.333, 3.4931};
  dm::Rng rng(7);
  std::vector<int16_t> s = stereo(5, [&](size_t) { return both(rng.range(-0.004, 0.004)); });
  for (double c : clicks) {
    const size_t k = size_t(c * Rate + 0.5);
    for (size_t j = 0; j < 200; ++j) {
      const int16_t v = int16_t(12000 * std::exp(-double(j) / 30) * (j & 1 ? 1 : -1));
      s[2 * (k + j)] = int16_t(s[2 * (k + j)] + v);
      s[2 * (k + j) + 1] = int16_t(s[2 * (k + j) + 1] + v);
    }
  }
  const OnsetEnvelope e = onsetEnvelope(s, Rate);
  for (double c : clicks) {
    size_t best = 0;
    for (size_t i = 0; i < e.strength.size(); ++i)
      if (std::fabs(e.time(i) - c) < 0.05 && e.strength[i] > e.strength[best]) best = i;
    EXPECT_NEAR(e.time(best), c, 0.003) << "click at " << c << " s";
  }
  std::vector<int32_t> at;
  for (double c : clicks) at.push_back(int32_t(std::lround(c * 1000)));
  at.push_back(2600);  // nothing there
  const std::vector<CutAccent> accents = cutAccents(e, at);
  ASSERT_EQ(accents.size(), at.size());
  for (size_t i = 0; i + 1 < accents.size(); ++i) EXPECT_TRUE(accents[i].heard()) << accents[i].ms << " ms";
  EXPECT_FALSE(accents.back().heard());
  // Moved 25 ms off the click, a cut is not heard any more.
  EXPECT_FALSE(cutAccents(e, std::vector<int32_t>{1025})[0].heard());
}

// BS.1770's own calibration: a 1 kHz sine at -20 dBFS in both channels reads
// -20 LUFS, in one channel 3 dB less; silence is gated out of the integrated
// figure; the true peak finds the crest between samples (a quarter of the
// rate at 45 degrees: samples at 0.707 of the peak, 3 dB under it).
TEST(MusicFigures, LoudnessAndTruePeakOfKnownSignals) {
  const double w = 2 * dm::Pi * 1000 / Rate;
  const auto sine = stereo(4, [&](size_t i) { return both(0.1 * std::sin(w * double(i))); });
  EXPECT_NEAR(integratedLoudness(sine, Rate), -20.0, 0.1);
  EXPECT_NEAR(spanLoudness(sine, Rate, 1, 3), -20.0, 0.1);
  const auto left = stereo(4, [&](size_t i) { return std::pair{0.1 * std::sin(w * double(i)), 0.0}; });
  EXPECT_NEAR(integratedLoudness(left, Rate), -23.0, 0.1);
  const auto half = stereo(8, [&](size_t i) { return both(i < 4 * Rate ? 0.1 * std::sin(w * double(i)) : 0.0); });
  EXPECT_NEAR(integratedLoudness(half, Rate), -20.0, 0.2);
  EXPECT_LT(spanLoudness(half, Rate, 5, 7), -90);
  // K-weighting: the high pass's two poles at 38 Hz take 1.17 dB from a 100 Hz
  // tone (and 1 kHz reads 0.69 dB over flat, which -0.691 takes back); the
  // shelf lifts 4 kHz by 3 to 4 dB.
  const auto low = stereo(4, [&](size_t i) { return both(0.1 * std::sin(2 * dm::Pi * 100 / Rate * double(i))); });
  const auto high = stereo(4, [&](size_t i) { return both(0.1 * std::sin(2 * dm::Pi * 4000 / Rate * double(i))); });
  EXPECT_NEAR(integratedLoudness(low, Rate), -20.691 - 1.17, 0.1);
  const double shelf = integratedLoudness(high, Rate) + 20.691;
  EXPECT_GT(shelf, 3.0);
  EXPECT_LT(shelf, 4.0);

  const auto quarter = stereo(2, [](size_t i) { return both(0.5 * std::sin(dm::Pi / 2 * double(i) + dm::Pi / 4)); });
  int samplePeak = 0;
  for (int16_t v : quarter) samplePeak = std::max(samplePeak, std::abs(int(v)));
  EXPECT_NEAR(20 * std::log10(samplePeak / 32768.0), -9.03, 0.05);
  EXPECT_NEAR(truePeak(quarter, Rate), -6.02, 0.15);
}

// White noise has 8/3 as much power in 8-16 kHz as in 1-4 kHz; a 2 kHz tone
// lies in the one band only. Bars of one texture correlate fully, a low and a
// high tone in turn do not, and the longest run counts bars, not pairs.
TEST(MusicFigures, BandsAndBarSimilarity) {
  dm::Rng rng(3);
  const auto noise = stereo(4, [&](size_t) {
    const double l = rng.range(-0.3, 0.3);
    return std::pair{l, rng.range(-0.3, 0.3)};
  });
  EXPECT_NEAR(bandLevel(noise, Rate, 0, 4, 8000, 16000) - bandLevel(noise, Rate, 0, 4, 1000, 4000),
              10 * std::log10(8.0 / 3), 0.3);
  const auto tone = stereo(4, [](size_t i) { return both(0.3 * std::sin(2 * dm::Pi * 2000 / Rate * double(i))); });
  EXPECT_GT(bandLevel(tone, Rate, 0, 4, 1000, 4000) - bandLevel(tone, Rate, 0, 4, 8000, 16000), 40);

  const double bars[] = {0, 1, 2, 3, 4, 5, 6};
  const auto alternating = stereo(6, [](size_t i) {
    const double hz = (i / Rate) % 2 ? 3000 : 150;
    return both(0.3 * std::sin(2 * dm::Pi * hz / Rate * double(i)));
  });
  const std::vector<double> steady = barCorrelations(noise, Rate, std::span(bars, 5));
  const std::vector<double> turns = barCorrelations(alternating, Rate, bars);
  ASSERT_EQ(steady.size(), 3u);
  ASSERT_EQ(turns.size(), 5u);
  for (double c : steady) EXPECT_GT(c, 0.99);
  for (double c : turns) EXPECT_LT(c, 0.5);
  EXPECT_EQ(longestSimilarRun(steady), 4);
  EXPECT_EQ(longestSimilarRun(turns), 1);
  EXPECT_EQ(longestSimilarRun(std::vector<double>{0.99, 0.96, 0.94, 0.95, 0.99, 0.99, 0.3}), 4);
  EXPECT_EQ(longestSimilarRun(std::vector<double>{}), 0);
}

// The soundtrack as the program plays it, measured: every cut has its own
// hit, the drop lands on the first cut louder than the build before 33 s, the
// busy bars are louder than the calm ones, the top end sits well under the
// presence band, the titles develop, and the loudness is in range.
TEST(MusicFigures, SoundtrackMeetsItsFigures) {
  const DecodedSoundtrack d = decodeSoundtrack();
  ASSERT_EQ(d.channels, 2);
  const std::vector<int32_t> cuts = scoreCuts();
  const MusicFigures f = measureMusic(d.samples, Rate, cuts);
  printMusicFigures(stdout, f);
  EXPECT_GE(f.cutsOnGrid, 52) << "the grid holds fewer cuts";
  EXPECT_GE(f.cutsHeard, 63) << "of " << f.cuts << " cuts";
  EXPECT_EQ(f.dropMs, 34301);
  EXPECT_GE(f.afterDrop, f.before33);
  EXPECT_GE(f.afterDrop, f.beforeDrop);
  EXPECT_NEAR(f.loudestMs, f.dropMs, 100) << "the loudest moment is not the drop";
  EXPECT_GE(f.busyBars, f.calmBars + 2) << "the music's energy runs against the cuts'";
  EXPECT_GE(f.presenceBand - f.highBand, 6);
  EXPECT_GE(f.barsBefore31, 20);
  EXPECT_LE(f.longestSimilar, 8);
  EXPECT_GE(f.integrated, -16);
  EXPECT_LE(f.integrated, -12);
  EXPECT_LE(f.peak, -1);
}

// The grid fit recovers a known grid from cut times rounded to milliseconds,
// whatever cuts lie between its sixteenths, and keeps a grid point at 33 s.
TEST(MusicFigures, BeatGridFitsKnownCuts) {
  const int64_t sixteenth = 82460, origin = 33000000;  // 181.9 beats a minute
  auto ms = [&](double step) { return int32_t(std::lround((double(origin) + step * double(sixteenth)) / 1000)); };
  const int steps[] = {16, 19, 22, 37, 40, 41, 64, 90, 113, 128, 160, 177, 200, 233, 250, 300, 333, 340};
  std::vector<int32_t> cuts;
  for (int k : steps) cuts.push_back(ms(k));
  for (double between : {25.5, 70.5, 151.5, 260.5}) cuts.push_back(ms(between));
  std::sort(cuts.begin(), cuts.end());
  const BeatGrid g = fitBeatGrid(cuts);
  EXPECT_NEAR(double(g.sixteenthUs), double(sixteenth), 30);
  auto off = [&](int64_t us) {
    const int64_t r = ((us - g.originUs) % g.sixteenthUs + g.sixteenthUs) % g.sixteenthUs;
    return std::min(r, g.sixteenthUs - r);
  };
  EXPECT_LE(off(origin), 10000);
  for (int k : steps) EXPECT_LE(off(int64_t(ms(k)) * 1000), 10000) << "step " << k;
  for (double between : {25.5, 70.5, 151.5, 260.5}) EXPECT_GT(off(int64_t(ms(between)) * 1000), 30000);
}

// The figures of a made-up soundtrack: a click on every cut over quiet noise,
// a loud steady tone for 2 s from the first, a softer one through the last bar. Every cut is heard, the cuts are
// counted in the bars of the grid from the first one (a cut on a bar line in
// the bar it starts), and the loud stretch is the drop.
TEST(MusicFigures, FiguresOfAClickTrack) {
  const int64_t six = 80000;  // 187.5 beats a minute, bars of 1.28 s from 33 s
  std::vector<int32_t> cuts;
  // Bar 1 (34.28 s) holds 4 cuts, bar 2 one, bar 3 none, bar 4 three.
  for (int step : {16, 20, 24, 28, 32, 64, 68, 72}) cuts.push_back(int32_t((33000000 + step * six) / 1000));
  dm::Rng rng(11);
  const double loudFrom = cuts.front() / 1000.0, loudTo = loudFrom + 2;
  std::vector<int16_t> s = stereo(40, [&](size_t i) {
    const double t = double(i) / Rate;
    const double a = t >= 31 && t < 33 ? 0.03 : 0.01;
    const double level = t >= loudFrom && t < loudTo ? 0.3 : (t >= 38.12 && t < 39.4 ? 0.15 : 0);
    const double tone = level * std::sin(2 * dm::Pi * 200 * t);
    const double l = rng.range(-a, a) + tone;
    return std::pair{l, rng.range(-a, a) + tone};
  });
  for (int32_t c : cuts) {
    const size_t k = size_t(c) * Rate / 1000;
    for (size_t j = 0; j < 300; ++j) {
      const int16_t v = int16_t(15000 * std::exp(-double(j) / 40) * (j & 1 ? 1 : -1));
      s[2 * (k + j)] = int16_t(std::clamp(s[2 * (k + j)] + v, -32768, 32767));
      s[2 * (k + j) + 1] = int16_t(std::clamp(s[2 * (k + j) + 1] + v, -32768, 32767));
    }
  }
  const MusicFigures f = measureMusic(s, Rate, cuts);
  EXPECT_EQ(f.cuts, 8);
  EXPECT_EQ(f.cutsOnGrid, 8);
  EXPECT_EQ(f.cutsHeard, 8);
  EXPECT_EQ(f.dropMs, 34280);
  EXPECT_NEAR(f.barSeconds, 1.28, 1e-9);
  EXPECT_NEAR(f.densityFromSeconds, 34.28, 1e-6);
  EXPECT_EQ(f.density, (std::vector<double>{4, 1, 0, 3}));
  EXPECT_GT(f.afterDrop, f.before33 + 10);
  EXPECT_GT(f.afterDrop, f.beforeDrop + 10);
  EXPECT_GE(f.loudestMs, 34200);  // a click on the loud tone
  EXPECT_LE(f.loudestMs, 36200);
  // Before 31 s: the whole bars from 0.28 s, all of one noise.
  EXPECT_EQ(f.barsBefore31, 23);
  EXPECT_EQ(f.longestSimilar, 23);
  EXPECT_GT(f.busyBars, f.calmBars + 5);  // bars 1 and 4 loud; bar 2 in part, bar 3 not
}
