#pragma once
// Seed of the general pseudo-random generator behind the random digit field: the
// program sets it from the clock, the headless tools from their command line,
// before the effect modules are set up.
#include <cstdint>

extern uint32_t RandomSeed;
