// morvex-cuts: writes the cut times the soundtrack accents, one millisecond
// value per line: the starts (From) of the score's rows from 34301 ms on, the
// dense section where the pictures change every fraction of a second. They are
// read from the engine's own score, EffectSchedule. While the score is still
// being filled in (fewer than its 81 rows), the agreed list below stands in for
// the missing rows (the union of both is used); once the score is complete the
// list is ignored. The file is rewritten only when its content changes, so the
// soundtrack is composed again only when a cut really moves.
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "driver/schedule.h"

namespace {

constexpr int32_t DenseSectionStart = 34301;
constexpr int FullScoreRows = 81;

// The From values of the rows from 34301 ms, as agreed before the score existed.
const int32_t AgreedCuts[] = {
    34301, 37301, 37481, 37621, 37921, 38201, 38281, 38441, 38521, 38681, 39161, 40101, 40361, 40601, 40821,
    41001, 41531, 42521, 42681, 42841, 43001, 43481, 43561, 43721, 43961, 44041, 44201, 44601, 44801, 45361,
    45901, 46481, 49001, 50521, 52141, 53281, 54301, 55401, 56521, 57141, 58401, 61121, 62001, 62521, 62721,
    62881, 63041, 63521, 63681, 63841, 64001, 64161, 64321, 64481, 64641, 65001, 65761, 66001, 66241, 66481,
    67041, 67441, 67921, 68481, 68561, 68801, 69041, 69201, 69361, 69521};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: morvex-cuts CUTS.TXT\n");
    return 2;
  }
  std::set<int32_t> cuts;
  for (int i = 0; i < EffectScheduleRows; ++i)
    if (EffectSchedule[i].From >= DenseSectionStart) cuts.insert(EffectSchedule[i].From);
  const bool complete = EffectScheduleRows >= FullScoreRows;
  const size_t fromScore = cuts.size();
  if (!complete) cuts.insert(std::begin(AgreedCuts), std::end(AgreedCuts));

  std::string text = "# cut times (ms): " + std::to_string(fromScore) + " from the score (" +
                     std::to_string(EffectScheduleRows) + " rows)" + (complete ? "" : " and the agreed list") + "\n";
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
  std::printf("morvex-cuts: wrote %zu cut times (%zu from the score)\n", cuts.size(), fromScore);
  return 0;
}
