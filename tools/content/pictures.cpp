#include "pictures.h"

#include <utility>

#include "painters.h"

namespace {

// The painter and the seed of every picture, name for name in the order of
// the asset list, which gives the sizes.
struct Painter {
  const char* name;
  void (*paint)(Canvas& cv, const PictureRecipe& recipe);
  int seed;
};

constexpr Painter Painters[PictureCount] = {
    {"minus.img", paintLetter, 0},
    {"a.img", paintLetter, 0},
    {"c.img", paintLetter, 0},
    {"d.img", paintLetter, 0},
    {"e.img", paintLetter, 0},
    {"i.img", paintLetter, 0},
    {"k.img", paintLetter, 0},
    {"l.img", paintLetter, 0},
    {"m.img", paintLetter, 0},
    {"n.img", paintLetter, 0},
    {"o.img", paintLetter, 0},
    {"p.img", paintLetter, 0},
    {"r.img", paintLetter, 0},
    {"s.img", paintLetter, 0},
    {"t.img", paintLetter, 0},
    {"u.img", paintLetter, 0},
    {"v.img", paintLetter, 0},
    {"y.img", paintLetter, 0},
    {"logo.img", paintLogo, 0},
    {"dot.img", paintDigit, 0},
    {"0.img", paintDigit, 0},
    {"1.img", paintDigit, 0},
    {"2.img", paintDigit, 0},
    {"3.img", paintDigit, 0},
    {"4.img", paintDigit, 0},
    {"5.img", paintDigit, 0},
    {"6.img", paintDigit, 0},
    {"7.img", paintDigit, 0},
    {"8.img", paintDigit, 0},
    {"9.img", paintDigit, 0},
    {"brain.img", paintBrain, 11},
    {"noirose1.img", paintRose, 12},
    {"noiroze2.img", paintRose, 13},
    {"platine1.img", paintPlatine, 14},
    {"platine2.img", paintPlatine, 15},
    {"platine3.img", paintPlatine, 16},
    {"platine4.img", paintPlatine, 17},
    {"platine5.img", paintPlatine, 18},
    {"star.img", paintStar, 0},
    {"dirka1.img", paintDirka, 19},
    {"dirka2.img", paintDirka, 20},
    {"wolke1.img", paintWolke, 21},
    {"wolke2.img", paintWolke, 22},
    {"sintable1.img", paintSintable, 0},
    {"sintable2.img", paintSintable, 0},
    {"lobotom.img", paintLobotom, 23},
    {"sintable3.img", paintSintable, 0},
    {"lobotomi.img", paintLobotom, 24},
    {"kruk.img", paintKruk, 0},
    {"lineyka.img", paintLineyka, 0},
    {"kurukulum1.img", paintKurukulum, 0},
    {"kurukulum2.img", paintKurukulum, 0},
    {"synapse1.img", paintSynapse, 25},
    {"synapse2.img", paintSynapse, 26},
    {"3d.img", paintThreeD, 0},
    {"brainbug.img", paintBrainbug, 27},
    {"dist.img", paintDist, 28},
    {"zeptor.img", paintZeptor, 0},
    {"form1.img", paintForm, 0},
    {"form2.img", paintForm, 0},
    {"form3.img", paintForm, 0},
    {"form4.img", paintForm, 0},
    {"gitter.img", paintGitter, 0},
    {"welle.img", paintWelle, 0},
    {"graf.img", paintGraf, 0},
    {"krutit.img", paintKrutit, 0},
    {"landscape.img", paintLandscape, 29},
    {"line.img", paintLine, 30},
    {"skeleton.img", paintSkeleton, 31},
    {"spiral.img", paintSpiral, 0},
    {"infinity.img", paintInfinity, 0},
    {"voxel.img", paintVoxel, 32},
    {"wertit.img", paintWertit, 0},
    {"zifri.img", paintZifri, 33},
    {"curve.img", paintCurve, 0},
    {"end.img", paintEnd, 0},
    {"netz.img", paintNetz, 0},
};

constexpr bool sameText(const char* a, const char* b) {
  while (*a != '\0' && *a == *b) ++a, ++b;
  return *a == *b;
}

constexpr bool paintersFollowTheAssetList() {
  for (int i = 0; i < PictureCount; ++i)
    if (!sameText(Painters[i].name, AssetList[i].name)) return false;
  return true;
}
static_assert(paintersFollowTheAssetList(), "Painters must name the pictures of AssetList in its order");

template <size_t... I>
constexpr std::array<PictureRecipe, PictureCount> recipesOf(std::index_sequence<I...>) {
  return {{PictureRecipe{AssetList[I].name, AssetList[I].width, AssetList[I].height, Painters[I].paint,
                         Painters[I].seed}...}};
}

}  // namespace

const std::array<PictureRecipe, PictureCount> Pictures = recipesOf(std::make_index_sequence<PictureCount>());

Canvas renderPicture(const PictureRecipe& recipe) {
  Canvas cv = makeCanvas(recipe.width, recipe.height);
  if (recipe.paint) recipe.paint(cv, recipe);
  // The decoder never reads the last row: keep it black in the data too.
  for (int x = 0; x < cv.width; ++x) cv.v[size_t(cv.height - 1) * cv.width + x] = 0;
  return cv;
}
