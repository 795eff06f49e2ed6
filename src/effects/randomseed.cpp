#include "effects/randomseed.h"

uint32_t RandomSeed = 1;
