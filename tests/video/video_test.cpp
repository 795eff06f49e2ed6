// morvex-render --video as a user runs it, and its files read back with
// libavformat/libavcodec: the lossless codecs give the renderer's pixels
// exactly (checked against --hash and --raw of the same run), frame i sits at
// i / F, the sound is kaz.mp3 from its first sample (cross-correlated with the
// decoded music at the start and at a late cut) and ends 200 ms after the
// picture, fading to silence; every error ends with its message, status 1 and
// no file.
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "music/mp3_decode.h"
#include "music/music.h"
#include "render/crc32.h"

namespace {

namespace fs = std::filesystem;

constexpr int Rate = 44100;
constexpr int64_t FadeSamples = 8820;  // 200 ms

fs::path binFolder() { return fs::canonical("/proc/self/exe").parent_path(); }

struct RunResult {
  int status = -1;
  std::string out, err;
};

std::string readAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

fs::path scratchRoot() { return fs::temp_directory_path() / ("morvex-video-test-" + std::to_string(getpid())); }

fs::path scratch(const std::string& name) {
  const fs::path p = scratchRoot() / name;
  fs::remove_all(p);
  fs::create_directories(p);
  return p;
}

// Runs morvex-render with args in folder (standard output and error kept
// apart); prefix goes before the program (timeout, setpriv).
RunResult render(const std::string& args, const fs::path& folder, const std::string& prefix = "") {
  const std::string command = "cd '" + folder.string() + "' && " + prefix + " '" +
                              (binFolder() / "morvex-render").string() + "' " + args + " >stdout.txt 2>stderr.txt";
  RunResult r;
  const int raw = std::system(command.c_str());
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = readAll(folder / "stdout.txt");
  r.err = readAll(folder / "stderr.txt");
  fs::remove(folder / "stdout.txt");
  fs::remove(folder / "stderr.txt");
  return r;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> v;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) v.push_back(l);
  return v;
}

