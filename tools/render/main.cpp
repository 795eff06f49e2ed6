// morvex-render: the show headless. The very same start-up, show loop, frame
// logic, end fade and shutdown as the program (runShow), on a virtual clock
// instead of the music, with an in-memory Screen instead of the window; it writes
// what it drew as PNG frames, raw BGRA, CRC-32 hashes, a storyboard or timings.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "crc32.h"
#include "data/assets.h"
#include "display/screen.h"
#include "driver/schedule.h"
#include "driver/show.h"
#include "music/chance.h"
#include "music/clock.h"
#include "png_write.h"
#include "raster/image.h"
#include "raster/numeric.h"
#include "storyboard.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

const char* const UsageText =
    "usage: morvex-render [options]\n"
    "\n"
    "Runs the show headless: the program's own start-up (asset pack, every effect\n"
    "module's set-up), frame logic and end fade, on a virtual clock instead of the\n"
    "music, with no X server, GL or audio, and writes what it drew.\n"
    "\n"
    "  --pack PATH        asset pack (default: data.dat beside this executable)\n"
    "  --fps F            frame i is at playback position i / F seconds (default 60)\n"
    "  --times FILE       the exact frame sequence instead: one DemoTime (ms) per line\n"
    "                     (below 0 reads as 0: the music has no earlier position)\n"
    "  --until MS         stop after the first frame at or past MS (no end fade);\n"
    "                     default: the show's own end at 73000, then the end fade\n"
    "  --passes N         run N passes, as the program does with \"l\" (default 1)\n"
    "  --no-fade          leave out the end fade\n"
    "  --save T1,T2,...   write the first frame whose DemoTime >= T as frame-<DemoTime>.png\n"
    "  --save all         write every presented frame (fade frames as fade-<n>.png)\n"
    "  --out DIR          folder for --save (default: the current folder; created if missing)\n"
    "  --hash             print '<DemoTime> <crc32 of Screen's bytes>' per presented frame\n"
    "  --raw PATH|-       write every presented frame as raw BGRA (1280 x 720 x 4 bytes each)\n"
    "  --seed N           seed of the random digit field (default 1; runs repeat)\n"
    "  --storyboard PATH  one PNG contact sheet: the frame at the middle of each schedule\n"
    "                     row, 320 x 180, labelled with its DemoTime and routines\n"
    "  --bench            per schedule row: frames, median and maximum ms of its routines;\n"
    "                     then the show's median, worst and mean frames per second and\n"
    "                     the start-up time\n"
    "  --quiet            no progress on standard error\n"
    "  --help             this text\n"
    "\n"
    "Hashes, raw frames and bench figures go to standard output; the show's own console\n"
    "output (\"Loading...\", pack errors) and the progress go to standard error.\n"
    "Fatal errors also go to logger.log in the current folder, as in the program.\n"
    "Exit status: 0 when the show has ended, 1 on any error.\n"
    "\n"
    "example: morvex-render --fps 30 --save 12200,25381,44041 --out shots --storyboard board.png\n";

[[noreturn]] void fail(const std::string& message) {
  std::fprintf(stderr, "morvex-render: %s\n", message.c_str());
  std::exit(1);
}

// ---- options ----

struct RenderOptions {
  std::string pack;
  double fps = 60.0;
  bool fpsGiven = false;
  std::string timesFile;
  bool untilGiven = false;
  int32_t until = 0;
  int32_t passes = 1;
  bool noFade = false;
  bool saveAll = false;
  std::vector<int32_t> saveTimes;
  std::string outDir = ".";
  bool hash = false;
  std::string rawPath;
  uint32_t seed = 1;
  std::string storyboardPath;
  bool bench = false;
  bool quiet = false;
};

// A whole decimal integer in [lo, hi], or the program ends naming the option.
int64_t parseInteger(const std::string& option, const std::string& text, int64_t lo, int64_t hi) {
  errno = 0;
  char* end = nullptr;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno == ERANGE || v < lo || v > hi) {
    fail(option + ": '" + text + "' is not a whole number from " + std::to_string(lo) + " to " +
         std::to_string(hi));
  }
  return v;
}

