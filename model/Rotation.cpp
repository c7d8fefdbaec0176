// Quarter turns of the cube: the turn request, its frame-by-frame animation and the re-gridding
// that moves the bubbles' states between the fixed cells. Standard library only; no SDL, no GL.
#include "model/Puzzle.h"

namespace {

constexpr float kQuarterTurn = 90.0f;
constexpr float kFullTurn = 360.0f;
constexpr float kTurnStep = 10.0f; // degrees per frame

constexpr int kLast = kGridSize - 1;

constexpr int cellAt(int x, int y, int z) {
    return kGridSize * kGridSize * y + kGridSize * x + z;
}

float wrapAngle(float a) {
    if (a >= kFullTurn) return a - kFullTurn;
    if (a < 0.0f) return a + kFullTurn;
    return a;
}

// Moves one axis a step toward its target along the shorter way (a tie goes straight toward
// the target), and re-grids each time the drawn angle reaches a quarter turn.
void turnAxis(Puzzle* p, int axis, int permutation) {
    const float c = p->currRot[axis];
    const float d = p->dstRot[axis];
    if (c == d) return;

    bool up;
    if (c > d) {
        up = d + (kFullTurn - c) < c - d;
    } else {
        up = !((c + kFullTurn) - d < d - c);
    }
    p->currRot[axis] = wrapAngle(up ? c + kTurnStep : c - kTurnStep);

    if (p->currRot[axis] >= kQuarterTurn) {
        swapBlocks(p, permutation);
        p->currRot[axis] -= kQuarterTurn;
        p->dstRot[axis] -= kQuarterTurn;
    }
}

} // namespace

// Scratch for swapBlocks only; the solver re-grids its boards through its own array.
static BlockState tmp[kNumBlocks];

int permutedCell(int n, int direction) {
    if (n < 0 || n >= kNumBlocks) return -1;
    const int y = n / (kGridSize * kGridSize);
    const int x = (n / kGridSize) % kGridSize;
    const int z = n % kGridSize;
    switch (direction) {
    case kDirLeft:
        return cellAt(kLast - z, y, x); // -90 degrees about y
    case kDirRight:
        return cellAt(z, y, kLast - x); // +90 degrees about y
    case kDirUp:
        return cellAt(x, kLast - z, y); // +90 degrees about x
    default:
        return cellAt(x, z, kLast - y); // -90 degrees about x
    }
}

void swapBlocks(Puzzle* p, int direction) {
    for (int y = 0; y < kGridSize; ++y) {
        for (int x = 0; x < kGridSize; ++x) {
            for (int z = 0; z < kGridSize; ++z) {
                const int n = cellAt(x, y, z);
                tmp[permutedCell(n, direction)] = p->blocks[n].state;
            }
        }
    }
    for (int n = 0; n < kNumBlocks; ++n)
        p->blocks[n].state = tmp[n];
}

void rotatePuzzle(Puzzle* p, int direction) {
    if (p->flags & kPuzzleBusy) return; // dropped, not queued
    switch (direction) {
    case kDirLeft:
        p->dstRot[2] = wrapAngle(p->dstRot[2] + kQuarterTurn);
        break;
    case kDirRight:
        p->dstRot[2] = wrapAngle(p->dstRot[2] - kQuarterTurn);
        break;
    case kDirUp:
        p->dstRot[1] = wrapAngle(p->dstRot[1] + kQuarterTurn);
        break;
    default:
        p->dstRot[1] = wrapAngle(p->dstRot[1] - kQuarterTurn);
        break;
    }
    p->flags |= kPuzzleBusy;
}

void updatePuzzleOrientation(Puzzle* p) {
    // Only permutations 0 and 3 are applied: a turn the other way passes through three of them,
    // and the drawn angle falls by a steady step throughout.
    turnAxis(p, 2, kDirLeft);
    turnAxis(p, 1, kDirDown);
}
