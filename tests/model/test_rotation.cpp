// Quarter turns: the re-gridding permutations against the geometry of the turns and the drawn
// rotation, the nine-frame animations, and requests while busy.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>

#include "math/Matrix.h"
#include "model/Puzzle.h"
#include "sim/Boards.h"

namespace {

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
    for (int n = 0; n < kNumBlocks; ++n)
        if (std::memcmp(&a.blocks[n].state, &b.blocks[n].state, sizeof(BlockState)) != 0)
            return false;
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
    } turns[] = {{0, 1, -90, {0, 0, 90}}, {1, 1, 90, {}}, {2, 0, 90, {}}, {3, 0, -90, {0, 90, 0}}};
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
}

TEST(Turn, EachTakesNineFramesAndEndsRegriddedAndNoneStartsWhileBusy) {
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
        int permutation; // the one applied
    } cases[] = {{kDirLeft, 2, forward, 0},
                 {kDirRight, 2, backward, 0},
                 {kDirUp, 1, forward, 3},
                 {kDirDown, 1, backward, 3}};
    Puzzle start, p;
    makeRestingBoard(&start, 7);
    for (int n = 0; n < kNumBlocks; ++n)
        start.blocks[n].state.frame = n; // every state differs
    for (const auto& c : cases) {
        p = start;
        rotatePuzzle(&p, c.direction);
        EXPECT_EQ(p.flags, kPuzzleBusy);
        for (int direction : {kDirLeft, kDirRight, kDirUp, kDirDown}) {
            const Puzzle before = p;
            rotatePuzzle(&p, direction); // refused while busy
            EXPECT_EQ(std::memcmp(&before, &p, sizeof p), 0) << direction;
        }
        for (int f = 0; f < 9; ++f) {
            updatePuzzleOrientation(&p);
            EXPECT_EQ(p.currRot[c.axis], c.profile.curr[f]) << c.direction << " frame " << f;
            EXPECT_EQ(p.dstRot[c.axis], c.profile.dst[f]) << c.direction << " frame " << f;
            EXPECT_TRUE(sameStates(p, permuted(start, c.permutation, c.profile.swaps[f])))
                << c.direction << " frame " << f;
        }
        for (int axis = 0; axis < 3; ++axis)
            EXPECT_EQ(p.currRot[axis] + p.dstRot[axis], 0.0f);
    }
    // The right turn's three steps of permutation 0 are one step of permutation 1.
    EXPECT_TRUE(sameStates(permuted(start, 0, 3), permuted(start, 1, 1)));
    EXPECT_TRUE(sameStates(permuted(start, 3, 3), permuted(start, 2, 1)));
}

} // namespace
