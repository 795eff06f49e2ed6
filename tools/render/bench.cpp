#include "bench.h"

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "driver/modules.h"
#include "driver/schedule.h"
#include "driver/show.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

struct FrameRecord {
  int32_t pass;
  int32_t demoTime;
  double ms;     // wall clock
  double cpuMs;  // this thread's processor time: what the frame cost without the other programs' share
  int64_t faults;
};

struct StartUpStep {
  std::string name;
  double ms, cpuMs;
};

SteadyClock::time_point RunStart, FrameStart, LastPresent, StepStart, RowStart;
double RowStartCpu = 0.0;
double RunStartCpu = 0.0, StepStartCpu = 0.0, StartUpCpuMs = 0.0;
int64_t FaultsAtFrameStart = 0, FaultsAtLastPresent = 0;
double CpuAtFrameStart = 0.0, CpuAtLastPresent = 0.0;
bool FirstFrameSeen = false;
double StartUpSeconds = 0.0;

std::vector<FrameRecord> Frames, FadeFrames;
struct RowRecord {
  int32_t row;
  double ms, cpuMs;
};
// Every run of a schedule row in the first pass, one after another. Its pages
// are written at the start so that recording a row takes no page fault in the
// frame; should it still grow, the faults of that are the bench's own and are
// not counted to the frame.
std::vector<RowRecord> RowTimes;
int64_t OwnFaults = 0, OwnFaultsAtFrameStart = 0;
std::vector<StartUpStep> Steps;
void (*LoadAllImages)() = nullptr;

double msBetween(SteadyClock::time_point a, SteadyClock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

double threadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1e6;
}

int64_t minorFaults() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return int64_t(usage.ru_minflt);
}

double threadCpuMs();

void watchRow(int row, bool started) {
  if (ShowPassNumber != 1) return;
  if (started) {
    RowStart = SteadyClock::now();
    RowStartCpu = threadCpuMs();
  } else {
    const RowRecord record{row, msBetween(RowStart, SteadyClock::now()), threadCpuMs() - RowStartCpu};
    if (RowTimes.size() < RowTimes.capacity()) {
      RowTimes.push_back(record);
    } else {
      const int64_t before = minorFaults();
      RowTimes.push_back(record);
      OwnFaults += minorFaults() - before;
    }
  }
}

void watchSetup(int module, bool started) {
  if (started) {
    StepStart = SteadyClock::now();
    StepStartCpu = threadCpuMs();
  } else {
    Steps.push_back({std::string("set-up ") + EffectModules[module].Name, msBetween(StepStart, SteadyClock::now()),
                     threadCpuMs() - StepStartCpu});
  }
}

void timedLoadAllImages() {
  const auto start = SteadyClock::now();
  const double startCpu = threadCpuMs();
  LoadAllImages();
  Steps.push_back({"asset pack: read and decode", msBetween(start, SteadyClock::now()), threadCpuMs() - startCpu});
}

