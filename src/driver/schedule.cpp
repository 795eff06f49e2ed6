#include "driver/schedule.h"

#include "display/screen.h"
#include "music/clock.h"
#include "raster/filter.h"

#include "effects/brainbug.h"
#include "effects/digitfield.h"
#include "effects/dist.h"
#include "effects/ending.h"
#include "effects/flashpictures.h"
#include "effects/forms.h"
#include "effects/gitter.h"
#include "effects/graf.h"
#include "effects/infinity.h"
#include "effects/krutit.h"
#include "effects/landscape.h"
#include "effects/logo.h"
#include "effects/platine.h"
#include "effects/quad3d.h"
#include "effects/skeleton.h"
#include "effects/slidingpictures.h"
#include "effects/spinpicture.h"
#include "effects/titlewords.h"
#include "effects/voxel.h"
#include "effects/welle.h"
#include "effects/zifri.h"

void blurScreen() { blurImage(Screen); }

// Rows are added together with the modules whose routines they call.
#define ROW(from, to, module, ...) \
  { from, to, {__VA_ARGS__}, #__VA_ARGS__, module }

// Rows in table order; the empty row at the end only closes the list.
static const ScheduleRow Rows[] = {
    ROW(5241, 12199, "TitleWords", jitterTitleWords, drawTitleWord1, drawTitleWord2,  // 1
        drawTitleWord3, drawTitleWord4, blurScreen),
    ROW(12201, 16899, "TitleWords", jitterTitleWords, drawTitleWord5, drawTitleWord6,  // 2
        drawTitleWord7, blurScreen),
    ROW(22721, 32999, "DigitField", drawDigitLine),          // 3
    ROW(25381, 112039, "DigitField", scrollDigitField),      // 4
    ROW(16961, 29479, "Logo", drawLogo),                     // 5
    ROW(34301, 36839, "SpinPicture", drawSpinPicture1),      // 6
    ROW(37301, 37399, "FlashPictures", flashBrain),          // 7
    ROW(37481, 37579, "FlashPictures", flashNoirose1),       // 8
    ROW(37621, 37679, "FlashPictures", flashPlatine1),       // 9
    ROW(37921, 38519, "BrainBug", drawBrainBug),             // 10
    ROW(38201, 38279, "FlashPictures", flashPlatine2),       // 11
    ROW(38281, 38359, "FlashPictures", flashPlatine3),       // 12
    ROW(38441, 38519, "FlashPictures", flashPlatine4),       // 13
    ROW(38521, 38679, "FlashPictures", flashPlatine5),       // 14
    ROW(38681, 39159, "Platine", drawPlatine),               // 15
    ROW(39161, 39999, "SpinPicture", drawSpinPicture2),      // 16
    ROW(40101, 40359, "Forms", drawForms),                   // 17
    ROW(40361, 40599, "FlashPictures", flashBrain),          // 18
    ROW(40601, 40819, "FlashPictures", flashStar),           // 19
    ROW(40821, 40999, "FlashPictures", flashDirka1),         // 20
    ROW(41001, 41529, "Gitter", drawGitter),                 // 21
    ROW(41531, 42519, "Infinity", drawInfinity),             // 22
    ROW(42521, 42599, "FlashPictures", flashNoirose1),       // 23
    ROW(42681, 42759, "FlashPictures", flashNoiroze2),       // 24
    ROW(42841, 42919, "FlashPictures", flashNoirose1),       // 25
    ROW(43001, 43479, "Graf", drawGraf),                     // 26
    ROW(43481, 43959, "FlashPictures", flashWolke1),         // 27
    ROW(43561, 43639, "FlashPictures", flashSintable1),      // 28
    ROW(43721, 43799, "FlashPictures", flashSintable2),      // 29
    ROW(43961, 44439, "FlashPictures", flashLobotom),        // 30
    ROW(44041, 44119, "FlashPictures", flashSintable3),      // 31
    ROW(44041, 44119, "FlashPictures", flashSintableTallA),  // 32
    ROW(44201, 44279, "FlashPictures", flashSintable1),      // 33
    ROW(44201, 44279, "FlashPictures", flashSintableTallB),  // 34
    ROW(44601, 44919, "Skeleton", drawSkeleton),             // 35
    ROW(44801, 45359, "SpinPicture", drawSpinPicture3),      // 36
    ROW(45361, 45839, "Skeleton", drawSkeletonReturn),       // 37
    ROW(45901, 48799, "Zifri", drawZifri),                   // 38
    ROW(46481, 48199, "Line", drawLine),                     // 39
    ROW(49001, 50519, "Spiral", drawSpiral),                 // 40
    ROW(50521, 52139, "Wertit", drawWertit),                 // 41
    ROW(52141, 53279, "Welle", drawWelle),                   // 42
    ROW(53281, 54299, "Quad3D", drawQuad3D),                 // 43
    ROW(54301, 55199, "Dist", drawDist),                     // 44
    ROW(55401, 56519, "Landscape", drawLandscape),           // 45
    ROW(56521, 57139, "FlashPictures", flickerLobotomi),     // 46
    ROW(57141, 57999, "Voxel", drawVoxel),                   // 47
    ROW(58401, 61119, "SpinPicture", drawSpinPicture4),      // 48
    ROW(61121, 61999, "Krutit", drawKrutit),                 // 49
    ROW(62001, 62519, "SpinPicture", drawSpinPicture5),      // 50
    ROW(62521, 62719, "Zifri", drawZifriCurve),              // 51
    ROW(62721, 62879, "FlashPictures", flashWolke2),         // 52
    ROW(62881, 63039, "FlashPictures", flashKruk),           // 53
    ROW(63041, 63439, "FlashPictures", zoomLineyka),         // 54
    ROW(63521, 63679, "FlashPictures", flashDirka2),         // 55
    ROW(63681, 63839, "Dist", drawDistReprise),              // 56
    ROW(63681, 63839, "Zifri", drawZifriCurve),              // 57
    ROW(63841, 63999, "FlashPictures", flashBrain),          // 58
    ROW(64001, 64159, "FlashPictures", flashKurukulum1),     // 59
    ROW(64161, 64319, "FlashPictures", flashKurukulum2),     // 60
    ROW(64321, 64479, "FlashPictures", flashKurukulum1),     // 61
    ROW(64481, 64639, "FlashPictures", flashKurukulum2),     // 62
    ROW(64641, 65759, "Landscape", drawLandscapeReprise),    // 63
    ROW(64641, 65759, "Infinity", drawInfinityScroll),       // 64
    ROW(65001, 65759, "Forms", drawFormsScroll),             // 65
    ROW(65761, 65999, "FlashPictures", flashSynapse1),       // 66
    ROW(66001, 66239, "FlashPictures", flashSynapse2),       // 67
    ROW(66241, 66399, "FlashPictures", flashSynapse1),       // 68
    ROW(66481, 67039, "SpinPicture", drawSpinPicture6),      // 69
    ROW(67041, 67439, "FlashPictures", zoomLobotom),         // 70
    ROW(67441, 67919, "FlashPictures", flashNetz),           // 71
    ROW(67921, 68479, "SpinPicture", drawSpinPicture7),      // 72
    ROW(68481, 68639, "FlashPictures", flashSintable3Top),   // 73
    ROW(68481, 68559, "Krutit", drawKrutitLower),            // 74
    ROW(68561, 68639, "Krutit", drawKrutitRight),            // 75
    ROW(68481, 68799, "Skeleton", drawSkeletonReprise),      // 76
    ROW(68801, 69039, "FlashPictures", flashBrainNegative),  // 77
    ROW(69041, 69199, "FlashPictures", flashBrain),          // 78
    ROW(69201, 69359, "FlashPictures", flashBrainNegative),  // 79
    ROW(69361, 69519, "FlashPictures", flashBrain),          // 80
    ROW(69521, 75999, "Ending", drawEnding),                 // 81
    {},
};

#undef ROW

const ScheduleRow* const EffectSchedule = Rows;
const int EffectScheduleRows = int(sizeof(Rows) / sizeof(Rows[0])) - 1;

ScheduleRowWatcher ScheduleWatcher = nullptr;

std::string activeRoutineNames(int32_t time) {
  std::string names;
  for (int r = 0; r < EffectScheduleRows; ++r) {
    if (!rowActive(EffectSchedule[r], time)) continue;
    if (!names.empty()) names += " | ";
    names += EffectSchedule[r].Names;
  }
  return names.empty() ? "-" : names;
}

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
