// Presentation: one pixel transfer of Screen per frame, straight from its
// memory (Color32 is GL_BGRA with unsigned bytes), and the keyboard table,
// updated only here so the driver sees keys at the granularity of frames.
#include <GL/gl.h>
#include <X11/keysym.h>
#include <csignal>
#include "display/display.h"
#include "display/display_x11.h"

volatile sig_atomic_t StopRequested = 0;

void setupKeyCodes(Display* display) {
  KeyCodes.Escape = uint8_t(XKeysymToKeycode(display, XK_Escape));
  KeyCodes.space = uint8_t(XKeysymToKeycode(display, XK_space));
}

// Auto-repeat is not filtered: presses and releases apply in the order sent.
void handleEvent(const XEvent& event) {
  switch (event.type) {
    case KeyPress:
      KeyDown[event.xkey.keycode & 0xFF] = 1;
      break;
    case KeyRelease:
      KeyDown[event.xkey.keycode & 0xFF] = 0;
      break;
    case ClientMessage:
      if (event.xclient.format == 32 && Atom(event.xclient.data.l[0]) == WMDeleteWindow)
        WindowClosed = true;
      break;
    case MapNotify:
    case VisibilityNotify:
      if (KeyboardGrabPending) grabKeyboard();
      break;
    default:  // buttons, motion and the rest change nothing
      break;
  }
}

void presentFrame() {
  XEvent event;
  while (XPending(XDisplay)) {
    XNextEvent(XDisplay, &event);
    handleEvent(event);
  }
  if (StopRequested) WindowClosed = true;
  glDrawPixels(Screen.width, Screen.height, GL_BGRA, GL_UNSIGNED_BYTE, Screen.pixels);
  glXSwapBuffers(XDisplay, OutputWindow);
}

// Only the flag is set here; the frame loop does the rest at its next present.
// A second signal in a window ends the process at once (nothing needs giving
// back); in fullscreen it only repeats the request, so the desktop always gets
// its video mode back (SIGKILL still ends a program that hangs).
static void requestStop(int signal) {
  if (StopRequested && !FullscreenMode) {
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    return;
  }
  StopRequested = 1;
}

void installStopSignals() {
  struct sigaction action = {};
  action.sa_handler = requestStop;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}
