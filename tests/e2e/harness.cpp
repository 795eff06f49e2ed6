#include "e2e/harness.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>
#include <X11/extensions/xf86vmode.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <grp.h>
#include <lame/lame.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

int Failures = 0;
int SpawnAsUser = -1;

bool check(bool condition, const std::string& what) {
  std::printf("%s: %s\n", condition ? "ok" : "FAIL", what.c_str());
  std::fflush(stdout);
  if (!condition) Failures++;
  return condition;
}

void note(const std::string& text) {
  std::printf("%s\n", text.c_str());
  std::fflush(stdout);
}

// ---- files and processes ----------------------------------------------------

std::string harnessBinDir() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  std::string path(buf, size_t(n));
  return path.substr(0, path.find_last_of('/'));
}

std::string makeTempDir(const std::string& tag) {
  std::string pattern = "/tmp/morvex-e2e-" + tag + "-XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back(0);
  if (mkdtemp(buf.data()) == nullptr) return "/tmp";
  return std::string(buf.data());
}

void removeTree(const std::string& dir) {
  if (dir.rfind("/tmp/morvex-e2e-", 0) != 0) return;
  std::string cmd = "rm -rf '" + dir + "'";
  if (std::system(cmd.c_str()) != 0) note("could not remove " + dir);
}

bool pathExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void writeFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

void copyFile(const std::string& from, const std::string& to, bool executable) {
  writeFile(to, readFile(from));
  if (executable) chmod(to.c_str(), 0755);
}

bool commandExists(const std::string& name) {
  std::string cmd = "command -v " + name + " >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

double nowSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void sleepSeconds(double s) { std::this_thread::sleep_for(std::chrono::duration<double>(s)); }

static std::vector<std::string> childEnvironment(const std::vector<std::string>& extra) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; e++) env.push_back(*e);
  for (const std::string& entry : extra) {
    const std::string name = entry.substr(0, entry.find('=') + 1);
    for (size_t i = 0; i < env.size();)
      if (env[i].rfind(name, 0) == 0)
        env.erase(env.begin() + long(i));
      else
        i++;
    if (entry.size() > name.size()) env.push_back(entry);
  }
  return env;
}

