#pragma once
// The digit field: types the first 45 characters of pi as a line of digit images,
// uncovers a field of random digits below it in 26 bands, snapshots the lower part
// of the screen and scrolls the snapshot away while the random field scrolls under
// it for the rest of the show.
#include <cstdint>
#include "raster/image.h"

extern Image DigitFieldImage;  // 1280 x 720 of random digits 0..8, built once
extern Image DigitStripImage;  // 1280 x 384 snapshot of screen rows 336..719
extern int32_t DigitSpacing;   // 12: distance between the characters of the line
extern int32_t DigitScrollS;   // 720: the field is drawn shifted down by S rows
extern int32_t DigitTopRow;    // 719: first screen row (before the lift) of the field
extern bool DigitStripTaken;   // the snapshot has been taken in this pass
extern int32_t DigitLastStep;  // scroll clock value at the last scroll step

// The general pseudo-random generator: state, and a uniform draw from 0 to n - 1.
extern uint32_t DigitRandomState;
uint32_t digitRandom(uint32_t n);

constexpr int32_t DigitFieldRows = 51;  // j = 0 .. 50
// Row of field row j: j * 14.1 in extended precision, rounded to nearest even;
// worked out exactly in integers (see digitfield.cpp).
int32_t digitFieldRowY(int32_t j);
// Value of the n-th character (1-based) of the expansion text.
uint8_t digitIndexAt(uint8_t n);

void initDigitField();
void resetDigitField();
void drawDigitLine();
void scrollDigitField();
void freeDigitField();
