#include "crc32.h"

namespace {

struct Crc32Table {
  uint32_t entries[8][256];
  Crc32Table() {
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      entries[0][i] = c;
    }
    // Slicing by eight: entries[k][i] is the CRC of byte i followed by k zero bytes.
    for (uint32_t i = 0; i < 256; ++i)
      for (int k = 1; k < 8; ++k) entries[k][i] = (entries[k - 1][i] >> 8) ^ entries[0][entries[k - 1][i] & 0xFF];
  }
};

const Crc32Table Table;

}  // namespace

uint32_t crc32Update(uint32_t crc, const void* data, size_t length) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  uint32_t c = ~crc;
  while (length >= 8) {
    const uint32_t lo = c ^ (uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
    const uint32_t hi = uint32_t(p[4]) | uint32_t(p[5]) << 8 | uint32_t(p[6]) << 16 | uint32_t(p[7]) << 24;
    c = Table.entries[7][lo & 0xFF] ^ Table.entries[6][(lo >> 8) & 0xFF] ^ Table.entries[5][(lo >> 16) & 0xFF] ^
        Table.entries[4][lo >> 24] ^ Table.entries[3][hi & 0xFF] ^ Table.entries[2][(hi >> 8) & 0xFF] ^
        Table.entries[1][(hi >> 16) & 0xFF] ^ Table.entries[0][hi >> 24];
    p += 8;
    length -= 8;
  }
  while (length--) c = Table.entries[0][(c ^ *p++) & 0xFF] ^ (c >> 8);
  return ~c;
}