RenderOptions parseOptions(int argc, char** argv) {
  RenderOptions o;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i], value;
    bool hasValue = false;
    const size_t eq = arg.find('=');
    if (arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = arg.substr(eq + 1);
      arg = arg.substr(0, eq);
      hasValue = true;
    }
    auto next = [&]() -> std::string {
      if (hasValue) return value;
      if (i + 1 >= argc) fail(arg + " needs a value (see --help)");
      return argv[++i];
    };
    auto noValue = [&]() {
      if (hasValue) fail(arg + " takes no value");
    };
    if (arg == "--help" || arg == "-h") {
      std::fputs(UsageText, stdout);
      std::exit(0);
    } else if (arg == "--pack") {
      o.pack = next();
      if (o.pack.empty()) fail("--pack needs a path");
    } else if (arg == "--fps") {
      const std::string t = next();
      char* end = nullptr;
      o.fps = std::strtod(t.c_str(), &end);
      if (t.empty() || *end != '\0' || !(o.fps >= 0.01 && o.fps <= 100000.0))
        fail("--fps: '" + t + "' is not a frame rate from 0.01 to 100000");
      o.fpsGiven = true;
    } else if (arg == "--times") {
      o.timesFile = next();
    } else if (arg == "--until") {
      o.until = int32_t(parseInteger(arg, next(), INT32_MIN, INT32_MAX));
      o.untilGiven = true;
    } else if (arg == "--passes") {
      o.passes = int32_t(parseInteger(arg, next(), 1, 1000000));
    } else if (arg == "--no-fade") {
      noValue();
      o.noFade = true;
    } else if (arg == "--save") {
      const std::string list = next();
      if (list == "all") {
        o.saveAll = true;
      } else {
        size_t start = 0;
        for (;;) {
          const size_t comma = list.find(',', start);
          o.saveTimes.push_back(int32_t(parseInteger(arg, list.substr(start, comma - start), INT32_MIN, INT32_MAX)));
          if (comma == std::string::npos) break;
          start = comma + 1;
        }
      }
    } else if (arg == "--out") {
      o.outDir = next();
      if (o.outDir.empty()) fail("--out needs a folder");
    } else if (arg == "--hash") {
      noValue();
      o.hash = true;
    } else if (arg == "--raw") {
      o.rawPath = next();
      if (o.rawPath.empty()) fail("--raw needs a path or -");
    } else if (arg == "--seed") {
      o.seed = uint32_t(parseInteger(arg, next(), 0, UINT32_MAX));
    } else if (arg == "--storyboard") {
      o.storyboardPath = next();
      if (o.storyboardPath.empty()) fail("--storyboard needs a path");
    } else if (arg == "--bench") {
      noValue();
      o.bench = true;
    } else if (arg == "--quiet") {
      noValue();
      o.quiet = true;
    } else {
      fail("unknown option '" + std::string(argv[i]) + "' (see --help)");
    }
  }
  if (o.fpsGiven && !o.timesFile.empty()) fail("--fps and --times exclude each other");
  if (o.rawPath == "-" && (o.hash || o.bench)) fail("--raw - takes standard output; --hash and --bench cannot share it");
  std::sort(o.saveTimes.begin(), o.saveTimes.end());
  o.saveTimes.erase(std::unique(o.saveTimes.begin(), o.saveTimes.end()), o.saveTimes.end());
  return o;
}

std::vector<int32_t> readTimes(const std::string& path) {
  std::ifstream in(path);
  if (!in) fail(path + ": " + std::strerror(errno));
  std::vector<int32_t> times;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    const size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos) continue;
    const size_t last = line.find_last_not_of(" \t\r");
    times.push_back(int32_t(parseInteger(path + ":" + std::to_string(number), line.substr(first, last - first + 1),
                                         INT32_MIN, INT32_MAX)));
  }
  if (times.empty()) fail(path + ": no DemoTime in the file");
  return times;
}

// ---- the render's state ----

RenderOptions Options;
std::vector<int32_t> Times;  // --times: the frame sequence of every pass
FILE* DataOut = nullptr;     // the real standard output: hashes, raw frames, bench
FILE* RawOut = nullptr;
std::vector<bool> Saved;     // per --save time

constexpr uint8_t EscapeCode = 9, SpaceCode = 65;  // the usual X key codes

