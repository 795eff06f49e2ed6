// The output window and its GL context: open in the fixed order of start-up,
// close in the reverse order of what must be undone first.
#include <GL/gl.h>
#include <cstdlib>
#include <cstring>
#include <string>
#include "display/display.h"
#include "display/display_x11.h"
#include <X11/Xatom.h>
#include <X11/extensions/scrnsaver.h>
#include "data/util.h"
#include "raster/image.h"

Display* XDisplay = nullptr;
int XScreen = 0;
XVisualInfo* VisualInfo = nullptr;
GLXFBConfig FBConfig = nullptr;
bool UseFBConfig = false;
Colormap WindowColormap = 0;
Window OutputWindow = 0;
GLXContext GLContext = nullptr;
Cursor HiddenCursor = 0;
bool FullscreenMode = false;
bool ScaledMode = false;
int32_t OutputWidth = 0, OutputHeight = 0;
Atom WMDeleteWindow = 0;
bool KeyboardGrabPending = false;
static bool ScreenSaverSuspended = false;

static const char* const WindowTitle = "Morvex 4.0.5m output window";

// Key, button and pointer-motion events plus exposure, structure and focus
// changes while the window is created; openOutputWindow narrows it later.
static const long CreateEventMask = KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                                    PointerMotionMask | ExposureMask | StructureNotifyMask |
                                    FocusChangeMask;  // 0x22804F
static const long ShowEventMask =
    KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask;  // 0x4F

static std::string DisplayName;
static XIOErrorHandler DefaultIOErrorHandler = nullptr;
static XErrorHandler DefaultErrorHandler = nullptr;

// The server keeps a switched mode after its client is gone, so in fullscreen
// a fresh connection gives the desktop its mode back.
static void restoreModeThroughFreshConnection() {
  if (!FullscreenMode || !ModeSwitched) return;
  Display* fresh = XOpenDisplay(DisplayName.c_str());
  if (fresh == nullptr) return;
  restoreVideoModeOn(fresh);
  XCloseDisplay(fresh);
}

// The connection is gone: the server ended, or a client killed ours (xkill).
// The mode is restored, then Xlib's own handler reports the lost connection
// and ends the program (status 1). The grabs end with the connection. (The
// crash handler's spare connection failing means a crash is being handled:
// that crash ends the program.)
static int connectionLost(Display* display) {
  if (isCrashDisplay(display)) endCrash();
  restoreModeThroughFreshConnection();
  if (DefaultIOErrorHandler != nullptr) return DefaultIOErrorHandler(display);
  std::exit(1);
}

// A protocol error (another client destroyed the window, ...) ends the program
// through Xlib's own handler, which prints the error and exits with status 1;
// the mode is restored first, as for a lost connection. Nothing may be sent on
// the failing connection from here, hence the fresh one.
static int protocolError(Display* display, XErrorEvent* error) {
  if (isCrashDisplay(display)) endCrash();
  restoreModeThroughFreshConnection();
  if (DefaultErrorHandler != nullptr) return DefaultErrorHandler(display, error);
  std::exit(1);
}

static void connectDisplay() {
  XDisplay = XOpenDisplay(nullptr);
  if (XDisplay == nullptr) fatalError("Could not connect to X server");
  XScreen = DefaultScreen(XDisplay);
  DisplayName = DisplayString(XDisplay);
  DefaultIOErrorHandler = XSetIOErrorHandler(connectionLost);
  DefaultErrorHandler = XSetErrorHandler(protocolError);
}

