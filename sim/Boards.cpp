// Boards built by hand or from a seed for the tests, the benchmarks and the driver.
#include "sim/Boards.h"

#include <cstring>

void makeRestingBoard(Puzzle* p, long seed) {
    initPuzzleWithSeed(p, seed);
    for (Block& b : p->blocks) {
        b.state.flags = 0;
        std::memset(b.state.offset, 0, sizeof b.state.offset);
        std::memset(b.state.dirVec, 0, sizeof b.state.dirVec);
    }
    p->flags = 0;
}

void makeEmptyBoard(Puzzle* p) {
    makeRestingBoard(p, 0);
    for (Block& b : p->blocks) b.state.flags = kBlockPopped;
}

void putBubble(Puzzle* p, int x, int y, int z, int color) {
    BlockState& s = p->blocks[cellIndex(x, y, z)].state;
    std::memset(&s, 0, sizeof s);
    s.color = color;
    s.scale[0] = s.scale[1] = s.scale[2] = 1.0f;
}

void removeBubble(Puzzle* p, int x, int y, int z) {
    p->blocks[cellIndex(x, y, z)].state.flags = kBlockPopped;
}

int liveCount(const Puzzle* p) {
    int n = 0;
    for (const Block& b : p->blocks) n += isLive(b.state) ? 1 : 0;
    return n;
}

int runUntilRest(Puzzle* p, int maxFrames) {
    int frames = 0;
    while (frames < maxFrames && (p->flags & (kPuzzleBusy | kPuzzleStarting))) {
        updatePuzzle(p);
        ++frames;
    }
    return frames;
}