SteadyClock::time_point RunStart, FrameStart, LastPresent, LastProgress;
bool FirstFrameSeen = false;
double StartUpSeconds = 0.0;
int64_t Presented = 0, ExpectedPresents = 0;

std::vector<double> FrameMs, FadeMs;
std::vector<std::vector<double>> RowMs;
SteadyClock::time_point RowStart;

std::vector<StoryCell> Story;
std::vector<int32_t> StoryMid;  // per schedule row: the DemoTime of its middle
std::vector<bool> StoryTaken;

double msSince(SteadyClock::time_point t) {
  return std::chrono::duration<double, std::milli>(SteadyClock::now() - t).count();
}

// DemoTime of frame i of a pass under --fps, through the real clock arithmetic.
uint64_t fpsPosition(int64_t i) { return musicSecondsToBytes(double(i) / Options.fps); }
int32_t demoTimeAt(uint64_t bytes) { return roundToInt32(musicBytesToSeconds(uint32_t(bytes)) * 1000.0); }

// The clock: read once per frame, first thing in the frame.
uint64_t virtualPosition() {
  FrameStart = SteadyClock::now();
  if (!FirstFrameSeen) {
    FirstFrameSeen = true;
    StartUpSeconds = std::chrono::duration<double>(FrameStart - RunStart).count();
  }
  const int64_t i = ShowFrameNumber - 1;
  if (!Times.empty()) return musicBytesForDemoTime(Times[size_t(std::min<int64_t>(i, int64_t(Times.size()) - 1))]);
  return fpsPosition(i);
}

void watchRow(int row, bool started) {
  if (started) {
    RowStart = SteadyClock::now();
  } else {
    RowMs[size_t(row)].push_back(msSince(RowStart));
  }
}

// Frames up to and including the first at or past end, in one pass.
int64_t framesToReach(int32_t end) {
  if (!Times.empty()) {
    for (size_t i = 0; i < Times.size(); ++i)
      if (Times[i] >= end) return int64_t(i) + 1;
    return int64_t(Times.size());
  }
  int64_t i = 0;
  while (demoTimeAt(fpsPosition(i)) < end && i < int64_t(1) << 40) ++i;
  return i + 1;
}

void estimatePresents() {
  if (Options.untilGiven && Options.until < ShowEndTime) {
    ExpectedPresents = framesToReach(Options.until);
    return;
  }
  const int64_t pass = framesToReach(ShowEndTime);
  const bool listEndsEarly = !Times.empty() && Times[size_t(pass - 1)] < ShowEndTime;
  if (listEndsEarly) {
    ExpectedPresents = pass;
    return;
  }
  ExpectedPresents = int64_t(Options.passes) * (pass + (Options.noFade ? 0 : EndFadePasses));
}

void showProgress(bool last) {
  if (Options.quiet) return;
  const auto now = SteadyClock::now();
  if (!last && now - LastProgress < std::chrono::milliseconds(500)) return;
  LastProgress = now;
  const double elapsed = std::chrono::duration<double>(now - RunStart).count();
  // One line kept up to date on a terminal; a line every half second in a log.
  static const bool terminal = isatty(2);
  std::fprintf(stderr, "%sframes %lld/%lld  DemoTime %d  %.1f s%s", terminal ? "\r" : "", (long long)Presented,
               (long long)ExpectedPresents, DemoTime, elapsed, last || !terminal ? "\n" : "");
  std::fflush(stderr);
}

void savePng(const std::string& name) {
  std::string error;
  const std::string path = (std::filesystem::path(Options.outDir) / name).string();
  if (!writePngBgra(path, Screen.pixels, Screen.width, Screen.height, 3, error)) fail(error);
}

std::string passPrefix() { return ShowPassNumber > 1 ? "pass" + std::to_string(ShowPassNumber) + "-" : ""; }

// ---- the platform hooks ----

