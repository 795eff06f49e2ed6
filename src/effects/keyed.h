#pragma once
// Building blocks of the effects' prepared pictures.
#include "raster/image.h"

// Alpha 255 for every pixel, 0 where red, green and blue are all 0, so pure black
// becomes 0x00000000, the key colour of the keyed blits.
void keyBlackTransparent(Image pic);
// The standard keyed picture: AllocImage(width, height), stretchBlit of src with
// corners (0, 0) and (width - 1, height - 1), blurImage, keyBlackTransparent.
void buildKeyedPicture(Image& pic, Image src, int32_t width, int32_t height);