double median(std::vector<double> v) {
  if (v.empty()) return 0.0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

// Per row: wall clock and processor time of its routines (on a shared machine
// the wall clock also counts the time other programs held the processor).
void printRowTable(FILE* out) {
  std::fprintf(out, "%4s %7s %7s %7s %10s %9s %9s  %s\n", "row", "from", "to", "frames", "median ms", "max ms",
               "cpu max", "routines");
  std::vector<std::vector<double>> rowMs(static_cast<size_t>(EffectScheduleRows)), rowCpu(rowMs.size());
  for (const RowRecord& t : RowTimes) {
    rowMs[size_t(t.row)].push_back(t.ms);
    rowCpu[size_t(t.row)].push_back(t.cpuMs);
  }
  for (int r = 0; r < EffectScheduleRows; ++r) {
    const ScheduleRow& row = EffectSchedule[r];
    const std::vector<double>& v = rowMs[size_t(r)];
    const std::vector<double>& cpu = rowCpu[size_t(r)];
    if (v.empty()) {
      std::fprintf(out, "%4d %7d %7d %7d %10s %9s %9s  %s\n", r + 1, row.From, row.To, 0, "-", "-", "-", row.Names);
    } else {
      std::fprintf(out, "%4d %7d %7d %7zu %10.3f %9.3f %9.3f  %s\n", r + 1, row.From, row.To, v.size(), median(v),
                   *std::max_element(v.begin(), v.end()), *std::max_element(cpu.begin(), cpu.end()), row.Names);
    }
  }
}

// One line per pass: frame times, the worst frame and the page faults taken in frames.
void printPasses(FILE* out) {
  int32_t lastPass = 0;
  for (const FrameRecord& f : Frames) lastPass = std::max(lastPass, f.pass);
  for (int32_t pass = 1; pass <= lastPass; ++pass) {
    std::vector<double> ms, cpu;
    const FrameRecord* worst = nullptr;
    const FrameRecord* worstCpu = nullptr;
    int64_t faults = 0, faultyFrames = 0, mostFaults = 0;
    double total = 0.0;
    for (const FrameRecord& f : Frames) {
      if (f.pass != pass) continue;
      ms.push_back(f.ms);
      cpu.push_back(f.cpuMs);
      total += f.ms;
      if (!worst || f.ms > worst->ms) worst = &f;
      if (!worstCpu || f.cpuMs > worstCpu->cpuMs) worstCpu = &f;
      faults += f.faults;
      faultyFrames += f.faults > 0;
      mostFaults = std::max(mostFaults, f.faults);
    }
    if (!worst) continue;
    const double mid = median(ms);
    if (pass == 1) {
      std::fprintf(out, "show: %zu frames, median %.1f fps (%.3f ms), worst %.1f fps (%.3f ms), mean %.1f fps\n",
                   ms.size(), 1000.0 / mid, mid, 1000.0 / worst->ms, worst->ms, 1000.0 * double(ms.size()) / total);
    }
    std::fprintf(out, "pass %d: %zu frames, median %.3f ms, worst %.3f ms at DemoTime %d (%s)\n", pass, ms.size(), mid,
                 worst->ms, worst->demoTime, activeRoutineNames(worst->demoTime).c_str());
    std::fprintf(out, "pass %d processor time: median %.3f ms, worst %.3f ms at DemoTime %d (%s)\n", pass, median(cpu),
                 worstCpu->cpuMs, worstCpu->demoTime, activeRoutineNames(worstCpu->demoTime).c_str());
    std::fprintf(out, "pass %d page faults in frames: %lld in %lld frames, at most %lld in one frame\n", pass,
                 (long long)faults, (long long)faultyFrames, (long long)mostFaults);
  }
}

void printSlowest(FILE* out) {
  std::vector<const FrameRecord*> order;
  for (const FrameRecord& f : Frames) order.push_back(&f);
  const size_t n = std::min<size_t>(10, order.size());
  std::partial_sort(order.begin(), order.begin() + ptrdiff_t(n), order.end(),
                    [](const FrameRecord* a, const FrameRecord* b) { return a->cpuMs > b->cpuMs; });
  // Ranked by processor time: on a shared machine the wall clock also counts the
  // time other programs held the processor.
  std::fprintf(out, "slowest frames (by processor time):\n%5s %9s %8s %8s %7s  %s\n", "pass", "DemoTime", "cpu ms",
               "wall ms", "faults", "routines");
  for (size_t i = 0; i < n; ++i) {
    const FrameRecord& f = *order[i];
    std::fprintf(out, "%5d %9d %8.3f %8.3f %7lld  %s\n", f.pass, f.demoTime, f.cpuMs, f.ms, (long long)f.faults,
                 activeRoutineNames(f.demoTime).c_str());
  }
}

// Every frame that took a page fault (the first 20): a buffer that set-up left
// untouched, or memory the frame allocated.
void printFaultyFrames(FILE* out) {
  int32_t listed = 0;
  for (const FrameRecord& f : Frames) {
    if (f.faults == 0) continue;
    if (listed == 0)
      std::fprintf(out, "frames with page faults:\n%5s %9s %7s  %s\n", "pass", "DemoTime", "faults", "routines");
    if (++listed > 20) continue;
    std::fprintf(out, "%5d %9d %7lld  %s\n", f.pass, f.demoTime, (long long)f.faults,
                 activeRoutineNames(f.demoTime).c_str());
  }
  if (listed > 20) std::fprintf(out, "  and %d more\n", listed - 20);
}

void printStartUp(FILE* out) {
  std::fprintf(out, "start-up: %.3f s (asset pack and every module's set-up), processor time %.3f s; by step:\n",
               StartUpSeconds, StartUpCpuMs / 1000.0);
  std::fprintf(out, "  %9s %9s\n", "wall ms", "cpu ms");
  double known = 0.0, knownCpu = 0.0;
  for (const StartUpStep& s : Steps) {
    std::fprintf(out, "  %9.3f %9.3f  %s\n", s.ms, s.cpuMs, s.name.c_str());
    known += s.ms;
    knownCpu += s.cpuMs;
  }
  std::fprintf(out, "  %9.3f %9.3f  the rest (log, music, Screen, up to the first frame)\n",
               StartUpSeconds * 1000.0 - known, StartUpCpuMs - knownCpu);
}

}  // namespace

