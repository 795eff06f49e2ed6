#pragma once
// The asset pack: a chain of entries (name length byte, name, little-endian
// 32-bit size, data) with no header or index. Failures go to the log and to
// standard output, and end the program with status 1.
#include <cstdint>
#include <string>
#include <vector>

using TfileContent = std::vector<uint8_t>;

// The largest data file the program reads (whole, into memory): far above the
// show's own pack of a few MB; the format itself stops at 4 GiB.
constexpr uint64_t MaxPackBytes = uint64_t(1) << 30;

// Reads the whole pack; refuses what is not a regular file ("Data file <path>
// is not a regular file") and files beyond MaxPackBytes ("Data file <path> is
// larger than 1 GiB").
void openDataPack(const std::string& path);
// Position of the named entry's size field; names compare as exact byte strings.
uint32_t findPackEntry(const std::string& name);
void readPackFile(const std::string& name, TfileContent& content);
// The named entry's bytes inside the open pack, without a copy; valid until the
// pack is closed. Fails as readPackFile does.
const uint8_t* packFileData(const std::string& name, size_t& size);
void closeDataPack();
