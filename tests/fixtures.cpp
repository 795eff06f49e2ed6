#include "fixtures.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "data/assets.h"
#include "display/screen.h"
#include "effects/logo.h"
#include "effects/polygon3d.h"
#include "effects/titlewords.h"
#include "music/chance.h"
#include "music/clock.h"

std::string readFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

void clearScreen(Color32 c) { fillLongs(Screen.pixels, uint32_t(Screen.width * Screen.height), c); }

void setTime(int32_t ms, float step) {
  DemoTime = ms;
  FrameStep = step;
}

std::filesystem::path binFolder() { return std::filesystem::canonical("/proc/self/exe").parent_path(); }

RunResult runRenderer(const std::string& args, const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  const std::filesystem::path out = folder / "stdout.txt", err = folder / "stderr.txt";
  const std::string command = "cd '" + folder.string() + "' && '" + (binFolder() / "morvex-render").string() + "' " +
                              args + " >'" + out.string() + "' 2>'" + err.string() + "'";
  RunResult r;
  const int raw = std::system(command.c_str());
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = readFile(out);
  r.err = readFile(err);
  return r;
}

TempDir::TempDir(const char* prefix) {
  std::string pattern = std::string("/tmp/") + prefix + "-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (mkdtemp(name.data()) == nullptr) {
    ADD_FAILURE() << "cannot make a folder like " << pattern;
    return;
  }
  dir = name.data();
  // A working directory that is gone (removed by whoever was in it) has no
  // path to go back to: /tmp stands in for it.
  std::error_code gone;
  previous = std::filesystem::current_path(gone).string();
  if (gone) previous = "/tmp";
  if (chdir(dir.c_str()) != 0) ADD_FAILURE() << "cannot enter " << dir;
}

TempDir::~TempDir() {
  if (dir.empty()) return;
  if (chdir(previous.c_str()) != 0) ADD_FAILURE() << "cannot go back to " << previous;
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
}

GuardedImage::GuardedImage(int32_t w, int32_t h, Color32 fill) : store(size_t(w) * size_t(h) + 2 * Guard, GuardColor) {
  img.pixels = store.data() + Guard;
  img.width = w;
  img.height = h;
  std::fill(img.pixels, img.pixels + size_t(w) * size_t(h), fill);
}

GuardedImage::GuardedImage(const GuardedImage& o) : store(o.store), img(o.img) { img.pixels = store.data() + Guard; }

::testing::AssertionResult GuardedImage::guardsIntact() const {
  for (uint32_t i = 0; i < Guard; ++i) {
    if (store[Guard - 1 - i] != GuardColor)
      return ::testing::AssertionFailure() << "written " << i + 1 << " pixels before the image";
    if (store[store.size() - Guard + i] != GuardColor)
      return ::testing::AssertionFailure() << "written " << i + 1 << " pixels past the end";
  }
  return ::testing::AssertionSuccess();
}

void makeStrokeAsset(Image& img, int32_t w, int32_t h, uint32_t seed) {
  makeGreyAsset(img, w, h, [seed](uint32_t x, uint32_t y) {
    uint32_t v = (x * 7u + y * 13u + seed * 5u) % 23u;
    return v < 6 ? 0 : (v < 12 ? 15 : v - 4);
  });
}

void makeBlockAsset(Image& img, int32_t w, int32_t h, uint32_t seed) {
  makeGreyAsset(img, w, h, [seed](uint32_t x, uint32_t y) {
    uint32_t v = ((x / 3) * 7u + (y / 3) * 13u + seed * 5u) % 23u;
    return v < 8 ? 0 : (v < 12 ? 1 : v - 8);
  });
}

namespace {

// Bright strokes (240), mid greys and black holes on a finer grid.
void makeFineAsset(Image& img, int32_t w, int32_t h, uint32_t seed) {
  makeGreyAsset(img, w, h, [seed](uint32_t x, uint32_t y) {
    uint32_t v = (x * 5u + y * 11u + seed * 7u) % 19u;
    return v < 5 ? 0 : (v < 10 ? 15 : v - 4);
  });
}

}  // namespace

void makeOpeningAssets() {
  uint32_t seed = 1;
  for (int i = 0; i < 18; ++i) makeStrokeAsset(*AssetTable[i].image, 22, 30, seed++);
  makeStrokeAsset(LogoImage, 400, 240, seed++);
  makeStrokeAsset(DotImage, 12, 14, seed++);
  for (int d = 0; d < 10; ++d) {
    makeStrokeAsset(DigitImages[d], 12, 14, seed++);
    uint8_t g = uint8_t(16 * (d + 1));
    putPixel(DigitImages[d], 1, 1, makeColor(g, g, g, g));
  }
  for (int i = 30; i < AssetCount; ++i) makeStrokeAsset(*AssetTable[i].image, 160, 90, seed++);
  makeStrokeAsset(DistImage, 256, 256, seed++);
}