static void chooseVisual() {
  int errorBase = 0, eventBase = 0, major = 0, minor = 0;
  if (!glXQueryExtension(XDisplay, &errorBase, &eventBase) || !glXQueryVersion(XDisplay, &major, &minor) || major < 1)
    fatalError("GLX extension not supported");
  UseFBConfig = major > 1 || (major == 1 && minor >= 3);
  if (UseFBConfig) {
    static const int fbAttributes[] = {GLX_X_RENDERABLE, True, GLX_RED_SIZE, 1, GLX_GREEN_SIZE, 1, GLX_BLUE_SIZE, 1,
                                       GLX_DOUBLEBUFFER, True, None};
    int count = 0;
    GLXFBConfig* configs = glXChooseFBConfig(XDisplay, XScreen, fbAttributes, &count);
    if (count == 0) fatalError("Could not find FB config");
    if (configs == nullptr) fatalError("FBConfigs in null");
    FBConfig = configs[0];
    VisualInfo = glXGetVisualFromFBConfig(XDisplay, FBConfig);
    XFree(configs);  // the chosen configuration stays valid; only the list goes
  } else {
    static int visualAttributes[] = {GLX_RGBA, GLX_RED_SIZE,     1,   GLX_GREEN_SIZE, 1, GLX_BLUE_SIZE,
                                     1,        GLX_DOUBLEBUFFER, None};
    VisualInfo = glXChooseVisual(XDisplay, XScreen, visualAttributes);
  }
  if (VisualInfo == nullptr) fatalError("Could not find visual");
}

// A managed fullscreen window: the state is set on the window before it is
// mapped, which is how a window manager learns it (EWMH); one that maps the
// window first also gets the request as a message after the map.
static Atom NetWMState = 0, NetWMStateFullscreen = 0;

static void requestFullscreenState() {
  NetWMState = XInternAtom(XDisplay, "_NET_WM_STATE", False);
  NetWMStateFullscreen = XInternAtom(XDisplay, "_NET_WM_STATE_FULLSCREEN", False);
  XChangeProperty(XDisplay, OutputWindow, NetWMState, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&NetWMStateFullscreen), 1);
}

