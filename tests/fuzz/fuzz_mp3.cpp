// The MP3 loading path of the audio back end on arbitrary file bytes, through
// OpenAL Soft's null output: every file becomes a stream or a refusal with one
// of the back end's codes. A stream is then played, positioned and read.
#include <cstdlib>

#include "fuzz/fuzz_support.h"
#include "music/music.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("ALSOFT_DRIVERS", "null", 1);
  setenv("ALSOFT_LOGLEVEL", "0", 1);
  prepareHarness();
  if (!audioInit(-1, 44100, 0)) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string file = inputAsFile(data, size);
  const uint32_t stream = audioStreamCreateFile(false, file.c_str(), 0, 0, 0);
  if (stream == 0) {
    const int32_t code = audioErrorGetCode();
    if (code < AudioErrorFileOpen || code > AudioErrorBuffer) __builtin_trap();
    return 0;
  }
  audioChannelPlay(stream, false);
  audioChannelSetPosition(stream, audioChannelSeconds2Bytes(stream, 0.0), AudioPosByte);
  const uint64_t position = audioChannelGetPosition(stream, AudioPosByte);
  if (audioChannelBytes2Seconds(stream, position) < 0.0) __builtin_trap();
  if (!audioStreamFree(stream)) __builtin_trap();
  return 0;
}