void makeOddSizedAssets() {
  uint32_t seed = 3;
  for (int i = 0; i < 18; ++i) makeFineAsset(*AssetTable[i].image, 22, 30, seed++);
  makeFineAsset(LogoImage, 333, 201, seed++);
  for (int i = 19; i < 30; ++i) makeFineAsset(*AssetTable[i].image, 12, 14, seed++);  // dot, digits
  for (int i = 30; i < AssetCount; ++i) makeFineAsset(*AssetTable[i].image, 150, 86, seed++);
  makeFineAsset(NetzImage, 700, 40, seed++);
  makeFineAsset(DistImage, 200, 120, seed++);
}

void makeMiddleAssets() {
  uint32_t seed = 3;
  for (Image* img : {&BrainbugImage, &Platine1Image, &Form1Image, &Form2Image, &Form3Image, &GitterImage, &GrafImage,
                     &SkeletonImage, &ZifriImage})
    makeBlockAsset(*img, 160, 90, seed++);
  makeBlockAsset(Form4Image, 150, 200, seed++);
  makeBlockAsset(InfinityImage, 220, 170, seed++);
  makeBlockAsset(CurveImage, 300, 120, seed++);
  makeBlockAsset(LineImage, 200, 100, seed++);
  makeBlockAsset(SpiralImage, 400, 300, seed++);
  makeBlockAsset(WertitImage, 180, 140, seed++);
  makeBlockAsset(WelleImage, 300, 80, seed++);
  makeBlockAsset(BrainImage, 640, 360, seed++);
}

void freeAssets() {
  for (const AssetEntry& entry : AssetTable) freeImage(*entry.image);
}

AssetSwap::AssetSwap(Image& asset, int32_t w, int32_t h, Color32 (*paint)(int32_t, int32_t, int32_t, int32_t))
    : slot(asset), saved(asset) {
  Image img;
  AllocImage(img, uint32_t(w), uint32_t(h));
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) putPixel(img, x, y, paint(x, y, w, h));
  slot = img;
}

AssetSwap::~AssetSwap() {
  freeImage(slot);
  slot = saved;
}

Color32 greyPattern(int32_t x, int32_t y, int32_t, int32_t) {
  uint32_t g = uint32_t(((x * 7 + y * 3) % 16) * 16);
  return g * 0x01010101u;
}

void fillMixedPattern(Image img) {
  for (int32_t y = 0; y < img.height; ++y)
    for (int32_t x = 0; x < img.width; ++x)
      putPixel(img, x, y, makeColor(uint8_t(x * 3 + y), uint8_t(y * 5), uint8_t(x ^ y), uint8_t(200 + (x & 31))));
}

void fillHashPattern(Image img) {
  for (int32_t i = 0; i < img.width * img.height; ++i) img.pixels[i] = 0xFF000000u | (uint32_t(i) * 2654435761u >> 8);
}

uint64_t fnv(const void* data, size_t words) {
  const uint32_t* p = static_cast<const uint32_t*>(data);
  uint64_t h = 1469598103934665603ull;
  for (size_t i = 0; i < words; ++i) h = (h ^ p[i]) * 1099511628211ull;
  return h;
}

uint64_t hashImage(Image img) { return fnv(img.pixels, size_t(img.width) * size_t(img.height)); }

bool sameImage(Image a, Image b) {
  return a.width == b.width && a.height == b.height &&
         std::memcmp(a.pixels, b.pixels, size_t(a.width) * size_t(a.height) * 4) == 0;
}

::testing::AssertionResult hasSize(Image img, int32_t w, int32_t h) {
  if (img.width == w && img.height == h) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "the image is " << img.width << " x " << img.height << ", not " << w << " x "
                                       << h;
}

int32_t countRow(int32_t y, Color32 c) {
  int32_t n = 0;
  for (int32_t x = 0; x < Screen.width; ++x) n += getPixel(Screen, x, y) == c;
  return n;
}

bool isKeyedPicture(Image img) {
  for (int32_t i = 0; i < img.width * img.height; ++i) {
    Color32 c = img.pixels[i];
    if (c == 0) continue;
    if ((c >> 24) != 255 || (c & 0xFFFFFF) == 0) return false;
  }
  return true;
}

