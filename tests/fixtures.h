#pragma once
// Helpers the test suites share: files and folders, program-wide state put
// back as found, test pictures, image comparisons, and the fixture of the
// effect modules' tests. It brings the interfaces those tests draw and time
// with: images and blits, the asset table, Screen, the clock and chance.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "data/assets.h"
#include "display/screen.h"
#include "music/chance.h"
#include "music/clock.h"
#include "raster/blit.h"
#include "raster/filter.h"
#include "raster/image.h"
#include "raster/kernels.h"
#include "raster/stretch.h"

// The whole file, bytes as they are ("" when it cannot be read).
std::string readFile(const std::string& path);
// Every pixel of Screen (which the test allocated) set to c.
void clearScreen(Color32 c);
// DemoTime = ms and FrameStep = step, as the clock sets them once per frame.
void setTime(int32_t ms, float step = 1.0f);

// build/bin, where the tests, the renderer and data.dat live.
std::filesystem::path binFolder();
// What a run of a program gave: its exit status, standard output and error.
struct RunResult {
  int status = -1;
  std::string out, err;
};
// Runs morvex-render with args in folder (made when missing), which gets its
// logger.log and the output as stdout.txt and stderr.txt.
RunResult runRenderer(const std::string& args, const std::filesystem::path& folder);

// A fresh folder under /tmp as the working directory while the scope lasts, so
// that logger.log and whatever else a test writes land there. On leaving, the
// previous working directory comes back (/tmp where it was gone) and the
// folder goes with its files.
class TempDir {
 public:
  explicit TempDir(const char* prefix = "morvex-test");
  ~TempDir();
  const std::string& path() const { return dir; }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

 private:
  std::string dir, previous;
};

// Screen for one test that draws into it: a fresh 1280 x 720 image for the
// test's lifetime, freed at its end, so no test leaves the program-wide frame
// behind for the next one (or for the leak check at the end of the run).
struct ScreenScope {
  ScreenScope() {
    freeImage(Screen);
    AllocImage(Screen, 1280, 720);
  }
  ~ScreenScope() { freeImage(Screen); }
  ScreenScope(const ScreenScope&) = delete;
  ScreenScope& operator=(const ScreenScope&) = delete;
};

// An image the test owns, freed at the end of its scope.
struct OwnedImage {
  Image img;
  OwnedImage(int32_t w, int32_t h) { AllocImage(img, uint32_t(w), uint32_t(h)); }
  ~OwnedImage() { freeImage(img); }
  OwnedImage(const OwnedImage&) = delete;
  OwnedImage& operator=(const OwnedImage&) = delete;
};

// An image over a vector with guard pixels before and after its rows, to catch
// a routine writing outside the image. A copy owns its own pixels.
struct GuardedImage {
  static constexpr uint32_t Guard = 64;
  static constexpr Color32 GuardColor = 0x5A5A5A5Au;
  std::vector<Color32> store;
  Image img;
  GuardedImage(int32_t w, int32_t h, Color32 fill = 0);
  GuardedImage(const GuardedImage& o);
  GuardedImage& operator=(const GuardedImage&) = delete;
  Color32& at(int32_t x, int32_t y) { return img.pixels[size_t(y) * size_t(img.width) + size_t(x)]; }
  Color32 at(int32_t x, int32_t y) const { return img.pixels[size_t(y) * size_t(img.width) + size_t(x)]; }
  // Every guard pixel as it was made (the failure names the first one written).
  ::testing::AssertionResult guardsIntact() const;
  void expectGuards() const { EXPECT_TRUE(guardsIntact()); }
};

// A picture as the loader makes it: grey g = 16 * min(level(x, y), 15) in all
// four channels (makeColor(g, g, g, g)), the last row left transparent.
template <class Level>
void makeGreyAsset(Image& img, int32_t w, int32_t h, Level level) {
  freeImage(img);
  AllocImage(img, uint32_t(w), uint32_t(h));
  for (int32_t y = 0; y + 1 < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      uint8_t g = uint8_t(16 * std::min(uint32_t(level(uint32_t(x), uint32_t(y))), 15u));
      putPixel(img, x, y, makeColor(g, g, g, g));
    }
  }
}
// Loader-like pictures of two patterns: bright strokes (240), mid greys and
// holes; or the same in 3 x 3 blocks, with black patches and dark greys.
void makeStrokeAsset(Image& img, int32_t w, int32_t h, uint32_t seed);
void makeBlockAsset(Image& img, int32_t w, int32_t h, uint32_t seed);
// Every asset in memory as the opening modules use them: the 18 letters
// 22 x 30, logo 400 x 240, dot and digits 12 x 14 (pixel (1, 1) of digit d is
// grey 16 (d + 1), so the field can be read back), the pictures 160 x 90 and
// dist 256 x 256, all stroke pictures.
void makeOpeningAssets();
// Every asset in memory with sizes that round: logo 333 x 201 (1.5 times is
// 499.5 x 301.5), netz 700 x 40 (doubled, wider than the screen), dist 200 x 120,
// the other pictures 150 x 86; letters, dot and digits as above.
void makeOddSizedAssets();
// The assets of the middle modules (the rising brain to the wave), block pictures.
void makeMiddleAssets();
// Every asset image freed.
void freeAssets();

