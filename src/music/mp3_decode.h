#pragma once
// The soundtrack decoder shared by the program's audio back end and the video
// capture: libmpg123 decodes a whole MP3 file into one block of 44100 Hz
// stereo signed 16-bit samples. No output device is involved.
#include <cstdint>
#include <string>
#include <vector>

constexpr int32_t Mp3OutputRate = 44100;
constexpr int32_t Mp3OutputChannels = 2;

// Decodes the whole file into samples (interleaved left, right). Returns
// AudioOk or one of the file codes of AudioError (music/music.h):
// AudioErrorFileOpen, AudioErrorNotRegular, AudioErrorFileTooLarge,
// AudioErrorNoFormat, AudioErrorNoFrames, AudioErrorTruncated,
// AudioErrorDecode, AudioErrorTooLong (more than MaxMusicSeconds). libmpg123 opens a
// text file or a truncated MP3 without complaint, so the result is checked: a
// format must be found, at least one frame decoded, and no fewer frames than
// the file's own Xing/Info or VBRI header claims. On failure samples is empty.
int32_t decodeMp3File(const char* path, std::vector<int16_t>& samples);

// The line the program prints before "Error(<code>): Error Loading file" for a
// music file the user can put right ("Music file <path> is not a regular
// file", "... is larger than 256 MiB", "... holds more than 60 minutes of
// sound"); empty for the other codes.
std::string musicFileMessage(const std::string& path, int32_t code);
