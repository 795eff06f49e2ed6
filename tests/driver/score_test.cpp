// The score and the module list, tested here and nowhere else: the show's 81
// rows, each with its window and routines, in table order; the 23 modules in
// set-up order, with a reset exactly where the show has one.
#include <gtest/gtest.h>

#include <string>

#include "driver/modules.h"
#include "driver/schedule.h"
#include "effects/flashpictures.h"
#include "effects/titlewords.h"

namespace {

struct ExpectedRow {
  int32_t From, To;
  const char* Names;
};

// The show's score, row 1 to 81.
const ExpectedRow ShowRows[] = {
    {5241, 12199, "jitterTitleWords, drawTitleWord1, drawTitleWord2, drawTitleWord3, drawTitleWord4, blurScreen"},  // 1
    {12201, 16899, "jitterTitleWords, drawTitleWord5, drawTitleWord6, drawTitleWord7, blurScreen"},                 // 2
    {22721, 32999, "drawDigitLine"},                                                                                // 3
    {25381, 112039, "scrollDigitField"},                                                                            // 4
    {16961, 29479, "drawLogo"},                                                                                     // 5
    {34301, 36839, "drawSpinPicture1"},                                                                             // 6
    {37301, 37399, "flashBrain"},                                                                                   // 7
    {37481, 37579, "flashNoirose1"},                                                                                // 8
    {37621, 37679, "flashPlatine1"},                                                                                // 9
    {37921, 38519, "drawBrainBug"},          // 10
    {38201, 38279, "flashPlatine2"},         // 11
    {38281, 38359, "flashPlatine3"},         // 12
    {38441, 38519, "flashPlatine4"},         // 13
    {38521, 38679, "flashPlatine5"},         // 14
    {38681, 39159, "drawPlatine"},           // 15
    {39161, 39999, "drawSpinPicture2"},      // 16
    {40101, 40359, "drawForms"},             // 17
    {40361, 40599, "flashBrain"},            // 18
    {40601, 40819, "flashStar"},             // 19
    {40821, 40999, "flashDirka1"},           // 20
    {41001, 41529, "drawGitter"},            // 21
    {41531, 42519, "drawInfinity"},          // 22
    {42521, 42599, "flashNoirose1"},         // 23
    {42681, 42759, "flashNoiroze2"},         // 24
    {42841, 42919, "flashNoirose1"},         // 25
    {43001, 43479, "drawGraf"},              // 26
    {43481, 43959, "flashWolke1"},           // 27
    {43561, 43639, "flashSintable1"},        // 28
    {43721, 43799, "flashSintable2"},        // 29
    {43961, 44439, "flashLobotom"},          // 30
    {44041, 44119, "flashSintable3"},        // 31
    {44041, 44119, "flashSintableTallA"},    // 32
    {44201, 44279, "flashSintable1"},        // 33
    {44201, 44279, "flashSintableTallB"},    // 34
    {44601, 44919, "drawSkeleton"},          // 35
    {44801, 45359, "drawSpinPicture3"},      // 36
    {45361, 45839, "drawSkeletonReturn"},    // 37
    {45901, 48799, "drawZifri"},             // 38
    {46481, 48199, "drawLine"},              // 39
    {49001, 50519, "drawSpiral"},            // 40
    {50521, 52139, "drawWertit"},            // 41
    {52141, 53279, "drawWelle"},             // 42
    {53281, 54299, "drawQuad3D"},            // 43
    {54301, 55199, "drawDist"},              // 44
    {55401, 56519, "drawLandscape"},         // 45
    {56521, 57139, "flickerLobotomi"},       // 46
    {57141, 57999, "drawVoxel"},             // 47
    {58401, 61119, "drawSpinPicture4"},      // 48
    {61121, 61999, "drawKrutit"},            // 49
    {62001, 62519, "drawSpinPicture5"},      // 50
    {62521, 62719, "drawZifriCurve"},        // 51
    {62721, 62879, "flashWolke2"},           // 52
    {62881, 63039, "flashKruk"},             // 53
    {63041, 63439, "zoomLineyka"},           // 54
    {63521, 63679, "flashDirka2"},           // 55
    {63681, 63839, "drawDistReprise"},       // 56
    {63681, 63839, "drawZifriCurve"},        // 57
    {63841, 63999, "flashBrain"},            // 58
    {64001, 64159, "flashKurukulum1"},       // 59
    {64161, 64319, "flashKurukulum2"},       // 60
    {64321, 64479, "flashKurukulum1"},       // 61
    {64481, 64639, "flashKurukulum2"},       // 62
    {64641, 65759, "drawLandscapeReprise"},  // 63
    {64641, 65759, "drawInfinityScroll"},    // 64
    {65001, 65759, "drawFormsScroll"},       // 65
    {65761, 65999, "flashSynapse1"},         // 66
    {66001, 66239, "flashSynapse2"},         // 67
    {66241, 66399, "flashSynapse1"},         // 68
    {66481, 67039, "drawSpinPicture6"},      // 69
    {67041, 67439, "zoomLobotom"},           // 70
    {67441, 67919, "flashNetz"},             // 71
    {67921, 68479, "drawSpinPicture7"},      // 72
    {68481, 68639, "flashSintable3Top"},     // 73
    {68481, 68559, "drawKrutitLower"},       // 74
    {68561, 68639, "drawKrutitRight"},       // 75
    {68481, 68799, "drawSkeletonReprise"},   // 76
    {68801, 69039, "flashBrainNegative"},    // 77
    {69041, 69199, "flashBrain"},            // 78
    {69201, 69359, "flashBrainNegative"},    // 79
    {69361, 69519, "flashBrain"},            // 80
    {69521, 75999, "drawEnding"},            // 81
};
constexpr int ShowRowCount = int(sizeof(ShowRows) / sizeof(ShowRows[0]));

std::string withoutSpaces(const char* s) {
  std::string r;
  for (; s && *s; ++s)
    if (*s != ' ' && *s != '\n' && *s != '\t') r += *s;
  return r;
}

int countNames(const char* s) {
  const std::string n = withoutSpaces(s);
  if (n.empty()) return 0;
  int count = 1;
  for (char c : n) count += c == ',';
  return count;
}

TEST(Score, RowsAreTheShowsRowsInTableOrder) {
  ASSERT_EQ(ShowRowCount, 81);
  ASSERT_EQ(EffectScheduleRows, ShowRowCount);
  int next = 0;  // the first show row the next table row may be
  for (int i = 0; i < EffectScheduleRows; ++i) {
    const ScheduleRow& row = EffectSchedule[i];
    const std::string names = withoutSpaces(row.Names);
    int found = -1;
    for (int k = next; k < ShowRowCount && found < 0; ++k) {
      if (ShowRows[k].From == row.From && ShowRows[k].To == row.To && withoutSpaces(ShowRows[k].Names) == names)
        found = k;
    }
    ASSERT_GE(found, 0) << "table row " << i << " (" << row.From << ".." << row.To << " " << row.Names
                        << ") is not a show row after row " << next;
    next = found + 1;
    int routines = 0;
    bool gap = false;
    for (FrameRoutine r : row.Routines) {
      if (r && gap) ADD_FAILURE() << "row " << found + 1 << " has an empty slot before a routine";
      if (r)
        ++routines;
      else
        gap = true;
    }
    EXPECT_EQ(routines, countNames(row.Names)) << "row " << found + 1;
  }
}

TEST(Score, ModulesInSetUpOrderWithTheirResets) {
  struct ExpectedModule {
    const char* Name;
    bool HasReset;
  };
  const ExpectedModule ShowModules[] = {
      {"TitleWords", true}, {"Logo", false},    {"DigitField", true}, {"SpinPicture", false}, {"FlashPictures", false},
      {"BrainBug", false},  {"Platine", false}, {"Forms", false},     {"Gitter", false},      {"Infinity", false},
      {"Graf", false},      {"Skeleton", true}, {"Zifri", false},     {"Line", false},        {"Spiral", false},
      {"Wertit", false},    {"Welle", false},   {"Quad3D", false},    {"Dist", false},        {"Landscape", false},
      {"Voxel", false},     {"Krutit", false},  {"Ending", true},
  };
  const int count = int(sizeof(ShowModules) / sizeof(ShowModules[0]));
  ASSERT_EQ(count, 23);
  ASSERT_EQ(EffectModuleCount, count);
  int next = 0;
  for (int i = 0; i < EffectModuleCount; ++i) {
    const EffectModule& m = EffectModules[i];
    int found = -1;
    for (int k = next; k < count && found < 0; ++k)
      if (std::string(ShowModules[k].Name) == m.Name) found = k;
    ASSERT_GE(found, 0) << "module " << m.Name << " is unknown or out of set-up order";
    next = found + 1;
    EXPECT_TRUE(m.init && m.release) << m.Name;
    EXPECT_EQ(m.reset != nullptr, ShowModules[found].HasReset) << m.Name;
  }
}

TEST(Score, RoutinesOfTheTitleAndLineykaRows) {
  // The routines behind the names: the title rows close with the blur.
  int found = 0;
  for (int i = 0; i < EffectScheduleRows; ++i) {
    const ScheduleRow& row = EffectSchedule[i];
    if (row.From == 5241) {
      EXPECT_EQ(row.To, 12199);
      EXPECT_EQ(row.Routines[0], &jitterTitleWords);
      EXPECT_EQ(row.Routines[5], &blurScreen);
      ++found;
    }
    if (row.From == 12201) {
      EXPECT_EQ(row.Routines[4], &blurScreen);
      ++found;
    }
    if (row.From == 63041) {
      EXPECT_EQ(row.Routines[0], &zoomLineyka);
      EXPECT_EQ(row.To, 63439);
      ++found;
    }
  }
  EXPECT_EQ(found, 3);
}

}  // namespace

