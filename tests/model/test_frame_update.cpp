// The frame update: landing of a new board, the clock, collapse, re-selection, the solver request,
// the end of a game and the drawing order, on hand-built boards with known outcomes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <tuple>
#include <vector>

#include "sim/Boards.h"
#include "sim/Validate.h"

namespace {

std::int64_t fakeNow = 0;
std::int64_t fakeClock() {
    return fakeNow;
}
int vibrations = 0;
void countVibration(std::uint32_t id) {
    vibrations += id == kSystemSoundID_Vibrate ? 1 : 0;
}

class FrameUpdate : public ::testing::Test {
protected:
    void SetUp() override { restore(); }
    void TearDown() override { restore(); }
    static void restore() {
        resetGameGlobals();
        setPuzzleClock(nullptr);
        setSystemSoundHandler(nullptr);
        vibrations = 0;
    }
};

bool anyMoving(const Puzzle& p) {
    return std::any_of(std::begin(p.blocks), std::end(p.blocks),
                       [](const Block& b) { return (b.state.flags & kBlockMoving) != 0; });
}

// A new board of the given game type, landed, with the clock started at `start`.
void startGame(Puzzle* p, int type, std::int64_t start) {
    gameType = type;
    fakeNow = start;
    setPuzzleClock(fakeClock);
    initPuzzleWithSeed(p, 7);
    for (int call = 1; call <= 44; ++call) {
        ASSERT_TRUE(p->flags & kPuzzleStarting) << "call " << call;
        updatePuzzle(p);
        ASSERT_EQ(dropSndRequest, 0) << "call " << call; // lands in silence
    }
    ASSERT_FALSE(p->flags & kPuzzleStarting);
    ASSERT_TRUE(p->flags & kPuzzleBusy); // cleared only in the next call
    ASSERT_EQ(p->startTime, static_cast<std::int32_t>(static_cast<std::uint32_t>(start)));
}

TEST_F(FrameUpdate, SixtySecondGameWarnsAndEndsOnTimeAlsoAcross2038) {
    setSystemSoundHandler(countVibration);
    const std::int64_t wrap = std::int64_t{1} << 31;
    for (std::int64_t start : {std::int64_t{1'700'000'000}, wrap - 30, wrap - 1, wrap + 5}) {
        Puzzle p;
        startGame(&p, 1, start);
        vibrations = 0;
        for (int passed = 0; passed <= 61; ++passed) {
            fakeNow = start + passed;
            updatePuzzle(&p);
            EXPECT_EQ(warnSndRequest, passed >= 50 ? 1 : 0) << start << " +" << passed;
            EXPECT_EQ((p.flags & kPuzzleGameOver) != 0, passed == 61) << start << " +" << passed;
            if (passed == 30) {
                EXPECT_FLOAT_EQ(p.progress, 0.5f);
            }
        }
        EXPECT_EQ(vibrations, 1);
        EXPECT_EQ(p.progress, 0.0f);
        resetGameGlobals();
    }
}

TEST_F(FrameUpdate, AGameThatEndedBeforeItsTimeWarnsNoMore) {
    Puzzle p;
    startGame(&p, 1, 5000);
    quitRequest = 1;
    for (fakeNow = 5000; fakeNow <= 5070; ++fakeNow)
        updatePuzzle(&p);
    EXPECT_TRUE(p.flags & kPuzzleGameOver);
    EXPECT_EQ(warnSndRequest, 0);
}

TEST_F(FrameUpdate, ColumnClosesInThreePassesAndBurstBlocksUntilItEnds) {
    Puzzle p;
    makeEmptyBoard(&p);
    putBubble(&p, 0, 0, 0, kColorRed);
    putBubble(&p, 0, 3, 0, kColorBlue);
    putBubble(&p, 0, 4, 0, kColorGreen);
    // A burst in its last frame under a bubble: the bubble drops in the frame the burst ends.
    putBubble(&p, 4, 0, 4, kColorRed);
    p.blocks[cellIndex(4, 0, 4)].state.flags = kBlockPopped | kBlockBursting;
    p.blocks[cellIndex(4, 0, 4)].state.frame = 14;
    putBubble(&p, 4, 1, 4, kColorBlue);
    putBubble(&p, 2, 0, 2, kColorGreen);

    updatePuzzle(&p);
    auto at = [&p](int x, int y, int z) { return p.blocks[cellIndex(x, y, z)].state; };
    EXPECT_EQ(std::tuple(at(0, 1, 0).color, at(0, 2, 0).color, at(4, 0, 4).color),
              std::tuple(kColorBlue, kColorGreen, kColorBlue));
    EXPECT_EQ(at(0, 1, 0).offset[1] + at(0, 2, 0).offset[1], 4.0f); // both fell two cells
    EXPECT_TRUE(isDead(at(0, 3, 0)) && isDead(at(0, 4, 0)));
    EXPECT_TRUE(p.flags & kPuzzleBusy);

    EXPECT_LT(runUntilRest(&p), 20);
    EXPECT_FALSE(anyMoving(p));
    EXPECT_EQ(validatePuzzle(p), "");
}

// The selection pulses for a while before a bubble falls beside it: the anchor must survive the
// pulse for the group to be followed.
TEST_F(FrameUpdate, AFallAfterAPulseReselectsAndBusyClearsOnlyAtRest) {
    Puzzle p;
    makeEmptyBoard(&p);
    putBubble(&p, 1, 0, 0, kColorYellow);
    putBubble(&p, 1, 0, 1, kColorYellow);
    putBubble(&p, 1, 0, 2, kColorRed);
    putBubble(&p, 1, 1, 2, kColorYellow); // lands beside the group once the red one is gone
    putBubble(&p, 3, 0, 3, kColorRed);
    selectBlock(&p, &p.blocks[cellIndex(1, 0, 1)]);
    for (int call = 0; call < 30; ++call) // two pulses
        updatePuzzle(&p);
    removeBubble(&p, 1, 0, 2);
    int calls = 0;
    do {
        updatePuzzle(&p);
        ++calls;
        EXPECT_TRUE(!anyMoving(p) || (p.flags & kPuzzleBusy)) << "call " << calls;
    } while ((p.flags & kPuzzleBusy) && calls < 50);
    EXPECT_FALSE(anyMoving(p));
    for (int z : {0, 1, 2})
        EXPECT_TRUE(p.blocks[cellIndex(1, 0, z)].state.flags & kBlockSelected) << z;
    EXPECT_EQ(p.selectScore, 4u);
}

// The first of up to 30 calls that raises solveRequest; 0 when none does.
int callAskingSolver(Puzzle* p) {
    for (int call = 1; call <= 30; ++call) {
        updatePuzzle(p);
        if (solveRequest) return call;
    }
    return 0;
}

TEST_F(FrameUpdate, SolverAskedAtRestWithFifteenBubblesOnceUntilSomethingChanges) {
    Puzzle p;
    for (int bubbles : {16, 15}) {
        resetGameGlobals();
        makeEmptyBoard(&p);
        for (int i = 0; i < bubbles - 1; ++i)
            putBubble(&p, i / 5, 0, i % 5, i % kNumColors);
        putBubble(&p, 4, 1, 4, kColorRed); // arrives in the 7th call, which still sees it busy
        EXPECT_EQ(callAskingSolver(&p), bubbles == 15 ? 8 : 0) << bubbles << " bubbles";
    }
    EXPECT_EQ(checkSolution, 0);
    solveRequest = 0; // as the view does when it starts the run
    EXPECT_EQ(callAskingSolver(&p), 0);

    removeBubble(&p, 0, 0, 0); // a bubble moves
    putBubble(&p, 0, 1, 0, kColorRed);
    EXPECT_EQ(callAskingSolver(&p), 8);
    solveRequest = 0;

    BlockState& top = p.blocks[cellIndex(2, 0, 3)].state; // nothing above it
    top.flags = kBlockPopped | kBlockBursting;
    top.frame = 10;
    EXPECT_EQ(callAskingSolver(&p), 5); // the call in which the burst ends
}

// (That a game ends at the last pair's burst, while it still runs, the game view's suite shows.)
TEST_F(FrameUpdate, AQuitEndsTheGameOnceAndDropsTheSelection) {
    setSystemSoundHandler(countVibration);
    Puzzle p;
    makeRestingBoard(&p, 3);
    selectBlock(&p, &p.blocks[0]);
    quitRequest = 1;
    for (int call = 0; call < 10; ++call) {
        p.progress = 0.5f;
        updatePuzzle(&p);
        EXPECT_EQ(p.progress, 0.0f);
    }
    EXPECT_EQ(vibrations, 1);
    EXPECT_FALSE(p.flags & kPuzzleShowScore);
    for (const Block& b : p.blocks)
        EXPECT_EQ(b.state.flags & (kBlockSelected | kBlockLone | kBlockAnchor), 0u);

}

TEST_F(FrameUpdate, DrawOrderFarToNearThenByColourAndShadowsPerColumn) {
    Puzzle p;
    makeRestingBoard(&p, 5);
    putBubble(&p, 0, 0, 4, 3);
    putBubble(&p, 1, 0, 4, 1);
    removeBubble(&p, 2, 2, 2); // drops the column above; depth order holds all the same
    BlockState& top = p.blocks[cellIndex(4, 4, 4)].state;
    top.flags = kBlockSelected | kBlockShrinking;
    top.scale[0] = top.scale[1] = top.scale[2] = 1.05f;
    updatePuzzle(&p);

    std::vector<std::uint32_t> order(std::begin(p.drawIndex), std::end(p.drawIndex)), sorted(125);
    std::iota(sorted.begin(), sorted.end(), 0u);
    ASSERT_TRUE(std::is_permutation(order.begin(), order.end(), sorted.begin()));
    for (std::size_t i = 1; i < order.size(); ++i) {
        const Block& a = p.blocks[order[i - 1]];
        const Block& b = p.blocks[order[i]];
        ASSERT_LE(a.position[2], b.position[2]);
        if (a.position[2] == b.position[2]) {
            ASSERT_LE(a.state.color, b.state.color);
        }
    }
    const auto pos = [&](int n) {
        return std::find(order.begin(), order.end(), static_cast<std::uint32_t>(n)) - order.begin();
    };
    EXPECT_LT(pos(cellIndex(1, 0, 4)), pos(cellIndex(0, 0, 4))); // same depth, colour 1 before 3

    const Shadow& s = p.shadows[5 * 4 + 4];
    EXPECT_EQ(s.valid, 1);
    EXPECT_EQ(s.selected, 1);
    EXPECT_FLOAT_EQ(s.scale[0], 1.05f); // taken before this frame's pulse
    EXPECT_EQ(s.position[1], -2.0f);
    EXPECT_EQ(s.position[0], 2.0f);
    EXPECT_EQ(p.shadows[0].selected, 0);
}

} // namespace
