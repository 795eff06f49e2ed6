// morvex-e2e CASE: the real program against real servers that the test starts
// itself (Xvfb, Xorg with the dummy driver, a PulseAudio null sink), watched
// from a second X connection. Exit status 0 passed, 1 failed, 77 skipped.
//
// Screenshots are compared with what morvex-render draws for candidate
// DemoTimes around the moment the shot was taken. The comparison is loose on
// purpose: the program's clock is the heard music position, so the exact
// DemoTime of the frame on screen is not known from outside, a few effects
// accumulate state per presented frame (texture drift, jitter) and the digit
// field is seeded from the wall clock. What is compared is the mean colour of
// every 16 x 16 block; the best candidate must be close, and its DemoTime is
// taken as the shot's.
#include <signal.h>
#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "data/assets.h"
#include "e2e/harness.h"
#include "e2e/sound_match.h"

namespace {

const std::string WindowTitle = "Morvex 4.0.5m output window";
// Largest mean block difference (0..255) accepted as "the same picture".
constexpr double MatchLimit = 6.0;

std::string PackPath;   // data.dat given to the program and to the renderer
std::string MusicPath;  // the soundtrack, or a generated tone when there is none

// A stand-in pack while the generated content is missing: every asset a
// 64 x 64 grey ramp, so the program can load and start.
void writePlaceholderPack(const std::string& path) {
  std::string pack;
  for (const AssetEntry& e : AssetTable) {
    const std::string name = e.name;
    std::string data(8 + 32 * 64, '\0');
    data[0] = 64;
    data[4] = 64;
    for (int i = 0; i < 32 * 64; i++) data[8 + size_t(i)] = char(((i % 32) / 2) * 0x11);
    pack += char(name.size());
    pack += name;
    const uint32_t size = uint32_t(data.size());
    for (int b = 0; b < 4; b++) pack += char((size >> (8 * b)) & 0xFF);
    pack += data;
  }
  writeFile(path, pack);
}

void prepareContent(const std::string& scratch) {
  const std::string bin = harnessBinDir();
  PackPath = bin + "/data.dat";
  if (!pathExists(PackPath)) {
    PackPath = scratch + "/data.dat";
    writePlaceholderPack(PackPath);
    note("note: no generated data.dat yet; using a placeholder pack");
  }
  MusicPath = bin + "/kaz.mp3";
  if (!pathExists(MusicPath)) {
    MusicPath = scratch + "/tone80.mp3";
    writeToneMp3(MusicPath, 80.0);
    note("note: no generated kaz.mp3 yet; using an 80 s tone");
  }
}

// A folder with the program, the pack and the given music (none when empty).
std::string showFolder(const std::string& dir, const std::string& mp3) {
  const std::string program = dir + "/morvex";
  copyFile(harnessBinDir() + "/morvex", program, true);
  copyFile(PackPath, dir + "/data.dat");
  if (!mp3.empty()) copyFile(mp3, dir + "/kaz.mp3");
  return program;
}

std::vector<std::string> joinEnv(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Child runProgram(const std::string& dir, const std::string& program, const std::vector<std::string>& words,
                 const std::vector<std::string>& env) {
  std::vector<std::string> argv = {program};
  argv.insert(argv.end(), words.begin(), words.end());
  return spawn(argv, env, dir, dir + "/stdout.txt", dir + "/stderr.txt");
}

// Ends the program and reports what it left behind on failure.
void finish(Child& c, const std::string& dir) {
  if (!c.exited) stopChild(c, 9);
  if (Failures > 0) {
    note("--- program stdout:\n" + readFile(dir + "/stdout.txt"));
    note("--- program stderr (tail):\n" + readFile(dir + "/stderr.txt").substr(0, 2000));
    if (pathExists(dir + "/logger.log")) note("--- logger.log:\n" + readFile(dir + "/logger.log"));
  }
}

std::vector<int32_t> timesAround(double estimateMs, double before, double after, int step) {
  std::vector<int32_t> t;
  for (double ms = std::max(0.0, estimateMs - before); ms <= estimateMs + after; ms += step) t.push_back(int32_t(ms));
  return t;
}

FrameMatch matchShot(const std::vector<uint32_t>& shot, const std::vector<int32_t>& times, const std::string& dir,
                     const std::string& what) {
  if (!pathExists(harnessBinDir() + "/morvex-render")) return FrameMatch();
  FrameMatch m = matchRendered(shot, times, PackPath, dir);
  char line[256];
  std::snprintf(line, sizeof line,
                "%s: best renderer frame DemoTime %d (as good: %d to %d), block difference %.2f, exact pixels %.1f%%",
                what.c_str(), m.time, m.earliest, m.latest, m.blockDiff, 100 * m.exactShare);
  note(line);
  return m;
}

double meanBrightness(const std::vector<uint32_t>& shot) {
  double sum = 0;
  for (uint32_t p : shot) sum += ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF);
  return shot.empty() ? 0 : sum / (3.0 * double(shot.size()));
}

bool rendererPresent() { return pathExists(harnessBinDir() + "/morvex-render"); }

// A check that needs the headless renderer; noted, not failed, while it is not built.
void checkWithRenderer(bool condition, const std::string& what) {
  if (!rendererPresent()) {
    note("skipped (no morvex-render built): " + what);
    return;
  }
  check(condition, what);
}

// The program reads Escape as a held key after each frame, so it must be held
// longer than a frame takes on a busy machine.
constexpr double EscapeHold = 1.0;

bool presses(XView* v, const char* key, double hold) {
  pressKey(v, key, true);
  sleepSeconds(hold);
  pressKey(v, key, false);
  return true;
}

// ---- a case's scene -------------------------------------------------------------

enum class Screen { Xvfb, XorgDummy };

// What a case sets up around the program: a temporary folder with the content,
// an X server and an audio server, the program copied into a folder with the
// pack and the music, and a second X connection that watches it.
struct Scene {
  std::string root;     // the temporary folder, removed at the end when every check passed
  std::string dir;      // the program's folder: root unless the setup names another
  std::string program;  // the program's copy in dir (empty when the case places it itself)
  XServer x;
  AudioServer audio;
  XView* view = nullptr;
  std::vector<std::string> env;  // what the program needs to reach both servers
};

struct SceneSetup {
  Screen screen = Screen::Xvfb;
  bool nullAudio = false;          // OpenAL's null output: reachable by any user
  bool program = true;             // copy the program, the pack and the music into dir
  std::string folder = "";         // dir as a path below root (created), empty for root
  std::string size = "1920x1080";  // Xvfb's screen
};

// The temporary folder and the content the program and the renderer use.
void openScene(Scene& s, const std::string& tag) {
  s.root = s.dir = makeTempDir(tag);
  prepareContent(s.root);
}

// Starts the X server (Xvfb, or Xorg with the dummy driver in 1920 x 1080 with
// 1280 x 720 to switch to) and the audio server, places the program and opens
// the view, in that order; false when the X server does not start.
bool startServers(Scene& s, const SceneSetup& setup) {
  const bool up = setup.screen == Screen::Xvfb ? startXvfb(s.x, s.root, setup.size)
                                               : startXorgDummy(s.x, s.root, {"1920x1080", "1280x720"});
  if (!up) return false;
  startAudio(s.audio, s.root, setup.nullAudio);
  s.env = joinEnv(s.audio.env, {"DISPLAY=" + s.x.display});
  if (!setup.folder.empty()) {
    s.dir = s.root + "/" + setup.folder;
    for (size_t at = 0; at != std::string::npos;) {
      at = setup.folder.find('/', at + 1);
      mkdir((s.root + "/" + setup.folder.substr(0, at)).c_str(), 0755);
    }
  }
  if (setup.program) s.program = showFolder(s.dir, MusicPath);
  s.view = openView(s.x.display);
  return true;
}

// Both of the above: false when the X server does not start.
bool startScene(Scene& s, const std::string& tag, const SceneSetup& setup = {}) {
  openScene(s, tag);
  return startServers(s, setup);
}

// The program of the scene with these words on its command line.
Child runShow(Scene& s, const std::vector<std::string>& words) { return runProgram(s.dir, s.program, words, s.env); }

// The program's window, waited for up to a minute (0 when it never came).
unsigned long showWindow(Scene& s) { return findWindow(s.view, WindowTitle, 60.0); }

// A case's status: 0 when every check passed (its folder is then removed), else 1.
int caseStatus(const std::string& root) {
  if (Failures == 0) removeTree(root);
  return Failures == 0 ? 0 : 1;
}

// Closes the view and stops the servers; the case's status.
int endScene(Scene& s) {
  closeView(s.view);
  s.view = nullptr;
  stopAudio(s.audio);
  stopXServer(s.x);
  return caseStatus(s.root);
}

// ---- cases --------------------------------------------------------------------

// Failures before any window: no X server, no or unplayable music, no audio device.
int caseErrors() {
  const std::string root = makeTempDir("errors");
  prepareContent(root);
  AudioServer audio;
  startAudio(audio, root);
  note("audio: " + audio.kind);

  struct Variant {
    std::string name, mp3, expectOut, expectLog;
    std::vector<std::string> env;
    // Replaces a file of the folder by a FIFO or by a sparse file of that size
    // (0: a FIFO); "{dir}" in the expectations stands for the folder.
    std::string replace = "";
    long long size = 0;
  };
  const std::string truncated = root + "/truncated.mp3";
  writeToneMp3(root + "/full.mp3", 4.0);
  const std::string full = readFile(root + "/full.mp3");
  writeFile(truncated, full.substr(0, full.size() * 2 / 3));
  writeFile(root + "/text.mp3", "This is not an MP3 file.\n");
  const std::vector<Variant> variants = {
      {"no DISPLAY", root + "/full.mp3", "", "Could not connect to X server", {"DISPLAY="}},
      {"kaz.mp3 missing", "", "Error(10): Error Loading file", "", {"DISPLAY="}},
      {"kaz.mp3 is a text file", root + "/text.mp3", "Error(11): Error Loading file", "", {"DISPLAY="}},
      {"kaz.mp3 truncated", truncated, "Error(13): Error Loading file", "", {"DISPLAY="}},
      {"no audio device",
       root + "/full.mp3",
       "Error(1): Cant init device",
       "",
       {"DISPLAY=", "ALSOFT_DRIVERS=no-such-driver", "PULSE_SERVER=unix:/nonexistent"}},
      // Files that are no regular files or far too large are refused before
      // anything is read: neither a hang nor an exhausted memory.
      {"kaz.mp3 is a FIFO",
       root + "/full.mp3",
       "Music file {dir}//kaz.mp3 is not a regular file\nError(18): Error Loading file",
       "",
       {"DISPLAY="},
       "kaz.mp3",
       0},
      {"kaz.mp3 is 256 MiB and a byte",
       root + "/full.mp3",
       "Music file {dir}//kaz.mp3 is larger than 256 MiB\nError(19): Error Loading file",
       "",
       {"DISPLAY="},
       "kaz.mp3",
       (256ll << 20) + 1},
      {"data.dat is a FIFO",
       root + "/full.mp3",
       "Data file {dir}//data.dat is not a regular file",
       "Data file {dir}//data.dat is not a regular file",
       {"DISPLAY="},
       "data.dat",
       0},
      {"data.dat is 1 GiB and a byte",
       root + "/full.mp3",
       "Data file {dir}//data.dat is larger than 1 GiB",
       "Data file {dir}//data.dat is larger than 1 GiB",
       {"DISPLAY="},
       "data.dat",
       (1ll << 30) + 1},
  };
  auto inDir = [](std::string text, const std::string& dir) {
    for (size_t at; (at = text.find("{dir}")) != std::string::npos;) text.replace(at, 5, dir);
    return text;
  };
  int n = 0;
  for (const Variant& v : variants) {
    const std::string dir = root + "/case" + std::to_string(n++);
    mkdir(dir.c_str(), 0755);
    const std::string program = showFolder(dir, v.mp3);
    if (!v.replace.empty()) {
      const std::string path = dir + "/" + v.replace;
      std::remove(path.c_str());
      if (v.size == 0) {
        mkfifo(path.c_str(), 0644);
      } else {
        writeFile(path, "");
        if (truncate(path.c_str(), off_t(v.size)) != 0) check(false, v.name + ": set-up");
      }
    }
    Child c = runProgram(dir, program, {"w"}, joinEnv(audio.env, v.env));
    const bool ended = waitChild(c, 60.0);
    check(ended && c.status == 1, v.name + ": exit status 1 (got " + std::to_string(c.status) + ")");
    const std::string out = readFile(dir + "/stdout.txt");
    check(out.rfind("Loading...\n", 0) == 0, v.name + ": \"Loading...\" first on standard output");
    const std::string expectOut = inDir(v.expectOut, dir), expectLog = inDir(v.expectLog, dir);
    if (!expectOut.empty())
      check(out.find("\n" + expectOut + "\n") != std::string::npos,
            v.name + ": standard output has \"" + expectOut + "\"");
    if (!expectLog.empty())
      check(readFile(dir + "/logger.log") == expectLog + "\n",
            v.name + ": logger.log holds exactly \"" + expectLog + "\"");
    else
      check(!pathExists(dir + "/logger.log"), v.name + ": no logger.log (audio failures go to standard output)");
    finish(c, dir);
  }
  stopAudio(audio);
  return caseStatus(root);
}

// In a window under Xvfb: the window, a screenshot against the renderer, the
// space bar freeze, Escape.
int caseWindowed() {
  Scene s;
  if (!startScene(s, "windowed")) return 1;
  note("audio: " + s.audio.kind + ", X: Xvfb " + s.x.display);
  autoRepeatOff(s.view);  // a held key must stay one press

  Child c = runShow(s, {"w"});
  const unsigned long w = showWindow(s);
  const double shown = nowSeconds();
  if (!check(w != 0, "the window \"" + WindowTitle + "\" appears")) {
    finish(c, s.dir);
    return endScene(s);
  }
  const WindowFacts f = windowFacts(s.view, w);
  check(f.width == 1280 && f.height == 720, "the window is 1280 x 720");
  check(f.x == 320 && f.y == 180, "it is centred on the 1920 x 1080 screen at (320, 180)");
  check(!f.overrideRedirect, "in a window it is left to the window manager (no override-redirect)");
  check(f.sizeFixed, "its size hints fix the size (minimum = maximum = 1280 x 720)");
  check(f.deleteProtocol, "it takes the window manager's close request (WM_DELETE_WINDOW)");
  check(readFile(s.dir + "/stdout.txt").rfind("Loading...\n", 0) == 0, "\"Loading...\" on standard output");

  // Shots at planned moments; they are compared with the renderer at the end,
  // since rendering the candidates takes a while. The program's DemoTime runs
  // somewhat behind the time since the window appeared (start-up, latency).
  auto waitUntil = [&](double t) { sleepSeconds(std::max(0.0, t - (nowSeconds() - shown))); };
  std::vector<uint32_t> first, frozenA, frozenB, after;
  waitUntil(1.5);
  const double blackRate = presentedFrameRate(s.view, w, 2.5);
  note("presented frame rate under Xvfb, black frames before the titles: " + std::to_string(int(blackRate)) +
       " per second");
  check(blackRate > 0, "frames keep coming (the rate is a figure, not a limit)");
  waitUntil(6.2);
  const double at = nowSeconds() - shown;
  check(screenshot(s.view, w, 1280, 720, first), "a screenshot can be taken");

  waitUntil(7.0);
  const double titleRate = presentedFrameRate(s.view, w, 3.0);
  note("presented frame rate under Xvfb, title words (blurred): " + std::to_string(int(titleRate)) + " per second");

  // Holding space during the last title words: the same picture, again and
  // again, while the music goes on into the logo (from 16961 ms).
  waitUntil(14.0);
  pressKey(s.view, "space", true);
  // The frame being drawn when the key went down is still presented: on a
  // busy machine that can take a while.
  sleepSeconds(1.5);
  screenshot(s.view, w, 1280, 720, frozenA);
  sleepSeconds(2.0);
  screenshot(s.view, w, 1280, 720, frozenB);
  waitUntil(19.5);
  pressKey(s.view, "space", false);
  sleepSeconds(0.6);
  screenshot(s.view, w, 1280, 720, after);
  check(frozenA == frozenB, "holding space freezes the picture (two shots 2 s apart are identical)");
  check(frozenA != after, "releasing space lets the picture move again");

  // Escape ends the show at once.
  const double esc = nowSeconds();
  presses(s.view, "Escape", EscapeHold);
  const bool ended = waitChild(c, 5.0);
  check(ended && c.status == 0, "Escape ends the program with status 0 (got " + std::to_string(c.status) + ")");
  note("Escape to exit: " + std::to_string(int((nowSeconds() - esc) * 1000)) +
       " ms (key held 1 s, 200 ms music fade and what was mixed ahead)");
  check(!pathExists(s.dir + "/logger.log"), "no logger.log after a normal end");
  check(findWindow(s.view, WindowTitle, 0.2) == 0, "the window is gone");

  FrameMatch m = matchShot(first, timesAround(at * 1000, 2000, 400, 20), s.dir,
                           "shot at " + std::to_string(int(at * 1000)) + " ms");
  checkWithRenderer(m.ok && m.blockDiff <= MatchLimit,
                    "the screenshot shows what the headless renderer draws for that time");
  std::vector<int32_t> titles, later;
  for (int32_t t = 10000; t <= 16950; t += 25) titles.push_back(t);
  for (int32_t t = 12000; t <= 23000; t += 50) later.push_back(t);
  FrameMatch mA = matchShot(frozenA, titles, s.dir, "frozen shot");
  FrameMatch mC = matchShot(after, later, s.dir, "shot after release");
  checkWithRenderer(mA.ok && mA.blockDiff <= MatchLimit && mA.latest < 16961,
                    "the frozen picture is a frame of the title words");
  checkWithRenderer(mC.ok && mC.blockDiff <= MatchLimit && mC.earliest >= 16961,
                    "after release the picture is that of the music's position (the logo): the clock ran on");
  finish(c, s.dir);
  return endScene(s);
}

// The window manager's close button and SIGINT end the show like Escape;
// without "w" Xvfb's missing video-mode extension is fatal.
int caseCloseAndSignals() {
  Scene s;
  if (!startScene(s, "close")) return 1;

  for (const std::string how : {"close button", "SIGINT", "SIGTERM"}) {
    Child c = runShow(s, {"w", "l"});
    const unsigned long w = showWindow(s);
    check(w != 0, how + ": the window appears");
    sleepSeconds(1.0);
    if (how == "close button")
      sendDeleteWindow(s.view, w);
    else
      kill(c.pid, how == "SIGINT" ? SIGINT : SIGTERM);
    const bool ended = waitChild(c, 5.0);
    check(ended && c.status == 0, how + " ends the show (even with \"l\") through the normal shutdown, status 0 (got " +
                                      std::to_string(c.status) + ")");
    check(!pathExists(s.dir + "/logger.log"), how + ": no logger.log");
    check(keyboardFree(s.view), how + ": the keyboard grab is released");
    finish(c, s.dir);
  }

  {
    // In a window a second signal ends the program at once.
    Child c = runShow(s, {"w"});
    check(showWindow(s) != 0, "two SIGINTs: the window appears");
    sleepSeconds(0.5);
    kill(c.pid, SIGINT);
    kill(c.pid, SIGINT);
    const bool ended = waitChild(c, 5.0);
    check(ended && (c.status == 0 || c.status == 128 + SIGINT),
          "two SIGINTs in a window: the program ends promptly (status " + std::to_string(c.status) + ")");
    finish(c, s.dir);
  }

  Child c = runShow(s, {});
  const bool ended = waitChild(c, 60.0);
  check(ended && c.status == 1, "fullscreen under Xvfb: status 1 (got " + std::to_string(c.status) + ")");
  check(readFile(s.dir + "/logger.log") == "no XF86VidMode Extention found!\n",
        "fullscreen under Xvfb: the log holds \"no XF86VidMode Extention found!\"");
  finish(c, s.dir);
  return endScene(s);
}

// What ./demo says after the program ended with status (tools/explain-failure.sh
// in the program's folder, with its standard output).
std::string demoAdvice(const std::string& dir, int status) {
  Child c = spawn({"bash", std::string(MORVEX_SOURCE_DIR) + "/tools/explain-failure.sh", std::to_string(status),
                   dir + "/stdout.txt"},
                  {}, dir, dir + "/advice.txt", dir + "/advice.err");
  if (!waitChild(c, 30.0)) stopChild(c, 9);
  const std::string advice = readFile(dir + "/advice.txt");
  note("./demo's advice:" + advice);
  return advice;
}

// Scaled fullscreen ("s") under Xvfb, which has no video modes to switch: a
// managed window covering the screen, the frame scaled by the largest whole
// factor (1 on 1920 x 1080, centred on black; 3 on 3840 x 2160), every pixel a
// square block of the renderer's pixel; keyboard and pointer captured as in
// fullscreen, and Escape ends with status 0, both released.
int caseScaled() {
  struct Size {
    int width, height, factor;
  };
  for (const Size size : {Size{1920, 1080, 1}, Size{3840, 2160, 3}}) {
    const std::string at = std::to_string(size.width) + " x " + std::to_string(size.height);
    Scene s;
    if (!startScene(s, "scaled", {.size = std::to_string(size.width) + "x" + std::to_string(size.height)})) return 1;
    Child c = runShow(s, {"s"});
    const unsigned long w = showWindow(s);
    const double shown = nowSeconds();
    if (!check(w != 0, at + ": the window appears")) {
      finish(c, s.dir);
      return endScene(s);
    }
    const WindowFacts f = windowFacts(s.view, w);
    check(f.x == 0 && f.y == 0 && f.width == size.width && f.height == size.height,
          at + ": the window covers the screen (" + std::to_string(f.width) + " x " + std::to_string(f.height) +
              " at " + std::to_string(f.x) + ", " + std::to_string(f.y) + ")");
    check(!f.overrideRedirect && !f.sizeFixed, at + ": managed by the window manager and not of a fixed size");
    check(!keyboardFree(s.view) && !pointerFree(s.view), at + ": keyboard and pointer are captured");
    const double rate = presentedFrameRate(s.view, w, 2.0);
    note(at + ": presented frames per second under Xvfb " + std::to_string(rate));

    // The frame's place, each of its pixels a block of factor x factor, the
    // rest black. Shots from 8 s on until one shows title letters (between
    // words the screen is black, and a slow frame at 4K on a busy machine lags).
    const int k = size.factor, left = (size.width - 1280 * k) / 2, top = (size.height - 720 * k) / 2;
    std::vector<uint32_t> shot, frame(size_t(1280) * 720);
    bool taken = false, blocks = false, border = false;
    double shotAt = 0;
    for (int attempt = 0; attempt < 24 && !(taken && meanBrightness(frame) > 2.0); ++attempt) {
      sleepSeconds(std::max(0.0, 8.0 + 0.5 * attempt - (nowSeconds() - shown)));
      shotAt = nowSeconds() - shown;
      taken = screenshot(s.view, w, size.width, size.height, shot) &&
              shot.size() == size_t(size.width) * size_t(size.height);
      blocks = border = taken;
      for (int y = 0; blocks && y < 720 * k; ++y)
        for (int x = 0; x < 1280 * k; ++x) {
          const uint32_t p = shot[size_t(top + y) * size_t(size.width) + size_t(left + x)];
          uint32_t& q = frame[size_t(y / k) * 1280 + size_t(x / k)];
          if (x % k == 0 && y % k == 0) q = p;
          blocks = blocks && p == q;
        }
      for (int y = 0; border && y < size.height; ++y)
        for (int x = 0; x < size.width; ++x) {
          const bool inside = x >= left && x < left + 1280 * k && y >= top && y < top + 720 * k;
          if (!inside && shot[size_t(y) * size_t(size.width) + size_t(x)] != 0) border = false;
        }
    }
    check(taken, at + ": a screenshot of the whole window");
    check(blocks, at + ": every frame pixel is a uniform " + std::to_string(k) + " x " + std::to_string(k) +
                      " block at (" + std::to_string(left) + ", " + std::to_string(top) + ")");
    check(border, at + ": black all around the frame");
    note(at + ": mean brightness of the frame " + std::to_string(meanBrightness(frame)));
    check(meanBrightness(frame) > 2.0, at + ": a frame of the title words (not black) by 20 s");

    const double esc = nowSeconds();
    presses(s.view, "Escape", EscapeHold);
    const bool ended = waitChild(c, 5.0);
    check(ended && c.status == 0,
          at + ": Escape ends the program with status 0 (got " + std::to_string(c.status) + ")");
    note(at + ": Escape to exit " + std::to_string(int((nowSeconds() - esc) * 1000)) + " ms");
    check(keyboardFree(s.view) && pointerFree(s.view), at + ": keyboard and pointer are released");

    FrameMatch m =
        matchShot(frame, timesAround(shotAt * 1000, 5000, 400, 20), s.dir,
                  at + ": shot at " + std::to_string(int(shotAt * 1000)) + " ms, scaled back by " + std::to_string(k));
    checkWithRenderer(
        m.ok && m.blockDiff <= MatchLimit,
        at + ": the frame is what the headless renderer draws for that time, scaled by " + std::to_string(k));
    finish(c, s.dir);
    if (endScene(s) != 0) return 1;
  }
  return 0;
}

bool needRootForXorg() {
  if (getuid() != 0 || !commandExists("Xorg") || !pathExists("/usr/lib/xorg/modules/drivers/dummy_drv.so")) {
    note("skipped: Xorg with the dummy driver needs root and the xserver-xorg-video-dummy package");
    return false;
  }
  return true;
}

// Fullscreen under Xorg with the dummy driver: the mode switch and its restore
// after Escape, SIGTERM, the close request and a connection killed by another
// client (xkill); no 1280 x 720 mode is fatal.
int caseFullscreen() {
  if (!needRootForXorg()) return SkipStatus;
  Scene s;
  if (!startScene(s, "fullscreen", {.screen = Screen::XorgDummy})) return 1;
  int mw = 0, mh = 0;
  check(currentMode(s.view, mw, mh) && mw == 1920 && mh == 1080, "the desktop starts in 1920 x 1080");

  for (const std::string how : {"Escape", "SIGTERM", "two SIGTERMs", "close request", "killed connection"}) {
    Child c = runShow(s, {});
    const unsigned long w = showWindow(s);
    check(w != 0, how + ": the window appears");
    sleepSeconds(1.5);
    const WindowFacts f = windowFacts(s.view, w);
    check(f.x == 0 && f.y == 0 && f.width == 1280 && f.height == 720 && f.overrideRedirect,
          how + ": 1280 x 720 at (0, 0), override-redirect");
    bool known = currentMode(s.view, mw, mh);
    check(known && mw == 1280 && mh == 720,
          how + ": the mode is 1280 x 720 during the show (" + std::to_string(mw) + "x" + std::to_string(mh) + ")");
    check(!pointerFree(s.view), how + ": the pointer is captured");
    if (how == "Escape")
      presses(s.view, "Escape", EscapeHold);
    else if (how == "SIGTERM")
      kill(c.pid, SIGTERM);
    else if (how == "two SIGTERMs") {
      kill(c.pid, SIGTERM);
      kill(c.pid, SIGTERM);  // impatient: in fullscreen it must still restore the mode
    } else if (how == "close request")
      sendDeleteWindow(s.view, w);
    else
      killClientOf(s.view, w);
    const bool ended = waitChild(c, 5.0);
    // A lost connection is an error (status 1), the rest are normal ends.
    const int expected = how == "killed connection" ? 1 : 0;
    check(ended && c.status == expected,
          how + ": status " + std::to_string(expected) + " (got " + std::to_string(c.status) + ")");
    known = currentMode(s.view, mw, mh);
    check(known && mw == 1920 && mh == 1080,
          how + ": the mode is 1920 x 1080 again (" + std::to_string(mw) + "x" + std::to_string(mh) + ")");
    check(pointerFree(s.view) && keyboardFree(s.view), how + ": pointer and keyboard are released");
    finish(c, s.dir);
  }
  closeView(s.view);
  s.view = nullptr;
  stopXServer(s.x);

  // A monitor without a 1280 x 720 mode.
  XServer only;
  if (startXorgDummy(only, s.dir, {"1920x1080"})) {
    XView* v2 = openView(only.display);
    Child c = runProgram(s.dir, s.program, {}, joinEnv(s.audio.env, {"DISPLAY=" + only.display}));
    const bool ended = waitChild(c, 60.0);
    check(ended && c.status == 1, "only 1920 x 1080: status 1 (got " + std::to_string(c.status) + ")");
    check(readFile(s.dir + "/logger.log") == "No best mode found!\n",
          "only 1920 x 1080: the log holds \"No best mode found!\"");
    check(currentMode(v2, mw, mh) && mw == 1920 && mh == 1080, "only 1920 x 1080: the mode is untouched");
    const std::string advice = demoAdvice(s.dir, c.status);
    check(advice.find("./demo s") != std::string::npos,
          "only 1920 x 1080: ./demo's advice names the scaled fullscreen \"./demo s\"");
    finish(c, s.dir);

    // The scaled fullscreen needs no such mode: it covers the desktop in its own.
    Child scaled = runProgram(s.dir, s.program, {"s"}, joinEnv(s.audio.env, {"DISPLAY=" + only.display}));
    const unsigned long w = findWindow(v2, WindowTitle, 60.0);
    sleepSeconds(1.5);
    const WindowFacts f = windowFacts(v2, w);
    check(w != 0 && f.x == 0 && f.y == 0 && f.width == 1920 && f.height == 1080 && !f.overrideRedirect,
          "only 1920 x 1080, \"s\": a managed 1920 x 1080 window at (0, 0)");
    check(currentMode(v2, mw, mh) && mw == 1920 && mh == 1080, "only 1920 x 1080, \"s\": no mode switch");
    check(!pointerFree(v2) && !keyboardFree(v2), "only 1920 x 1080, \"s\": pointer and keyboard are captured");
    presses(v2, "Escape", EscapeHold);
    const bool scaledEnded = waitChild(scaled, 5.0);
    check(scaledEnded && scaled.status == 0,
          "only 1920 x 1080, \"s\": Escape ends with status 0 (got " + std::to_string(scaled.status) + ")");
    check(pointerFree(v2) && keyboardFree(v2), "only 1920 x 1080, \"s\": pointer and keyboard are released");
    finish(scaled, s.dir);
    closeView(v2);
    stopXServer(only);
  } else {
    check(false, "a second Xorg with one mode starts");
  }
  return endScene(s);
}

// Fullscreen under Xorg with the dummy driver, ended in the ways a show can
// be ended besides Escape: every catchable signal that would end the process
// (the terminal closed, Ctrl-\\, kill -USR1, a broken pipe, a timer) goes
// through the normal shutdown (status 0); a crash restores the mode and still
// ends by its signal (status 128 + signal); an X protocol error (another client
// destroys the window) restores it and ends with status 1. After each, the
// desktop is back in its mode with pointer and keyboard free.
int caseFullscreenEnds(bool crashes) {
  if (!needRootForXorg()) return SkipStatus;
  Scene s;
  if (!startScene(s, crashes ? "crashes" : "stops", {.screen = Screen::XorgDummy})) return 1;

  struct End {
    std::string name;
    int signal;  // 0: the window is destroyed by another client
    int status;
  };
  const std::vector<End> ends =
      crashes ? std::vector<End>{{"SIGSEGV", SIGSEGV, 128 + SIGSEGV},
                                 {"SIGABRT", SIGABRT, 128 + SIGABRT},
                                 {"SIGBUS", SIGBUS, 128 + SIGBUS},
                                 {"X protocol error", 0, 1}}
              : std::vector<End>{{"SIGHUP", SIGHUP, 0},   {"SIGQUIT", SIGQUIT, 0}, {"SIGUSR1", SIGUSR1, 0},
                                 {"SIGUSR2", SIGUSR2, 0}, {"SIGPIPE", SIGPIPE, 0}, {"SIGALRM", SIGALRM, 0}};
  for (const End& e : ends) {
    Child c = runShow(s, {});
    const unsigned long w = showWindow(s);
    check(w != 0, e.name + ": the window appears");
    sleepSeconds(1.0);
    int mw = 0, mh = 0;
    check(currentMode(s.view, mw, mh) && mw == 1280 && mh == 720, e.name + ": the mode is 1280 x 720 during the show");
    if (e.signal != 0)
      kill(c.pid, e.signal);
    else
      destroyWindowOf(s.view, w);
    const bool ended = waitChild(c, 10.0);
    check(ended && c.status == e.status,
          e.name + ": status " + std::to_string(e.status) + " (got " + std::to_string(c.status) + ")");
    const bool known = currentMode(s.view, mw, mh);
    check(known && mw == 1920 && mh == 1080,
          e.name + ": the mode is 1920 x 1080 again (" + std::to_string(mw) + "x" + std::to_string(mh) + ")");
    check(pointerFree(s.view) && keyboardFree(s.view), e.name + ": pointer and keyboard are released");
    if (e.signal == 0)
      check(readFile(s.dir + "/stderr.txt").find("X Error of failed request") != std::string::npos,
            e.name + ": Xlib's report of the error on standard error");
    finish(c, s.dir);
  }
  return endScene(s);
}

// The program in a folder it cannot write, as a user without root's powers
// (nobody when the test runs as root), with an old logger.log there: the log
// is a convenience, so the show still runs (Escape ends it, status 0) and says
// on standard error that the old log stays; with a truncated data.dat the real
// reason still reaches the user, on standard output and standard error.
int caseReadOnlyFolder() {
  Scene s;
  // Each variant places the program in a folder of its own.
  if (!startScene(s, "readonly", {.nullAudio = true, .program = false})) return 1;
  const std::string& root = s.root;
  chmod(root.c_str(), 0755);
  const uid_t user = getuid() == 0 ? 65534 : 0;
  const gid_t group = getuid() == 0 ? 65534 : 0;
  note(user != 0 ? "running as user 65534 (nobody)" : "running as this user");
  const std::vector<std::string> env = joinEnv(s.env, {"HOME=" + root});

  struct Variant {
    std::string name;
    bool truncated;
  };
  int n = 0;
  for (const Variant& variant : {Variant{"intact pack", false}, Variant{"truncated data.dat", true}}) {
    const std::string dir = root + "/folder" + std::to_string(n++);
    mkdir(dir.c_str(), 0755);
    const std::string program = showFolder(dir, MusicPath);
    if (variant.truncated) writeFile(dir + "/data.dat", readFile(PackPath).substr(0, 100));
    writeFile(dir + "/logger.log", "a line of an earlier run\n");
    chmod(dir.c_str(), 0555);
    const std::string out = root + "/" + variant.name + ".out", err = root + "/" + variant.name + ".err";
    Child c = spawnAsUser(user, group, {program, "w"}, env, dir, out, err);
    if (!variant.truncated) {
      const unsigned long w = findWindow(s.view, WindowTitle, 60.0);
      check(w != 0, variant.name + ": the show runs (its window appears)");
      sleepSeconds(1.0);
      presses(s.view, "Escape", 0.3);
    }
    const bool ended = waitChild(c, variant.truncated ? 60.0 : 10.0);
    const int expected = variant.truncated ? 1 : 0;
    check(ended && c.status == expected,
          variant.name + ": status " + std::to_string(expected) + " (got " + std::to_string(c.status) + ")");
    const std::string stdoutText = readFile(out), stderrText = readFile(err);
    check(stderrText.rfind("Unable to remove the old logger.log: Permission denied\n", 0) == 0,
          variant.name + ": standard error says the old log stays");
    check(readFile(dir + "/logger.log") == "a line of an earlier run\n", variant.name + ": the old log is untouched");
    if (variant.truncated) {
      const std::string reason = "Error reading file minus.img\n";
      check(stdoutText == "Loading...\n" + reason, variant.name + ": standard output has the real reason");
      check(stderrText.find(reason + "Unable to write logger.log: Permission denied\n") != std::string::npos,
            variant.name + ": standard error has it too, with why the log could not take it");
    }
    if (Failures > 0) note("--- stdout:\n" + stdoutText + "--- stderr:\n" + stderrText);
    if (!c.exited) stopChild(c, 9);
    chmod(dir.c_str(), 0755);
  }
  return endScene(s);
}

// The guardian processes ("morvex-guardian") serving the given display.
std::vector<int> guardiansOf(const std::string& display) {
  std::vector<int> found;
  DIR* proc = opendir("/proc");
  if (proc == nullptr) return found;
  while (dirent* e = readdir(proc)) {
    const int pid = std::atoi(e->d_name);
    if (pid <= 0) continue;
    const std::string base = std::string("/proc/") + e->d_name;
    if (readFile(base + "/comm") != "morvex-guardian\n") continue;
    const std::string env = readFile(base + "/environ");
    if (env.find(std::string("DISPLAY=") + display + '\0') != std::string::npos) found.push_back(pid);
  }
  closedir(proc);
  return found;
}

// Seconds until the mode is width x height, polled every 5 ms; -1 after timeout.
double secondsUntilMode(XView* v, int width, int height, double timeout) {
  const double start = nowSeconds();
  int mw = 0, mh = 0;
  while (nowSeconds() - start < timeout) {
    if (currentMode(v, mw, mh) && mw == width && mh == height) return nowSeconds() - start;
    sleepSeconds(0.005);
  }
  return -1;
}

// Fullscreen shows that die without any shutdown of their own (SIGKILL, a crash,
// an abort): the guardian gives the desktop its mode back within a second. After
// a normal end it leaves quietly; in a window there is none.
int caseGuardian() {
  if (!needRootForXorg()) return SkipStatus;
  Scene s;
  if (!startScene(s, "guardian", {.screen = Screen::XorgDummy})) return 1;
  const XServer& x = s.x;
  // No core files: the figure is the guardian's, not the time a dump takes.
  struct rlimit noCore = {0, 0};
  setrlimit(RLIMIT_CORE, &noCore);

  struct Ending {
    std::string how;
    int signal;  // 0: Escape
  };
  for (const Ending& e :
       {Ending{"SIGKILL", SIGKILL}, Ending{"SIGSEGV", SIGSEGV}, Ending{"SIGABRT", SIGABRT}, Ending{"Escape", 0}}) {
    Child c = runShow(s, {});
    const unsigned long w = showWindow(s);
    check(w != 0, e.how + ": the window appears");
    const double switched = secondsUntilMode(s.view, 1280, 720, 10.0);
    check(switched >= 0, e.how + ": the mode is 1280 x 720 during the show");
    sleepSeconds(1.0);
    check(guardiansOf(x.display).size() == 1, e.how + ": one guardian watches the fullscreen show");
    if (e.signal != 0)
      kill(c.pid, e.signal);
    else
      presses(s.view, "Escape", 0.3);
    // Both moments: when the process was gone, and when the mode was back.
    const double sent = nowSeconds();
    double back = -1, gone = -1;
    int mw = 0, mh = 0;
    while (nowSeconds() - sent < 10.0 && (back < 0 || gone < 0)) {
      if (gone < 0 && waitChild(c, 0)) gone = nowSeconds() - sent;
      if (back < 0 && currentMode(s.view, mw, mh) && mw == 1920 && mh == 1080) back = nowSeconds() - sent;
      sleepSeconds(0.005);
    }
    const bool ended = waitChild(c, 5.0);
    char figure[200];
    std::snprintf(figure, sizeof figure, "%s: desktop mode back %.0f ms after the %s (process gone after %.0f ms)",
                  e.how.c_str(), back * 1000, e.signal != 0 ? "signal" : "key press", gone * 1000);
    note(figure);
    const int expected = e.signal != 0 ? 128 + e.signal : 0;
    check(ended && c.status == expected,
          e.how + ": status " + std::to_string(expected) + " (got " + std::to_string(c.status) + ")");
    // The kernel's teardown of the dead process is not the guardian's: on a
    // loaded machine it alone can take seconds, so the second counts from the
    // moment the process was gone (the guardian wakes when its sockets close).
    check(back >= 0 && back <= std::max(gone, 0.0) + 1.0,
          e.how + ": the mode is 1920 x 1080 again within 1 s of the process's end");
    bool left = false;
    for (int i = 0; i < 100 && !left; i++) {
      left = guardiansOf(x.display).empty();
      if (!left) sleepSeconds(0.01);
    }
    check(left, e.how + ": the guardian has left");
    // The server gives up the grabs of a client that is gone, and the guardian
    // holds none of its own.
    check(pointerFree(s.view) && keyboardFree(s.view), e.how + ": pointer and keyboard are free");
    finish(c, s.dir);
  }

  Child c = runShow(s, {"w"});
  check(showWindow(s) != 0, "in a window: the window appears");
  sleepSeconds(1.0);
  check(guardiansOf(x.display).empty(), "in a window: no guardian");
  stopChild(c, SIGKILL);
  finish(c, s.dir);
  return endScene(s);
}

// ---- hostile files ---------------------------------------------------------------

// A WAV file of a 2 s tone: what a user might rename to kaz.mp3.
void writeToneWav(const std::string& path) {
  const uint32_t frames = 2 * 44100, bytes = frames * 4;
  std::string wav = "RIFF";
  auto le32 = [&](uint32_t v) {
    for (int b = 0; b < 4; b++) wav += char((v >> (8 * b)) & 0xFF);
  };
  auto le16 = [&](uint16_t v) {
    wav += char(v & 0xFF);
    wav += char(v >> 8);
  };
  le32(36 + bytes);
  wav += "WAVEfmt ";
  le32(16);
  le16(1);
  le16(2);
  le32(44100);
  le32(44100 * 4);
  le16(4);
  le16(16);
  wav += "data";
  le32(bytes);
  for (uint32_t i = 0; i < frames; i++) {
    const int16_t v = int16_t(8000 * std::sin(2 * M_PI * 440.0 * i / 44100.0));
    le16(uint16_t(v));
    le16(uint16_t(v));
  }
  writeFile(path, wav);
}

// The MP3 behind an ID3v2.4 tag of the given size (padding), as tagging tools
// write when they embed a large cover picture.
void writeWithHugeTag(const std::string& mp3, const std::string& path, uint32_t tagBytes) {
  std::string tag = "ID3";
  tag += char(4);
  tag += char(0);
  tag += char(0);
  for (int shift = 21; shift >= 0; shift -= 7) tag += char((tagBytes >> shift) & 0x7F);  // sync-safe size
  tag += std::string(tagBytes, '\0');
  writeFile(path, tag + readFile(mp3));
}

// Rewrites a file over and over while the program reads it: growing (appends
// to it) or shrinking (cut to a quarter, then written whole again).
struct FileChurn {
  std::atomic<bool> stop{false};
  std::thread worker;
  void start(const std::string& path, bool grow) {
    const std::string whole = readFile(path);
    worker = std::thread([this, path, grow, whole] {
      const std::string junk(1 << 16, '\x5A');
      while (!stop) {
        if (grow) {
          FILE* f = std::fopen(path.c_str(), "ab");
          if (f == nullptr) return;
          for (int i = 0; i < 16 && !stop; i++) std::fwrite(junk.data(), 1, junk.size(), f);
          std::fclose(f);
        } else {
          if (truncate(path.c_str(), off_t(whole.size() / 4)) != 0) return;
          writeFile(path, whole);
        }
      }
    });
  }
  ~FileChurn() {
    stop = true;
    if (worker.joinable()) worker.join();
  }
};

// Files a user can drop in place of the pack or the music: each ends the
// program with status 1 and a message (on standard output or in the log), in
// bounded time, never through a signal; or it loads, and the program goes on
// to the window (absent here: "Could not connect to X server").
int caseHostileFiles() {
  const std::string root = makeTempDir("hostile");
  chmod(root.c_str(), 0755);
  prepareContent(root);
  AudioServer audio;
  startAudio(audio, root, true);  // OpenAL's null output: reachable by any user
  writeToneMp3(root + "/one.mp3", 1.0);
  writeToneMp3(root + "/ten-minutes.mp3", 600.0);
  writeWithHugeTag(root + "/one.mp3", root + "/tagged.mp3", 48u << 20);
  writeToneWav(root + "/tone.wav");
  const std::string reachedX = "Could not connect to X server";

  struct Variant {
    std::string name;
    std::function<void(const std::string& dir)> prepare;  // after the folder is set up
    // 1: the files load and the program gets as far as X; 0: refused; 2: either;
    // 3: as far as X, whose message cannot be logged
    int loads;
    bool asNobody = false;
    std::string mp3 = "";  // instead of the soundtrack
    int churn = 0;         // 1: data.dat grows while read, 2: it shrinks, 3: kaz.mp3 grows
  };
  auto replaceWithFolder = [](const std::string& path) {
    unlink(path.c_str());
    mkdir(path.c_str(), 0755);
  };
  const std::vector<Variant> variants = {
      {"data.dat is a folder", [&](const std::string& d) { replaceWithFolder(d + "/data.dat"); }, 0},
      {"kaz.mp3 is a folder", [&](const std::string& d) { replaceWithFolder(d + "/kaz.mp3"); }, 0},
      {"data.dat is a named pipe nobody writes",
       [&](const std::string& d) {
         unlink((d + "/data.dat").c_str());
         mkfifo((d + "/data.dat").c_str(), 0644);
       },
       0},
      {"data.dat cannot be read", [&](const std::string& d) { chmod((d + "/data.dat").c_str(), 0); }, 0, true},
      {"kaz.mp3 cannot be read", [&](const std::string& d) { chmod((d + "/kaz.mp3").c_str(), 0); }, 0, true},
      {"data.dat of 4 GiB",
       [&](const std::string& d) {
         const std::string pack = d + "/data.dat";
         if (truncate(pack.c_str(), (off_t(1) << 32) + 4096) != 0) note("could not make a 4 GiB sparse file");
       },
       0},
      {"a WAV file renamed kaz.mp3", [&](const std::string& d) { copyFile(root + "/tone.wav", d + "/kaz.mp3"); }, 0},
      // A file rewritten while it is read is either read whole or refused with
      // the reason, depending on where the writer is when the reader gets there.
      {"data.dat grows while read", nullptr, 2, false, "", 1},
      {"data.dat shrinks while read", nullptr, 2, false, "", 2},
      {"kaz.mp3 grows while read", nullptr, 2, false, "", 3},
      {"an MP3 of 1 s", nullptr, 1, false, root + "/one.mp3"},
      {"an MP3 of 10 minutes", nullptr, 1, false, root + "/ten-minutes.mp3"},
      {"an MP3 behind a 48 MiB ID3 tag", nullptr, 1, false, root + "/tagged.mp3"},
      // The folder belongs to root and the program runs as another user: the
      // log of the failure at the window cannot be written.
      {"the current folder not writable for the log",
       [&](const std::string& d) {
         writeFile(d + "/stdout.txt", "");
         writeFile(d + "/stderr.txt", "");
         chmod(d.c_str(), getuid() == 0 ? 0755 : 0555);
       },
       3, true},
  };
  int n = 0;
  for (const Variant& v : variants) {
    const std::string dir = root + "/case" + std::to_string(n++);
    mkdir(dir.c_str(), 0777);
    chmod(dir.c_str(), 0777);
    const std::string program = showFolder(dir, v.mp3.empty() ? MusicPath : v.mp3);
    if (v.prepare) v.prepare(dir);
    FileChurn churn;
    if (v.churn != 0) churn.start(dir + (v.churn == 3 ? "/kaz.mp3" : "/data.dat"), v.churn != 2);
    if (v.asNobody && getuid() == 0) SpawnAsUser = 65534;
    const double start = nowSeconds();
    Child c = runProgram(dir, program, {"w"}, joinEnv(audio.env, {"DISPLAY="}));
    SpawnAsUser = -1;
    const bool ended = waitChild(c, 60.0);
    churn.stop = true;
    char took[64];
    std::snprintf(took, sizeof took, " (%.1f s)", nowSeconds() - start);
    check(ended, v.name + ": the program ends by itself" + took);
    check(ended && c.status == 1, v.name + ": status 1 (got " + std::to_string(c.status) + ")");
    const std::string out = readFile(dir + "/stdout.txt"), log = readFile(dir + "/logger.log");
    const std::string said = out.substr(std::min(out.size(), std::string("Loading...\n").size())) + log;
    note(v.name + ": says " + (said.empty() ? std::string("nothing") : said.substr(0, said.find('\n'))));
    if (v.loads == 1) {
      check(log == reachedX + "\n", v.name + ": loads, and the program goes on as far as the window");
    } else if (v.loads == 3) {
      const std::string err = readFile(dir + "/stderr.txt");
      check(!pathExists(dir + "/logger.log") && err.find(reachedX) != std::string::npos,
            v.name + ": the message goes to standard error instead (\"" + err.substr(0, err.find('\n')) + "\")");
    } else if (v.loads == 2) {
      check(!said.empty(), v.name + ": loads (as far as the window) or says why not");
    } else {
      check(!said.empty() && said.find(reachedX) == std::string::npos,
            v.name + ": one message on standard output or in the log, before the window");
    }
    finish(c, dir);
  }
  stopAudio(audio);
  return caseStatus(root);
}

// The install folder's path with spaces and letters outside ASCII: the program
// finds its pack and music beside itself and plays.
int caseInstallPath() {
  Scene s;
  if (!startScene(s, "installpath", {.folder = "Démo Förder ünd Spaß/морвекс 4"})) return 1;
  Child c = runShow(s, {"w"});
  const unsigned long w = showWindow(s);
  check(w != 0, "installed under \"" + s.dir + "\": the window appears");
  sleepSeconds(2.0);
  presses(s.view, "Escape", 0.3);
  const bool ended = waitChild(c, 5.0);
  check(ended && c.status == 0, "Escape ends it, status 0 (got " + std::to_string(c.status) + ")");
  check(!pathExists(s.dir + "/logger.log"), "no logger.log");
  finish(c, s.dir);
  return endScene(s);
}

// Two whole passes at the same time: fullscreen under Xorg with music far
// shorter than the show (it must still end by itself, and restore the mode),
// and in a window under Xvfb with "l" (a second pass must begin).
int caseFullPasses() {
  // The scene is the windowed show's; the fullscreen one has an X server of its own.
  Scene s;
  if (!startScene(s, "passes", {.folder = "loop"})) return 1;
  const std::string& dir = s.root;
  const bool xorg = getuid() == 0 && commandExists("Xorg") && pathExists("/usr/lib/xorg/modules/drivers/dummy_drv.so");
  const std::string shortMp3 = dir + "/short.mp3";
  writeToneMp3(shortMp3, 5.0);
  const std::string& loopDir = s.dir;
  XView* vv = s.view;
  Child loop = runShow(s, {"w", "l"});

  XServer xo;
  XView* vo = nullptr;
  Child end;
  const std::string endDir = dir + "/end";
  if (xorg && startXorgDummy(xo, dir, {"1920x1080", "1280x720"})) {
    mkdir(endDir.c_str(), 0755);
    vo = openView(xo.display);
    end = runProgram(endDir, showFolder(endDir, shortMp3), {}, joinEnv(s.audio.env, {"DISPLAY=" + xo.display}));
  } else {
    note("fullscreen pass skipped: Xorg with the dummy driver needs root");
  }

  const unsigned long wl = findWindow(vv, WindowTitle, 60.0);
  const double loopShown = nowSeconds();
  check(wl != 0, "loop: the window appears");
  const unsigned long we = vo ? findWindow(vo, WindowTitle, 60.0) : 0;
  const double endShown = nowSeconds();
  if (vo) check(we != 0, "end: the window appears");

  // Well past the end of the 5 s music (and before 33 s, where frames stop
  // being cleared and the picture depends on the frames before it): the
  // fullscreen show still runs and shows the logo, not a frame stuck at 5 s.
  std::vector<uint32_t> endShot;
  if (vo) {
    sleepSeconds(std::max(0.0, 20.0 - (nowSeconds() - endShown)));
    int mw = 0, mh = 0;
    check(!waitChild(end, 0), "end: the show runs on at 20 s with 5 s of music");
    check(currentMode(vo, mw, mh) && mw == 1280 && mh == 720, "end: the mode is 1280 x 720 during the show");
    screenshot(vo, we, 1280, 720, endShot);
  }

  // The frame rate of the windowed show in the dense section (the fullscreen
  // show runs beside it on the same processors).
  sleepSeconds(std::max(0.0, 45.0 - (nowSeconds() - loopShown)));
  const double denseRate = presentedFrameRate(vv, wl, 5.0);
  note("loop: presented frame rate under Xvfb 45-50 s into the show, beside a second show: " +
       std::to_string(int(denseRate)) + " per second");

  // From here both shows are watched together: the fullscreen one must end by
  // itself after 73 s and its end fade, the looping one must show the title
  // words of a second pass. The fade is 255 presented frames, so on a busy
  // machine (a few frames a second) it takes minutes: the deadlines are
  // generous and nothing waits on the other show.
  bool endDone = vo == nullptr;
  double endedAt = 0;
  int loopPhase = 0;  // 0: first pass, 1: waiting for black (fade over), 2: waiting for the titles
  std::vector<uint32_t> shot;
  double shotAt = 0, brightness = 0;
  while ((!endDone || loopPhase < 3) && nowSeconds() - loopShown < 330.0) {
    if (!endDone && waitChild(end, 0)) {
      endDone = true;
      endedAt = nowSeconds() - endShown;
    }
    const double t = nowSeconds() - loopShown;
    if (loopPhase < 3 && t > 73.0) {
      if (waitChild(loop, 0)) break;
      std::vector<uint32_t> now;
      screenshot(vv, wl, 1280, 720, now);
      const double b = meanBrightness(now);
      if (loopPhase == 0) loopPhase = 1;
      if (loopPhase == 1 && b < 0.5) loopPhase = 2;
      if (loopPhase == 2 && b > 1.0) {
        loopPhase = 3;
        shot = now;
        shotAt = t;
        brightness = b;
      }
    }
    sleepSeconds(0.5);
  }
  if (vo) {
    const bool ended = endDone || waitChild(end, 0);
    note("end: the show ended " + std::to_string(int(endedAt)) + " s after its window appeared");
    check(ended && end.status == 0,
          "end: a show with 5 s of music ends by itself, status 0 (got " + std::to_string(end.status) + ")");
    int mw = 0, mh = 0;
    check(currentMode(vo, mw, mh) && mw == 1920 && mh == 1080, "end: the mode is 1920 x 1080 again after the end");
    check(!pathExists(endDir + "/logger.log"), "end: no logger.log");
    std::vector<int32_t> times;
    for (int32_t t = 4000; t <= 24000; t += 100) times.push_back(t);
    FrameMatch m = matchShot(endShot, times, endDir, "end: shot 20 s after the window appeared");
    checkWithRenderer(m.ok && m.blockDiff <= MatchLimit && m.earliest >= 16961,
                      "end: past the music's end the picture follows the clock (the logo, from 16961 ms)");
    finish(end, endDir);
  }

  // The looping show: still there after its first pass and its end fade
  // (which ends in black), and then the title words of a second pass appear.
  check(!waitChild(loop, 0), "loop: with \"l\" the program is still running after the first pass");
  note("loop: picture of mean brightness " + std::to_string(brightness) + " " + std::to_string(int(shotAt)) +
       " s after the window appeared");
  std::vector<int32_t> titles;
  for (int32_t t = 5000; t <= 17000; t += 50) titles.push_back(t);
  FrameMatch m = matchShot(shot, titles, loopDir, "loop: the second pass");
  check(brightness > 1.0, "loop: after the first pass's fade to black a new picture appears");
  checkWithRenderer(m.ok && m.blockDiff <= MatchLimit && m.latest < 16961,
                    "loop: the second pass shows the title words of the start again");
  presses(vv, "Escape", EscapeHold);
  const bool ended = waitChild(loop, 5.0);
  check(ended && loop.status == 0, "loop: Escape ends it, status 0");
  finish(loop, loopDir);

  if (vo) {
    closeView(vo);
    stopXServer(xo);
  }
  return endScene(s);
}

// The show clock through the real back end: a 10 s run over a 6 s file; with
// hogs, beside that many processes that spin on the processors, so the audio
// mixer's thread is starved at times (the clock must keep time regardless).
int caseClock(bool forceNull, int hogs = 0) {
  const std::string dir = makeTempDir("clock");
  AudioServer audio;
  startAudio(audio, dir, forceNull);
  note("audio: " + audio.kind + (hogs ? ", beside " + std::to_string(hogs) + " processor hogs" : ""));
  writeToneMp3(dir + "/six.mp3", 6.0);
  std::vector<Child> hogProcesses;
  for (int i = 0; i < hogs; i++) hogProcesses.push_back(spawn({"sh", "-c", "while :; do :; done"}, {}, dir, "", ""));
  Child c = spawn({harnessBinDir() + "/morvex-clock-probe", dir + "/six.mp3", "10", hogs ? "loaded" : ""}, audio.env,
                  dir, dir + "/probe.txt", dir + "/probe.err");
  const bool ended = waitChild(c, 60.0);
  for (Child& hog : hogProcesses) stopChild(hog, SIGKILL);
  note(readFile(dir + "/probe.txt"));
  check(ended && c.status == 0, "the clock probe passes");
  stopAudio(audio);
  return caseStatus(dir);
}

// What the listener hears: the null sink's monitor recorded while the real
// program plays in a window, compared block by block with the decoded
// soundtrack. A dropout (the mixer's feeding thread late on a busy machine)
// shows as a 100 ms block that is not there sample for sample.
int caseSound(double seconds) {
  if (!commandExists("parec")) {
    note("skipped: parec (pulseaudio-utils) is not installed");
    return SkipStatus;
  }
  Scene s;
  if (!startScene(s, "sound")) return 1;
  if (s.audio.kind != "pulseaudio null sink") {
    note("skipped: no PulseAudio null sink to record");
    endScene(s);
    return SkipStatus;
  }
  Child rec = spawn({"parec", "--device=ci.monitor", "--raw", "--format=s16le", "--rate=44100", "--channels=2",
                     "--latency-msec=50", s.dir + "/heard.raw"},
                    s.audio.env, s.dir, s.dir + "/parec.out", s.dir + "/parec.err");
  sleepSeconds(0.5);
  Child c = runShow(s, {"w"});
  const unsigned long w = showWindow(s);
  check(w != 0, "the window appears");
  const double shown = nowSeconds();
  waitChild(c, std::max(0.0, seconds - (nowSeconds() - shown)));
  const bool stillRunning = !c.exited;
  if (stillRunning) presses(s.view, "Escape", EscapeHold);
  const double playedFor = nowSeconds() - shown;
  waitChild(c, 10.0);
  sleepSeconds(0.5);
  stopChild(rec, SIGINT);
  check(c.exited && c.status == 0, "the show ends with status 0 (got " + std::to_string(c.status) + ")");

  const std::vector<int16_t> track = decodeMp3(MusicPath);
  const std::string raw = readFile(s.dir + "/heard.raw");
  std::vector<int16_t> heard(raw.size() / 2);
  std::memcpy(heard.data(), raw.data(), heard.size() * 2);
  // Up to the last second before Escape (or the end), away from the glide.
  const double untilMs = std::min(playedFor * 1000.0 - 1500.0, double(track.size() / 2) / 44.1 - 500.0);
  const SoundMatch m = matchSound(track, heard, 0.0, untilMs);
  char line[300];
  std::snprintf(line, sizeof line,
                "heard %.1f s of sound; soundtrack 0 to %.1f s: %d blocks of 100 ms with sound, %d intact, %d degraded"
                " (first at %.1f s; %d of them partly silent where the sound belongs), %.0f ms inserted",
                double(heard.size() / 2) / 44100.0, untilMs / 1000.0, m.blocks, m.intact, m.degraded,
                m.firstBadMs / 1000.0, m.silentInRecording, m.insertedMs);
  note(line);
  std::string bad;
  for (double t : m.badMs) bad += " " + std::to_string(int(t));
  if (!bad.empty()) note("degraded blocks at (ms):" + bad);
  check(!track.empty() && m.blocks > 0 && m.intact > 0, "the recording holds the soundtrack");
  // The figure to watch is the count above; the check allows a stray block or
  // two (2%) so that a machine busy with other work cannot fail the whole run,
  // while a real dropout (seconds of silence) still fails it.
  check(m.degraded * 50 <= m.blocks, "no dropout: at least 98% of the blocks are heard sample for sample");
  finish(c, s.dir);
  return endScene(s);
}

// The review viewer: the show from a chosen time in a window, with sound, a
// loop, pausing and seeking by key; its command-line errors.
int caseViewer() {
  Scene s;
  openScene(s, "viewer");
  const std::string viewer = harnessBinDir() + "/morvex-view";
  if (!pathExists(harnessBinDir() + "/data.dat")) {
    note("skipped: the viewer reads the generated data.dat beside it");
    return SkipStatus;
  }
  {
    Child bad = spawn({viewer, "--loop", "5"}, {}, s.dir, s.dir + "/bad.out", s.dir + "/bad.err");
    waitChild(bad, 10.0);
    check(
        bad.status == 1 && readFile(s.dir + "/bad.err") == "morvex-view: --loop needs two times in seconds, A and B\n",
        "--loop without B: status 1 and the reason");
    Child late = spawn({viewer, "--from", "x"}, {}, s.dir, s.dir + "/bad.out", s.dir + "/bad.err");
    waitChild(late, 10.0);
    check(late.status == 1 &&
              readFile(s.dir + "/bad.err") == "morvex-view: --from: 'x' is not a time from 0 to 100 seconds\n",
          "--from x: status 1 and the reason");
  }
  if (!startServers(s, {.program = false})) return 1;  // the viewer runs from the build folder
  autoRepeatOff(s.view);
  Child c = spawn({viewer, "--loop", "20", "22.5"}, s.env, s.dir, s.dir + "/stdout.txt", s.dir + "/stderr.txt");
  const unsigned long w = showWindow(s);
  if (!check(w != 0, "the viewer's window appears")) {
    finish(c, s.dir);
    return endScene(s);
  }
  // The viewer reports the time once it has built the scene up and plays.
  const double wait = nowSeconds() + 60.0;
  while (readFile(s.dir + "/stdout.txt").find("at 20000 ms\n") == std::string::npos && nowSeconds() < wait)
    sleepSeconds(0.1);
  sleepSeconds(1.0);
  std::vector<uint32_t> playing, pausedA, pausedB;
  screenshot(s.view, w, 1280, 720, playing);
  presses(s.view, "p", 0.2);
  const double pauseWait = nowSeconds() + 30.0;
  while (readFile(s.dir + "/stdout.txt").find("paused at") == std::string::npos && nowSeconds() < pauseWait)
    sleepSeconds(0.1);
  sleepSeconds(0.5);
  screenshot(s.view, w, 1280, 720, pausedA);
  sleepSeconds(1.0);
  screenshot(s.view, w, 1280, 720, pausedB);
  check(pausedA == pausedB, "p pauses: two shots 1 s apart are identical");
  presses(s.view, "Right", 0.2);
  // A seek builds the scene up before it answers.
  const double seekWait = nowSeconds() + 60.0;
  while (readFile(s.dir + "/stdout.txt").find("(paused)") == std::string::npos && nowSeconds() < seekWait)
    sleepSeconds(0.1);
  presses(s.view, "p", 0.2);
  // Played on, the loop returns to 20 s once the music passes 22.5 s.
  sleepSeconds(4.0);
  presses(s.view, "Escape", EscapeHold);
  const bool ended = waitChild(c, 10.0);
  check(ended && c.status == 0, "Escape ends the viewer, status 0 (got " + std::to_string(c.status) + ")");
  const std::string out = readFile(s.dir + "/stdout.txt");
  note("viewer said:\n" + out);
  check(out.find("at 20000 ms\n") != std::string::npos, "it starts at the loop's start");
  const size_t pausedAt = out.find("paused at ");
  check(pausedAt != std::string::npos, "p reports the pause");
  if (pausedAt != std::string::npos) {
    const int t = std::atoi(out.c_str() + pausedAt + 10);
    check(out.find("at " + std::to_string(t + 1000) + " ms (paused)") != std::string::npos,
          "Right while paused seeks 1 s on (" + std::to_string(t + 1000) + " ms)");
  }
  size_t loops = 0;
  for (size_t p = out.find("at 20000 ms\n"); p != std::string::npos; p = out.find("at 20000 ms\n", p + 1)) loops++;
  check(loops >= 2, "the loop starts again at 20 s after 22.5 s");
  // The logo stands still from 17216 to 28840 ms (only its noise moves), so
  // the shot is compared with that scene as a whole.
  std::vector<int32_t> logo;
  for (int32_t t = 17300; t <= 22700; t += 100) logo.push_back(t);
  FrameMatch m = matchShot(playing, logo, s.dir, "viewer shot");
  checkWithRenderer(m.ok && m.blockDiff <= MatchLimit, "the picture is the show's at that time (the logo scene)");
  finish(c, s.dir);
  return endScene(s);
}

// Waits up to timeout seconds for the count-th text in file; false when it never came.
bool waitForText(const std::string& file, const std::string& text, int count, double timeout) {
  const double until = nowSeconds() + timeout;
  for (;;) {
    const std::string all = readFile(file);
    int seen = 0;
    for (size_t p = all.find(text); p != std::string::npos; p = all.find(text, p + 1)) seen++;
    if (seen >= count) return true;
    if (nowSeconds() > until) return false;
    sleepSeconds(0.05);
  }
}

// Records the null sink's monitor while during() runs; the samples heard.
std::vector<int16_t> recordWhile(Scene& s, const std::string& name, const std::function<void()>& during) {
  Child rec = spawn({"parec", "--device=ci.monitor", "--raw", "--format=s16le", "--rate=44100", "--channels=2",
                     "--latency-msec=50", s.dir + "/" + name + ".raw"},
                    s.audio.env, s.dir, s.dir + "/parec.out", s.dir + "/parec.err");
  sleepSeconds(0.3);
  during();
  stopChild(rec, SIGINT);
  const std::string raw = readFile(s.dir + "/" + name + ".raw");
  std::vector<int16_t> heard(raw.size() / 2);
  std::memcpy(heard.data(), raw.data(), heard.size() * 2);
  return heard;
}

// Whether the recording holds the soundtrack from fromMs to toMs (half of its
// 100 ms blocks sample for sample: a loaded machine may spoil a few).
bool soundtrackHeard(const std::vector<int16_t>& track, const std::vector<int16_t>& heard, double fromMs, double toMs,
                     const std::string& what) {
  const SoundMatch m = matchSound(track, heard, fromMs, toMs);
  note(what + ": " + std::to_string(m.intact) + " of " + std::to_string(m.blocks) + " blocks of " +
       std::to_string(int(fromMs)) + " to " + std::to_string(int(toMs)) + " ms heard, in " +
       std::to_string(heard.size() / 2) + " samples recorded");
  return m.blocks > 0 && m.intact * 2 >= m.blocks;
}

// The viewer where the music runs out: its start and loop past the show's end
// refused or cut to the music; after the music has played to its end (a pause
// at the show's end, a loop past the music's end) a resume or a seek starts it
// again, heard on the null sink and seen on the clock.
int caseViewerMusicEnd() {
  if (!commandExists("parec")) {
    note("skipped: parec (pulseaudio-utils) is not installed");
    return SkipStatus;
  }
  Scene s;
  openScene(s, "viewer-end");
  const std::string viewer = harnessBinDir() + "/morvex-view";
  if (!pathExists(harnessBinDir() + "/data.dat")) {
    note("skipped: the viewer reads the generated data.dat beside it");
    return SkipStatus;
  }
  const struct {
    std::vector<std::string> args;
    std::string message;
  } refused[] = {
      {{"--from", "85"}, "morvex-view: --from: 85 s is past the show's end; a start must come before 76 s\n"},
      {{"--loop", "76", "90"}, "morvex-view: --loop: A (76 s) is past the show's end; a start must come before 76 s\n"},
  };
  for (const auto& r : refused) {
    std::vector<std::string> argv = {viewer};
    argv.insert(argv.end(), r.args.begin(), r.args.end());
    Child bad = spawn(argv, {"DISPLAY=:none"}, s.dir, s.dir + "/bad.out", s.dir + "/bad.err");
    waitChild(bad, 10.0);
    check(bad.status == 1 && readFile(s.dir + "/bad.err") == r.message,
          r.args[0] + " " + r.args[1] + ": status 1 and the reason (got " + std::to_string(bad.status) + ", " +
              readFile(s.dir + "/bad.err") + ")");
  }
  if (!startServers(s, {.program = false})) return 1;
  if (s.audio.kind != "pulseaudio null sink") {
    note("skipped: no PulseAudio null sink to record");
    endScene(s);
    return SkipStatus;
  }
  autoRepeatOff(s.view);
  const std::vector<int16_t> track = decodeMp3(harnessBinDir() + "/kaz.mp3");
  const std::string out = s.dir + "/end.out", err = s.dir + "/end.err";

  // From 74 s: the view pauses at 76 s and the muted music plays on to its
  // end at 80 s; r (back to 74 s) and p must play the music again.
  Child c = spawn({viewer, "--from", "74"}, s.env, s.dir, out, err);
  check(showWindow(s) != 0, "the viewer's window appears");
  check(waitForText(out, "paused at ", 1, 60.0), "the view pauses at the show's end");
  sleepSeconds(5.0);  // the music runs out meanwhile
  presses(s.view, "r", 0.2);
  check(waitForText(out, "at 74000 ms (paused)", 1, 30.0), "r goes back to 74 s");
  const std::vector<int16_t> resumed = recordWhile(s, "resumed", [&] {
    presses(s.view, "p", 0.2);
    check(waitForText(out, "paused at ", 2, 10.0), "resumed, the clock reaches the show's end again");
  });
  check(soundtrackHeard(track, resumed, 74300, 75700, "after the music's end, resumed at 74 s"),
        "the music plays again after a resume");
  presses(s.view, "Escape", EscapeHold);
  check(waitChild(c, 10.0) && c.status == 0, "Escape ends the viewer with status 0");
  note("viewer said:\n" + readFile(out) + readFile(err));
  if (!c.exited) stopChild(c, 9);

  // A loop past the music's end ends with the music (said so), and the music
  // starts again at A after it has run out.
  c = spawn({viewer, "--loop", "75", "82"}, s.env, s.dir, out, err);
  check(showWindow(s) != 0, "the viewer's window appears");
  check(waitForText(out, "at 75000 ms\n", 1, 60.0), "the loop starts at 75 s");
  check(readFile(err).find("morvex-view: --loop: the music ends at 80") != std::string::npos,
        "a loop's end past the music's end is cut to it, and said so");
  check(waitForText(out, "at 75000 ms\n", 2, 20.0), "the loop comes round after the music's end");
  const std::vector<int16_t> looped = recordWhile(s, "looped", [&] { sleepSeconds(1.6); });
  check(soundtrackHeard(track, looped, 75300, 76000, "the second round of the loop"),
        "the music plays again in the loop's second round");
  presses(s.view, "Escape", EscapeHold);
  check(waitChild(c, 10.0) && c.status == 0, "Escape ends the viewer with status 0");
  note("viewer said:\n" + readFile(out) + readFile(err));
  finish(c, s.dir);
  return endScene(s);
}

// The display unit in-process: windowed under Xvfb, fullscreen under Xorg.
int caseDisplay(bool fullscreen) {
  if (fullscreen && !needRootForXorg()) return SkipStatus;
  const std::string dir = makeTempDir("display");
  XServer x;
  const bool up = fullscreen ? startXorgDummy(x, dir, {"1920x1080", "1280x720"}) : startXvfb(x, dir);
  if (!check(up, "the X server starts")) return 1;
  Child c = spawn({harnessBinDir() + "/morvex-display-probe", fullscreen ? "f" : "w"}, {"DISPLAY=" + x.display}, dir,
                  dir + "/probe.txt", dir + "/probe.err");
  const bool ended = waitChild(c, 60.0);
  note(readFile(dir + "/probe.txt"));
  check(ended && c.status == 0, "the display probe passes");
  if (!ended) stopChild(c, 9);
  stopXServer(x);
  return caseStatus(dir);
}

}  // namespace

