// Infinity zoom: the four tilts made at set-up, which tilt each moment
// shows, and the scroll of the asset set-up changed.
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "effects/infinity.h"
#include "fixtures.h"

namespace {

using Infinity = MiddleModuleTest;

TEST_F(Infinity, TiltsAndScroll) {
  // Keep the loaded picture to see that set-up changes the asset itself.
  std::vector<Color32> original(InfinityImage.pixels, InfinityImage.pixels + 220 * 170);
  initInfinity();
  EXPECT_TRUE(isKeyedPicture(InfinityImage));
  EXPECT_NE(std::memcmp(original.data(), InfinityImage.pixels, original.size() * 4), 0);
  EXPECT_TRUE(hasSize(Tilt[0], 220, 170));
  EXPECT_TRUE(hasSize(Tilt[1], 447, 343));
  EXPECT_TRUE(hasSize(Tilt[2], 463, 372));
  EXPECT_TRUE(hasSize(Tilt[3], 472, 394));
  const int32_t lefts[4] = {530, 417, 409, 404}, tops[4] = {239, 153, 138, 127};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(TiltLeft[k], lefts[k]) << k;
    EXPECT_EQ(TiltTop[k], tops[k]) << k;
  }
  // The upright tilt is the keyed asset itself.
  EXPECT_EQ(std::memcmp(Tilt[0].pixels, InfinityImage.pixels, 220 * 170 * 4), 0);

  const std::pair<int32_t, int32_t> tilts[] = {{41530, -1}, {41531, 0}, {41640, 0}, {41641, 1},  {41720, 1},
                                               {41721, 2},  {41801, 3}, {41881, 2}, {41961, 1},  {42041, 0},
                                               {42121, 1},  {42201, 2}, {42281, 3}, {42360, 3},  {42361, 2},
                                               {42400, 2},  {42401, 1}, {42480, 1}, {42481, -1}, {42519, -1}};
  for (auto [t, k] : tilts) EXPECT_EQ(infinityTiltAt(t), k) << t;

  for (auto [t, k] : {std::pair{41640, 0}, std::pair{41641, 1}, std::pair{42300, 3}}) {
    expectFrameAt(
        t, drawInfinity,
        [t = t, k = k](Image ref) {
          const int32_t g = (t - 41530) / 4;
          stretchBlitKeyed(ref, TiltLeft[k] - g, TiltTop[k] - g, TiltLeft[k] + Tilt[k].width + g,
                           TiltTop[k] + Tilt[k].height + g, 0, Tilt[k]);
        },
        "tilt at " + std::to_string(t));
  }
  expectUnchangedAt(42481, drawInfinity, "nothing after 42480");
  EXPECT_EQ(InfinityGrow, 237);

  // The scroll draws the asset as set-up left it: 64 x 153 growing to 436 x 339.
  expectFrameAt(
      64641, drawInfinityScroll, [](Image ref) { stretchBlitKeyed(ref, 580, -128, 644, 25, 0, InfinityImage); },
      "scroll start");
  EXPECT_EQ(InfinityGrow, 0);
  EXPECT_EQ(InfinityX, 580);
  EXPECT_EQ(InfinityY, -128);
  expectFrameAt(
      65759, drawInfinityScroll, [](Image ref) { stretchBlitKeyed(ref, 394, 58, 830, 397, 0, InfinityImage); },
      "scroll end");
  EXPECT_EQ(InfinityGrow, 186);
  freeInfinity();
}

}  // namespace
