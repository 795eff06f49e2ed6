// morvex-cuts: writes the cut times the soundtrack accents, one millisecond
// value per line: the starts (From) of the score's rows from 34301 ms on, the
// dense section where the pictures change every fraction of a second. They are
// read from the engine's own score, EffectSchedule. The file is rewritten only
// when its content changes, so the soundtrack is composed again only when a cut
// really moves.
//
// With --score it writes the score itself as JSON for the web edition's review
// timeline: every row (window, module, routines in call order), the cut times
// and the show's fixed times, so the page never keeps a copy of the table.
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "driver/schedule.h"
#include "driver/show.h"

namespace {

constexpr int32_t DenseSectionStart = 34301;

std::set<int32_t> cutTimes() {
  std::set<int32_t> cuts;
  for (int i = 0; i < EffectScheduleRows; ++i)
    if (EffectSchedule[i].From >= DenseSectionStart) cuts.insert(EffectSchedule[i].From);
  return cuts;
}

std::string quoted(const std::string& s) { return "\"" + s + "\""; }  // names are plain identifiers

std::string scoreJson() {
  std::string j = "{\n  \"clearUntil\": " + std::to_string(ClearUntilTime) +
                  ",\n  \"showEnd\": " + std::to_string(ShowEndTime) + ",\n  \"rows\": [\n";
  for (int i = 0; i < EffectScheduleRows; ++i) {
    const ScheduleRow& row = EffectSchedule[i];
    std::string routines;
    std::string names = row.Names;
    for (size_t at = 0; at < names.size();) {
      size_t end = names.find(',', at);
      if (end == std::string::npos) end = names.size();
      std::string name = names.substr(at, end - at);
      name.erase(0, name.find_first_not_of(' '));
      name.erase(name.find_last_not_of(' ') + 1);
      routines += (routines.empty() ? "" : ", ") + quoted(name);
      at = end + 1;
    }
    j += "    {\"row\": " + std::to_string(i + 1) + ", \"from\": " + std::to_string(row.From) +
         ", \"to\": " + std::to_string(row.To) + ", \"module\": " + quoted(row.Module) + ", \"routines\": [" +
         routines + "]}" + (i + 1 < EffectScheduleRows ? ",\n" : "\n");
  }
  j += "  ],\n  \"cuts\": [";
  bool first = true;
  for (int32_t c : cutTimes()) {
    j += (first ? "" : ", ") + std::to_string(c);
    first = false;
  }
  return j + "]\n}\n";
}

bool writeFile(const char* path, const std::string& text) {
  FILE* f = std::fopen(path, "wb");
  if (f && std::fwrite(text.data(), 1, text.size(), f) == text.size() && std::fclose(f) == 0) return true;
  std::fprintf(stderr, "morvex-cuts: cannot write %s\n", path);
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--score") == 0) {
    if (!writeFile(argv[2], scoreJson())) return 1;
    std::printf("morvex-cuts: wrote the score (%d rows) to %s\n", EffectScheduleRows, argv[2]);
    return 0;
  }
  if (argc != 2) {
    std::fprintf(stderr, "usage: morvex-cuts CUTS.TXT | morvex-cuts --score SCORE.JSON\n");
    return 2;
  }
  const std::set<int32_t> cuts = cutTimes();
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
  if (!writeFile(argv[1], text)) return 1;
  std::printf("morvex-cuts: wrote %zu cut times (%zu from the score)\n", cuts.size(), cuts.size());
  return 0;
}
