#include "driver/show.h"

#include <cstdio>
#include <cstring>

#include "data/assets.h"
#include "data/log.h"
#include "display/screen.h"
#include "driver/modules.h"
#include "driver/schedule.h"
#include "music/chance.h"
#include "music/clock.h"
#include "raster/fade.h"
#include "raster/image.h"

bool Fullscreen = true;
bool ScaledFullscreen = false;
bool LoopDemo = false;
int32_t FadeCounter = 0;
bool ShowEndFade = true;

ShowState CurrentShowState = ShowState::Loading;
int32_t ShowPassNumber = 0;
int32_t ShowFrameNumber = 0;

ShowCoreSteps ShowCore = {loadAllImages,     initEffectModules, resetEffectModules,
                          runEffectSchedule, freeEffectModules, freeAllImages};

void parseCommandLine(int argc, const char* const* argv) {
  for (int i = 0; i < argc; ++i) {
    if (!argv[i]) continue;
    if (std::strcmp(argv[i], "w") == 0) Fullscreen = false;
    if (std::strcmp(argv[i], "s") == 0) ScaledFullscreen = true;
    if (std::strcmp(argv[i], "l") == 0) LoopDemo = true;
  }
}

bool escapeHeld() { return KeyCodes.Escape != 0 && KeyDown[KeyCodes.Escape] != 0; }
bool spaceHeld() { return KeyCodes.space != 0 && KeyDown[KeyCodes.space] != 0; }

void drawShowFrame() {
  updateDemoTime();
  if (DemoTime < ClearUntilTime) {
    fillLongs(Screen.pixels, uint32_t(Screen.width) * uint32_t(Screen.height), OpaqueBlack);
  }
  ShowCore.runEffectSchedule();
  // Literal columns, not derived from Screen's size.
  vLine(Screen, 0, 719, 0, OpaqueBlack);
  vLine(Screen, 0, 719, 1279, OpaqueBlack);
}

void fadeScreenPass() {
  // Each pixel depends on itself alone, so the rows are one run.
  if (Screen.width <= 0 || Screen.height <= 0) return;
  fadePixels(Screen.pixels, uint32_t(Screen.width) * uint32_t(Screen.height));
}

// The frames of one pass; the first frame always runs, whatever the clock says.
void runFrameLoop(const ShowPlatform& platform) {
  do {
    ++ShowFrameNumber;
    drawShowFrame();
    // Held space freezes the picture while the music runs on. A closed window
    // (or a stop signal, which the display turns into WindowClosed) ends the
    // freeze too, so a held key cannot keep the show presenting forever, and
    // so does Escape, which counts at the present that sees it pressed.
    do {
      platform.presentFrame();
    } while (spaceHeld() && !WindowClosed && !escapeHeld());
  } while (!WindowClosed && !escapeHeld() && DemoTime < ShowEndTime);
}

static void runEndFade(const ShowPlatform& platform) {
  CurrentShowState = ShowState::EndFade;
  FadeCounter = EndFadePasses;
  do {
    fadeScreenPass();
    platform.presentFrame();
    --FadeCounter;
  } while (!WindowClosed && !escapeHeld() && FadeCounter > 0);
}

// The loop is called through a variable, which keeps it a small function of its
// own: a WebAssembly engine optimizes the function that runs the show while the
// show runs, and with the loop folded into main (the one call) that was all of
// main, 100 to 500 ms of a processor in the background, 27 s into the show,
// which made thirty frames five times slower on a busy machine.
void (*ShowFrameLoop)(const ShowPlatform& platform) = runFrameLoop;

void runShow(const ShowPlatform& platform, int argc, const char* const* argv) {
  CurrentShowState = ShowState::Loading;
  ShowPassNumber = 0;
  ShowFrameNumber = 0;

  deleteOldLog();
  std::printf("Loading...\n");
  std::fflush(stdout);
  ShowCore.loadAllImages();
  platform.initMusic();
  RandomSeed = showRandomSeed();
  ShowCore.initEffectModules();
  Fullscreen = true;
  ScaledFullscreen = false;
  LoopDemo = false;
  parseCommandLine(argc, argv);
  platform.openOutputWindow(ShowWidth, ShowHeight, Fullscreen);
  if (Fullscreen) platform.capturePointer(false);
  platform.playMusic();

  for (;;) {
    CurrentShowState = ShowState::Pass;
    ++ShowPassNumber;
    ShowFrameNumber = 0;
    ShowCore.resetEffectModules();
    // The first pass plays a second time: harmless on a playing stream.
    platform.playMusic();
    platform.setMusicPosition(0.0f);
    ShowFrameLoop(platform);
    if (!escapeHeld() && ShowEndFade) runEndFade(platform);
    // A window closed by the window manager ends the show like Escape: looping
    // on would start pass after pass against a window that is gone.
    if (!LoopDemo || escapeHeld() || WindowClosed) break;
  }

  CurrentShowState = ShowState::Shutdown;
  platform.fadeOutMusic();
  if (Fullscreen) platform.capturePointer(true);
  platform.closeOutputWindow();
  ShowCore.freeEffectModules();
  ShowCore.freeAllImages();
}
