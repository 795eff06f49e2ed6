#pragma once
// Internal to the filters: the portable row of the texture overlay, which the
// instruction-set kernels finish their rows with.
#include "raster/image.h"

// row[x] = texRow[columns[x]] | 0xFF000000 where the red of row[x] is >= 240.
void brightRowPortable(Color32* row, const Color32* texRow, const uint32_t* columns, uint32_t n);
