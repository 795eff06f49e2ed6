#pragma once
// Image and pixel primitives: the Image record, Color32 arithmetic, single
// pixels, the vertical line and the two-pixel bulk runs.
#include <cstdint>
#include <string>

// 0xAARRGGBB; in memory blue, green, red, alpha (GL_BGRA, GL_UNSIGNED_BYTE).
using Color32 = uint32_t;

// Rows one after another without gaps; pixel (x, y) is pixels[y * width + x].
// Passed by value to drawing routines (a copy of the record, not of the pixels).
struct Image {
  Color32* pixels = nullptr;
  int32_t width = 0;
  int32_t height = 0;
};

// The most pixels an image may hold: offsets are 32-bit unsigned, and so are
// byte counts of the pixels up to 4 GiB.
constexpr uint64_t MaxImagePixels = (uint64_t(1) << 30) - 1;
// True when AllocImage accepts the size (set-up checks ask before allocating).
bool imageSizeAllowed(uint64_t width, uint64_t height);
// Sets the size, allocates width * height pixels of 0x00000000.
// "Unable to AllocImage!" when the memory cannot be had or the size is not
// allowed (more than MaxImagePixels, or a side beyond 32-bit signed).
void AllocImage(Image& img, uint32_t width, uint32_t height);
// Releases the pixels (nil afterwards); the size stays; a second call does nothing.
void freeImage(Image& img);
// One line to the log, then the process ends with status 1.
[[noreturn]] void fatalError(const std::string& message);

// Two pixels per step: only the first 2 * (count div 2) pixels are touched.
// copyLongs goes forwards, pair by pair, also where the runs overlap. Both go
// through the kernel table: block operations with the same result above "none".
void fillLongs(Color32* dst, uint32_t count, Color32 value);
void copyLongs(const Color32* src, Color32* dst, uint32_t count);
// dst[i] = src[i] | 0xFF000000 for i < count: colours kept, alpha 255. The runs
// are apart or the very same pixels.
void copyOpaque(const Color32* src, Color32* dst, uint32_t count);
// Pixels whose red, green and blue are all 0 become 0x00000000; the others
// stay as they are (alpha included).
void clearBlackPixels(Color32* p, uint32_t count);
// dst[4i], dst[4i + 1], dst[4i + 2], dst[4i + 3] = the red, green and blue of
// src[i] and 255, for i < count: the byte order of a browser canvas's pixels.
// True when dst changed (some byte held another value before), so a caller
// that keeps the last bytes it gave away knows which runs are new.
bool copyToRgba(const Color32* src, uint8_t* dst, uint32_t count);
// The key of a keyed picture: a pixel whose red, green and blue are all 0
// becomes 0x00000000, every other one gets alpha 255.
void keyBlackPixels(Color32* p, uint32_t count);
// The pixels of count bytes of 4-bit grey levels (the asset format): dst[2i]
// from the high nibble of src[i], dst[2i + 1] from the low one; level v gives
// v * 16 in all four channels, so 15 gives 0xF0F0F0F0.
void greyLevelPixels(Color32* dst, const uint8_t* src, uint32_t count);
// The pair loops themselves: the reference of the two above.
void fillLongsLiteral(Color32* dst, uint32_t count, Color32 value);
void copyLongsLiteral(const Color32* src, Color32* dst, uint32_t count);

// Unclipped routines trust the caller; clipped ones compare x with width and y
// with height as unsigned numbers, so negative coordinates are outside.
inline void putPixel(Image img, int32_t x, int32_t y, Color32 c) {
  img.pixels[uint32_t(y) * uint32_t(img.width) + uint32_t(x)] = c;
}
inline Color32 getPixel(Image img, int32_t x, int32_t y) {
  return img.pixels[uint32_t(y) * uint32_t(img.width) + uint32_t(x)];
}
inline bool insideImage(Image img, int32_t x, int32_t y) {
  return uint32_t(x) < uint32_t(img.width) && uint32_t(y) < uint32_t(img.height);
}
inline void putPixelClipped(Image img, int32_t x, int32_t y, Color32 c) {
  if (insideImage(img, x, y)) putPixel(img, x, y, c);
}
// Outside the image: 0.
inline Color32 getPixelClipped(Image img, int32_t x, int32_t y) {
  return insideImage(img, x, y) ? getPixel(img, x, y) : 0;
}

inline Color32 makeColor(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
  return (Color32(a) << 24) | (Color32(r) << 16) | (Color32(g) << 8) | Color32(b);
}
inline void splitColor(Color32 c, uint8_t& r, uint8_t& g, uint8_t& b, uint8_t& a) {
  a = uint8_t(c >> 24);
  r = uint8_t(c >> 16);
  g = uint8_t(c >> 8);
  b = uint8_t(c);
}
inline void putPixelRGBA(Image img, int32_t x, int32_t y, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
  putPixel(img, x, y, makeColor(r, g, b, a));
}
inline void putPixelRGBAClipped(Image img, int32_t x, int32_t y, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
  putPixelClipped(img, x, y, makeColor(r, g, b, a));
}
// Clipped; outside the image the four outputs are left as they were.
inline void getPixelRGBA(Image img, int32_t x, int32_t y, uint8_t& r, uint8_t& g, uint8_t& b, uint8_t& a) {
  if (insideImage(img, x, y)) splitColor(getPixel(img, x, y), r, g, b, a);
}

// Unclipped putPixel at (x, y) for every y from min(y1, y2) to max(y1, y2).
void vLine(Image img, int32_t y1, int32_t y2, int32_t x, Color32 c);

// Per channel, alpha included: min(255, c1 + c2).
inline Color32 addColors(Color32 c1, Color32 c2) {
  // Byte lanes: the carry out of each lane marks the lanes that saturate.
  uint32_t sum = (c1 & 0x7F7F7F7Fu) + (c2 & 0x7F7F7F7Fu);
  uint32_t carry = ((c1 & c2) | ((c1 | c2) & sum)) & 0x80808080u;
  uint32_t low = sum ^ ((c1 ^ c2) & 0x80808080u);
  uint32_t saturate = (carry >> 7) * 0xFFu;
  return low | saturate;
}
// Per channel, alpha included: max(0, c1 - c2).
inline Color32 subColors(Color32 c1, Color32 c2) {
  Color32 r = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    int32_t d = int32_t((c1 >> shift) & 0xFF) - int32_t((c2 >> shift) & 0xFF);
    if (d > 0) r |= Color32(d) << shift;
  }
  return r;
}
// Per channel, alpha included: (c1 * t + c2 * (255 - t)) >> 8.
inline Color32 mixColors(Color32 c1, Color32 c2, uint8_t t) {
  Color32 r = 0;
  uint32_t u = 255u - t;
  for (int shift = 0; shift < 32; shift += 8) {
    uint32_t v = (((c1 >> shift) & 0xFF) * t + ((c2 >> shift) & 0xFF) * u) >> 8;
    r |= v << shift;
  }
  return r;
}
// a = alpha of src; r, g, b: (s * a + d * (255 - a)) >> 8; alpha of the result = a.
inline Color32 blendColors(Color32 src, Color32 dst) {
  uint32_t a = src >> 24, u = 255u - a;
  Color32 r = a << 24;
  for (int shift = 0; shift < 24; shift += 8) {
    uint32_t v = (((src >> shift) & 0xFF) * a + ((dst >> shift) & 0xFF) * u) >> 8;
    r |= v << shift;
  }
  return r;
}
