#pragma once
// The storyboard: one contact sheet of a pass, a 320 x 180 thumbnail per schedule
// row (the frame at the middle of the row's window), in row order, each labelled
// with its row number, DemoTime and routine names (text through FreeType).
#include <cstdint>
#include <string>
#include <vector>

#include "raster/image.h"

constexpr int32_t ThumbWidth = 320;
constexpr int32_t ThumbHeight = 180;

struct StoryCell {
  int Row;                      // 1-based row of the schedule
  int32_t DemoTime;             // of the frame shown
  std::string Names;            // the row's routines
  std::vector<uint32_t> Thumb;  // ThumbWidth x ThumbHeight, BGRA
};

// 4 x 4 box average of a 1280 x 720 frame (per channel sum / 16), opaque.
void makeThumbnail(const Image& frame, std::vector<uint32_t>& thumb);

// The sheet as a PNG; title on top. False with a reason when the font or the file fails.
bool writeStoryboard(const std::string& path, const std::string& title, const std::vector<StoryCell>& cells,
                     std::string& error);

// The font of the labels.
extern const char* const StoryboardFont;
