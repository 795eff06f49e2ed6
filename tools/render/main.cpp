// morvex-render: the show headless. The very same start-up, show loop, frame
// logic, end fade and shutdown as the program (runShow), on a virtual clock
// instead of the music, with an in-memory Screen instead of the window; it writes
// what it drew as PNG frames, raw BGRA, CRC-32 hashes, a storyboard, timings
// or a video file with the soundtrack.
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

#include "bench.h"
#include "crc32.h"
#include "digest.h"
#include "flashes.h"
#include "data/assets.h"
#include "data/util.h"
#include "display/screen.h"
#include "driver/schedule.h"
#include "driver/show.h"
#include "music/chance.h"
#include "music/clock.h"
#include "png_write.h"
#include "review.h"
#include "raster/image.h"
#include "raster/numeric.h"
#include "storyboard.h"
#include "video.h"

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
    "  --fps F            frame i is at playback position i / F seconds (default 60;\n"
    "                     1 to 1000 for --video)\n"
    "  --times FILE       the exact frame sequence instead: one DemoTime (ms) per line\n"
    "                     (below 0 reads as 0: the music has no earlier position);\n"
    "                     warns when it skips frames that later frames build on\n"
    "  --at T             the show's frame at DemoTime T: every frame before T at the\n"
    "                     rate of --fps, then T, saved as frame-T.png (no end fade)\n"
    "  --what T           list the schedule rows and routines active at DemoTime T\n"
    "                     and whether the frame is cleared; renders nothing\n"
    "  --until MS         stop after the first frame at or past MS (no end fade);\n"
    "                     default: the show's own end at 73000, then the end fade\n"
    "  --passes N         run N passes, as the program does with \"l\" (default 1); each\n"
    "                     pass must reach the show's end (a --times list up to 73000,\n"
    "                     no --until inside the pass)\n"
    "  --no-fade          leave out the end fade\n"
    "  --save T1,T2,...   write the first frame whose DemoTime >= T as frame-<DemoTime>.png\n"
    "  --save all         write every presented frame (fade frames as fade-<n>.png)\n"
    "  --out DIR          folder for --save (default: the current folder; created if missing)\n"
    "  --hash             print '<DemoTime> <crc32 of Screen's bytes>' per presented frame\n"
    "  --digest           print a compact record of every presented frame: per schedule\n"
    "                     row a digest of its frames, per frame 16 bits of its hash\n"
    "                     (tests/show-hashes.txt; tools/pin-show-hashes.sh writes it)\n"
    "  --raw PATH|-       write every presented frame as raw BGRA (1280 x 720 x 4 bytes each)\n"
    "  --video OUT        write a video file with the soundtrack: frame i at i / F seconds,\n"
    "                     the end fade included, the music from its first sample, then\n"
    "                     its 200 ms fade to silence; .mp4 and .mov: H.264 + AAC, .mkv:\n"
    "                     H.264 + FLAC, .webm: VP9 + Opus\n"
    "  --codec NAME       h264 (yuv420p, CRF 18), h264rgb (lossless: qp 0 unless --crf),\n"
    "                     ffv1 (lossless, the alpha too; .mkv) or vp9 (CRF 31)\n"
    "  --crf N            constant quality of h264, h264rgb (0 to 51) or vp9 (0 to 63)\n"
    "  --scale N          every pixel becomes an N x N block (3: 3840 x 2160); 1 to 6\n"
    "  --music PATH       the soundtrack (default: kaz.mp3 beside this executable)\n"
    "  --seed N           seed of the random digit field (default 1; runs repeat)\n"
    "  --storyboard PATH  one PNG contact sheet: the frame at the middle of each schedule\n"
    "                     row, 320 x 180, labelled with its DemoTime and routines\n"
    "  --flashes          count the general and red flashes of every second of the frames\n"
    "                     (the three-flashes measure of WCAG 2.x: transitions of at least\n"
    "                     10% luminance or of saturated red over 341 x 256 pixels) and list\n"
    "                     the seconds with more than three; then a one-line summary\n"
    "  --bench            per schedule row: frames, median and maximum ms of its routines;\n"
    "                     then the show's median, worst and mean frames per second, the\n"
    "                     worst frame and the page faults of each pass, the end fade,\n"
    "                     the 10 slowest frames, the frames with page faults and the\n"
    "                     start-up by step; runs two passes unless --passes or --until\n"
    "                     is given\n"
    "  --quiet            no progress on standard error\n"
    "  --help             this text\n"
    "\n"
    "Hashes, raw frames and bench figures go to standard output; the show's own console\n"
    "output (\"Loading...\", pack errors) and the progress go to standard error.\n"
    "Fatal errors also go to logger.log in the current folder, as in the program.\n"
    "Exit status: 0 when the show has ended, 1 on any error.\n"
    "\n"
    "examples: morvex-render --fps 30 --save 12200,25381,44041 --out shots --storyboard board.png\n"
    "          morvex-render --video show.mp4\n"
    "          morvex-render --video show-lossless.mkv --codec ffv1\n"
    "          morvex-render --video show-4k.mp4 --scale 3\n";

