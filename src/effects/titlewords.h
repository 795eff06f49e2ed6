#pragma once
// The opening credits: seven words spelled from letter images, filled with a
// drifting noise texture where their strokes are bright, faded in one after
// another and out together, with a shared vertical jitter of at most a pixel.
#include <cstdint>
#include "raster/image.h"

constexpr int TitleWordCount = 7;

extern Image TitleWordImages[TitleWordCount];  // built once at set-up
extern Image TitleWorkImages[TitleWordCount];  // per-frame scratch
extern Image TitleNoiseImage;                  // complement of "dist.img"
extern float TitleWordLevels[TitleWordCount];  // fade levels 0..255
extern int16_t TitleJitter;                    // -1..+1, kept across passes

// Column of word i (0-based) on Screen: centred, (Screen width div 2) - (width div 2).
int32_t titleWordX(int i);
// Row of word i before the jitter.
int32_t titleWordY(int i);

void initTitleWords();
void resetTitleWords();
void jitterTitleWords();
void drawTitleWord1();
void drawTitleWord2();
void drawTitleWord3();
void drawTitleWord4();
void drawTitleWord5();
void drawTitleWord6();
void drawTitleWord7();
void freeTitleWords();
