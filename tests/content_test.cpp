// The generated content: data.dat read through the engine's own loader, the
// sizes every effect relies on, and kaz.mp3 decoded with libmpg123. The build
// makes both files beside the test binary before the tests are built.
#include <gtest/gtest.h>
#include <mpg123.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <regex>
#include <map>
#include <string>
#include <vector>

#include "data/assets.h"
#include "data/util.h"
#include "raster/image.h"
#include "raster/numeric.h"
#include "raster/stretch.h"

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

TEST(Content, SoundtrackDecodesToTheWholeShow) {
  const std::string path = executableDirectory() + "kaz.mp3";
  ASSERT_TRUE(fileExists(path)) << path << " was not generated";
  ASSERT_EQ(mpg123_init(), MPG123_OK);
  int err = 0;
  mpg123_handle* mh = mpg123_new(nullptr, &err);
  ASSERT_NE(mh, nullptr);
  mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
  ASSERT_EQ(mpg123_open(mh, path.c_str()), MPG123_OK);
  long rate = 0;
  int channels = 0, encoding = 0;
  ASSERT_EQ(mpg123_getformat(mh, &rate, &channels, &encoding), MPG123_OK);
  EXPECT_EQ(rate, 44100);
  EXPECT_EQ(channels, 2);
  ASSERT_EQ(encoding, MPG123_ENC_SIGNED_16);
  mpg123_frameinfo info;
  ASSERT_EQ(mpg123_info(mh, &info), MPG123_OK);
  EXPECT_GE(info.bitrate, 160);

  // Loudness per second, to see the shape: quiet titles, full beat, silent end.
  std::vector<double> energy;
  std::vector<unsigned char> buf(1 << 16);
  size_t done = 0, frames = 0;
  double sum = 0;
  size_t inSecond = 0;
  while ((err = mpg123_read(mh, buf.data(), buf.size(), &done)) == MPG123_OK || err == MPG123_NEW_FORMAT ||
         (err == MPG123_DONE && done > 0)) {
    const int16_t* s = reinterpret_cast<const int16_t*>(buf.data());
    for (size_t i = 0; i + 1 < done / 2; i += 2) {
      sum += double(s[i]) * s[i] + double(s[i + 1]) * s[i + 1];
      if (++inSecond == 44100) {
        energy.push_back(std::sqrt(sum / (2 * 44100)));
        sum = 0;
        inSecond = 0;
      }
    }
    frames += done / 4;
    if (err == MPG123_DONE) break;
  }
  mpg123_close(mh);
  mpg123_delete(mh);
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
