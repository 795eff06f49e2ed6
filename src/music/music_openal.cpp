// The audio back end: libmpg123 decodes the whole MP3 at stream creation into
// one block of 44100 Hz stereo 16-bit samples, OpenAL Soft plays that block
// from a single static buffer. Only the calls the show needs, with the
// behaviour it relies on; the mixer's own threads do the playing.
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <mpg123.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "music/clock.h"
#include "music/music.h"

namespace {

constexpr uint32_t StreamHandle = 0x4D5A0001;  // the one stream's handle
constexpr int32_t OutputRate = 44100;
constexpr int32_t OutputChannels = 2;
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
  // The last value the mixer gave and when it first gave it.
  double rawSeconds = -1.0;
  double rawAt = 0.0;
  // The volume glide.
  float gain = 1.0f;
  bool sliding = false;
  float slideFrom = 1.0f, slideTo = 1.0f;
  double slideStart = 0.0, slideSeconds = 0.0;
};

int32_t LastError = AudioOk;
ALCdevice* Device = nullptr;
ALCcontext* Context = nullptr;
LPALGETSOURCEDVSOFT GetSourcedv = nullptr;  // AL_SOFT_source_latency, when the library has it
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

// The frame count an MP3 states about itself in its Xing/Info or VBRI header
// (the first frame of the stream, after any ID3v2 tags); -1 when it has none.
int64_t claimedFrameCount(const std::vector<uint8_t>& f) {
  auto be32 = [&](size_t p) {
    return (uint32_t(f[p]) << 24) | (uint32_t(f[p + 1]) << 16) | (uint32_t(f[p + 2]) << 8) | f[p + 3];
  };
  size_t p = 0;
  while (p + 10 <= f.size() && f[p] == 'I' && f[p + 1] == 'D' && f[p + 2] == '3') {
    size_t size = (size_t(f[p + 6] & 0x7F) << 21) | (size_t(f[p + 7] & 0x7F) << 14) |
                  (size_t(f[p + 8] & 0x7F) << 7) | size_t(f[p + 9] & 0x7F);
    p += 10 + size + ((f[p + 5] & 0x10) ? 10 : 0);
  }
  const size_t searchEnd = std::min(f.size(), p + 65536);
  for (size_t i = p; i + 4 <= searchEnd; i++) {
    if (f[i] != 0xFF || (f[i + 1] & 0xE0) != 0xE0) continue;
    const int version = (f[i + 1] >> 3) & 3;  // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
    const int layer = (f[i + 1] >> 1) & 3;    // 1: layer III
    const int bitrate = f[i + 2] >> 4;
    const int rate = (f[i + 2] >> 2) & 3;
    if (version == 1 || layer == 0 || bitrate == 15 || rate == 3) continue;
    if (layer != 1) return -1;  // only layer III streams carry these headers
    const bool mono = ((f[i + 3] >> 6) & 3) == 3;
    const size_t side = version == 3 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    const size_t x = i + 4 + side;
    if (x + 12 <= f.size() && (std::memcmp(&f[x], "Xing", 4) == 0 || std::memcmp(&f[x], "Info", 4) == 0)) {
      if (be32(x + 4) & 1) return int64_t(be32(x + 8));
      return -1;
    }
    const size_t v = i + 4 + 32;
    if (v + 18 <= f.size() && std::memcmp(&f[v], "VBRI", 4) == 0) return int64_t(be32(v + 14));
    return -1;
  }
  return -1;
}

bool readWholeFile(const char* path, std::vector<uint8_t>& bytes) {
  FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return false;
  uint8_t chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
  const bool ok = !std::ferror(file);
  std::fclose(file);
  return ok;
}

// The file's bytes, read once, as the decoder's input: reading the path a second
// time could meet another file, or one that has grown or shrunk meanwhile.
struct MemoryInput {
  const std::vector<uint8_t>* bytes;
  size_t at;
};

mpg123_ssize_t readMemory(void* handle, void* buffer, size_t count) {
  MemoryInput& in = *static_cast<MemoryInput*>(handle);
  const size_t n = std::min(count, in.bytes->size() - in.at);
  if (n > 0) std::memcpy(buffer, in.bytes->data() + in.at, n);
  in.at += n;
  return mpg123_ssize_t(n);
}

off_t seekMemory(void* handle, off_t offset, int whence) {
  MemoryInput& in = *static_cast<MemoryInput*>(handle);
  const int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? int64_t(in.at) : int64_t(in.bytes->size());
  if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) return -1;
  const int64_t to = base + int64_t(offset);
  if (to < 0 || to > int64_t(in.bytes->size())) return -1;
  in.at = size_t(to);
  return off_t(to);
}

