#pragma once
// PNG output of BGRA pictures (Color32 rows as Screen holds them). The alpha byte
// is left out: the window shows red, green and blue only.
#include <cstdint>
#include <string>

// False (with a reason in error) when the file cannot be written.
bool writePngBgra(const std::string& path, const uint32_t* pixels, int32_t width, int32_t height, int compressionLevel,
                  std::string& error);
