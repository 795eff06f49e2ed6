#include "data/assets.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "data/log.h"
#include "data/util.h"

std::string DataPackPath;

Image MinusImage, AImage, CImage, DImage, EImage, IImage, KImage, LImage, MImage, NImage, OImage, PImage, RImage,
    SImage, TImage, UImage, VImage, YImage, LogoImage, DotImage;
Image DigitImages[10];
Image BrainImage, Noirose1Image, Noiroze2Image, Platine1Image, Platine2Image, Platine3Image, Platine4Image,
    Platine5Image, StarImage, Dirka1Image, Dirka2Image, Wolke1Image, Wolke2Image, Sintable1Image, Sintable2Image,
    LobotomImage, Sintable3Image, LobotomiImage, KrukImage, LineykaImage, Kurukulum1Image, Kurukulum2Image,
    Synapse1Image, Synapse2Image, ThreeDImage, BrainbugImage, DistImage, ZeptorImage, Form1Image, Form2Image,
    Form3Image, Form4Image, GitterImage, WelleImage, GrafImage, KrutitImage, LandscapeImage, LineImage, SkeletonImage,
    SpiralImage, InfinityImage, VoxelImage, WertitImage, ZifriImage, CurveImage, EndImage, NetzImage;

// The record of every entry of AssetList, in its order.
constexpr Image* AssetImages[AssetCount] = {
    &MinusImage,     &AImage,         &CImage,          &DImage,          &EImage,         &IImage,
    &KImage,         &LImage,         &MImage,          &NImage,          &OImage,         &PImage,
    &RImage,         &SImage,         &TImage,          &UImage,          &VImage,         &YImage,
    &LogoImage,      &DotImage,       &DigitImages[0],  &DigitImages[1],  &DigitImages[2], &DigitImages[3],
    &DigitImages[4], &DigitImages[5], &DigitImages[6],  &DigitImages[7],  &DigitImages[8], &DigitImages[9],
    &BrainImage,     &Noirose1Image,  &Noiroze2Image,   &Platine1Image,   &Platine2Image,  &Platine3Image,
    &Platine4Image,  &Platine5Image,  &StarImage,       &Dirka1Image,     &Dirka2Image,    &Wolke1Image,
    &Wolke2Image,    &Sintable1Image, &Sintable2Image,  &LobotomImage,    &Sintable3Image, &LobotomiImage,
    &KrukImage,      &LineykaImage,   &Kurukulum1Image, &Kurukulum2Image, &Synapse1Image,  &Synapse2Image,
    &ThreeDImage,    &BrainbugImage,  &DistImage,       &ZeptorImage,     &Form1Image,     &Form2Image,
    &Form3Image,     &Form4Image,     &GitterImage,     &WelleImage,      &GrafImage,      &KrutitImage,
    &LandscapeImage, &LineImage,      &SkeletonImage,   &SpiralImage,     &InfinityImage,  &VoxelImage,
    &WertitImage,    &ZifriImage,     &CurveImage,      &EndImage,        &NetzImage,
};

template <size_t... I>
constexpr std::array<AssetEntry, AssetCount> assetEntries(std::index_sequence<I...>) {
  return {{AssetEntry{AssetList[I].name, AssetImages[I]}...}};
}
const std::array<AssetEntry, AssetCount> AssetTable = assetEntries(std::make_index_sequence<AssetCount>());

[[noreturn]] static void imageFailure(const std::string& message) {
  writeLogAndConsole(message);
  exitOnFailure();
}

// The decoding loops test their end after each byte and each row, so every row
// takes max(1, width div 2) bytes and max(1, height - 1) rows are read:
// the last row, and an odd last column, stay transparent black.
static uint64_t bytesPerRow(uint32_t width) { return width < 2 ? 1 : width / 2; }
static uint64_t rowsRead(uint32_t height) { return height < 2 ? 1 : height - 1; }

// Width and height from the header, after checking that the entry holds them
// and every byte the decoding loops read.
static void readImageHeader(const std::string& name, const uint8_t* data, size_t size, uint32_t& width,
                            uint32_t& height) {
  if (size < 8)
    imageFailure("Corrupt image " + name + ": " + std::to_string(size) + " bytes, shorter than its 8-byte header");
  width = data[0] + 256u * data[1];
  height = data[4] + 256u * data[5];
  const uint64_t needed = 8 + bytesPerRow(width) * rowsRead(height);
  if (size < needed)
    imageFailure("Corrupt image " + name + ": " + std::to_string(size) + " bytes, " + std::to_string(width) + " x " +
                 std::to_string(height) + " needs " + std::to_string(needed));
}