[[noreturn]] void fail(const std::string& message) {
  std::fprintf(stderr, "morvex-render: %s\n", message.c_str());
  std::exit(1);
}

// ---- options ----

struct RenderOptions {
  std::string pack;
  double fps = 60.0;
  bool fpsGiven = false;
  std::string fpsText;
  std::string timesFile;
  bool atGiven = false;
  int32_t at = 0;
  bool untilGiven = false;
  int32_t until = 0;
  int32_t passes = 1;
  bool passesGiven = false;
  bool noFade = false;
  bool saveAll = false;
  std::vector<int32_t> saveTimes;
  std::string outDir = ".";
  bool hash = false;
  bool digest = false;
  std::string rawPath;
  uint32_t seed = 1;
  std::string storyboardPath;
  bool bench = false;
  bool flashes = false;
  bool quiet = false;
  std::string videoPath;
  std::string codec;
  int32_t crf = -1;
  int32_t scale = 1;
  std::string musicPath;
  bool videoSettingsGiven = false;  // --codec, --crf, --scale or --music
};

// A whole decimal integer in [lo, hi], or the program ends naming the option.
int64_t parseInteger(const std::string& option, const std::string& text, int64_t lo, int64_t hi) {
  errno = 0;
  char* end = nullptr;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno == ERANGE || v < lo || v > hi) {
    fail(option + ": '" + text + "' is not a whole number from " + std::to_string(lo) + " to " + std::to_string(hi));
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
      o.fpsText = t;
    } else if (arg == "--times") {
      o.timesFile = next();
    } else if (arg == "--at") {
      o.at = int32_t(parseInteger(arg, next(), 0, INT32_MAX));
      o.atGiven = true;
    } else if (arg == "--what") {
      std::fputs(describeScheduleAt(int32_t(parseInteger(arg, next(), INT32_MIN, INT32_MAX))).c_str(), stdout);
      std::exit(0);
    } else if (arg == "--until") {
      o.until = int32_t(parseInteger(arg, next(), INT32_MIN, INT32_MAX));
      o.untilGiven = true;
    } else if (arg == "--passes") {
      o.passes = int32_t(parseInteger(arg, next(), 1, 1000000));
      o.passesGiven = true;
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
    } else if (arg == "--digest") {
      noValue();
      o.digest = true;
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
    } else if (arg == "--flashes") {
      noValue();
      o.flashes = true;
    } else if (arg == "--video") {
      o.videoPath = next();
      if (o.videoPath.empty()) fail("--video needs a path");
    } else if (arg == "--codec") {
      o.codec = next();
      o.videoSettingsGiven = true;
    } else if (arg == "--crf") {
      o.crf = int32_t(parseInteger(arg, next(), 0, 63));
      o.videoSettingsGiven = true;
    } else if (arg == "--scale") {
      o.scale = int32_t(parseInteger(arg, next(), 1, 6));
      o.videoSettingsGiven = true;
    } else if (arg == "--music") {
      o.musicPath = next();
      if (o.musicPath.empty()) fail("--music needs a path");
      o.videoSettingsGiven = true;
    } else if (arg == "--quiet") {
      noValue();
      o.quiet = true;
    } else {
      fail("unknown option '" + std::string(argv[i]) + "' (see --help)");
    }
  }
  if (o.fpsGiven && !o.timesFile.empty()) fail("--fps and --times exclude each other");
  if (o.atGiven && !o.timesFile.empty()) fail("--at and --times exclude each other");
  if (o.atGiven && o.untilGiven) fail("--at and --until exclude each other");
  if (o.atGiven) {
    // The frame at T ends the render; it is saved unless --save says otherwise.
    o.noFade = true;
    if (!o.saveAll && o.saveTimes.empty()) o.saveTimes.push_back(o.at);
  }
  if (o.videoSettingsGiven && o.videoPath.empty()) fail("--codec, --crf, --scale and --music go with --video");
  // A video's frame lasts 1 / F s: below 1 fps the end fade alone would take
  // minutes, above 1000 no player keeps up.
  if (!o.videoPath.empty() && o.fpsGiven && !(o.fps >= 1.0 && o.fps <= 1000.0))
    fail("--fps: '" + o.fpsText + "' is not a frame rate from 1 to 1000, as a video needs");
  if (!o.videoPath.empty() && (!o.timesFile.empty() || o.atGiven))
    fail("--video and --times exclude each other: a video runs at the constant rate --fps");
  if (o.rawPath == "-" && (o.hash || o.bench || o.digest))
    fail("--raw - takes standard output; --hash, --digest and --bench cannot share it");
  if (o.flashes && (!o.timesFile.empty() || o.atGiven))
    fail("--flashes counts frames at the constant rate --fps: --times and --at exclude it");
  if (o.flashes && o.rawPath == "-") fail("--raw - takes standard output; --flashes cannot share it");
  if (o.digest && o.hash) fail("--digest and --hash exclude each other");
  // The second pass shows the frames with every buffer already warm.
  if (o.bench && !o.passesGiven && !o.untilGiven && o.timesFile.empty() && !o.atGiven) o.passes = 2;
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
    times.push_back(int32_t(
        parseInteger(path + ":" + std::to_string(number), line.substr(first, last - first + 1), INT32_MIN, INT32_MAX)));
  }
  if (times.empty()) fail(path + ": no DemoTime in the file");
  return times;
}

