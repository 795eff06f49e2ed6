#pragma once
// Writing the show's formats: the 4-bit grey .img entry and the data pack, a
// chain of (name length byte, name, little-endian 32-bit size, data) entries.
#include <cstdint>
#include <string>
#include <vector>

#include "canvas.h"

using Bytes = std::vector<uint8_t>;

// Header: width (16-bit LE), 2 zero bytes, height (16-bit LE), 2 zero bytes;
// then every row, width div 2 bytes, high nibble = left pixel. The canvas
// width must be even (the show copies pictures in pixel pairs).
Bytes encodeImg(const Canvas& cv);

void appendPackEntry(Bytes& pack, const std::string& name, const Bytes& data);

// Writes through a temporary file renamed into place, so a reader never sees half a file.
bool writeFileAtomically(const std::string& path, const Bytes& bytes);
bool readWholeFile(const std::string& path, Bytes& bytes);
