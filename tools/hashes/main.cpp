// morvex-hashes: the show headless at a fixed frame rate, hashing every
// presented frame, with nothing but the show core underneath (no PNG, no
// fonts, no X, no audio). It is the renderer the ports run: WebAssembly in
// node and aarch64 under qemu-user check their pixels against the pinned
// whole-show hashes with it.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#ifdef __EMSCRIPTEN__
#include <emscripten/heap.h>
#include <malloc.h>
#endif

#include "../render/crc32.h"
#include "timing.h"
#include "values.h"
#include "data/assets.h"
#include "display/screen.h"
#include "driver/modules.h"
#include "driver/show.h"
#include "driver/warmup.h"
#include "music/chance.h"
#include "music/clock.h"
#include "raster/kernels.h"

namespace {

const char* const UsageText =
    "usage: morvex-hashes [--pack PATH] [--fps F] [--check FILE | --print] [--every N] [--rows] [--cold]\n"
    "       morvex-hashes [--pack PATH] --values | --check-values FILE\n"
    "\n"
    "Runs one pass of the show and its end fade headless on a virtual clock (frame i\n"
    "at i / F seconds of music, default F = 10) and hashes every presented frame\n"
    "(CRC-32 of Screen's bytes).\n"
    "\n"
    "  --pack PATH   asset pack (default: data.dat beside this executable)\n"
    "  --fps F       frames per second of music (default 10)\n"
    "  --every N     frames 1, N + 1, 2N + 1, ... are the ones printed or compared\n"
    "                (default 16, as tools/pin-show-hashes.sh pins them)\n"
    "  --check FILE  compare those frames with FILE's '<DemoTime> <crc32>' lines;\n"
    "                exit status 1 on the first difference\n"
    "  --print       print those frames as '<DemoTime> <crc32>'\n"
    "  --rows        also time every schedule row: the rows by their total drawing\n"
    "                time, and the slowest frames with their routines\n"
    "  --cold        no warm-up of the drawing code before the show (the web page\n"
    "                warms it up, as this does by default)\n"
    "\n"
    "Every frame is drawn whatever --every says: from 33000 ms on each frame draws\n"
    "over the one before.\n"
    "\n"
    "  --values             print every value of the show that goes through long double\n"
    "                       or libm before it is rounded (tests/platform-values.txt is\n"
    "                       this output on x86-64), with the smallest distances of\n"
    "                       those values from a rounding boundary\n"
    "  --check-values FILE  compare them with FILE, naming each value that differs, and\n"
    "                       check the distances; exit status 1 on a difference\n";

[[noreturn]] void fail(const std::string& message) {
  std::fprintf(stderr, "morvex-hashes: %s\n", message.c_str());
  std::exit(1);
}

double Fps = 10.0;
int64_t Every = 16;
bool PrintLines = false;
std::vector<std::string> Pinned;
size_t Compared = 0;
int64_t Presented = 0;
bool Mismatch = false;

uint64_t virtualPosition() { return musicSecondsToBytes(double(ShowFrameNumber - 1) / Fps); }

void hInitMusic() { MusicPosition = virtualPosition; }
void hPlayMusic() {}
void hSetMusicPosition(float) {}
void hFadeOutMusic() {}
void hOpenOutputWindow(int32_t width, int32_t height, bool) {
  AllocImage(Screen, uint32_t(width), uint32_t(height));
  KeyCodes = {9, 65};
  std::memset(KeyDown, 0, sizeof KeyDown);
  WindowClosed = false;
}
void hCloseOutputWindow() { freeImage(Screen); }
void hCapturePointer(bool) {}

// Drawing time of every frame after the first: from the end of one present
// to the start of the next (the hashing left out).
std::chrono::steady_clock::time_point LastPresentEnd;

struct PresentEnd {
  ~PresentEnd() {
    LastPresentEnd = std::chrono::steady_clock::now();
    frameStarted();
  }
};

void hPresentFrame() {
  const PresentEnd markEnd;
  if (Presented > 0)
    recordFrame(CurrentShowState == ShowState::EndFade ? -1 : DemoTime,
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - LastPresentEnd).count());
  const int64_t index = Presented++;
  if (index % Every != 0) return;
  char line[32];
  const size_t bytes = size_t(Screen.width) * size_t(Screen.height) * 4;
  std::snprintf(line, sizeof line, "%d %08x", DemoTime, crc32Of(Screen.pixels, bytes));
  if (PrintLines) std::printf("%s\n", line);
  if (Pinned.empty() || Mismatch) return;
  const size_t n = size_t(index / Every);
  if (n >= Pinned.size()) {
    std::printf("frame %lld (%s): more frames than pinned\n", (long long)index + 1, line);
    Mismatch = true;
  } else if (Pinned[n] != line) {
    std::printf("frame %lld: got '%s', pinned '%s'\n", (long long)index + 1, line, Pinned[n].c_str());
    Mismatch = true;
  } else {
    ++Compared;
  }
  // No point drawing on once a frame differs: every later one may too.
  if (Mismatch) KeyDown[KeyCodes.Escape] = 1;
}

const ShowPlatform HashPlatform = {hInitMusic,        hPlayMusic,         hSetMusicPosition, hFadeOutMusic,
                                   hOpenOutputWindow, hCloseOutputWindow, hCapturePointer,   hPresentFrame};

std::vector<std::string> readLines(const std::string& path) {
  std::ifstream in(path);
  if (!in) fail(path + ": cannot read it");
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  if (lines.empty()) fail(path + ": no hashes in the file");
  return lines;
}

