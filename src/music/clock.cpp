#include "music/clock.h"

#include "raster/numeric.h"

uint32_t MusicBytePos = 0;
int32_t DemoTime = 0;
int64_t PreviousDemoTime = 0;
float FrameStep = 0.0f;

static uint64_t silentPosition() { return 0; }
MusicPositionSource MusicPosition = silentPosition;

double musicBytesToSeconds(uint64_t bytes) { return double(bytes) / double(MusicBytesPerSecond); }

uint64_t musicSecondsToBytes(double seconds) {
  if (!(seconds > 0.0)) return 0;
  return uint64_t(seconds * 44100.0) * 4;
}

uint64_t musicBytesForDemoTime(int32_t ms) {
  if (ms <= 0) return 0;
  // Sample frame n lies at n / 44100 s; the frame at or after ms is less than
  // 1/44100 s (0.023 ms) late, so it rounds back to exactly ms.
  return (uint64_t(ms) * 44100 + 999) / 1000 * 4;
}

void updateDemoTime() {
  MusicBytePos = uint32_t(MusicPosition());
  const double seconds = musicBytesToSeconds(MusicBytePos);
  DemoTime = roundToInt32(seconds * 1000.0);
  FrameStep = float(double(int64_t(DemoTime) - PreviousDemoTime) / 10.0);
  PreviousDemoTime = DemoTime;
}
