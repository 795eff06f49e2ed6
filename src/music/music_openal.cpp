// The audio back end: the whole MP3 is decoded at stream creation into one
// block of 44100 Hz stereo 16-bit samples (music/mp3_decode.h), OpenAL Soft
// plays that block from a single static buffer. Only the calls the show needs, with the
// behaviour it relies on; the mixer's own threads do the playing.
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <dirent.h>
#include <sched.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "data/util.h"
#include "music/clock.h"
#include "music/mp3_decode.h"
#include "music/music.h"

namespace {

constexpr uint32_t StreamHandle = 0x4D5A0001;  // the one stream's handle
constexpr int32_t OutputRate = Mp3OutputRate;
constexpr int32_t OutputChannels = Mp3OutputChannels;
constexpr uint32_t BytesPerFrame = 4;  // one stereo 16-bit sample frame

enum class Playback { Stopped, Playing, Ended };

struct AudioStream {
  bool open = false;
  std::vector<int16_t> samples;  // interleaved left, right
  uint64_t lengthFrames = 0;
  ALuint buffer = 0;
  ALuint source = 0;
  Playback state = Playback::Stopped;
  // The reported position (in seconds of music) and when it was reported.
  double reported = 0.0;
  double reportedAt = 0.0;
  // The last value the mixer gave and when it first gave it; whether it has
  // changed since the pass began.
  double rawSeconds = -1.0;
  double rawAt = 0.0;
  bool rawMoving = false;
  // The volume glide.
  float gain = 1.0f;
  bool sliding = false;
  float slideFrom = 1.0f, slideTo = 1.0f;
  double slideStart = 0.0, slideSeconds = 0.0;
};

int32_t LastError = AudioOk;
ALCdevice* Device = nullptr;
ALCcontext* Context = nullptr;
LPALGETSOURCEDVSOFT GetSourcedv = nullptr;   // AL_SOFT_source_latency, when the library has it
double MixPeriodSeconds = 1024.0 / 44100.0;  // replaced by the device's figure
AudioStream Stream;

bool fail(int32_t code) {
  LastError = code;
  return false;
}

double monotonicSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double lengthSeconds() { return double(Stream.lengthFrames) / OutputRate; }

// Decodes the whole file into Stream.samples.
bool decodeFile(const char* path) {
  const int32_t code = decodeMp3File(path, Stream.samples);
  if (code != AudioOk) return fail(code);
  Stream.lengthFrames = Stream.samples.size() / OutputChannels;
  return true;
}

// Offset minus latency: the position the listener hears now, in seconds.
double mixerHeardSeconds() {
  if (GetSourcedv != nullptr) {
    ALdouble values[2] = {0.0, 0.0};
    GetSourcedv(Stream.source, AL_SEC_OFFSET_LATENCY_SOFT, values);
    return values[0] - values[1];
  }
  ALfloat offset = 0.0f;
  alGetSourcef(Stream.source, AL_SEC_OFFSET, &offset);
  return offset;
}

ALint sourceState() {
  ALint state = AL_STOPPED;
  alGetSourcei(Stream.source, AL_SOURCE_STATE, &state);
  return state;
}

// The smoothing starts afresh at a new place in the music.
void startPassAt(double seconds, double now) {
  Stream.reported = seconds;
  Stream.reportedAt = now;
  Stream.rawSeconds = -1.0;
  Stream.rawAt = now;
  Stream.rawMoving = false;
}

// Brings the reported position up to now.
void followPlayback() {
  const double now = monotonicSeconds();
  if (Stream.state == Playback::Playing && sourceState() != AL_PLAYING) {
    // The source has played to its end (and reads offset 0 from now on): the
    // music goes on as silence, in real time from the last position reported.
    Stream.state = Playback::Ended;
  }
  if (Stream.state == Playback::Ended) {
    Stream.reported += now - Stream.reportedAt;
    Stream.reportedAt = now;
    return;
  }
  if (Stream.state == Playback::Stopped) return;

  // The mixer's figure of the heard position changes once per mixing period,
  // and not at all while its thread gets no processor time, although the
  // sound already queued plays on; under load it also wanders by some tens of
  // milliseconds around the true position and jumps back and forth. A sound
  // card plays at a steady rate, so once the figure has been seen moving (the
  // first sound is heard) the clock runs on the monotonic clock and only
  // leans towards the figure, carried forward from where it was last given:
  // within DeadBand it is left alone, beyond that the clock runs up to MaxSlew
  // faster or slower, in proportion to the error, until it is back; a figure more than CatchUp ahead is
  // jumped to, one more than CatchUp behind (sound that really stalled) is
  // waited for at SlowDown less than the real pace. So under load frames drop
  // but time keeps flowing, and it never runs backwards. Before the first
  // sound (the device's latency at the start of a pass) the clock stays at the
  // figure: nothing has been heard yet, and a clock that ran ahead there would
  // have to be held back afterwards.
  const double raw = std::clamp(mixerHeardSeconds(), 0.0, lengthSeconds());
  const bool firstMove = !Stream.rawMoving && Stream.rawSeconds >= 0.0 && raw != Stream.rawSeconds;
  if (raw != Stream.rawSeconds) {
    Stream.rawSeconds = raw;
    Stream.rawAt = now;
  }
  const double since = now - Stream.rawAt;
  if (!Stream.rawMoving) {
    Stream.rawMoving = firstMove;
    Stream.reported = std::max(Stream.reported, Stream.rawSeconds);
    Stream.reportedAt = now;
    return;
  }
  // The lean is proportional: 4% faster or slower per 10 ms of error, at most
  // 10%, so an offset of some tens of milliseconds (the first sound, a mixer
  // figure that wandered) is gone within a few tenths of a second, while the
  // frame-to-frame pace never changes by more than a tenth.
  constexpr double DeadBand = 0.002, MaxSlew = 0.10, SlewPerSecond = 4.0, CatchUp = 0.250, SlowDown = 0.25;
  const double figure = Stream.rawSeconds + since;
  const double elapsed = now - Stream.reportedAt;
  const double error = figure - (Stream.reported + elapsed);
  double next;
  if (error > CatchUp) {
    next = figure;
  } else if (error < -CatchUp) {
    next = Stream.reported + elapsed * (1.0 - SlowDown);
  } else {
    const double outside = error > DeadBand ? error - DeadBand : error < -DeadBand ? error + DeadBand : 0.0;
    const double slew = std::clamp(outside * SlewPerSecond, -MaxSlew, MaxSlew);
    next = Stream.reported + elapsed * (1.0 + slew);
  }
  Stream.reported = std::max(Stream.reported, next);
  Stream.reportedAt = now;
}

void applyGlide() {
  if (!Stream.sliding) return;
  const double t = Stream.slideSeconds > 0.0 ? (monotonicSeconds() - Stream.slideStart) / Stream.slideSeconds : 1.0;
  if (t >= 1.0) {
    Stream.gain = Stream.slideTo;
    Stream.sliding = false;
  } else {
    Stream.gain = Stream.slideFrom + float(t) * (Stream.slideTo - Stream.slideFrom);
  }
  alSourcef(Stream.source, AL_GAIN, Stream.gain);
}

bool checkStream(uint32_t stream) {
  if (Device == nullptr) return fail(AudioErrorNotInit);
  if (stream != StreamHandle || !Stream.open) return fail(AudioErrorHandle);
  return true;
}

void releaseStream() {
  if (!Stream.open) return;
  alSourceStop(Stream.source);
  alSourcei(Stream.source, AL_BUFFER, 0);
  alDeleteSources(1, &Stream.source);
  alDeleteBuffers(1, &Stream.buffer);
  Stream = AudioStream();
}

// OpenAL Soft mixes 3 periods of 1024 frames ahead by default (70 ms): on a
// busy machine its feeding thread misses that now and then and the sound drops
// out. The show has no use for low latency (the clock subtracts whatever the
// library reports), so it mixes 4 periods of 4096 frames ahead (370 ms) and
// asks for real-time priority for the feeding thread, which the system grants
// to root or within RLIMIT_RTPRIO and otherwise quietly refuses. The settings
// reach the library as one more configuration file, read after the system's
// and the user's; whoever names a file in ALSOFT_CONF keeps full control.
constexpr const char* MixAheadConfig =
    "[general]\n"
    "period_size = 4096\n"
    "periods = 4\n"
    "rt-prio = 1\n";

void chooseMixAhead() {
  static bool done = false;
  if (done || std::getenv("ALSOFT_CONF") != nullptr) return;
  done = true;
  // An anonymous file, so nothing has to lie beside the program; the library
  // reads it by name when the first device opens.
  const int fd = memfd_create("morvex-alsoft.conf", MFD_CLOEXEC);
  if (fd < 0) return;
  const size_t length = std::strlen(MixAheadConfig);
  if (write(fd, MixAheadConfig, length) != ssize_t(length)) {
    close(fd);
    return;
  }
  setenv("ALSOFT_CONF", ("/proc/self/fd/" + std::to_string(fd)).c_str(), 1);
}

// OpenAL's mixer hands its blocks to the sound server through the threads of
// the server's client library (libpulse's "threaded-ml"), which run at normal
// priority: on a busy machine they are the ones that come too late. The
// program starts no threads of its own, so every thread but the main one
// belongs to the audio stack once the context exists: each is given the
// lowest real-time priority, or where the system refuses that, the niceness
// the sound server gives itself (-11); without either it stays as it is.
void raiseAudioThreads() {
  const pid_t self = getpid();
  DIR* tasks = opendir("/proc/self/task");
  if (tasks == nullptr) return;
  while (const dirent* entry = readdir(tasks)) {
    const pid_t tid = pid_t(std::atoi(entry->d_name));
    if (tid <= 0 || tid == self) continue;
    int policy = sched_getscheduler(tid);
    if (policy == SCHED_FIFO || policy == SCHED_RR) continue;  // OpenAL's mixer with rt-prio
    sched_param param{};
    param.sched_priority = sched_get_priority_min(SCHED_RR);
    if (sched_setscheduler(tid, SCHED_RR, &param) != 0) setpriority(PRIO_PROCESS, id_t(tid), -11);
  }
  closedir(tasks);
}

// What was mixed ahead is still to be heard when the show lets go of the
// device (the end of the volume glide among it): wait for it, at most 1 s.
void drainMixAhead() {
  if (!Stream.open || Stream.state != Playback::Playing || GetSourcedv == nullptr) return;
  if (sourceState() != AL_PLAYING) return;
  ALdouble values[2] = {0.0, 0.0};
  GetSourcedv(Stream.source, AL_SEC_OFFSET_LATENCY_SOFT, values);
  const double latency = std::clamp(double(values[1]), 0.0, 1.0);
  std::this_thread::sleep_for(std::chrono::duration<double>(latency));
}

// A program that ends on a fatal path leaves the device open; closing it at
// exit keeps OpenAL from complaining about it.
void closeAtExit() {
  if (Device != nullptr) audioFree();
}

}  // namespace