// The files a run left in folder, apart from the show's own logger.log, in order.
std::vector<std::string> filesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) {
    if (e.path().filename() != "logger.log") names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The soundtrack as the program hears it: interleaved stereo floats.
const std::vector<float>& music() {
  static std::vector<float> samples = [] {
    std::vector<int16_t> pcm;
    const int32_t code = decodeMp3File((binFolder() / "kaz.mp3").c_str(), pcm);
    EXPECT_EQ(code, AudioOk);
    std::vector<float> f(pcm.size());
    for (size_t i = 0; i < pcm.size(); ++i) f[i] = float(pcm[i]) / 32768.0f;
    return f;
  }();
  return samples;
}

// ---- reading a file back ----

struct MediaFile {
  std::string videoCodec, audioCodec;
  int width = 0, height = 0;
  AVRational videoTimeBase{0, 1};
  std::vector<int64_t> videoPts;  // per decoded frame, in videoTimeBase
  double videoDuration = -1.0;    // the stream's stated duration, seconds (-1: none)
  double audioDuration = -1.0;
  double audioStart = 0.0;   // time of the first decoded sample, seconds
  std::vector<float> audio;  // interleaved stereo at 44100 Hz
};

using FrameCheck = std::function<void(const uint8_t* bgra, int stride, size_t index)>;

// Decodes every frame of both streams. The picture goes to check as BGRA (when
// given); the sound is resampled to 44100 Hz stereo floats.
MediaFile readMedia(const fs::path& path, const FrameCheck& check = nullptr) {
  MediaFile m;
  AVFormatContext* format = nullptr;
  if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) {
    ADD_FAILURE() << "cannot open " << path;
    return m;
  }
  avformat_find_stream_info(format, nullptr);
  const int vi = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  const int ai = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  EXPECT_GE(vi, 0);
  EXPECT_GE(ai, 0);
  if (vi < 0 || ai < 0) {
    avformat_close_input(&format);
    return m;
  }
  AVStream* vs = format->streams[vi];
  AVStream* as = format->streams[ai];
  m.videoTimeBase = vs->time_base;
  if (vs->duration != AV_NOPTS_VALUE) m.videoDuration = double(vs->duration) * av_q2d(vs->time_base);
  if (as->duration != AV_NOPTS_VALUE) m.audioDuration = double(as->duration) * av_q2d(as->time_base);

  AVCodecContext* dec[2] = {nullptr, nullptr};
  AVStream* streams[2] = {vs, as};
  for (int k = 0; k < 2; ++k) {
    const AVCodec* codec = avcodec_find_decoder(streams[k]->codecpar->codec_id);
    dec[k] = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(dec[k], streams[k]->codecpar);
    dec[k]->pkt_timebase = streams[k]->time_base;
    EXPECT_EQ(avcodec_open2(dec[k], codec, nullptr), 0);
  }
  m.videoCodec = avcodec_get_name(vs->codecpar->codec_id);
  m.audioCodec = avcodec_get_name(as->codecpar->codec_id);
  m.width = vs->codecpar->width;
  m.height = vs->codecpar->height;

  SwsContext* toBgra = nullptr;
  std::vector<uint8_t> bgra;
  SwrContext* resampler = nullptr;
  bool firstAudio = true;
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();

  auto takeVideo = [&](AVFrame* f) {
    m.videoPts.push_back(f->best_effort_timestamp);
    if (!check) return;
    if (f->format == AV_PIX_FMT_BGRA) {
      check(f->data[0], f->linesize[0], m.videoPts.size() - 1);
      return;
    }
    if (toBgra == nullptr) {
      toBgra = sws_getContext(f->width, f->height, AVPixelFormat(f->format), f->width, f->height, AV_PIX_FMT_BGRA,
                              SWS_POINT, nullptr, nullptr, nullptr);
      bgra.resize(size_t(f->width) * size_t(f->height) * 4);
    }
    uint8_t* dst[1] = {bgra.data()};
    const int dstStride[1] = {f->width * 4};
    sws_scale(toBgra, f->data, f->linesize, 0, f->height, dst, dstStride);
    check(bgra.data(), f->width * 4, m.videoPts.size() - 1);
  };
  auto takeAudio = [&](AVFrame* f, bool flush) {
    if (resampler == nullptr) {
      AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
      swr_alloc_set_opts2(&resampler, &stereo, AV_SAMPLE_FMT_FLT, Rate, &f->ch_layout, AVSampleFormat(f->format),
                          f->sample_rate, 0, nullptr);
      swr_init(resampler);
    }
    if (firstAudio && f != nullptr) {
      firstAudio = false;
      m.audioStart = double(f->best_effort_timestamp) * av_q2d(as->time_base);
    }
    const int room = (flush ? 4096 : swr_get_out_samples(resampler, f->nb_samples)) + 16;
    const size_t old = m.audio.size();
    m.audio.resize(old + size_t(room) * 2);
    uint8_t* out[1] = {reinterpret_cast<uint8_t*>(m.audio.data() + old)};
    const int made = swr_convert(resampler, out, room, flush ? nullptr : const_cast<const uint8_t**>(f->extended_data),
                                 flush ? 0 : f->nb_samples);
    m.audio.resize(old + size_t(std::max(made, 0)) * 2);
  };
  auto drain = [&](int k) {
    while (avcodec_receive_frame(dec[k], frame) == 0) {
      if (k == 0) {
        takeVideo(frame);
      } else {
        takeAudio(frame, false);
      }
      av_frame_unref(frame);
    }
  };
  while (av_read_frame(format, packet) >= 0) {
    const int k = packet->stream_index == vi ? 0 : packet->stream_index == ai ? 1 : -1;
    if (k >= 0) {
      EXPECT_EQ(avcodec_send_packet(dec[k], packet), 0);
      drain(k);
    }
    av_packet_unref(packet);
  }
  for (int k = 0; k < 2; ++k) {
    avcodec_send_packet(dec[k], nullptr);
    drain(k);
  }
  if (resampler != nullptr) takeAudio(nullptr, true);

  av_frame_free(&frame);
  av_packet_free(&packet);
  swr_free(&resampler);
  sws_freeContext(toBgra);
  for (auto& d : dec) avcodec_free_context(&d);
  avformat_close_input(&format);
  return m;
}

