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
  makeStrokeAsset(AImage, 24, 30, 1);
  expectSetupFailure(initTitleWords, "Asset a.img is 24 x 30; it must be at most 22 x 30");
  makeStrokeAsset(AImage, 21, 30, 1);
  expectSetupFailure(initTitleWords, "Asset a.img is 21 x 30; its width must be even");
  makeStrokeAsset(AImage, 22, 30, 1);
  makeStrokeAsset(MinusImage, 22, 31, 1);
  expectSetupFailure(initTitleWords, "Asset minus.img is 22 x 31; it must be at most 22 x 30");
  makeStrokeAsset(MinusImage, 22, 30, 1);
  makeStrokeAsset(DistImage, 1, 1, 1);
  expectSetupFailure(initTitleWords, "Asset dist.img is 1 x 1; it must be at least 2 x 2");
  makeStrokeAsset(DistImage, 256, 256, 1);

  makeStrokeAsset(LogoImage, 721, 392, 1);
  expectSetupFailure(initLogo, "Asset logo.img is 721 x 392; it must be at most 720 x 392");
  makeStrokeAsset(LogoImage, 720, 393, 1);
  expectSetupFailure(initLogo, "Asset logo.img is 720 x 393; it must be at most 720 x 392");
  makeStrokeAsset(LogoImage, 720, 392, 1);  // the largest that fits

  makeStrokeAsset(DigitImages[7], 16, 14, 1);
  expectSetupFailure(initDigitField, "Asset 7.img is 16 x 14; it must be at most 15 x 15");
  makeStrokeAsset(DigitImages[7], 11, 14, 1);
  expectSetupFailure(initDigitField, "Asset 7.img is 11 x 14; its width must be even");
  makeStrokeAsset(DigitImages[7], 12, 14, 1);
  makeStrokeAsset(DotImage, 12, 16, 1);
  expectSetupFailure(initDigitField, "Asset dot.img is 12 x 16; it must be at most 15 x 15");

  makeStrokeAsset(ZeptorImage, 1, 90, 1);
  expectSetupFailure(initSpinPicture, "Asset zeptor.img is 1 x 90; it must be at least 2 x 2");
  makeStrokeAsset(NetzImage, 1, 5, 1);
  expectSetupFailure(initFlashPictures, "Asset netz.img is 1 x 5; it must be at least 2 x 2");
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
  for (const Case& c : cases) {
    EXPECT_EXIT(
        {
          AssetSwap asset(*c.asset, 1, 5, greyPattern);
          c.init();
        },
        testing::ExitedWithCode(1), "");
    EXPECT_EXIT(
        {
          AssetSwap asset(*c.asset, 7, 1, greyPattern);
          c.init();
        },
        testing::ExitedWithCode(1), "");
  }
}

// Effects that make a picture larger than their asset (twice its size, or
// wider) check the asset against that picture before they allocate anything:
// a huge asset is refused at once, naming it and the limit, instead of failing
// late and nameless in AllocImage after seconds of work.
TEST_F(SetupChecks, OversizedPicturesAreRefusedByNameBeforeAnyAllocation) {
  TempDir dir("morvex-setup");
  struct Case {
    Image* asset;
    void (*init)();
    int32_t width, height;
    std::string message;
  };
  const std::string limit = " picture of it, more than the 1073741823 pixels an image can hold\n";
  const Case cases[] = {
      {&WelleImage, initWelle, 65535, 4097,
       "Asset welle.img is 65535 x 4097; its effect makes a 131070 x 8194" + limit},
      {&BrainImage, initWelle, 4097, 65535,
       "Asset brain.img is 4097 x 65535; its effect makes a 8194 x 131070" + limit},
      {&KrutitImage, initKrutit, 65535, 4096,
       "Asset krutit.img is 65535 x 4096; its effect makes a 131198 x 8320" + limit},
      {&ThreeDImage, initQuad3D, 65535, 4097, "Asset 3d.img is 65535 x 4097; its effect makes a 131070 x 8194" + limit},
      {&LineImage, initLine, 65535, 4097, "Asset line.img is 65535 x 4097; its effect makes a 131070 x 8194" + limit},
      {&SpiralImage, initSpiral, 65535, 4097,
       "Asset spiral.img is 65535 x 4097; its effect makes a 131070 x 8194" + limit},
      {&WertitImage, initWertit, 65535, 4097,
       "Asset wertit.img is 65535 x 4097; its effect makes a 131070 x 8194" + limit},
      {&VoxelImage, initVoxel, 65535, 4096,
       "Asset voxel.img is 65535 x 4096; its effect makes a 131326 x 8192" + limit},
      {&LandscapeImage, initLandscape, 64, 400000,
       "Asset landscape.img is 64 x 400000; its effect makes a 1480 x 800000" + limit},
      {&Kurukulum1Image, initFlashPictures, 65535, 4097,
       "Asset kurukulum1.img is 65535 x 4097; its effect makes a 131070 x 8194" + limit},
      {&NetzImage, initFlashPictures, 65535, 4097,
       "Asset netz.img is 65535 x 4097; its effect makes a 131070 x 8194" + limit},
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
    EXPECT_EQ(readFile("logger.log"), c.message);
  }
  std::remove("logger.log");
}

}  // namespace
