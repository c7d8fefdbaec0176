// Tests of quarter turns: the re-gridding permutations against the geometry of the turns, the
// nine-frame animations, round trips and what a turn must leave alone.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstring>
#include <numbers>

#include "math/Matrix.h"
#include "model/Puzzle.h"
#include "sim/Boards.h"

namespace {

// A seeded board whose 125 states all differ, so every move of a state can be followed.
void makeTaggedBoard(Puzzle* p) {
    makeRestingBoard(p, 7);
    for (int n = 0; n < kNumBlocks; ++n) {
        p->blocks[n].state.frame = n;
        p->blocks[n].state.offset[0] = 0.25f * static_cast<float>(n);
    }
}

// `before` with permutation `direction` applied `times` times.
Puzzle permuted(const Puzzle& before, int direction, int times) {
    Puzzle p = before;
    for (int t = 0; t < times; ++t) {
        const Puzzle q = p;
        for (int n = 0; n < kNumBlocks; ++n)
            p.blocks[permutedCell(n, direction)].state = q.blocks[n].state;
    }
    return p;
}

bool sameStates(const Puzzle& a, const Puzzle& b) {
    for (int n = 0; n < kNumBlocks; ++n) {
        if (std::memcmp(&a.blocks[n].state, &b.blocks[n].state, sizeof(BlockState)) != 0)
            return false;
    }
    return true;
}

// The cell whose centre is `c`, or -1.
int cellWithOrigin(const double c[3]) {
    int g[3];
    for (int i = 0; i < 3; ++i) {
        g[i] = static_cast<int>(std::lround(c[i])) + 2;
        if (std::fabs(c[i] + 2 - g[i]) > 1e-4 || g[i] < 0 || g[i] > 4) return -1;
    }
    return cellIndex(g[0], g[1], g[2]);
}

// Each permutation against the turn of the cell centres it stands for, and, for the turns the
// animation ends in, against the drawn rotation at 90 degrees: else the picture would jump.
TEST(Permutation, MatchesQuarterTurnsOfTheCellCentresAndTheDrawnRotation) {
    const struct {
        int direction, axis; // axis 0 = x, 1 = y
        double degrees;
        float drawn[3]; // mat_quatRotate's angles at the end of the animation, or none
    } turns[] = {{0, 1, -90, {0, 0, 90}},
                 {1, 1, 90, {}},
                 {2, 0, 90, {}},
                 {3, 0, -90, {0, 90, 0}},
                 {9, 0, -90, {}}};
    Puzzle p;
    makeRestingBoard(&p, 1);
    for (const auto& t : turns) {
        const double a = t.degrees * std::numbers::pi / 180.0, c = std::cos(a), s = std::sin(a);
        float m[16];
        mat_quatRotate(m, t.drawn[0], t.drawn[1], t.drawn[2]);
        for (int n = 0; n < kNumBlocks; ++n) {
            const float* o = p.blocks[n].origin;
            double r[3];
            if (t.axis == 1) { // about y: x' = x cos + z sin, z' = -x sin + z cos
                r[0] = o[0] * c + o[2] * s, r[1] = o[1], r[2] = -o[0] * s + o[2] * c;
            } else { // about x: y' = y cos - z sin, z' = y sin + z cos
                r[0] = o[0], r[1] = o[1] * c - o[2] * s, r[2] = o[1] * s + o[2] * c;
            }
            EXPECT_EQ(permutedCell(n, t.direction), cellWithOrigin(r)) << t.direction << " " << n;
            float out[3];
            mat_multv3(out, m, o);
            const double drawn[3] = {out[0], out[1], out[2]};
            if (t.drawn[1] + t.drawn[2] != 0) {
                EXPECT_EQ(permutedCell(n, t.direction), cellWithOrigin(drawn)) << n;
            }
        }
    }
    EXPECT_EQ(permutedCell(-1, 0), -1);
    EXPECT_EQ(permutedCell(125, 0), -1);
}

class TurnTest : public ::testing::Test {
protected:
    void SetUp() override {
        makeTaggedBoard(&p);
        start = p;
    }
    void turn(int direction) {
        rotatePuzzle(&p, direction);
        for (int f = 0; f < 9; ++f)
            updatePuzzleOrientation(&p);
        p.flags &= ~kPuzzleBusy; // what the frame update does once the turn is at rest
    }
    int cellOfTag(int tag) const {
        for (int n = 0; n < kNumBlocks; ++n) {
            if (p.blocks[n].state.frame == tag) return n;
        }
        return -1;
    }
    Puzzle p, start;
};

TEST_F(TurnTest, EachTurnTakesNineFramesAndEndsRegridded) {
    // Per frame: the angle shown, the target, and how often the permutation has been applied.
    // A right or down turn is three steps of the left or up permutation, run backwards.
    struct Profile {
        float curr[9], dst[9];
        int swaps[9];
    };
    const Profile forward{{10, 20, 30, 40, 50, 60, 70, 80, 0},
                          {90, 90, 90, 90, 90, 90, 90, 90, 0},
                          {0, 0, 0, 0, 0, 0, 0, 0, 1}};
    const Profile backward{{260, 160, 60, 50, 40, 30, 20, 10, 0},
                           {180, 90, 0, 0, 0, 0, 0, 0, 0},
                           {1, 2, 3, 3, 3, 3, 3, 3, 3}};
    const struct {
        int direction, axis;
        const Profile& profile;
        int permutation;  // the one applied
        int cornerGoesTo; // where the state of cell (0, 0, 0) ends
    } cases[] = {{kDirLeft, 2, forward, 0, cellIndex(4, 0, 0)},
                 {kDirRight, 2, backward, 0, cellIndex(0, 0, 4)},
                 {kDirUp, 1, forward, 3, cellIndex(0, 0, 4)},
                 {kDirDown, 1, backward, 3, cellIndex(0, 4, 0)}};
    for (const auto& c : cases) {
        SetUp();
        rotatePuzzle(&p, c.direction);
        EXPECT_EQ(p.flags, kPuzzleBusy);
        for (int f = 0; f < 9; ++f) {
            updatePuzzleOrientation(&p);
            EXPECT_EQ(p.currRot[c.axis], c.profile.curr[f]) << c.direction << " frame " << f;
            EXPECT_EQ(p.dstRot[c.axis], c.profile.dst[f]) << c.direction << " frame " << f;
            EXPECT_TRUE(sameStates(p, permuted(start, c.permutation, c.profile.swaps[f])))
                << c.direction << " frame " << f;
        }
        for (int axis = 0; axis < 3; ++axis) {
            EXPECT_EQ(p.currRot[axis], 0.0f);
            EXPECT_EQ(p.dstRot[axis], 0.0f);
        }
        EXPECT_EQ(cellOfTag(0), c.cornerGoesTo) << c.direction;
        const Puzzle rest = p;
        updatePuzzleOrientation(&p); // at rest nothing more happens
        EXPECT_EQ(std::memcmp(&rest, &p, sizeof p), 0);
    }
    // The right turn's three steps of permutation 0 are one step of permutation 1.
    EXPECT_TRUE(sameStates(permuted(start, 0, 3), permuted(start, 1, 1)));
    EXPECT_TRUE(sameStates(permuted(start, 3, 3), permuted(start, 2, 1)));
}

TEST_F(TurnTest, RoundTripsRestoreEveryState) {
    const int trips[][4] = {{kDirLeft, kDirLeft, kDirLeft, kDirLeft},
                            {kDirUp, kDirUp, kDirUp, kDirUp},
                            {kDirLeft, kDirRight, -1, -1},
                            {kDirDown, kDirUp, -1, -1}};
    for (const auto& trip : trips) {
        SetUp();
        for (int direction : trip) {
            if (direction >= 0) turn(direction);
        }
        EXPECT_EQ(std::memcmp(&start, &p, sizeof p), 0) << trip[0] << " " << trip[1];
    }
}

// Two lefts accepted together (busy cleared by hand) tie both ways round: the half turn runs
// straight up through 90 and ends two left turns on.
TEST_F(TurnTest, HalfTurnTieGoesStraightToTheTarget) {
    rotatePuzzle(&p, kDirLeft);
    p.flags = 0;
    rotatePuzzle(&p, kDirLeft);
    ASSERT_EQ(p.dstRot[2], 180.0f);
    updatePuzzleOrientation(&p);
    EXPECT_EQ(p.currRot[2], 10.0f);
    for (int f = 1; f < 18; ++f)
        updatePuzzleOrientation(&p);
    EXPECT_EQ(p.currRot[2], 0.0f);
    EXPECT_EQ(p.dstRot[2], 0.0f);
    EXPECT_TRUE(sameStates(p, permuted(start, 0, 2)));
}

TEST_F(TurnTest, RequestsWrapTheTargetAndAreRefusedWhileBusy) {
    p.dstRot[2] = 270;
    rotatePuzzle(&p, kDirLeft);
    EXPECT_EQ(p.dstRot[2], 0.0f);
    p.flags = 0;
    rotatePuzzle(&p, kDirRight);
    EXPECT_EQ(p.dstRot[2], 270.0f);
    p.flags = 0;
    rotatePuzzle(&p, 7); // an unknown code turns down
    EXPECT_EQ(p.dstRot[1], 270.0f);
    p.flags = 0;
    rotatePuzzle(&p, kDirUp);
    EXPECT_EQ(p.dstRot[1], 0.0f);

    for (int direction : {kDirLeft, kDirRight, kDirUp, kDirDown}) {
        const Puzzle before = p;
        rotatePuzzle(&p, direction);
        EXPECT_EQ(std::memcmp(&before, &p, sizeof p), 0) << direction;
    }
}

TEST_F(TurnTest, RegriddingMovesOnlyTheStates) {
    for (int i = 0; i < kNumBlocks; ++i)
        p.drawIndex[i] = static_cast<std::uint32_t>(124 - i);
    p.shadows[3].valid = 1;
    p.score = 17;
    p.currRot[2] = 90;
    p.dstRot[2] = 90;
    for (int direction : {0, 1, 2, 3}) {
        const Puzzle before = p;
        swapBlocks(&p, direction);
        constexpr std::size_t fixed = offsetof(Block, position);
        for (int n = 0; n < kNumBlocks; ++n) {
            const auto* a = reinterpret_cast<const char*>(&before.blocks[n]);
            const auto* b = reinterpret_cast<const char*>(&p.blocks[n]);
            EXPECT_EQ(std::memcmp(a + fixed, b + fixed, sizeof(Block) - fixed), 0) << n;
        }
        EXPECT_EQ(std::memcmp(&before, &p, offsetof(Puzzle, blocks)), 0);
        EXPECT_EQ(std::memcmp(&before.shadows, &p.shadows, sizeof p - offsetof(Puzzle, shadows)),
                  0);
        EXPECT_TRUE(sameStates(p, permuted(before, direction, 1)));
    }
}

} // namespace
