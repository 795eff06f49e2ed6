// The renderer without FFmpeg's libraries (a machine set up by ./demo, which
// installs only what the show needs): --video says what is missing.
#include "video.h"

const char* const VideoCodecNames = "h264, h264rgb, ffv1 or vp9";
const char* const VideoContainers = ".mp4, .mkv, .webm or .mov";

bool openVideo(const VideoSettings&, std::string& error) {
  error =
      "--video: this morvex-render was built without FFmpeg's libraries; install libavformat-dev, "
      "libavcodec-dev, libavutil-dev, libswscale-dev and libswresample-dev (./check does) and build again";
  return false;
}

bool videoOpen() { return false; }

bool addVideoFrame(const Image&, bool, std::string& error) {
  error = "--video is not available";
  return false;
}

bool finishVideo(std::string& error) {
  error = "--video is not available";
  return false;
}