void rInitMusic() { MusicPosition = virtualPosition; }
void rPlayMusic() {}
void rSetMusicPosition(float) {}  // the virtual clock follows the frame number of the pass
void rFadeOutMusic() {}
void rOpenOutputWindow(int32_t width, int32_t height, bool) {
  AllocImage(Screen, uint32_t(width), uint32_t(height));
  KeyCodes = {EscapeCode, SpaceCode};
  std::memset(KeyDown, 0, sizeof KeyDown);
  WindowClosed = false;
}
void rCloseOutputWindow() { freeImage(Screen); }
void rCapturePointer(bool) {}

void rPresentFrame() {
  const bool inPass = CurrentShowState == ShowState::Pass;
  const auto now = SteadyClock::now();
  if (Options.bench) {
    if (inPass) {
      FrameMs.push_back(std::chrono::duration<double, std::milli>(now - FrameStart).count());
    } else {
      FadeMs.push_back(std::chrono::duration<double, std::milli>(now - LastPresent).count());
    }
  }
  ++Presented;
  const size_t bytes = size_t(Screen.width) * size_t(Screen.height) * 4;

  if (Options.hash) {
    std::fprintf(DataOut, "%d %08x\n", DemoTime, crc32Of(Screen.pixels, bytes));
  }
  if (RawOut && std::fwrite(Screen.pixels, 1, bytes, RawOut) != bytes) {
    fail(Options.rawPath + ": " + std::strerror(errno));
  }
  if (Options.saveAll) {
    savePng(passPrefix() + (inPass ? "frame-" + std::to_string(DemoTime)
                                   : "fade-" + std::to_string(EndFadePasses - FadeCounter + 1)) +
            ".png");
  } else if (inPass) {
    bool due = false;
    for (size_t i = 0; i < Options.saveTimes.size(); ++i) {
      if (!Saved[i] && DemoTime >= Options.saveTimes[i]) Saved[i] = due = true;
    }
    if (due) savePng("frame-" + std::to_string(DemoTime) + ".png");
  }
  if (!Options.storyboardPath.empty() && inPass && ShowPassNumber == 1) {
    for (int r = 0; r < EffectScheduleRows; ++r) {
      const ScheduleRow& row = EffectSchedule[r];
      if (StoryTaken[size_t(r)] || DemoTime < StoryMid[size_t(r)] || !rowActive(row, DemoTime)) continue;
      StoryTaken[size_t(r)] = true;
      StoryCell cell{r + 1, DemoTime, row.Names, {}};
      makeThumbnail(Screen, cell.Thumb);
      Story.push_back(std::move(cell));
    }
  }

  // The render ends as a user would end the show: by holding Escape.
  bool stop = false;
  if (inPass) {
    const bool untilReached = Options.untilGiven && DemoTime >= Options.until;
    const bool listDone = !Times.empty() && size_t(ShowFrameNumber) >= Times.size();
    const bool lastFrameOfLastPass = ShowPassNumber >= Options.passes && DemoTime >= ShowEndTime && !ShowEndFade;
    stop = untilReached || listDone || lastFrameOfLastPass;
  } else {
    stop = ShowPassNumber >= Options.passes && FadeCounter <= 1;
  }
  if (stop) KeyDown[EscapeCode] = 1;

  showProgress(false);
  LastPresent = SteadyClock::now();
}

const ShowPlatform RenderPlatform = {rInitMusic,        rPlayMusic,         rSetMusicPosition, rFadeOutMusic,
                                     rOpenOutputWindow, rCloseOutputWindow, rCapturePointer,   rPresentFrame};

// ---- the bench report ----

