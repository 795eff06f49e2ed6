#pragma once
// The soundtrack as the tests hear it: kaz.mp3 beside the test binary decoded
// with libmpg123, and the cut times of the score it was composed on.
#include <cstdint>
#include <vector>

// kaz.mp3 decoded with libmpg123 to 44.1 kHz stereo 16-bit, as the program plays it.
struct DecodedSoundtrack {
  long rate = 0;
  int channels = 0, encoding = 0, bitrate = 0;
  std::vector<int16_t> samples;  // interleaved left/right
};
DecodedSoundtrack decodeSoundtrack();

// The cut times the soundtrack accents: the starts of the score's rows from 34301 ms.
std::vector<int32_t> scoreCuts();
