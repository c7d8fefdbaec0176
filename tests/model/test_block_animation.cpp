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
            EXPECT_EQ(b.state.offset[1] + b.state.dirVec[1], 0.0f);
            return call;
        }
    }
    return -1;
}

TEST_F(BlockAnimation, DropsAccumulateIntoAnAcceleratingFall) {
    const float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, 20, 30, 1}; // a translation
    const int expected[] = {6, 8, 10, 11}; // calls for drops of one to four cells in one frame
    for (int cells = 1; cells <= 4; ++cells) {
        Puzzle p;
        makeEmptyBoard(&p);
        putBubble(&p, 1, cells, 1, kColorGreen);
        for (int y = cells; y > 0; --y)
            ASSERT_EQ(shiftBlock(&p, &p.blocks[cellIndex(1, y, 1)], m, y == 1), 1);
        Block& landed = p.blocks[cellIndex(1, 0, 1)];
        EXPECT_EQ(landed.state.offset[1], static_cast<float>(cells)); // drawn where it was
        EXPECT_EQ(landed.state.flags, kBlockMoving | kBlockFalling);
        EXPECT_EQ(landed.position[1], 18.0f); // recomputed only when asked: origin -2 moved by 20
        EXPECT_EQ(p.blocks[cellIndex(1, 1, 1)].position[1], -1.0f);
        EXPECT_TRUE(isDead(p.blocks[cellIndex(1, cells, 1)].state));
        EXPECT_EQ(callsUntilArrival(landed), expected[cells - 1]) << cells << " cells";
    }

    // No drop from the bottom layer, onto a bubble or onto a burst still running.
    Puzzle p;
    makeEmptyBoard(&p);
    putBubble(&p, 0, 0, 0, kColorRed);
    for (int x : {1, 2}) {
        putBubble(&p, x, 0, 0, kColorRed);
        putBubble(&p, x, 1, 0, kColorBlue);
    }
    p.blocks[cellIndex(2, 0, 0)].state.flags = kBlockPopped | kBlockBursting;
    const Puzzle before = p;
    for (int n : {cellIndex(0, 0, 0), cellIndex(1, 1, 0), cellIndex(2, 1, 0), cellIndex(3, 1, 0)})
        EXPECT_EQ(shiftBlock(&p, &p.blocks[n], m, 1), 0) << "cell " << n;
    EXPECT_EQ(std::memcmp(&p, &before, sizeof p), 0);
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
    const float scales[] = {0.905f, 0.81f, 0.715f, 0.62f, 0.525f, 0.51f};
    for (int frame = 0; frame <= 14; ++frame) {
        popSndRequest = 0;
        updateBlock(&b);
        ASSERT_EQ(b.state.frame, frame);
        EXPECT_EQ(popSndRequest, frame == 5 ? 1 : 0) << "frame " << frame;
        EXPECT_FLOAT_EQ(b.state.scale[2], scales[frame < 5 ? frame : 5]) << "frame " << frame;
        EXPECT_FLOAT_EQ(b.state.rotation[0], 37.0f + 0.065f * static_cast<float>(frame));
        EXPECT_TRUE(b.state.flags & kBlockBursting);
    }
    updateBlock(&b);
    EXPECT_TRUE(isDead(b.state));
}

TEST_F(BlockAnimation, PulseOfSelectedLoneAndReleasedBubbles) {
    auto pulse = [](std::uint32_t flags, float scale, int calls) {
        Block b{};
        b.state.flags = flags;
        b.state.scale[0] = b.state.scale[1] = b.state.scale[2] = scale;
        for (int i = 0; i < calls; ++i)
            updateBlock(&b);
        return b.state;
    };
    const std::uint32_t selected = kBlockSelected | kBlockShrinking;
    const std::uint32_t phase = kBlockShrinking | kBlockGrowing;
    const struct {
        std::uint32_t flags;
        float scale;
        int calls;
        float want;
        std::uint32_t phase;
    } cases[] = {
        {selected, 1.0f, 9, 0.685f, kBlockGrowing},               // lowest point
        {selected, 1.0f, 14, 1.06f, kBlockShrinking},             // the top overshoots 1.0
        {selected | kBlockLone, 1.0f, 30, 0.675f, kBlockGrowing}, // stays small
        {kBlockShrinking, 0.8f, 3, 1.0f, 0},           // out of the selection: back to exactly 1.0
        {kBlockGrowing, 1.0f, 5, 1.0f, kBlockGrowing}, // left alone at 1.0
    };
    for (const auto& c : cases) {
        const BlockState s = pulse(c.flags, c.scale, c.calls);
        EXPECT_NEAR(s.scale[0], c.want, 1e-5) << c.flags << " " << c.calls;
        EXPECT_EQ(s.scale[1], s.scale[0]);
        EXPECT_EQ(s.flags & phase, c.phase) << c.flags << " " << c.calls;
    }
}

} // namespace
