#pragma once
// Small utilities shared across the show.
#include <cstdint>
#include <string>
#include <vector>

bool fileExists(const std::string& name);  // symbolic links followed
void deleteFile(const std::string& name);  // on failure: "<name>: <reason>" on standard error, status 1
std::string intToText(int32_t i);
char* toCString(const std::string& s);  // new[] copy with a terminator; caller delete[]s
// Decimal value of text; characters that stop the conversion are deleted and the
// conversion repeated. A text without digits gives 0.
int32_t parseDigits(std::string text);
float signOf(float x);            // -1 if x < 0, else 1 (NaN too)
float angleOf(float y, float x);  // atan(y / x) (+ pi when x < 0), +-pi/2 when x = 0 or NaN
float degToRad(float d);          // d * (pi / 180), factor in extended precision
void swapInts(int32_t& a, int32_t& b);
void* identityPointer(void* p);
// Folder of the running executable (its real path), ending in "/".
std::string executableDirectory();

// The files the program reads whole (the asset pack, the music) are read
// through one gate: only a regular file (a FIFO would block forever, a device
// such as /dev/zero never ends, a folder is no file) of at most maxBytes, so
// neither hangs nor exhausts memory. On failure bytes is empty and errno keeps
// the system's reason for Open and Read.
enum class InputFileProblem { Ok, Open, NotRegular, TooLarge, Read };
InputFileProblem readInputFile(const std::string& path, uint64_t maxBytes, std::vector<uint8_t>& bytes);
// A whole file in one buffer of allocateBulk (data/bulk.h): a large file lands
// on 2 MiB pages, read straight into place. Empty (data nil) until read.
struct BulkFile {
  uint8_t* data = nullptr;
  size_t size = 0;
};
// The same gate; on failure file is empty.
InputFileProblem readInputFile(const std::string& path, uint64_t maxBytes, BulkFile& file);
// Releases the buffer; file is empty afterwards.
void releaseBulkFile(BulkFile& file);
// A size limit as people say it: "1 GiB", "256 MiB", "4096 bytes".
std::string byteSizeText(uint64_t bytes);
