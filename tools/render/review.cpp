#include "review.h"

#include <cstdio>

#include "driver/schedule.h"
#include "driver/show.h"
#include "music/clock.h"
#include "raster/numeric.h"

int32_t frameTimeAt(int64_t i, double fps) {
  const uint64_t bytes = musicSecondsToBytes(double(i) / fps);
  return roundToInt32(musicBytesToSeconds(uint32_t(bytes)) * 1000.0);
}

std::vector<int32_t> framesLeadingTo(int32_t at, double fps) {
  std::vector<int32_t> times;
  if (at < 0) at = 0;  // the music has no earlier position
  for (int64_t i = 0;; ++i) {
    const int32_t t = frameTimeAt(i, fps);
    if (t >= at) break;
    times.push_back(t);
  }
  times.push_back(at);
  return times;
}

std::string describeScheduleAt(int32_t t) {
  std::string s = "DemoTime " + std::to_string(t) + ": ";
  if (t < ClearUntilTime) {
    s += "the frame is cleared to black first\n";
  } else {
    s += "the frame is not cleared: from " + std::to_string(ClearUntilTime) +
         " ms on each frame draws over the one before\n";
  }
  int active = 0;
  for (int r = 0; r < EffectScheduleRows; ++r) {
    const ScheduleRow& row = EffectSchedule[r];
    if (!rowActive(row, t)) continue;
    ++active;
    char line[96];
    std::snprintf(line, sizeof line, "  row %2d  %6d-%-6d  ", r + 1, row.From, row.To);
    s += line + std::string(row.Names) + "\n";
  }
  if (active == 0) s += "  no row is active: nothing is drawn\n";
  if (t >= ShowEndTime)
    s += "  the show's last frame is its first at or past " + std::to_string(ShowEndTime) +
         " ms; the end fade follows\n";
  return s;
}

std::string skippedFramesWarning(const std::vector<int32_t>& times, const std::string& listName) {
  size_t places = 0, first = 0;
  for (size_t i = 0; i < times.size(); ++i) {
    if (times[i] < ClearUntilTime) continue;
    const bool skips = i == 0 || times[i] < times[i - 1] || int64_t(times[i]) - times[i - 1] > MaxBuildOnGapMs;
    if (!skips) continue;
    if (places++ == 0) first = i;
  }
  if (places == 0) return "";
  const std::string before = first == 0 ? "as the first frame" : "after " + std::to_string(times[first - 1]);
  std::string w = "warning: " + listName + ": frame " + std::to_string(first + 1) + " (DemoTime " +
                  std::to_string(times[first]) + ") comes " + before + "; from " + std::to_string(ClearUntilTime) +
                  " ms on each frame draws over the one before, so it differs from the show's frame at that time";
  if (places > 1) w += " (and " + std::to_string(places - 1) + " more such frames)";
  w += ". For the show's frame at a time T use --at T.";
  return w;
}
