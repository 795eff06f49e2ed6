#include "display/guardian.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <string>

namespace {

// The show's end of a socket pair (a socket, so that a guardian already gone
// gives an error instead of SIGPIPE); closing it without the byte wakes the guardian.
int GuardianPipe = -1;
constexpr char DismissByte = 'd';

// Everything but the standard streams and the pipe closes: the show's X
// connection, its audio and its files must end when the show does, or the
// server would keep the show's grabs alive for as long as the guardian waits.
void closeInheritedFiles(int keep) {
  const int top = int(sysconf(_SC_OPEN_MAX) > 0 ? sysconf(_SC_OPEN_MAX) : 1024);
#ifdef SYS_close_range
  const bool below = keep <= 3 || syscall(SYS_close_range, 3u, unsigned(keep - 1), 0u) == 0;
  if (below && syscall(SYS_close_range, unsigned(keep + 1), ~0u, 0u) == 0) return;
#endif
  for (int fd = 3; fd < top && fd < 65536; ++fd)
    if (fd != keep) close(fd);
}

int leaveQuietly(Display*) { _exit(0); }
int ignoreError(Display*, XErrorEvent*) { return 0; }

[[noreturn]] void guard(int pipeFd, const std::string& displayName, int screen, XF86VidModeModeInfo mode) {
  closeInheritedFiles(pipeFd);
  // The terminal's signals reach the whole process group; the guardian stays
  // until the show is gone, whatever ends it.
  for (int s : {SIGINT, SIGQUIT, SIGHUP, SIGTERM, SIGPIPE, SIGTSTP, SIGTTIN, SIGTTOU}) std::signal(s, SIG_IGN);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  prctl(PR_SET_NAME, "morvex-guardian", 0, 0, 0);
  Display* display = XOpenDisplay(displayName.c_str());
  if (display == nullptr) _exit(0);
  XSetIOErrorHandler(leaveQuietly);
  XSetErrorHandler(ignoreError);
  char byte = 0;
  ssize_t n;
  do {
    n = read(pipeFd, &byte, 1);
  } while (n < 0 && errno == EINTR);
  if (n != 1 || byte != DismissByte) {
    XF86VidModeSwitchToMode(display, screen, &mode);
    XSync(display, False);
  }
  _exit(0);
}

}  // namespace

void startModeGuardian(const char* displayName, int screen, const XF86VidModeModeInfo& desktopMode) {
  if (GuardianPipe >= 0) return;
  int fds[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return;
  const std::string name = displayName;
  XF86VidModeModeInfo mode = desktopMode;
  mode.privsize = 0;
  mode.c_private = nullptr;
  // Forked twice so that the guardian belongs to nobody: the show has no child
  // to reap and the guardian outlives it.
  const pid_t middle = fork();
  if (middle < 0) {
    close(fds[0]);
    close(fds[1]);
    return;
  }
  if (middle == 0) {
    if (fork() == 0) guard(fds[0], name, screen, mode);
    _exit(0);
  }
  close(fds[0]);
  int status = 0;
  while (waitpid(middle, &status, 0) < 0 && errno == EINTR) {}
  GuardianPipe = fds[1];
}

void dismissModeGuardian() {
  if (GuardianPipe < 0) return;
  ssize_t n;
  do {
    n = send(GuardianPipe, &DismissByte, 1, MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR);
  close(GuardianPipe);
  GuardianPipe = -1;
}
