// Pixels, colour arithmetic, bulk runs, vLine, image allocation and the fatal exit.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "data/bulk.h"
#include "raster/image.h"

namespace {

uint32_t lane(Color32 c, int i) { return (c >> (8 * i)) & 0xFF; }
Color32 lanes(uint32_t b0, uint32_t b1, uint32_t b2, uint32_t b3) {
  return (b0 & 0xFF) | (b1 & 0xFF) << 8 | (b2 & 0xFF) << 16 | (b3 & 0xFF) << 24;
}

// Lanes 0, 1 and 3 see every (a, b) pair; the lanes differ so that a carry or
// borrow leaking into a neighbour shows up.
void pairColors(uint32_t a, uint32_t b, Color32& c1, Color32& c2) {
  c1 = lanes(a, b, 255 - a, a + b);
  c2 = lanes(b, a, a * 7, 255 - b);
}

}  // namespace

TEST(ColorArithmetic, AddSubMixExhaustivePerChannel) {
  for (uint32_t a = 0; a < 256; ++a)
    for (uint32_t b = 0; b < 256; ++b) {
      Color32 c1, c2;
      pairColors(a, b, c1, c2);
      Color32 sum = addColors(c1, c2), diff = subColors(c1, c2);
      for (int i = 0; i < 4; ++i) {
        uint32_t x = lane(c1, i), y = lane(c2, i);
        ASSERT_EQ(lane(sum, i), std::min(255u, x + y)) << a << " " << b << " lane " << i;
        ASSERT_EQ(lane(diff, i), x > y ? x - y : 0u) << a << " " << b << " lane " << i;
      }
      for (uint32_t t = 0; t < 256; ++t) {
        Color32 m = mixColors(c1, c2, uint8_t(t));
        for (int i = 0; i < 4; ++i)
          ASSERT_EQ(lane(m, i), (lane(c1, i) * t + lane(c2, i) * (255 - t)) / 256)
              << a << " " << b << " t " << t << " lane " << i;
      }
    }
}

TEST(ColorArithmetic, BlendExhaustivePerChannel) {
  for (uint32_t alpha = 0; alpha < 256; ++alpha)
    for (uint32_t s = 0; s < 256; ++s)
      for (uint32_t d = 0; d < 256; ++d) {
        Color32 src = lanes(s, d, 255 - s, alpha), dst = lanes(d, s, s ^ d, 255 - alpha);
        Color32 r = blendColors(src, dst);
        ASSERT_EQ(lane(r, 3), alpha);
        for (int i = 0; i < 3; ++i)
          ASSERT_EQ(lane(r, i), (lane(src, i) * alpha + lane(dst, i) * (255 - alpha)) / 256)
              << alpha << " " << s << " " << d << " lane " << i;
      }
}

TEST(ColorArithmetic, WorkedValues) {
  Color32 c = makeColor(18, 52, 86, 120);
  EXPECT_EQ(c, 0x78123456u);
  uint8_t r, g, b, a;
  splitColor(c, r, g, b, a);
  EXPECT_EQ(r, 18);
  EXPECT_EQ(g, 52);
  EXPECT_EQ(b, 86);
  EXPECT_EQ(a, 120);

  EXPECT_EQ(addColors(makeColor(255, 64, 16, 128), makeColor(2, 32, 48, 128)), makeColor(255, 96, 64, 255));
  EXPECT_EQ(subColors(makeColor(32, 48, 64, 16), makeColor(16, 48, 80, 32)), makeColor(16, 0, 0, 0));
  EXPECT_EQ(addColors(0xFF000000u, 0xFF000000u) >> 24, 255u);
  EXPECT_EQ(subColors(0xFF000000u, 0xFF000000u) >> 24, 0u);

  for (int t = 0; t < 256; ++t) EXPECT_EQ(mixColors(0xFFFFFFFFu, 0xFFFFFFFFu, uint8_t(t)), 0xFEFEFEFEu);
  // Weight 0 is not the second colour: (c2 * 255) >> 8.
  EXPECT_EQ(mixColors(0x12345678u, 0xFF804001u, 0), 0xFE7F3F00u);

  EXPECT_EQ(blendColors(0xFFFFFFFFu, 0x12345678u), 0xFFFEFEFEu);
  EXPECT_EQ(blendColors(0xFF00FF00u, 0x00FFFFFFu), 0xFF00FE00u);
  EXPECT_EQ(blendColors(0x00FFFFFFu, 0xFF80FF01u), 0x007FFE00u);  // a = 0: (d * 255) >> 8, alpha 0
  EXPECT_EQ(blendColors(makeColor(255, 0, 0, 128), makeColor(0, 0, 255, 255)), makeColor(127, 0, 126, 128));
}

