#include "mp3.h"

#include <lame/lame.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

std::vector<uint8_t> encodeMp3(const std::vector<int16_t>& pcm, int rate) {
  lame_global_flags* lame = lame_init();
  if (!lame) {
    std::fprintf(stderr, "morvex-content: LAME cannot start\n");
    std::exit(1);
  }
  lame_set_in_samplerate(lame, rate);
  lame_set_out_samplerate(lame, rate);
  lame_set_num_channels(lame, 2);
  lame_set_mode(lame, JOINT_STEREO);
  lame_set_VBR(lame, vbr_off);
  lame_set_brate(lame, 192);
  // Quality 5: LAME's default speed/quality balance; the encode is the slowest step.
  lame_set_quality(lame, 5);
  lame_set_bWriteVbrTag(lame, 1);
  if (lame_init_params(lame) < 0) {
    std::fprintf(stderr, "morvex-content: LAME refuses the encoder settings\n");
    std::exit(1);
  }
  std::vector<uint8_t> out;
  const int frames = int(pcm.size() / 2);
  const int chunk = 1152 * 32;
  std::vector<uint8_t> buf(size_t(1.25 * chunk + 7200));
  for (int start = 0; start < frames; start += chunk) {
    const int n = frames - start < chunk ? frames - start : chunk;
    const int got = lame_encode_buffer_interleaved(lame, const_cast<short*>(&pcm[size_t(start) * 2]), n, buf.data(),
                                                   int(buf.size()));
    if (got < 0) {
      std::fprintf(stderr, "morvex-content: LAME encoding failed (%d)\n", got);
      std::exit(1);
    }
    out.insert(out.end(), buf.begin(), buf.begin() + got);
  }
  const int tail = lame_encode_flush(lame, buf.data(), int(buf.size()));
  if (tail > 0) out.insert(out.end(), buf.begin(), buf.begin() + tail);
  // The Info tag occupies the first frame, written as silence at the start and
  // filled in now that the totals are known.
  std::vector<uint8_t> tag(4096);
  const size_t tagSize = lame_get_lametag_frame(lame, tag.data(), tag.size());
  if (tagSize > 0 && tagSize <= out.size()) std::memcpy(out.data(), tag.data(), tagSize);
  lame_close(lame);
  return out;
}
