#include "e2e/sound_match.h"

#include <mpg123.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

constexpr size_t BlockFrames = 4410;  // 100 ms
constexpr size_t KeyFrames = 32;      // frames compared before a whole block is

bool sameFrames(const int16_t* a, const int16_t* b, size_t frames) {
  return std::memcmp(a, b, frames * 2 * sizeof(int16_t)) == 0;
}

bool silent(const int16_t* s, size_t frames) {
  for (size_t i = 0; i < 2 * frames; i++)
    if (std::abs(int(s[i])) > 64) return false;
  return true;
}

}  // namespace

std::vector<int16_t> decodeMp3(const std::string& path) {
  std::vector<int16_t> out;
  mpg123_init();
  int err = MPG123_OK;
  mpg123_handle* mh = mpg123_new(nullptr, &err);
  if (mh == nullptr) return out;
  mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0.0);
  mpg123_format_none(mh);
  mpg123_format(mh, 44100, MPG123_STEREO, MPG123_ENC_SIGNED_16);
  if (mpg123_open(mh, path.c_str()) != MPG123_OK) {
    mpg123_delete(mh);
    return out;
  }
  unsigned char block[32768];
  for (;;) {
    size_t done = 0;
    const int ret = mpg123_read(mh, block, sizeof block, &done);
    const size_t old = out.size();
    out.resize(old + done / sizeof(int16_t));
    std::memcpy(out.data() + old, block, done / sizeof(int16_t) * sizeof(int16_t));
    if (ret != MPG123_OK && ret != MPG123_NEW_FORMAT) break;
  }
  mpg123_delete(mh);
  return out;
}

SoundMatch matchSound(const std::vector<int16_t>& track, const std::vector<int16_t>& recording, double fromMs,
                      double toMs) {
  SoundMatch m;
  const size_t trackFrames = track.size() / 2, recFrames = recording.size() / 2;
  size_t cursor = 0;  // recording frame after the last intact block
  bool haveOffset = false;
  int64_t offset = 0;  // recording frame - track frame of the last intact block
  size_t firstIntact = 0, lastIntactEnd = 0, firstTrack = 0, lastTrackEnd = 0;
  for (size_t b = size_t(fromMs * 44.1); b + BlockFrames <= trackFrames && double(b) / 44.1 < toMs; b += BlockFrames) {
    const int16_t* want = &track[2 * b];
    if (silent(want, BlockFrames)) continue;
    m.blocks++;
    size_t found = SIZE_MAX;
    // Where the previous block left off, and otherwise the next place where
    // its first frames occur.
    if (haveOffset && int64_t(b) + offset >= 0) {
      const size_t at = size_t(int64_t(b) + offset);
      if (at + BlockFrames <= recFrames && sameFrames(&recording[2 * at], want, BlockFrames)) found = at;
    }
    for (size_t at = cursor; found == SIZE_MAX && at + BlockFrames <= recFrames; at++) {
      if (recording[2 * at] != want[0] || !sameFrames(&recording[2 * at], want, KeyFrames)) continue;
      if (sameFrames(&recording[2 * at], want, BlockFrames)) found = at;
    }
    if (found == SIZE_MAX) {
      m.degraded++;
      if (haveOffset && int64_t(b) + offset >= 0 && size_t(int64_t(b) + offset) + BlockFrames <= recFrames) {
        const int16_t* there = &recording[2 * size_t(int64_t(b) + offset)];
        size_t quiet = 0;
        for (size_t i = 0; i < 2 * BlockFrames; i++) quiet += there[i] == 0;
        if (quiet > BlockFrames / 2) m.silentInRecording++;
      }
      if (m.firstBadMs < 0) m.firstBadMs = double(b) / 44.1;
      if (m.badMs.size() < 20) m.badMs.push_back(double(b) / 44.1);
      continue;
    }
    if (m.intact == 0) {
      firstIntact = found;
      firstTrack = b;
    }
    m.intact++;
    offset = int64_t(found) - int64_t(b);
    haveOffset = true;
    cursor = found + BlockFrames;
    lastIntactEnd = cursor;
    lastTrackEnd = b + BlockFrames;
  }
  if (m.intact > 0) m.insertedMs = (double(lastIntactEnd - firstIntact) - double(lastTrackEnd - firstTrack)) / 44.1;
  return m;
}
