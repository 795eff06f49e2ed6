#pragma once
// The show's chance: timeRandom, which follows DemoTime alone and so repeats
// from run to run; the texture overlay that jumps by it; and the seed of the
// general pseudo-random generator behind the random digit field.
#include <cstdint>

#include "raster/image.h"

// 0..n from DemoTime alone: |rint(float(n) * float(((DemoTime * 314159269 +
// 453806245) mod 2^32) mod 2147483647 / 2147483647.0))|.
int32_t timeRandom(int32_t n);

// State of textureBrightPixels, kept for the whole run and never reset.
extern int32_t TexOffsetX;  // 320 at start
extern int32_t TexOffsetY;  // 200 at start
extern float TexAccum;      // FrameStep gathered since the last jump

// Pixels of dst with red >= 240 take the texture pixel at the drifting offset
// (alpha 255, see overlayBrightPixels); the offset jumps by timeRandom(16) - 8
// once interval hundredths of a second of FrameStep have gathered.
void textureBrightPixels(Image dst, Image tex, uint8_t interval);

// Seed of the general pseudo-random generator behind the random digit field.
// The program leaves RandomSeedFixed false: runShow then sets RandomSeed from the
// wall clock just before the modules' set-up, so the field differs from run to
// run. Tools and tests set RandomSeed and RandomSeedFixed = true before runShow
// so runs repeat. The digit field reads RandomSeed in its set-up; nothing else
// should seed from the clock.
extern uint32_t RandomSeed;
extern bool RandomSeedFixed;
uint32_t showRandomSeed();  // RandomSeed when fixed, otherwise a value from the wall clock