// ---- the render's state ----

RenderOptions Options;
std::vector<int32_t> Times;  // --times: the frame sequence of every pass
FILE* DataOut = nullptr;     // the real standard output: hashes, raw frames, bench
FILE* RawOut = nullptr;
std::vector<bool> Saved;  // per --save time

constexpr uint8_t EscapeCode = 9, SpaceCode = 65;  // the usual X key codes

SteadyClock::time_point RunStart, LastProgress;
int64_t Presented = 0, ExpectedPresents = 0;

FlashCount Flashes;

std::vector<StoryCell> Story;
std::vector<int32_t> StoryMid;  // per schedule row: the DemoTime of its middle
std::vector<bool> StoryTaken;

// DemoTime of frame i of a pass under --fps, through the real clock arithmetic.
uint64_t fpsPosition(int64_t i) { return musicSecondsToBytes(double(i) / Options.fps); }
int32_t demoTimeAt(uint64_t bytes) { return roundToInt32(musicBytesToSeconds(uint32_t(bytes)) * 1000.0); }

// The clock: read once per frame, first thing in the frame.
uint64_t virtualPosition() {
  if (Options.bench) benchFrameStarted();
  const int64_t i = ShowFrameNumber - 1;
  if (!Times.empty()) return musicBytesForDemoTime(Times[size_t(std::min<int64_t>(i, int64_t(Times.size()) - 1))]);
  return fpsPosition(i);
}

