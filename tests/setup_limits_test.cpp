// Effects that make a picture larger than their asset (twice its size, or
// wider) check the asset against that picture before they allocate anything:
// a huge asset is refused at once, naming it and the limit, instead of failing
// late and nameless in AllocImage after seconds of work.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "data/assets.h"
#include "effects/flashpictures.h"
#include "effects/krutit.h"
#include "effects/landscape.h"
#include "effects/quad3d.h"
#include "effects/slidingpictures.h"
#include "effects/voxel.h"
#include "effects/welle.h"

namespace {

std::string readFile(const std::string& path) {
  std::ifstream f(path);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

TEST(EffectsSetUp, OversizedPicturesAreRefusedByNameBeforeAnyAllocation) {
  char tmpl[] = "/tmp/morvex-limits-XXXXXX";
  const std::string dir = mkdtemp(tmpl);
  ASSERT_EQ(chdir(dir.c_str()), 0);
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
  ASSERT_EQ(chdir("/"), 0);
  rmdir(dir.c_str());
}

}  // namespace
