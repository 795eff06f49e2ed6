// Signals while the window is open. The desktop must get its video mode back
// however the show ends, so:
//   - every signal whose default would end the process quietly (terminal
//     hang-up, Ctrl-C, Ctrl-\, kill, a broken pipe, timers, ...) only asks the
//     frame loop to stop; the next presentFrame turns that into WindowClosed
//     and the normal shutdown restores the mode, the pointer and the keyboard;
//   - a crash (a fault, abort) restores the mode through a spare connection
//     opened for that purpose, then ends the process with the same signal, so
//     the exit status still tells what happened.
// A signal the caller chose to ignore (nohup) stays ignored.
#include <csignal>
#include <cstdlib>

#include "display/display.h"
#include "display/display_x11.h"
#include <X11/extensions/xf86vmode.h>

volatile sig_atomic_t StopRequested = 0;

namespace {

const int StopSignals[] = {
    SIGHUP,    SIGINT,    SIGQUIT, SIGTERM, SIGUSR1, SIGUSR2, SIGPIPE,
    SIGALRM,   SIGVTALRM, SIGPROF, SIGXCPU, SIGXFSZ, SIGIO,   SIGPWR,
#ifdef SIGSTKFLT
    SIGSTKFLT,
#endif
};
const int CrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP, SIGSYS};

// The spare connection of a fullscreen show, used only by the crash handler:
// the program's own connection may be in the middle of a request when it
// crashes, this one never is.
Display* volatile CrashDisplay = nullptr;
volatile sig_atomic_t CrashSignal = 0;
// A stack for the crash handler, so a stack overflow can still restore the mode.
alignas(16) char CrashStack[64 * 1024];

bool ignoredByCaller(int signal) {
  struct sigaction current = {};
  return sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

// Only the flag is set here; the frame loop does the rest at its next present.
// A second signal in a window ends the process at once (nothing needs giving
// back); in fullscreen it only repeats the request, so the desktop always gets
// its video mode back (SIGKILL still ends a program that hangs).
void requestStop(int signal) {
  if (StopRequested && !FullscreenMode) {
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    return;
  }
  StopRequested = 1;
}

// Runs with the signal's default action already back in place (SA_RESETHAND)
// and not blocked (SA_NODEFER): the mode is restored once, by the first thread
// that crashes, then the signal is raised again and ends the process as it
// would have without this handler. Nothing here allocates; the Xlib calls go
// to a connection no other code touches.
void crashed(int signal) {
  static volatile sig_atomic_t restoring = 0;
  if (!restoring) {
    restoring = 1;
    CrashSignal = signal;
    Display* spare = CrashDisplay;
    if (spare != nullptr && ModeSwitched) restoreVideoModeOn(spare);
  }
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

}  // namespace

void installStopSignals() {
  struct sigaction stop = {};
  stop.sa_handler = requestStop;
  sigemptyset(&stop.sa_mask);
  stop.sa_flags = SA_RESTART;
  for (int signal : StopSignals)
    if (!ignoredByCaller(signal)) sigaction(signal, &stop, nullptr);

  stack_t stack = {};
  stack.ss_sp = CrashStack;
  stack.ss_size = sizeof CrashStack;
  sigaltstack(&stack, nullptr);
  struct sigaction crash = {};
  crash.sa_handler = crashed;
  sigemptyset(&crash.sa_mask);
  crash.sa_flags = SA_RESETHAND | SA_NODEFER | SA_ONSTACK;
  for (int signal : CrashSignals) sigaction(signal, &crash, nullptr);
}

void armCrashRestore(const char* displayName) {
  if (CrashDisplay != nullptr) return;
  Display* spare = XOpenDisplay(displayName);
  if (spare == nullptr) return;
  // The first use of the extension on a connection allocates its bookkeeping:
  // done here, so the crash handler finds it in place.
  int major = 0, minor = 0;
  XF86VidModeQueryVersion(spare, &major, &minor);
  CrashDisplay = spare;
}

void disarmCrashRestore() {
  Display* spare = CrashDisplay;
  CrashDisplay = nullptr;
  if (spare != nullptr) XCloseDisplay(spare);
}

bool isCrashDisplay(Display* display) { return display != nullptr && display == CrashDisplay; }

void endCrash() {
  const int signal = CrashSignal != 0 ? int(CrashSignal) : SIGABRT;
  std::signal(signal, SIG_DFL);
  std::raise(signal);
  std::_Exit(128 + signal);
}
