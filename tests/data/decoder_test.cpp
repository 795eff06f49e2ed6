// The table-driven .img decoder against the literal decoding loops: the real
// pack's 77 pictures and random entries of every small size.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "data/assets.h"
#include "data/pack.h"

namespace {

// Same size and same bytes; on a difference, the first differing pixel.
void expectSamePixels(const Image& fast, const Image& literal, const std::string& what) {
  ASSERT_EQ(fast.width, literal.width) << what;
  ASSERT_EQ(fast.height, literal.height) << what;
  const size_t count = size_t(fast.width) * size_t(fast.height);
  if (std::memcmp(fast.pixels, literal.pixels, count * sizeof(Color32)) == 0) return;
  for (size_t i = 0; i < count; ++i) {
    if (fast.pixels[i] == literal.pixels[i]) continue;
    ADD_FAILURE() << what << ": pixel (" << i % size_t(fast.width) << ", " << i / size_t(fast.width) << ") is "
                  << std::hex << fast.pixels[i] << ", the literal loops give " << literal.pixels[i];
    return;
  }
}

// Entry bytes under a header of width x height (the width's high byte too),
// decoded by the table and by the literal loops: the pixels must agree.
void expectDecodersAgree(const char* name, uint32_t width, uint32_t height, TfileContent content) {
  content[0] = uint8_t(width);
  content[1] = uint8_t(width >> 8);
  content[4] = uint8_t(height);
  content[5] = 0;
  Image fast, literal;
  decodeImage(name, content, fast);
  decodeImageLiteral(name, content, literal);
  expectSamePixels(fast, literal, std::to_string(width) + " x " + std::to_string(height));
  freeImage(fast);
  freeImage(literal);
}

}  // namespace

TEST(Decoder, RealPackMatchesTheLiteralLoops) {
  const auto pack = std::filesystem::canonical("/proc/self/exe").parent_path() / "data.dat";
  if (!std::filesystem::exists(pack)) GTEST_SKIP() << "data.dat not built";
  openDataPack(pack.string());
  for (const AssetEntry& asset : AssetTable) {
    TfileContent content;
    readPackFile(asset.name, content);
    Image fast, literal;
    decodeImage(asset.name, content, fast);
    decodeImageLiteral(asset.name, content, literal);
    expectSamePixels(fast, literal, asset.name);
    // Straight from the pack, as the start-up loads it.
    Image loaded;
    loadImage(asset.name, loaded);
    expectSamePixels(loaded, literal, std::string(asset.name) + " (loaded)");
    freeImage(fast);
    freeImage(literal);
    freeImage(loaded);
  }
  closeDataPack();
}

TEST(Decoder, RandomEntriesOfEverySmallSizeMatchTheLiteralLoops) {
  std::mt19937 random(12);
  for (uint32_t width = 0; width <= 21; ++width) {
    for (uint32_t height = 0; height <= 6; ++height) {
      const size_t rows = height < 2 ? 1 : height - 1, perRow = width < 2 ? 1 : width / 2;
      TfileContent content(8 + rows * perRow + random() % 3);
      for (uint8_t& b : content) b = uint8_t(random());
      expectDecodersAgree("r.img", width, height, content);
    }
  }
  // Wide ones: a width above 255 through the header's high byte.
  for (int i = 0; i < 20; ++i) {
    const uint32_t width = 200 + random() % 700, height = 1 + random() % 40;
    const size_t rows = height < 2 ? 1 : height - 1;
    TfileContent content(8 + rows * (width / 2));
    for (uint8_t& b : content) b = uint8_t(random());
    expectDecodersAgree("w.img", width, height, content);
  }
}
