#include "driver/modules.h"

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

// One line per module, in set-up order; added together with the module itself.
static const EffectModule Modules[] = {
    {"TitleWords", initTitleWords, resetTitleWords, freeTitleWords},
    {"Logo", initLogo, nullptr, freeLogo},
    {"DigitField", initDigitField, resetDigitField, freeDigitField},
    {"SpinPicture", initSpinPicture, nullptr, freeSpinPicture},
    {"FlashPictures", initFlashPictures, nullptr, freeFlashPictures},
    {"BrainBug", initBrainBug, nullptr, freeBrainBug},
    {"Platine", initPlatine, nullptr, freePlatine},
    {"Forms", initForms, nullptr, freeForms},
    {"Gitter", initGitter, nullptr, freeGitter},
    {"Infinity", initInfinity, nullptr, freeInfinity},
    {"Graf", initGraf, nullptr, freeGraf},
    {"Skeleton", initSkeleton, resetSkeleton, freeSkeleton},
    {"Zifri", initZifri, nullptr, freeZifri},
    {"Line", initLine, nullptr, freeLine},
    {"Spiral", initSpiral, nullptr, freeSpiral},
    {"Wertit", initWertit, nullptr, freeWertit},
    {"Welle", initWelle, nullptr, freeWelle},
    {"Quad3D", initQuad3D, nullptr, freeQuad3D},
    {"Dist", initDist, nullptr, freeDist},
    {"Landscape", initLandscape, nullptr, freeLandscape},
    {"Voxel", initVoxel, nullptr, freeVoxel},
    {"Krutit", initKrutit, nullptr, freeKrutit},
    {"Ending", initEnding, resetEnding, freeEnding},
    {},
};

const EffectModule* const EffectModules = Modules;
const int EffectModuleCount = int(sizeof(Modules) / sizeof(Modules[0])) - 1;

ModuleSetupWatcher SetupWatcher = nullptr;

void initEffectModules() {
  for (int i = 0; i < EffectModuleCount; ++i) {
    if (SetupWatcher) SetupWatcher(i, true);
    Modules[i].init();
    if (SetupWatcher) SetupWatcher(i, false);
  }
}

void resetEffectModules() {
  for (int i = 0; i < EffectModuleCount; ++i)
    if (Modules[i].reset) Modules[i].reset();
}

void freeEffectModules() {
  for (int i = 0; i < EffectModuleCount; ++i) Modules[i].release();
}
