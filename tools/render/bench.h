#pragma once
// --bench of morvex-render: frame times per schedule row and per pass, the
// slowest frames with their routines, minor page faults per frame (getrusage)
// and the start-up broken down by step. Every figure is wall-clock time on a
// possibly busy machine: compare runs, not single frames.
#include <cstdint>
#include <cstdio>

// Before runShow: installs the schedule and set-up watchers and wraps the asset
// loading step; the clock starts here. passes sizes the frame records up front.
void startBench(int32_t passes);
// First thing in a frame (the clock read) and when the frame is presented; frames
// of the end fade are timed from one present to the next.
void benchFrameStarted();
void benchFramePresented(bool inPass, int32_t pass, int32_t demoTime);
// At the end of the tool's own work on a presented frame (hashes, files).
void benchPresentFinished();
void printBenchReport(FILE* out);