// ---- sound measures ----

float mono(const std::vector<float>& s, int64_t i) {
  if (i < 0 || size_t(2 * i + 1) >= s.size()) return 0.0f;
  return 0.5f * (s[size_t(2 * i)] + s[size_t(2 * i + 1)]);
}

double rms(const std::vector<float>& s, int64_t from, int64_t count) {
  double sum = 0.0;
  for (int64_t i = from; i < from + count; ++i) sum += double(mono(s, i)) * mono(s, i);
  return std::sqrt(sum / double(count));
}

// The lag (in samples, positive: the capture late) that best lines the capture
// up with the music over the window [centre - half, centre + half) of the
// music's time; the capture's sample j sits at offset + j. Also the normalised
// correlation at that lag.
struct Alignment {
  int64_t lag = 0;
  double correlation = 0.0;
};
Alignment align(const std::vector<float>& capture, int64_t offset, int64_t centre, int64_t half, int64_t range) {
  const std::vector<float>& ref = music();
  Alignment best{0, -2.0};
  double refEnergy = 0.0;
  for (int64_t t = centre - half; t < centre + half; ++t) refEnergy += double(mono(ref, t)) * mono(ref, t);
  for (int64_t lag = -range; lag <= range; ++lag) {
    double sum = 0.0, energy = 0.0;
    for (int64_t t = centre - half; t < centre + half; ++t) {
      const float c = mono(capture, t + lag - offset);
      sum += double(c) * mono(ref, t);
      energy += double(c) * c;
    }
    const double r = energy > 0.0 && refEnergy > 0.0 ? sum / std::sqrt(energy * refEnergy) : 0.0;
    if (r > best.correlation) best = {lag, r};
  }
  return best;
}

// The file holds count frames, frame i at exactly i / fps seconds.
void expectFrameTimes(const MediaFile& m, int fps, size_t count) {
  ASSERT_EQ(m.videoPts.size(), count);
  for (size_t i = 0; i < count; ++i)
    EXPECT_EQ(m.videoPts[i] * m.videoTimeBase.num * fps, int64_t(i) * m.videoTimeBase.den) << "frame " << i;
}

void expectAligned(const MediaFile& m, double atSeconds, const char* where) {
  const int64_t offset = std::llround(m.audioStart * Rate);
  const Alignment a = align(m.audio, offset, int64_t(atSeconds * Rate), Rate / 4, Rate / 20);
  EXPECT_LE(std::llabs(a.lag), Rate / 1000) << where << ": the sound is " << a.lag << " samples off";
  EXPECT_GT(a.correlation, 0.9) << where;
}

// ---- the tests ----

class Video : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(binFolder() / "data.dat") || !fs::exists(binFolder() / "kaz.mp3"))
      GTEST_SKIP() << "no data.dat or kaz.mp3 in " << binFolder() << " (content not generated)";
  }
  // The captures are large; a failing test leaves its files for a look.
  void TearDown() override {
    if (!HasFailure()) fs::remove_all(scratchRoot());
  }
};