bool audioInit(int32_t device, uint32_t frequency, uint32_t flags) {
  if (Device != nullptr) return fail(AudioErrorAlreadyInit);
  if (device != -1) return fail(AudioErrorNoDevice);  // only the default device is offered
  chooseMixAhead();
  Device = alcOpenDevice(nullptr);
  if (Device == nullptr) return fail(AudioErrorNoDevice);
  const ALCint attributes[] = {ALC_FREQUENCY, ALCint(frequency), 0};
  Context = alcCreateContext(Device, attributes);
  if (Context == nullptr || !alcMakeContextCurrent(Context)) {
    if (Context != nullptr) alcDestroyContext(Context);
    alcCloseDevice(Device);
    Context = nullptr;
    Device = nullptr;
    return fail(AudioErrorNoContext);
  }
  raiseAudioThreads();
  GetSourcedv = nullptr;
  if (alIsExtensionPresent("AL_SOFT_source_latency"))
    GetSourcedv = reinterpret_cast<LPALGETSOURCEDVSOFT>(alGetProcAddress("alGetSourcedvSOFT"));
  ALCint refresh = 0;
  alcGetIntegerv(Device, ALC_REFRESH, 1, &refresh);
  if (refresh > 0) MixPeriodSeconds = 1.0 / refresh;
  static bool cleanupRegistered = false;
  if (!cleanupRegistered) std::atexit(closeAtExit);
  cleanupRegistered = true;
  LastError = AudioOk;
  return true;
}