// DemoTime of frame i of a pass (the list's times below 0 read as 0).
int32_t frameTime(int64_t i) {
  if (!Times.empty())
    return demoTimeAt(musicBytesForDemoTime(Times[size_t(std::min<int64_t>(i, int64_t(Times.size()) - 1))]));
  return demoTimeAt(fpsPosition(i));
}

// Frames up to and including the first at or past end among the first limit
// frames of a pass; 0 when none of them gets there.
int64_t framesToReach(int32_t end, int64_t limit) {
  for (int64_t i = 0; i < limit; ++i)
    if (frameTime(i) >= end) return i + 1;
  return 0;
}

// The frames of one pass: up to the first at or past the show's end. A list
// that never gets there ends the render after its last frame.
int64_t PassFrames = 0;
bool ListEndsEarly = false;
// The frames after which --until stops the render, 0 when no frame of the
// pass gets there (then it changes nothing).
int64_t UntilFrames = 0;

// Works out where the render stops, before anything is loaded, and refuses
// combinations whose later passes could never start.
void planPasses() {
  const int64_t listed = int64_t(Times.size());
  PassFrames = framesToReach(ShowEndTime, Times.empty() ? int64_t(1) << 40 : listed);
  ListEndsEarly = PassFrames == 0;
  if (ListEndsEarly) PassFrames = listed;
  if (Options.untilGiven) UntilFrames = framesToReach(Options.until, PassFrames);
  if (Options.passes > 1 && ListEndsEarly)
    fail("--passes " + std::to_string(Options.passes) + ": " + Options.timesFile + " ends at " +
         std::to_string(frameTime(listed - 1)) + " ms, before the show's end at " + std::to_string(ShowEndTime) +
         ", so no pass after the first could start");
  if (Options.passes > 1 && UntilFrames > 0)
    fail("--passes " + std::to_string(Options.passes) + ": --until " + std::to_string(Options.until) +
         " stops the render within the first pass");
}

void estimatePresents() {
  if (UntilFrames > 0) {
    ExpectedPresents = UntilFrames;
  } else if (ListEndsEarly) {
    ExpectedPresents = PassFrames;
  } else {
    ExpectedPresents = int64_t(Options.passes) * (PassFrames + (Options.noFade ? 0 : EndFadePasses));
  }
}

void showProgress(bool last) {
  if (Options.quiet || videoOpen()) return;  // a capture shows its own progress
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
  if (Options.bench) benchFramePresented(inPass, ShowPassNumber, DemoTime);
  ++Presented;
  const size_t bytes = size_t(Screen.width) * size_t(Screen.height) * 4;

  if (Options.hash) {
    std::fprintf(DataOut, "%d %08x\n", DemoTime, crc32Of(Screen.pixels, bytes));
  }
  if (Options.digest) digestFrame(DemoTime, inPass, crc32Of(Screen.pixels, bytes));
  if (Options.flashes) countFlashFrame(Flashes, Screen.pixels);
  if (RawOut && std::fwrite(Screen.pixels, 1, bytes, RawOut) != bytes) {
    fail(Options.rawPath + ": " + std::strerror(errno));
  }
  if (videoOpen()) {
    std::string error;
    if (!addVideoFrame(Screen, inPass && ShowFrameNumber == 1, error)) fail(error);
  }
  if (Options.saveAll) {
    savePng(passPrefix() +
            (inPass ? "frame-" + std::to_string(DemoTime) : "fade-" + std::to_string(EndFadePasses - FadeCounter + 1)) +
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
    // A list that reaches the show's end ends the pass by itself (fade, next pass).
    const bool listDone = ListEndsEarly && ShowFrameNumber >= PassFrames;
    const bool lastFrameOfLastPass = ShowPassNumber >= Options.passes && DemoTime >= ShowEndTime && !ShowEndFade;
    stop = untilReached || listDone || lastFrameOfLastPass;
  } else {
    stop = ShowPassNumber >= Options.passes && FadeCounter <= 1;
  }
  if (stop) KeyDown[EscapeCode] = 1;

  showProgress(false);
  if (Options.bench) benchPresentFinished();
}

const ShowPlatform RenderPlatform = {rInitMusic,        rPlayMusic,         rSetMusicPosition, rFadeOutMusic,
                                     rOpenOutputWindow, rCloseOutputWindow, rCapturePointer,   rPresentFrame};

}  // namespace