// FFV1 keeps every byte, the alpha too: each decoded frame's CRC-32 is the
// hash the same run prints. The run crosses 33000 ms, where frames start to
// build on the previous ones, and the first cuts of the dense section. The
// sound is FLAC: the music sample for sample, then the fade.
TEST_F(Video, FfvOneIsTheRenderersPixelsAndFlacTheMusic) {
  const fs::path folder = scratch("ffv1");
  const RunResult r = render("--fps 2 --until 36000 --hash --quiet --video show.mkv --codec ffv1", folder);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(filesIn(folder), std::vector<std::string>{"show.mkv"});
  const std::vector<std::string> hashes = lines(r.out);
  ASSERT_EQ(hashes.size(), 73u);

  std::vector<std::string> decoded;
  const MediaFile m = readMedia(folder / "show.mkv", [&](const uint8_t* bgra, int stride, size_t) {
    uint32_t crc = 0;
    for (int y = 0; y < 720; ++y) crc = crc32Update(crc, bgra + ptrdiff_t(y) * stride, 1280 * 4);
    char text[16];
    std::snprintf(text, sizeof text, "%08x", crc);
    decoded.push_back(text);
  });
  EXPECT_EQ(m.videoCodec, "ffv1");
  EXPECT_EQ(m.audioCodec, "flac");
  EXPECT_EQ(m.width, 1280);
  EXPECT_EQ(m.height, 720);
  ASSERT_EQ(decoded.size(), hashes.size());
  for (size_t i = 0; i < hashes.size(); ++i) {
    EXPECT_EQ(hashes[i].substr(hashes[i].find(' ') + 1), decoded[i]) << "frame " << i << " (" << hashes[i] << ")";
    // Matroska keeps milliseconds: frame i at i / 2 s.
    EXPECT_EQ(m.videoPts[i] * m.videoTimeBase.num * 2, int64_t(i) * m.videoTimeBase.den) << "frame " << i;
  }

  // 73 frames of 22050 samples, then the 200 ms glide to silence.
  const int64_t pictureEnd = 73 * 22050;
  ASSERT_EQ(m.audioStart, 0.0);
  ASSERT_EQ(int64_t(m.audio.size() / 2), pictureEnd + FadeSamples);
  const std::vector<float>& ref = music();
  int64_t firstDifference = -1;
  for (int64_t i = 0; i < pictureEnd * 2 && firstDifference < 0; ++i) {
    if (m.audio[size_t(i)] != ref[size_t(i)]) firstDifference = i / 2;
  }
  EXPECT_EQ(firstDifference, -1) << "the sound differs from the music first at sample " << firstDifference;
  for (int64_t t = 0; t < FadeSamples; ++t) {
    const float gain = float(FadeSamples - t) / float(FadeSamples);
    const int64_t i = pictureEnd + t;
    ASSERT_NEAR(m.audio[size_t(2 * i)], ref[size_t(2 * i)] * gain, 1.5 / 32768) << "fade sample " << t;
  }
}

// --scale 2: every pixel a 2 x 2 block, nothing else changed (FFV1 against the
// --raw frames of the same run, one frame a second up to 18 s). h264rgb at its default qp 0 in MP4 is
// lossless too, for red, green and blue.
TEST_F(Video, ScaleTwoAndH264RgbAreExact) {
  const fs::path folder = scratch("scale");
  const size_t frameBytes = 1280 * 720 * 4;
  RunResult r = render("--fps 1 --until 18000 --quiet --raw raw.bgra --scale 2 --video big.mkv --codec ffv1", folder);
  ASSERT_EQ(r.status, 0) << r.err;
  std::string raw = readAll(folder / "raw.bgra");
  ASSERT_EQ(raw.size(), 19 * frameBytes);
  size_t mismatches = 0;
  MediaFile m = readMedia(folder / "big.mkv", [&](const uint8_t* bgra, int stride, size_t index) {
    const uint8_t* src = reinterpret_cast<const uint8_t*>(raw.data()) + index * frameBytes;
    for (int y = 0; y < 1440 && mismatches < 5; ++y) {
      for (int x = 0; x < 2560; ++x) {
        if (std::memcmp(bgra + ptrdiff_t(y) * stride + x * 4, src + (size_t(y / 2) * 1280 + size_t(x / 2)) * 4, 4)) {
          ADD_FAILURE() << "frame " << index << " pixel " << x << "," << y;
          ++mismatches;
          break;
        }
      }
    }
  });
  EXPECT_EQ(m.width, 2560);
  EXPECT_EQ(m.height, 1440);
  EXPECT_EQ(m.videoPts.size(), 19u);

  r = render("--fps 1 --until 18000 --quiet --raw raw.bgra --video rgb.mp4 --codec h264rgb", folder);
  ASSERT_EQ(r.status, 0) << r.err;
  raw = readAll(folder / "raw.bgra");
  m = readMedia(folder / "rgb.mp4", [&](const uint8_t* bgra, int stride, size_t index) {
    const uint8_t* src = reinterpret_cast<const uint8_t*>(raw.data()) + index * frameBytes;
    for (int y = 0; y < 720 && mismatches < 5; ++y) {
      for (int x = 0; x < 1280; ++x) {
        const uint8_t* a = bgra + ptrdiff_t(y) * stride + x * 4;
        const uint8_t* b = src + (size_t(y) * 1280 + size_t(x)) * 4;
        if (a[0] != b[0] || a[1] != b[1] || a[2] != b[2]) {
          ADD_FAILURE() << "h264rgb frame " << index << " pixel " << x << "," << y;
          ++mismatches;
          break;
        }
      }
    }
  });
  EXPECT_EQ(m.videoCodec, "h264");
  EXPECT_EQ(m.videoPts.size(), 19u);
}

