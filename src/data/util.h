#pragma once
// Small utilities shared across the show.
#include <cstdint>
#include <string>

bool fileExists(const std::string& name);  // symbolic links followed
void deleteFile(const std::string& name);  // on failure: "<name>: <reason>" on standard error, status 1
std::string intToText(int32_t i);
char* toCString(const std::string& s);  // new[] copy with a terminator; caller delete[]s
// Decimal value of text; characters that stop the conversion are deleted and the
// conversion repeated. A text without digits gives 0.
int32_t parseDigits(std::string text);
float signOf(float x);           // -1 if x < 0, else 1 (NaN too)
float angleOf(float y, float x); // atan(y / x) (+ pi when x < 0), +-pi/2 when x = 0 or NaN
float degToRad(float d);         // d * (pi / 180), factor in extended precision
void swapInts(int32_t& a, int32_t& b);
void* identityPointer(void* p);
// Folder of the running executable (its real path), ending in "/".
std::string executableDirectory();