static Child spawnWithFd(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                         const std::string& dir, const std::string& outFile, const std::string& errFile, int keepFd,
                         uid_t user = 0, gid_t group = 0) {
  Child c;
  std::vector<std::string> envStrings = childEnvironment(env);
  std::vector<char*> args, envp;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  for (const std::string& e : envStrings) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  std::fflush(stdout);
  pid_t pid = fork();
  if (pid == 0) {
    // Servers and programs end with the test, even when it dies.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (!dir.empty() && chdir(dir.c_str()) != 0) _exit(126);
    int out = open(outFile.empty() ? "/dev/null" : outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = open(errFile.empty() ? "/dev/null" : errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int in = open("/dev/null", O_RDONLY);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    for (int fd = 3; fd < 1024; fd++)
      if (fd != keepFd) close(fd);
    // The output files are opened first, so they may lie where the user cannot write.
    if (user != 0 && (setgroups(0, nullptr) != 0 || setgid(group) != 0 || setuid(user) != 0)) _exit(125);
    // The servers' children must not inherit the test's blocked signals, nor
    // signals ignored by whoever started the test (a background job ignores
    // SIGINT and SIGQUIT); a program that crashes on purpose leaves no core.
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int signal = 1; signal < NSIG; signal++) std::signal(signal, SIG_DFL);
    const struct rlimit noCore = {0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    if (SpawnAsUser >= 0 &&
        (setgroups(0, nullptr) != 0 || setgid(gid_t(SpawnAsUser)) != 0 || setuid(uid_t(SpawnAsUser)) != 0))
      _exit(126);
    environ = envp.data();
    execvp(args[0], args.data());
    _exit(127);
  }
  c.pid = pid;
  return c;
}

Child spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& dir,
            const std::string& outFile, const std::string& errFile) {
  return spawnWithFd(argv, env, dir, outFile, errFile, -1);
}

Child spawnAsUser(uid_t user, gid_t group, const std::vector<std::string>& argv, const std::vector<std::string>& env,
                  const std::string& dir, const std::string& outFile, const std::string& errFile) {
  return spawnWithFd(argv, env, dir, outFile, errFile, -1, user, group);
}

bool waitChild(Child& c, double timeout) {
  if (c.pid <= 0 || c.exited) return true;
  const double end = nowSeconds() + timeout;
  for (;;) {
    int status = 0;
    pid_t r = waitpid(c.pid, &status, WNOHANG);
    if (r == c.pid) {
      c.exited = true;
      c.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      return true;
    }
    if (nowSeconds() >= end) return false;
    sleepSeconds(0.01);
  }
}

void stopChild(Child& c, int signal, double grace) {
  if (c.pid <= 0 || c.exited) return;
  kill(c.pid, signal);
  if (waitChild(c, grace)) return;
  kill(c.pid, SIGKILL);
  waitChild(c, 5.0);
}

// ---- servers ----------------------------------------------------------------

// Starts an X server that writes its display number to the pipe (-displayfd).
static bool startX(XServer& server, std::vector<std::string> argv, const std::string& dir, const std::string& name) {
  int fds[2];
  if (pipe(fds) != 0) return false;
  argv.insert(argv.begin() + 1, {"-displayfd", std::to_string(fds[1])});
  server.log = dir + "/" + name + ".log";
  server.process = spawnWithFd(argv, {}, dir, server.log, server.log + ".err", fds[1]);
  close(fds[1]);
  std::string number;
  const double end = nowSeconds() + 20.0;
  while (nowSeconds() < end) {
    struct pollfd p = {fds[0], POLLIN, 0};
    if (poll(&p, 1, 100) > 0) {
      char ch;
      ssize_t n = read(fds[0], &ch, 1);
      if (n <= 0) break;
      if (ch == '\n') break;
      number += ch;
    }
    if (waitChild(server.process, 0)) break;
  }
  close(fds[0]);
  if (number.empty()) {
    stopChild(server.process);
    note(name + " did not start; its log:\n" + readFile(server.log + ".err"));
    return false;
  }
  server.display = ":" + number;
  return true;
}

bool startXvfb(XServer& server, const std::string& dir, const std::string& size) {
  return startX(server, {"Xvfb", "-screen", "0", size + "x24", "-nolisten", "tcp", "-noreset"}, dir, "xvfb");
}

bool startXorgDummy(XServer& server, const std::string& dir, const std::vector<std::string>& modes) {
  // Standard CEA timings; the dummy driver shows nothing, it only has to accept them.
  auto modeline = [](const std::string& m) -> std::string {
    if (m == "1920x1080")
      return "  Modeline \"1920x1080\" 148.50 1920 2008 2052 2200 1080 1084 1089 1125 +hsync +vsync\n";
    if (m == "1280x720") return "  Modeline \"1280x720\" 74.25 1280 1390 1430 1650 720 725 730 750 +hsync +vsync\n";
    return "";
  };
  std::string conf =
      "Section \"ServerFlags\"\n  Option \"DontVTSwitch\" \"true\"\n  Option \"AllowMouseOpenFail\" \"true\"\n"
      "  Option \"AutoAddDevices\" \"false\"\n  Option \"AutoEnableDevices\" \"false\"\nEndSection\n"
      "Section \"Device\"\n  Identifier \"dummy\"\n  Driver \"dummy\"\n  VideoRam 65536\nEndSection\n"
      "Section \"Monitor\"\n  Identifier \"monitor\"\n";
  // Narrow sync ranges keep the server's built-in default modes (which include
  // other 1280 x 720 modes) out of the list: only the listed modes fit them.
  bool has720 = false;
  for (const std::string& m : modes) has720 = has720 || m == "1280x720";
  conf += has720 ? "  HorizSync 44.9-45.1, 67.4-67.6\n" : "  HorizSync 67.4-67.6\n";
  conf += "  VertRefresh 59.95-60.05\n";
  std::string names;
  for (const std::string& m : modes) {
    conf += modeline(m);
    names += " \"" + m + "\"";
  }
  conf +=
      "EndSection\nSection \"Screen\"\n  Identifier \"screen\"\n  Device \"dummy\"\n  Monitor \"monitor\"\n"
      "  DefaultDepth 24\n  SubSection \"Display\"\n    Depth 24\n    Modes" +
      names + "\n    Virtual 1920 1080\n  EndSubSection\nEndSection\n";
  static int count = 0;
  const std::string name = "xorg" + std::to_string(++count);
  const std::string path = dir + "/" + name + ".conf";
  writeFile(path, conf);
  return startX(server,
                {"Xorg", "-config", path, "-noreset", "-nolisten", "tcp", "-logfile", dir + "/" + name + "-server.log",
                 "-novtswitch", "-sharevts"},
                dir, name);
}

void stopXServer(XServer& server) { stopChild(server.process); }

static bool socketAccepts(const std::string& path) {
  int s = socket(AF_UNIX, SOCK_STREAM, 0);
  if (s < 0) return false;
  struct sockaddr_un addr = {};
  addr.sun_family = AF_UNIX;
  std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
  bool ok = connect(s, reinterpret_cast<struct sockaddr*>(&addr), sizeof addr) == 0;
  close(s);
  return ok;
}

bool startAudio(AudioServer& audio, const std::string& dir, bool forceNull) {
  if (!forceNull && commandExists("pulseaudio")) {
    const std::string socket = dir + "/pulse.sock";
    mkdir((dir + "/pulse-run").c_str(), 0700);
    // Without norewinds=1 the null sink freezes new streams for a second or two.
    audio.process =
        spawn({"pulseaudio", "--daemonize=no", "--exit-idle-time=-1", "-n", "--use-pid-file=no",
               "--load=module-null-sink sink_name=ci norewinds=1",
               "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socket},
              {"HOME=" + dir, "PULSE_RUNTIME_PATH=" + dir + "/pulse-run", "XDG_RUNTIME_DIR=" + dir + "/pulse-run"}, dir,
              dir + "/pulse.log", dir + "/pulse.err");
    const double end = nowSeconds() + 10.0;
    while (nowSeconds() < end && !waitChild(audio.process, 0)) {
      if (socketAccepts(socket)) {
        audio.env = {"PULSE_SERVER=unix:" + socket, "ALSOFT_DRIVERS=pulse"};
        audio.kind = "pulseaudio null sink";
        return true;
      }
      sleepSeconds(0.05);
    }
    stopChild(audio.process);
    note("pulseaudio did not start (" + readFile(dir + "/pulse.err") + "); using OpenAL's null output");
  }
  writeFile(dir + "/alsoft.conf", "[general]\ndrivers = null\nperiod_size = 64\n");
  audio.env = {"ALSOFT_DRIVERS=null", "ALSOFT_CONF=" + dir + "/alsoft.conf"};
  audio.kind = "OpenAL null output";
  return true;
}

void stopAudio(AudioServer& audio) { stopChild(audio.process); }

// ---- content ------------------------------------------------------------------

bool writeToneMp3(const std::string& path, double seconds) {
  lame_global_flags* lame = lame_init();
  if (lame == nullptr) return false;
  lame_set_in_samplerate(lame, 44100);
  lame_set_out_samplerate(lame, 44100);
  lame_set_num_channels(lame, 2);
  lame_set_brate(lame, 160);
  lame_set_quality(lame, 7);
  lame_set_bWriteVbrTag(lame, 1);
  if (lame_init_params(lame) < 0) {
    lame_close(lame);
    return false;
  }
  FILE* out = std::fopen(path.c_str(), "wb+");
  if (out == nullptr) {
    lame_close(lame);
    return false;
  }
  const int total = int(seconds * 44100);
  std::vector<short> pcm(2 * 1152);
  std::vector<unsigned char> mp3(1 << 16);
  for (int done = 0; done < total;) {
    const int n = std::min(1152, total - done);
    for (int i = 0; i < n; i++) {
      // A tone that changes pitch every second, so one can hear the clock.
      const double t = double(done + i) / 44100.0;
      const double f = 220.0 * (1 + (int(t) % 4));
      const short s = short(8000 * std::sin(2 * M_PI * f * t));
      pcm[2 * i] = s;
      pcm[2 * i + 1] = s;
    }
    int bytes = lame_encode_buffer_interleaved(lame, pcm.data(), n, mp3.data(), int(mp3.size()));
    if (bytes > 0) std::fwrite(mp3.data(), 1, size_t(bytes), out);
    done += n;
  }
  int bytes = lame_encode_flush(lame, mp3.data(), int(mp3.size()));
  if (bytes > 0) std::fwrite(mp3.data(), 1, size_t(bytes), out);
  lame_mp3_tags_fid(lame, out);  // the Info header with the frame count
  std::fclose(out);
  lame_close(lame);
  return true;
}

// ---- looking at the program ------------------------------------------------------

struct XView {
  Display* display = nullptr;
};

XView* openView(const std::string& display) {
  Display* d = XOpenDisplay(display.c_str());
  if (d == nullptr) return nullptr;
  XView* v = new XView;
  v->display = d;
  return v;
}

void closeView(XView* v) {
  if (v == nullptr) return;
  XCloseDisplay(v->display);
  delete v;
}

static std::string windowName(Display* d, Window w) {
  char* name = nullptr;
  std::string result;
  if (XFetchName(d, w, &name) && name != nullptr) {
    result = name;
    XFree(name);
  }
  return result;
}

unsigned long findWindow(XView* v, const std::string& title, double timeout) {
  const double end = nowSeconds() + timeout;
  do {
    Window root = DefaultRootWindow(v->display), parent, *children = nullptr;
    unsigned int count = 0;
    Window found = 0;
    if (XQueryTree(v->display, root, &root, &parent, &children, &count)) {
      for (unsigned int i = 0; i < count && found == 0; i++)
        if (windowName(v->display, children[i]) == title) found = children[i];
      if (children != nullptr) XFree(children);
    }
    if (found != 0) return found;
    sleepSeconds(0.05);
  } while (nowSeconds() < end);
  return 0;
}

static int ignoreXErrors(Display*, XErrorEvent*) { return 0; }

WindowFacts windowFacts(XView* v, unsigned long window) {
  WindowFacts f;
  XErrorHandler old = XSetErrorHandler(ignoreXErrors);
  XWindowAttributes a;
  if (XGetWindowAttributes(v->display, window, &a)) {
    f.exists = true;
    f.x = a.x;
    f.y = a.y;
    f.width = a.width;
    f.height = a.height;
    f.overrideRedirect = a.override_redirect;
    f.mapped = a.map_state == IsViewable;
    f.title = windowName(v->display, window);
    XSizeHints hints;
    long supplied = 0;
    if (XGetWMNormalHints(v->display, window, &hints, &supplied))
      f.sizeFixed = (hints.flags & PMinSize) && (hints.flags & PMaxSize) && hints.min_width == a.width &&
                    hints.max_width == a.width && hints.min_height == a.height && hints.max_height == a.height;
    Atom* protocols = nullptr;
    int count = 0;
    Atom del = XInternAtom(v->display, "WM_DELETE_WINDOW", False);
    if (XGetWMProtocols(v->display, window, &protocols, &count)) {
      for (int i = 0; i < count; i++)
        if (protocols[i] == del) f.deleteProtocol = true;
      XFree(protocols);
    }
  }
  XSync(v->display, False);
  XSetErrorHandler(old);
  return f;
}

bool screenshot(XView* v, unsigned long window, int width, int height, std::vector<uint32_t>& pixels) {
  XErrorHandler old = XSetErrorHandler(ignoreXErrors);
  XImage* img = XGetImage(v->display, window, 0, 0, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
  XSync(v->display, False);
  XSetErrorHandler(old);
  if (img == nullptr) return false;
  pixels.resize(size_t(width) * size_t(height));
  for (int y = 0; y < height; y++)
    for (int x = 0; x < width; x++) {
      unsigned long p = XGetPixel(img, x, y);
      auto channel = [&](unsigned long mask) {
        int shift = 0;
        while (mask != 0 && (mask & 1) == 0) {
          mask >>= 1;
          shift++;
        }
        return uint32_t((p >> shift) & 0xFF);
      };
      pixels[size_t(y) * size_t(width) + size_t(x)] =
          (channel(img->red_mask) << 16) | (channel(img->green_mask) << 8) | channel(img->blue_mask);
    }
  XDestroyImage(img);
  return true;
}

void pressKey(XView* v, const char* keysym, bool down) {
  KeyCode code = XKeysymToKeycode(v->display, XStringToKeysym(keysym));
  XTestFakeKeyEvent(v->display, code, down ? True : False, CurrentTime);
  XFlush(v->display);
}

void autoRepeatOff(XView* v) {
  XAutoRepeatOff(v->display);
  XSync(v->display, False);
}

void sendDeleteWindow(XView* v, unsigned long window) {
  XEvent e;
  std::memset(&e, 0, sizeof e);
  e.xclient.type = ClientMessage;
  e.xclient.window = window;
  e.xclient.message_type = XInternAtom(v->display, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = long(XInternAtom(v->display, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(v->display, window, False, NoEventMask, &e);
  XFlush(v->display);
}

void killClientOf(XView* v, unsigned long window) {
  XKillClient(v->display, window);
  XSync(v->display, False);
}

void destroyWindowOf(XView* v, unsigned long window) {
  XDestroyWindow(v->display, window);
  XSync(v->display, False);
}

double presentedFrameRate(XView* v, unsigned long window, double seconds) {
  int eventBase = 0, errorBase = 0;
  if (!XDamageQueryExtension(v->display, &eventBase, &errorBase)) return -1;
  // Report only the step from undamaged to damaged; subtracting after each
  // report rearms it, so every swap gives one event.
  Damage damage = XDamageCreate(v->display, window, XDamageReportNonEmpty);
  XSync(v->display, False);
  int frames = 0;
  const double start = nowSeconds();
  while (nowSeconds() - start < seconds) {
    while (XPending(v->display)) {
      XEvent e;
      XNextEvent(v->display, &e);
      if (e.type == eventBase + XDamageNotify) {
        frames++;
        XDamageSubtract(v->display, damage, None, None);
      }
    }
    sleepSeconds(0.0005);
  }
  const double elapsed = nowSeconds() - start;
  XDamageDestroy(v->display, damage);
  XSync(v->display, False);
  return frames / elapsed;
}

bool currentMode(XView* v, int& width, int& height) {
  int eventBase, errorBase;
  if (!XF86VidModeQueryExtension(v->display, &eventBase, &errorBase)) return false;
  int dotClock = 0;
  XF86VidModeModeLine line;
  std::memset(&line, 0, sizeof line);
  if (!XF86VidModeGetModeLine(v->display, DefaultScreen(v->display), &dotClock, &line)) return false;
  if (line.privsize > 0 && line.c_private != nullptr) XFree(line.c_private);
  width = line.hdisplay;
  height = line.vdisplay;
  return true;
}

bool pointerFree(XView* v) {
  int r = XGrabPointer(v->display, DefaultRootWindow(v->display), False, ButtonPressMask, GrabModeAsync, GrabModeAsync,
                       None, None, CurrentTime);
  if (r == GrabSuccess) XUngrabPointer(v->display, CurrentTime);
  XSync(v->display, False);
  return r == GrabSuccess;
}

bool keyboardFree(XView* v) {
  int r = XGrabKeyboard(v->display, DefaultRootWindow(v->display), False, GrabModeAsync, GrabModeAsync, CurrentTime);
  if (r == GrabSuccess) XUngrabKeyboard(v->display, CurrentTime);
  XSync(v->display, False);
  return r == GrabSuccess;
}

// ---- comparing with the headless renderer ----------------------------------------

namespace {
constexpr int FrameW = 1280, FrameH = 720, Block = 16;

// Mean of each 16 x 16 block, per channel: small shifts and noise textures
// average out, the picture's layout does not.
std::vector<float> blockMeans(const uint32_t* px) {
  const int bw = FrameW / Block, bh = FrameH / Block;
  std::vector<float> m(size_t(bw) * bh * 3, 0.0f);
  for (int y = 0; y < FrameH; y++)
    for (int x = 0; x < FrameW; x++) {
      const uint32_t p = px[size_t(y) * FrameW + size_t(x)];
      float* b = &m[(size_t(y / Block) * bw + size_t(x / Block)) * 3];
      b[0] += float((p >> 16) & 0xFF);
      b[1] += float((p >> 8) & 0xFF);
      b[2] += float(p & 0xFF);
    }
  for (float& v : m) v /= float(Block * Block);
  return m;
}
}  // namespace

FrameMatch matchRendered(const std::vector<uint32_t>& shot, const std::vector<int32_t>& times, const std::string& pack,
                         const std::string& dir) {
  FrameMatch best;
  // No shot (the window was gone, or none was taken in time): nothing matches.
  if (shot.size() != size_t(FrameW) * FrameH || times.empty()) return best;
  const std::string timesFile = dir + "/times.txt";
  std::string list;
  for (int32_t t : times) list += std::to_string(t) + "\n";
  writeFile(timesFile, list);
  const std::string bin = harnessBinDir();
  const std::string cmd = "'" + bin + "/morvex-render' --pack '" + pack + "' --times '" + timesFile +
                          "' --no-fade --quiet --raw - 2>'" + dir + "/render.err'";
  FILE* pipe = popen(cmd.c_str(), "r");
  if (pipe == nullptr) return best;
  const std::vector<float> shotMeans = blockMeans(shot.data());
  std::vector<uint32_t> frame(size_t(FrameW) * FrameH);
  best.blockDiff = 1e9;
  std::vector<double> diffs;
  for (size_t i = 0; i < times.size(); i++) {
    if (std::fread(frame.data(), 4, frame.size(), pipe) != frame.size()) break;
    for (uint32_t& p : frame) p &= 0xFFFFFF;
    const std::vector<float> m = blockMeans(frame.data());
    double diff = 0;
    for (size_t k = 0; k < m.size(); k++) diff += std::fabs(double(m[k]) - double(shotMeans[k]));
    diff /= double(m.size());
    diffs.push_back(diff);
    if (diff < best.blockDiff) {
      size_t same = 0;
      for (size_t k = 0; k < frame.size(); k++) same += frame[k] == shot[k];
      best.blockDiff = diff;
      best.time = times[i];
      best.exactShare = double(same) / double(frame.size());
      best.ok = true;
    }
  }
  pclose(pipe);
  best.earliest = best.latest = best.time;
  for (size_t i = 0; i < diffs.size(); i++)
    if (diffs[i] <= best.blockDiff + 0.1) {
      best.earliest = std::min(best.earliest, times[i]);
      best.latest = std::max(best.latest, times[i]);
    }
  if (!best.ok) note("morvex-render gave no frames: " + readFile(dir + "/render.err"));
  return best;
}