int32_t audioErrorGetCode() { return LastError; }

uint32_t audioStreamCreateFile(bool fromMemory, const char* path, uint64_t offset, uint64_t length, uint32_t flags) {
  if (Device == nullptr) return fail(AudioErrorNotInit), 0;
  if (Stream.open) return fail(AudioErrorStreamLimit), 0;
  if (fromMemory || offset != 0 || length != 0 || flags != 0) return fail(AudioErrorFileOpen), 0;
  if (!decodeFile(path)) return 0;

  alGetError();
  alGenBuffers(1, &Stream.buffer);
  alBufferData(Stream.buffer, AL_FORMAT_STEREO16, Stream.samples.data(),
               ALsizei(Stream.samples.size() * sizeof(int16_t)), OutputRate);
  alGenSources(1, &Stream.source);
  alSourcei(Stream.source, AL_BUFFER, ALint(Stream.buffer));
  alSourcei(Stream.source, AL_SOURCE_RELATIVE, AL_TRUE);  // no positional effects
  alSourcef(Stream.source, AL_GAIN, 1.0f);
  if (alGetError() != AL_NO_ERROR) {
    alDeleteSources(1, &Stream.source);
    alDeleteBuffers(1, &Stream.buffer);
    Stream = AudioStream();
    return fail(AudioErrorBuffer), 0;
  }
  // OpenAL holds its own copy now.
  Stream.samples.clear();
  Stream.samples.shrink_to_fit();
  Stream.open = true;
  startPassAt(0.0, monotonicSeconds());
  LastError = AudioOk;
  return StreamHandle;
}

