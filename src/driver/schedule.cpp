#include "driver/schedule.h"

#include "display/screen.h"
#include "music/clock.h"
#include "raster/filter.h"

void blurScreen() { blurImage(Screen); }

// Rows are added together with the modules whose routines they call.
#define ROW(from, to, ...) {from, to, {__VA_ARGS__}, #__VA_ARGS__}

// Rows in table order; the empty row at the end only closes the list.
static const ScheduleRow Rows[] = {
    {},
};

#undef ROW

const ScheduleRow* const EffectSchedule = Rows;
const int EffectScheduleRows = int(sizeof(Rows) / sizeof(Rows[0])) - 1;

ScheduleRowWatcher ScheduleWatcher = nullptr;

void runScheduleRows(const ScheduleRow* rows, int count, int32_t time) {
  for (int i = 0; i < count; ++i) {
    const ScheduleRow& row = rows[i];
    if (!rowActive(row, time)) continue;
    if (ScheduleWatcher) ScheduleWatcher(i, true);
    for (FrameRoutine routine : row.Routines) {
      if (routine) routine();
    }
    if (ScheduleWatcher) ScheduleWatcher(i, false);
  }
}

void runEffectSchedule() { runScheduleRows(EffectSchedule, EffectScheduleRows, DemoTime); }
