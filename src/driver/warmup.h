#pragma once
// Start-up warm-up for engines that compile code in tiers. A WebAssembly engine
// runs a function's first calls in quickly made baseline code and swaps in
// optimized code only after the function has run a while; a call already under
// way stays in the baseline code. Without a warm-up every routine's first
// frame pays for that: the first turned picture took 6 ms in node against
// 0.8 ms natively. warmUpDrawingCode runs the raster routines of the active
// level (every kernel family, each mode of the stretched and turned blits) and
// the polygon filler's routines (edges, rows, the depth clear) on scratch pixels of its own, so the engine
// has optimized them before the show's first frame.
//
// It reads and writes only its own scratch buffers: never Screen, the pictures,
// the pack, the random generator, the clock or any module's state, so the
// frames of the show are the same with it or without it.
#include <cstdint>

// Rounds of every routine; each round draws about 12 500 pixels per routine.
constexpr int32_t WarmUpRounds = 20;

// Rounds stop once capMs have passed (the show's start waits for them; on a
// slow engine the rest warms up in the show's first frames as before).
constexpr double WarmUpCapMs = 80.0;

// Returns the milliseconds it took (steady clock).
double warmUpDrawingCode(int32_t rounds = WarmUpRounds, double capMs = WarmUpCapMs);
