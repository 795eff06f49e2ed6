// Presentation: one pixel transfer of Screen per frame, straight from its
// memory (Color32 is GL_BGRA with unsigned bytes), and the keyboard table,
// updated only here so the driver sees keys at the granularity of frames.
#include <GL/gl.h>
#include <X11/keysym.h>
#include "display/display.h"
#include "display/display_x11.h"

void setupKeyCodes(Display* display) {
  KeyCodes.Escape = uint8_t(XKeysymToKeycode(display, XK_Escape));
  KeyCodes.space = uint8_t(XKeysymToKeycode(display, XK_space));
}

// Auto-repeat is not filtered: presses and releases apply in the order sent
// (a release right after a press in the same batch takes effect a frame later).
void handleEvent(const XEvent& event) {
  switch (event.type) {
    case KeyPress:
      keyPressed(uint8_t(event.xkey.keycode & 0xFF));
      break;
    case KeyRelease:
      keyReleased(uint8_t(event.xkey.keycode & 0xFF));
      break;
    case ClientMessage:
      if (event.xclient.format == 32 && Atom(event.xclient.data.l[0]) == WMDeleteWindow) WindowClosed = true;
      break;
    case ConfigureNotify:
      if (ScaledMode && (event.xconfigure.width != OutputWidth || event.xconfigure.height != OutputHeight))
        setupScaledProjection(event.xconfigure.width, event.xconfigure.height);
      break;
    case MapNotify:
    case VisibilityNotify:
      if (KeyboardGrabPending) grabKeyboard();
      if (PointerCapturePending) capturePointer(false);
      break;
    default:  // buttons, motion and the rest change nothing
      break;
  }
}

void presentFrame() {
  XEvent event;
  beginKeyEvents();
  while (XPending(XDisplay)) {
    XNextEvent(XDisplay, &event);
    handleEvent(event);
  }
  if (StopRequested) WindowClosed = true;
  if (ScaledMode)
    presentScaledFrame();
  else
    glDrawPixels(Screen.width, Screen.height, GL_BGRA, GL_UNSIGNED_BYTE, Screen.pixels);
  glXSwapBuffers(XDisplay, OutputWindow);
}
