#pragma once
// State of the display unit shared by its three files (window, video mode,
// presentation). Only the display unit includes this header: it brings in Xlib.
// Xlib names its screen record Screen, the name of the show's frame image:
// inside the X headers it is renamed so that both can be used here.
#define Screen XlibScreen
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <GL/glx.h>
#undef Screen
#include <csignal>
#include <cstdint>

extern Display* XDisplay;
extern int XScreen;
extern XVisualInfo* VisualInfo;
extern GLXFBConfig FBConfig;
extern bool UseFBConfig;  // GLX 1.3 or later: frame-buffer configuration path
extern Colormap WindowColormap;
extern Window OutputWindow;  // 0 when closed
extern GLXContext GLContext;
extern Cursor HiddenCursor;
extern bool FullscreenMode;                  // fullscreen, switched or scaled
extern bool ScaledMode;                      // scaled fullscreen: no video mode
extern int32_t OutputWidth, OutputHeight;    // the window's size as last configured
extern Atom WMDeleteWindow;                  // the window manager's close request
extern bool KeyboardGrabPending;             // the grab failed (window not yet viewable); retried on map
extern volatile sig_atomic_t StopRequested;  // set by the stop signals

// Video mode (fullscreen only), in the order openOutputWindow calls them.
void checkVidModeExtension();
void saveCurrentMode();
void findBestMode(int32_t width, int32_t height);
void switchToBestMode();
void restoreVideoMode();
// The desktop's mode through another connection (the program's own is lost).
void restoreVideoModeOn(Display* display);
extern bool ModeSwitched;  // the show's mode is in force
void grabPointerConfined();
extern bool PointerCapturePending;  // scaled: capturePointer(false) waits for the map
Cursor createHiddenCursor();

// Keyboard, events and the signals (signals.cpp).
void grabKeyboard();  // grabs, or leaves KeyboardGrabPending and watches for the map
// Stop signals only set StopRequested; crash signals restore the mode through
// the spare connection that armCrashRestore opens (fullscreen, while the show's
// mode is in force), then end the process with the same signal.
void installStopSignals();
void armCrashRestore(const char* displayName);
void disarmCrashRestore();
bool isCrashDisplay(Display* display);  // the spare connection
[[noreturn]] void endCrash();           // raises the crash being handled again
void setupKeyCodes(Display* display);
// Scaled fullscreen: the viewport and projection of a window of this size and
// the frame's place in it (scaledFrameLayout); presentScaledFrame draws Screen
// there as a texture sampled nearest, on black.
void setupScaledProjection(int32_t windowWidth, int32_t windowHeight);
void presentScaledFrame();
void handleEvent(const XEvent& event);
