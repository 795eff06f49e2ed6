// The soundtrack decoder: libmpg123, the whole file at once, 44100 Hz stereo
// signed 16-bit whatever the file holds.
#include "music/mp3_decode.h"

#include <mpg123.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "data/util.h"
#include "music/clock.h"
#include "music/music.h"

namespace {

// The frame count an MP3 states about itself in its Xing/Info or VBRI header
// (the first frame of the stream, after any ID3v2 tags); -1 when it has none.
int64_t claimedFrameCount(const std::vector<uint8_t>& f) {
  auto be32 = [&](size_t p) {
    return (uint32_t(f[p]) << 24) | (uint32_t(f[p + 1]) << 16) | (uint32_t(f[p + 2]) << 8) | f[p + 3];
  };
  size_t p = 0;
  while (p + 10 <= f.size() && f[p] == 'I' && f[p + 1] == 'D' && f[p + 2] == '3') {
    size_t size = (size_t(f[p + 6] & 0x7F) << 21) | (size_t(f[p + 7] & 0x7F) << 14) | (size_t(f[p + 8] & 0x7F) << 7) |
                  size_t(f[p + 9] & 0x7F);
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
  if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) return -1;
  const int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? int64_t(in.at) : int64_t(in.bytes->size());
  const int64_t to = base + int64_t(offset);
  if (to < 0 || to > int64_t(in.bytes->size())) return -1;
  in.at = size_t(to);
  return off_t(to);
}

}  // namespace

int32_t decodeMp3File(const char* path, std::vector<int16_t>& out) {
  out.clear();
  // The file through the program's gate for whole-file reads: a regular file
  // of at most MaxMusicFileBytes.
  std::vector<uint8_t> file;
  switch (readInputFile(path, MaxMusicFileBytes, file)) {
    case InputFileProblem::Ok:
      break;
    case InputFileProblem::NotRegular:
      return AudioErrorNotRegular;
    case InputFileProblem::TooLarge:
      return AudioErrorFileTooLarge;
    default:
      return AudioErrorFileOpen;
  }
  const int64_t claimed = claimedFrameCount(file);

  mpg123_init();
  int err = MPG123_OK;
  mpg123_handle* mh = mpg123_new(nullptr, &err);
  if (mh == nullptr) return AudioErrorDecode;
  mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0.0);
  // Whatever the file holds comes out at 44100 Hz, stereo, signed 16-bit.
  mpg123_format_none(mh);
  mpg123_format(mh, Mp3OutputRate, MPG123_STEREO, MPG123_ENC_SIGNED_16);
  MemoryInput input = {&file, 0};
  if (mpg123_replace_reader_handle(mh, readMemory, seekMemory, nullptr) != MPG123_OK ||
      mpg123_open_handle(mh, &input) != MPG123_OK) {
    mpg123_delete(mh);
    return AudioErrorFileOpen;
  }

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
      if (rate != Mp3OutputRate || channels != Mp3OutputChannels || encoding != MPG123_ENC_SIGNED_16) {
        code = AudioErrorDecode;
        break;
      }
      formatSeen = true;
    } else if (ret != MPG123_OK && ret != MPG123_DONE) {
      code = formatSeen ? AudioErrorDecode : AudioErrorNoFormat;
      break;
    }
    if (done > 0) {
      if (out.size() * sizeof(int16_t) + done > MaxMusicSeconds * MusicBytesPerSecond) {
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
  }
  return code;
}

std::string musicFileMessage(const std::string& path, int32_t code) {
  switch (code) {
    case AudioErrorNotRegular:
      return "Music file " + path + " is not a regular file";
    case AudioErrorFileTooLarge:
      return "Music file " + path + " is larger than " + byteSizeText(MaxMusicFileBytes);
    case AudioErrorTooLong:
      return "Music file " + path + " holds more than " + std::to_string(MaxMusicSeconds / 60) + " minutes of sound";
    default:
      return "";
  }
}