// The default MP4 (H.264 + AAC) at 2 frames a second up to past the cut at
// 61121 ms: frame i at exactly i / 2 s, the track as long as its frames, the
// sound on the music within 1 ms at the start and at that cut, going on 200 ms
// past the picture and fading to silence there.
TEST_F(Video, Mp4FramesSitAtTheirTimesAndTheSoundOnTheMusic) {
  const fs::path folder = scratch("mp4");
  const RunResult r = render("--fps 2 --until 61500 --video show.mp4", folder);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("capture: frame 124/124"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("video: show.mp4: 124 frames, 62.000 s at 2 fps, 1280 x 720 h264 + aac, "), std::string::npos)
      << r.err;
  const MediaFile m = readMedia(folder / "show.mp4");
  EXPECT_EQ(m.videoCodec, "h264");
  EXPECT_EQ(m.audioCodec, "aac");
  ASSERT_NO_FATAL_FAILURE(expectFrameTimes(m, 2, 124));
  EXPECT_DOUBLE_EQ(m.videoDuration, 62.0);

  // The edit list starts the sound at the music's first sample and ends it
  // 200 ms after the picture.
  EXPECT_EQ(m.audioStart, 0.0);
  EXPECT_NEAR(m.audioDuration, 62.2, 0.5 / Rate);
  ASSERT_GE(int64_t(m.audio.size() / 2), int64_t(62.2 * Rate));
  expectAligned(m, 0.25, "start");
  expectAligned(m, 61.121, "cut at 61121 ms");

  // The fade: full level at its start, nearly silent at its end.
  const int64_t end = 62 * Rate;
  const std::vector<float>& ref = music();
  EXPECT_NEAR(rms(m.audio, end, 441) / rms(ref, end, 441), 1.0, 0.15);
  EXPECT_NEAR(rms(m.audio, end + 4410 - 220, 441) / rms(ref, end + 4410 - 220, 441), 0.5, 0.1);
  EXPECT_LT(rms(m.audio, end + FadeSamples - 441, 441), 0.05 * rms(ref, end + FadeSamples - 441, 441));
}

// --passes: as the program rewinds the music at every pass, the sound starts
// again from its first sample with the first frame of the next pass.
TEST_F(Video, EveryPassStartsTheMusicAgain) {
  const fs::path folder = scratch("passes");
  const RunResult r = render("--fps 1 --passes 2 --no-fade --quiet --video passes.mkv --codec ffv1", folder);
  ASSERT_EQ(r.status, 0) << r.err;
  const MediaFile m = readMedia(folder / "passes.mkv");
  ASSERT_EQ(m.videoPts.size(), 148u);  // 0 to 73 s, twice
  const int64_t secondPass = 74 * Rate;
  ASSERT_EQ(int64_t(m.audio.size() / 2), 2 * secondPass + FadeSamples);
  const std::vector<float>& ref = music();
  for (int64_t i = 0; i < 2 * secondPass; ++i) {
    const int64_t inMusic = i < secondPass ? i : i - secondPass;
    ASSERT_EQ(m.audio[size_t(2 * i)], ref[size_t(2 * inMusic)]) << "sample " << i;
  }
}

