// New boards: the game's 48-bit generator against the C library's, which follows the same POSIX
// definition; the grid's links, the starting flags and drop-in, and seeding. (The clock across
// 2038 runs whole timed games in the frame update's suite.)
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "model/Puzzle.h"

namespace {

TEST(Rand48, AgreesWithTheCLibraryForManySeeds) {
    const long seeds[] = {0, 1, 42, 1800000000, 0x7FFFFFFF, -1, -123456789, 0x123456789AL};
    for (long seed : seeds) {
        ::srand48(seed);
        rand48::srand48(seed);
        for (int i = 0; i < 1000; ++i)
            ASSERT_EQ(::lrand48(), rand48::lrand48()) << "seed " << seed << " draw " << i;
    }
}

TEST(PuzzleInit, CellsSitOnTheGridLinkedToTheirNeighbours) {
    Puzzle p;
    initPuzzleWithSeed(&p, 1);
    // Neighbour order: +z, -z, -x, +x, below, above.
    const int step[6][3] = {{0, 0, 1}, {0, 0, -1}, {-1, 0, 0}, {1, 0, 0}, {0, -1, 0}, {0, 1, 0}};
    for (int n = 0; n < kNumBlocks; ++n) {
        const int x = (n / 5) % 5, y = n / 25, z = n % 5;
        const Block& b = p.blocks[n];
        EXPECT_TRUE(b.origin[0] == float(x - 2) && b.origin[1] == float(y - 2) &&
                    b.origin[2] == float(z - 2))
            << n;
        EXPECT_EQ(b.shadowIndex, 5 * x + z) << n;
        for (int k = 0; k < 6; ++k) {
            const int nx = x + step[k][0], ny = y + step[k][1], nz = z + step[k][2];
            const bool inside = nx >= 0 && nx < 5 && ny >= 0 && ny < 5 && nz >= 0 && nz < 5;
            EXPECT_EQ(b.friends[k], inside ? 25 * ny + 5 * nx + nz : -1) << n << " " << k;
        }
    }
    resetGameGlobals();
}

TEST(PuzzleInit, NewBoardStartsBusyAndDropsInFromStaggeredHeights) {
    Puzzle p;
    std::memset(&p, 0xAB, sizeof p); // garbage must not survive
    checkSolution = startSndRequest = 0;
    initPuzzleWithSeed(&p, 99);
    EXPECT_EQ(p.flags, kPuzzleBusy | kPuzzleStarting);
    EXPECT_EQ(p.score + p.selectScore + p.frame, 0u);
    for (int n = 0; n < kNumBlocks; ++n) {
        const BlockState& s = p.blocks[n].state;
        ASSERT_EQ(s.flags, kBlockMoving);
        ASSERT_EQ(s.scale[0] * s.scale[1] * s.scale[2], 1.0f);
        ASSERT_EQ(s.offset[1], float(10 + (n / 5) % 5 + n / 25 + n % 5));
        ASSERT_EQ(s.dirVec[1], -0.5f);
    }
    EXPECT_EQ(checkSolution + startSndRequest, 2);
    float out[3];
    calcBlockPosition(out, &p.blocks[7]); // x = 1, y = 0, z = 2: 13 units up
    EXPECT_TRUE(out[0] == -1.0f && out[1] == 11.0f && out[2] == 0.0f);
    resetGameGlobals();
}

TEST(PuzzleInit, ColoursAreOneDrawPerCellSeededWithTheCalendarSecond) {
    setPuzzleClock([]() -> std::int64_t { return 1900000000; });
    Puzzle p, q;
    initPuzzle(&p);
    setPuzzleClock(nullptr);
    ::srand48(1900000000); // the C library's generator is the reference
    for (int n = 0; n < kNumBlocks; ++n)
        ASSERT_EQ(p.blocks[n].state.color, ::lrand48() % 7) << n;
    initPuzzleWithSeed(&q, 1900000000);
    EXPECT_EQ(0, std::memcmp(&p, &q, sizeof p));
    resetGameGlobals();
}

} // namespace
