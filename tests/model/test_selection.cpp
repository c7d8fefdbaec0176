// Group selection, bursts and re-selection on hand-built boards, and the selection on seeded
// boards against a walk over grid coordinates.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>

#include "model/Puzzle.h"
#include "sim/Boards.h"

namespace {

struct Cell {
    int x, y, z;
};

class SelectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetGameGlobals();
        makeEmptyBoard(&p);
    }
    Block* at(Cell c) { return &p.blocks[cellIndex(c.x, c.y, c.z)]; }
    std::uint32_t flagsAt(Cell c) { return at(c)->state.flags; }
    void put(std::initializer_list<Cell> cells, int color) {
        for (Cell c : cells)
            putBubble(&p, c.x, c.y, c.z, color);
    }
    Puzzle p;
};

constexpr std::uint32_t kPicked = kBlockSelected | kBlockShrinking | kBlockAnchor;

// Connected group of cell n by a depth-first walk over grid coordinates, not `friends`.
void referenceGroup(const Puzzle& p, int n, std::set<int>& group) {
    if (!group.insert(n).second) return;
    const int y = n / 25, x = (n / 5) % 5, z = n % 5;
    const int step[6][3] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    for (const auto& d : step) {
        const int nx = x + d[0], ny = y + d[1], nz = z + d[2];
        if (nx < 0 || nx > 4 || ny < 0 || ny > 4 || nz < 0 || nz > 4) continue;
        const BlockState& s = p.blocks[cellIndex(nx, ny, nz)].state;
        if (isLive(s) && s.color == p.blocks[n].state.color)
            referenceGroup(p, cellIndex(nx, ny, nz), group);
    }
}

TEST(GroupScore, SquareOfOneLessWithPairMinimumSaturating) {
    const int n[] = {-3, 0, 1, 2, 3, 5, 10, 125, 65536, 1 << 20};
    const std::uint32_t want[] = {1, 1, 1, 1, 4, 16, 81, 15376, 4294836225u, 0xFFFFFFFFu};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(groupScore(n[i]), want[i]) << n[i];
}

TEST_F(SelectionTest, ATapSelectsTheGroupAndASecondBurstsItAddingThePoints) {
    put({{1, 0, 1}, {1, 0, 2}}, kColorBlue);
    put({{1, 0, 3}}, kColorRed);
    p.score = 30;
    selectBlock(&p, at({1, 0, 1}));
    EXPECT_EQ(flagsAt({1, 0, 1}), kPicked);
    EXPECT_EQ(flagsAt({1, 0, 2}), kBlockSelected | kBlockShrinking);
    EXPECT_EQ(flagsAt({1, 0, 3}), 0u);
    EXPECT_TRUE(p.selectScore == 1 && p.counter == 75 && p.flags == kPuzzleShowScore);

    selectBlock(&p, at({1, 0, 2})); // either bubble of the group bursts it
    for (Cell c : {Cell{1, 0, 2}, Cell{1, 0, 1}})
        EXPECT_EQ(flagsAt(c), kBlockPopped | kBlockBursting);
    EXPECT_EQ(at({1, 0, 2})->state.frame, 0);
    EXPECT_EQ(at({1, 0, 1})->state.frame, -4);
    EXPECT_EQ(flagsAt({1, 0, 3}), 0u);
    EXPECT_EQ(p.score, 31u);
    EXPECT_TRUE(p.flags == kPuzzleBusy && p.counter == 0 && p.selectScore == 0);
    EXPECT_EQ(rejectSndRequest + cheerSndRequest, 0);
}

// Bursts pop breadth-first from the tapped bubble, neighbours in the order +z, -z, -x, +x,
// below, above, four frames apart; each draws its cloud angle from the game's generator.
TEST_F(SelectionTest, BurstOrderFramesCloudAnglesAndTheCheerFromFiveBubbles) {
    const Cell order[] = {{2, 2, 2}, {2, 2, 3}, {2, 2, 1}, {1, 2, 2}, {3, 2, 2},
                          {2, 1, 2}, {2, 3, 2}, {2, 2, 4}, {0, 2, 2}, {2, 0, 2}};
    for (int n : {4, 5, 10}) {
        SetUp();
        for (int k = 0; k < n; ++k)
            put({order[k]}, kColorOrange);
        selectBlock(&p, at(order[0]));
        rand48::srand48(1234);
        ::srand48(1234); // the C library's generator is the reference
        selectBlock(&p, at(order[0]));
        for (int k = 0; k < n; ++k) {
            EXPECT_EQ(at(order[k])->state.frame, -4 * k) << k;
            EXPECT_EQ(at(order[k])->state.dirVec[0], float(::lrand48() % 180)) << k;
        }
        EXPECT_EQ(p.score, std::uint32_t((n - 1) * (n - 1)));
        EXPECT_EQ(cheerSndRequest, n >= 5 ? 1 : 0) << n;
    }
}

