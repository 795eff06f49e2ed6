#pragma once
// Shared by the fuzz harnesses (libFuzzer in the clang tree, the corpus replay
// in the others). The show's fatal paths end the process; here they throw
// HarnessFailure instead, so one process can watch thousands of failures.
#include <cstddef>
#include <cstdint>
#include <string>

struct HarnessFailure {};

// Once per process: failures throw and the show's console output goes to
// /dev/null. The log is written in the current folder (the scripts run the
// harnesses in a scratch folder) and removed after every failure.
void prepareHarness();
// Runs step; true when it ended through a failure. Every failure must have
// left its message in the log (which is then removed for the next input).
bool failsWithMessage(void (*step)());
// The input as a file the loaders can open by path (one memory file reused).
std::string inputAsFile(const uint8_t* data, size_t size);
