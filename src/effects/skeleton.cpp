#include "effects/skeleton.h"

#include "data/assets.h"
#include "display/screen.h"
#include "effects/keyed.h"
#include "music/clock.h"
#include "raster/stretch.h"

Image SkeletonBones;
int32_t SkeletonDrift;

void initSkeleton() {
  requireMinSize(SkeletonImage, "skeleton.img", 2, 2);
  buildKeyedPicture(SkeletonBones, SkeletonImage, 304, 304);
}

void resetSkeleton() { SkeletonDrift = 0; }

static void addSkeleton() {
  const int32_t d = SkeletonDrift;
  stretchBlitAdd(Screen, 488 - d, 227 - d, 792 + d, 500 + d, SkeletonBones);
}

void drawSkeleton() {
  // Accumulated once per frame: the growth is a sum over the frames drawn.
  SkeletonDrift += (DemoTime - 44600) / 16;
  addSkeleton();
}

void drawSkeletonReturn() {
  // Shrinks from wherever the first window left the drift.
  SkeletonDrift -= (DemoTime - 45360) / 32;
  addSkeleton();
}

void drawSkeletonReprise() {
  SkeletonDrift = (DemoTime - 68480) / 16;
  const int32_t d = SkeletonDrift;
  stretchBlitKeyed(Screen, 860 - d, 300 - d, 860 + SkeletonBones.width + d, 300 + SkeletonBones.height + d, 0,
                   SkeletonBones);
}

void freeSkeleton() { freeImage(SkeletonBones); }