TEST_F(SelectionTest, ALoneBubbleIsRefusedAndNoTapChangesABitWhileBusyOrOver) {
    put({{0, 0, 0}, {0, 0, 1}}, kColorRed);
    put({{3, 0, 0}}, kColorBlue);
    selectBlock(&p, at({0, 0, 0}));
    selectBlock(&p, at({3, 0, 0}));
    EXPECT_EQ(flagsAt({0, 0, 0}), kBlockShrinking); // old selection dropped, pulse fades out
    EXPECT_EQ(flagsAt({3, 0, 0}), kPicked | kBlockLone);
    EXPECT_EQ(p.flags & kPuzzleShowScore, 0u);
    EXPECT_EQ(rejectSndRequest, 1);

    // Neither the lone bubble tapped again nor any tap while busy or after the end changes a bit.
    rejectSndRequest = 0;
    for (std::uint32_t flag : {0u, kPuzzleBusy, kPuzzleGameOver}) {
        p.flags |= flag;
        const Puzzle before = p;
        selectBlock(&p, at(flag ? Cell{0, 0, 0} : Cell{3, 0, 0}));
        EXPECT_EQ(std::memcmp(&before, &p, sizeof p), 0) << flag;
        p.flags &= ~flag;
    }
    EXPECT_EQ(rejectSndRequest, 0);

    // A tap on the background only drops the selection; its score bubble runs out on its own.
    selectBlock(&p, at({0, 0, 1}));
    selectBlock(&p, nullptr);
    EXPECT_EQ(flagsAt({0, 0, 1}) | flagsAt({0, 0, 0}), kBlockShrinking);
    EXPECT_EQ(p.flags, kPuzzleShowScore);
}

TEST_F(SelectionTest, SelectionMatchesAnIndependentWalkOnSeededBoards) {
    int groups = 0;
    for (long seed = 1; seed <= 40; ++seed) {
        for (int j = 0; j < 5; ++j) {
            makeRestingBoard(&p, seed);
            for (int gap : {7, 31, 62, 99})
                p.blocks[gap].state.flags = kBlockPopped;
            const int n = static_cast<int>((seed * 37 + 11 * j) % 125);
            if (!isLive(p.blocks[n].state)) continue;
            std::set<int> want, got;
            referenceGroup(p, n, want);
            selectBlock(&p, &p.blocks[n]);
            for (int i = 0; i < 125; ++i)
                if (p.blocks[i].state.flags & kBlockSelected) got.insert(i);
            EXPECT_EQ(got, want) << "seed " << seed << " cell " << n;
            const auto size = static_cast<std::uint32_t>(want.size());
            EXPECT_EQ(p.selectScore, size < 2 ? 0u : (size - 1) * (size - 1));
            groups += size >= 3 ? 1 : 0;
        }
    }
    EXPECT_GT(groups, 5); // the boards hold groups worth comparing
}

TEST_F(SelectionTest, ReselectionFollowsTheAnchorsGroup) {
    put({{0, 0, 0}, {0, 0, 1}, {0, 0, 2}, {0, 0, 3}, {0, 0, 4}}, kColorRed);
    selectBlock(&p, at({0, 0, 1}));
    removeBubble(&p, 0, 0, 3); // splits off (0, 0, 4)
    updateSelection(&p);
    EXPECT_EQ(flagsAt({0, 0, 4}), kBlockShrinking);
    EXPECT_EQ(flagsAt({0, 0, 2}), kBlockSelected | kBlockShrinking);
    EXPECT_TRUE(p.selectScore == 4 && p.counter == 75);

    removeBubble(&p, 0, 0, 0);
    removeBubble(&p, 0, 0, 2);
    updateSelection(&p);
    EXPECT_EQ(flagsAt({0, 0, 1}), kPicked | kBlockLone);
    EXPECT_EQ(p.flags & kPuzzleShowScore, 0u);
    EXPECT_EQ(rejectSndRequest, 0); // quietly: nobody tapped
}

} // namespace
