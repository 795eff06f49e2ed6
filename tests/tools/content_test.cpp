// The generated content: data.dat read through the engine's own loader, the
// sizes every effect relies on, and kaz.mp3 decoded with libmpg123. The build
// makes both files beside the test binary before the tests are built.
#include <gtest/gtest.h>
#include <mpg123.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <regex>
#include <map>
#include <string>
#include <vector>

#include "data/assets.h"
#include "data/util.h"
#include "driver/schedule.h"
#include "music.h"
#include "raster/image.h"
#include "raster/numeric.h"
#include "raster/stretch.h"
#include "soundtrack.h"

namespace {

int countAtLeast(const Image& img, uint8_t level) {
  int n = 0;
  for (int32_t i = 0; i < img.width * img.height; ++i) n += uint8_t(img.pixels[i] >> 16) >= level;
  return n;
}

const Image& asset(const char* name) {
  for (const AssetEntry& a : AssetTable)
    if (std::strcmp(a.name, name) == 0) return *a.image;
  static Image none;
  ADD_FAILURE() << name << " is not an asset";
  return none;
}

}  // namespace

TEST(Content, PackLoadsWithEverySizeTheEffectsNeed) {
  const std::string path = executableDirectory() + "data.dat";
  ASSERT_TRUE(fileExists(path)) << path << " was not generated";
  DataPackPath = path;
  loadAllImages();
  DataPackPath.clear();

  for (const AssetEntry& a : AssetTable) {
    const std::string name = a.name;
    const Image& img = *a.image;
    ASSERT_NE(img.pixels, nullptr) << name;
    // Pictures are copied in pixel pairs (blitImage, copyLongs): even widths everywhere.
    EXPECT_EQ(img.width % 2, 0) << name;
    EXPECT_GT(countAtLeast(img, 16), 0) << name << " is empty";
    const bool letter = name.size() == 5 && name[0] >= 'a' && name[0] <= 'z';
    const bool digit = (name.size() == 5 && name[0] >= '0' && name[0] <= '9') || name == "dot.img";
    if (letter || name == "minus.img") {
      EXPECT_EQ(img.width, 22) << name;
      EXPECT_EQ(img.height, 30) << name;
      // The strokes reach level 15 (240), the threshold of the noise fill.
      EXPECT_GE(countAtLeast(img, 240), name == "minus.img" ? 20 : 60) << name;
    } else if (digit) {
      EXPECT_EQ(img.width, 12) << name;
      EXPECT_EQ(img.height, 14) << name;
    }
  }
  // Every picture has the size of the asset list, which the generator paints.
  for (int i = 0; i < AssetCount; ++i) {
    EXPECT_EQ(AssetTable[i].image->width, AssetList[i].width) << AssetList[i].name;
    EXPECT_EQ(AssetTable[i].image->height, AssetList[i].height) << AssetList[i].name;
  }

  // The logo enlarged by half is blended unclipped at (200, 132); its bright
  // letters take the noise fill.
  const Image& logo = asset("logo.img");
  EXPECT_LE(roundToInt32(float(logo.width) * 1.5f) + 200, 1280);
  EXPECT_LE(roundToInt32(float(logo.height) * 1.5f) + 132, 720);
  EXPECT_GT(countAtLeast(logo, 240), 1000);
  // The drifting dist.img covers the screen down to its last offset, -449 - 4
  // (the clipped add writes one up-left; the decoded last row stays black).
  const Image& dist = asset("dist.img");
  EXPECT_GE(dist.width - 1 - 453, 1279);
  EXPECT_GE(dist.height - 2 - 453, 719);
  // Doubled pictures: the sliding spiral and line pictures cover the screen
  // to the end of their windows; the blackboards fit at (32, 100); synapses,
  // net and curve fill the screen; the voxel picture rises to row 147.
  EXPECT_GE(2 * asset("spiral.img").width - 1013, 1280);
  EXPECT_GE(2 * asset("spiral.img").height - 950, 720);
  EXPECT_GE(2 * asset("line.img").width - 429, 1280);
  for (const char* n : {"kurukulum1.img", "kurukulum2.img"}) {
    EXPECT_LE(32 + 2 * asset(n).width, 1280) << n;
    EXPECT_LE(100 + 2 * asset(n).height, 720) << n;
  }
  for (const char* n : {"synapse1.img", "synapse2.img", "netz.img", "curve.img"}) {
    EXPECT_GE(2 * asset(n).width, 1280) << n;
    EXPECT_GE(2 * asset(n).height, 720) << n;
  }
  EXPECT_GE(2 * asset("voxel.img").width + 256 - 1 - 11, 1278);
  EXPECT_GE(2 * asset("voxel.img").height + 147, 720);
  EXPECT_LE(64 + 2 * asset("form4.img").width, 1280);
  EXPECT_LE(2 * asset("welle.img").height, 720);

  // The three tilted copies of the infinity sign stay inside their fixed frames.
  const Image& inf = asset("infinity.img");
  const int frames[3][3] = {{10, 447, 343}, {20, 463, 372}, {30, 472, 394}};
  Image probe;
  AllocImage(probe, 1400, 1200);
  for (const auto& f : frames) {
    std::memset(probe.pixels, 0, sizeof(Color32) * 1400 * 1200);
    rotateBlit(probe, 400, 400, f[0], inf);
    int outside = 0;
    for (int y = 0; y < probe.height; ++y)
      for (int x = 0; x < probe.width; ++x)
        if (getPixel(probe, x, y) && (x < 400 || y < 400 || x >= 400 + f[1] || y >= 400 + f[2])) ++outside;
    EXPECT_EQ(outside, 0) << "tilt " << f[0];
  }
  freeImage(probe);
  freeAllImages();
}

