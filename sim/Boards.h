// Boards built by hand or from a seed, shared by the tests, the benchmarks and the driver.
// Hand-built boards are at rest: clock not started, not busy, every empty cell dead.
#pragma once

#include "model/Puzzle.h"

// Cell index of grid coordinates, each 0 ... 4.
constexpr int cellIndex(int x, int y, int z) { return 25 * y + 5 * x + z; }

// The board of initPuzzleWithSeed(seed) with every bubble already in its cell: offsets and
// dirVec zero, no state flags, header flags 0 (the clock is not started; kPuzzleTimed clear).
void makeRestingBoard(Puzzle* p, long seed);

// A board at rest whose 125 cells are all dead (popped, burst over), header flags 0.
void makeEmptyBoard(Puzzle* p);

// Puts a live resting bubble of `color` into cell (x, y, z), replacing what was there.
void putBubble(Puzzle* p, int x, int y, int z, int color);

// Makes cell (x, y, z) dead.
void removeBubble(Puzzle* p, int x, int y, int z);

// Number of live bubbles (no kBlockPopped).
int liveCount(const Puzzle* p);

// Calls updatePuzzle until neither kPuzzleBusy nor kPuzzleStarting is set, at most maxFrames
// times; returns the number of calls made.
int runUntilRest(Puzzle* p, int maxFrames = 1000);
