#pragma once
// Reviewing one moment of the show: the frames that lead to it, what the score
// runs there, and whether a list of frame times can reproduce the show.
#include <cstdint>
#include <string>
#include <vector>

// The DemoTime of frame i of a pass at fps frames a second, through the show's
// clock arithmetic (the position in whole sample frames, then milliseconds).
int32_t frameTimeAt(int64_t i, double fps);

// Every frame the show draws at fps before DemoTime at, then at itself: run in
// order they give the show's frame at that time (from 33000 ms on each frame
// draws over the one before, and a few effects accumulate per frame).
std::vector<int32_t> framesLeadingTo(int32_t at, double fps);

// The schedule at DemoTime t: whether the frame is cleared first, and every
// active row with its window and routines, in the order they draw.
std::string describeScheduleAt(int32_t t);

// A --times list skips frames that later frames build on when, from 33000 ms
// on, a frame follows its predecessor by more than this (fewer than 10 frames a
// second), comes back in time, or has no predecessor at all.
constexpr int32_t MaxBuildOnGapMs = 100;
// The warning for such a list (naming the first place and how many there are),
// or an empty text.
std::string skippedFramesWarning(const std::vector<int32_t>& times, const std::string& listName);