TEST(Pixels, ClippedAccessAndVerticalLine) {
  Image img;
  AllocImage(img, 4, 3);
  putPixelClipped(img, -1, 0, 1);
  putPixelClipped(img, 4, 0, 1);
  putPixelClipped(img, 0, -1, 1);
  putPixelClipped(img, 0, 3, 1);
  putPixelRGBAClipped(img, INT32_MIN, 1, 1, 1, 1, 1);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(img.pixels[i], 0u) << i;
  putPixelClipped(img, 0, 0, 7);
  putPixelClipped(img, 3, 2, 9);
  EXPECT_EQ(img.pixels[0], 7u);
  EXPECT_EQ(img.pixels[11], 9u);
  putPixelRGBA(img, 1, 2, 18, 52, 86, 120);
  EXPECT_EQ(getPixel(img, 1, 2), 0x78123456u);
  EXPECT_EQ(img.pixels[9], 0x78123456u);
  EXPECT_EQ(getPixelClipped(img, 1, 2), 0x78123456u);
  EXPECT_EQ(getPixelClipped(img, -1, 2), 0u);
  EXPECT_EQ(getPixelClipped(img, 1, 3), 0u);

  uint8_t r = 1, g = 2, b = 3, a = 4;
  getPixelRGBA(img, 4, 0, r, g, b, a);
  getPixelRGBA(img, 0, -1, r, g, b, a);
  EXPECT_EQ(r, 1);
  EXPECT_EQ(g, 2);
  EXPECT_EQ(b, 3);
  EXPECT_EQ(a, 4);
  getPixelRGBA(img, 1, 2, r, g, b, a);
  EXPECT_EQ(makeColor(r, g, b, a), 0x78123456u);
  freeImage(img);

  Image col;
  AllocImage(col, 3, 8);
  vLine(col, 5, 2, 1, 0xFF000000u);
  vLine(col, 7, 7, 2, 5);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 3; ++x) {
      Color32 want = (x == 1 && y >= 2 && y <= 5) ? 0xFF000000u : (x == 2 && y == 7) ? 5u : 0u;
      EXPECT_EQ(getPixel(col, x, y), want) << x << "," << y;
    }
  freeImage(col);
}

TEST(Pixels, BulkRunsTouchWholePairsOnly) {
  const Color32 guard = 0xDEADBEEFu;
  for (uint32_t count = 0; count <= 9; ++count)
    for (uint32_t start = 0; start < 2; ++start) {  // also an unaligned start
      std::vector<Color32> buf(16, guard), src(16);
      for (uint32_t i = 0; i < 16; ++i) src[i] = 0x01020304u * (i + 1);
      fillLongs(buf.data() + 1 + start, count, 0x11223344u);
      for (uint32_t i = 0; i < 16; ++i) {
        bool inside = i >= 1 + start && i < 1 + start + 2 * (count / 2);
        ASSERT_EQ(buf[i], inside ? 0x11223344u : guard) << "fill count " << count << " at " << i;
      }
      std::fill(buf.begin(), buf.end(), guard);
      copyLongs(src.data() + start, buf.data() + 1, count);
      for (uint32_t i = 0; i < 16; ++i) {
        bool inside = i >= 1 && i < 1 + 2 * (count / 2);
        ASSERT_EQ(buf[i], inside ? src[i - 1 + start] : guard) << "copy count " << count << " at " << i;
      }
    }
}

TEST(Images, AllocAndFree) {
  Image img;
  AllocImage(img, 3, 2);
  EXPECT_EQ(img.width, 3);
  EXPECT_EQ(img.height, 2);
  ASSERT_NE(img.pixels, nullptr);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(img.pixels[i], 0u);
  freeImage(img);
  EXPECT_EQ(img.pixels, nullptr);
  EXPECT_EQ(img.width, 3);
  EXPECT_EQ(img.height, 2);
  freeImage(img);  // a second release does nothing
  EXPECT_EQ(img.pixels, nullptr);

  Image empty;
  AllocImage(empty, 0, 5);
  EXPECT_EQ(empty.width, 0);
  EXPECT_EQ(empty.height, 5);
  freeImage(empty);

  Image screen;
  AllocImage(screen, 1280, 720);
  fillLongs(screen.pixels, 1280 * 720, 0xFF000000u);
  EXPECT_EQ(screen.pixels[1280 * 720 - 1], 0xFF000000u);
  freeImage(screen);
}

