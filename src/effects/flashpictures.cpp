#include "effects/flashpictures.h"

#include "data/assets.h"
#include "display/screen.h"
#include "effects/keyed.h"
#include "effects/setupchecks.h"
#include "music/clock.h"
#include "raster/blit.h"
#include "raster/filter.h"
#include "raster/stretch.h"

Image BrainPicture, BrainNegativePicture, Noirose1Picture, Noiroze2Picture, Platine1Picture, Platine2Picture,
    Platine3Picture, Platine4Picture, Platine5Picture, StarPicture, Dirka1Picture, Dirka2Picture, Wolke1Picture,
    Wolke2Picture, Sintable1Picture, Sintable2Picture, LobotomPicture, Sintable3Picture, Sintable3TallPicture,
    LobotomiPicture, KrukPicture, LineykaPicture, Kurukulum1Picture, Kurukulum2Picture, Synapse1Picture,
    Synapse2Picture, NetzPicture;
int32_t FlashZoomBorder = 0;

namespace {

enum class Building { Standard, Negative, TallStretch };

// Width and height 0: twice the source's width and height.
struct FlashPictureRecipe {
  Image* picture;
  Image* source;  // for the negative: the finished brain picture
  int32_t width, height;
  Building building;
};

const FlashPictureRecipe Pictures[] = {
    {&BrainPicture, &BrainImage, 1280, 720, Building::Standard},
    {&BrainNegativePicture, &BrainPicture, 1280, 720, Building::Negative},
    {&Noirose1Picture, &Noirose1Image, 1280, 720, Building::Standard},
    {&Noiroze2Picture, &Noiroze2Image, 1280, 720, Building::Standard},
    {&Platine1Picture, &Platine1Image, 1280, 720, Building::Standard},
    {&Platine2Picture, &Platine2Image, 1280, 720, Building::Standard},
    {&Platine3Picture, &Platine3Image, 1280, 720, Building::Standard},
    {&Platine4Picture, &Platine4Image, 1280, 720, Building::Standard},
    {&Platine5Picture, &Platine5Image, 1280, 720, Building::Standard},
    {&StarPicture, &StarImage, 620, 720, Building::Standard},
    {&Dirka1Picture, &Dirka1Image, 1280, 720, Building::Standard},
    {&Dirka2Picture, &Dirka2Image, 1280, 720, Building::Standard},
    {&Wolke1Picture, &Wolke1Image, 1280, 720, Building::Standard},
    {&Wolke2Picture, &Wolke2Image, 1280, 720, Building::Standard},
    {&Sintable1Picture, &Sintable1Image, 1280, 230, Building::Standard},
    {&Sintable2Picture, &Sintable2Image, 1280, 230, Building::TallStretch},
    {&LobotomPicture, &LobotomImage, 1280, 720, Building::Standard},
    {&Sintable3Picture, &Sintable3Image, 1280, 230, Building::Standard},
    {&Sintable3TallPicture, &Sintable3Image, 1280, 460, Building::Standard},
    {&LobotomiPicture, &LobotomiImage, 1280, 720, Building::Standard},
    {&KrukPicture, &KrukImage, 1280, 720, Building::Standard},
    {&LineykaPicture, &LineykaImage, 1280, 720, Building::Standard},
    {&Kurukulum1Picture, &Kurukulum1Image, 0, 0, Building::Standard},
    {&Kurukulum2Picture, &Kurukulum2Image, 0, 0, Building::Standard},
    {&Synapse1Picture, &Synapse1Image, 0, 0, Building::Standard},
    {&Synapse2Picture, &Synapse2Image, 0, 0, Building::Standard},
    {&NetzPicture, &NetzImage, 0, 0, Building::Standard},
};

void buildFlashPicture(const FlashPictureRecipe& recipe) {
  Image& pic = *recipe.picture;
  const Image& src = *recipe.source;
  switch (recipe.building) {
    case Building::Standard:
      if (recipe.width == 0)
        buildKeyedPicture(pic, src, 2 * src.width, 2 * src.height);
      else
        buildKeyedPicture(pic, src, recipe.width, recipe.height);
      break;
    case Building::Negative:
      // Transparent black becomes opaque white, opaque colours transparent.
      AllocImage(pic, uint32_t(recipe.width), uint32_t(recipe.height));
      copyLongs(src.pixels, pic.pixels, uint32_t(recipe.width * recipe.height));
      invertImage(pic);
      blurImage(pic);
      break;
    case Building::TallStretch:
      // Stretched three rows past the picture's bottom; those rows are clipped.
      AllocImage(pic, uint32_t(recipe.width), uint32_t(recipe.height));
      stretchBlit(pic, 0, 0, 1279, 232, src);
      blurImage(pic);
      keyBlackTransparent(pic);
      break;
  }
}

}  // namespace

