#pragma once
// Set-up helpers shared by the effect modules: the asset checks that keep the
// unclipped blits inside their destinations, and the opaque retouch of pictures.
#include <cstdint>
#include "raster/image.h"

// The asset's file name from the asset table ("?" for an image that is not an asset).
const char* assetName(const Image& img);
// Ends the program with one fatalError line naming the asset and the broken limit
// unless minWidth <= width <= maxWidth and minHeight <= height <= maxHeight (and,
// with evenWidth, the width is even).
void checkAssetSize(const Image& img, int32_t minWidth, int32_t minHeight, int32_t maxWidth, int32_t maxHeight,
                    bool evenWidth);
// At least 2 x 2: the smallest picture the blur, the keyed and the clipped blits take.
void checkAssetMinSize(const Image& img);
// Every pixel keeps red, green and blue and gets alpha 255.
void makeOpaque(Image img);
