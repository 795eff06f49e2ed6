#pragma once
// The 77 pictures of data.dat: names in the show's load order, sizes, and the
// painter of each. The sizes follow what the effects do with the pictures
// (docs/assets.md gives the reason for each one).
#include "canvas.h"

struct PictureRecipe {
  const char* name;
  int width, height;
  void (*paint)(Canvas& cv, const PictureRecipe& recipe);
  int seed;  // fixed seed of the painter's chance
};

constexpr int PictureCount = 77;
extern const PictureRecipe Pictures[PictureCount];

Canvas renderPicture(const PictureRecipe& recipe);
