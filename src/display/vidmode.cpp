// Fullscreen: the monitor is switched to a mode of exactly the window's size
// (no scaling), the viewport pinned to the top-left corner, and the pointer
// kept grabbed and invisible. The desktop's mode is restored at close.
#include "display/display_x11.h"
#include <X11/extensions/xf86vmode.h>
#include <cstring>
#include "display/display.h"
#include "display/guardian.h"
#include "raster/image.h"

XF86VidModeModeInfo DesktopMode;
XF86VidModeModeInfo BestMode;
bool ModeSwitched = false;

void checkVidModeExtension() {
  int eventBase = 0, errorBase = 0;
  if (!XF86VidModeQueryExtension(XDisplay, &eventBase, &errorBase)) fatalError("no XF86VidMode Extention found!");
}

void saveCurrentMode() {
  int dotClock = 0;
  XF86VidModeModeLine line;
  std::memset(&line, 0, sizeof line);
  XF86VidModeGetModeLine(XDisplay, XScreen, &dotClock, &line);
  std::memset(&DesktopMode, 0, sizeof DesktopMode);
  DesktopMode.dotclock = uint32_t(dotClock);
  DesktopMode.hdisplay = line.hdisplay;
  DesktopMode.hsyncstart = line.hsyncstart;
  DesktopMode.hsyncend = line.hsyncend;
  DesktopMode.htotal = line.htotal;
  DesktopMode.hskew = line.hskew;
  DesktopMode.vdisplay = line.vdisplay;
  DesktopMode.vsyncstart = line.vsyncstart;
  DesktopMode.vsyncend = line.vsyncend;
  DesktopMode.vtotal = line.vtotal;
  DesktopMode.flags = line.flags;
  // No private data goes back to the server.
  DesktopMode.privsize = 0;
  DesktopMode.c_private = nullptr;
  if (line.privsize > 0 && line.c_private != nullptr) XFree(line.c_private);
}

// The last mode of exactly width x height in the server's list wins; refresh
// rate, dot clock and flags play no part.
void findBestMode(int32_t width, int32_t height) {
  int count = 0;
  XF86VidModeModeInfo** modes = nullptr;
  XF86VidModeGetAllModeLines(XDisplay, XScreen, &count, &modes);
  int best = -1;
  for (int i = 0; i < count; i++)
    if (modes[i]->hdisplay == width && modes[i]->vdisplay == height) best = i;
  if (best < 0) fatalError("No best mode found!");
  BestMode = *modes[best];
  // The list and the entries' private data are one allocation.
  BestMode.privsize = 0;
  BestMode.c_private = nullptr;
  XFree(modes);
}

void switchToBestMode() {
  startModeGuardian(DisplayString(XDisplay), XScreen, DesktopMode);
  XF86VidModeSwitchToMode(XDisplay, XScreen, &BestMode);
  XF86VidModeSetViewPort(XDisplay, XScreen, 0, 0);
  ModeSwitched = true;
}

void restoreVideoMode() {
  XF86VidModeSwitchToMode(XDisplay, XScreen, &DesktopMode);
  XSync(XDisplay, False);  // done before the guardian is sent away
  dismissModeGuardian();
  ModeSwitched = false;
}

void restoreVideoModeOn(Display* display) {
  XF86VidModeSwitchToMode(display, XScreen, &DesktopMode);
  XSync(display, False);
  dismissModeGuardian();
  ModeSwitched = false;
}

// Keeps the pointer inside the window until capturePointer replaces the grab.
void grabPointerConfined() {
  XGrabPointer(XDisplay, OutputWindow, True, ButtonPressMask, GrabModeAsync, GrabModeAsync, OutputWindow, None,
               CurrentTime);
}

// A 1 x 1 cursor whose mask has no bit set shows nothing.
Cursor createHiddenCursor() {
  static char bitmapData[1] = {0};
  Pixmap pixmap = XCreateBitmapFromData(XDisplay, OutputWindow, bitmapData, 1, 1);
  XColor colour;
  std::memset(&colour, 0, sizeof colour);
  Cursor cursor = XCreatePixmapCursor(XDisplay, pixmap, pixmap, &colour, &colour, 0, 0);
  XFreePixmap(XDisplay, pixmap);
  return cursor;
}

// The synchronous pointer mode freezes the pointer until the grab ends: the
// program never allows further events, so the mouse does nothing in the show.
// A managed (scaled) window may not be viewable yet when the driver asks:
// the grab is then made again once the window manager has mapped it.
bool PointerCapturePending = false;

void capturePointer(bool release) {
  PointerCapturePending = false;
  if (release) {
    XUngrabPointer(XDisplay, CurrentTime);
    return;
  }
  const int result = XGrabPointer(XDisplay, OutputWindow, True, ButtonPressMask | PointerMotionMask, GrabModeSync,
                                  GrabModeAsync, None, HiddenCursor, CurrentTime);
  PointerCapturePending = ScaledMode && result != GrabSuccess;
}
