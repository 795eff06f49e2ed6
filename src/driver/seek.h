#pragma once
// Putting the show at any moment, for the review tools (morvex-view, the web
// edition's review mode). Effects keep state from frame to frame (fade levels,
// jitter) and from 33000 ms on every frame draws over the one before, so a seek
// first draws, unseen, the frames since the active scenes began.
#include <cstdint>

constexpr int32_t SeekStepMs = 17;       // one frame at 60 frames a second
constexpr int32_t SeekBuildUpMs = 8000;  // at most this much is drawn unseen before a target

// The clock of a seek: the music position of ReviewTime, so that updateDemoTime
// turns it into DemoTime through the show's own clock arithmetic.
extern int32_t ReviewTime;
uint64_t reviewPosition();

// Where the frames leading to ms start: the earliest window of the rows active
// there, at most SeekBuildUpMs before ms; from 33000 ms on, never later than 1 s
// before, since each frame draws over the one before. Never below 0.
int32_t buildUpFrom(int32_t ms);

// The per-pass resets, then the frames from buildUpFrom(ms) up to (not
// including) ms drawn into Screen at SeekStepMs steps on the review clock.
// Leaves MusicPosition on reviewPosition and ReviewTime at ms.
void buildUpTo(int32_t ms);
