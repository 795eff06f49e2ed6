// Keyed pictures: the one-run key against the literal per-pixel rule on every
// colour case, and the standard picture against its steps done one by one.
#include <utility>

#include "effects/keyed.h"
#include "fixtures.h"

namespace {

TEST(Keyed, BlackBecomesTheKeyAndEveryOtherColourOpaque) {
  // Every alpha with black, with one channel just above black, and with white.
  OwnedImage pic(256, 5), want(256, 5);
  for (int32_t a = 0; a < 256; ++a) {
    const Color32 alpha = Color32(a) << 24;
    const Color32 row[5] = {alpha, alpha | 0x000001u, alpha | 0x000100u, alpha | 0x010000u, alpha | 0xFFFFFFu};
    for (int32_t y = 0; y < 5; ++y) putPixel(pic.img, a, y, row[y]);
  }
  copyLongs(pic.img.pixels, want.img.pixels, 256 * 5);
  keyBlackTransparent(pic.img);
  keyBlackLiteral(want.img);
  EXPECT_TRUE(sameImage(pic.img, want.img));
  EXPECT_EQ(getPixel(pic.img, 7, 0), 0u);
  EXPECT_EQ(getPixel(pic.img, 7, 1), 0xFF000001u);
  EXPECT_EQ(getPixel(pic.img, 255, 4), 0xFFFFFFFFu);
}

TEST(Keyed, StandardPictureIsStretchBlurAndKey) {
  Image src{};
  makeStrokeAsset(src, 37, 23, 5);
  for (auto [w, h] : {std::pair{80, 60}, std::pair{33, 21}, std::pair{2, 2}}) {
    Image pic{};
    buildKeyedPicture(pic, src, w, h);
    OwnedImage want(w, h);
    stretchBlit(want.img, 0, 0, w - 1, h - 1, src);
    blurImage(want.img);
    keyBlackLiteral(want.img);
    EXPECT_TRUE(sameImage(pic, want.img)) << w << " x " << h;
    EXPECT_TRUE(isKeyedPicture(pic)) << w << " x " << h;
    freeImage(pic);
  }
  freeImage(src);
}

}  // namespace
