// Runs of whole pixels: the frame clear (fillLongs), the pair copy (copyLongs,
// whose literal loops live with the image routines) and the end fade's step;
// the reference entries and the portable ones.
#include <cstring>
#include <cwchar>

#include "raster/fade.h"
#include "raster/kernels.h"

void fadePixels(Color32* p, uint32_t n) { ActiveKernels.run.fade(p, n); }

void copyOpaque(const Color32* src, Color32* dst, uint32_t count) { ActiveKernels.run.opaque(src, dst, count); }

void keyBlackPixels(Color32* p, uint32_t count) { ActiveKernels.run.keyBlack(p, count); }

void greyLevelPixels(Color32* dst, const uint8_t* src, uint32_t count) {
  ActiveKernels.run.greyLevels(dst, src, count);
}

bool copyToRgba(const Color32* src, uint8_t* dst, uint32_t count) { return ActiveKernels.run.rgba(src, dst, count); }

void clearBlackPixels(Color32* p, uint32_t count) { ActiveKernels.run.clearBlack(p, count); }

void fadePixelsLiteral(Color32* p, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) {
    uint8_t r, g, b, a;
    splitColor(p[i], r, g, b, a);
    if (r > 0) --r;
    if (g > 0) --g;
    if (b > 0) --b;
    p[i] = makeColor(r, g, b, 255);
  }
}

namespace {

// The C library's wide fill stores a 32-bit unit with the widest stores the
// processor has; where wchar_t is not 32 bits, the literal pairs.
void fillWide(Color32* dst, uint32_t count, Color32 value) {
  const size_t n = 2 * size_t(count / 2);
  if constexpr (sizeof(wchar_t) == sizeof(Color32)) {
    wchar_t unit;
    std::memcpy(&unit, &value, sizeof unit);
    std::wmemset(reinterpret_cast<wchar_t*>(dst), unit, n);
  } else {
    fillLongsLiteral(dst, count, value);
  }
}

// The pairs go forwards: a destination that starts inside the source run sees
// pairs it has already written, which no block copy reproduces; that case
// keeps the pair loop.
void copyBlock(const Color32* src, Color32* dst, uint32_t count) {
  const size_t n = 2 * size_t(count / 2);
  const uintptr_t d = reinterpret_cast<uintptr_t>(dst), s = reinterpret_cast<uintptr_t>(src);
  if (d > s && d < s + n * sizeof(Color32)) return copyLongsLiteral(src, dst, count);
  std::memmove(dst, src, n * sizeof(Color32));
}

// Two pixels per 64-bit word: a byte's "above 0" bit is its top bit or a carry
// out of its low seven bits, and exactly those bytes lose 1 (no borrows).
inline uint64_t fadePair(uint64_t v) {
  const uint64_t rgb = v & 0x00FFFFFF00FFFFFFull;
  const uint64_t above = (((rgb & 0x007F7F7F007F7F7Full) + 0x007F7F7F007F7F7Full) | rgb) & 0x0080808000808080ull;
  return (rgb - (above >> 7)) | 0xFF000000FF000000ull;
}

void fadePortable(Color32* p, uint32_t n) {
  uint32_t i = 0;
  for (; i + 2 <= n; i += 2) {
    uint64_t v;
    std::memcpy(&v, p + i, sizeof v);
    v = fadePair(v);
    std::memcpy(p + i, &v, sizeof v);
  }
  if (i < n) p[i] = Color32(fadePair(p[i]));
}

void keyBlackLiteral(Color32* p, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) {
    const Color32 rgb = p[i] & 0x00FFFFFFu;
    p[i] = rgb == 0 ? 0u : rgb | 0xFF000000u;
  }
}

void greyLevelsLiteral(Color32* d, const uint8_t* s, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) {
    const uint8_t hi = uint8_t((s[i] >> 4) * 16), lo = uint8_t((s[i] & 15) * 16);
    d[2 * size_t(i)] = makeColor(hi, hi, hi, hi);
    d[2 * size_t(i) + 1] = makeColor(lo, lo, lo, lo);
  }
}

