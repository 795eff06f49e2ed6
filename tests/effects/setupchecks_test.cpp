// The set-up checks of every module: pictures too small for the blits, too
// large for the screen or for an image, of odd width where pairs are moved,
// each refused with one log line naming the asset and the limit, and status 1.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "data/log.h"
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
#include "fixtures.h"

namespace {

using SetupChecks = EffectTest;

TEST_F(SetupChecks, OpeningModulesRefuseUnfitPictures) {
  makeOpeningAssets();
  // In order: each row gives an asset that size; a row with a refusal expects
  // the set-up to refuse it with that line, a row without one puts back a size
  // that fits, so that the rows after it reach the next check.
  const struct {
    Image* asset;
    int32_t width, height;
    void (*init)();
    const char* refusal;
  } steps[] = {
      {&AImage, 24, 30, initTitleWords, "Asset a.img is 24 x 30; it must be at most 22 x 30"},
      {&AImage, 21, 30, initTitleWords, "Asset a.img is 21 x 30; its width must be even"},
      {&AImage, 22, 30, nullptr, nullptr},
      {&MinusImage, 22, 31, initTitleWords, "Asset minus.img is 22 x 31; it must be at most 22 x 30"},
      {&MinusImage, 22, 30, nullptr, nullptr},
      {&DistImage, 1, 1, initTitleWords, "Asset dist.img is 1 x 1; it must be at least 2 x 2"},
      {&DistImage, 256, 256, nullptr, nullptr},
      {&LogoImage, 721, 392, initLogo, "Asset logo.img is 721 x 392; it must be at most 720 x 392"},
      {&LogoImage, 720, 393, initLogo, "Asset logo.img is 720 x 393; it must be at most 720 x 392"},
      {&LogoImage, 720, 392, nullptr, nullptr},  // the largest that fits
      {&DigitImages[7], 16, 14, initDigitField, "Asset 7.img is 16 x 14; it must be at most 15 x 15"},
      {&DigitImages[7], 11, 14, initDigitField, "Asset 7.img is 11 x 14; its width must be even"},
      {&DigitImages[7], 12, 14, nullptr, nullptr},
      {&DotImage, 12, 16, initDigitField, "Asset dot.img is 12 x 16; it must be at most 15 x 15"},
      {&ZeptorImage, 1, 90, initSpinPicture, "Asset zeptor.img is 1 x 90; it must be at least 2 x 2"},
      {&NetzImage, 1, 5, initFlashPictures, "Asset netz.img is 1 x 5; it must be at least 2 x 2"},
  };
  for (const auto& step : steps) {
    makeStrokeAsset(*step.asset, step.width, step.height, 1);
    if (step.refusal != nullptr) expectSetupFailure(step.init, step.refusal);
  }
}

// A degenerate asset would make the stretched and clipped blits read outside it.
TEST_F(SetupChecks, MiddleModulesRefuseTinyAssets) {
  TempDir dir("morvex-setup");
  // Each asset by its name in the asset table, with the set-up that takes it.
  const struct {
    const char* name;
    void (*init)();
  } cases[] = {{"brainbug.img", initBrainBug}, {"platine1.img", initPlatine},  {"form3.img", initForms},
               {"form4.img", initForms},       {"gitter.img", initGitter},     {"infinity.img", initInfinity},
               {"graf.img", initGraf},         {"skeleton.img", initSkeleton}, {"zifri.img", initZifri},
               {"curve.img", initZifri},       {"line.img", initLine},         {"spiral.img", initSpiral},
               {"wertit.img", initWertit},     {"welle.img", initWelle},       {"brain.img", initWelle}};
  for (const auto& c : cases) {
    const auto entry = std::find_if(AssetTable.begin(), AssetTable.end(),
                                    [&c](const AssetEntry& e) { return std::strcmp(e.name, c.name) == 0; });
    ASSERT_NE(entry, AssetTable.end()) << c.name;
    makeMiddleAssets();
    makeBlockAsset(*entry->image, 1, 5, 0);
    std::remove(LogFileName);
    EXPECT_EXIT(c.init(), ::testing::ExitedWithCode(1), "") << c.name;
    EXPECT_EQ(readFile(LogFileName), std::string("Asset ") + c.name + " is 1 x 5; it must be at least 2 x 2\n");
  }
  freeAssets();
  std::remove(LogFileName);
}

TEST_F(SetupChecks, ClosingModulesRefuseTooSmallPictures) {
  struct Case {
    Image* asset;
    void (*init)();
  } cases[] = {{&ThreeDImage, initQuad3D}, {&DistImage, initDist},     {&LandscapeImage, initLandscape},
               {&VoxelImage, initVoxel},   {&KrutitImage, initKrutit}, {&EndImage, initEnding}};
  const struct { int32_t width, height; } sizes[] = {{1, 5}, {7, 1}};
  for (const Case& c : cases)
    for (const auto& size : sizes)
      EXPECT_EXIT(
          {
            AssetSwap asset(*c.asset, size.width, size.height, greyPattern);
            c.init();
          },
          testing::ExitedWithCode(1), "")
          << size.width << " x " << size.height;
}

// Effects that make a picture larger than their asset (twice its size, or
// wider) check the asset against that picture before they allocate anything:
// a huge asset is refused at once, naming it and the limit, instead of failing
// late and nameless in AllocImage after seconds of work.
TEST_F(SetupChecks, OversizedPicturesAreRefusedByNameBeforeAnyAllocation) {
  TempDir dir("morvex-setup");
  // The asset, its claimed size and the size of the picture its effect makes of it.
  struct Case {
    Image* asset;
    void (*init)();
    const char* name;
    int32_t width, height, madeWidth, madeHeight;
  };
  const Case cases[] = {
      {&WelleImage, initWelle, "welle.img", 65535, 4097, 131070, 8194},
      {&BrainImage, initWelle, "brain.img", 4097, 65535, 8194, 131070},
      {&KrutitImage, initKrutit, "krutit.img", 65535, 4096, 131198, 8320},
      {&ThreeDImage, initQuad3D, "3d.img", 65535, 4097, 131070, 8194},
      {&LineImage, initLine, "line.img", 65535, 4097, 131070, 8194},
      {&SpiralImage, initSpiral, "spiral.img", 65535, 4097, 131070, 8194},
      {&WertitImage, initWertit, "wertit.img", 65535, 4097, 131070, 8194},
      {&VoxelImage, initVoxel, "voxel.img", 65535, 4096, 131326, 8192},
      {&LandscapeImage, initLandscape, "landscape.img", 64, 400000, 1480, 800000},
      {&Kurukulum1Image, initFlashPictures, "kurukulum1.img", 65535, 4097, 131070, 8194},
      {&NetzImage, initFlashPictures, "netz.img", 65535, 4097, 131070, 8194},
  };
  for (const Case& c : cases) {
    std::remove("logger.log");
    // Every other asset small and valid; the one under test only claims its
    // size: its pixels are never read, as nothing may be made of it. No heap:
    // the child ends inside the set-up, and must leave no leak behind.
    auto run = [&c] {
      static Color32 few[16];
      for (const AssetEntry& entry : AssetTable) *entry.image = Image{few, 4, 4};
      c.asset->width = c.width;
      c.asset->height = c.height;
      c.init();
    };
    EXPECT_EXIT(run(), testing::ExitedWithCode(1), "");
    char message[200];
    std::snprintf(message, sizeof message,
                  "Asset %s is %d x %d; its effect makes a %d x %d picture of it, more than the 1073741823 pixels an "
                  "image can hold\n",
                  c.name, c.width, c.height, c.madeWidth, c.madeHeight);
    EXPECT_EQ(readFile("logger.log"), message);
  }
  std::remove("logger.log");
}

}  // namespace
