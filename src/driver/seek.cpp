#include "driver/seek.h"

#include <algorithm>

#include "driver/modules.h"
#include "driver/schedule.h"
#include "driver/show.h"
#include "music/clock.h"

int32_t ReviewTime = 0;

uint64_t reviewPosition() { return musicBytesForDemoTime(ReviewTime); }

int32_t buildUpFrom(int32_t ms) {
  int32_t from = ms;
  for (int r = 0; r < EffectScheduleRows; ++r)
    if (rowActive(EffectSchedule[r], ms)) from = std::min(from, EffectSchedule[r].From);
  if (ms >= ClearUntilTime) from = std::min(from, ms - 1000);
  return std::max({from, ms - SeekBuildUpMs, 0});
}

void buildUpTo(int32_t ms) {
  resetEffectModules();
  MusicPosition = reviewPosition;
  for (int32_t t = buildUpFrom(ms); t < ms; t += SeekStepMs) {
    ReviewTime = t;
    drawShowFrame();
  }
  ReviewTime = ms;
}
