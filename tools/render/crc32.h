#pragma once
// CRC-32 (the zlib/PNG polynomial 0xEDB88320, reflected, initial and final
// complement), so frame hashes can be compared with any standard tool.
#include <cstddef>
#include <cstdint>

uint32_t crc32Update(uint32_t crc, const void* data, size_t length);  // start with crc = 0
inline uint32_t crc32Of(const void* data, size_t length) { return crc32Update(0, data, length); }
