// Circuit board zoom: the board grows about the centre of the screen and is
// added to it.
#include "effects/platine.h"
#include "fixtures.h"

namespace {

using Platine = MiddleModuleTest;

TEST_F(Platine, ZoomsAboutTheCentre) {
  initPlatine();
  EXPECT_TRUE(isKeyedPicture(PlatineBoard));
  for (int32_t t = 38681; t <= 39159; ++t) {
    DemoTime = t;
    BoardX1 = BoardX2 = BoardY1 = BoardY2 = 0;
    drawPlatine();
    ASSERT_EQ((BoardX1 + BoardX2) / 2, 640) << t;
    ASSERT_EQ((BoardY1 + BoardY2) / 2, 360) << t;
    ASSERT_EQ(BoardX1, BoardY1) << t;
  }
  EXPECT_EQ(BoardX1, -479);
  EXPECT_EQ(BoardX2, 1759);
  EXPECT_EQ(BoardY2, 1199);
  expectFrameAt(
      38681, drawPlatine, [](Image ref) { stretchBlitAdd(ref, -1, -1, 1281, 721, PlatineBoard); }, "first frame");
  freePlatine();

  // A black board adds nothing; a bright one saturates.
  makeBlockAsset(Platine1Image, 40, 30, 0);
  fillLongs(Platine1Image.pixels, 40 * 30, 0);
  initPlatine();
  expectUnchangedAt(38900, drawPlatine, "a black board adds nothing");
  freePlatine();
  fillLongs(Platine1Image.pixels, 40 * 30, 0xF0F0F0F0);
  initPlatine();
  fillLongs(Screen.pixels, 1280 * 720, 0x80808080);
  drawPlatine();
  EXPECT_EQ(getPixel(Screen, 640, 360), 0xFFFFFFFFu);
  freePlatine();
}

}  // namespace