// The whole program of a cross build run through an emulator (qemu-aarch64 for
// the aarch64 build): its window opens, frames come, the music is heard on the
// null sink, and Escape ends it with status 0. Only that: under the emulator
// everything is many times slower, so nothing is compared frame by frame.
int caseForeignProgram(const std::string& program, const std::string& runner) {
  if (!pathExists(program) || !commandExists(runner) || !commandExists("parec")) {
    note("skipped: needs " + program + ", " + runner + " and parec");
    return SkipStatus;
  }
  Scene s;
  if (!startScene(s, "foreign", {.program = false})) return 1;
  if (s.audio.kind != "pulseaudio null sink") {
    note("skipped: no PulseAudio null sink to record");
    endScene(s);
    return SkipStatus;
  }
  copyFile(program, s.dir + "/morvex", true);
  copyFile(PackPath, s.dir + "/data.dat");
  copyFile(MusicPath, s.dir + "/kaz.mp3");
  Child rec = spawn({"parec", "--device=ci.monitor", "--raw", "--format=s16le", "--rate=44100", "--channels=2",
                     "--latency-msec=50", s.dir + "/heard.raw"},
                    s.audio.env, s.dir, s.dir + "/parec.out", s.dir + "/parec.err");
  Child c = spawn({runner, s.dir + "/morvex", "w"}, s.env, s.dir, s.dir + "/stdout.txt", s.dir + "/stderr.txt");
  const unsigned long w = findWindow(s.view, WindowTitle, 180.0);
  if (check(w != 0, "the window \"" + WindowTitle + "\" appears under " + runner)) {
    const WindowFacts f = windowFacts(s.view, w);
    check(f.width == 1280 && f.height == 720, "the window is 1280 x 720");
    sleepSeconds(6.0);
    const double rate = presentedFrameRate(s.view, w, 4.0);
    note("presented frame rate under " + runner + ": " + std::to_string(rate) + " per second");
    check(rate > 0, "frames keep coming");
    presses(s.view, "Escape", 4.0);  // read after a frame, and frames are slow here
  }
  const bool ended = waitChild(c, 60.0);
  check(ended && c.status == 0, "Escape ends the program with status 0 (got " + std::to_string(c.status) + ")");
  sleepSeconds(0.5);
  stopChild(rec, SIGINT);
  const std::string raw = readFile(s.dir + "/heard.raw");
  size_t loud = 0;
  for (size_t i = 0; i + 1 < raw.size(); i += 2) {
    int16_t v;
    std::memcpy(&v, raw.data() + i, 2);
    if (v > 256 || v < -256) ++loud;
  }
  note("heard " + std::to_string(raw.size() / 4) + " frames of sound, " + std::to_string(loud) + " loud samples");
  check(loud > 44100, "the music is heard (more than half a second of loud samples)");
  finish(c, s.dir);
  return endScene(s);
}

