#include "soundtrack.h"

#include <gtest/gtest.h>
#include <mpg123.h>

#include <algorithm>
#include <string>

#include "data/util.h"
#include "driver/schedule.h"

DecodedSoundtrack decodeSoundtrack() {
  DecodedSoundtrack d;
  const std::string path = executableDirectory() + "kaz.mp3";
  EXPECT_TRUE(fileExists(path)) << path << " was not generated";
  if (mpg123_init() != MPG123_OK) return d;
  int err = 0;
  mpg123_handle* mh = mpg123_new(nullptr, &err);
  if (!mh) return d;
  mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
  if (mpg123_open(mh, path.c_str()) == MPG123_OK &&
      mpg123_getformat(mh, &d.rate, &d.channels, &d.encoding) == MPG123_OK) {
    mpg123_frameinfo info;
    if (mpg123_info(mh, &info) == MPG123_OK) d.bitrate = info.bitrate;
    std::vector<unsigned char> buf(1 << 16);
    size_t done = 0;
    while ((err = mpg123_read(mh, buf.data(), buf.size(), &done)) == MPG123_OK || err == MPG123_NEW_FORMAT ||
           (err == MPG123_DONE && done > 0)) {
      const int16_t* s = reinterpret_cast<const int16_t*>(buf.data());
      d.samples.insert(d.samples.end(), s, s + done / 2);
      if (err == MPG123_DONE) break;
    }
    mpg123_close(mh);
  }
  mpg123_delete(mh);
  return d;
}

std::vector<int32_t> scoreCuts() {
  std::vector<int32_t> cuts;
  for (int i = 0; i < EffectScheduleRows; ++i)
    if (EffectSchedule[i].From >= 34301) cuts.push_back(EffectSchedule[i].From);
  std::sort(cuts.begin(), cuts.end());
  cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
  return cuts;
}
