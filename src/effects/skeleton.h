#pragma once
// Skeleton: "skeleton.img" stretched into a rectangle that grows and shrinks
// about a fixed centre by a drift accumulated frame by frame (so its size depends
// on the frame rate), and later grows keyed at another place.
#include <cstdint>
#include "raster/image.h"

extern Image SkeletonBones;    // 304 x 304 keyed picture
extern int32_t SkeletonDrift;  // pixels added on every side of the base rectangle

void initSkeleton();
// SkeletonDrift = 0, at the start of every pass.
void resetSkeleton();
// Drift += (DemoTime - 44600) div 16 per frame; base rectangle (488, 227)-(792, 500), added.
void drawSkeleton();
// Drift -= (DemoTime - 45360) div 32 per frame; the same rectangle, added.
void drawSkeletonReturn();
// Drift = (DemoTime - 68480) div 16; square (860, 300)-(1164, 604) widened by it, keyed.
void drawSkeletonReprise();
void freeSkeleton();
