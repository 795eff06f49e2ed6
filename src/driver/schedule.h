#pragma once
// The score: a fixed table of windows on the music clock, each naming the frame
// routines to run while DemoTime lies inside it. Walked in table order every frame.
#include <cstdint>
#include <string>

using FrameRoutine = void (*)();

constexpr int MaxRowRoutines = 6;

struct ScheduleRow {
  int32_t From;                           // first DemoTime of the row
  int32_t To;                             // last DemoTime of the row, inclusive
  FrameRoutine Routines[MaxRowRoutines];  // in call order; unused slots are null
  const char* Names;                      // the routines' names, for tools ("drawLogo", ...)
  const char* Module;                     // the effect module the routines belong to ("Logo"), for tools
};

extern const ScheduleRow* const EffectSchedule;
extern const int EffectScheduleRows;

// Active when (DemoTime - From) as unsigned 32-bit <= To - From.
inline bool rowActive(const ScheduleRow& row, int32_t time) {
  return uint32_t(time) - uint32_t(row.From) <= uint32_t(row.To) - uint32_t(row.From);
}

// The routines of every row active at that time, rows apart by " | "; "-" when
// none is (for tools' figures).
std::string activeRoutineNames(int32_t time);

void runEffectSchedule();
// The walk itself, over any table: every active row's routines in table order.
void runScheduleRows(const ScheduleRow* rows, int count, int32_t time);

// Optional watcher of the walk (tools time each row with it): called with the
// row's index and started = true before an active row's routines, false after.
// Null in the program.
using ScheduleRowWatcher = void (*)(int row, bool started);
extern ScheduleRowWatcher ScheduleWatcher;
// blurImage(Screen), the closing call of the title rows.
void blurScreen();