// Decodes the whole file into Stream.samples. libmpg123 opens a text file or
// a truncated MP3 without complaint, so the result is checked: a format must
// be found, at least one frame decoded, and no fewer frames than the file's
// own header claims.
bool decodeFile(const char* path) {
  std::vector<uint8_t> file;
  if (!readWholeFile(path, file)) return fail(AudioErrorFileOpen);
  const int64_t claimed = claimedFrameCount(file);

  mpg123_init();
  int err = MPG123_OK;
  mpg123_handle* mh = mpg123_new(nullptr, &err);
  if (mh == nullptr) return fail(AudioErrorDecode);
  mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0.0);
  // Whatever the file holds comes out at 44100 Hz, stereo, signed 16-bit.
  mpg123_format_none(mh);
  mpg123_format(mh, OutputRate, MPG123_STEREO, MPG123_ENC_SIGNED_16);
  MemoryInput input = {&file, 0};
  if (mpg123_replace_reader_handle(mh, readMemory, seekMemory, nullptr) != MPG123_OK ||
      mpg123_open_handle(mh, &input) != MPG123_OK) {
    mpg123_delete(mh);
    return fail(AudioErrorFileOpen);
  }

  std::vector<int16_t>& out = Stream.samples;
  out.clear();
  bool formatSeen = false;
  int32_t code = AudioOk;
  unsigned char block[32768];
  for (;;) {
    size_t done = 0;
    const int ret = mpg123_read(mh, block, sizeof block, &done);
    if (ret == MPG123_NEW_FORMAT) {
      long rate = 0;
      int channels = 0, encoding = 0;
      mpg123_getformat(mh, &rate, &channels, &encoding);
      if (rate != OutputRate || channels != OutputChannels || encoding != MPG123_ENC_SIGNED_16) {
        code = AudioErrorDecode;
        break;
      }
      formatSeen = true;
    } else if (ret != MPG123_OK && ret != MPG123_DONE) {
      code = formatSeen ? AudioErrorDecode : AudioErrorNoFormat;
      break;
    }
    if (done > 0) {
      if (out.size() * sizeof(int16_t) + done > size_t(INT32_MAX)) {
        code = AudioErrorTooLong;
        break;
      }
      const size_t old = out.size();
      out.resize(old + done / sizeof(int16_t));
      std::memcpy(out.data() + old, block, done / sizeof(int16_t) * sizeof(int16_t));
    }
    if (ret == MPG123_DONE) break;
  }
  const int64_t decodedFrames = int64_t(mpg123_tellframe(mh));
  mpg123_delete(mh);

  if (code == AudioOk && !formatSeen) code = AudioErrorNoFormat;
  if (code == AudioOk && (decodedFrames <= 0 || out.empty())) code = AudioErrorNoFrames;
  if (code == AudioOk && claimed > 0 && decodedFrames < claimed) code = AudioErrorTruncated;
  if (code != AudioOk) {
    out.clear();
    out.shrink_to_fit();
    return fail(code);
  }
  Stream.lengthFrames = out.size() / OutputChannels;
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

  // The mixer's figure changes once per mixing period; in between, the heard
  // position moves on with the monotonic clock, at most one period ahead.
  double raw = std::clamp(mixerHeardSeconds(), 0.0, lengthSeconds());
  if (raw != Stream.rawSeconds) {
    Stream.rawSeconds = raw;
    Stream.rawAt = now;
  }
  const double estimate = Stream.rawSeconds + std::min(now - Stream.rawAt, MixPeriodSeconds);
  Stream.reported = std::max(Stream.reported, estimate);
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

// A program that ends on a fatal path leaves the device open; closing it at
// exit keeps OpenAL from complaining about it.
void closeAtExit() {
  if (Device != nullptr) audioFree();
}

}  // namespace

bool audioInit(int32_t device, uint32_t frequency, uint32_t flags) {
  if (Device != nullptr) return fail(AudioErrorAlreadyInit);
  if (device != -1) return fail(AudioErrorNoDevice);  // only the default device is offered
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

uint32_t audioStreamCreateFile(bool fromMemory, const char* path, uint64_t offset, uint64_t length,
                               uint32_t flags) {
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
  releaseStream();
  alcMakeContextCurrent(nullptr);
  alcDestroyContext(Context);
  alcCloseDevice(Device);
  Context = nullptr;
  Device = nullptr;
  LastError = AudioOk;
  return true;
}

bool audioStreamFree(uint32_t stream) {
  if (!checkStream(stream)) return false;
  releaseStream();
  LastError = AudioOk;
  return true;
}
