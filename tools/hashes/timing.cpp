#include "timing.h"

#include <time.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#ifdef __EMSCRIPTEN__
#include <emscripten/emscripten.h>
// Node's processor time of the whole process (its own helper threads, the
// compiler's and the collector's, included): wasm has no thread clock.
EM_JS(double, processCpuMs, (), {
  const t = process.cpuUsage();
  return (t.user + t.system) / 1000;
});
#else
double processCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1e6;
}
#endif

#include "driver/schedule.h"

namespace {

using Clock = std::chrono::steady_clock;

struct FrameTime {
  int32_t demoTime;
  double ms, cpuMs;
};
struct RowTime {
  int32_t row;
  double ms;
};

// Reserved up front: recording takes no allocation inside a frame.
std::vector<FrameTime> Frames;
std::vector<RowTime> Rows;
bool RowsWatched = false;
double FrameStartCpu = 0.0;
Clock::time_point RowStart;

void watchRow(int row, bool started) {
  if (started) {
    RowStart = Clock::now();
  } else if (Rows.size() < Rows.capacity()) {
    Rows.push_back({row, std::chrono::duration<double, std::milli>(Clock::now() - RowStart).count()});
  }
}

// The value below which a share q of the sorted values lie (nearest rank).
double quantile(const std::vector<double>& sorted, double q) {
  size_t i = size_t(q * double(sorted.size()));
  return sorted[std::min(i, sorted.size() - 1)];
}

std::string routinesAt(int32_t demoTime) { return demoTime < 0 ? "end fade" : activeRoutineNames(demoTime); }

void printRows(FILE* out) {
  std::vector<std::vector<double>> perRow{size_t(EffectScheduleRows)};
  for (const RowTime& t : Rows) perRow[size_t(t.row)].push_back(t.ms);
  std::vector<int> order;
  std::vector<double> total(perRow.size(), 0.0);
  for (int r = 0; r < EffectScheduleRows; ++r) {
    for (double ms : perRow[size_t(r)]) total[size_t(r)] += ms;
    if (!perRow[size_t(r)].empty()) order.push_back(r);
  }
  std::sort(order.begin(), order.end(), [&](int a, int b) { return total[size_t(a)] > total[size_t(b)]; });
  std::fprintf(out, "schedule rows by their total drawing time:\n%4s %7s %9s %9s %9s %9s  %s\n", "row", "frames",
               "total ms", "median", "p99", "worst", "routines");
  for (int r : order) {
    std::vector<double>& v = perRow[size_t(r)];
    std::sort(v.begin(), v.end());
    std::fprintf(out, "%4d %7zu %9.1f %9.3f %9.3f %9.3f  %s\n", r + 1, v.size(), total[size_t(r)], quantile(v, 0.5),
                 quantile(v, 0.99), v.back(), EffectSchedule[r].Names);
  }
  // By wall clock and by processor time: a frame slow by the one alone lost
  // the processor to another program; slow by both, it had more to do.
  for (bool byCpu : {false, true}) {
    std::vector<FrameTime> slowest = Frames;
    const size_t n = std::min<size_t>(10, slowest.size());
    std::partial_sort(slowest.begin(), slowest.begin() + ptrdiff_t(n), slowest.end(),
                      [&](const FrameTime& a, const FrameTime& b) { return byCpu ? a.cpuMs > b.cpuMs : a.ms > b.ms; });
    std::fprintf(out, "slowest frames by %s:\n%9s %9s %9s  %s\n", byCpu ? "processor time" : "wall clock", "DemoTime",
                 "wall ms", "cpu ms", "routines");
    for (size_t i = 0; i < n; ++i)
      std::fprintf(out, "%9d %9.3f %9.3f  %s\n", slowest[i].demoTime, slowest[i].ms, slowest[i].cpuMs,
                   routinesAt(slowest[i].demoTime).c_str());
  }
}

}  // namespace

void startRowTiming() {
  RowsWatched = true;
  Rows.reserve(size_t(1) << 18);
  ScheduleWatcher = watchRow;
}

void frameStarted() { FrameStartCpu = processCpuMs(); }

void recordFrame(int32_t demoTime, double ms) {
  const double cpuMs = processCpuMs() - FrameStartCpu;
  if (Frames.capacity() == 0) Frames.reserve(size_t(1) << 16);
  if (Frames.size() < Frames.capacity()) Frames.push_back({demoTime, ms, cpuMs});
}

void printTimings(FILE* out) {
  if (Frames.empty()) return;
  std::vector<double> ms, cpu;
  for (const FrameTime& f : Frames) {
    ms.push_back(f.ms);
    cpu.push_back(f.cpuMs);
  }
  std::sort(ms.begin(), ms.end());
  std::sort(cpu.begin(), cpu.end());
  std::fprintf(out, "drawing a frame: median %.3f ms, p99 %.3f ms, p99.9 %.3f ms, worst %.3f ms (wall clock)\n",
               quantile(ms, 0.5), quantile(ms, 0.99), quantile(ms, 0.999), ms.back());
  std::fprintf(out, "drawing a frame: median %.3f ms, p99 %.3f ms, p99.9 %.3f ms, worst %.3f ms (processor time)\n",
               quantile(cpu, 0.5), quantile(cpu, 0.99), quantile(cpu, 0.999), cpu.back());
  if (RowsWatched) printRows(out);
}
