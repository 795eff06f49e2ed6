#include "driver/modules.h"

#include <cstring>

#include "data/assets.h"

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

// The pictures of the pack that no frame reads: each has become the effects'
// own pictures by the end of the set-up of the last module named here (in
// set-up order), and is released right then, so the set-up never holds every
// asset beside every picture made of it. The letters and digits (tiny), the
// infinity sign (drawn stretched every frame) and the closing picture (each
// pass starts from it) stay until the asset table is released.
struct SetupOnlyAssets {
  const char* lastReader;  // a module's Name
  Image* assets[24];       // null-terminated
};
static const SetupOnlyAssets AssetsReleasedAfterSetUp[] = {
    {"Logo", {&LogoImage}},
    {"SpinPicture", {&ZeptorImage}},
    {"FlashPictures",
     {&Noirose1Image,   &Noiroze2Image,   &Platine2Image,  &Platine3Image, &Platine4Image, &Platine5Image,
      &StarImage,       &Dirka1Image,     &Dirka2Image,    &Wolke1Image,   &Wolke2Image,   &Sintable1Image,
      &Sintable2Image,  &LobotomImage,    &Sintable3Image, &LobotomiImage, &KrukImage,     &LineykaImage,
      &Kurukulum1Image, &Kurukulum2Image, &Synapse1Image,  &Synapse2Image, &NetzImage}},
    {"BrainBug", {&BrainbugImage}},
    {"Platine", {&Platine1Image}},
    {"Forms", {&Form1Image, &Form2Image, &Form3Image, &Form4Image}},
    {"Gitter", {&GitterImage}},
    {"Graf", {&GrafImage}},
    {"Skeleton", {&SkeletonImage}},
    {"Zifri", {&ZifriImage, &CurveImage}},
    {"Line", {&LineImage}},
    {"Spiral", {&SpiralImage}},
    {"Wertit", {&WertitImage}},
    {"Welle", {&WelleImage, &BrainImage}},
    {"Quad3D", {&ThreeDImage}},
    {"Dist", {&DistImage}},
    {"Landscape", {&LandscapeImage}},
    {"Voxel", {&VoxelImage}},
    {"Krutit", {&KrutitImage}},
};

static void releaseAssetsReadUpTo(const char* module) {
  for (const SetupOnlyAssets& group : AssetsReleasedAfterSetUp) {
    if (std::strcmp(group.lastReader, module) != 0) continue;
    for (Image* const* asset = group.assets; *asset; ++asset) freeImage(**asset);
  }
}

const EffectModule* const EffectModules = Modules;
const int EffectModuleCount = int(sizeof(Modules) / sizeof(Modules[0])) - 1;

ModuleSetupWatcher SetupWatcher = nullptr;

void initEffectModules() {
  for (int i = 0; i < EffectModuleCount; ++i) {
    if (SetupWatcher) SetupWatcher(i, true);
    Modules[i].init();
    releaseAssetsReadUpTo(Modules[i].Name);
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
