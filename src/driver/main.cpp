#include <cstdio>
#include <cstring>
#include "display/display.h"
#include "music/clock.h"
#include "music/music.h"
#include "raster/image.h"
int main(int argc, char** argv) {
  bool fs = !(argc > 1 && strcmp(argv[1], "w") == 0);
  std::puts("Loading...");
  initMusic();
  openOutputWindow(1280, 720, fs);
  if (fs) capturePointer(false);
  playMusic();
  playMusic();
  setMusicPosition(0.0f);
  int frames = 0;
  do {
    updateDemoTime();
    fillLongs(Screen.pixels, 1280 * 720, 0xFF000000 | uint32_t(DemoTime & 0xFF) << 16);
    for (int y = 0; y < 720; y++) putPixel(Screen, (y * 1280 / 720), y, 0xFFFFFFFF);
    presentFrame();
    frames++;
  } while (!WindowClosed && !KeyDown[KeyCodes.Escape] && DemoTime < 3000);
  printf("frames %d time %d\n", frames, DemoTime);
  fadeOutMusic();
  if (fs) capturePointer(true);
  closeOutputWindow();
  return 0;
}
