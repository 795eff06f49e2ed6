#pragma once
// The driver: start-up order, command line, the show loop with its per-pass
// resets, the frame loop, the end fade, looping and the shutdown order. It is one
// implementation shared by the program and the headless tools: everything that
// touches a real window or real audio is reached through a ShowPlatform record,
// so the program (X11/GLX + audio back end) and morvex-render (a virtual clock
// and an in-memory Screen) run the very same sequence.
#include <cstdint>

// The fixed values of the show.
constexpr int32_t ShowWidth = 1280;
constexpr int32_t ShowHeight = 720;
constexpr int32_t ClearUntilTime = 33000;  // Screen is cleared only while DemoTime < this
constexpr int32_t ShowEndTime = 73000;     // the frame loop runs while DemoTime < this
constexpr int32_t EndFadePasses = 255;
constexpr uint32_t OpaqueBlack = 0xFF000000u;

extern bool Fullscreen;  // true before the command line is read; "w" clears it
// False before the command line is read; "s" sets it: fullscreen scaled on the
// desktop's own mode instead of a mode switch ("w" wins: a window).
extern bool ScaledFullscreen;
extern bool LoopDemo;        // false before the command line is read; "l" sets it
extern int32_t FadeCounter;  // remaining passes of the end fade
// True in the program. Tools may switch the end fade off (passes then follow each
// other directly); nothing else changes.
extern bool ShowEndFade;

// Where the show is, for tools that watch it from inside the platform hooks.
enum class ShowState { Loading, Pass, EndFade, Shutdown };
extern ShowState CurrentShowState;
extern int32_t ShowPassNumber;   // 1 for the first pass; counts passes started
extern int32_t ShowFrameNumber;  // frames drawn in the current pass, the one being presented included

// What the driver needs from the machine. The program wires these to the display
// and audio units; tools wire them to a virtual clock and an in-memory Screen.
// Every entry must be set. MusicPosition (music/clock.h) is the clock's source and
// is set by initMusic (or before runShow).
struct ShowPlatform {
  void (*initMusic)();
  void (*playMusic)();  // on a playing stream changes nothing
  void (*setMusicPosition)(float seconds);
  void (*fadeOutMusic)();  // 200 ms to silence, then the back end is released
  void (*openOutputWindow)(int32_t width, int32_t height, bool fullscreen);  // allocates Screen
  void (*closeOutputWindow)();                                               // frees Screen
  void (*capturePointer)(bool release);                                      // fullscreen only
  void (*presentFrame)();  // shows Screen, then KeyDown/WindowClosed are current
};

// The core steps the driver runs between the platform calls; they default to the
// real routines (loadAllImages, the module table's walks, runEffectSchedule,
// freeAllImages). Tests replace entries to observe the order; nothing else should.
struct ShowCoreSteps {
  void (*loadAllImages)();
  void (*initEffectModules)();
  void (*resetEffectModules)();
  void (*runEffectSchedule)();
  void (*freeEffectModules)();
  void (*freeAllImages)();
};
extern ShowCoreSteps ShowCore;

// Every argument, argument 0 included, compared as a whole word and
// case-sensitively: "w" clears Fullscreen, "s" sets ScaledFullscreen, "l" sets
// LoopDemo; anything else is ignored. Does not set the defaults (runShow does
// that just before).
void parseCommandLine(int argc, const char* const* argv);

// The whole program: removes the old log, prints "Loading...", start-up, the
// show loop, shutdown. Returns normally when the show has ended (exit status 0);
// failures inside the steps end the process from within them (status 1).
// A closed window ends the show like Escape: no new pass even with "l".
void runShow(const ShowPlatform& platform, int argc, const char* const* argv);

// The pieces of runShow, for tests and tools.
// One frame up to presenting: updateDemoTime, clear while DemoTime < 33000,
// the schedule, black columns 0 and 1279.
void drawShowFrame();
// One pass of the end fade over Screen: every red, green and blue byte above 0
// lowered by 1, alpha set to 255 (fadePixels over all of Screen).
void fadeScreenPass();
// The frames of one pass, presenting each; runShow calls it through
// ShowFrameLoop, which holds runFrameLoop.
void runFrameLoop(const ShowPlatform& platform);
extern void (*ShowFrameLoop)(const ShowPlatform& platform);
// True while the key with that role is held (false when the keyboard lacks it).
bool escapeHeld();
bool spaceHeld();
