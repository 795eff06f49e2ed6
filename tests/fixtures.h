#pragma once
// Helpers the test suites share.
#include <cstdint>
#include <string>

#include "raster/image.h"

// The whole file, bytes as they are ("" when it cannot be read).
std::string readFile(const std::string& path);
// Every pixel of Screen (which the test allocated) set to c.
void clearScreen(Color32 c);
// DemoTime = ms and FrameStep = step, as the clock sets them once per frame.
void setTime(int32_t ms, float step = 1.0f);
