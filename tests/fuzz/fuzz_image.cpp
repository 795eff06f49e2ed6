// The .img decoder on arbitrary entry bytes. An entry is decoded or refused
// with a message; a decoded picture has the header's size, grey pixels with
// alpha equal to the grey level, and its last row left transparent black.
#include "data/assets.h"
#include "fuzz/fuzz_support.h"

namespace {

TfileContent Entry;
Image Decoded;

void decode() { decodeImage("fuzz.img", Entry, Decoded); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  prepareHarness();
  Entry.assign(data, data + size);
  if (!failsWithMessage(decode)) {
    if (Decoded.width != Entry[0] + 256 * Entry[1] || Decoded.height != Entry[4] + 256 * Entry[5]) __builtin_trap();
    const int64_t count = int64_t(Decoded.width) * Decoded.height;
    for (int64_t i = 0; i < count; ++i) {
      const Color32 c = Decoded.pixels[i];
      const uint32_t g = c & 0xFF;
      if (c != makeColor(uint8_t(g), uint8_t(g), uint8_t(g), uint8_t(g)) || g % 16 != 0) __builtin_trap();
    }
    if (Decoded.height >= 2)
      for (int32_t x = 0; x < Decoded.width; ++x)
        if (getPixel(Decoded, x, Decoded.height - 1) != 0) __builtin_trap();
  }
  freeImage(Decoded);
  return 0;
}
