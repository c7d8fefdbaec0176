// New boards: the grid's links, the starting flags and drop-in, and seeding.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "model/Puzzle.h"

namespace {
std::int64_t fixedClock() { return 1900000000; }
} // namespace

TEST(PuzzleInit, CellsAreLinkedToTheirGridNeighbours) {
    Puzzle p;
    initPuzzleWithSeed(&p, 1);
    const std::int32_t f0[6] = {1, -1, -1, 5, -1, 25};
    const std::int32_t f124[6] = {-1, 123, 119, -1, 99, -1};
    const std::int32_t f62[6] = {63, 61, 57, 67, 37, 87};
    EXPECT_EQ(0, std::memcmp(p.blocks[0].friends, f0, sizeof f0));
    EXPECT_EQ(0, std::memcmp(p.blocks[124].friends, f124, sizeof f124));
    EXPECT_EQ(0, std::memcmp(p.blocks[62].friends, f62, sizeof f62));
    EXPECT_EQ(p.blocks[0].shadowIndex, 0);
    EXPECT_EQ(p.blocks[124].shadowIndex, 24);
    // Cell 37 is x = 2, y = 1, z = 2: one layer below the centre.
    EXPECT_FLOAT_EQ(p.blocks[37].origin[1], -1.0f);
    EXPECT_FLOAT_EQ(p.blocks[37].origin[0], 0.0f);
    for (int n = 0; n < kNumBlocks; ++n) {
        for (int k = 0; k < 6; ++k) {
            const int f = p.blocks[n].friends[k];
            if (f < 0) continue;
            // Neighbours lie one unit apart along one axis.
            float d = 0;
            for (int i = 0; i < 3; ++i) d += std::abs(p.blocks[f].origin[i] - p.blocks[n].origin[i]);
            EXPECT_FLOAT_EQ(d, 1.0f) << n << " -> " << f;
        }
    }
}

TEST(PuzzleInit, NewBoardStartsBusyAndDropsIn) {
    Puzzle p;
    std::memset(&p, 0xAB, sizeof p); // garbage must not survive
    checkSolution = 0;
    startSndRequest = 0;
    initPuzzleWithSeed(&p, 99);
    EXPECT_EQ(p.flags, 0x00Cu);
    EXPECT_EQ(p.score, 0u);
    EXPECT_EQ(p.selectScore, 0u);
    EXPECT_EQ(p.frame, 0u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(p.currRot[i], 0.0f);
        EXPECT_EQ(p.dstRot[i], 0.0f);
    }
    for (int n = 0; n < kNumBlocks; ++n) {
        const Block& b = p.blocks[n];
        const int x = (n / 5) % 5, y = n / 25, z = n % 5;
        ASSERT_EQ(b.state.flags, 0x040u);
        ASSERT_EQ(b.state.scale[0], 1.0f);
        ASSERT_EQ(b.state.scale[2], 1.0f);
        ASSERT_EQ(b.state.offset[1], float(10 + x + y + z));
        ASSERT_EQ(b.state.dirVec[1], -0.5f);
        ASSERT_GE(b.state.color, 0);
        ASSERT_LT(b.state.color, 7);
    }
    EXPECT_EQ(checkSolution, 1);
    EXPECT_EQ(startSndRequest, 1);
    resetGameGlobals();
}

TEST(PuzzleInit, ColoursAreOneDrawPerCellInCellOrder) {
    // The C library's generator is an independent reference for the sequence.
    Puzzle p;
    initPuzzleWithSeed(&p, 123456);
    ::srand48(123456);
    for (int n = 0; n < kNumBlocks; ++n) ASSERT_EQ(p.blocks[n].state.color, ::lrand48() % 7) << n;
    resetGameGlobals();
}

TEST(PuzzleInit, SeedsWithTheCalendarSecond) {
    setPuzzleClock(fixedClock);
    Puzzle a, b, c;
    initPuzzle(&a);
    initPuzzle(&b);
    initPuzzleWithSeed(&c, 1900000000);
    setPuzzleClock(nullptr);
    EXPECT_EQ(0, std::memcmp(&a, &b, sizeof a)); // same second, same board
    EXPECT_EQ(0, std::memcmp(&a, &c, sizeof a));
    Puzzle d;
    initPuzzleWithSeed(&d, 1900000001);
    int differing = 0;
    for (int n = 0; n < kNumBlocks; ++n) differing += a.blocks[n].state.color != d.blocks[n].state.color;
    EXPECT_GT(differing, 50);
    resetGameGlobals();
}

TEST(PuzzleInit, DrawnCentreIsPositionPlusOffset) {
    Puzzle p;
    initPuzzleWithSeed(&p, 5);
    float out[3];
    calcBlockPosition(out, &p.blocks[7]); // x = 1, y = 0, z = 2: 13 units up
    EXPECT_FLOAT_EQ(out[0], -1.0f);
    EXPECT_FLOAT_EQ(out[1], -2.0f + 13.0f);
    EXPECT_FLOAT_EQ(out[2], 0.0f);
    p.blocks[7].state.offset[1] = 0;
    calcBlockPosition(out, &p.blocks[7]);
    EXPECT_EQ(0, std::memcmp(out, p.blocks[7].position, sizeof out));
    resetGameGlobals();
}

TEST(Clock, ElapsedSecondsStayRightAcross2038) {
    // startTime keeps the low 32 bits; 2^31 seconds is 2038-01-19 03:14:08 UTC.
    const std::int64_t before = (std::int64_t{1} << 31) - 30;
    const auto stored = static_cast<std::int32_t>(static_cast<std::uint32_t>(before));
    EXPECT_EQ(elapsedSeconds(stored, before), 0);
    EXPECT_EQ(elapsedSeconds(stored, before + 29), 29);
    EXPECT_EQ(elapsedSeconds(stored, before + 61), 61); // past the wrap of the signed field
    const std::int64_t after = (std::int64_t{1} << 31) + 1000;
    const auto storedAfter = static_cast<std::int32_t>(static_cast<std::uint32_t>(after));
    EXPECT_LT(storedAfter, 0);
    EXPECT_EQ(elapsedSeconds(storedAfter, after + 300), 300);
    EXPECT_EQ(elapsedSeconds(1800000000, 1800000120), 120);
}