// Huge pages are asked for only while the kernel has 2 MiB blocks free: the
// count read from /proc/buddyinfo (orders 9 and up, in 2 MiB; DMA left out).
TEST(Images, FreeHugePageBlocksFromBuddyinfo) {
  const char* const info =
      "Node 0, zone      DMA      0      0      0      0      0      0      0      0      1      1      3 \n"
      "Node 0, zone    DMA32      2      3      4      2      2      3      3      1      1      2    753 \n"
      "Node 0, zone   Normal  30303  13127   6885   3002   1635    754    145     12     10      3     22 \n";
  EXPECT_EQ(freeHugePageBlocks(info), (2 + 753 * 2) + (3 + 22 * 2));
  // A cut-up memory: plenty free, but no block of 2 MiB.
  EXPECT_EQ(freeHugePageBlocks("Node 0, zone   Normal  90000  40000  9000  100  3  1  0  0  0  0  0\n"), 0u);
  // Two nodes, a zone of only small orders, text that is not buddyinfo.
  EXPECT_EQ(freeHugePageBlocks("Node 0, zone Normal 0 0 0 0 0 0 0 0 0 5 1\nNode 1, zone Normal 0 0 0 0 0 0 0 0 0 0 4"),
            5u + 2 + 8);
  EXPECT_EQ(freeHugePageBlocks("Node 0, zone Movable 7 7 7\n"), 0u);
  EXPECT_EQ(freeHugePageBlocks(""), 0u);
  EXPECT_EQ(freeHugePageBlocks("no zones here\nzone\n"), 0u);
  // Whatever the machine has now, a screen-sized image is made and zeroed.
  Image big;
  AllocImage(big, 1280, 2048);
  EXPECT_EQ(big.pixels[0] | big.pixels[1280 * 2048 - 1], 0u);
  freeImage(big);
}

namespace {

// Runs `body` in a child process inside a fresh folder and returns what the
// log file there holds afterwards.
struct TempFolder {
  std::filesystem::path path;
  TempFolder() {
    char name[] = "/tmp/morvex-raster-XXXXXX";
    path = mkdtemp(name);
  }
  ~TempFolder() { std::filesystem::remove_all(path); }
  std::string log() const {
    std::ifstream in(path / "logger.log");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
};

void allocIn(const std::filesystem::path& dir, uint32_t w, uint32_t h) {
  if (chdir(dir.c_str()) != 0) std::exit(3);
  Image img;
  AllocImage(img, w, h);
  std::exit(0);
}

}  // namespace

TEST(ImagesDeathTest, RefusesHugeImagesAndFatalErrorExitsWithOne) {
  // Forked without a new exec, so the child writes into the folder made here.
  GTEST_FLAG_SET(death_test_style, "fast");
  struct Size {
    uint32_t w, h;
  } refused[] = {{32768, 32768}, {65536, 16384},   {65536, 65536},
                 {1u << 31, 0},  {0, 0xFFFFFFFFu}, {0xFFFFFFFFu, 0xFFFFFFFFu}};
  for (Size s : refused) {
    TempFolder dir;
    EXPECT_EXIT(allocIn(dir.path, s.w, s.h), ::testing::ExitedWithCode(1), "^$") << s.w << " x " << s.h;
    EXPECT_EQ(dir.log(), "Unable to AllocImage!\n") << s.w << " x " << s.h;
  }
  {
    TempFolder dir;  // just under the limit is still allocated (4 GB is not asked for here)
    EXPECT_EXIT(allocIn(dir.path, 32767, 4), ::testing::ExitedWithCode(0), "^$");
    EXPECT_EQ(dir.log(), "");
  }
  {
    TempFolder dir;
    EXPECT_EXIT(
        {
          if (chdir(dir.path.c_str()) != 0) std::exit(3);
          fatalError("Cannot open the window!");
        },
        ::testing::ExitedWithCode(1), "^$");
    EXPECT_EQ(dir.log(), "Cannot open the window!\n");
  }
}
