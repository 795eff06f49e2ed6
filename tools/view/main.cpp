// morvex-view: the show in a window with its sound from any time, for
// reviewing one scene. It runs the program's own pieces (asset pack, modules,
// the frame of drawShowFrame, the window and its presentation, the music back
// end and its clock) under a small loop of its own with review keys:
//   p or space  pause / go on (paused, the sound is muted and the clock stands)
//   .           one frame on (1/60 s), pausing first
//   Right Left  seek 1 s forwards / back
//   r           back to the start of the loop (or of --from)
//   Escape, q   quit
#include <X11/keysym.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "data/assets.h"
#include "display/display.h"
#include "display/display_x11.h"  // the key codes of the review keys
#include "driver/modules.h"
#include "driver/seek.h"
#include "driver/show.h"
#include "music/chance.h"
#include "music/clock.h"
#include "music/music.h"

namespace {

const char* const UsageText =
    "usage: morvex-view [--from T] [--loop A B]\n"
    "\n"
    "Plays the show in a window with its sound, from T seconds of the music\n"
    "(default 0); with --loop it jumps back to A whenever the music passes B.\n"
    "Keys: p or space pause/go on, . one frame on, Right/Left seek 1 s,\n"
    "r back to the loop's start, Escape or q quit.\n"
    "Effects keep state from frame to frame, and from 33 s on every frame draws\n"
    "over the one before: a seek first draws, unseen, the frames since the active\n"
    "scenes began (at most 8 s), so the picture builds up as in the show;\n"
    "morvex-render --at gives the exact frame of a given rate.\n";

[[noreturn]] void fail(const std::string& message) {
  std::fprintf(stderr, "morvex-view: %s\n", message.c_str());
  std::exit(1);
}

double parseSeconds(const std::string& option, const char* text) {
  errno = 0;
  char* end = nullptr;
  const double v = std::strtod(text, &end);
  if (*text == '\0' || *end != '\0' || errno == ERANGE || !(v >= 0.0 && v <= 100.0))
    fail(option + ": '" + text + "' is not a time from 0 to 100 seconds");
  return v;
}

constexpr int32_t ViewEndMs = 76000;  // the last schedule row ends at 75999
const char* const ViewEndText = "; a start must come before 76 s";

MusicPositionSource MusicSource = nullptr;  // the back end's heard position
int32_t LastMusicMs = 0;                    // the last time the music can be started from

bool Paused = false;

struct ReviewKeys {
  uint8_t pause, step, forward, back, restart, quit;
};
ReviewKeys Keys;
uint8_t PressesSeen[256];

// True once per press, also for a press released before the frame ended.
bool pressed(uint8_t code) {
  if (code == 0 || KeyPresses[code] == PressesSeen[code]) return false;
  PressesSeen[code] = KeyPresses[code];
  return true;
}

void setVolume(float v) { audioChannelSlideAttribute(MusicStream, AudioAttribVol, v, 0); }

// The music heard from ms on. A stream that has played to its end waits,
// stopped, at a new place until it is started again, so it is started every time.
void playMusicFrom(int32_t ms) {
  setMusicPosition(float(ms / 1000.0));
  playMusic();
  MusicPosition = MusicSource;
}

// Puts the show at time ms: the per-pass resets, the frames leading there
// drawn unseen at 60 frames a second, then the music from there.
void seekTo(int32_t ms) {
  ms = std::clamp(ms, 0, LastMusicMs);
  buildUpTo(ms);
  if (Paused) {
    drawShowFrame();
  } else {
    playMusicFrom(ms);
  }
  std::printf("at %d ms%s\n", ms, Paused ? " (paused)" : "");
  std::fflush(stdout);
}

void pauseView() {
  Paused = true;
  ReviewTime = DemoTime;
  MusicPosition = reviewPosition;
  setVolume(0.0f);
  std::printf("paused at %d ms\n", DemoTime);
  std::fflush(stdout);
}

void resumeView() {
  Paused = false;
  ReviewTime = std::min(ReviewTime, LastMusicMs);  // frames stepped past the music's end
  playMusicFrom(ReviewTime);
  setVolume(1.0f);
  std::printf("playing from %d ms\n", ReviewTime);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  double from = 0.0, loopA = -1.0, loopB = -1.0;
  bool fromGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(UsageText, stdout);
      return 0;
    } else if (arg == "--from") {
      if (i + 1 >= argc) fail("--from needs a time in seconds");
      from = parseSeconds(arg, argv[++i]);
      if (from * 1000.0 >= ViewEndMs) fail(arg + ": " + argv[i] + " s is past the show's end" + ViewEndText);
      fromGiven = true;
    } else if (arg == "--loop") {
      if (i + 2 >= argc) fail("--loop needs two times in seconds, A and B");
      loopA = parseSeconds(arg, argv[++i]);
      if (loopA * 1000.0 >= ViewEndMs) fail(arg + ": A (" + argv[i] + " s) is past the show's end" + ViewEndText);
      loopB = parseSeconds(arg, argv[++i]);
      if (loopB <= loopA) fail("--loop: B must come after A");
    } else {
      fail("unknown argument '" + arg + "' (see --help)");
    }
  }
  const bool looping = loopA >= 0.0;
  if (looping && !fromGiven) from = loopA;
  const int32_t startMs = int32_t(from * 1000.0 + 0.5);
  const int32_t loopStart = int32_t(loopA * 1000.0 + 0.5);
  int32_t loopEnd = int32_t(loopB * 1000.0 + 0.5);

  // The program's start-up, windowed; the digit field is seeded as in the renderer.
  std::printf("Loading...\n");
  std::fflush(stdout);
  loadAllImages();
  initMusic();
  MusicSource = MusicPosition;
  // Past its end the music cannot be started: a loop that would end there ends
  // with the music, and no seek goes beyond it.
  const int32_t musicEndMs =
      int32_t(audioChannelBytes2Seconds(MusicStream, audioChannelGetLength(MusicStream, AudioPosByte)) * 1000.0);
  LastMusicMs = std::max(0, musicEndMs - 1);
  if (startMs > LastMusicMs || (looping && loopStart > LastMusicMs))
    fail("the music ends at " + std::to_string(musicEndMs) + " ms, before the start at " +
         std::to_string(looping && !fromGiven ? loopStart : startMs) + " ms");
  if (looping && loopEnd > musicEndMs) {
    std::fprintf(stderr, "morvex-view: --loop: the music ends at %d ms, before B; the loop ends there\n", musicEndMs);
    loopEnd = musicEndMs;
  }
  RandomSeed = 1;
  initEffectModules();
  openOutputWindow(ShowWidth, ShowHeight, false);
  Keys = {uint8_t(XKeysymToKeycode(XDisplay, XK_p)),     uint8_t(XKeysymToKeycode(XDisplay, XK_period)),
          uint8_t(XKeysymToKeycode(XDisplay, XK_Right)), uint8_t(XKeysymToKeycode(XDisplay, XK_Left)),
          uint8_t(XKeysymToKeycode(XDisplay, XK_r)),     uint8_t(XKeysymToKeycode(XDisplay, XK_q))};
  std::memcpy(PressesSeen, KeyPresses, sizeof PressesSeen);
  playMusic();
  seekTo(startMs);

  while (!WindowClosed) {
    if (!Paused) {
      drawShowFrame();
    }
    presentFrame();
    if (pressed(KeyCodes.Escape) || pressed(Keys.quit)) break;
    const bool spacePressed = pressed(KeyCodes.space);
    if (pressed(Keys.pause) || spacePressed) {
      if (Paused)
        resumeView();
      else
        pauseView();
    }
    if (pressed(Keys.step)) {
      if (!Paused) pauseView();
      ReviewTime += SeekStepMs;
      drawShowFrame();
    }
    if (pressed(Keys.forward)) seekTo((Paused ? ReviewTime : DemoTime) + 1000);
    if (pressed(Keys.back)) seekTo((Paused ? ReviewTime : DemoTime) - 1000);
    if (pressed(Keys.restart)) seekTo(looping ? loopStart : startMs);
    if (!Paused && looping && DemoTime > loopEnd) seekTo(loopStart);
    if (!Paused && !looping && DemoTime >= ViewEndMs) pauseView();
  }

  fadeOutMusic();
  closeOutputWindow();
  freeEffectModules();
  freeAllImages();
  return 0;
}
