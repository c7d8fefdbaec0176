// New boards and the drawn centre of a bubble. Standard library only.
#include "model/Puzzle.h"

#include <cstring>

void initPuzzleWithSeed(Puzzle* p, long seed) {
    rand48::srand48(seed);
    std::memset(p, 0, sizeof(Puzzle));
    for (int y = 0; y < kGridSize; ++y) {
        for (int x = 0; x < kGridSize; ++x) {
            for (int z = 0; z < kGridSize; ++z) {
                const int n = 25 * y + 5 * x + z;
                Block& b = p->blocks[n];
                BlockState& s = b.state;
                s.color = static_cast<std::int32_t>(rand48::lrand48() % kNumColors);
                s.scale[0] = s.scale[1] = s.scale[2] = 1.0f;
                // Every bubble starts above its cell and sinks in at a constant speed.
                s.offset[1] = static_cast<float>(10 + x + y + z);
                s.dirVec[1] = -0.5f;
                s.flags = kBlockMoving;
                b.origin[0] = b.position[0] = static_cast<float>(x - 2);
                b.origin[1] = b.position[1] = static_cast<float>(y - 2);
                b.origin[2] = b.position[2] = static_cast<float>(z - 2);
                b.friends[0] = z + 1 < kGridSize ? n + 1 : -1;
                b.friends[1] = z - 1 >= 0 ? n - 1 : -1;
                b.friends[2] = x - 1 >= 0 ? n - 5 : -1;
                b.friends[3] = x + 1 < kGridSize ? n + 5 : -1;
                b.friends[4] = y - 1 >= 0 ? n - 25 : -1;
                b.friends[5] = y + 1 < kGridSize ? n + 25 : -1;
                b.shadowIndex = 5 * x + z;
            }
        }
    }
    p->flags = kPuzzleBusy | kPuzzleStarting;
    checkSolution = 1;
    startSndRequest = 1;
}

void initPuzzle(Puzzle* p) { initPuzzleWithSeed(p, static_cast<long>(puzzleTime())); }

void calcBlockPosition(float out[3], const Block* block) {
    for (int i = 0; i < 3; ++i) out[i] = block->position[i] + block->state.offset[i];
}
