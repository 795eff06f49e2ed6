// morvex-display-probe [w|f]: the display unit against the X server named by
// DISPLAY, checked from inside the process (window in "w", fullscreen in "f"):
//   - Screen reaches the window pixel for pixel (row 0 at the top, no offset);
//   - KeyDown follows presses and releases seen at presents; an Escape
//     pressed and released before the next present counts for that present,
//     a space bar tap does not; buttons and motion change nothing;
//   - the window manager's close request and SIGTERM set WindowClosed;
//   - fullscreen: the mode is 1280 x 720 while open and the desktop's after
//     closing, the window is override-redirect at (0, 0), capturePointer holds
//     and releases the pointer;
//   - the keyboard is grabbed, in a window once the window manager has mapped
//     the window (the probe plays the window manager and maps it late);
//   - the screen saver does not start while the window is open, and does again
//     after closing;
//   - the presented frame rate (printed).
// The display unit's own X header first: it keeps Xlib's Screen apart from ours.
#include "display/display_x11.h"
#include <X11/extensions/XTest.h>
#include <X11/extensions/scrnsaver.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/xf86vmode.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "display/display.h"

static int Failures = 0;
static void check(bool ok, const std::string& what) {
  std::printf("%s: %s\n", ok ? "ok" : "FAIL", what.c_str());
  std::fflush(stdout);
  if (!ok) Failures++;
}

static double seconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

static uint32_t patternPixel(int x, int y, uint32_t seed) {
  uint32_t h = uint32_t(x) * 0x9E3779B1u ^ uint32_t(y) * 0x85EBCA77u ^ seed;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  return h;
}

// Presents a pattern and reads the window back; true when every pixel's red,
// green and blue arrive unchanged (alpha plays no part).
static bool patternArrives(uint32_t seed, int& wrong) {
  for (int y = 0; y < Screen.height; y++)
    for (int x = 0; x < Screen.width; x++) putPixel(Screen, x, y, patternPixel(x, y, seed));
  for (int attempt = 0; attempt < 5; attempt++) {
    presentFrame();
    glXWaitGL();
    XSync(XDisplay, False);
    XImage* img =
        XGetImage(XDisplay, OutputWindow, 0, 0, uint32_t(Screen.width), uint32_t(Screen.height), AllPlanes, ZPixmap);
    if (img == nullptr) continue;
    wrong = 0;
    for (int y = 0; y < Screen.height; y++)
      for (int x = 0; x < Screen.width; x++) {
        const uint32_t want = getPixel(Screen, x, y) & 0xFFFFFF;
        const uint32_t got = uint32_t(XGetPixel(img, x, y)) & 0xFFFFFF;
        if (want != got) wrong++;
      }
    XDestroyImage(img);
    if (wrong == 0) return true;
  }
  return false;
}

