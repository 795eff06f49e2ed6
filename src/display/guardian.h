#pragma once
// The desktop's video mode kept safe by a second process. In fullscreen, just
// before the mode switch, the show forks a small guardian that opens its own X
// connection, keeps a copy of the desktop mode and waits on a pipe. If the
// show's process ends without a word - a crash, SIGKILL, an abort, a failed
// assertion - the pipe closes and the guardian switches the desktop mode back,
// touching nothing else (the server releases the grabs and the window of a
// client that is gone). After a normal end the show restores the mode itself,
// then dismisses the guardian, which leaves quietly. Display unit only.
#include <X11/Xlib.h>
#include <X11/extensions/xf86vmode.h>

// Starts the guardian of this display's screen; without one (fork or pipe
// refused) the show runs as before and restores the mode on its own paths.
void startModeGuardian(const char* displayName, int screen, const XF86VidModeModeInfo& desktopMode);
// The mode is the desktop's again: the guardian leaves without touching it.
void dismissModeGuardian();