std::string formatMargin(double m) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3g", m);
  return text;
}

// The values need the pictures and the modules' set-up, not the show.
int runValues(const std::string& checkPath) {
  std::printf("Loading...\n");
  loadAllImages();
  RandomSeed = 1;
  RandomSeedFixed = true;
  initEffectModules();
  const PlatformValues v = collectPlatformValues();
  const std::string margins = "margins: single " + formatMargin(v.SingleMargin) + " (" + v.SingleMarginAt +
                              "), integer " + formatMargin(v.IntegerMargin) + " (" + v.IntegerMarginAt + ")";
  if (checkPath.empty()) {
    for (const std::string& line : v.Lines) std::printf("%s\n", line.c_str());
    std::printf("%s\n", margins.c_str());
    return 0;
  }
  std::vector<std::string> pinned = readLines(checkPath);
  if (!pinned.empty() && pinned.back().rfind("margins:", 0) == 0) pinned.pop_back();
  size_t differing = 0;
  for (size_t i = 0; i < std::max(pinned.size(), v.Lines.size()); ++i) {
    const std::string got = i < v.Lines.size() ? v.Lines[i] : "(none)";
    const std::string want = i < pinned.size() ? pinned[i] : "(none)";
    if (got == want) continue;
    if (++differing <= 20) std::printf("differs: got '%s', pinned '%s'\n", got.c_str(), want.c_str());
  }
  std::printf("%s\n", margins.c_str());
  bool ok = differing == 0;
  if (v.SingleMargin < MinSingleMargin || v.IntegerMargin < MinIntegerMargin) {
    std::printf("FAILED: a value lies too close to a rounding boundary to be the same on every platform\n");
    ok = false;
  }
  if (differing) std::printf("FAILED: %zu of %zu values differ from %s\n", differing, pinned.size(), checkPath.c_str());
  if (!ok) return 1;
  std::printf("all %zu values agree with %s\n", v.Lines.size(), checkPath.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string checkPath, valuesPath;
  bool valuesMode = false, cold = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) fail(arg + " needs a value (see --help)");
      return argv[++i];
    };
    if (arg == "--help" || arg == "-h") {
      std::fputs(UsageText, stdout);
      return 0;
    } else if (arg == "--pack") {
      DataPackPath = value();
    } else if (arg == "--fps") {
      const std::string t = value();
      char* end = nullptr;
      Fps = std::strtod(t.c_str(), &end);
      if (t.empty() || *end != '\0' || !(Fps >= 0.01 && Fps <= 100000.0))
        fail("--fps: '" + t + "' is not a frame rate from 0.01 to 100000");
    } else if (arg == "--every") {
      const std::string t = value();
      char* end = nullptr;
      Every = std::strtoll(t.c_str(), &end, 10);
      if (t.empty() || *end != '\0' || Every < 1 || Every > 1000000)
        fail("--every: '" + t + "' is not from 1 to 1000000");
    } else if (arg == "--check") {
      checkPath = value();
    } else if (arg == "--rows") {
      startRowTiming();
    } else if (arg == "--cold") {
      cold = true;
    } else if (arg == "--print") {
      PrintLines = true;
    } else if (arg == "--values") {
      valuesMode = true;
    } else if (arg == "--check-values") {
      valuesMode = true;
      valuesPath = value();
    } else {
      fail("unknown option '" + arg + "' (see --help)");
    }
  }
  if (valuesMode) return runValues(valuesPath);
  if (!checkPath.empty()) Pinned = readLines(checkPath);

  RandomSeed = 1;  // the renderer's default: runs repeat
  RandomSeedFixed = true;
  if (!cold) std::printf("warm-up: %.1f ms\n", warmUpDrawingCode());
  const auto start = std::chrono::steady_clock::now();
  const char* const args[] = {"morvex-hashes", "w"};
  runShow(HashPlatform, 2, args);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  std::printf("%lld frames in %.1f s (%.1f frames/s) at raster level %s\n", (long long)Presented, seconds,
              double(Presented) / seconds, simdLevelName(ActiveKernels.level));
  printTimings(stdout);
#ifdef __EMSCRIPTEN__
  // The wasm memory only grows: its size now is its peak over the whole show;
  // the allocator's own peak says how much of it the show took.
  const double memoryMiB = double(emscripten_get_heap_size()) / (1024 * 1024);
  const double heapPeakMiB = double(mallinfo().usmblks) / (1024 * 1024);
  std::printf("wasm memory: %.1f MiB at its largest, the heap's peak %.1f MiB (at most %d MiB)\n", memoryMiB,
              heapPeakMiB, MORVEX_WASM_MEMORY_MIB);
  if (memoryMiB > MORVEX_WASM_MEMORY_MIB) {
    std::printf("FAILED: the wasm memory grew past %d MiB\n", MORVEX_WASM_MEMORY_MIB);
    return 1;
  }
#endif
  if (Pinned.empty()) return 0;
  if (!Mismatch && Compared < Pinned.size()) {
    std::printf("the show ended after %zu of %zu pinned frames\n", Compared, Pinned.size());
    Mismatch = true;
  }
  if (Mismatch) {
    std::printf("FAILED: the frames differ from %s\n", checkPath.c_str());
    return 1;
  }
  std::printf("all %zu pinned frames agree with %s\n", Compared, checkPath.c_str());
  return 0;
}
