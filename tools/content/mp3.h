#pragma once
// MP3 encoding through LAME: 44.1 kHz joint stereo, constant 192 kbit/s, with
// the LAME/Info tag in the first frame so decoders can trim the encoder delay.
#include <cstdint>
#include <vector>

std::vector<uint8_t> encodeMp3(const std::vector<int16_t>& interleaved, int rate);
