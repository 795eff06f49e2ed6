#include "driver/schedule.h"

#include "display/screen.h"
#include "music/clock.h"
#include "raster/filter.h"

#include "effects/brainbug.h"
#include "effects/forms.h"
#include "effects/gitter.h"
#include "effects/graf.h"
#include "effects/infinity.h"
#include "effects/platine.h"
#include "effects/skeleton.h"
#include "effects/slidingpictures.h"
#include "effects/welle.h"
#include "effects/zifri.h"

void blurScreen() { blurImage(Screen); }

// Rows are added together with the modules whose routines they call.
#define ROW(from, to, ...) {from, to, {__VA_ARGS__}, #__VA_ARGS__}

// Rows in table order; the empty row at the end only closes the list.
static const ScheduleRow Rows[] = {
    ROW(37921, 38519, drawBrainBug),  // 10
    ROW(38681, 39159, drawPlatine),  // 15
    ROW(40101, 40359, drawForms),  // 17
    ROW(41001, 41529, drawGitter),  // 21
    ROW(41531, 42519, drawInfinity),  // 22
    ROW(43001, 43479, drawGraf),  // 26
    ROW(44601, 44919, drawSkeleton),  // 35
    ROW(45361, 45839, drawSkeletonReturn),  // 37
    ROW(45901, 48799, drawZifri),  // 38
    ROW(46481, 48199, drawLine),  // 39
    ROW(49001, 50519, drawSpiral),  // 40
    ROW(50521, 52139, drawWertit),  // 41
    ROW(52141, 53279, drawWelle),  // 42
    ROW(62521, 62719, drawZifriCurve),  // 51
    ROW(63681, 63839, drawZifriCurve),  // 57
    ROW(64641, 65759, drawInfinityScroll),  // 64
    ROW(65001, 65759, drawFormsScroll),  // 65
    ROW(68481, 68799, drawSkeletonReprise),  // 76
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
