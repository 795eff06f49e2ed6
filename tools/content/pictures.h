#pragma once
// The 77 pictures of data.dat: names and sizes from the asset list
// (src/data/asset_list.h), and the painter of each. The sizes follow what the
// effects do with the pictures (docs/assets.md gives the reason for each one).
#include <array>

#include "canvas.h"
#include "data/asset_list.h"

struct PictureRecipe {
  const char* name;
  int width, height;
  void (*paint)(Canvas& cv, const PictureRecipe& recipe);
  int seed;  // fixed seed of the painter's chance
};

constexpr int PictureCount = AssetCount;
extern const std::array<PictureRecipe, PictureCount> Pictures;

Canvas renderPicture(const PictureRecipe& recipe);