int main(int argc, char** argv) {
  Options = parseOptions(argc, argv);
  if (!Options.timesFile.empty()) {
    Times = readTimes(Options.timesFile);
    const std::string warning = skippedFramesWarning(Times, Options.timesFile);
    if (!warning.empty()) std::fprintf(stderr, "morvex-render: %s\n", warning.c_str());
  }
  if (Options.atGiven) Times = framesLeadingTo(Options.at, Options.fps);
  planPasses();

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

  if (!Options.pack.empty()) DataPackPath = Options.pack;
  RandomSeed = Options.seed;
  RandomSeedFixed = true;
  ShowEndFade = !Options.noFade;
  estimatePresents();
  if (!Options.videoPath.empty()) {
    VideoSettings video;
    video.path = Options.videoPath;
    video.codec = Options.codec;
    video.crf = Options.crf;
    video.scale = Options.scale;
    video.musicPath = Options.musicPath.empty() ? executableDirectory() + "kaz.mp3" : Options.musicPath;
    video.fps = Options.fps;
    video.expectedFrames = ExpectedPresents;
    video.quiet = Options.quiet;
    std::string error;
    if (!openVideo(video, error)) fail(error);
  }

  // The program's command line: windowed, and "l" for more than one pass.
  std::vector<const char*> args = {"morvex-render", "w"};
  if (Options.passes > 1) args.push_back("l");
  RunStart = LastProgress = SteadyClock::now();
  if (Options.bench) startBench(Options.passes);
  if (Options.flashes) startFlashCount(Flashes, ShowWidth, ShowHeight, Options.fps);
  runShow(RenderPlatform, int(args.size()), args.data());
  showProgress(true);
  if (videoOpen()) {
    std::string error;
    if (!finishVideo(error)) fail(error);
  }

  if (RawOut && RawOut != DataOut && std::fclose(RawOut) != 0) fail(Options.rawPath + ": " + std::strerror(errno));
  if (!Options.storyboardPath.empty()) {
    std::string error;
    // Captured in time order; shown in table order.
    std::stable_sort(Story.begin(), Story.end(), [](const StoryCell& a, const StoryCell& b) { return a.Row < b.Row; });
    const std::string title =
        "morvex storyboard: " + std::to_string(Story.size()) + " of " + std::to_string(EffectScheduleRows) +
        " schedule rows, " +
        (Times.empty() || Options.atGiven ? std::to_string(int(Options.fps)) + " fps" : Options.timesFile) + ", seed " +
        std::to_string(Options.seed);
    if (!writeStoryboard(Options.storyboardPath, title, Story, error)) fail(error);
    if (!Options.quiet)
      std::fprintf(stderr, "storyboard: %s (%zu rows)\n", Options.storyboardPath.c_str(), Story.size());
  }
  if (Options.bench) printBenchReport(DataOut);
  if (Options.flashes) {
    const FlashFigures figures = flashFigures(Flashes);
    std::fprintf(DataOut, "morvex-render --flashes: %lld frames at %g frames a second, %s\n%s%s\n",
                 (long long)figures.frames, Options.fps,
                 Options.noFade || UntilFrames > 0 ? "without the end fade" : "with the end fade",
                 flashTable(figures).c_str(), flashSummary(figures).c_str());
  }
  if (Options.digest) {
    char rate[64];
    std::snprintf(rate, sizeof rate, "%g frames a second", Options.fps);
    char heading[200];
    std::snprintf(heading, sizeof heading, "morvex-render --digest: %s, %s, seed %u",
                  Times.empty() ? rate : "frames from a list", Options.noFade ? "no end fade" : "with the end fade",
                  Options.seed);
    writeDigest(DataOut, heading);
  }
  if (std::fflush(DataOut) != 0) fail(std::string("standard output: ") + std::strerror(errno));
  return 0;
}