// A test stand-in for a pack asset; the original record is put back afterwards.
struct AssetSwap {
  Image& slot;
  Image saved;
  AssetSwap(Image& asset, int32_t w, int32_t h, Color32 (*paint)(int32_t, int32_t, int32_t, int32_t));
  ~AssetSwap();
  AssetSwap(const AssetSwap&) = delete;
  AssetSwap& operator=(const AssetSwap&) = delete;
};
// Screen for one test and one asset stood in for by a w x h picture of paint:
// what a module's test needs to set the module up on its own.
struct ModuleScope {
  ScreenScope screen;
  AssetSwap asset;
  ModuleScope(Image& a, int32_t w, int32_t h, Color32 (*paint)(int32_t, int32_t, int32_t, int32_t))
      : asset(a, w, h, paint) {}
};
// Painters for AssetSwap: greys (x * 7 + y * 3) mod 16 in 16 steps.
Color32 greyPattern(int32_t x, int32_t y, int32_t w, int32_t h);

// Screens of mixed colours, so that what is drawn, skipped, added or blended
// shows: one from the coordinates (alpha 200 to 231), one opaque from a hash
// of the pixel index.
void fillMixedPattern(Image img);
void fillHashPattern(Image img);

// FNV-1a over 32-bit words, and over an image's pixels.
uint64_t fnv(const void* data, size_t words);
uint64_t hashImage(Image img);
// Same size and the same bytes.
bool sameImage(Image a, Image b);
// img is w x h (for EXPECT_TRUE / ASSERT_TRUE, which print what it is instead).
::testing::AssertionResult hasSize(Image img, int32_t w, int32_t h);
// Pixels of Screen's row y that are exactly c.
int32_t countRow(int32_t y, Color32 c);
// Every pixel transparent black (0) or opaque and not black: a keyed picture.
bool isKeyedPicture(Image img);
// Literal retouches, pixel by pixel: alpha 255 everywhere; or alpha 0 where red,
// green and blue are 0 and 255 elsewhere.
void makeOpaqueLiteral(Image img);
void keyBlackLiteral(Image img);

// A copy of Screen as a test saw it.
struct Snapshot {
  std::vector<Color32> pixels;
  Image image() { return Image{pixels.data(), 1280, 720}; }
};
Snapshot snapshot();
bool screenEquals(Snapshot& s);
// Runs draw on a patterned Screen and expect on a copy of it; both must agree.
void expectSameAs(const std::function<void()>& draw, const std::function<void(Image)>& expect, const std::string& what,
                  void (*fill)(Image) = fillMixedPattern);
// The frame routine draw run at DemoTime time.
void drawAt(int32_t time, void (*draw)());
// expectSameAs for the frame routine draw at DemoTime time; and with nothing
// drawn: the screen stays as it was.
void expectUnchangedAt(int32_t time, void (*draw)(), const std::string& what);
void expectFrameAt(int32_t time, void (*draw)(), const std::function<void(Image)>& expect, const std::string& what,
                   void (*fill)(Image) = fillMixedPattern);

// The bright-pixel overlay's drift (TexOffsetX, TexOffsetY, TexAccum).
struct DriftState {
  int32_t x, y;
  float accum;
};
DriftState saveDrift();
void restoreDrift(const DriftState& s);

// The polygon renderer's depth buffer and edge tables sized for Screen, the
// depth buffer cleared.
void sizeRenderer();

// Runs one module's set-up in a child, in a fresh working folder, and expects
// exit status 1 with exactly message as the log's one line.
void expectSetupFailure(void (*init)(), const std::string& message);

// The effect modules' tests: Screen allocated for the test; afterwards Screen
// and every asset freed, and the clock, the overlay's drift and the state the
// title words and the logo carry across passes put back as they were.
class EffectTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

 private:
  DriftState drift{};
  int32_t time = 0;
  float step = 0.0f;
  int16_t titleJitter = 0;
  float logoLevel = 0.0f;
};

// EffectTest with every test starting from one set of assets.
template <void (*MakeAssets)()>
class EffectAssetsTest : public EffectTest {
 protected:
  void SetUp() override {
    EffectTest::SetUp();
    MakeAssets();
  }
};
using MiddleModuleTest = EffectAssetsTest<makeMiddleAssets>;

// The blit span kernels by number, for comparing one table with another.
enum BlitSpanOp { opCopy, opKeyed, opAlpha, opMix, opAdd, opSub, opAddOpaque, opCount };
extern const char* const BlitSpanNames[opCount];
// Runs kernel op of k on n pixels (copy takes the even part: it moves pairs).
void runBlitSpan(const BlitSpanKernels& k, BlitSpanOp op, Color32* d, const Color32* s, uint32_t n, Color32 key,
                 uint8_t t);