// The two pixels of every byte value, high nibble first: one 8-byte copy each.
struct GreyPair {
  Color32 first, second;
};
struct GreyPairTable {
  GreyPair pairs[256];
  constexpr GreyPairTable() : pairs() {
    for (uint32_t byte = 0; byte < 256; ++byte)
      pairs[byte] = {(byte >> 4) * 16 * 0x01010101u, (byte & 15) * 16 * 0x01010101u};
  }
};
constexpr GreyPairTable GreyPairs;

void greyLevelsPortable(Color32* d, const uint8_t* s, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) std::memcpy(d + 2 * size_t(i), &GreyPairs.pairs[s[i]], sizeof(GreyPair));
}

void opaqueLiteral(const Color32* s, Color32* d, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) d[i] = s[i] | 0xFF000000u;
}

void opaquePortable(const Color32* s, Color32* d, uint32_t n) {
  uint32_t i = 0;
  for (; i + 2 <= n; i += 2) {
    uint64_t v;
    std::memcpy(&v, s + i, sizeof v);
    v |= 0xFF000000FF000000ull;
    std::memcpy(d + i, &v, sizeof v);
  }
  if (i < n) d[i] = s[i] | 0xFF000000u;
}

// (Black with its alpha cleared is 0: a select instead of a branch per pixel.)
void clearBlackLiteral(Color32* p, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) {
    const Color32 v = p[i];
    p[i] = (v & 0x00FFFFFFu) == 0 ? 0u : v;
  }
}

bool rgbaLiteral(const Color32* s, uint8_t* d, uint32_t n) {
  bool changed = false;
  for (uint32_t i = 0; i < n; ++i, d += 4) {
    const Color32 c = s[i];  // 0xAARRGGBB
    const uint8_t bytes[4] = {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), 255};
    for (int k = 0; k < 4; ++k) {
      if (d[k] != bytes[k]) changed = true;
      d[k] = bytes[k];
    }
  }
  return changed;
}

// Two pixels a step: red and blue trade places in each word, which a
// little-endian store lays out as red, green, blue, alpha.
inline uint64_t rgbaPair(uint64_t v) {
  const uint64_t redBlue = 0x000000FF000000FFull;
  return ((v >> 16) & redBlue) | (v & 0x0000FF000000FF00ull) | ((v & redBlue) << 16) | 0xFF000000FF000000ull;
}

// The old bytes are read where the new ones go (the store brings the line in
// anyway); their differences are gathered and tested once.
bool rgbaPortable(const Color32* s, uint8_t* d, uint32_t n) {
  static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the words' bytes are stored low first");
  uint64_t differ = 0;
  uint32_t i = 0;
  for (; i + 2 <= n; i += 2) {
    uint64_t v, old;
    std::memcpy(&v, s + i, sizeof v);
    std::memcpy(&old, d + 4 * size_t(i), sizeof old);
    v = rgbaPair(v);
    differ |= v ^ old;
    std::memcpy(d + 4 * size_t(i), &v, sizeof v);
  }
  if (i < n) {
    const uint32_t v = uint32_t(rgbaPair(s[i]));
    uint32_t old;
    std::memcpy(&old, d + 4 * size_t(i), sizeof old);
    differ |= v ^ old;
    std::memcpy(d + 4 * size_t(i), &v, sizeof v);
  }
  return differ != 0;
}

}  // namespace

void addRunReference(RasterKernels& k) {
  k.run = {fillLongsLiteral, copyLongsLiteral,  fadePixelsLiteral, opaqueLiteral,
           keyBlackLiteral,  greyLevelsLiteral, rgbaLiteral,       clearBlackLiteral};
}

void addRunPortable(RasterKernels& k) {
  k.run = {fillWide,        copyBlock,          fadePortable, opaquePortable,
           keyBlackLiteral, greyLevelsPortable, rgbaPortable, clearBlackLiteral};
}
