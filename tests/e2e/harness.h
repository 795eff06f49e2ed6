#pragma once
// End-to-end test harness: starts the servers the real program needs (Xvfb,
// Xorg with the dummy driver, a PulseAudio null sink), runs the program as a
// child process in a directory of its own, and looks at it from outside
// through a second X connection (window properties, XGetImage, XTest keys,
// the video mode).
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

// ---- results --------------------------------------------------------------
extern int Failures;
// Prints "ok: what" or "FAIL: what" and counts failures.
bool check(bool condition, const std::string& what);
void note(const std::string& text);  // a figure or a remark, printed as it is
constexpr int SkipStatus = 77;       // CTest's SKIP_RETURN_CODE

// ---- files and processes --------------------------------------------------
std::string harnessBinDir();  // the folder of this test program (build/bin)
std::string makeTempDir(const std::string& tag);
void removeTree(const std::string& dir);
bool pathExists(const std::string& path);
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& text);
void copyFile(const std::string& from, const std::string& to, bool executable = false);
bool commandExists(const std::string& name);
double nowSeconds();  // monotonic
void sleepSeconds(double s);

struct Child {
  pid_t pid = -1;
  bool exited = false;
  int status = -1;  // exit status, or 128 + signal
};
// When set (not -1), children run under this user and group id: the tests run
// as root in CI, and root reads files whatever their permissions.
extern int SpawnAsUser;
// Starts argv[0] (searched in PATH) with extra environment entries ("NAME=value";
// "NAME=" alone removes NAME), in dir, standard output and error to the files.
Child spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& dir,
            const std::string& outFile, const std::string& errFile);
// The same as another user (the test must be root; user 0 means no change).
Child spawnAsUser(uid_t user, gid_t group, const std::vector<std::string>& argv, const std::vector<std::string>& env,
                  const std::string& dir, const std::string& outFile, const std::string& errFile);
// Waits up to timeout seconds; true when the child has ended.
bool waitChild(Child& c, double timeout);
void stopChild(Child& c, int signal = 15, double grace = 3.0);  // then SIGKILL

// ---- servers --------------------------------------------------------------
struct XServer {
  Child process;
  std::string display;  // ":N"
  std::string log;
};
// Xvfb with one screen of size ("WIDTHxHEIGHT") and 24 bits (GLX, no XF86VidMode).
bool startXvfb(XServer& server, const std::string& dir, const std::string& size = "1920x1080");
// Xorg with the dummy video driver and a monitor listing the given modes (the
// first is the desktop mode); needs root.
bool startXorgDummy(XServer& server, const std::string& dir, const std::vector<std::string>& modes);
void stopXServer(XServer& server);

struct AudioServer {
  Child process;
  std::vector<std::string> env;  // what the program needs to reach it
  std::string kind;              // "pulseaudio null sink" or "OpenAL null output"
};
// A PulseAudio server with a null sink (norewinds=1) on a socket in dir; with
// forceNull, or when that cannot be started, OpenAL Soft's null output with a
// 64-sample period instead.
bool startAudio(AudioServer& audio, const std::string& dir, bool forceNull = false);
void stopAudio(AudioServer& audio);

// ---- content ----------------------------------------------------------------
// An MP3 of a stereo 44.1 kHz tone, encoded with LAME (with its Info header).
bool writeToneMp3(const std::string& path, double seconds);

// ---- looking at the program ------------------------------------------------
struct XView;  // a test client connection
XView* openView(const std::string& display);
void closeView(XView* v);
// The top-level window titled title, or 0 after timeout seconds.
unsigned long findWindow(XView* v, const std::string& title, double timeout);
struct WindowFacts {
  bool exists = false;
  int x = 0, y = 0, width = 0, height = 0;
  bool overrideRedirect = false;
  bool mapped = false;
  std::string title;
  bool sizeFixed = false;       // WM_NORMAL_HINTS min = max = the window's size
  bool deleteProtocol = false;  // WM_DELETE_WINDOW registered
};
WindowFacts windowFacts(XView* v, unsigned long window);
// The window's pixels as 0x00RRGGBB, width x height, top row first.
bool screenshot(XView* v, unsigned long window, int width, int height, std::vector<uint32_t>& pixels);
void pressKey(XView* v, const char* keysym, bool down);
void autoRepeatOff(XView* v);
// The window manager's close request, as a window manager sends it.
void sendDeleteWindow(XView* v, unsigned long window);
// What xkill does: the server closes the connection of the window's client.
void killClientOf(XView* v, unsigned long window);
// Another client destroys the window: the program's next request on it fails
// with an X protocol error.
void destroyWindowOf(XView* v, unsigned long window);
// Frames presented per second over the next seconds, counted as damage to
// the window (each buffer swap copies a frame onto it); -1 without XDamage.
double presentedFrameRate(XView* v, unsigned long window, double seconds);
// The current video mode's size (XF86VidMode), false without the extension.
bool currentMode(XView* v, int& width, int& height);
// True when this client can grab the pointer / keyboard (nobody else holds it).
bool pointerFree(XView* v);
bool keyboardFree(XView* v);

// ---- comparing with the headless renderer ----------------------------------
struct FrameMatch {
  bool ok = false;
  int32_t time = 0;       // DemoTime of the best matching renderer frame
  double blockDiff = 0;   // mean |difference| of 16 x 16 block means, 0..255
  double exactShare = 0;  // share of pixels exactly equal to that frame
  // The DemoTimes whose frames match about as well (within 0.1 of the best):
  // where the picture stands still the shot's time is only known to this range.
  int32_t earliest = 0, latest = 0;
};
// Renders the frames at the given DemoTimes with morvex-render and finds the
// one closest to the screenshot.
FrameMatch matchRendered(const std::vector<uint32_t>& shot, const std::vector<int32_t>& times, const std::string& pack,
                         const std::string& dir);
