// The show in a web browser: the driver's own runShow with a browser platform in
// place of X11/GLX and the audio back end. The page (morvex.html) fetches the
// pack and the music, decodes the music with Web Audio and, after the start
// button, calls main; the hooks below reach the page through web_platform.js.
//
// The frame loop stays the driver's loop: every present hands the picture to
// the canvas and then yields to the browser (Asyncify) until the next animation
// frame, so keys, audio and painting go on between the frames exactly as the
// window system's do between swaps.
#include <emscripten.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "data/assets.h"
#include "display/screen.h"
#include "driver/modules.h"
#include "driver/seek.h"
#include "driver/show.h"
#include "driver/warmup.h"
#include "music/chance.h"
#include "music/clock.h"
#include "raster/image.h"

extern "C" {
// In web_platform.js.
void webPlayMusic();
void webSetMusicPosition(double seconds);
double webHeardSeconds();  // the position being heard, never backwards within a pass
// rows from firstRow on are new; rows 0: the picture is the one already shown.
void webShowFrame(const uint8_t* rgba, int32_t width, int32_t height, int32_t firstRow, int32_t rows, int32_t demoTime,
                  int32_t frame, int32_t pass, int32_t fading);
void webWaitForFrame();     // asynchronous: returns at the browser's next animation frame
int32_t webNextKeyEvent();  // key code * 2 + (1 pressed, 0 released), -1 when none are queued
void webFadeOutMusic();     // asynchronous: 200 ms glide to silence, then the audio context is closed
int32_t webRandomSeed();    // -1: seed from the clock, as the program does
void webShowEnded();
}

namespace {

// The canvas wants RGBA with alpha 255; Screen is BGRA whose alpha means
// nothing on the screen. Converted here, into a buffer made once with the window
// that keeps the bytes last handed to the page, so a present hands over only the
// rows that changed (more than half of the show's frames change none: the
// canvas, and the browser's compositing behind it, then have nothing to do).
uint8_t* CanvasPixels = nullptr;
// The first present after the window opens hands over every row: the canvas
// may hold another showing's picture.
bool CanvasWhole = true;

// The X key codes of Escape and the space bar on a PC keyboard; the page reports
// its keys with these codes.
constexpr uint8_t EscapeKeyCode = 9;
constexpr uint8_t SpaceKeyCode = 65;

uint64_t heardPosition() { return musicSecondsToBytes(webHeardSeconds()); }

void wInitMusic() { MusicPosition = heardPosition; }  // the page has decoded the music already
void wPlayMusic() { webPlayMusic(); }
void wSetMusicPosition(float seconds) { webSetMusicPosition(double(seconds)); }
void wFadeOutMusic() { webFadeOutMusic(); }

void wOpenOutputWindow(int32_t width, int32_t height, bool) {
  AllocImage(Screen, uint32_t(width), uint32_t(height));
  CanvasPixels = static_cast<uint8_t*>(std::malloc(size_t(width) * size_t(height) * 4));
  if (!CanvasPixels) std::abort();
  CanvasWhole = true;
  KeyCodes = {EscapeKeyCode, SpaceKeyCode};
  std::memset(KeyDown, 0, sizeof KeyDown);
  WindowClosed = false;
}

void wCloseOutputWindow() {
  freeImage(Screen);
  std::free(CanvasPixels);
  CanvasPixels = nullptr;
}

void wCapturePointer(bool) {}  // the page never asks for fullscreen through the driver

// The rows from first to first + count - 1 are the ones to hand over.
struct CanvasRows {
  int32_t first = 0, count = 0;
};

// Row by row through a kernel of the raster level (the byte loop cost 0.9 ms a
// frame in wasm), which says whether the row's bytes changed: the rows from the
// first to the last changed one are new.
CanvasRows convertToCanvas() {
  const uint32_t width = uint32_t(Screen.width);
  int32_t first = -1, last = -1;
  for (int32_t y = 0; y < Screen.height; ++y) {
    if (copyToRgba(Screen.pixels + size_t(y) * width, CanvasPixels + size_t(y) * width * 4, width)) {
      if (first < 0) first = y;
      last = y;
    }
  }
  if (CanvasWhole) {
    CanvasWhole = false;
    return {0, Screen.height};
  }
  return first < 0 ? CanvasRows{} : CanvasRows{first, last - first + 1};
}

void showCanvas(const CanvasRows& rows, int32_t frame, int32_t pass, bool fading) {
  webShowFrame(CanvasPixels, Screen.width, Screen.height, rows.first, rows.count, DemoTime, frame, pass,
               fading ? 1 : 0);
}

void wPresentFrame() {
  // Keys that came in since the last present, in order, as the X queue is
  // drained: a quick tap of Escape between two frames still ends the show.
  beginKeyEvents();
  for (int32_t e; (e = webNextKeyEvent()) >= 0;) {
    if (e & 1)
      keyPressed(uint8_t(e >> 1));
    else
      keyReleased(uint8_t(e >> 1));
  }
  showCanvas(convertToCanvas(), ShowFrameNumber, ShowPassNumber, CurrentShowState == ShowState::EndFade);
  webWaitForFrame();
}

const ShowPlatform WebPlatform = {wInitMusic,        wPlayMusic,         wSetMusicPosition, wFadeOutMusic,
                                  wOpenOutputWindow, wCloseOutputWindow, wCapturePointer,   wPresentFrame};

}  // namespace

