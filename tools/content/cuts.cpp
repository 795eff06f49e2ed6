// morvex-cuts: writes the cut times the soundtrack accents, one millisecond
// value per line: the starts (From) of the score's rows from 34301 ms on, the
// dense section where the pictures change every fraction of a second. They are
// read from the engine's own score, EffectSchedule. The file is rewritten only
// when its content changes, so the soundtrack is composed again only when a cut
// really moves.
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "driver/schedule.h"

namespace {

constexpr int32_t DenseSectionStart = 34301;

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: morvex-cuts CUTS.TXT\n");
    return 2;
  }
  std::set<int32_t> cuts;
  for (int i = 0; i < EffectScheduleRows; ++i)
    if (EffectSchedule[i].From >= DenseSectionStart) cuts.insert(EffectSchedule[i].From);

  std::string text = "# cut times (ms): " + std::to_string(cuts.size()) + " from the score (" +
                     std::to_string(EffectScheduleRows) + " rows)\n";
  for (int32_t c : cuts) text += std::to_string(c) + "\n";

  std::string old;
  if (FILE* f = std::fopen(argv[1], "rb")) {
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) old.append(buf, n);
    std::fclose(f);
  }
  if (old == text) {
    std::printf("morvex-cuts: %zu cut times, unchanged\n", cuts.size());
    return 0;
  }
  FILE* f = std::fopen(argv[1], "wb");
  if (!f || std::fwrite(text.data(), 1, text.size(), f) != text.size() || std::fclose(f) != 0) {
    std::fprintf(stderr, "morvex-cuts: cannot write %s\n", argv[1]);
    return 1;
  }
  std::printf("morvex-cuts: wrote %zu cut times (%zu from the score)\n", cuts.size(), cuts.size());
  return 0;
}