// WebM: VP9 + Opus at 48 kHz; Opus's pre-skip must not move the sound.
TEST_F(Video, WebmSoundStartsWithTheFirstFrame) {
  const fs::path folder = scratch("webm");
  const RunResult r = render("--fps 10 --until 1000 --quiet --video show.webm", folder);
  ASSERT_EQ(r.status, 0) << r.err;
  const MediaFile m = readMedia(folder / "show.webm");
  EXPECT_EQ(m.videoCodec, "vp9");
  EXPECT_EQ(m.audioCodec, "opus");
  ASSERT_NO_FATAL_FAILURE(expectFrameTimes(m, 10, 11));
  EXPECT_NEAR(m.audioStart, 0.0, 0.001);
  expectAligned(m, 0.25, "start");
  EXPECT_GE(double(m.audio.size() / 2) / Rate + m.audioStart, 1.3 - 0.001);
}

TEST_F(Video, ErrorsLeaveNoFile) {
  const fs::path folder = scratch("errors");
  std::ofstream(folder / "notes.mp3") << "not an MP3 file\n";
  std::ofstream(folder / "times.txt") << "0\n";
  fs::create_directories(folder / "taken.mp4");
  const struct {
    const char* args;
    const char* message;
  } bad[] = {
      {"--video show.avi", "show.avi: unknown video container (the name must end in .mp4, .mkv, .webm or .mov)"},
      {"--video show", "show: unknown video container (the name must end in .mp4, .mkv, .webm or .mov)"},
      {"--video show.mp4 --codec h265", "--codec: 'h265' is not one of h264, h264rgb, ffv1 or vp9"},
      {"--video show.webm --codec h264", "show.webm: a .webm file cannot hold h264 video (.mkv holds every codec)"},
      {"--video show.mp4 --codec ffv1", "show.mp4: a .mp4 file cannot hold ffv1 video (.mkv holds every codec)"},
      {"--video show.mkv --codec ffv1 --crf 0", "--crf: ffv1 is lossless and takes no quality setting"},
      {"--video show.mp4 --crf 60", "--crf: 60 is not from 0 to 51 for h264"},
      {"--video show.mp4 --crf 64", "--crf: '64' is not a whole number from 0 to 63"},
      {"--video show.mp4 --scale 7", "--scale: '7' is not a whole number from 1 to 6"},
      {"--scale 2", "--codec, --crf, --scale and --music go with --video"},
      {"--video show.mp4 --times times.txt",
       "--video and --times exclude each other: a video runs at the constant rate --fps"},
      {"--video taken.mp4", "taken.mp4: is a folder"},
      {"--video nowhere/show.mp4", "nowhere/show.mp4: cannot write: No such file or directory"},
      {"--video show.mp4 --music missing.mp3", "missing.mp3: No such file or directory"},
      {"--video show.mp4 --music notes.mp3", "notes.mp3: no MPEG audio found in the file"},
      {"--video show.mp4 --music taken.mp4", "Music file taken.mp4 is not a regular file"},
      {"--video show.mp4 --fps 0.5", "--fps: '0.5' is not a frame rate from 1 to 1000, as a video needs"},
      {"--video show.mp4 --fps 1001", "--fps: '1001' is not a frame rate from 1 to 1000, as a video needs"},
  };
  for (const auto& b : bad) {
    const RunResult r = render(b.args, folder);
    EXPECT_EQ(r.status, 1) << b.args;
    EXPECT_EQ(r.err, "morvex-render: " + std::string(b.message) + "\n") << b.args;
    EXPECT_EQ(filesIn(folder), (std::vector<std::string>{"notes.mp3", "taken.mp4", "times.txt"})) << b.args;
  }
  EXPECT_FALSE(fs::exists(folder / "logger.log"));

  // A show that fails after the file was started (no asset pack): the show's
  // own message, status 1, and the half-written file is gone.
  const RunResult r = render("--video show.mp4 --pack nowhere.dat", folder);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Loading..."), std::string::npos);
  EXPECT_EQ(filesIn(folder), (std::vector<std::string>{"notes.mp3", "taken.mp4", "times.txt"}));

  // Not writable (only meaningful for a user the permissions hold for).
  if (geteuid() != 0) {
    const fs::path locked = folder / "locked";
    fs::create_directories(locked);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    const RunResult l = render("--video locked/show.mp4 --quiet", folder);
    EXPECT_EQ(l.status, 1);
    EXPECT_EQ(l.err, "morvex-render: locked/show.mp4: cannot write: Permission denied\n");
    EXPECT_TRUE(fs::is_empty(locked));
    fs::permissions(locked, fs::perms::owner_all);
  }
}