// The review mode (morvex.html?review): the page keeps the clock (the music at
// speed 1, its own clock at the slower speeds or paused) and asks for the frame
// of a moment; a seek first draws, unseen, the frames leading there, as
// morvex-view does. The digit field is seeded (1 unless the page names
// another), so a moment shows morvex-render's frame for the same frame
// sequence and seed.
extern "C" {

EMSCRIPTEN_KEEPALIVE void reviewOpen(int32_t seed) {
  DataPackPath = "/data.dat";
  RandomSeed = uint32_t(seed);
  RandomSeedFixed = true;
  loadAllImages();
  initEffectModules();
  wOpenOutputWindow(ShowWidth, ShowHeight, false);
}

EMSCRIPTEN_KEEPALIVE void reviewSeek(int32_t ms) { buildUpTo(ms); }

// The first of the unseen frames a seek to ms draws (then every 17 ms up to ms).
EMSCRIPTEN_KEEPALIVE int32_t reviewBuildUpFrom(int32_t ms) { return buildUpFrom(ms); }

// Draws the frame at ms and hands it to the page; returns the DemoTime drawn.
EMSCRIPTEN_KEEPALIVE int32_t reviewDraw(int32_t ms) {
  ReviewTime = ms;
  drawShowFrame();
  showCanvas(convertToCanvas(), int32_t(int64_t(DemoTime) * 60 / 1000), 1, false);
  return DemoTime;
}

}  // extern "C"

// The page writes the pack it fetched to /data.dat and passes "w" (windowed,
// the page's own fullscreen button stands in for the video mode) and "l" for ?loop.
int main(int argc, char** argv) {
  DataPackPath = "/data.dat";
  const int32_t seed = webRandomSeed();
  if (seed >= 0) {
    RandomSeed = uint32_t(seed);
    RandomSeedFixed = true;
  }
  // Before the pictures load, so the engine optimizes the drawing code while
  // the set-up runs; the page reports the time in its console.
  const double warmUpMs = warmUpDrawingCode();
  EM_ASM({ console.info("morvex: warm-up of the drawing code " + $0.toFixed(1) + " ms"); }, warmUpMs);
  runShow(WebPlatform, argc, argv);
  // The page hears the end here. No exit: after Asyncify has resumed main, an
  // exit would surface as an uncaught ExitStatus in the browser's console; the
  // page drops this instance and makes a new one for a replay. Failures still
  // end through exit(1) from within the show, which the page hears as onExit.
  webShowEnded();
  return 0;
}