TEST(Score, EveryRowNamesTheModuleItsRoutinesComeFrom) {
  // The review timeline draws a lane per module from these names.
  for (int i = 0; i < EffectScheduleRows; ++i) {
    const ScheduleRow& row = EffectSchedule[i];
    ASSERT_NE(row.Module, nullptr) << "row " << i + 1;
    bool known = false;
    for (int m = 0; m < EffectModuleCount; ++m) known = known || std::string(EffectModules[m].Name) == row.Module;
    EXPECT_TRUE(known) << "row " << i + 1 << " names module " << row.Module;
  }
  // A few by hand: the modules whose routine names do not say it.
  auto moduleOf = [](int32_t from, const char* names) -> std::string {
    for (int i = 0; i < EffectScheduleRows; ++i)
      if (EffectSchedule[i].From == from && std::string(EffectSchedule[i].Names) == names)
        return EffectSchedule[i].Module;
    return "";
  };
  EXPECT_EQ(moduleOf(56521, "flickerLobotomi"), "FlashPictures");
  EXPECT_EQ(moduleOf(63041, "zoomLineyka"), "FlashPictures");
  EXPECT_EQ(moduleOf(62521, "drawZifriCurve"), "Zifri");
  EXPECT_EQ(moduleOf(49001, "drawSpiral"), "Spiral");
  EXPECT_EQ(
      moduleOf(5241, "jitterTitleWords, drawTitleWord1, drawTitleWord2, drawTitleWord3, drawTitleWord4, blurScreen"),
      "TitleWords");
}
