// Tests of group selection, bursts and re-selection on hand-built and seeded boards.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

#include "model/Puzzle.h"
#include "sim/Boards.h"
#include "support/AllocHook.h"

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
    AllocHook alloc;
};

// Connected group of cell n found by a depth-first walk over grid coordinates, not `friends`.
void referenceGroup(const Puzzle& p, int n, std::set<int>& group) {
    if (!group.insert(n).second) return;
    const int y = n / 25, x = (n / 5) % 5, z = n % 5;
    const int step[6][3] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    for (const auto& d : step) {
        const int nx = x + d[0], ny = y + d[1], nz = z + d[2];
        if (nx < 0 || nx > 4 || ny < 0 || ny > 4 || nz < 0 || nz > 4) continue;
        const int m = cellIndex(nx, ny, nz);
        const BlockState& s = p.blocks[m].state;
        if (isLive(s) && s.color == p.blocks[n].state.color) referenceGroup(p, m, group);
    }
}

TEST(GroupScore, SquareOfOneLessWithPairMinimumSaturating) {
    const int n[] = {-3, 0, 1, 2, 3, 5, 10, 125, 65536, 1 << 20};
    const std::uint32_t want[] = {1, 1, 1, 1, 4, 16, 81, 15376, 4294836225u, 0xFFFFFFFFu};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(groupScore(n[i]), want[i]) << n[i];
}

TEST_F(SelectionTest, PairIsSelectedThenBurst) {
    put({{1, 0, 1}, {1, 0, 2}}, kColorBlue);
    put({{1, 0, 3}}, kColorRed);

    selectBlock(&p, at({1, 0, 1}));
    EXPECT_EQ(flagsAt({1, 0, 1}), kBlockSelected | kBlockShrinking | kBlockAnchor);
    EXPECT_EQ(flagsAt({1, 0, 2}), kBlockSelected | kBlockShrinking);
    EXPECT_EQ(flagsAt({1, 0, 3}), 0u);
    EXPECT_EQ(p.selectScore, 1u);
    EXPECT_EQ(p.counter, 75u);
    EXPECT_EQ(p.flags, kPuzzleShowScore);
    EXPECT_EQ(rejectSndRequest, 0);

    selectBlock(&p, at({1, 0, 2})); // either bubble of the group bursts it
    for (Cell c : {Cell{1, 0, 2}, Cell{1, 0, 1}}) {
        EXPECT_EQ(flagsAt(c), kBlockPopped | kBlockBursting);
    }
    EXPECT_EQ(at({1, 0, 2})->state.frame, 0);
    EXPECT_EQ(at({1, 0, 1})->state.frame, -4);
    EXPECT_EQ(flagsAt({1, 0, 3}), 0u);
    EXPECT_EQ(p.score, 1u);
    EXPECT_EQ(p.flags, kPuzzleBusy);
    EXPECT_EQ(p.counter, 0u);
    EXPECT_EQ(p.selectScore, 0u);
    EXPECT_EQ(cheerSndRequest, 0);
}

// Group shapes and their select scores are checked against an independent walk below.
TEST_F(SelectionTest, BurstScoresTheGroupAndCheersFromFiveBubbles) {
    for (int n : {4, 5}) {
        SetUp();
        for (int x = 0; x < n; ++x)
            putBubble(&p, x, 4, 0, kColorGreen);
        put({{4, 0, 4}, {4, 1, 4}}, kColorYellow); // an unrelated pair stays untouched
        selectBlock(&p, at({n - 1, 4, 0}));
        selectBlock(&p, at({0, 4, 0}));
        EXPECT_EQ(p.score, std::uint32_t((n - 1) * (n - 1)));
        EXPECT_EQ(cheerSndRequest, n == 5 ? 1 : 0);
        EXPECT_EQ(liveCount(&p), 2);
    }
}

