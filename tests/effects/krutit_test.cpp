// Turning picture with sliding bands: the turn, the bands at the edges, and
// the turn buffer cleared every frame.
#include "effects/flashpictures.h"
#include "effects/krutit.h"
#include "fixtures.h"

namespace {

TEST(Krutit, TurnAndBands) {
  ModuleScope scope(KrutitImage, 40, 30, greyPattern);
  initKrutit();
  EXPECT_TRUE(hasSize(turnBuffer, 208, 188));
  Image saved1 = Sintable1Picture, saved2 = Sintable2Picture;
  Image band1, band2;
  AllocImage(band1, 1280, 230);
  AllocImage(band2, 1280, 230);
  std::fill(band1.pixels, band1.pixels + 1280 * 230, 0xFF000100);
  std::fill(band2.pixels, band2.pixels + 1280 * 230, 0xFF010000);
  Sintable1Picture = band1;
  Sintable2Picture = band2;

  auto bandColumns = [](int32_t y, Color32 bit) {
    int32_t n = 0;
    for (int32_t x = 0; x < 1280; ++x) n += (getPixel(Screen, x, y) & bit) != 0;
    return n;
  };
  clearScreen(0xFF000000);
  drawAt(61121, drawKrutit);
  EXPECT_EQ(turn, 0);
  DemoTime = 61160;
  clearScreen(0xFF000000);
  drawKrutit();
  EXPECT_EQ(turn, 20);
  EXPECT_EQ(bandColumns(600, 0x0000FF00), 0);
  EXPECT_EQ(bandColumns(100, 0x00FF0000), 0);
  DemoTime = 61161;
  clearScreen(0xFF000000);
  drawKrutit();
  // The visible part of each band is its 27 columns at the edge; the clipped add
  // lands them one pixel up and to the left and leaves out the last one.
  EXPECT_EQ(bandColumns(600, 0x0000FF00), 26);
  EXPECT_EQ(getPixel(Screen, 0, 600) & 0x0000FF00, 0x100u);
  EXPECT_EQ(bandColumns(100, 0x00FF0000), 26);
  EXPECT_EQ(getPixel(Screen, 1253, 100) & 0x00FF0000, 0x10000u);

  // The buffer is cleared every frame: a frame's turn never keeps the last one's.
  drawAt(61500, drawKrutit);
  const uint64_t once = hashImage(turnBuffer);
  drawAt(61700, drawKrutit);
  drawAt(61500, drawKrutit);
  EXPECT_EQ(hashImage(turnBuffer), once);

  Sintable1Picture = saved1;
  Sintable2Picture = saved2;
  freeImage(band1);
  freeImage(band2);
  freeKrutit();
}

}  // namespace