// Starts a capture of show.mp4 in folder (the signals in ignored set to be
// ignored, as nohup does) and waits until its temporary file exists; the
// child's pid, or -1.
pid_t startCapture(const fs::path& folder, const std::vector<int>& ignored = {}) {
  const pid_t child = fork();
  if (child == 0) {
    if (chdir(folder.c_str()) != 0) _exit(99);
    std::freopen("/dev/null", "w", stdout);
    std::freopen("/dev/null", "w", stderr);
    const rlimit noCore = {0, 0};  // SIGQUIT and SIGXCPU would leave a core file
    setrlimit(RLIMIT_CORE, &noCore);
    for (int s : ignored) signal(s, SIG_IGN);
    const std::string program = (binFolder() / "morvex-render").string();
    execl(program.c_str(), program.c_str(), "--video", "show.mp4", "--quiet", static_cast<char*>(nullptr));
    _exit(98);
  }
  for (int i = 0; i < 600; ++i) {
    for (const std::string& name : filesIn(folder))
      if (name.find(".part") != std::string::npos) return child;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  return -1;
}

// Ended from outside while it captures, by any signal that ends a process: the
// temporary file goes too, and the status still tells the signal. A signal
// ignored by whoever started the capture (nohup) stays ignored.
TEST_F(Video, InterruptedCaptureLeavesNoFile) {
  const fs::path folder = scratch("interrupted");
  for (int signalNumber : {SIGTERM, SIGQUIT, SIGUSR1, SIGALRM, SIGXCPU}) {
    const pid_t child = startCapture(folder);
    ASSERT_GT(child, 0) << "no temporary file appeared";
    kill(child, signalNumber);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber) << strsignal(signalNumber);
    EXPECT_EQ(filesIn(folder), std::vector<std::string>{}) << strsignal(signalNumber);
    for (const std::string& name : filesIn(folder)) fs::remove(folder / name);
  }

  const pid_t child = startCapture(folder, {SIGHUP});
  ASSERT_GT(child, 0) << "no temporary file appeared";
  kill(child, SIGHUP);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  int status = 0;
  EXPECT_EQ(waitpid(child, &status, WNOHANG), 0) << "an ignored SIGHUP ended the capture";
  kill(child, SIGTERM);
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
  EXPECT_EQ(filesIn(folder), std::vector<std::string>{});
}

// A pid no process has: a child that has ended and been waited for.
pid_t deadPid() {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  return child;
}