static void sendFullscreenRequest() {
  XEvent event;
  std::memset(&event, 0, sizeof event);
  event.xclient.type = ClientMessage;
  event.xclient.window = OutputWindow;
  event.xclient.message_type = NetWMState;
  event.xclient.format = 32;
  event.xclient.data.l[0] = 1;  // _NET_WM_STATE_ADD
  event.xclient.data.l[1] = long(NetWMStateFullscreen);
  event.xclient.data.l[3] = 1;  // from a normal application
  XSendEvent(XDisplay, RootWindow(XDisplay, XScreen), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

static void createOutputWindow(int32_t width, int32_t height) {
  Window root = RootWindow(XDisplay, VisualInfo->screen);
  WindowColormap = XCreateColormap(XDisplay, root, VisualInfo->visual, AllocNone);

  int32_t x = 0, y = 0;
  if (!FullscreenMode) {
    x = DisplayWidth(XDisplay, XScreen) / 2 - width / 2;
    y = DisplayHeight(XDisplay, XScreen) / 2 - height / 2;
  }
  // Scaled: the whole desktop in its own mode; the window manager may still
  // fit it to one monitor (a ConfigureNotify then brings the real size).
  if (ScaledMode) {
    width = DisplayWidth(XDisplay, XScreen);
    height = DisplayHeight(XDisplay, XScreen);
  }
  OutputWidth = width;
  OutputHeight = height;

  XSetWindowAttributes attributes;
  std::memset(&attributes, 0, sizeof attributes);
  attributes.border_pixel = 0;
  attributes.colormap = WindowColormap;
  attributes.event_mask = CreateEventMask;
  attributes.override_redirect = True;
  // Only a mode-switching fullscreen window bypasses the window manager.
  unsigned long valueMask = CWBorderPixel | CWEventMask | CWColormap;  // 0x2808
  if (FullscreenMode && !ScaledMode) valueMask |= CWOverrideRedirect;  // 0x2A08

  OutputWindow = XCreateWindow(XDisplay, root, x, y, uint32_t(width), uint32_t(height), 0, VisualInfo->depth,
                               InputOutput, VisualInfo->visual, valueMask, &attributes);
  if (OutputWindow == 0) fatalError("could not create window");

  // Minimum and maximum both the window's size: it cannot be resized (the
  // scaled window can: the window manager sizes it to the monitor).
  XSizeHints hints;
  std::memset(&hints, 0, sizeof hints);
  hints.flags = USPosition | USSize | (ScaledMode ? 0 : PMinSize | PMaxSize);  // 0x33 fixed
  hints.x = x;
  hints.y = y;
  hints.width = width;
  hints.height = height;
  hints.min_width = hints.max_width = width;
  hints.min_height = hints.max_height = height;
  XSetWMNormalHints(XDisplay, OutputWindow, &hints);
  // The close button of the window manager asks through WM_DELETE_WINDOW
  // instead of killing the connection; presentFrame turns it into WindowClosed.
  // Set before mapping, like the hints, so the window manager sees it at once.
  WMDeleteWindow = XInternAtom(XDisplay, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(XDisplay, OutputWindow, &WMDeleteWindow, 1);
  if (ScaledMode) requestFullscreenState();
}

static void createGLContext() {
  if (UseFBConfig)
    GLContext = glXCreateNewContext(XDisplay, FBConfig, GLX_RGBA_TYPE, nullptr, True);
  else
    GLContext = glXCreateContext(XDisplay, VisualInfo, nullptr, True);
  if (GLContext == nullptr) fatalError("Could not create an OpenGL rendering context");
  glXMakeCurrent(XDisplay, OutputWindow, GLContext);
}

// Scaled: the frame goes up as a texture each present and is drawn as one
// quad over the layout's area, sampled nearest (a zoomed glDrawPixels ran at
// half a frame a second at 3840 x 2160 under Mesa's software renderer).
static GLuint FrameTexture = 0;
static FrameLayout ScaledLayout = {1.0f, true, 0, 0, 0, 0};

static void createFrameTexture() {
  glGenTextures(1, &FrameTexture);
  glBindTexture(GL_TEXTURE_2D, FrameTexture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, GLsizei(Screen.width), GLsizei(Screen.height), 0, GL_BGRA, GL_UNSIGNED_BYTE,
               nullptr);
  glEnable(GL_TEXTURE_2D);
}

void setupScaledProjection(int32_t windowWidth, int32_t windowHeight) {
  OutputWidth = windowWidth;
  OutputHeight = windowHeight;
  ScaledLayout = scaledFrameLayout(Screen.width, Screen.height, windowWidth, windowHeight);
  glClearColor(0, 0, 0, 1);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glViewport(0, 0, windowWidth, windowHeight);
  // One unit a pixel, origin at the top-left corner, rows downwards.
  glOrtho(0, windowWidth, windowHeight, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void presentScaledFrame() {
  glClear(GL_COLOR_BUFFER_BIT);  // the border around the frame
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, GLsizei(Screen.width), GLsizei(Screen.height), GL_BGRA, GL_UNSIGNED_BYTE,
                  Screen.pixels);
  const FrameLayout& l = ScaledLayout;
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0);
  glVertex2i(l.left, l.top);
  glTexCoord2f(1, 0);
  glVertex2i(l.left + l.width, l.top);
  glTexCoord2f(1, 1);
  glVertex2i(l.left + l.width, l.top + l.height);
  glTexCoord2f(0, 1);
  glVertex2i(l.left, l.top + l.height);
  glEnd();
}

// Window coordinates with the origin at the bottom-left pixel; the raster
// position sits on the top edge and the negative zoom runs rows downwards.
static void setupProjection(int32_t width, int32_t height) {
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glViewport(0, 0, width, height);
  glOrtho(0, width - 1, 0, height - 1, -1, 1);
  glRasterPos2i(0, height - 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

// From here on only key, button and motion events arrive (and client messages
// such as the window manager's close request, which need no mask). A window
// manager maps the window when it gets to it, and until the window is viewable
// the grab fails (GrabNotViewable): then map and visibility changes are kept
// in the mask, and presentFrame tries again on each until the grab holds.
void grabKeyboard() {
  KeyboardGrabPending =
      XGrabKeyboard(XDisplay, OutputWindow, True, GrabModeAsync, GrabModeAsync, CurrentTime) != GrabSuccess;
  // The scaled window follows its size (the window manager's fullscreen).
  XSelectInput(XDisplay, OutputWindow,
               ShowEventMask | (KeyboardGrabPending ? StructureNotifyMask | VisibilityChangeMask : 0) |
                   (ScaledMode ? StructureNotifyMask : 0));
}

// No screen saver or display power saving while the show runs (extension 1.1
// and later). closeOutputWindow resumes it; on any other way out the server
// resumes it when the connection closes.
static void suspendScreenSaver() {
  int eventBase = 0, errorBase = 0, major = 0, minor = 0;
  if (!XScreenSaverQueryExtension(XDisplay, &eventBase, &errorBase) ||
      !XScreenSaverQueryVersion(XDisplay, &major, &minor) || major < 1 || (major == 1 && minor < 1))
    return;
  XScreenSaverSuspend(XDisplay, True);
  ScreenSaverSuspended = true;
}

static void resumeScreenSaver() {
  if (ScreenSaverSuspended) XScreenSaverSuspend(XDisplay, False);
  ScreenSaverSuspended = false;
}

void openOutputWindow(int32_t width, int32_t height, bool fullscreen) {
  openOutputWindow(width, height, fullscreen ? WindowMode::Fullscreen : WindowMode::Windowed);
}

void openOutputWindow(int32_t width, int32_t height, WindowMode mode) {
  installStopSignals();
  FullscreenMode = mode != WindowMode::Windowed;
  ScaledMode = mode == WindowMode::ScaledFullscreen;
  WindowClosed = false;
  AllocImage(Screen, uint32_t(width), uint32_t(height));
  connectDisplay();
  chooseVisual();
  createOutputWindow(width, height);
  createGLContext();
  XMapWindow(XDisplay, OutputWindow);
  XRaiseWindow(XDisplay, OutputWindow);
  if (ScaledMode) sendFullscreenRequest();
  if (FullscreenMode && !ScaledMode) {
    checkVidModeExtension();
    saveCurrentMode();
    findBestMode(width, height);
    switchToBestMode();
    XFlush(XDisplay);
    armCrashRestore(DisplayName.c_str());
  }
  grabKeyboard();
  if (FullscreenMode) grabPointerConfined();
  suspendScreenSaver();
  glXWaitGL();
  if (ScaledMode) {
    createFrameTexture();
    setupScaledProjection(OutputWidth, OutputHeight);
  } else {
    setupProjection(Screen.width, Screen.height);
    glPixelZoom(1.0f, -1.0f);
  }
  setupKeyCodes(XDisplay);
  char* title = toCString(WindowTitle);
  XStoreName(XDisplay, OutputWindow, title);
  delete[] title;
  HiddenCursor = createHiddenCursor();
}

static void destroyGLContext() {
  if (FrameTexture != 0) glDeleteTextures(1, &FrameTexture);
  FrameTexture = 0;
  glXMakeCurrent(XDisplay, None, nullptr);
  glXDestroyContext(XDisplay, GLContext);
  GLContext = nullptr;
}

static void destroyOutputWindow() {
  XEvent event;
  while (XCheckWindowEvent(XDisplay, OutputWindow, ~0L, &event)) {}
  XDestroyWindow(XDisplay, OutputWindow);
  OutputWindow = 0;
  XFreeColormap(XDisplay, WindowColormap);
  XFree(VisualInfo);
  VisualInfo = nullptr;
}

void closeOutputWindow() {
  if (FullscreenMode && !ScaledMode) {
    restoreVideoMode();
    disarmCrashRestore();
  }
  destroyGLContext();
  destroyOutputWindow();
  XFreeCursor(XDisplay, HiddenCursor);
  XUngrabPointer(XDisplay, CurrentTime);
  XUngrabKeyboard(XDisplay, CurrentTime);
  if (FullscreenMode) XUngrabPointer(XDisplay, CurrentTime);
  resumeScreenSaver();
  XCloseDisplay(XDisplay);
  XDisplay = nullptr;
  freeImage(Screen);
}
