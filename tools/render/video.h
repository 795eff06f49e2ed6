#pragma once
// Capture: the renderer's presented frames at a constant rate, with the
// soundtrack, encoded and muxed into one video file by FFmpeg's libraries.
//
// Frame k of the file is shown from k / F to (k + 1) / F seconds. The sound is
// kaz.mp3 decoded as the program decodes it: each pass of the show starts it at
// its first sample together with the pass's first frame, it plays on through the
// end fade (silence once the music has ended), and after the last frame it
// fades linearly to silence over 200 ms, as the program's shutdown does. The
// file is written under a temporary name beside the final one and renamed when
// complete; on any failure, or when the process ends early, it is removed.
#include <cstdint>
#include <string>

#include "raster/image.h"

struct VideoSettings {
  std::string path;            // the file; its extension picks the container
  std::string codec;           // "h264", "h264rgb", "ffv1", "vp9"; empty: the container's default
  int32_t crf = -1;            // constant quality; -1: the codec's default (h264rgb: qp 0, lossless)
  int32_t scale = 1;           // every pixel becomes a scale x scale block
  std::string musicPath;       // the soundtrack (kaz.mp3)
  double fps = 60.0;           // frames per second of the file
  int64_t expectedFrames = 0;  // for the progress line's estimate
  bool quiet = false;          // no progress and no summary on standard error
};

// The names --codec takes and the extensions the containers go by.
extern const char* const VideoCodecNames;  // "h264, h264rgb, ffv1 or vp9"
extern const char* const VideoContainers;  // ".mp4, .mkv, .webm or .mov"

// Checks the settings, decodes the music, opens the encoders and starts the
// temporary file. False with error set (and nothing left on disk) on failure.
bool openVideo(const VideoSettings& settings, std::string& error);
bool videoOpen();  // between openVideo and finishVideo

// Adds frame (1280 x 720 BGRA; alpha is kept by ffv1 only) and the sound up to
// its end. passStart: the music starts again from its beginning at this frame.
bool addVideoFrame(const Image& frame, bool passStart, std::string& error);

// The sound up to the end of the last frame and its 200 ms fade, the encoders
// drained, the trailer written, the file renamed to its final name; then the
// summary line (unless quiet).
bool finishVideo(std::string& error);