void startBench(int32_t passes) {
  // A pass at 60 frames per second, each with a few rows.
  RowTimes.resize(8192 * 8);
  RowTimes.clear();
  Frames.reserve(size_t(passes) * 8192);
  FadeFrames.reserve(size_t(passes) * size_t(EndFadePasses));
  ScheduleWatcher = watchRow;
  SetupWatcher = watchSetup;
  LoadAllImages = ShowCore.loadAllImages;
  ShowCore.loadAllImages = timedLoadAllImages;
  RunStart = LastPresent = SteadyClock::now();
  RunStartCpu = threadCpuMs();
  FaultsAtLastPresent = minorFaults();
}

void benchFrameStarted() {
  FrameStart = SteadyClock::now();
  FaultsAtFrameStart = minorFaults();
  OwnFaultsAtFrameStart = OwnFaults;
  CpuAtFrameStart = threadCpuMs();
  if (!FirstFrameSeen) {
    FirstFrameSeen = true;
    StartUpSeconds = std::chrono::duration<double>(FrameStart - RunStart).count();
    StartUpCpuMs = threadCpuMs() - RunStartCpu;
  }
}

void benchFramePresented(bool inPass, int32_t pass, int32_t demoTime) {
  const auto now = SteadyClock::now();
  const int64_t faults = minorFaults();
  const double cpu = threadCpuMs();
  if (inPass) {
    Frames.push_back({pass, demoTime, msBetween(FrameStart, now), cpu - CpuAtFrameStart,
                      faults - FaultsAtFrameStart - (OwnFaults - OwnFaultsAtFrameStart)});
  } else {
    FadeFrames.push_back(
        {pass, demoTime, msBetween(LastPresent, now), cpu - CpuAtLastPresent, faults - FaultsAtLastPresent});
  }
}

void benchPresentFinished() {
  LastPresent = SteadyClock::now();
  FaultsAtLastPresent = minorFaults();
  CpuAtLastPresent = threadCpuMs();
}

void printBenchReport(FILE* out) {
  printRowTable(out);
  printPasses(out);
  if (!FadeFrames.empty()) {
    std::vector<double> ms, cpu;
    int64_t faults = 0;
    for (const FrameRecord& f : FadeFrames) {
      ms.push_back(f.ms);
      cpu.push_back(f.cpuMs);
      faults += f.faults;
    }
    std::fprintf(out,
                 "end fade: %zu passes, median %.3f ms per pass (processor %.3f ms), worst %.3f ms, %lld page faults\n",
                 ms.size(), median(ms), median(cpu), *std::max_element(ms.begin(), ms.end()), (long long)faults);
  }
  printSlowest(out);
  printFaultyFrames(out);
  printStartUp(out);
}