// Bursts pop breadth-first from the tapped bubble, neighbours in the order +z, -z, -x, +x,
// below, above, four frames apart; each draws its cloud angle from the game's generator.
TEST_F(SelectionTest, BurstOrderFramesAndCloudAngles) {
    const Cell centre{2, 2, 2};
    const Cell order[] = {centre,    {2, 2, 3}, {2, 2, 1}, {1, 2, 2}, {3, 2, 2},
                          {2, 1, 2}, {2, 3, 2}, {2, 2, 4}, {0, 2, 2}, {2, 0, 2}};
    for (Cell c : order)
        putBubble(&p, c.x, c.y, c.z, kColorOrange);
    selectBlock(&p, at(centre));
    EXPECT_EQ(p.selectScore, 81u);

    rand48::srand48(1234);
    ::srand48(1234); // the C library's generator is the reference
    selectBlock(&p, at(centre));
    for (int k = 0; k < 10; ++k) {
        const BlockState& s = at(order[k])->state;
        EXPECT_EQ(s.frame, -4 * k) << k;
        EXPECT_EQ(s.dirVec[0], static_cast<float>(::lrand48() % 180)) << k;
    }
    EXPECT_EQ(p.score, 81u);
    EXPECT_EQ(cheerSndRequest, 1);
}

TEST_F(SelectionTest, LoneBubbleKeepsItsMarkUntilAnotherTapAndBusyTapsChangeNothing) {
    put({{0, 0, 0}, {0, 0, 1}}, kColorRed);
    put({{3, 0, 0}}, kColorBlue);
    selectBlock(&p, at({0, 0, 0}));
    selectBlock(&p, at({3, 0, 0}));
    EXPECT_EQ(flagsAt({0, 0, 0}), kBlockShrinking); // old selection dropped, pulse fades out
    EXPECT_EQ(flagsAt({3, 0, 0}), kBlockSelected | kBlockShrinking | kBlockAnchor | kBlockLone);
    EXPECT_EQ(p.flags & kPuzzleShowScore, 0u);
    EXPECT_EQ(rejectSndRequest, 1);

    // Neither the lone bubble tapped again nor any tap while busy or after the end changes a bit.
    rejectSndRequest = 0;
    for (std::uint32_t flag : {0u, kPuzzleBusy, kPuzzleGameOver}) {
        p.flags |= flag;
        const Puzzle before = p;
        selectBlock(&p, at(flag ? Cell{0, 0, 0} : Cell{3, 0, 0}));
        EXPECT_EQ(std::memcmp(&before, &p, sizeof p), 0) << flag;
        EXPECT_EQ(rejectSndRequest, 0);
        p.flags &= ~flag;
    }

    selectBlock(&p, at({0, 0, 1}));
    EXPECT_EQ(flagsAt({3, 0, 0}), kBlockShrinking);
    EXPECT_EQ(flagsAt({0, 0, 1}), kBlockSelected | kBlockShrinking | kBlockAnchor);
    EXPECT_EQ(p.selectScore, 1u);
}