// Presents until cond holds, at most timeout seconds.
template <typename F>
static bool presentUntil(F cond, double timeout) {
  const double end = seconds() + timeout;
  while (seconds() < end) {
    presentFrame();
    if (cond()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

// Lets the events another client sent arrive, then presents one frame.
static void presentAfterEvents(Display* other) {
  XSync(other, False);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  presentFrame();
}

// A key pressed and released between two presents (a tap during a slow frame).
static void tapBeforePresent(Display* other, KeyCode key) {
  XTestFakeKeyEvent(other, key, True, CurrentTime);
  XTestFakeKeyEvent(other, key, False, CurrentTime);
  presentAfterEvents(other);
}

static bool modeSize(Display* d, int& w, int& h) {
  int dot = 0;
  XF86VidModeModeLine line;
  std::memset(&line, 0, sizeof line);
  if (!XF86VidModeGetModeLine(d, DefaultScreen(d), &dot, &line)) return false;
  w = line.hdisplay;
  h = line.vdisplay;
  return true;
}

static bool otherClientCanGrabPointer(Display* other) {
  int r = XGrabPointer(other, DefaultRootWindow(other), False, ButtonPressMask, GrabModeAsync, GrabModeAsync, None,
                       None, CurrentTime);
  if (r == GrabSuccess) XUngrabPointer(other, CurrentTime);
  XSync(other, False);
  return r == GrabSuccess;
}

static bool otherClientCanGrabKeyboard(Display* other) {
  int r = XGrabKeyboard(other, DefaultRootWindow(other), False, GrabModeAsync, GrabModeAsync, CurrentTime);
  if (r == GrabSuccess) XUngrabKeyboard(other, CurrentTime);
  XSync(other, False);
  return r == GrabSuccess;
}

// True once the server's screen saver is on, polled for at most timeout seconds.
static bool screenSaverComesOn(Display* other, double timeout) {
  XScreenSaverInfo* info = XScreenSaverAllocInfo();
  const double end = seconds() + timeout;
  bool on = false;
  while (!on && seconds() < end) {
    XScreenSaverQueryInfo(other, DefaultRootWindow(other), info);
    on = info->state == ScreenSaverOn;
    if (!on) {
      if (OutputWindow != 0) presentFrame();
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  XFree(info);
  return on;
}

int main(int argc, char** argv) {
  const bool fullscreen = argc > 1 && std::string(argv[1]) == "f";
  Display* other = XOpenDisplay(nullptr);  // a second client, as the rest of the desktop sees it
  if (other == nullptr) {
    std::printf("FAIL: no X server\n");
    return 1;
  }
  int desktopW = 0, desktopH = 0;
  if (fullscreen) modeSize(other, desktopW, desktopH);
  // Auto-repeat would turn a held key into release/press pairs.
  XAutoRepeatOff(other);
  XSync(other, False);

  // In a window the probe is the window manager: the map request comes to it,
  // and it maps the window only after openOutputWindow has returned.
  if (!fullscreen) XSelectInput(other, DefaultRootWindow(other), SubstructureRedirectMask);
  XSync(other, False);

  openOutputWindow(1280, 720, fullscreen);
  if (!fullscreen) {
    check(KeyboardGrabPending, "the keyboard grab waits while the window manager has not mapped the window");
    XEvent request;
    bool mapped = false;
    const double end = seconds() + 5;
    while (!mapped && seconds() < end) {
      if (XCheckTypedEvent(other, MapRequest, &request)) {
        XMapWindow(other, request.xmaprequest.window);
        mapped = true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    XSelectInput(other, DefaultRootWindow(other), NoEventMask);
    XSync(other, False);
    check(mapped, "the window manager gets the map request");
    check(presentUntil([] { return !KeyboardGrabPending; }, 3.0), "the grab is taken again once the window is mapped");
  } else {
    check(!KeyboardGrabPending, "the override-redirect window is viewable at once and grabs the keyboard");
  }
  check(!otherClientCanGrabKeyboard(other), "the keyboard is grabbed while the window is open");
  check(Screen.width == 1280 && Screen.height == 720 && Screen.pixels != nullptr, "Screen is 1280 x 720");
  check(!WindowClosed, "WindowClosed is false after opening");
  check(KeyCodes.Escape >= 8 && KeyCodes.space >= 8, "the key codes of Escape and space are resolved");

  XWindowAttributes a;
  XGetWindowAttributes(other, OutputWindow, &a);
  if (fullscreen) {
    int w = 0, h = 0;
    modeSize(other, w, h);
    std::printf("desktop mode %dx%d, mode while open %dx%d\n", desktopW, desktopH, w, h);
    check(w == 1280 && h == 720, "the video mode is 1280 x 720 while the window is open");
    check(a.x == 0 && a.y == 0 && a.override_redirect, "the fullscreen window is override-redirect at (0, 0)");
    check(!otherClientCanGrabPointer(other), "the pointer is confined (grabbed) in fullscreen");
  } else {
    check(a.x == DisplayWidth(other, DefaultScreen(other)) / 2 - 640 &&
              a.y == DisplayHeight(other, DefaultScreen(other)) / 2 - 360 && !a.override_redirect,
          "the window is centred and managed (" + std::to_string(a.x) + ", " + std::to_string(a.y) + ")");
    check(otherClientCanGrabPointer(other), "the pointer is left alone in a window");
  }

  int wrong = 0;
  const bool exact1 = patternArrives(0x1234, wrong);
  check(exact1, "a random picture reaches the window pixel for pixel (" + std::to_string(wrong) + " wrong)");
  const bool exact2 = patternArrives(0xBEEF, wrong);
  check(exact2, "a second picture too (" + std::to_string(wrong) + " wrong)");
  // Row 0 at the top, column 0 at the left: a marked corner.
  fillLongs(Screen.pixels, 1280 * 720, 0xFF000000);
  putPixel(Screen, 0, 0, 0xFFFF0000);
  putPixel(Screen, 1279, 719, 0xFF00FF00);
  presentFrame();
  glXWaitGL();
  XSync(XDisplay, False);
  XImage* img = XGetImage(other, OutputWindow, 0, 0, 1280, 720, AllPlanes, ZPixmap);
  check(img != nullptr && (XGetPixel(img, 0, 0) & 0xFFFFFF) == 0xFF0000 &&
            (XGetPixel(img, 1279, 719) & 0xFFFFFF) == 0x00FF00 && (XGetPixel(img, 0, 719) & 0xFFFFFF) == 0,
        "pixel (0, 0) is the top-left corner, (1279, 719) the bottom-right");
  if (img) XDestroyImage(img);

  // Keys, sent through XTest as a keyboard would.
  const KeyCode space = KeyCodes.space, escape = KeyCodes.Escape;
  XTestFakeKeyEvent(other, space, True, CurrentTime);
  XSync(other, False);
  check(presentUntil([&] { return KeyDown[space] == 1; }, 3.0), "space held: KeyDown[space] is 1");
  XTestFakeKeyEvent(other, space, False, CurrentTime);
  XSync(other, False);
  check(presentUntil([&] { return KeyDown[space] == 0; }, 3.0), "space released: KeyDown[space] is 0");
  // An Escape tap counts for the next present, and is up again at the one after.
  tapBeforePresent(other, escape);
  check(KeyDown[escape] == 1, "an Escape tap between presents is seen at the next present");
  presentFrame();
  check(KeyDown[escape] == 0, "and is up again at the present after it");
  // The space bar keeps held semantics: a tap between presents freezes nothing.
  tapBeforePresent(other, space);
  check(KeyDown[space] == 0, "a space tap between presents is not seen as held");
  // The mouse changes nothing.
  XTestFakeMotionEvent(other, DefaultScreen(other), 700, 400, CurrentTime);
  XTestFakeButtonEvent(other, 1, True, CurrentTime);
  XTestFakeButtonEvent(other, 1, False, CurrentTime);
  presentAfterEvents(other);
  bool anyKey = false;
  for (int i = 0; i < 256; i++) anyKey = anyKey || KeyDown[i];
  check(!anyKey && !WindowClosed, "pointer motion and buttons change nothing");

  if (fullscreen) {
    capturePointer(false);
    XSync(XDisplay, False);
    check(!otherClientCanGrabPointer(other), "capturePointer(false) holds the pointer");
    int fixesEvent = 0, fixesError = 0;
    if (XFixesQueryExtension(other, &fixesEvent, &fixesError)) {
      XFixesCursorImage* cursor = XFixesGetCursorImage(other);
      bool invisible = cursor != nullptr;
      if (cursor != nullptr) {
        for (int i = 0; i < cursor->width * cursor->height; i++)
          invisible = invisible && (cursor->pixels[i] >> 24) == 0;
        std::printf("cursor while captured: %dx%d\n", cursor->width, cursor->height);
        XFree(cursor);
      }
      check(invisible, "the captured pointer's cursor is invisible");
    }
    capturePointer(true);
    XSync(XDisplay, False);
    check(otherClientCanGrabPointer(other), "capturePointer(true) lets it go");
  }

  // The presented frame rate, Screen changing every frame.
  const double start = seconds();
  int frames = 0;
  while (seconds() - start < 3.0) {
    fillLongs(Screen.pixels, 1280 * 720, 0xFF000000u | uint32_t(frames * 0x010203));
    presentFrame();
    frames++;
  }
  glXWaitGL();
  const double fps = frames / (seconds() - start);
  std::printf("presented frame rate: %.0f frames per second (%d frames in 3 s)\n", fps, frames);
  // A figure, not a speed limit: on a busy machine a few frames are enough to
  // show that presenting goes on.
  check(frames >= 3, "presentation is not stuck (3 frames or more in 3 s)");

  // The screen saver, set to start after 1 s without input: not while the show
  // is open (it has been more than a second since the last fake key).
  int saverTimeout = 0, saverInterval = 0, saverBlanking = 0, saverExposures = 0;
  int saverEvent = 0, saverError = 0;
  const bool saverExtension = XScreenSaverQueryExtension(other, &saverEvent, &saverError);
  if (saverExtension) {
    XGetScreenSaver(other, &saverTimeout, &saverInterval, &saverBlanking, &saverExposures);
    XSetScreenSaver(other, 1, 0, DontPreferBlanking, AllowExposures);
    XSync(other, False);
    check(!screenSaverComesOn(other, 2.5), "the screen saver stays off while the window is open");
  } else {
    std::printf("no MIT-SCREEN-SAVER extension: the screen saver is not checked\n");
  }

  // The window manager's close button.
  XEvent e;
  std::memset(&e, 0, sizeof e);
  e.xclient.type = ClientMessage;
  e.xclient.window = OutputWindow;
  e.xclient.message_type = XInternAtom(other, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = long(XInternAtom(other, "WM_DELETE_WINDOW", False));
  XSendEvent(other, OutputWindow, False, NoEventMask, &e);
  XSync(other, False);
  check(presentUntil([] { return WindowClosed; }, 3.0), "the close request sets WindowClosed");
  WindowClosed = false;

  // SIGTERM is turned into WindowClosed at the next present, not a sudden death.
  raise(SIGTERM);
  presentFrame();
  check(WindowClosed, "SIGTERM sets WindowClosed at the next present");

  closeOutputWindow();
  check(Screen.pixels == nullptr, "closing frees Screen");
  if (fullscreen) {
    int w = 0, h = 0;
    modeSize(other, w, h);
    check(w == desktopW && h == desktopH,
          "the desktop's mode is back after closing (" + std::to_string(w) + "x" + std::to_string(h) + ")");
  }
  check(otherClientCanGrabPointer(other), "the pointer is free after closing");
  check(otherClientCanGrabKeyboard(other), "the keyboard is free after closing");
  if (saverExtension) {
    check(screenSaverComesOn(other, 3.0), "the screen saver starts again after closing");
    XForceScreenSaver(other, ScreenSaverReset);
    XSetScreenSaver(other, saverTimeout, saverInterval, saverBlanking, saverExposures);
    XSync(other, False);
  }
  XAutoRepeatOn(other);
  XCloseDisplay(other);
  std::printf("%s\n", Failures == 0 ? "display probe passed" : "display probe FAILED");
  return Failures == 0 ? 0 : 1;
}
