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

void runEffectSchedule() {
  const int32_t time = DemoTime;
  for (int i = 0; i < EffectScheduleRows; ++i) {
    const ScheduleRow& row = EffectSchedule[i];
    if (!rowActive(row, time)) continue;
    for (FrameRoutine routine : row.Routines) {
      if (routine) routine();
    }
  }
}
