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

const char* const BlitSpanNames[opCount] = {"copy", "keyed", "alpha", "mix", "add", "sub", "addOpaque"};

void runBlitSpan(const BlitSpanKernels& k, BlitSpanOp op, Color32* d, const Color32* s, uint32_t n, Color32 key,
                 uint8_t t) {
  switch (op) {
    case opCopy:
      k.copy(d, s, n & ~1u);
      break;
    case opKeyed:
      k.keyed(d, s, n, key);
      break;
    case opAlpha:
      k.alpha(d, s, n);
      break;
    case opMix:
      k.mix(d, s, n, t);
      break;
    case opAdd:
      k.add(d, s, n);
      break;
    case opSub:
      k.sub(d, s, n);
      break;
    case opAddOpaque:
      k.addOpaque(d, s, n);
      break;
    default:
      break;
  }
}