// alSourcePlay restarts a playing source, so a playing stream is left alone.
bool audioChannelPlay(uint32_t stream, bool restart) {
  if (!checkStream(stream)) return false;
  followPlayback();
  const double now = monotonicSeconds();
  if (restart) {
    alSourceStop(Stream.source);
    alSourceRewind(Stream.source);
    startPassAt(0.0, now);
  } else if (Stream.state == Playback::Playing) {
    return true;
  } else if (Stream.state == Playback::Ended) {
    // A stream that has played to its end starts again from the beginning.
    startPassAt(0.0, now);
  }
  alSourcePlay(Stream.source);
  Stream.state = Playback::Playing;
  Stream.rawSeconds = -1.0;
  Stream.rawMoving = false;
  LastError = AudioOk;
  return true;
}

uint64_t audioChannelSeconds2Bytes(uint32_t stream, double seconds) {
  if (!checkStream(stream)) return 0;
  return musicSecondsToBytes(seconds);
}

double audioChannelBytes2Seconds(uint32_t stream, uint64_t bytes) {
  if (!checkStream(stream)) return -1.0;
  return musicBytesToSeconds(bytes);
}

bool audioChannelSetPosition(uint32_t stream, uint64_t bytes, uint32_t mode) {
  if (!checkStream(stream)) return false;
  if (mode != AudioPosByte) return fail(AudioErrorMode);
  const uint64_t frame = bytes / BytesPerFrame;
  if (frame >= Stream.lengthFrames) return fail(AudioErrorPosition);
  followPlayback();
  // On a playing source the mixer jumps there; a stopped one starts there when
  // played. A stream that had played to its end waits, stopped, at the new place.
  alSourcei(Stream.source, AL_SAMPLE_OFFSET, ALint(frame));
  if (Stream.state == Playback::Ended) Stream.state = Playback::Stopped;
  startPassAt(double(frame) / OutputRate, monotonicSeconds());
  LastError = AudioOk;
  return true;
}

uint64_t audioChannelGetLength(uint32_t stream, uint32_t mode) {
  if (!checkStream(stream)) return uint64_t(-1);
  if (mode != AudioPosByte) return fail(AudioErrorMode), uint64_t(-1);
  LastError = AudioOk;
  return Stream.lengthFrames * BytesPerFrame;
}

uint64_t audioChannelGetPosition(uint32_t stream, uint32_t mode) {
  if (!checkStream(stream)) return uint64_t(-1);
  if (mode != AudioPosByte) return fail(AudioErrorMode), uint64_t(-1);
  followPlayback();
  applyGlide();
  LastError = AudioOk;
  return uint64_t(Stream.reported * OutputRate) * BytesPerFrame;
}

bool audioChannelSlideAttribute(uint32_t stream, uint32_t attribute, float value, uint32_t ms) {
  if (!checkStream(stream)) return false;
  if (attribute != AudioAttribVol) return fail(AudioErrorAttribute);
  Stream.slideFrom = Stream.gain;
  Stream.slideTo = std::clamp(value, 0.0f, 1.0f);
  Stream.slideStart = monotonicSeconds();
  Stream.slideSeconds = ms / 1000.0;
  Stream.sliding = true;
  applyGlide();
  LastError = AudioOk;
  return true;
}

bool audioChannelIsSliding(uint32_t stream, uint32_t attribute) {
  if (!checkStream(stream)) return false;
  if (attribute != AudioAttribVol) return fail(AudioErrorAttribute);
  applyGlide();
  LastError = AudioOk;
  return Stream.sliding;
}

bool audioFree() {
  if (Device == nullptr) return fail(AudioErrorNotInit);
  drainMixAhead();
  releaseStream();
  alcMakeContextCurrent(nullptr);
  alcDestroyContext(Context);
  alcCloseDevice(Device);
  Context = nullptr;
  Device = nullptr;
  LastError = AudioOk;
  return true;
}

double audioChannelHeardSeconds(uint32_t stream, double* latencySeconds) {
  if (latencySeconds != nullptr) *latencySeconds = -1.0;
  if (!checkStream(stream) || Stream.state != Playback::Playing || sourceState() != AL_PLAYING) return -1.0;
  if (latencySeconds != nullptr && GetSourcedv != nullptr) {
    ALdouble values[2] = {0.0, 0.0};
    GetSourcedv(Stream.source, AL_SEC_OFFSET_LATENCY_SOFT, values);
    *latencySeconds = values[1];
  }
  return mixerHeardSeconds();
}

double audioMixPeriodSeconds() { return MixPeriodSeconds; }

bool audioStreamFree(uint32_t stream) {
  if (!checkStream(stream)) return false;
  releaseStream();
  LastError = AudioOk;
  return true;
}
