#include "fixtures.h"

#include <fstream>
#include <sstream>

#include "display/screen.h"
#include "music/clock.h"

std::string readFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

void clearScreen(Color32 c) { fillLongs(Screen.pixels, uint32_t(Screen.width * Screen.height), c); }

void setTime(int32_t ms, float step) {
  DemoTime = ms;
  FrameStep = step;
}
