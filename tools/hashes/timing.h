#pragma once
// Drawing times of morvex-hashes (wall clock and processor time): every frame's, and with --rows
// every schedule row's, for finding what a port spends its frames on.
#include <cstdint>
#include <cstdio>

// Before runShow: starts recording the rows (--rows) as well as the frames.
void startRowTiming();
// At the end of every present, and in presentFrame: the frame just drawn, at
// demoTime, took ms of wall clock (its processor time is measured in between).
void frameStarted();
void recordFrame(int32_t demoTime, double ms);  // demoTime -1: a frame of the end fade
// The frame line ("drawing a frame: median ..."); with --rows also the rows by
// their total time and the slowest frames with their routines.
void printTimings(FILE* out);