namespace {

// Every pixel given the alpha alphaOf(red, green, blue), through the clipped
// single-pixel routines.
template <class AlphaOf>
void setAlphaLiteral(Image img, AlphaOf alphaOf) {
  for (int32_t y = 0; y < img.height; ++y)
    for (int32_t x = 0; x < img.width; ++x) {
      uint8_t r = 0, g = 0, b = 0, a = 0;
      getPixelRGBA(img, x, y, r, g, b, a);
      putPixelRGBAClipped(img, x, y, r, g, b, alphaOf(r, g, b));
    }
}

}  // namespace

void makeOpaqueLiteral(Image img) {
  setAlphaLiteral(img, [](uint8_t, uint8_t, uint8_t) { return uint8_t(255); });
}

void keyBlackLiteral(Image img) {
  setAlphaLiteral(img, [](uint8_t r, uint8_t g, uint8_t b) { return uint8_t((r | g | b) == 0 ? 0 : 255); });
}

Snapshot snapshot() { return Snapshot{std::vector<Color32>(Screen.pixels, Screen.pixels + 1280 * 720)}; }

bool screenEquals(Snapshot& s) { return std::memcmp(s.pixels.data(), Screen.pixels, 1280 * 720 * 4) == 0; }

void expectSameAs(const std::function<void()>& draw, const std::function<void(Image)>& expect, const std::string& what,
                  void (*fill)(Image)) {
  fill(Screen);
  Snapshot ref = snapshot();
  draw();
  expect(ref.image());
  EXPECT_TRUE(screenEquals(ref)) << what;
}

void drawAt(int32_t time, void (*draw)()) {
  DemoTime = time;
  draw();
}

void expectUnchangedAt(int32_t time, void (*draw)(), const std::string& what) {
  expectFrameAt(
      time, draw, [](Image) {}, what);
}

void expectFrameAt(int32_t time, void (*draw)(), const std::function<void(Image)>& expect, const std::string& what,
                   void (*fill)(Image)) {
  expectSameAs([time, draw] { drawAt(time, draw); }, expect, what, fill);
}

DriftState saveDrift() { return {TexOffsetX, TexOffsetY, TexAccum}; }

void restoreDrift(const DriftState& s) {
  TexOffsetX = s.x;
  TexOffsetY = s.y;
  TexAccum = s.accum;
}

void sizeRenderer() {
  DepthBuffer.assign(size_t(1280) * 720, 0.0f);
  clearDepthBuffer();
  edgeA.assign(720, m3dScreenSideType{});
  edgeB.assign(720, m3dScreenSideType{});
  edgeSpare.assign(720, m3dScreenSideType{});
}

void expectSetupFailure(void (*init)(), const std::string& message) {
#if GTEST_HAS_DEATH_TEST  // not in the WebAssembly build of the raster suites
  TempDir dir("morvex-setup");
  EXPECT_EXIT(init(), ::testing::ExitedWithCode(1), "");
  EXPECT_EQ(readFile(dir.path() + "/logger.log"), message + "\n");
#else
  GTEST_SKIP() << "no death tests here: " << (init != nullptr) << message;
#endif
}

void EffectTest::SetUp() {
  drift = saveDrift();
  time = DemoTime;
  step = FrameStep;
  titleJitter = TitleJitter;
  logoLevel = LogoLevel;
  AllocImage(Screen, 1280, 720);
}

void EffectTest::TearDown() {
  freeAssets();
  freeImage(Screen);
  // The drift, the clock and what the modules carry across passes are
  // program-wide: leave them as found.
  restoreDrift(drift);
  DemoTime = time;
  FrameStep = step;
  TitleJitter = titleJitter;
  LogoLevel = logoLevel;
}

const char* const BlitSpanNames[opCount] = {"copy", "keyed", "alpha", "mix", "add", "sub", "addOpaque"};

void runBlitSpan(const BlitSpanKernels& k, BlitSpanOp op, Color32* d, const Color32* s, uint32_t n, Color32 key,
                 uint8_t t) {
  switch (op) {
    case opCopy:
      k.copy(d, s, n & ~1u);
      break;
    case opKeyed:
      k.keyed(d, s, n, key);
      break;
    case opAlpha:
      k.alpha(d, s, n);
      break;
    case opMix:
      k.mix(d, s, n, t);
      break;
    case opAdd:
      k.add(d, s, n);
      break;
    case opSub:
      k.sub(d, s, n);
      break;
    case opAddOpaque:
      k.addOpaque(d, s, n);
      break;
    default:
      break;
  }
}
