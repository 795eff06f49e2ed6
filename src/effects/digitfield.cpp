#include "effects/digitfield.h"

#include "data/assets.h"
#include "display/screen.h"
#include "effects/setupchecks.h"
#include "music/chance.h"
#include "music/clock.h"
#include "raster/blit.h"
#include "raster/exactround.h"
#include "raster/numeric.h"

Image DigitFieldImage;
Image DigitStripImage;
int32_t DigitSpacing = 12;
int32_t DigitScrollS = 720;
int32_t DigitTopRow = 719;
bool DigitStripTaken = false;
int32_t DigitLastStep = 0;
uint32_t DigitRandomState = 0;

namespace {

const char* const PiText = "3.141592653589793238462643383279502884197169399375105820974944592307816406286";

constexpr int32_t FieldWidth = 1280;
constexpr int32_t FieldHeight = 720;
constexpr int32_t FieldRows = DigitFieldRows;
constexpr int32_t FieldColumns = 106;  // k = 0 .. 105
constexpr int32_t StripHeight = 384;
constexpr int32_t BandCount = 26;
constexpr int32_t BandRows = 14;
constexpr int32_t BandTop = 352;  // screen row of band 0
constexpr int32_t LastTypingTime = 25380;

int32_t bandStart(int32_t k) {
  if (k < 24) return 24320 + 40 * k;
  return k == 24 ? 25300 : 25340;
}

// Band k of the field, opaque, to screen rows 352 + 14 k .. +13, columns 0..1278.
void revealDigitBand(int32_t k) {
  for (int32_t i = 0; i < BandRows; ++i) {
    const Color32* src = DigitFieldImage.pixels + uint32_t(BandRows * k + i) * uint32_t(DigitFieldImage.width);
    Color32* dst = Screen.pixels + uint32_t(BandTop + BandRows * k + i) * uint32_t(Screen.width);
    copyOpaque(src, dst, 1279);
  }
}

// The field shifted down by S rows and wrapped, from screen row R on, lifted by
// three rows while R > 3; column 1279 is never written.
void drawDigitField() {
  const int32_t lift = DigitTopRow > 3 ? 3 : 0;
  if (DigitTopRow > 719) return;
  for (int32_t y = DigitTopRow; y <= 719; ++y) {
    int32_t v = (y - DigitScrollS) % FieldHeight;
    if (v < 0) v += FieldHeight;
    const Color32* src = DigitFieldImage.pixels + uint32_t(v) * uint32_t(DigitFieldImage.width);
    Color32* dst = Screen.pixels + uint32_t(y - lift) * uint32_t(Screen.width);
    copyOpaque(src, dst, 1279);
  }
}

}  // namespace

uint32_t digitRandom(uint32_t n) {
  // Linear congruential generator; the high half of state * n is uniform in 0..n-1.
  DigitRandomState = DigitRandomState * 134775813u + 1u;
  return uint32_t((uint64_t(DigitRandomState) * n) >> 32);
}

// j * 14.1L rounds to the same integer as the exact 141 j / 10, ties to even: a
// non-tie is at least 0.1 from a half, far beyond the error of 14.1L, and at
// the ties (j = 5, 15, ..., 45) j times the error of 14.1L stays below half a
// unit of the product in the 64-bit mantissa of x86's extended format (and in
// the 113-bit or 53-bit long double of other processors), so the product is
// the exact half there too. Integers give that result on every platform.
int32_t digitFieldRowY(int32_t j) { return roundDivEven(int64_t(j) * 141, 10); }

uint8_t digitIndexAt(uint8_t n) { return uint8_t(PiText[n - 1] - '0'); }

void initDigitField() {
  // The digits are blitted unclipped up to column 1265 of the field and 1264 of
  // the line, and down to row 705: 15 x 15 at most, even widths for blitImage.
  for (Image& digit : DigitImages) checkAssetSize(digit, 2, 2, 15, 15, true);
  checkAssetSize(DotImage, 2, 2, 15, 15, true);

  DigitRandomState = showRandomSeed();  // the clock in the program, fixed in the tools
  for (Image& digit : DigitImages) makeOpaque(digit);
  makeOpaque(DotImage);

  AllocImage(DigitStripImage, FieldWidth, StripHeight);
  AllocImage(DigitFieldImage, FieldWidth, FieldHeight);
  for (int32_t j = 0; j < FieldRows; ++j) {
    const int32_t y = digitFieldRowY(j);
    for (int32_t k = 0; k < FieldColumns; ++k) {
      const uint32_t d = digitRandom(9);  // the digit 9 never occurs in the field
      blitImage(DigitFieldImage, 12 * k + 5, y, DigitImages[d]);
    }
  }
}

void resetDigitField() {
  DigitSpacing = 12;
  DigitScrollS = 720;
  DigitTopRow = 719;
  DigitStripTaken = false;
  DigitLastStep = 0;
}

void drawDigitLine() {
  const int32_t x0 = Screen.width - 544;
  const int32_t y0 = Screen.height - 384;
  const int32_t t = DemoTime;
  if (t >= 22720 && t <= LastTypingTime) blitImage(Screen, x0, y0, DigitImages[3]);
  if (t >= 23120 && t <= LastTypingTime) blitImage(Screen, x0 + DigitSpacing, y0, DotImage);
  if (t >= 23480 && t <= LastTypingTime) {
    blitImage(Screen, x0 + 2 * DigitSpacing, y0, DigitImages[1]);
    blitImage(Screen, x0 + 3 * DigitSpacing, y0, DigitImages[4]);
  }
  if (t >= 24200 && t <= LastTypingTime) {
    for (int32_t n = 5; n <= 45; ++n)
      blitImage(Screen, x0 + (n - 1) * DigitSpacing, y0, DigitImages[digitIndexAt(uint8_t(n))]);
  }
  for (int32_t k = 0; k < BandCount; ++k)
    if (bandStart(k) <= t && t <= LastTypingTime) revealDigitBand(k);
  if (t >= 25340 && !DigitStripTaken) {
    DigitStripTaken = true;
    grabImage(DigitStripImage, 0, 336, Screen);
  }
  if (t >= 25380) blitClipped(Screen, 0, DigitScrollS - StripHeight, DigitStripImage);
}

void scrollDigitField() {
  if (DigitTopRow < 0) DigitTopRow = 0;
  drawDigitField();
  const int32_t q = (DemoTime - 25500) / 4;  // truncating towards zero
  if (q - DigitLastStep > 12) {
    DigitScrollS = 720 - q;
    DigitLastStep = q;
    if (DigitTopRow > 0) DigitTopRow = 720 - q;
  }
}

void freeDigitField() {
  freeImage(DigitStripImage);
  freeImage(DotImage);
  for (Image& digit : DigitImages) freeImage(digit);
  freeImage(DigitFieldImage);
}