void decodeImageLiteral(const std::string& name, const TfileContent& content, Image& img) {
  uint32_t width, height;
  readImageHeader(name, content.data(), content.size(), width, height);
  AllocImage(img, width, height);
  size_t p = 8;
  int32_t y = 0;
  do {
    int32_t x = 0;
    do {
      const uint8_t byte = content[p++];
      const uint8_t hi = uint8_t((byte >> 4) * 16), lo = uint8_t((byte & 15) * 16);
      putPixelClipped(img, x, y, makeColor(hi, hi, hi, hi));
      putPixelClipped(img, x + 1, y, makeColor(lo, lo, lo, lo));
      x += 2;
    } while (!(int64_t(x) >= int64_t(width) - 1));
    ++y;
  } while (!(int64_t(y) >= int64_t(height) - 1));
}

void decodeImage(const std::string& name, const uint8_t* data, size_t size, Image& img) {
  uint32_t width, height;
  readImageHeader(name, data, size, width, height);
  AllocImage(img, width, height);
  // The same pixels as the literal loops: rows 0 .. rowsRead - 1 that lie inside
  // the image, each from bytesPerRow bytes; the clipping there drops only the
  // second pixel of a width-1 row and everything of an empty image.
  const uint32_t rows = uint32_t(std::min<uint64_t>(rowsRead(height), height));
  const uint32_t perRow = uint32_t(bytesPerRow(width));
  const uint8_t* src = data + 8;
  for (uint32_t y = 0; y < rows; ++y, src += perRow) {
    Color32* dst = img.pixels + size_t(y) * width;
    if (width < 2) {
      if (width == 1) dst[0] = uint32_t(src[0] >> 4) * 16 * 0x01010101u;
      continue;
    }
    greyLevelPixels(dst, src, perRow);
  }
}

void decodeImage(const std::string& name, const TfileContent& content, Image& img) {
  decodeImage(name, content.data(), content.size(), img);
}

void loadImage(const std::string& name, Image& img) {
  size_t size = 0;
  const uint8_t* data = packFileData(name, size);
  decodeImage(name, data, size, img);
}

void loadAllImages() {
  openDataPack(DataPackPath.empty() ? executableDirectory() + "/data.dat" : DataPackPath);
  for (const AssetEntry& asset : AssetTable) loadImage(asset.name, *asset.image);
  closeDataPack();
}

void freeAllImages() {
  for (const AssetEntry& asset : AssetTable) freeImage(*asset.image);
}

static std::string sizeText(const Image& img) { return std::to_string(img.width) + " x " + std::to_string(img.height); }

void requireMinSize(const Image& img, const char* name, int32_t minWidth, int32_t minHeight) {
  if (img.width < minWidth || img.height < minHeight)
    fatalError(std::string("Asset ") + name + " is " + sizeText(img) + "; it must be at least " +
               std::to_string(minWidth) + " x " + std::to_string(minHeight));
}

void requireMaxSize(const Image& img, const char* name, int32_t maxWidth, int32_t maxHeight) {
  if (img.width > maxWidth || img.height > maxHeight)
    fatalError(std::string("Asset ") + name + " is " + sizeText(img) + "; it must be at most " +
               std::to_string(maxWidth) + " x " + std::to_string(maxHeight));
}

void requireWorkSize(const Image& img, const char* name, int64_t workWidth, int64_t workHeight) {
  if (workWidth < 0 || workHeight < 0 || !imageSizeAllowed(uint64_t(workWidth), uint64_t(workHeight)))
    fatalError(std::string("Asset ") + name + " is " + sizeText(img) + "; its effect makes a " +
               std::to_string(workWidth) + " x " + std::to_string(workHeight) + " picture of it, more than the " +
               std::to_string(MaxImagePixels) + " pixels an image can hold");
}

void requireEvenWidth(const Image& img, const char* name) {
  if (img.width % 2 != 0)
    fatalError(std::string("Asset ") + name + " is " + sizeText(img) + "; its width must be even");
}
