// Capture with FFmpeg's libraries: libavcodec encodes, libavformat muxes,
// libswscale turns BGRA into the encoder's YUV, libswresample hands the sound
// to the audio encoder in its format and rate. Everything is allocated when the
// file is opened; a frame only copies, converts and encodes.
#include "video.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "driver/show.h"
#include "music/mp3_decode.h"
#include "music/music.h"

const char* const VideoCodecNames = "h264, h264rgb, ffv1 or vp9";
const char* const VideoContainers = ".mp4, .mkv, .webm or .mov";

namespace {

using SteadyClock = std::chrono::steady_clock;

// The shutdown's glide of the music to silence.
constexpr int64_t FadeOutSamples = int64_t(Mp3OutputRate) * 200 / 1000;
// The sound is made and handed on in blocks of this many sample frames.
constexpr int32_t SoundBlock = 4096;

struct ContainerKind {
  const char* extension;
  const char* muxer;
  const char* defaultCodec;
  const char* audioEncoder;  // MKV, the archival container, keeps the sound lossless
};
const ContainerKind ContainerKinds[] = {
    {".mp4", "mp4", "h264", "aac"},
    {".mkv", "matroska", "h264", "flac"},
    {".webm", "webm", "vp9", "libopus"},
    {".mov", "mov", "h264", "aac"},
};

struct CodecKind {
  const char* name;
  const char* encoder;
  AVPixelFormat pixels;  // BGR0 and BGRA are Screen's own bytes: no conversion
  int32_t maxCrf;        // -1: no quality setting (lossless)
  int32_t defaultCrf;    // -1 with h264rgb: qp 0, lossless
};
const CodecKind CodecKinds[] = {
    {"h264", "libx264", AV_PIX_FMT_YUV420P, 51, 18},
    {"h264rgb", "libx264rgb", AV_PIX_FMT_BGR0, 51, -1},
    {"ffv1", "ffv1", AV_PIX_FMT_BGRA, -1, -1},
    {"vp9", "libvpx-vp9", AV_PIX_FMT_YUV420P, 63, 31},
};

// x264's speed preset: the fastest that still compresses the show's sharp,
// noisy pictures well, so that a 720p capture runs faster than real time on
// two cores.
const char* const X264Preset = "veryfast";

struct Capture {
  VideoSettings settings;
  const ContainerKind* container = nullptr;
  const CodecKind* codec = nullptr;
  std::string target;    // the file renamed over at the end: path, or where its symbolic link points
  std::string tempPath;  // beside target
  int32_t width = 0, height = 0;
  AVRational rate{60, 1};  // frames per second
  AVFormatContext* format = nullptr;
  AVCodecContext* video = nullptr;
  AVCodecContext* audio = nullptr;
  AVStream* videoStream = nullptr;
  AVStream* audioStream = nullptr;
  AVFrame* picture = nullptr;
  AVFrame* sound = nullptr;
  AVPacket* packet = nullptr;
  SwsContext* toYuv = nullptr;
  std::vector<uint32_t> scaled;  // the scaled frame, when it still has to be converted
  SwrContext* resampler = nullptr;
  AVAudioFifo* fifo = nullptr;
  uint8_t** resampled = nullptr;  // one block after the resampler
  int32_t resampledCapacity = 0;
  int32_t audioFrameSize = 0;
  std::vector<int16_t> music;
  int64_t musicFrames = 0;
  std::vector<float> block;     // interleaved stereo, one block of sound
  int64_t frames = 0;           // frames added
  int64_t soundMade = 0;        // sample frames at 44100 Hz made so far
  int64_t passStartSample = 0;  // where the current pass started the music
  int64_t audioPts = 0;         // samples handed to the audio encoder, at its rate
  bool delayedBlocks = false;   // Matroska: audio blocks carry the priming in their times
  SteadyClock::time_point start, lastProgress;
  bool open = false;
};

Capture Out;

// The temporary file's name for the exit and signal handlers (no allocation there).
char TempPathForCleanup[4096] = "";

std::string avError(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = "";
  av_strerror(code, text, sizeof text);
  return text;
}

bool endsWith(const std::string& text, const char* suffix) {
  const size_t n = std::strlen(suffix);
  if (text.size() < n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (std::tolower(static_cast<unsigned char>(text[text.size() - n + i])) != suffix[i]) return false;
  }
  return true;
}

void removeTempFile() {
  if (TempPathForCleanup[0] != '\0') ::unlink(TempPathForCleanup);
  TempPathForCleanup[0] = '\0';
}

void cleanupAtExit() {
  if (Out.open) removeTempFile();
}

// Every signal whose default action ends the process: the temporary file goes
// first, then the signal ends the process as it would have (status 128 + signal).
void cleanupOnSignal(int signalNumber) {
  removeTempFile();
  std::signal(signalNumber, SIG_DFL);
  std::raise(signalNumber);
}

void installCleanupHandlers() {
  std::vector<int> endingSignals = {SIGHUP,  SIGINT,    SIGQUIT, SIGTERM, SIGUSR1, SIGUSR2, SIGPIPE,
                                    SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU, SIGXFSZ, SIGIO,   SIGPWR,
                                    SIGSEGV, SIGBUS,    SIGFPE,  SIGILL,  SIGABRT, SIGTRAP, SIGSYS};
#ifdef SIGSTKFLT
  endingSignals.push_back(SIGSTKFLT);
#endif
  for (int s = SIGRTMIN; s <= SIGRTMAX; ++s) endingSignals.push_back(s);
  for (int s : endingSignals) {
    struct sigaction current = {};
    // A signal ignored by whoever started the capture (nohup) stays ignored.
    if (sigaction(s, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
    std::signal(s, cleanupOnSignal);
  }
}

// The temporary file's name for process pid: "<name>.<pid>.part", the name cut
// short where that would not fit the file system's limit on a name's length.
std::string tempNameFor(const std::string& name, long pid, size_t maxName) {
  const std::string suffix = "." + std::to_string(pid) + ".part";
  std::string base = name;
  if (base.size() + suffix.size() > maxName) {
    base.resize(maxName > suffix.size() ? maxName - suffix.size() : 0);
    // Not in the middle of a UTF-8 character: a last character cut short goes.
    size_t lead = base.size();
    while (lead > 0 && (static_cast<unsigned char>(base[lead - 1]) & 0xC0) == 0x80) --lead;
    if (lead > 0) {
      const unsigned char c = static_cast<unsigned char>(base[lead - 1]);
      const size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
      if (base.size() - (lead - 1) < length) base.resize(lead - 1);
    }
  }
  return base + suffix;
}

// Removes the temporary files that earlier captures to the same name left in
// folder when they were killed outright (SIGKILL, a power cut): those whose
// process no longer exists.
void removeStaleParts(const std::string& folder, const std::string& name, size_t maxName, bool quiet) {
  DIR* d = ::opendir(folder.c_str());
  if (d == nullptr) return;
  while (const dirent* e = ::readdir(d)) {
    const std::string entry = e->d_name;
    if (!endsWith(entry, ".part")) continue;
    const size_t dot = entry.rfind('.', entry.size() - 6);
    if (dot == std::string::npos || dot + 1 >= entry.size() - 5) continue;
    const std::string digits = entry.substr(dot + 1, entry.size() - 5 - dot - 1);
    if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos) continue;
    const long pid = std::atol(digits.c_str());
    if (pid <= 0 || pid == long(getpid()) || tempNameFor(name, pid, maxName) != entry) continue;
    if (::kill(pid_t(pid), 0) == 0 || errno != ESRCH) continue;  // its capture may still run
    const std::string stale = folder + "/" + entry;
    struct stat st;
    if (::lstat(stale.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    if (::unlink(stale.c_str()) == 0 && !quiet)
      std::fprintf(stderr, "capture: removed %s, left by an earlier capture (process %ld) that was killed\n",
                   stale.c_str(), pid);
  }
  ::closedir(d);
}

// The folder part of path ("." when there is none) and the name in it.
void splitPath(const std::string& path, std::string& folder, std::string& name) {
  const size_t slash = path.rfind('/');
  folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  name = slash == std::string::npos ? path : path.substr(slash + 1);
}

// The output's checks before anything is rendered: the final name must be
// absent or a regular file (a symbolic link to a regular file is followed: the
// link stays and the file it points to is replaced), and the rename at the end
// must not be one the system is known to refuse. Sets Out.target and
// Out.tempPath.
bool checkOutputPath(const std::string& path, std::string& error) {
  struct stat link;
  struct stat st;
  bool exists = false;
  Out.target = path;
  if (::lstat(path.c_str(), &link) == 0) {
    if (::stat(path.c_str(), &st) != 0) {
      error = path + ": is a symbolic link to a missing file";
      return false;
    }
    if (S_ISDIR(st.st_mode)) {
      error = path + ": is a folder";
      return false;
    }
    if (!S_ISREG(st.st_mode)) {
      error = path + ": is not a regular file (a named pipe, a device or the like); only a regular file is replaced";
      return false;
    }
    exists = true;
    if (S_ISLNK(link.st_mode)) {
      char* resolved = ::realpath(path.c_str(), nullptr);
      if (resolved == nullptr) {
        error = path + ": " + std::strerror(errno);
        return false;
      }
      Out.target = resolved;
      std::free(resolved);
    }
  }
  std::string folder, name;
  splitPath(Out.target, folder, name);
  if (exists) {
    // In a sticky folder (/tmp) only the file's or the folder's owner may
    // replace a file.
    struct stat dir;
    const uid_t me = geteuid();
    if (::stat(folder.c_str(), &dir) == 0 && (dir.st_mode & S_ISVTX) && me != 0 && st.st_uid != me &&
        dir.st_uid != me) {
      error = path + ": cannot be replaced: it belongs to another user and " + folder +
              " is a sticky folder (only the owner may replace a file there)";
      return false;
    }
    // An immutable or append-only file cannot be replaced either.
    const int fd = ::open(Out.target.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
      int flags = 0;
      const bool locked = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL));
      ::close(fd);
      if (locked) {
        error = path + ": cannot be replaced: the file is immutable or append-only (lsattr shows it)";
        return false;
      }
    }
  }
  const long limit = ::pathconf(folder.c_str(), _PC_NAME_MAX);
  const size_t maxName = limit > 0 ? size_t(limit) : size_t(NAME_MAX);
  if (name.size() > maxName) {
    error = path + ": " + std::strerror(ENAMETOOLONG);
    return false;
  }
  removeStaleParts(folder, name, maxName, Out.settings.quiet);
  Out.tempPath = (folder == "." && Out.target.find('/') == std::string::npos ? "" : folder + "/") +
                 tempNameFor(name, long(getpid()), maxName);
  if (Out.tempPath.size() >= sizeof TempPathForCleanup) {
    error = path + ": the name is too long";
    return false;
  }
  return true;
}

void releaseAll() {
  if (Out.format != nullptr && Out.format->pb != nullptr) avio_closep(&Out.format->pb);
  avformat_free_context(Out.format);
  Out.format = nullptr;
  avcodec_free_context(&Out.video);
  avcodec_free_context(&Out.audio);
  av_frame_free(&Out.picture);
  av_frame_free(&Out.sound);
  av_packet_free(&Out.packet);
  sws_freeContext(Out.toYuv);
  Out.toYuv = nullptr;
  swr_free(&Out.resampler);
  if (Out.fifo != nullptr) av_audio_fifo_free(Out.fifo);
  Out.fifo = nullptr;
  if (Out.resampled != nullptr) av_freep(&Out.resampled[0]);
  av_freep(&Out.resampled);
}

// Gives up: nothing stays on disk.
bool abandon(std::string& error, const std::string& message) {
  error = message;
  releaseAll();
  removeTempFile();
  Out.open = false;
  return false;
}

const char* musicErrorText(int32_t code) {
  switch (code) {
    case AudioErrorFileOpen:
      return "cannot be read";
    case AudioErrorNoFormat:
      return "no MPEG audio found in the file";
    case AudioErrorNoFrames:
      return "not one frame could be decoded";
    case AudioErrorTruncated:
      return "fewer frames than the file's own length header claims (truncated?)";
    default:
      return "the decoder failed";
  }
}

// The first sample frame (at 44100 Hz) of video frame k: floor(k * 44100 / F).
int64_t sampleOfFrame(int64_t k) {
  return av_rescale_rnd(k, int64_t(Mp3OutputRate) * Out.rate.den, Out.rate.num, AV_ROUND_DOWN);
}

// Writes every packet the encoder has ready.
bool drainEncoder(AVCodecContext* encoder, AVStream* stream, std::string& error) {
  for (;;) {
    int ret = avcodec_receive_packet(encoder, Out.packet);
    if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return true;
    if (ret < 0) return abandon(error, Out.settings.path + ": the encoder failed: " + avError(ret));
    if (encoder == Out.video && Out.packet->duration == 0) Out.packet->duration = 1;
    // The sound ends with the last sample handed over: an encoder that counts
    // its final frame whole (AAC) would otherwise add padding to the track.
    if (encoder == Out.audio && Out.packet->pts + Out.packet->duration > Out.audioPts)
      Out.packet->duration = std::max<int64_t>(0, Out.audioPts - Out.packet->pts);
    if (encoder == Out.audio && Out.delayedBlocks) {
      // A Matroska reader subtracts CodecDelay (the priming, from
      // initial_padding) from every block's time and the decoder drops the
      // priming: the blocks carry the time of their first coded sample, the
      // first one 0. The encoder's timestamps count from the first real
      // sample, -initial_padding for the first packet.
      Out.packet->pts += Out.audio->initial_padding;
      Out.packet->dts += Out.audio->initial_padding;
    }
    av_packet_rescale_ts(Out.packet, encoder->time_base, stream->time_base);
    Out.packet->stream_index = stream->index;
    ret = av_interleaved_write_frame(Out.format, Out.packet);
    if (ret < 0) return abandon(error, Out.settings.path + ": cannot write: " + avError(ret));
  }
}

bool sendFrame(AVCodecContext* encoder, AVStream* stream, AVFrame* frame, std::string& error) {
  const int ret = avcodec_send_frame(encoder, frame);
  if (ret < 0) return abandon(error, Out.settings.path + ": the encoder failed: " + avError(ret));
  return drainEncoder(encoder, stream, error);
}

// Hands whole audio frames from the FIFO to the encoder; at the end (last) also
// the rest, padded with silence where the encoder wants whole frames only.
bool encodeQueuedSound(bool last, std::string& error) {
  const bool smallLastFrame =
      Out.audio->codec->capabilities & (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
  for (;;) {
    const int queued = av_audio_fifo_size(Out.fifo);
    if (queued == 0 || (queued < Out.audioFrameSize && !last)) return true;
    const int n = std::min(queued, Out.audioFrameSize);
    int ret = av_frame_make_writable(Out.sound);
    if (ret < 0) return abandon(error, "audio frame: " + avError(ret));
    Out.sound->nb_samples = smallLastFrame ? n : Out.audioFrameSize;
    if (n < Out.audioFrameSize && !smallLastFrame) {
      av_samples_set_silence(Out.sound->data, n, Out.audioFrameSize - n, Out.audio->ch_layout.nb_channels,
                             Out.audio->sample_fmt);
    }
    av_audio_fifo_read(Out.fifo, reinterpret_cast<void**>(Out.sound->data), n);
    Out.sound->pts = Out.audioPts;
    Out.audioPts += Out.sound->nb_samples;
    if (!sendFrame(Out.audio, Out.audioStream, Out.sound, error)) return false;
  }
}

// Passes the block (count sample frames, or the resampler's remainder when
// count is 0 at the end) through the resampler into the FIFO.
bool resampleBlock(int32_t count, bool flush, std::string& error) {
  const uint8_t* in[1] = {reinterpret_cast<const uint8_t*>(Out.block.data())};
  for (;;) {
    const int made =
        swr_convert(Out.resampler, Out.resampled, Out.resampledCapacity, flush ? nullptr : in, flush ? 0 : count);
    if (made < 0) return abandon(error, "resampling the sound: " + avError(made));
    if (made > 0 && av_audio_fifo_write(Out.fifo, reinterpret_cast<void**>(Out.resampled), made) < made)
      return abandon(error, "resampling the sound: out of memory");
    if (!encodeQueuedSound(false, error)) return false;
    if (!flush || made == 0) return true;
  }
}

// The sound from soundMade up to sample frame end: the music from where the
// current pass started it (silence past its end); with fading, the shutdown's
// glide from full volume at fadeStart to silence FadeOutSamples later.
bool makeSound(int64_t end, bool fading, int64_t fadeStart, std::string& error) {
  while (Out.soundMade < end) {
    const int32_t count = int32_t(std::min<int64_t>(SoundBlock, end - Out.soundMade));
    for (int32_t i = 0; i < count; ++i) {
      const int64_t j = Out.soundMade + i;
      const int64_t m = j - Out.passStartSample;
      float left = 0.0f, right = 0.0f;
      if (m >= 0 && m < Out.musicFrames) {
        left = float(Out.music[size_t(2 * m)]) / 32768.0f;
        right = float(Out.music[size_t(2 * m + 1)]) / 32768.0f;
      }
      if (fading) {
        const float gain = float(fadeStart + FadeOutSamples - j) / float(FadeOutSamples);
        left *= gain;
        right *= gain;
      }
      Out.block[size_t(2 * i)] = left;
      Out.block[size_t(2 * i + 1)] = right;
    }
    Out.soundMade += count;
    if (!resampleBlock(count, false, error)) return false;
  }
  return true;
}

// Every pixel of frame becomes a scale x scale block of dst (rows stride bytes apart).
void scaleNearest(const Image& frame, int32_t scale, uint8_t* dst, ptrdiff_t stride) {
  const uint32_t w = frame.width, h = frame.height;
  for (uint32_t y = 0; y < h; ++y) {
    const uint32_t* src = frame.pixels + size_t(y) * w;
    uint8_t* first = dst + ptrdiff_t(y) * scale * stride;
    uint32_t* row = reinterpret_cast<uint32_t*>(first);
    if (scale == 1) {
      std::memcpy(row, src, size_t(w) * 4);
    } else {
      for (uint32_t x = 0; x < w; ++x) std::fill_n(row + size_t(x) * size_t(scale), scale, src[x]);
    }
    for (int32_t r = 1; r < scale; ++r) std::memcpy(first + r * stride, first, size_t(w) * size_t(scale) * 4);
  }
}

std::string megabytes(int64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MB", double(bytes) / 1e6);
  return text;
}

void showProgress(bool last) {
  if (Out.settings.quiet) return;
  const auto now = SteadyClock::now();
  if (!last && now - Out.lastProgress < std::chrono::milliseconds(500)) return;
  Out.lastProgress = now;
  const double elapsed = std::chrono::duration<double>(now - Out.start).count();
  const double fps = elapsed > 0.0 ? double(Out.frames) / elapsed : 0.0;
  const int64_t left = std::max<int64_t>(0, Out.settings.expectedFrames - Out.frames);
  const int64_t eta = fps > 0.0 ? int64_t(double(left) / fps + 0.5) : 0;
  static const bool terminal = isatty(2);
  std::fprintf(stderr, "%scapture: frame %lld/%lld  %.1f fps  ETA %lld:%02lld  %s%s", terminal ? "\r" : "",
               (long long)Out.frames, (long long)Out.settings.expectedFrames, fps, (long long)(eta / 60),
               (long long)(eta % 60), megabytes(avio_tell(Out.format->pb)).c_str(), last || !terminal ? "\n" : "");
  std::fflush(stderr);
}

bool openVideoEncoder(const AVCodec* encoder, std::string& error) {
  AVCodecContext* c = Out.video = avcodec_alloc_context3(encoder);
  if (c == nullptr) return abandon(error, "video encoder: out of memory");
  c->width = Out.width;
  c->height = Out.height;
  c->time_base = av_inv_q(Out.rate);
  c->framerate = Out.rate;
  c->pix_fmt = Out.codec->pixels;
  c->sample_aspect_ratio = AVRational{1, 1};
  if (Out.codec->pixels == AV_PIX_FMT_YUV420P) {
    // HD video is BT.709, limited range; the conversion below uses the same.
    c->color_primaries = AVCOL_PRI_BT709;
    c->color_trc = AVCOL_TRC_BT709;
    c->colorspace = AVCOL_SPC_BT709;
    c->color_range = AVCOL_RANGE_MPEG;
  } else {
    c->colorspace = AVCOL_SPC_RGB;
    c->color_range = AVCOL_RANGE_JPEG;
  }
  if (Out.format->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  // As many encoder threads as the encoder finds useful (libavcodec's default is one).
  c->thread_count = 0;

  AVDictionary* options = nullptr;
  const std::string name = Out.codec->name;
  const int32_t crf = Out.settings.crf >= 0 ? Out.settings.crf : Out.codec->defaultCrf;
  if (name == "h264" || name == "h264rgb") {
    av_dict_set(&options, "preset", X264Preset, 0);
    if (crf >= 0) {
      av_dict_set(&options, "crf", std::to_string(crf).c_str(), 0);
    } else {
      av_dict_set(&options, "qp", "0", 0);  // lossless
    }
  } else if (name == "vp9") {
    // Constant quality, the real-time speed settings, rows in parallel.
    c->bit_rate = 0;
    av_dict_set(&options, "crf", std::to_string(crf).c_str(), 0);
    av_dict_set(&options, "deadline", "realtime", 0);
    av_dict_set(&options, "cpu-used", "8", 0);
    av_dict_set(&options, "row-mt", "1", 0);
  } else if (name == "ffv1") {
    // Version 3 with slices, so both cores encode.
    av_dict_set(&options, "level", "3", 0);
    av_dict_set(&options, "slices", "12", 0);
  }
  const int ret = avcodec_open2(c, encoder, &options);
  av_dict_free(&options);
  if (ret < 0)
    return abandon(error, "--codec " + name + ": the encoder " + encoder->name + " refused: " + avError(ret));
  Out.videoStream = avformat_new_stream(Out.format, nullptr);
  if (Out.videoStream == nullptr) return abandon(error, "video stream: out of memory");
  Out.videoStream->time_base = c->time_base;
  Out.videoStream->avg_frame_rate = Out.rate;
  Out.videoStream->r_frame_rate = Out.rate;
  avcodec_parameters_from_context(Out.videoStream->codecpar, c);

  Out.picture = av_frame_alloc();
  if (Out.picture == nullptr) return abandon(error, "video frame: out of memory");
  Out.picture->format = c->pix_fmt;
  Out.picture->width = c->width;
  Out.picture->height = c->height;
  if (av_frame_get_buffer(Out.picture, 0) < 0) return abandon(error, "video frame: out of memory");
  if (Out.codec->pixels == AV_PIX_FMT_YUV420P) {
    Out.toYuv = sws_getContext(Out.width, Out.height, AV_PIX_FMT_BGRA, Out.width, Out.height, AV_PIX_FMT_YUV420P,
                               SWS_BICUBIC, nullptr, nullptr, nullptr);
    if (Out.toYuv == nullptr) return abandon(error, "colour conversion: cannot be set up");
    sws_setColorspaceDetails(Out.toYuv, sws_getCoefficients(SWS_CS_DEFAULT), 1, sws_getCoefficients(SWS_CS_ITU709), 0,
                             0, 1 << 16, 1 << 16);
    if (Out.settings.scale > 1) Out.scaled.assign(size_t(Out.width) * size_t(Out.height), 0);
  }
  return true;
}

bool openAudioEncoder(const AVCodec* encoder, std::string& error) {
  AVCodecContext* c = Out.audio = avcodec_alloc_context3(encoder);
  if (c == nullptr) return abandon(error, "audio encoder: out of memory");
  // The music's rate where the encoder takes it (Opus only runs at 48 kHz).
  c->sample_rate = Mp3OutputRate;
  if (encoder->supported_samplerates != nullptr) {
    bool found = false;
    for (const int* r = encoder->supported_samplerates; *r != 0; ++r) found = found || *r == Mp3OutputRate;
    if (!found) c->sample_rate = 48000;
  }
  c->sample_fmt = encoder->sample_fmts != nullptr ? encoder->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
  AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
  av_channel_layout_copy(&c->ch_layout, &stereo);
  c->time_base = AVRational{1, c->sample_rate};
  if (encoder->id == AV_CODEC_ID_AAC) c->bit_rate = 256000;
  if (encoder->id == AV_CODEC_ID_OPUS) c->bit_rate = 192000;
  if (Out.format->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  int ret = avcodec_open2(c, encoder, nullptr);
  if (ret < 0) return abandon(error, std::string("the audio encoder ") + encoder->name + " refused: " + avError(ret));
  Out.audioStream = avformat_new_stream(Out.format, nullptr);
  if (Out.audioStream == nullptr) return abandon(error, "audio stream: out of memory");
  Out.audioStream->time_base = c->time_base;
  // initial_padding goes along: the muxer turns the encoder's priming into
  // an edit list (MP4, MOV) or a codec delay (WebM), so playback starts at the
  // music's first sample.
  avcodec_parameters_from_context(Out.audioStream->codecpar, c);

  Out.audioFrameSize = c->frame_size > 0 ? c->frame_size : SoundBlock;
  Out.sound = av_frame_alloc();
  if (Out.sound == nullptr) return abandon(error, "audio frame: out of memory");
  Out.sound->format = c->sample_fmt;
  Out.sound->nb_samples = Out.audioFrameSize;
  Out.sound->sample_rate = c->sample_rate;
  av_channel_layout_copy(&Out.sound->ch_layout, &c->ch_layout);
  if (av_frame_get_buffer(Out.sound, 0) < 0) return abandon(error, "audio frame: out of memory");

  ret = swr_alloc_set_opts2(&Out.resampler, &c->ch_layout, c->sample_fmt, c->sample_rate, &stereo, AV_SAMPLE_FMT_FLT,
                            Mp3OutputRate, 0, nullptr);
  if (ret < 0 || swr_init(Out.resampler) < 0) return abandon(error, "resampling the sound: cannot be set up");
  Out.resampledCapacity = int32_t(av_rescale_rnd(SoundBlock, c->sample_rate, Mp3OutputRate, AV_ROUND_UP)) + 256;
  if (av_samples_alloc_array_and_samples(&Out.resampled, nullptr, 2, Out.resampledCapacity, c->sample_fmt, 0) < 0)
    return abandon(error, "sound buffer: out of memory");
  Out.fifo = av_audio_fifo_alloc(c->sample_fmt, 2, Out.audioFrameSize + Out.resampledCapacity);
  if (Out.fifo == nullptr) return abandon(error, "sound buffer: out of memory");
  Out.block.assign(size_t(2 * SoundBlock), 0.0f);
  return true;
}

}  // namespace

bool videoOpen() { return Out.open; }

bool openVideo(const VideoSettings& settings, std::string& error) {
  Out = Capture();
  Out.settings = settings;
  const std::string& path = settings.path;

  for (const ContainerKind& k : ContainerKinds) {
    if (endsWith(path, k.extension)) Out.container = &k;
  }
  if (Out.container == nullptr) {
    error = path + ": unknown video container (the name must end in " + VideoContainers + ")";
    return false;
  }
  const std::string codecName = settings.codec.empty() ? Out.container->defaultCodec : settings.codec;
  for (const CodecKind& k : CodecKinds) {
    if (codecName == k.name) Out.codec = &k;
  }
  if (Out.codec == nullptr) {
    error = "--codec: '" + codecName + "' is not one of " + VideoCodecNames;
    return false;
  }
  if (settings.crf >= 0 && Out.codec->maxCrf < 0) {
    error = "--crf: " + codecName + " is lossless and takes no quality setting";
    return false;
  }
  if (settings.crf > Out.codec->maxCrf) {
    error = "--crf: " + std::to_string(settings.crf) + " is not from 0 to " + std::to_string(Out.codec->maxCrf) +
            " for " + codecName;
    return false;
  }
  const AVCodec* videoEncoder = avcodec_find_encoder_by_name(Out.codec->encoder);
  if (videoEncoder == nullptr) {
    error = "--codec " + codecName + ": the encoder " + Out.codec->encoder + " is not in this FFmpeg build";
    return false;
  }
  const AVCodec* audioEncoder = avcodec_find_encoder_by_name(Out.container->audioEncoder);
  if (audioEncoder == nullptr) {
    error = path + ": the audio encoder " + std::string(Out.container->audioEncoder) + " is not in this FFmpeg build";
    return false;
  }
  const AVOutputFormat* muxer = av_guess_format(Out.container->muxer, nullptr, nullptr);
  if (muxer == nullptr) {
    error = path + ": the " + Out.container->muxer + " muxer is not in this FFmpeg build";
    return false;
  }
  if (avformat_query_codec(muxer, videoEncoder->id, FF_COMPLIANCE_NORMAL) != 1) {
    error = path + ": a " + std::string(Out.container->extension) + " file cannot hold " + codecName +
            " video (.mkv holds every codec)";
    return false;
  }
  if (!checkOutputPath(path, error)) return false;

  // The music, decoded as the program decodes it and refused as it refuses it
  // (not blocking: a named pipe without a writer would wait forever).
  const int musicFd = ::open(settings.musicPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (musicFd < 0) {
    error = settings.musicPath + ": " + std::strerror(errno);
    return false;
  }
  ::close(musicFd);
  const int32_t code = decodeMp3File(settings.musicPath.c_str(), Out.music);
  if (code != AudioOk) {
    const std::string line = musicFileMessage(settings.musicPath, code);
    error = line.empty() ? settings.musicPath + ": " + musicErrorText(code) : line;
    return false;
  }
  Out.musicFrames = int64_t(Out.music.size() / Mp3OutputChannels);

  Out.rate = av_d2q(settings.fps, 1000000);
  Out.width = ShowWidth * settings.scale;
  Out.height = ShowHeight * settings.scale;

  av_log_set_level(AV_LOG_ERROR);
  if (avformat_alloc_output_context2(&Out.format, muxer, nullptr, Out.tempPath.c_str()) < 0 || Out.format == nullptr)
    return abandon(error, "output: out of memory");
  Out.packet = av_packet_alloc();
  if (Out.packet == nullptr) return abandon(error, "output: out of memory");
  if (!openVideoEncoder(videoEncoder, error) || !openAudioEncoder(audioEncoder, error)) return false;
  Out.delayedBlocks = std::strcmp(muxer->name, "matroska") == 0 || std::strcmp(muxer->name, "webm") == 0;

  // From here on a file exists; it goes again if the process ends early.
  std::strcpy(TempPathForCleanup, Out.tempPath.c_str());
  static bool handlersSet = false;
  if (!handlersSet) {
    handlersSet = true;
    std::atexit(cleanupAtExit);
    installCleanupHandlers();
  }
  Out.open = true;
  int ret = avio_open(&Out.format->pb, Out.tempPath.c_str(), AVIO_FLAG_WRITE);
  if (ret < 0) return abandon(error, path + ": cannot write: " + avError(ret));
  AVDictionary* muxOptions = nullptr;
  // MP4 and MOV: the index at the front, so players and sites can start at once;
  // edit lists in sample units, so the sound's start and end are exact, not
  // rounded to milliseconds.
  if (std::strcmp(Out.container->muxer, "mp4") == 0 || std::strcmp(Out.container->muxer, "mov") == 0) {
    av_dict_set(&muxOptions, "movflags", "+faststart", 0);
    av_dict_set(&muxOptions, "movie_timescale", std::to_string(Mp3OutputRate).c_str(), 0);
  }
  // Matroska and WebM: audio timestamps are moved by the priming (drainEncoder),
  // so nothing is negative and no stream may be shifted against the other.
  if (Out.delayedBlocks) Out.format->avoid_negative_ts = AVFMT_AVOID_NEG_TS_DISABLED;
  ret = avformat_write_header(Out.format, &muxOptions);
  av_dict_free(&muxOptions);
  if (ret < 0) return abandon(error, path + ": cannot write: " + avError(ret));
  Out.start = Out.lastProgress = SteadyClock::now();
  return true;
}

bool addVideoFrame(const Image& frame, bool passStart, std::string& error) {
  if (Out.frames == 0) Out.start = SteadyClock::now();
  if (passStart) Out.passStartSample = sampleOfFrame(Out.frames);
  if (!makeSound(sampleOfFrame(Out.frames + 1), false, 0, error)) return false;

  int ret = av_frame_make_writable(Out.picture);
  if (ret < 0) return abandon(error, "video frame: " + avError(ret));
  const int32_t scale = Out.settings.scale;
  if (Out.toYuv == nullptr) {
    // BGR0 / BGRA: Screen's bytes as they are.
    scaleNearest(frame, scale, Out.picture->data[0], Out.picture->linesize[0]);
  } else {
    const uint8_t* src = reinterpret_cast<const uint8_t*>(frame.pixels);
    int srcStride = int(frame.width * 4);
    if (scale > 1) {
      scaleNearest(frame, scale, reinterpret_cast<uint8_t*>(Out.scaled.data()), ptrdiff_t(Out.width) * 4);
      src = reinterpret_cast<const uint8_t*>(Out.scaled.data());
      srcStride = Out.width * 4;
    }
    sws_scale(Out.toYuv, &src, &srcStride, 0, Out.height, Out.picture->data, Out.picture->linesize);
  }
  Out.picture->pts = Out.frames;
  if (!sendFrame(Out.video, Out.videoStream, Out.picture, error)) return false;
  ++Out.frames;
  showProgress(false);
  return true;
}

bool finishVideo(std::string& error) {
  if (!Out.open) return true;
  // The sound of the last frame is made already; then the shutdown's glide.
  const int64_t end = sampleOfFrame(Out.frames);
  if (!makeSound(end + FadeOutSamples, true, end, error)) return false;
  if (!resampleBlock(0, true, error) || !encodeQueuedSound(true, error)) return false;
  if (!sendFrame(Out.audio, Out.audioStream, nullptr, error)) return false;
  if (!sendFrame(Out.video, Out.videoStream, nullptr, error)) return false;
  showProgress(true);
  int ret = av_write_trailer(Out.format);
  if (ret < 0) return abandon(error, Out.settings.path + ": cannot write: " + avError(ret));
  const int64_t size = avio_size(Out.format->pb);
  ret = avio_closep(&Out.format->pb);
  if (ret < 0) return abandon(error, Out.settings.path + ": cannot write: " + avError(ret));
  if (std::rename(Out.tempPath.c_str(), Out.target.c_str()) != 0)
    return abandon(error, Out.settings.path + ": the finished capture " + Out.tempPath + " cannot take its name " +
                              Out.target + ": " + std::strerror(errno));
  TempPathForCleanup[0] = '\0';
  Out.open = false;

  if (!Out.settings.quiet) {
    const double seconds = std::chrono::duration<double>(SteadyClock::now() - Out.start).count();
    const double duration = double(Out.frames) * av_q2d(av_inv_q(Out.rate));
    const double fps = seconds > 0.0 ? double(Out.frames) / seconds : 0.0;
    std::fprintf(stderr,
                 "video: %s: %lld frames, %.3f s at %g fps, %d x %d %s + %s, %s; captured at %.1f fps (%.2f x real "
                 "time) in %.1f s\n",
                 Out.settings.path.c_str(), (long long)Out.frames, duration, av_q2d(Out.rate), Out.width, Out.height,
                 Out.codec->name, Out.audio->codec->name, megabytes(size).c_str(), fps, fps / av_q2d(Out.rate),
                 seconds);
  }
  releaseAll();
  return true;
}
