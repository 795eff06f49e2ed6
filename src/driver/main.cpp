// The program morvex: the driver's show wired to the real display (X11/GLX,
// XF86VidMode) and the real music (libmpg123 + OpenAL Soft).
#include "display/display.h"
#include "driver/show.h"
#include "music/music.h"

// The driver knows fullscreen or not; the word "s" picks which fullscreen.
static void openShowWindow(int32_t width, int32_t height, bool fullscreen) {
  openOutputWindow(width, height,
                   !fullscreen        ? WindowMode::Windowed
                   : ScaledFullscreen ? WindowMode::ScaledFullscreen
                                      : WindowMode::Fullscreen);
}

int main(int argc, char** argv) {
  static const ShowPlatform platform = {
      initMusic,      playMusic,         setMusicPosition, fadeOutMusic,
      openShowWindow, closeOutputWindow, capturePointer,   presentFrame,
  };
  runShow(platform, argc, argv);
  return 0;
}