TEST_F(SelectionTest, TapOffTheBoardOnlyDropsTheSelection) {
    Puzzle other;
    makeEmptyBoard(&other);
    putBubble(&other, 0, 0, 0, kColorRed);
    for (Block* tapped :
         {at({4, 4, 4}) /* dead */, &other.blocks[0], static_cast<Block*>(nullptr)}) {
        SetUp();
        put({{0, 0, 0}, {0, 0, 1}}, kColorRed);
        selectBlock(&p, at({0, 0, 0}));
        selectBlock(&p, tapped);
        EXPECT_EQ(flagsAt({0, 0, 0}), kBlockShrinking);
        EXPECT_EQ(flagsAt({0, 0, 1}), kBlockShrinking);
        EXPECT_EQ(p.score, 0u);
        EXPECT_EQ(p.flags, kPuzzleShowScore); // the score bubble runs out on its own
    }
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
            std::set<int> want;
            referenceGroup(p, n, want);
            selectBlock(&p, &p.blocks[n]);
            std::set<int> got;
            for (int i = 0; i < 125; ++i) {
                if (p.blocks[i].state.flags & kBlockSelected) got.insert(i);
            }
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
    p.counter = 10;
    updateSelection(&p); // same size: the score is not announced again
    EXPECT_EQ(p.counter, 10u);

    removeBubble(&p, 0, 0, 3); // splits off (0, 0, 4)
    updateSelection(&p);
    EXPECT_EQ(flagsAt({0, 0, 4}), kBlockShrinking);
    EXPECT_EQ(flagsAt({0, 0, 2}), kBlockSelected | kBlockShrinking);
    EXPECT_EQ(p.selectScore, 4u);
    EXPECT_EQ(p.counter, 75u);

    removeBubble(&p, 0, 0, 0);
    removeBubble(&p, 0, 0, 2);
    updateSelection(&p);
    EXPECT_EQ(flagsAt({0, 0, 1}), kBlockSelected | kBlockShrinking | kBlockAnchor | kBlockLone);
    EXPECT_EQ(p.flags & kPuzzleShowScore, 0u);
    EXPECT_EQ(p.selectScore, 0u);
    EXPECT_EQ(rejectSndRequest, 0); // quietly: nobody tapped

    // A bubble falls next to the lone anchor: it joins in the anchor's pulse phase and scale.
    at({0, 0, 1})->state.scale[0] = at({0, 0, 1})->state.scale[1] = at({0, 0, 1})->state.scale[2] =
        0.8f;
    put({{0, 1, 1}}, kColorRed);
    at({0, 1, 1})->state.flags = kBlockGrowing;
    updateSelection(&p);
    EXPECT_EQ(flagsAt({0, 0, 1}), kBlockSelected | kBlockShrinking | kBlockAnchor);
    EXPECT_EQ(flagsAt({0, 1, 1}), kBlockSelected | kBlockShrinking);
    EXPECT_EQ(at({0, 1, 1})->state.scale[2], 0.8f);
    EXPECT_EQ(p.selectScore, 1u);
    EXPECT_EQ(p.flags, kPuzzleShowScore);

    at({0, 0, 1})->state.flags &= ~kBlockAnchor; // without an anchor: only deselection
    p.counter = 3;
    updateSelection(&p);
    EXPECT_EQ(flagsAt({0, 0, 1}), kBlockShrinking);
    EXPECT_EQ(flagsAt({0, 1, 1}), kBlockShrinking);
    EXPECT_EQ(p.counter, 3u);
}

// Without memory for the work list a tap or re-selection only drops the old marks; when memory
// runs out half-way through a burst, the points follow the bubbles that did burst.
TEST_F(SelectionTest, MemoryExhaustion) {
    put({{0, 0, 0}, {0, 0, 1}}, kColorRed);
    put({{3, 0, 0}, {3, 0, 1}}, kColorBlue);
    selectBlock(&p, at({0, 0, 0}));
    AllocHook::plan.allowance = 0;
    Puzzle want = p;
    for (int n : {cellIndex(0, 0, 0), cellIndex(0, 0, 1)})
        want.blocks[n].state.flags = kBlockShrinking;
    selectBlock(&p, at({0, 0, 1})); // a burst that cannot run earns nothing
    EXPECT_EQ(std::memcmp(&want, &p, sizeof p), 0);

    AllocHook::plan.allowance = -1;
    selectBlock(&p, at({3, 0, 1}));
    AllocHook::plan.allowance = 0;
    want = p;
    want.blocks[cellIndex(3, 0, 0)].state.flags = kBlockShrinking;
    updateSelection(&p);
    EXPECT_EQ(std::memcmp(&want, &p, sizeof p), 0);

    SetUp();
    AllocHook::plan.allowance = -1;
    put({{1, 1, 0}, {1, 1, 1}, {1, 1, 2}, {1, 1, 3}}, kColorBlue);
    selectBlock(&p, at({1, 1, 0}));
    ASSERT_EQ(p.selectScore, 9u);
    for (int calls = 0; calls < 6; ++calls) {
        Puzzle q = p;
        AllocHook::plan.allowance = calls;
        selectBlock(&q, &q.blocks[cellIndex(1, 1, 0)]);
        const int popped = 4 - liveCount(&q);
        EXPECT_EQ(q.score, popped == 0 ? 0u : groupScore(popped)) << calls;
        EXPECT_EQ(AllocHook::liveBlocks(), 0u) << calls;
    }
}

} // namespace
