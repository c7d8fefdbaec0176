// One bubble's animation (fall, burst, pulse) and its drop into the empty cell below.
#include <gtest/gtest.h>

#include <cstring>

#include "sim/Boards.h"

namespace {

class BlockAnimation : public ::testing::Test {
protected:
    void SetUp() override { resetGameGlobals(); }
    void TearDown() override { resetGameGlobals(); }
};

// updateBlock calls until the arrival raises the drop sound; -1 if it never does.
int callsUntilArrival(Block& b) {
    dropSndRequest = 0;
    for (int call = 1; call <= 100; ++call) {
        updateBlock(&b);
        if (dropSndRequest) {
            EXPECT_EQ(b.state.flags & (kBlockMoving | kBlockFalling), 0u);
            EXPECT_EQ(b.state.offset[1], 0.0f);
            EXPECT_EQ(b.state.dirVec[1], 0.0f);
            return call;
        }
        EXPECT_NE(b.state.flags & kBlockMoving, 0u) << "call " << call;
    }
    return -1;
}

TEST_F(BlockAnimation, FallsAccelerateButNewBoardSinksSteadily) {
    const int expected[] = {6, 8, 10, 11}; // drops of one to four cells in one frame
    for (int cells = 1; cells <= 4; ++cells) {
        Puzzle p;
        makeEmptyBoard(&p);
        putBubble(&p, 1, cells, 1, kColorGreen);
        const float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        for (int y = cells; y > 0; --y)
            ASSERT_EQ(shiftBlock(&p, &p.blocks[cellIndex(1, y, 1)], m, 1), 1);
        Block& landed = p.blocks[cellIndex(1, 0, 1)];
        EXPECT_EQ(landed.state.offset[1], static_cast<float>(cells)); // offsets add up
        EXPECT_EQ(landed.state.dirVec[1], -0.125f);
        EXPECT_EQ(callsUntilArrival(landed), expected[cells - 1]) << cells << " cells";
    }
    for (int height : {10, 22}) {
        Block b{};
        b.state.offset[1] = static_cast<float>(height);
        b.state.dirVec[1] = -0.5f;
        b.state.flags = kBlockMoving;
        b.state.scale[0] = b.state.scale[1] = b.state.scale[2] = 1.0f;
        EXPECT_EQ(callsUntilArrival(b), 2 * height);
    }
}

TEST_F(BlockAnimation, BurstWaitsItsTurnShrinksPopsAndEmptiesTheCell) {
    Block b{};
    b.state.flags = kBlockPopped | kBlockBursting;
    b.state.frame = -8; // the third bubble of its burst
    b.state.dirVec[0] = 37.0f;
    b.state.scale[0] = b.state.scale[1] = b.state.scale[2] = 1.0f;
    for (int call = 1; call <= 7; ++call)
        updateBlock(&b);
    EXPECT_EQ(b.state.scale[0], 1.0f);
    EXPECT_EQ(b.state.rotation[0], 0.0f);

    const float scales[] = {0.905f, 0.81f, 0.715f, 0.62f, 0.525f, 0.51f};
    for (int frame = 0; frame <= 14; ++frame) {
        popSndRequest = 0;
        updateBlock(&b);
        ASSERT_EQ(b.state.frame, frame);
        EXPECT_EQ(popSndRequest, frame == 5 ? 1 : 0) << "frame " << frame;
        EXPECT_FLOAT_EQ(b.state.scale[0], scales[frame < 5 ? frame : 5]) << "frame " << frame;
        EXPECT_EQ(b.state.scale[2], b.state.scale[0]);
        EXPECT_FLOAT_EQ(b.state.rotation[0], 37.0f + 0.065f * static_cast<float>(frame));
        EXPECT_TRUE(b.state.flags & kBlockBursting);
    }
    const BlockState before = b.state;
    updateBlock(&b);
    EXPECT_TRUE(isDead(b.state));
    EXPECT_EQ(b.state.frame, 15);
    EXPECT_EQ(std::memcmp(b.state.scale, before.scale, sizeof before.scale), 0);
    EXPECT_EQ(b.state.rotation[0], before.rotation[0]);
}

TEST_F(BlockAnimation, PulseOfSelectedLoneAndReleasedBubbles) {
    auto pulse = [](std::uint32_t flags, float scale, int calls) {
        Block b{};
        b.state.flags = flags;
        b.state.scale[0] = b.state.scale[1] = b.state.scale[2] = scale;
        for (int i = 0; i < calls; ++i)
            updateBlock(&b);
        EXPECT_EQ(b.state.scale[1], b.state.scale[0]);
        return b.state;
    };
    const std::uint32_t selected = kBlockSelected | kBlockShrinking;
    EXPECT_EQ(pulse(selected, 1.0f, 8).flags & kBlockShrinking, kBlockShrinking);
    BlockState s = pulse(selected, 1.0f, 9); // lowest point, turns to growing
    EXPECT_NEAR(s.scale[0], 0.685f, 1e-5);
    EXPECT_EQ(s.flags & (kBlockShrinking | kBlockGrowing), kBlockGrowing);
    s = pulse(selected, 1.0f, 14); // top overshoots 1.0, turns to shrinking
    EXPECT_NEAR(s.scale[0], 1.06f, 1e-5);
    EXPECT_EQ(s.flags & (kBlockShrinking | kBlockGrowing), kBlockShrinking);

    EXPECT_NEAR(pulse(selected | kBlockLone, 1.0f, 5).scale[0], 0.675f, 1e-5);
    EXPECT_NEAR(pulse(selected | kBlockLone, 1.0f, 30).scale[0], 0.675f, 1e-5);

    // Out of the selection: grows back to exactly 1.0 and is left alone there.
    s = pulse(kBlockShrinking, 0.8f, 3);
    EXPECT_EQ(s.scale[0], 1.0f);
    EXPECT_EQ(s.flags, 0u);
    EXPECT_EQ(pulse(kBlockGrowing, 1.0f, 5).flags, kBlockGrowing);
}

TEST_F(BlockAnimation, ShiftRefusesWithoutAnEmptyCellBelow) {
    Puzzle p;
    makeEmptyBoard(&p);
    putBubble(&p, 0, 0, 0, kColorRed); // bottom layer
    putBubble(&p, 1, 0, 0, kColorRed);
    putBubble(&p, 1, 1, 0, kColorBlue); // on a bubble
    putBubble(&p, 2, 0, 0, kColorRed);
    p.blocks[cellIndex(2, 0, 0)].state.flags = kBlockPopped | kBlockBursting;
    putBubble(&p, 2, 1, 0, kColorBlue); // on a burst still running
    float m[16] = {};
    const Puzzle before = p;
    for (int n : {cellIndex(0, 0, 0), cellIndex(1, 1, 0), cellIndex(2, 1, 0), cellIndex(3, 1, 0)})
        EXPECT_EQ(shiftBlock(&p, &p.blocks[n], m, 1), 0) << "cell " << n;
    EXPECT_EQ(std::memcmp(&p, &before, sizeof p), 0);
}

TEST_F(BlockAnimation, StackedBubblesDropTogetherInOnePass) {
    Puzzle p;
    makeEmptyBoard(&p);
    putBubble(&p, 3, 2, 4, kColorWhite);
    putBubble(&p, 3, 3, 4, kColorBlue);
    p.blocks[cellIndex(3, 3, 4)].state.offset[0] = 0.25f; // other axes are left alone
    // Identity turn plus a translation, so a recomputed position shows.
    const float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, 20, 30, 1};
    int moved = 0;
    // The switch is on only for the white bubble's drop, so only its new cell's position moves.
    const Block* white = &p.blocks[cellIndex(3, 2, 4)];
    for (Block& b : p.blocks)
        moved += shiftBlock(&p, &b, m, &b == white ? 1 : 0);
    EXPECT_EQ(moved, 2);
    const Block& low = p.blocks[cellIndex(3, 1, 4)];
    const Block& high = p.blocks[cellIndex(3, 2, 4)];
    EXPECT_EQ(low.state.color, kColorWhite);
    EXPECT_EQ(high.state.color, kColorBlue);
    for (const Block* b : {&low, &high}) {
        EXPECT_EQ(b->state.offset[1], 1.0f);
        EXPECT_EQ(b->state.dirVec[1], -0.125f);
        EXPECT_EQ(b->state.flags, kBlockMoving | kBlockFalling);
    }
    EXPECT_EQ(high.state.offset[0], 0.25f);
    EXPECT_TRUE(isDead(p.blocks[cellIndex(3, 3, 4)].state));
    EXPECT_EQ(low.position[1], 19.0f);           // switch on: origin -1 moved by 20
    EXPECT_EQ(high.position[1], high.origin[1]); // switch off: untouched
}

} // namespace
