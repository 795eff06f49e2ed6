// The pack reader, the .img decoder and the asset table, through files on disk.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "data/assets.h"
#include "data/log.h"
#include "data/pack.h"
#include "data/util.h"
#include "fixtures.h"

namespace {

using Bytes = std::vector<uint8_t>;

void appendEntry(Bytes& pack, const std::string& name, const Bytes& data, int32_t sizeField) {
  pack.push_back(uint8_t(name.size()));
  pack.insert(pack.end(), name.begin(), name.end());
  for (int i = 0; i < 4; ++i) pack.push_back(uint8_t(uint32_t(sizeField) >> (8 * i)));
  pack.insert(pack.end(), data.begin(), data.end());
}
void appendEntry(Bytes& pack, const std::string& name, const Bytes& data) {
  appendEntry(pack, name, data, int32_t(data.size()));
}

Bytes imgEntry(uint16_t w, uint16_t h, uint8_t fill, uint8_t junk = 0) {
  Bytes b = {uint8_t(w), uint8_t(w >> 8), junk, junk, uint8_t(h), uint8_t(h >> 8), junk, junk};
  const size_t rows = h < 2 ? 1 : h - 1, perRow = w < 2 ? 1 : w / 2;
  b.insert(b.end(), rows * perRow, fill);
  return b;
}

void writeFile(const std::string& path, const Bytes& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Each test runs in a fresh folder, so logger.log and the packs are its own.
class PackAndAssets : public ::testing::Test {
 protected:
  void TearDown() override { closeDataPack(); }
  // Runs body in a child that must exit with status 1 after writing exactly
  // line to standard output and to the log.
  template <typename Body>
  void expectFailure(Body body, const std::string& line) {
    std::remove("stdout.txt");
    std::remove(LogFileName);
    EXPECT_EXIT(
        {
          if (!std::freopen("stdout.txt", "w", stdout)) std::exit(3);
          body();
          std::exit(0);
        },
        ::testing::ExitedWithCode(1), "");
    EXPECT_EQ(readFile("stdout.txt"), line + "\n");
    EXPECT_EQ(readFile(LogFileName), line + "\n");
  }
  TempDir dir_{"morvex-data"};
};

TEST_F(PackAndAssets, PackLookupWalksTheChainExactly) {
  Bytes pack;
  appendEntry(pack, "", {9, 9});
  appendEntry(pack, "brain.img", {1, 2, 3});
  appendEntry(pack, "brain.img", {7});  // a later duplicate is never found
  appendEntry(pack, "last", {4, 5, 6, 7});
  writeFile("p.dat", pack);
  openDataPack("p.dat");

  TfileContent c;
  readPackFile("brain.img", c);
  EXPECT_EQ(c, (TfileContent{1, 2, 3}));
  EXPECT_EQ(findPackEntry("brain.img"), 1u + 4 + 2 + 1 + 9);
  readPackFile("", c);  // the empty name matches only the nameless entry
  EXPECT_EQ(c, (TfileContent{9, 9}));
  readPackFile("last", c);  // data ending exactly at the end of the file
  EXPECT_EQ(c, (TfileContent{4, 5, 6, 7}));

  expectFailure([] { findPackEntry("Brain.img"); }, "File Brain.img not found in data file");
  expectFailure([] { findPackEntry("behind"); }, "File behind not found in data file");
}

TEST_F(PackAndAssets, DamagedPacksEndWithOneLineAndStatusOne) {
  Bytes shortLast;
  appendEntry(shortLast, "a.img", {1, 2});
  appendEntry(shortLast, "b.img", {1, 2}, 10);
  writeFile("short.dat", shortLast);
  expectFailure(
      [] {
        openDataPack("short.dat");
        TfileContent c;
        readPackFile("b.img", c);
      },
      "Error reading file b.img");

  // Skipping past an entry whose size runs past the end, or is negative, is corruption.
  expectFailure(
      [] {
        openDataPack("short.dat");
        findPackEntry("c.img");
      },
      "Corrupt data file short.dat: entry b.img runs past the end of the file");
  Bytes negative;
  appendEntry(negative, "a.img", {1, 2}, -6);
  appendEntry(negative, "b.img", {1});
  writeFile("negative.dat", negative);
  expectFailure(
      [] {
        openDataPack("negative.dat");
        findPackEntry("b.img");
      },
      "Corrupt data file negative.dat: entry a.img runs past the end of the file");

  writeFile("name.dat", {20, 'a', 'b'});
  expectFailure(
      [] {
        openDataPack("name.dat");
        findPackEntry("x");
      },
      "Corrupt data file name.dat: an entry name runs past the end of the file");
  writeFile("size.dat", {1, 'a', 3, 0});
  expectFailure(
      [] {
        openDataPack("size.dat");
        findPackEntry("x");
      },
      "Corrupt data file size.dat: the size of entry a runs past the end of the file");
  expectFailure(
      [] {
        openDataPack("size.dat");
        TfileContent c;
        readPackFile("a", c);
      },
      "Error reading file a");

  // A garbage name (an HTML page, a random file) is shown escaped and cut to
  // 40 bytes: no control character reaches the terminal or the log.
  Bytes garbage = {200};
  const std::string head = "<html>\x1b[2J\r\n\t\\";
  garbage.insert(garbage.end(), head.begin(), head.end());
  for (int i = 0; i < 200 - int(head.size()); ++i) garbage.push_back(uint8_t(0x80 + i % 3));
  garbage.insert(garbage.end(), {9, 0, 0, 0});
  writeFile("garbage.dat", garbage);
  const std::string shown =
      "<html>\\x1b["
      "2J\\x0d\\x0a\\x09\\\\\\x80\\x81\\x82\\x80\\x81\\x82\\x80\\x81\\x82\\x80\\x81\\x82\\x80\\x81\\x82\\x80\\x81\\x82"
      "\\x80\\x81\\x82\\x80\\x81\\x82\\x80\\x81...";
  expectFailure(
      [] {
        openDataPack("garbage.dat");
        findPackEntry("x");
      },
      "Corrupt data file garbage.dat: entry " + shown + " runs past the end of the file");
  garbage.resize(1 + 200 + 2);  // the size field is cut short
  writeFile("garbage.dat", garbage);
  expectFailure(
      [] {
        openDataPack("garbage.dat");
        findPackEntry("x");
      },
      "Corrupt data file garbage.dat: the size of entry " + shown + " runs past the end of the file");

  writeFile("empty.dat", {});
  expectFailure([] { openDataPack("empty.dat"); }, "Data file empty.dat is empty");
  expectFailure([] { openDataPack("missing.dat"); }, "Unable to open data file missing.dat");
}

// Only a regular file within the size limit is read: a FIFO would block for
// ever, /dev/zero never ends, a huge sparse file would exhaust memory.
TEST_F(PackAndAssets, OnlyRegularFilesWithinTheLimitAreRead) {
  ASSERT_EQ(mkfifo("fifo.dat", 0600), 0);
  expectFailure([] { openDataPack("fifo.dat"); }, "Data file fifo.dat is not a regular file");
  expectFailure([] { openDataPack("/dev/zero"); }, "Data file /dev/zero is not a regular file");
  ASSERT_EQ(mkdir("folder.dat", 0700), 0);
  expectFailure([] { openDataPack("folder.dat"); }, "Data file folder.dat is not a regular file");
  // One byte past the limit, sparse: nothing of it is read.
  writeFile("big.dat", {});
  ASSERT_EQ(truncate("big.dat", off_t(MaxPackBytes + 1)), 0);
  expectFailure([] { openDataPack("big.dat"); }, "Data file big.dat is larger than 1 GiB");
  // A regular file within the limit is read as before.
  Bytes pack;
  appendEntry(pack, "a", {1, 2}, 2);
  writeFile("small.dat", pack);
  openDataPack("small.dat");
  TfileContent c;
  readPackFile("a", c);
  EXPECT_EQ(c, (Bytes{1, 2}));
  closeDataPack();
  EXPECT_EQ(byteSizeText(MaxPackBytes), "1 GiB");
  EXPECT_EQ(byteSizeText(uint64_t(256) << 20), "256 MiB");
  EXPECT_EQ(byteSizeText(1000), "1000 bytes");
}

TEST_F(PackAndAssets, ImageDecodingLevelsRowsAndColumns) {
  // 4 x 3: rows 0 and 1 are read; the last row stays transparent black; header
  // bytes 2, 3, 6 and 7 are ignored.
  TfileContent c = {4, 0, 0xAB, 0xCD, 3, 0, 0xEF, 0x01, 0x0F, 0xF0, 0x12, 0x34};
  Image img;
  decodeImage("t.img", c, img);
  ASSERT_EQ(img.width, 4);
  ASSERT_EQ(img.height, 3);
  EXPECT_EQ(getPixel(img, 0, 0), 0x00000000u);
  EXPECT_EQ(getPixel(img, 1, 0), 0xF0F0F0F0u);
  EXPECT_EQ(getPixel(img, 2, 0), 0xF0F0F0F0u);
  EXPECT_EQ(getPixel(img, 3, 0), 0x00000000u);
  EXPECT_EQ(getPixel(img, 0, 1), 0x10101010u);
  EXPECT_EQ(getPixel(img, 3, 1), 0x40404040u);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(getPixel(img, x, 2), 0u);
  freeImage(img);

  // Odd width: width div 2 bytes per row, the last column stays 0.
  TfileContent odd = {5, 0, 0, 0, 2, 0, 0, 0, 0xFF, 0xFF};
  decodeImage("odd.img", odd, img);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(getPixel(img, x, 0), 0xF0F0F0F0u);
  EXPECT_EQ(getPixel(img, 4, 0), 0u);
  freeImage(img);
}

TEST_F(PackAndAssets, TruncatedImagesAreRefusedBeforeAllocation) {
  Bytes pack;
  appendEntry(pack, "header.img", {4, 0, 0, 0, 3});
  Bytes big = imgEntry(4, 4, 0);
  big[0] = big[4] = 0x60;  // claims 60000 x 60000 but holds almost nothing
  big[1] = big[5] = 0xEA;
  big.resize(100);
  appendEntry(pack, "big.img", big);
  Bytes cut = imgEntry(4, 3, 0x11);
  cut.pop_back();
  appendEntry(pack, "cut.img", cut);
  writeFile("p.dat", pack);
  expectFailure(
      [] {
        openDataPack("p.dat");
        Image i;
        loadImage("header.img", i);
      },
      "Corrupt image header.img: 5 bytes, shorter than its 8-byte header");
  expectFailure(
      [] {
        openDataPack("p.dat");
        Image i;
        loadImage("big.img", i);
      },
      "Corrupt image big.img: 100 bytes, 60000 x 60000 needs 1799970008");
  expectFailure(
      [] {
        openDataPack("p.dat");
        Image i;
        loadImage("cut.img", i);
      },
      "Corrupt image cut.img: 11 bytes, 4 x 3 needs 12");
}

TEST_F(PackAndAssets, AssetTableLoadsInOrderAndReportsTheFirstMissing) {
  ASSERT_EQ(AssetCount, 77);
  EXPECT_STREQ(AssetTable[0].name, "minus.img");
  EXPECT_STREQ(AssetTable[20].name, "0.img");
  EXPECT_EQ(AssetTable[29].image, &DigitImages[9]);
  EXPECT_STREQ(AssetTable[30].name, "brain.img");
  EXPECT_STREQ(AssetTable[76].name, "netz.img");

  Bytes pack;
  for (int i = 0; i < AssetCount; ++i)
    appendEntry(pack, AssetTable[i].name, imgEntry(uint16_t(2 + 2 * i), 3, uint8_t(i), 0x5A));
  writeFile("full.dat", pack);
  DataPackPath = "full.dat";
  loadAllImages();
  for (int i = 0; i < AssetCount; ++i) {
    const Image& img = *AssetTable[i].image;
    ASSERT_EQ(img.width, 2 + 2 * i) << AssetTable[i].name;
    EXPECT_EQ(img.height, 3);
    const uint8_t hi = uint8_t((i >> 4) * 16);
    EXPECT_EQ(getPixel(img, 0, 0), makeColor(hi, hi, hi, hi)) << AssetTable[i].name;
  }
  // Loading the same name again gives the same picture.
  Image again;
  openDataPack("full.dat");
  loadImage("brain.img", again);
  EXPECT_EQ(again.width, BrainImage.width);
  EXPECT_TRUE(std::equal(again.pixels, again.pixels + again.width * again.height, BrainImage.pixels));
  freeImage(again);
  freeAllImages();
  EXPECT_EQ(BrainImage.pixels, nullptr);
  EXPECT_EQ(BrainImage.width, 2 + 2 * 30);

  Bytes partial;
  for (int i = 0; i < AssetCount; ++i)
    if (i != 40 && i != 50) appendEntry(partial, AssetTable[i].name, imgEntry(4, 4, 0));
  writeFile("partial.dat", partial);
  DataPackPath = "partial.dat";
  expectFailure([] { loadAllImages(); }, std::string("File ") + AssetTable[40].name + " not found in data file");
  DataPackPath.clear();
}

TEST_F(PackAndAssets, SetUpChecksNameTheAssetAndTheLimit) {
  Image img;
  AllocImage(img, 23, 30);
  EXPECT_EXIT(requireMaxSize(img, "a.img", 22, 30), ::testing::ExitedWithCode(1), "");
  EXPECT_EQ(readFile(LogFileName), "Asset a.img is 23 x 30; it must be at most 22 x 30\n");
  std::remove(LogFileName);
  EXPECT_EXIT(requireEvenWidth(img, "a.img"), ::testing::ExitedWithCode(1), "");
  EXPECT_EQ(readFile(LogFileName), "Asset a.img is 23 x 30; its width must be even\n");
  std::remove(LogFileName);
  EXPECT_EXIT(requireMinSize(img, "a.img", 2, 31), ::testing::ExitedWithCode(1), "");
  EXPECT_EQ(readFile(LogFileName), "Asset a.img is 23 x 30; it must be at least 2 x 31\n");
  requireMinSize(img, "a.img", 23, 30);
  requireMaxSize(img, "a.img", 23, 30);
  freeImage(img);
}

}  // namespace
