// Whole-board invariants, checked after every step of the game-playing tests and the driver.
#pragma once

#include <string>

#include "model/Puzzle.h"

// Returns an empty string when the board is consistent, else what is wrong:
// - the cells' fixed fields (origin, friends, shadowIndex) match the grid and links are symmetric;
// - every state's flags use known bits only, no popped bubble is selected, live colours are 0 ... 6;
// - the header's flags use known bits only and both angle sets stay in [0, 360);
// - at rest (neither kPuzzleBusy nor kPuzzleStarting) both angle sets are 0 and no bubble moves;
// - when no up/down turn is under way, no live bubble hangs over a dead
//   cell (a bursting one may, until its burst ends).
std::string validatePuzzle(const Puzzle& p);

// Live bubbles (no kBlockPopped) of each colour.
struct ColorCounts {
    int count[kNumColors];
};
ColorCounts liveColorCounts(const Puzzle& p);
