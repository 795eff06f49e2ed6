#pragma once
// A CRC-32 (reflected, no final inversion) of 32-bit words, bytes low first,
// that the kernel suites fold the reference's results into: pinned values
// then show the reference's own drift, not only fast path against reference.
#include <cstddef>
#include <cstdint>

inline uint32_t crcWords(uint32_t crc, const uint32_t* p, size_t n) {
  for (size_t i = 0; i < n; ++i)
    for (int b = 0; b < 32; b += 8) {
      crc ^= (p[i] >> b) & 0xFF;
      for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
  return crc;
}
