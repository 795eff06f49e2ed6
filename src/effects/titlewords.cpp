#include "effects/titlewords.h"

#include <algorithm>
#include <cmath>

#include "data/assets.h"
#include "display/screen.h"
#include "effects/setupchecks.h"
#include "music/chance.h"
#include "music/clock.h"
#include "raster/blit.h"
#include "raster/filter.h"
#include "raster/stretch.h"

Image TitleWordImages[TitleWordCount];
Image TitleWorkImages[TitleWordCount];
Image TitleNoiseImage;
float TitleWordLevels[TitleWordCount];
int16_t TitleJitter = 0;

namespace {

// Letters sit 22 pixels apart on strips 30 pixels high.
constexpr int32_t LetterSpacing = 22;
constexpr int32_t StripHeight = 30;
constexpr int MaxLetters = 10;

struct TitleWord {
  Image* letters[MaxLetters];  // left to right, null-terminated
  int32_t width, height;       // of the word image
  bool stretched;              // false: letters placed straight into the word image
  int32_t y;                   // draw row before the jitter
  int32_t inFrom, inTo;        // fade-in sub-window; level DemoTime - (inFrom - 1)
  int32_t outFrom, outTo;      // fade-out sub-window; level 255 - (DemoTime - (outFrom - 1))
};

const TitleWord Words[TitleWordCount] = {
    {{&DImage, &AImage, &RImage, &KImage}, 176, 60, true, 176, 5241, 11880, 11881, 12199},
    {{&MImage, &OImage, &NImage, &SImage, &TImage, &RImage, &OImage, &UImage, &SImage},
     396,
     60,
     true,
     276,
     7116,
     11880,
     11881,
     12199},
    {{&CImage, &AImage, &RImage, &TImage, &OImage, &OImage, &NImage, &SImage},
     352,
     60,
     true,
     376,
     8161,
     11880,
     11881,
     12199},
    {{&PImage, &RImage, &EImage, &SImage, &EImage, &NImage, &TImage, &SImage},
     176,
     30,
     false,
     576,
     10161,
     11880,
     11881,
     12199},
    {{&AImage}, 22, 30, true, 216, 12881, 16199, 16201, 16899},
    {{&SImage, &LImage, &YImage, &MinusImage, &DImage, &OImage, &VImage, &EImage},
     352,
     60,
     true,
     276,
     13681,
     16200,
     16201,
     16899},
    {{&PImage, &RImage, &OImage, &DImage, &UImage, &CImage, &TImage, &IImage, &OImage, &NImage},
     176,
     30,
     true,
     376,
     15001,
     16200,
     16201,
     16899},
};

// The eighteen glyphs of the asset table, released by freeTitleLetters.
Image* const LetterAssets[] = {&MinusImage, &AImage, &CImage, &DImage, &EImage, &IImage, &KImage, &LImage, &MImage,
                               &NImage,     &OImage, &PImage, &RImage, &SImage, &TImage, &UImage, &VImage, &YImage};

int letterCount(const TitleWord& word) {
  int n = 0;
  while (n < MaxLetters && word.letters[n]) ++n;
  return n;
}

void placeLetters(Image target, const TitleWord& word) {
  for (int k = 0; k < letterCount(word); ++k) blitImage(target, LetterSpacing * k, 0, *word.letters[k]);
}

void buildTitleWords() {
  for (int i = 0; i < TitleWordCount; ++i) {
    const TitleWord& word = Words[i];
    Image& image = TitleWordImages[i];
    if (!word.stretched) {
      AllocImage(image, uint32_t(word.width), uint32_t(word.height));
      placeLetters(image, word);
      makeOpaque(image);
      continue;
    }
    Image strip;
    AllocImage(strip, uint32_t(LetterSpacing * letterCount(word)), StripHeight);
    placeLetters(strip, word);
    makeOpaque(strip);
    AllocImage(image, uint32_t(word.width), uint32_t(word.height));
    fillLongs(image.pixels, uint32_t(word.width * word.height), 0xFF000000u);
    stretchBlit(image, 0, 0, word.width - 1, word.height - 1, strip);
    freeImage(strip);
  }
}

void freeTitleLetters() {
  for (Image* letter : LetterAssets) freeImage(*letter);
  for (Image& image : TitleWordImages) freeImage(image);
}

void drawTitleWord(int i) {
  const TitleWord& word = Words[i];
  Image work = TitleWorkImages[i];
  copyLongs(TitleWordImages[i].pixels, work.pixels, uint32_t(work.width * work.height));

  float& level = TitleWordLevels[i];
  const int32_t t = DemoTime;
  if (t >= word.inFrom && t <= word.inTo && level < 255.0f)
    level = float(std::min(255, t - (word.inFrom - 1)));
  else if (t >= word.outFrom && t <= word.outTo && level > 0.0f)
    level = float(std::max(0, 255 - (t - (word.outFrom - 1))));

  textureBrightPixels(work, TitleNoiseImage, 64);
  const uint8_t weight = uint8_t(int32_t(std::floor(level)));
  blitMix(Screen, titleWordX(i), titleWordY(i) + TitleJitter, work, weight);
}

}  // namespace

int32_t titleWordX(int i) { return Screen.width / 2 - Words[i].width / 2; }
int32_t titleWordY(int i) { return Words[i].y; }

void initTitleWords() {
  // The letters are blitted unclipped at 22-pixel steps onto 30-pixel strips.
  for (Image* letter : LetterAssets) checkAssetSize(*letter, 2, 2, LetterSpacing, StripHeight, true);
  checkAssetMinSize(DistImage);

  AllocImage(TitleNoiseImage, uint32_t(DistImage.width), uint32_t(DistImage.height));
  copyLongs(DistImage.pixels, TitleNoiseImage.pixels, uint32_t(DistImage.width * DistImage.height));
  invertImage(TitleNoiseImage);

  buildTitleWords();
  for (int i = 0; i < TitleWordCount; ++i)
    AllocImage(TitleWorkImages[i], uint32_t(Words[i].width), uint32_t(Words[i].height));
}

void resetTitleWords() {
  for (int i = 0; i < TitleWordCount; ++i) {
    Image& work = TitleWorkImages[i];
    fillLongs(work.pixels, uint32_t(work.width * work.height), 0xFF000000u);
    TitleWordLevels[i] = 0.0f;
  }
}

void jitterTitleWords() {
  // Truncating remainder: the sign follows DemoTime - 5240.
  if ((DemoTime - 5240) % 16 != 1) return;
  TitleJitter = int16_t(TitleJitter + timeRandom(3) - 1);
  if (TitleJitter > 1) TitleJitter = 1;
  if (TitleJitter < -1) TitleJitter = -1;
}

void drawTitleWord1() { drawTitleWord(0); }
void drawTitleWord2() { drawTitleWord(1); }
void drawTitleWord3() { drawTitleWord(2); }
void drawTitleWord4() { drawTitleWord(3); }
void drawTitleWord5() { drawTitleWord(4); }
void drawTitleWord6() { drawTitleWord(5); }
void drawTitleWord7() { drawTitleWord(6); }

void freeTitleWords() {
  for (Image& work : TitleWorkImages) freeImage(work);
  freeTitleLetters();
  freeImage(TitleNoiseImage);
}
