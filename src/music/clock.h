#pragma once
// The show clock: the music's playback position, read once per frame, becomes
// DemoTime in whole milliseconds. The position comes from a source: the audio
// back end in the program, a virtual clock in the tools and tests.
#include <cstdint>

// 44100 Hz, stereo, 16-bit.
constexpr uint32_t MusicBytesPerSecond = 176400;

extern uint32_t MusicBytePos;     // low 32 bits of the last position read
extern int32_t DemoTime;          // nearest millisecond, ties to even
extern int64_t PreviousDemoTime;  // 0 at start, never reset
extern float FrameStep;           // (DemoTime - PreviousDemoTime) / 10.0

// Current playback position in bytes.
using MusicPositionSource = uint64_t (*)();
extern MusicPositionSource MusicPosition;

double musicBytesToSeconds(uint64_t bytes);
// Whole sample frames (4 bytes each), rounded down.
uint64_t musicSecondsToBytes(double seconds);
// The byte position at which DemoTime reads exactly ms (for clocks driven by times).
uint64_t musicBytesForDemoTime(int32_t ms);

void updateDemoTime();
