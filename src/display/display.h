#pragma once
// The display unit: one X11 window of the frame's size with a GLX context that
// only copies Screen to the back buffer and swaps; in fullscreen the monitor is
// switched to a video mode of exactly that size and the pointer is captured.
// Screen, KeyDown, WindowClosed and KeyCodes live in display/screen.h.
// Every failure while opening is fatal (fatalError: one log line, status 1).
#include <cstdint>
#include "display/screen.h"

// How the window meets the monitor: a window of the frame's size; fullscreen
// with the monitor switched to a video mode of that size; or scaled fullscreen,
// a managed window covering the desktop in its own mode (_NET_WM_STATE_FULLSCREEN)
// with the frame scaled by GL (scaledFrameLayout, display/screen.h).
enum class WindowMode { Windowed, Fullscreen, ScaledFullscreen };

// Allocates Screen, connects to the X server named by DISPLAY, chooses a
// double-buffered RGB visual, creates and maps the window (centred, or at (0, 0)
// override-redirect with the video mode switched in fullscreen), grabs the
// keyboard (again once the window manager has mapped the window, if it was not
// viewable yet; in fullscreen also confines the pointer), suspends the screen
// saver, sets the pixel-exact projection, resolves KeyCodes, names the window
// and clears WindowClosed.
// Scaled fullscreen is fullscreen without the video mode (no mode to switch or
// restore, no guardian): the keyboard, pointer and screen saver as in fullscreen.
void openOutputWindow(int32_t width, int32_t height, WindowMode mode);
void openOutputWindow(int32_t width, int32_t height, bool fullscreen);
// Restores the video mode (fullscreen), releases the context, the window, the
// grabs, the screen saver and the connection, then frees Screen.
void closeOutputWindow();

// Fullscreen (both kinds) only. release = false: hide and freeze the pointer (a synchronous
// grab with the invisible cursor replacing the confining grab); true: ungrab it.
void capturePointer(bool release);

// Drains the X event queue into KeyDown (and WindowClosed), then one
// glDrawPixels of Screen (GL_BGRA, GL_UNSIGNED_BYTE) and a buffer swap.
void presentFrame();

// From the moment the window opens, every signal that would end the process
// (SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGUSR1, SIGUSR2, SIGPIPE, SIGALRM, ...)
// ends the show through the normal shutdown: the handler only records the
// request and the next presentFrame sets WindowClosed, so the frame loop ends
// and the video mode, pointer and keyboard are restored. A second signal ends a
// windowed show at once; in fullscreen it only repeats the request. A crash
// (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, ...) in fullscreen restores the
// mode through a spare connection and ends the process with that signal; an X
// protocol error or a lost connection restores it through a fresh connection
// and ends the program with status 1.