double median(std::vector<double> v) {
  if (v.empty()) return 0.0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

void printBench() {
  std::fprintf(DataOut, "%4s %7s %7s %7s %10s %9s  %s\n", "row", "from", "to", "frames", "median ms", "max ms",
               "routines");
  for (int r = 0; r < EffectScheduleRows; ++r) {
    const ScheduleRow& row = EffectSchedule[r];
    const std::vector<double>& v = RowMs[size_t(r)];
    if (v.empty()) {
      std::fprintf(DataOut, "%4d %7d %7d %7d %10s %9s  %s\n", r + 1, row.From, row.To, 0, "-", "-", row.Names);
    } else {
      std::fprintf(DataOut, "%4d %7d %7d %7zu %10.3f %9.3f  %s\n", r + 1, row.From, row.To, v.size(), median(v),
                   *std::max_element(v.begin(), v.end()), row.Names);
    }
  }
  if (!FrameMs.empty()) {
    double total = 0.0;
    for (double ms : FrameMs) total += ms;
    const double worst = *std::max_element(FrameMs.begin(), FrameMs.end());
    std::fprintf(DataOut,
                 "show: %zu frames, median %.1f fps (%.3f ms), worst %.1f fps (%.3f ms), mean %.1f fps\n",
                 FrameMs.size(), 1000.0 / median(FrameMs), median(FrameMs), 1000.0 / worst, worst,
                 1000.0 * double(FrameMs.size()) / total);
  }
  if (!FadeMs.empty()) {
    std::fprintf(DataOut, "end fade: %zu passes, median %.3f ms per pass\n", FadeMs.size(), median(FadeMs));
  }
  std::fprintf(DataOut, "start-up: %.3f s (asset pack and every module's set-up)\n", StartUpSeconds);
}

}  // namespace

int main(int argc, char** argv) {
  Options = parseOptions(argc, argv);
  if (!Options.timesFile.empty()) Times = readTimes(Options.timesFile);

  // Standard output carries only what was asked for; the show's own console
  // lines go to standard error.
  std::fflush(stdout);
  const int dataFd = dup(1);
  if (dataFd < 0 || dup2(2, 1) < 0) fail(std::string("standard output: ") + std::strerror(errno));
  DataOut = fdopen(dataFd, "wb");
  if (!DataOut) fail(std::string("standard output: ") + std::strerror(errno));

  if (!Options.rawPath.empty()) {
    RawOut = Options.rawPath == "-" ? DataOut : std::fopen(Options.rawPath.c_str(), "wb");
    if (!RawOut) fail(Options.rawPath + ": " + std::strerror(errno));
  }
  if (Options.saveAll || !Options.saveTimes.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(Options.outDir, ec);
    if (ec || !std::filesystem::is_directory(Options.outDir)) fail(Options.outDir + ": cannot create the folder");
  }
  Saved.assign(Options.saveTimes.size(), false);
  StoryTaken.assign(size_t(EffectScheduleRows), false);
  for (int r = 0; r < EffectScheduleRows; ++r) {
    const ScheduleRow& row = EffectSchedule[r];
    const int64_t last = std::min<int64_t>(row.To, ShowEndTime);
    StoryMid.push_back(int32_t(row.From + (last - row.From) / 2));
  }
  if (Options.bench) {
    RowMs.assign(size_t(EffectScheduleRows), {});
    ScheduleWatcher = watchRow;
  }

  if (!Options.pack.empty()) DataPackPath = Options.pack;
  RandomSeed = Options.seed;
  RandomSeedFixed = true;
  ShowEndFade = !Options.noFade;
  estimatePresents();

  // The program's command line: windowed, and "l" for more than one pass.
  std::vector<const char*> args = {"morvex-render", "w"};
  if (Options.passes > 1) args.push_back("l");
  RunStart = LastProgress = LastPresent = SteadyClock::now();
  runShow(RenderPlatform, int(args.size()), args.data());
  showProgress(true);

  if (RawOut && RawOut != DataOut && std::fclose(RawOut) != 0) fail(Options.rawPath + ": " + std::strerror(errno));
  if (!Options.storyboardPath.empty()) {
    std::string error;
    // Captured in time order; shown in table order.
    std::stable_sort(Story.begin(), Story.end(), [](const StoryCell& a, const StoryCell& b) { return a.Row < b.Row; });
    const std::string title = "morvex storyboard: " + std::to_string(Story.size()) + " of " +
                              std::to_string(EffectScheduleRows) + " schedule rows, " +
                              (Times.empty() ? std::to_string(int(Options.fps)) + " fps" : Options.timesFile) +
                              ", seed " + std::to_string(Options.seed);
    if (!writeStoryboard(Options.storyboardPath, title, Story, error)) fail(error);
    if (!Options.quiet) std::fprintf(stderr, "storyboard: %s (%zu rows)\n", Options.storyboardPath.c_str(), Story.size());
  }
  if (Options.bench) printBench();
  if (std::fflush(DataOut) != 0) fail(std::string("standard output: ") + std::strerror(errno));
  return 0;
}