// What the output may be, checked before anything is rendered: absent or a
// regular file (a symbolic link to one is followed), never a named pipe, a
// device or a link to nothing; a music file that is not a regular file is
// refused as the program refuses it (a named pipe without a writer must not
// hang the capture).
TEST_F(Video, OutputAndMusicMustBeRegularFiles) {
  const fs::path folder = scratch("gates");
  ASSERT_EQ(mkfifo((folder / "pipe.mp3").c_str(), 0644), 0);
  ASSERT_EQ(mkfifo((folder / "pipe.mp4").c_str(), 0644), 0);
  fs::create_symlink("/dev/null", folder / "null.mp4");
  fs::create_symlink("nowhere/show.mp4", folder / "dangling.mp4");
  const std::vector<std::string> before = filesIn(folder);
  const struct {
    const char* args;
    const char* message;
  } bad[] = {
      {"--video show.mp4 --music pipe.mp3", "Music file pipe.mp3 is not a regular file"},
      {"--video pipe.mp4",
       "pipe.mp4: is not a regular file (a named pipe, a device or the like); only a regular file is replaced"},
      {"--video null.mp4",
       "null.mp4: is not a regular file (a named pipe, a device or the like); only a regular file is replaced"},
      {"--video dangling.mp4", "dangling.mp4: is a symbolic link to a missing file"},
  };
  for (const auto& b : bad) {
    const RunResult r = render(b.args, folder, "timeout 20");
    EXPECT_EQ(r.status, 1) << b.args;
    EXPECT_EQ(r.err, "morvex-render: " + std::string(b.message) + "\n") << b.args;
    EXPECT_EQ(filesIn(folder), before) << b.args;
  }
  EXPECT_EQ(fs::status(folder / "pipe.mp4").type(), fs::file_type::fifo);

  // A link to a regular file stays a link; the file it points to is replaced.
  fs::create_directories(folder / "real");
  std::ofstream(folder / "real" / "show.mp4") << "old\n";
  fs::create_symlink("real/show.mp4", folder / "link.mp4");
  const RunResult r = render("--fps 1 --until 0 --no-fade --quiet --video link.mp4", folder, "timeout 60");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::is_symlink(folder / "link.mp4"));
  EXPECT_GT(fs::file_size(folder / "real" / "show.mp4"), 1000u);
  EXPECT_EQ(filesIn(folder / "real"), std::vector<std::string>{"show.mp4"});
}

// The final rename is checked before the capture: in a sticky folder a file of
// another user cannot be replaced (only checkable as root, which runs the
// capture as nobody). A name that only just fits the file system's limit of
// 255 bytes still gets a temporary name beside it, cut short; a capture
// removes the temporary files that killed captures of the same name left, and
// only those.
TEST_F(Video, FinalNameCheckedFirstAndLeftoversRemoved) {
  const fs::path folder = scratch("rename");
  if (geteuid() == 0) {
    const fs::path sticky = folder / "sticky";
    fs::create_directories(sticky);
    fs::permissions(sticky, fs::perms::all | fs::perms::sticky_bit);
    std::ofstream(sticky / "show.mp4") << "root's\n";
    const RunResult r = render("--fps 1 --until 0 --quiet --video sticky/show.mp4", folder,
                               "timeout 60 setpriv --reuid=65534 --regid=65534 --clear-groups");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "morvex-render: sticky/show.mp4: cannot be replaced: it belongs to another user and sticky is a sticky "
              "folder (only the owner may replace a file there)\n");
    EXPECT_EQ(readAll(sticky / "show.mp4"), "root's\n");
    EXPECT_EQ(filesIn(sticky), std::vector<std::string>{"show.mp4"});
  }

  const std::string longName = std::string(250 - 4, 'a') + ".mkv";
  const std::string dead = std::to_string(deadPid());
  const std::string alive = std::to_string(getpid());
  const auto cut = [&](const std::string& pid) {
    const std::string suffix = "." + pid + ".part";
    return longName.substr(0, std::min(longName.size(), 255 - suffix.size())) + suffix;
  };
  const std::vector<std::string> kept = {cut(alive), "other.mkv." + dead + ".part", "show.mkv." + alive + ".part"};
  for (const std::string& name : kept) std::ofstream(folder / name) << "part\n";
  std::ofstream(folder / ("show.mkv." + dead + ".part")) << "part\n";
  std::ofstream(folder / cut(dead)) << "part\n";

  RunResult r = render("--fps 1 --until 0 --no-fade --quiet --video show.mkv --codec ffv1", folder, "timeout 60");
  ASSERT_EQ(r.status, 0) << r.err;
  r = render("--fps 1 --until 0 --no-fade --quiet --video " + longName + " --codec ffv1", folder, "timeout 60");
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::string> expected = kept;
  expected.push_back(longName);
  expected.push_back("show.mkv");
  if (geteuid() == 0) expected.push_back("sticky");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(filesIn(folder), expected);
}

}  // namespace
