// Hand-built solver boards; see SolverBoards.h for what each one is known to hold.
#include "sim/SolverBoards.h"

#include "sim/Boards.h"

namespace {

// The bottom layer of the no-move board: row x, column z; '.' is an empty cell, a digit the
// colour index. Found by an exhaustive walk over every board that turns and falls can reach
// from it (244 of them, none with a pair); the solver tests repeat that walk.
// clang-format off
const char* const kNoMoveLayer[kGridSize] = {
    "1.42.",
    ".5.31",
    "..656",
    "..042",
    "2..30",
};
// clang-format on

} // namespace

void makeNoMoveBoard(Puzzle* p) {
    makeEmptyBoard(p);
    for (int x = 0; x < kGridSize; ++x)
        for (int z = 0; z < kGridSize; ++z)
            if (kNoMoveLayer[x][z] != '.') putBubble(p, x, 0, z, kNoMoveLayer[x][z] - '0');
}

void makePairBoard(Puzzle* p) {
    makeNoMoveBoard(p);
    putBubble(p, 0, 0, 2, kColorGreen); // was purple; its +z neighbour is green
}

void makeOneTurnBoard(Puzzle* p) {
    makeEmptyBoard(p);
    putBubble(p, 2, 0, 0, kColorYellow);
    putBubble(p, 2, 0, 2, kColorBlue);
    putBubble(p, 2, 1, 2, kColorYellow);
}