// Text stays inside its picture with a margin: each letter's ink inside its
// 22 x 30 cell with a free column on either side and a free row above and
// below, the letters about equally wide (they are set in fixed cells, so a
// narrow letter would leave a gap in the word), and the logo's name clear of
// its frames.
TEST(Content, TextFitsItsPictures) {
  DataPackPath = executableDirectory() + "data.dat";
  loadAllImages();
  DataPackPath.clear();
  // Ink: brighter than `under` (the logo's name stands on a level-1 panel, 16).
  auto inkBox = [](const Image& img, int x0, int y0, int x1, int y1, uint32_t under = 0) {
    int left = x1, right = x0 - 1, top = y1, bottom = y0 - 1;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x)
        if (((img.pixels[y * img.width + x] >> 16) & 0xFF) > under) {
          left = std::min(left, x);
          right = std::max(right, x);
          top = std::min(top, y);
          bottom = std::max(bottom, y);
        }
    return std::array<int, 4>{left, top, right, bottom};
  };
  int narrowest = 99, widest = 0;
  for (const AssetEntry& a : AssetTable) {
    const std::string name = a.name;
    if (name.size() != 5 || name[0] < 'a' || name[0] > 'z') continue;
    const auto [left, top, right, bottom] = inkBox(*a.image, 0, 0, a.image->width, a.image->height);
    EXPECT_GE(left, 1) << name;
    EXPECT_LE(right, 20) << name;
    EXPECT_GE(top, 1) << name;
    EXPECT_LE(bottom, 27) << name;
    narrowest = std::min(narrowest, right - left + 1);
    widest = std::max(widest, right - left + 1);
  }
  EXPECT_GE(narrowest * 10, widest * 6) << "letters from " << narrowest << " to " << widest << " columns wide";

  // The name's band (rows 30-195) is bare panel from the inner frame (columns
  // up to 18) for 24 columns on either side.
  const Image& logo = asset("logo.img");
  const int w = logo.width;
  const auto [left, top, right, bottom] = inkBox(logo, 19, 30, w - 19, 196, 16);
  EXPECT_GE(left, 19 + 24);
  EXPECT_LE(right, w - 20 - 24);
  EXPECT_LT(top, bottom) << "the logo has no name";
  freeAllImages();
}

