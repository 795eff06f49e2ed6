#pragma once
// Comparing what a sound server played with the soundtrack: the recording of
// the null sink's monitor against the MP3 decoded sample for sample.
#include <cstdint>
#include <string>
#include <vector>

// The whole file as interleaved 44100 Hz stereo 16-bit samples (libmpg123);
// empty when it cannot be decoded.
std::vector<int16_t> decodeMp3(const std::string& path);

struct SoundMatch {
  int blocks = 0;             // 100 ms blocks of the soundtrack that were looked for (not silent)
  int intact = 0;             // found in the recording sample for sample, in order
  int degraded = 0;           // blocks - intact
  double firstBadMs = -1;     // soundtrack time of the first degraded block
  double insertedMs = 0;      // recording time between the first and last intact block beyond the soundtrack's
  std::vector<double> badMs;  // soundtrack times of the degraded blocks (the first few)
  int silentInRecording = 0;  // degraded blocks whose place in the recording is silence (an underrun)
};
// Looks for each 100 ms block of track in [fromMs, toMs) in the recording, in
// order; a dropout (the server playing silence while the feeder is late) splits
// a block and shifts what follows, which the search follows.
SoundMatch matchSound(const std::vector<int16_t>& track, const std::vector<int16_t>& recording, double fromMs,
                      double toMs);
