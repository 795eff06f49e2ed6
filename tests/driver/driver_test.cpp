// The driver's order and frame logic, run against a recording platform.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/screen.h"
#include "driver/schedule.h"
#include "driver/show.h"
#include "music/chance.h"
#include "music/clock.h"
#include "raster/image.h"

namespace {

std::vector<std::string> Calls;

void call(const std::string& name) { Calls.push_back(name); }

using Names = std::vector<std::string>;

// ---- the command line ----

struct CommandLineCase {
  std::vector<const char*> args;
  bool fullscreen, loop, scaled = false;
};

TEST(Driver, CommandLine) {
  const CommandLineCase cases[] = {
      {{"./morvex"}, true, false},
      {{"./morvex", "w"}, false, false},
      {{"./morvex", "l"}, true, true},
      {{"./morvex", "w", "l"}, false, true},
      {{"./morvex", "l", "w"}, false, true},
      {{"./morvex", "l", "l", "w", "w"}, false, true},
      {{"./morvex", "W"}, true, false},
      {{"./morvex", "-w"}, true, false},
      {{"./morvex", "lw"}, true, false},
      {{"./morvex", "loop"}, true, false},
      {{"./morvex", "L", "w "}, true, false},
      {{"./morvex", ""}, true, false},
      // Argument 0 takes part in the scan too.
      {{"w"}, false, false},
      {{"l", "x"}, true, true},
      // "s": still fullscreen (pointer captured), scaled; "w" makes a window of it.
      {{"./morvex", "s"}, true, false, true},
      {{"./morvex", "s", "l"}, true, true, true},
      {{"./morvex", "w", "s"}, false, false, true},
      {{"./morvex", "S"}, true, false, false},
      {{"./morvex", "ws"}, true, false, false},
      {{"./morvex", "-s"}, true, false, false},
  };
  for (const CommandLineCase& c : cases) {
    Fullscreen = true;
    ScaledFullscreen = false;
    LoopDemo = false;
    parseCommandLine(int(c.args.size()), c.args.data());
    std::string shown;
    for (const char* a : c.args) shown += std::string("'") + a + "' ";
    EXPECT_EQ(Fullscreen, c.fullscreen) << shown;
    EXPECT_EQ(LoopDemo, c.loop) << shown;
    EXPECT_EQ(ScaledFullscreen, c.scaled) << shown;
  }
  ScaledFullscreen = false;
}

// ---- the end fade ----

void allocTestScreen() {
  freeImage(Screen);
  AllocImage(Screen, ShowWidth, ShowHeight);
}

TEST(Driver, FadePass) {
  allocTestScreen();
  putPixel(Screen, 0, 0, 0x00FFFFFFu);  // white, transparent
  putPixel(Screen, 5, 3, 0x80010203u);  // small values stop at 0
  putPixel(Screen, 1279, 719, 0xFF000000u);
  fadeScreenPass();
  EXPECT_EQ(getPixel(Screen, 0, 0), 0xFFFEFEFEu);  // alpha 255 after the first pass
  EXPECT_EQ(getPixel(Screen, 5, 3), 0xFF000102u);
  EXPECT_EQ(getPixel(Screen, 1279, 719), 0xFF000000u);
  EXPECT_EQ(getPixel(Screen, 100, 100), 0xFF000000u);
  for (int pass = 2; pass <= 254; ++pass) fadeScreenPass();
  EXPECT_EQ(getPixel(Screen, 0, 0), 0xFF010101u);  // 254 passes are one short
  fadeScreenPass();
  EXPECT_EQ(getPixel(Screen, 0, 0), 0xFF000000u);
  freeImage(Screen);
}

// ---- the order of the whole show, against a recording platform ----

constexpr uint8_t TestEscape = 9, TestSpace = 65;

// The recording platform's clock: each read of the position returns the next
// DemoTime of Times (the last one repeats).
std::vector<int32_t> Times;
size_t TimeIndex = 0;
int Presents = 0;
// Called at every present with the present's number (1-based) to press keys.
void (*OnPresent)(int) = nullptr;

uint64_t testPosition() {
  const int32_t t = Times[TimeIndex < Times.size() ? TimeIndex : Times.size() - 1];
  ++TimeIndex;
  return musicBytesForDemoTime(t);
}

void tInitMusic() {
  call("initMusic");
  MusicPosition = testPosition;
}
void tPlayMusic() { call("playMusic"); }
void tSetMusicPosition(float s) {
  call("setMusicPosition(" + std::to_string(s) + ")");
  TimeIndex = 0;
}
void tFadeOutMusic() { call("fadeOutMusic"); }
void tOpen(int32_t w, int32_t h, bool fs) {
  call("openOutputWindow(" + std::to_string(w) + "," + std::to_string(h) + "," + (fs ? "true" : "false") + ")");
  AllocImage(Screen, uint32_t(w), uint32_t(h));
  KeyCodes = {TestEscape, TestSpace};
  for (uint8_t& k : KeyDown) k = 0;
  WindowClosed = false;
}
void tClose() {
  call("closeOutputWindow");
  freeImage(Screen);
}
void tCapture(bool release) { call(release ? "capturePointer(true)" : "capturePointer(false)"); }
void tPresent() {
  ++Presents;
  const char* state = CurrentShowState == ShowState::EndFade ? "fade" : "frame";
  call(std::string("present ") + state + " " + std::to_string(DemoTime));
  if (OnPresent) OnPresent(Presents);
}

void tLoad() { call("loadAllImages"); }
void tInitModules() { call("initEffectModules"); }
void tResetModules() { call("resetEffectModules"); }
void tSchedule() { call("schedule " + std::to_string(DemoTime)); }
void tFreeModules() { call("freeEffectModules"); }
void tFreeImages() { call("freeAllImages"); }

const ShowPlatform TestPlatform = {tInitMusic, tPlayMusic, tSetMusicPosition, tFadeOutMusic,
                                   tOpen,      tClose,     tCapture,          tPresent};

// Runs the whole show and returns the calls, with runs of fade presents folded
// into one line "present fade xN".
std::vector<std::string> runTestShow(std::vector<const char*> args, std::vector<int32_t> times,
                                     void (*onPresent)(int) = nullptr) {
  const ShowCoreSteps saved = ShowCore;
  ShowCore = {tLoad, tInitModules, tResetModules, tSchedule, tFreeModules, tFreeImages};
  const MusicPositionSource savedSource = MusicPosition;
  Calls.clear();
  Times = times;
  TimeIndex = 0;
  Presents = 0;
  OnPresent = onPresent;
  PreviousDemoTime = 0;
  runShow(TestPlatform, int(args.size()), args.data());
  ShowCore = saved;
  MusicPosition = savedSource;
  KeyCodes = {0, 0};
  for (uint8_t& k : KeyDown) k = 0;
  WindowClosed = false;

  std::vector<std::string> folded;
  int run = 0;
  for (const std::string& c : Calls) {
    if (c.rfind("present fade", 0) == 0) {
      ++run;
      continue;
    }
    if (run) folded.push_back("present fade x" + std::to_string(run));
    run = 0;
    folded.push_back(c);
  }
  if (run) folded.push_back("present fade x" + std::to_string(run));
  return folded;
}

TEST(Driver, StartUpPassAndShutdownOrder) {
  testing::internal::CaptureStdout();
  const Names calls = runTestShow({"./morvex"}, {0, 20000, 72999, 73000, 80000});
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Loading...\n");
  const Names expected = {
      "loadAllImages",
      "initMusic",
      "initEffectModules",
      "openOutputWindow(1280,720,true)",
      "capturePointer(false)",
      "playMusic",
      "resetEffectModules",
      "playMusic",
      "setMusicPosition(0.000000)",
      "schedule 0",
      "present frame 0",
      "schedule 20000",
      "present frame 20000",
      "schedule 72999",
      "present frame 72999",
      "schedule 73000",  // the last frame is still drawn and presented
      "present frame 73000",
      "present fade x255",
      "fadeOutMusic",
      "capturePointer(true)",
      "closeOutputWindow",
      "freeEffectModules",
      "freeAllImages",
  };
  EXPECT_EQ(calls, expected);
}

TEST(Driver, WindowedLoopAndEscape) {
  testing::internal::CaptureStdout();
  // "w": the pointer is never captured. "l": a second pass with the resets and the
  // music rewound; Escape at the third frame of the second pass ends everything.
  static int escapeAt;
  escapeAt = 3 + 255 + 3;
  const Names calls = runTestShow({"./morvex", "l", "w"}, {100, 50000, 73001, 90000},
                                  [](int n) { KeyDown[TestEscape] = n == escapeAt; });
  testing::internal::GetCapturedStdout();
  const Names expected = {
      "loadAllImages",       "initMusic",
      "initEffectModules",   "openOutputWindow(1280,720,false)",
      "playMusic",           "resetEffectModules",
      "playMusic",           "setMusicPosition(0.000000)",
      "schedule 100",        "present frame 100",
      "schedule 50000",      "present frame 50000",
      "schedule 73001",      "present frame 73001",
      "present fade x255",   "resetEffectModules",
      "playMusic",           "setMusicPosition(0.000000)",
      "schedule 100",        "present frame 100",
      "schedule 50000",      "present frame 50000",
      "schedule 73001",
      "present frame 73001",  // Escape held here: no fade, no new pass
      "fadeOutMusic",        "closeOutputWindow",
      "freeEffectModules",   "freeAllImages",
  };
  EXPECT_EQ(calls, expected);
}

TEST(Driver, FirstFrameAlwaysRunsAndSpaceFreezes) {
  testing::internal::CaptureStdout();
  // A clock already past the end still gives one frame. Space held for presents
  // 2 to 4: the frame at 1000 is presented four times, the clock is not read.
  const Names calls = runTestShow({"./morvex", "w"}, {80000}, nullptr);
  testing::internal::GetCapturedStdout();
  const Names firstPass = {"schedule 80000", "present frame 80000", "present fade x255"};
  EXPECT_EQ(Names(calls.begin() + 8, calls.begin() + 11), firstPass);

  testing::internal::CaptureStdout();
  const Names frozen =
      runTestShow({"./morvex", "w"}, {1000, 5000, 73000}, [](int n) { KeyDown[TestSpace] = n >= 1 && n <= 3; });
  testing::internal::GetCapturedStdout();
  const Names expected = {"schedule 1000",       "present frame 1000", "present frame 1000", "present frame 1000",
                          "present frame 1000",  "schedule 5000",      "present frame 5000", "schedule 73000",
                          "present frame 73000", "present fade x255"};
  EXPECT_EQ(Names(frozen.begin() + 8, frozen.begin() + 18), expected);

  // Escape ends a freeze at the present that sees it: no end fade, shutdown.
  testing::internal::CaptureStdout();
  const Names escaped = runTestShow({"./morvex", "w"}, {1000, 5000, 73000}, [](int n) {
    KeyDown[TestSpace] = 1;
    KeyDown[TestEscape] = n == 3;
  });
  testing::internal::GetCapturedStdout();
  const Names ended = {"schedule 1000", "present frame 1000", "present frame 1000", "present frame 1000",
                       "fadeOutMusic"};
  EXPECT_EQ(Names(escaped.begin() + 8, escaped.begin() + 13), ended);
}

TEST(Driver, EscapeDuringFadeAndClosedWindow) {
  testing::internal::CaptureStdout();
  // Escape at the 10th fade present: that pass is the last, and no new pass with "l".
  Names calls = runTestShow({"./morvex", "w", "l"}, {73000}, [](int n) { KeyDown[TestEscape] = n == 1 + 10; });
  EXPECT_EQ(calls[9], "present frame 73000");
  EXPECT_EQ(calls[10], "present fade x10");
  EXPECT_EQ(calls[11], "fadeOutMusic");

  // A window closed during a pass with "l": the frame loop ends, the one fade pass
  // in progress is presented, and the show does not start again.
  calls = runTestShow({"./morvex", "w", "l"}, {1000, 2000, 3000}, [](int n) {
    if (n == 2) WindowClosed = true;
  });
  EXPECT_EQ(calls[9], "present frame 1000");
  EXPECT_EQ(calls[11], "present frame 2000");
  EXPECT_EQ(calls[12], "present fade x1");
  EXPECT_EQ(calls[13], "fadeOutMusic");

  // A closed window also ends a freeze, so a held space cannot hang the show.
  calls = runTestShow({"./morvex", "w"}, {1000, 2000}, [](int n) {
    KeyDown[TestSpace] = 1;
    if (n == 3) WindowClosed = true;
  });
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(calls[9], "present frame 1000");
  EXPECT_EQ(calls[10], "present frame 1000");
  EXPECT_EQ(calls[11], "present frame 1000");
  EXPECT_EQ(calls[12], "present fade x1");
  EXPECT_EQ(calls[13], "fadeOutMusic");
}

// The frame logic on a real Screen: the clear only before 33000, the borders always.
void paintMarker() { putPixel(Screen, 640, 360, 0xFF123456u); }
const ScheduleRow MarkerRows[] = {{40000, 40000, {paintMarker}, "paintMarker", "Marker"}};
void markerSchedule() { runScheduleRows(MarkerRows, 1, DemoTime); }
std::vector<int32_t> FrameTimes;
size_t FrameTimeIndex = 0;
uint64_t frameTimePosition() { return musicBytesForDemoTime(FrameTimes[FrameTimeIndex++]); }

TEST(Driver, FrameClearsBeforeTheBlackTimeAndDrawsBorders) {
  const ShowCoreSteps saved = ShowCore;
  const MusicPositionSource savedSource = MusicPosition;
  ShowCore.runEffectSchedule = markerSchedule;
  MusicPosition = frameTimePosition;
  FrameTimes = {32999, 40000, 40001, 33000, 32999};
  FrameTimeIndex = 0;
  allocTestScreen();
  for (int32_t i = 0; i < ShowWidth * ShowHeight; ++i) Screen.pixels[i] = 0x11223344u;

  drawShowFrame();  // 32999: cleared
  EXPECT_EQ(getPixel(Screen, 640, 360), 0xFF000000u);
  EXPECT_EQ(getPixel(Screen, 1, 1), 0xFF000000u);
  for (int32_t i = 0; i < ShowWidth * ShowHeight; ++i) Screen.pixels[i] = 0x11223344u;
  drawShowFrame();  // 40000: not cleared, the marker drawn
  EXPECT_EQ(getPixel(Screen, 640, 360), 0xFF123456u);
  EXPECT_EQ(getPixel(Screen, 1, 1), 0x11223344u);
  EXPECT_EQ(getPixel(Screen, 1278, 719), 0x11223344u);
  for (int32_t y = 0; y < 720; ++y) {
    ASSERT_EQ(getPixel(Screen, 0, y), 0xFF000000u);
    ASSERT_EQ(getPixel(Screen, 1279, y), 0xFF000000u);
  }
  drawShowFrame();  // 40001: the previous frame stays
  EXPECT_EQ(getPixel(Screen, 640, 360), 0xFF123456u);
  drawShowFrame();  // 33000: not cleared
  EXPECT_EQ(getPixel(Screen, 1, 1), 0x11223344u);
  drawShowFrame();  // 32999 again: cleared
  EXPECT_EQ(getPixel(Screen, 640, 360), 0xFF000000u);

  freeImage(Screen);
  ShowCore = saved;
  MusicPosition = savedSource;
}

TEST(Driver, RandomSeed) {
  RandomSeedFixed = true;
  RandomSeed = 12345;
  EXPECT_EQ(showRandomSeed(), 12345u);
  RandomSeedFixed = false;
  RandomSeed = 0;
}

}  // namespace