// Text that the show draws over the digit field stands on a near-black panel
// (level 1, 16 once decoded): no transparent black inside the panel, nothing
// brighter than level 1 in the bare panel, and the text itself bright. The
// digits are dark (level 5 at most), so the field stays a background.
TEST(Content, TextStandsOnAPanelOverADarkField) {
  DataPackPath = executableDirectory() + "data.dat";
  loadAllImages();
  DataPackPath.clear();
  auto level = [](const Image& img, int x, int y) { return int((img.pixels[y * img.width + x] >> 16) & 0xFF) / 16; };
  struct Panel {
    const char* name;
    int x0, y0, x1, y1;  // a box inside the panel
    int brightest;       // of the text on it
  };
  const Panel panels[] = {
      {"logo.img", 24, 24, 562, 280, 15},        // inside the inner frame
      {"kurukulum1.img", 14, 14, 594, 296, 14},  // the slate inside the board's frame
      {"kurukulum2.img", 14, 14, 594, 296, 14},
      {"end.img", 250, 80, 390, 220, 15},   // the ring's middle, behind "THE END"
      {"end.img", 200, 302, 440, 330, 14},  // behind the group's name
  };
  for (const Panel& p : panels) {
    const Image& img = asset(p.name);
    int transparent = 0, brightest = 0;
    for (int y = p.y0; y < p.y1; ++y)
      for (int x = p.x0; x < p.x1; ++x) {
        transparent += level(img, x, y) == 0;
        brightest = std::max(brightest, level(img, x, y));
      }
    EXPECT_EQ(transparent, 0) << p.name << ": the panel has holes the field would show through";
    EXPECT_GE(brightest, p.brightest) << p.name << ": its text is dim";
  }
  // sintable2's labels: each on its own panel, in a row above and below the curve.
  const Image& table = asset("sintable2.img");
  int panelPixels = 0;
  for (int y = 0; y < table.height; ++y)
    for (int x = 0; x < table.width; ++x) panelPixels += level(table, x, y) == 1;
  EXPECT_GT(panelPixels, 13 * 100) << "sintable2's labels have no panels";
  for (const char* digit : {"0.img", "1.img", "5.img", "8.img", "dot.img"}) {
    const Image& img = asset(digit);
    int brightest = 0;
    for (int i = 0; i < img.width * img.height; ++i)
      brightest = std::max(brightest, int((img.pixels[i] >> 16) & 0xFF) / 16);
    EXPECT_EQ(brightest, 5) << digit;
  }
  freeAllImages();
}

TEST(Content, SoundtrackDecodesToTheWholeShow) {
  const DecodedSoundtrack d = decodeSoundtrack();
  EXPECT_EQ(d.rate, 44100);
  EXPECT_EQ(d.channels, 2);
  ASSERT_EQ(d.encoding, MPG123_ENC_SIGNED_16);
  EXPECT_GE(d.bitrate, 160);
  const size_t frames = d.samples.size() / 2;

  // Loudness per second, to see the shape: quiet titles, full beat, silent end.
  std::vector<double> energy;
  for (size_t s = 0; s + 44100 <= frames; s += 44100) {
    double sum = 0;
    for (size_t i = 2 * s; i < 2 * (s + 44100); ++i) sum += double(d.samples[i]) * d.samples[i];
    energy.push_back(std::sqrt(sum / (2 * 44100)));
  }
  EXPECT_GE(frames, size_t(78 * 44100));
  ASSERT_GE(energy.size(), 78u);
  auto mean = [&](int from, int to) {
    double m = 0;
    for (int i = from; i < to; ++i) m += energy[size_t(i)];
    return m / (to - from);
  };
  const double titles = mean(1, 16), full = mean(35, 69);
  EXPECT_LT(titles, full * 0.5);
  EXPECT_GT(mean(18, 33), titles);
  EXPECT_LT(energy[77], full * 0.01);

  // Headroom: no decoded sample reaches -1 dBFS (29205).
  int peak = 0;
  for (int16_t v : d.samples) peak = std::max(peak, std::abs(int(v)));
  EXPECT_LT(peak, 29205);
}

