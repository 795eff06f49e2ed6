// The program morvex: the driver's show wired to the real display (X11/GLX,
// XF86VidMode) and the real music (libmpg123 + OpenAL Soft).
#include "display/display.h"
#include "driver/show.h"
#include "music/music.h"

int main(int argc, char** argv) {
  static const ShowPlatform platform = {
      initMusic,        playMusic,         setMusicPosition, fadeOutMusic,
      openOutputWindow, closeOutputWindow, capturePointer,   presentFrame,
  };
  runShow(platform, argc, argv);
  return 0;
}
