#pragma once
// The soundtrack, composed in code: 44.1 kHz stereo, 16-bit, shaped to the
// show: quiet under the title words (0-17 s), growing in four-bar phrases;
// building under the logo and the digits into the drop on the first cut
// (34.301 s); the full beat where the cuts crowd, a breakdown over the bars
// where they come one at a time, a second drop; a hit on every cut, a closing
// phrase from 69.5 s and a fade to silence by 78 s.
#include <cstdint>
#include <vector>

constexpr int MusicRate = 44100;
constexpr double MusicSeconds = 80.0;

// The beat grid the soundtrack is composed on, fitted to the cut times: the
// sixteenth-note length and a grid point (origin), in microseconds. The fit
// takes the grid that puts the most cuts within 10 ms of a sixteenth, with a
// grid point within 10 ms of 33 s, where the screen stops being cleared: a
// bar line of the piece.
struct BeatGrid {
  int64_t sixteenthUs;
  int64_t originUs;
};
BeatGrid fitBeatGrid(const std::vector<int32_t>& cutTimes);

// Interleaved left/right samples. cutTimes: milliseconds at which the pictures
// change in the dense section (34301 ms on), each given an accent; the piece is
// composed on fitBeatGrid(cutTimes).
std::vector<int16_t> composeMusic(const std::vector<int32_t>& cutTimes);
