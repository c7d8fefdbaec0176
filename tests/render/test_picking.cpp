// Touch picking on a real OpenGL ES 1.1 context with the game's camera: a brute-force reference
// over seeded boards, touches on the background among them.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>

#include "math/Camera.h"
#include "math/Matrix.h"
#include "render/BlockPicking.h"
#include "sim/Boards.h"
#include "support/GLTest.h"

namespace {

class PickingTest : public GLTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(GLTest::SetUp());
        ASSERT_TRUE(setUpCamera(float(kWidth), float(kHeight)));
        makeEmptyBoard(&board);
    }

    Puzzle board{};
};

// The brute-force reference: every live bubble's centre goes through the matrices GL holds into
// clip space, where this camera's eye-space point is (x / m[0], y / m[5], -w); the touch's ray
// from the eye is built the same way, and the bubble whose sphere it enters first wins, all in
// double. A touch is left out when a sphere that could come first passes within `kMargin` of its
// rim, or when the two first entries nearly tie.
struct Reference {
    const Block* block;
    bool ambiguous;
};

Reference referencePick(const Puzzle& p, int x, int y) {
    constexpr double kMargin = 0.01;
    float proj[16];
    glGetFloatv(GL_PROJECTION_MATRIX, proj);
    GLint vp[4];
    glGetIntegerv(GL_VIEWPORT, vp);
    double dir[3] = {(2.0 * (x - vp[0]) / vp[2] - 1.0) / proj[0],
                     (2.0 * (y - vp[1]) / vp[3] - 1.0) / proj[5], -1.0};
    const double len = std::sqrt(dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2]);
    for (double& d : dir)
        d /= len;

    Reference ref{nullptr, false};
    double best = 1e30, second = 1e30, nearestRim = 1e30;
    for (const Block& b : p.blocks) {
        if (b.state.flags & kBlockPopped) continue;
        double centre[3];
        for (int i = 0; i < 3; ++i)
            centre[i] = double(b.position[i]) + b.state.offset[i];
        // Clip coordinates through the matrices GL holds; the eye transform is on the projection.
        double c[4] = {};
        for (int r = 0; r < 4; ++r)
            for (int k = 0; k < 4; ++k)
                c[r] += proj[4 * k + r] * (k < 3 ? centre[k] : 1.0);
        const double e[3] = {c[0] / proj[0], c[1] / proj[5], -c[3]};
        const double t = e[0] * dir[0] + e[1] * dir[1] + e[2] * dir[2];
        const double d = std::sqrt(std::max(e[0] * e[0] + e[1] * e[1] + e[2] * e[2] - t * t, 0.0));
        const double r = 0.5 * b.state.scale[0];
        if (std::fabs(d - r) < kMargin) nearestRim = std::min(nearestRim, t - r);
        if (d > r) continue;
        const double entry = t - std::sqrt(r * r - d * d);
        if (entry < best) {
            second = best;
            best = entry;
            ref.block = &b;
        } else if (entry < second) {
            second = entry;
        }
    }
    ref.ambiguous = nearestRim < best || (ref.block && second - best < kMargin);
    return ref;
}

// A seeded board with gaps, shrunken and sliding bubbles, optionally turned part-way: a pick must
// follow each bubble's offset and scale, as drawn.
void makeMessyBoard(Puzzle* p, long seed, float turnUpDown, float turnLeftRight) {
    makeRestingBoard(p, seed);
    std::mt19937 gen(static_cast<unsigned>(seed));
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    float m[16];
    mat_quatRotate(m, 0.0f, turnUpDown, turnLeftRight);
    for (Block& b : p->blocks) {
        mat_multv3(b.position, m, b.origin);
        const float roll = unit(gen);
        if (roll < 0.35f) {
            b.state.flags = kBlockPopped | (roll < 0.1f ? kBlockBursting : 0u);
        } else if (roll < 0.5f) {
            for (float& s : b.state.scale)
                s = 0.5f + 0.5f * unit(gen);
        } else if (roll < 0.6f) {
            b.state.offset[1] = unit(gen);
            b.state.flags = kBlockMoving | kBlockFalling;
        }
    }
}

TEST_F(PickingTest, AgreesWithABruteForceReferenceOnSeededBoards) {
    struct Case {
        long seed;
        float upDown, leftRight;
    };
    const Case cases[] = {{1, 0, 0}, {2, 0, 30}, {3, 40, 0}, {4, 20, 70}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seed);
        makeMessyBoard(&board, c.seed, c.upDown, c.leftRight);
        int compared = 0, skipped = 0;
        std::set<const Block*> distinct;
        for (int y = 1; y < kHeight; y += 3)
            for (int x = 1; x < kWidth; x += 3) {
                const Reference ref = referencePick(board, x, y);
                if (ref.ambiguous) {
                    ++skipped;
                    continue;
                }
                ++compared;
                const Block* got = pickBlock(x, y, &board, eyePos);
                ASSERT_EQ(got, ref.block) << "touch " << x << "," << y;
                distinct.insert(got);
            }
        // The comparison covers both outcomes and reaches well into the cube.
        EXPECT_LT(skipped, compared / 10);
        EXPECT_GT(distinct.size(), 50u);
        EXPECT_TRUE(distinct.count(nullptr));
    }
}

} // namespace