// The piece is composed on a beat grid fitted to the score's cut times: most
// cuts fall on a sixteenth of it, the full beat's downbeat sits at 33 s, and
// every cut is heard as an onset in the decoded soundtrack.
TEST(Content, SoundtrackFollowsTheCuts) {
  const std::vector<int32_t> cuts = scoreCuts();
  ASSERT_GE(cuts.size(), 60u);
  const BeatGrid grid = fitBeatGrid(cuts);
  const int64_t s = grid.sixteenthUs;
  EXPECT_GE(s, 75000);
  EXPECT_LE(s, 90000);
  auto offGrid = [&](int64_t us) {
    const int64_t r = ((us - grid.originUs) % s + s) % s;
    return std::min(r, s - r);
  };
  int near = 0;
  for (int32_t c : cuts) near += offGrid(int64_t(c) * 1000) <= 10000;
  std::printf("beat grid: sixteenth %.2f ms (%.1f beats a minute), %d of %zu cuts within 10 ms of it\n", s / 1000.0,
              60e6 / (4.0 * s), near, cuts.size());
  EXPECT_GE(near * 3, int(cuts.size()) * 2);
  EXPECT_LE(offGrid(33000000), 10000);

  const DecodedSoundtrack d = decodeSoundtrack();
  ASSERT_EQ(d.channels, 2);
  // Energy of the first difference (the bright part that makes an onset) of the left+right sum.
  auto edge = [&](double from, double to) {
    const size_t a = size_t(from * 44100), b = size_t(to * 44100);
    double sum = 0;
    for (size_t i = std::max<size_t>(a, 1); i < b && 2 * i + 1 < d.samples.size(); ++i) {
      const double x = double(d.samples[2 * i]) + d.samples[2 * i + 1];
      const double y = double(d.samples[2 * i - 2]) + d.samples[2 * i - 1];
      sum += (x - y) * (x - y);
    }
    return sum / double(b - a);
  };
  for (int32_t c : cuts) {
    const double t = c / 1000.0;
    EXPECT_GT(edge(t, t + 0.03), 1.3 * edge(t - 0.045, t - 0.005)) << "no onset at the cut at " << c << " ms";
  }
}

// docs/assets.md gives every picture of the asset list with its size: a row
// names pictures in quotes ("a.img" … "y.img" for a run of the list) and
// gives "W × H".
TEST(Content, AssetDocsGiveTheSizesOfTheAssetList) {
  std::ifstream doc(std::string(MORVEX_SOURCE_DIR) + "/docs/assets.md");
  ASSERT_TRUE(doc) << "docs/assets.md not found";
  auto indexOf = [](const std::string& name) {
    for (int i = 0; i < AssetCount; ++i)
      if (name == AssetList[i].name) return i;
    return -1;
  };
  std::vector<int> documented(AssetCount, 0);
  const std::regex row(R"re(^\| ([^|]*) \| (\d+) × (\d+) \|)re");
  const std::regex quoted(R"re("([^"]+\.img)"( … )?)re");
  std::string line;
  while (std::getline(doc, line)) {
    std::smatch m;
    if (!std::regex_search(line, m, row)) continue;
    const std::string names = m[1];
    const int32_t w = std::stoi(m[2]), h = std::stoi(m[3]);
    int runFrom = -1;
    for (std::sregex_iterator q(names.begin(), names.end(), quoted), end; q != end; ++q) {
      const int i = indexOf((*q)[1]);
      ASSERT_GE(i, 0) << (*q)[1] << " in docs/assets.md is not an asset";
      for (int k = runFrom >= 0 ? runFrom : i; k <= i; ++k) {
        EXPECT_EQ(AssetList[k].width, w) << AssetList[k].name << " in docs/assets.md";
        EXPECT_EQ(AssetList[k].height, h) << AssetList[k].name << " in docs/assets.md";
        ++documented[size_t(k)];
      }
      runFrom = (*q)[2].matched ? i + 1 : -1;
    }
  }
  for (int i = 0; i < AssetCount; ++i)
    EXPECT_EQ(documented[size_t(i)], 1) << AssetList[i].name << " rows in docs/assets.md";
}
