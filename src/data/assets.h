#pragma once
// The 77 pictures of the pack, decoded at start-up from 4-bit grey ".img"
// entries: bytes 0-1 width, 4-5 height (little-endian), pixel data from byte 8,
// high nibble first, width div 2 bytes per row. Level v becomes makeColor(g, g,
// g, g) with g = 16 v. The last row (and an odd last column) stays 0.
#include <array>
#include <string>
#include "data/asset_list.h"
#include "data/pack.h"
#include "raster/image.h"

// Empty: "data.dat" beside the executable.
extern std::string DataPackPath;

extern Image MinusImage, AImage, CImage, DImage, EImage, IImage, KImage, LImage, MImage, NImage, OImage, PImage, RImage,
    SImage, TImage, UImage, VImage, YImage;
extern Image LogoImage, DotImage;
extern Image DigitImages[10];
extern Image BrainImage, Noirose1Image, Noiroze2Image, Platine1Image, Platine2Image, Platine3Image, Platine4Image,
    Platine5Image, StarImage, Dirka1Image, Dirka2Image, Wolke1Image, Wolke2Image, Sintable1Image, Sintable2Image,
    LobotomImage, Sintable3Image, LobotomiImage, KrukImage, LineykaImage, Kurukulum1Image, Kurukulum2Image,
    Synapse1Image, Synapse2Image, ThreeDImage, BrainbugImage, DistImage, ZeptorImage, Form1Image, Form2Image,
    Form3Image, Form4Image, GitterImage, WelleImage, GrafImage, KrutitImage, LandscapeImage, LineImage, SkeletonImage,
    SpiralImage, InfinityImage, VoxelImage, WertitImage, ZifriImage, CurveImage, EndImage, NetzImage;

// Every asset in load order (that of AssetList): file name and record.
struct AssetEntry {
  const char* name;
  Image* image;
};
extern const std::array<AssetEntry, AssetCount> AssetTable;

// Decodes an .img entry; an entry shorter than its header or its pixel data is
// refused with a message naming it. One table lookup per byte (two pixels).
void decodeImage(const std::string& name, const TfileContent& content, Image& img);
void decodeImage(const std::string& name, const uint8_t* data, size_t size, Image& img);
// The decoding loops as first written, a putPixelClipped per pixel: the reference
// the decoder's tests compare with.
void decodeImageLiteral(const std::string& name, const TfileContent& content, Image& img);
void loadImage(const std::string& name, Image& img);
void loadAllImages();
void freeAllImages();

// Set-up checks of the effect modules: one fatalError naming the asset and the limit.
void requireMinSize(const Image& img, const char* name, int32_t minWidth, int32_t minHeight);
void requireMaxSize(const Image& img, const char* name, int32_t maxWidth, int32_t maxHeight);
void requireEvenWidth(const Image& img, const char* name);
// For an effect that makes a picture of workWidth x workHeight from the asset
// (twice its size, say): that picture must be one an image can hold. Called
// before the effect allocates anything, so a huge asset is refused at once,
// by name, instead of failing late in AllocImage.
void requireWorkSize(const Image& img, const char* name, int64_t workWidth, int64_t workHeight);