void initFlashPictures() {
  for (const FlashPictureRecipe& recipe : Pictures) {
    if (recipe.building == Building::Negative) continue;
    checkAssetMinSize(*recipe.source);
    // Width and height 0: the picture is the asset at twice its size.
    if (recipe.width == 0)
      requireWorkSize(*recipe.source, assetName(*recipe.source), 2 * int64_t(recipe.source->width),
                      2 * int64_t(recipe.source->height));
  }
  for (const FlashPictureRecipe& recipe : Pictures) buildFlashPicture(recipe);
}

void freeFlashPictures() {
  for (const FlashPictureRecipe& recipe : Pictures) freeImage(*recipe.picture);
}

void flashBrain() { blitImageKeyed(Screen, 0, 0, BrainPicture, 0); }
void flashNoirose1() { blitImageKeyed(Screen, 0, 0, Noirose1Picture, 0); }
void flashNoiroze2() { blitImageKeyed(Screen, 0, 0, Noiroze2Picture, 0); }
void flashPlatine1() { blitImageKeyed(Screen, 0, 0, Platine1Picture, 0); }
void flashPlatine2() { blitAdd(Screen, 0, 0, Platine2Picture); }
void flashPlatine3() { blitAdd(Screen, 0, 0, Platine3Picture); }
void flashPlatine4() { blitAdd(Screen, 0, 0, Platine4Picture); }
void flashPlatine5() { blitAdd(Screen, 0, 0, Platine5Picture); }
void flashStar() { blitClippedKeyed(Screen, 329, -10, StarPicture, 0); }
void flashDirka1() { blitAdd(Screen, 0, 0, Dirka1Picture); }
void flashDirka2() { blitAdd(Screen, 0, 0, Dirka2Picture); }
void flashWolke1() { blitAdd(Screen, 0, 0, Wolke1Picture); }
void flashSintable1() { blitAdd(Screen, 0, 0, Sintable1Picture); }
void flashSintable2() { blitAdd(Screen, 0, 480, Sintable2Picture); }
void flashLobotom() { blitAdd(Screen, 0, 0, LobotomPicture); }
void flashSintable3() { blitAdd(Screen, 0, 480, Sintable3Picture); }
void flashSintableTallA() { blitClippedAdd(Screen, -100, 20, Sintable3TallPicture); }
void flashSintableTallB() { blitClippedAdd(Screen, 0, 100, Sintable3TallPicture); }

void flickerLobotomi() {
  const int32_t t = DemoTime;
  if ((t >= 56585 && t <= 56647) || (t >= 56777 && t <= 57031)) return;
  blitClippedAdd(Screen, 0, 0, LobotomiPicture);
}

void flashWolke2() { blitAdd(Screen, 0, 0, Wolke2Picture); }
void flashKruk() { blitAdd(Screen, 0, 0, KrukPicture); }

void zoomLineyka() {
  const int32_t b = (DemoTime - 63040) / 2;  // truncating towards zero
  FlashZoomBorder = b;
  stretchBlitAdd(Screen, -b, -b, 1280 + b, 720 + b, LineykaPicture);
}

void flashKurukulum1() { blitClippedKeyed(Screen, 32, 100, Kurukulum1Picture, 0); }
void flashKurukulum2() { blitClippedKeyed(Screen, 32, 100, Kurukulum2Picture, 0); }
void flashSynapse1() { blitClippedKeyed(Screen, 0, 0, Synapse1Picture, 0); }
void flashSynapse2() { blitClippedKeyed(Screen, 0, 0, Synapse2Picture, 0); }

void zoomLobotom() {
  const int32_t s = (DemoTime - 67040) / 6;  // truncating towards zero
  FlashZoomBorder = s;
  stretchBlitAdd(Screen, -s, -s, LobotomPicture.width + s, LobotomPicture.height + s, LobotomPicture);
}

void flashSintable3Top() { blitClippedKeyed(Screen, 0, 0, Sintable3Picture, 0); }
void flashBrainNegative() { blitSub(Screen, 0, 0, BrainNegativePicture); }

void flashNetz() { blitClippedKeyed(Screen, Screen.width / 2 - NetzPicture.width / 2, 0, NetzPicture, 0); }
