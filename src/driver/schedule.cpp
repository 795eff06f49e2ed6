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
#define ROW(from, to, ...) \
  { from, to, {__VA_ARGS__}, #__VA_ARGS__ }

// Rows in table order; the empty row at the end only closes the list.
static const ScheduleRow Rows[] = {
    ROW(5241, 12199, jitterTitleWords, drawTitleWord1, drawTitleWord2,  // 1
        drawTitleWord3, drawTitleWord4, blurScreen),
    ROW(12201, 16899, jitterTitleWords, drawTitleWord5, drawTitleWord6,  // 2
        drawTitleWord7, blurScreen),
    ROW(22721, 32999, drawDigitLine),         // 3
    ROW(25381, 112039, scrollDigitField),     // 4
    ROW(16961, 29479, drawLogo),              // 5
    ROW(34301, 36839, drawSpinPicture1),      // 6
    ROW(37301, 37399, flashBrain),            // 7
    ROW(37481, 37579, flashNoirose1),         // 8
    ROW(37621, 37679, flashPlatine1),         // 9
    ROW(37921, 38519, drawBrainBug),          // 10
    ROW(38201, 38279, flashPlatine2),         // 11
    ROW(38281, 38359, flashPlatine3),         // 12
    ROW(38441, 38519, flashPlatine4),         // 13
    ROW(38521, 38679, flashPlatine5),         // 14
    ROW(38681, 39159, drawPlatine),           // 15
    ROW(39161, 39999, drawSpinPicture2),      // 16
    ROW(40101, 40359, drawForms),             // 17
    ROW(40361, 40599, flashBrain),            // 18
    ROW(40601, 40819, flashStar),             // 19
    ROW(40821, 40999, flashDirka1),           // 20
    ROW(41001, 41529, drawGitter),            // 21
    ROW(41531, 42519, drawInfinity),          // 22
    ROW(42521, 42599, flashNoirose1),         // 23
    ROW(42681, 42759, flashNoiroze2),         // 24
    ROW(42841, 42919, flashNoirose1),         // 25
    ROW(43001, 43479, drawGraf),              // 26
    ROW(43481, 43959, flashWolke1),           // 27
    ROW(43561, 43639, flashSintable1),        // 28
    ROW(43721, 43799, flashSintable2),        // 29
    ROW(43961, 44439, flashLobotom),          // 30
    ROW(44041, 44119, flashSintable3),        // 31
    ROW(44041, 44119, flashSintableTallA),    // 32
    ROW(44201, 44279, flashSintable1),        // 33
    ROW(44201, 44279, flashSintableTallB),    // 34
    ROW(44601, 44919, drawSkeleton),          // 35
    ROW(44801, 45359, drawSpinPicture3),      // 36
    ROW(45361, 45839, drawSkeletonReturn),    // 37
    ROW(45901, 48799, drawZifri),             // 38
    ROW(46481, 48199, drawLine),              // 39
    ROW(49001, 50519, drawSpiral),            // 40
    ROW(50521, 52139, drawWertit),            // 41
    ROW(52141, 53279, drawWelle),             // 42
    ROW(53281, 54299, drawQuad3D),            // 43
    ROW(54301, 55199, drawDist),              // 44
    ROW(55401, 56519, drawLandscape),         // 45
    ROW(56521, 57139, flickerLobotomi),       // 46
    ROW(57141, 57999, drawVoxel),             // 47
    ROW(58401, 61119, drawSpinPicture4),      // 48
    ROW(61121, 61999, drawKrutit),            // 49
    ROW(62001, 62519, drawSpinPicture5),      // 50
    ROW(62521, 62719, drawZifriCurve),        // 51
    ROW(62721, 62879, flashWolke2),           // 52
    ROW(62881, 63039, flashKruk),             // 53
    ROW(63041, 63439, zoomLineyka),           // 54
    ROW(63521, 63679, flashDirka2),           // 55
    ROW(63681, 63839, drawDistReprise),       // 56
    ROW(63681, 63839, drawZifriCurve),        // 57
    ROW(63841, 63999, flashBrain),            // 58
    ROW(64001, 64159, flashKurukulum1),       // 59
    ROW(64161, 64319, flashKurukulum2),       // 60
    ROW(64321, 64479, flashKurukulum1),       // 61
    ROW(64481, 64639, flashKurukulum2),       // 62
    ROW(64641, 65759, drawLandscapeReprise),  // 63
    ROW(64641, 65759, drawInfinityScroll),    // 64
    ROW(65001, 65759, drawFormsScroll),       // 65
    ROW(65761, 65999, flashSynapse1),         // 66
    ROW(66001, 66239, flashSynapse2),         // 67
    ROW(66241, 66399, flashSynapse1),         // 68
    ROW(66481, 67039, drawSpinPicture6),      // 69
    ROW(67041, 67439, zoomLobotom),           // 70
    ROW(67441, 67919, flashNetz),             // 71
    ROW(67921, 68479, drawSpinPicture7),      // 72
    ROW(68481, 68639, flashSintable3Top),     // 73
    ROW(68481, 68559, drawKrutitLower),       // 74
    ROW(68561, 68639, drawKrutitRight),       // 75
    ROW(68481, 68799, drawSkeletonReprise),   // 76
    ROW(68801, 69039, flashBrainNegative),    // 77
    ROW(69041, 69199, flashBrain),            // 78
    ROW(69201, 69359, flashBrainNegative),    // 79
    ROW(69361, 69519, flashBrain),            // 80
    ROW(69521, 75999, drawEnding),            // 81
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