int main(int argc, char** argv) {
  const std::map<std::string, std::function<int()>> cases = {
      {"errors", caseErrors},
      {"windowed", caseWindowed},
      {"close-and-signals", caseCloseAndSignals},
      {"fullscreen", caseFullscreen},
      {"scaled", caseScaled},
      {"read-only-folder", caseReadOnlyFolder},
      {"guardian", caseGuardian},
      {"hostile-files", caseHostileFiles},
      {"install-path", caseInstallPath},
      {"fullscreen-stop-signals", [] { return caseFullscreenEnds(false); }},
      {"fullscreen-crashes", [] { return caseFullscreenEnds(true); }},
      {"full-passes", caseFullPasses},
      {"clock", [] { return caseClock(false); }},
      {"clock-null-output", [] { return caseClock(true); }},
      {"clock-under-load", [] { return caseClock(false, 2); }},
      {"display-window", [] { return caseDisplay(false); }},
      {"display-fullscreen", [] { return caseDisplay(true); }},
      {"viewer", caseViewer},
      {"viewer-music-end", caseViewerMusicEnd},
      {"sound", [&] { return caseSound(argc > 2 ? std::atof(argv[2]) : 30.0); }},
      {"foreign-program", [&] { return argc > 3 ? caseForeignProgram(argv[2], argv[3]) : 2; }},
  };
  if (argc < 2 || cases.count(argv[1]) == 0) {
    std::fprintf(stderr,
                 "usage: morvex-e2e CASE (sound takes the seconds to play, default 30; foreign-program\n"
                 "the program of a cross build and the emulator that runs it)\ncases:");
    for (const auto& c : cases) std::fprintf(stderr, " %s", c.first.c_str());
    std::fprintf(stderr, "\n");
    return 2;
  }
  const int status = cases.at(argv[1])();
  std::printf("%s: %s\n", argv[1], status == 0 ? "passed" : status == SkipStatus ? "skipped" : "FAILED");
  return status;
}
