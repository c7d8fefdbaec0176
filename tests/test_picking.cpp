// Touch picking on a real OpenGL ES 1.1 context with the game's camera: hand-placed bubbles with
// known answers, a brute-force reference over seeded boards, and the ray-sphere test by itself.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <set>

#include "math/Camera.h"
#include "math/Matrix.h"
#include "math/Picking.h"
#include "platform/GLExtensions.h"
#include "platform/Screen.h"
#include "sim/Boards.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 480;

struct Clip {
    double x, y, z, w;
};

// Clip coordinates of a world point through the matrices GL holds, in double precision.
Clip toClip(const double p[3]) {
    float mv[16], proj[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, mv);
    glGetFloatv(GL_PROJECTION_MATRIX, proj);
    double e[4], c[4];
    for (int r = 0; r < 4; ++r)
        e[r] = mv[r] * p[0] + mv[4 + r] * p[1] + mv[8 + r] * p[2] + mv[12 + r];
    for (int r = 0; r < 4; ++r)
        c[r] = proj[r] * e[0] + proj[4 + r] * e[1] + proj[8 + r] * e[2] + proj[12 + r] * e[3];
    return {c[0], c[1], c[2], c[3]};
}

struct Touch {
    int x, y;
};

// The viewport pixel on which a world point is drawn.
Touch touchOn(double x, double y, double z) {
    const double p[3] = {x, y, z};
    const Clip c = toClip(p);
    GLint vp[4];
    glGetIntegerv(GL_VIEWPORT, vp);
    return {int(std::lround(vp[0] + (c.x / c.w + 1.0) * 0.5 * vp[2])),
            int(std::lround(vp[1] + (c.y / c.w + 1.0) * 0.5 * vp[3]))};
}

// Centre of cell (x, y, z) in the unrotated cube.
double world(int i) {
    return i - 2.0;
}

Block* pickAt(Touch t, Puzzle* p) {
    return pickBlock(t.x, t.y, p, eyePos);
}

class PickingTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ScreenOptions options;
        options.widthPx = kWidth;
        options.heightPx = kHeight;
        options.visible = false;
        screenOpen(options);
    }
    static void TearDownTestSuite() { screenClose(); }
    void SetUp() override {
        ASSERT_TRUE(screenIsOpen()) << "no OpenGL ES 1.1 screen";
        ASSERT_TRUE(setUpCamera(float(kWidth), float(kHeight)));
        makeEmptyBoard(&board);
    }
    void TearDown() override { EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)); }

    Block* cell(int x, int y, int z) { return &board.blocks[cellIndex(x, y, z)]; }

    Puzzle board{};
};

TEST_F(PickingTest, CentreOfAFullBoardPicksTheFrontCentreBubble) {
    makeRestingBoard(&board, 7);
    const Touch centre{kWidth / 2, kHeight / 2};
    EXPECT_EQ(pickAt(centre, &board), cell(2, 2, 4));
    // The layers behind come forward one by one as the front ones go.
    for (int z = 4; z > 0; --z) {
        board.blocks[cellIndex(2, 2, z)].state.flags = kBlockPopped;
        EXPECT_EQ(pickAt(centre, &board), cell(2, 2, z - 1));
    }
}

TEST_F(PickingTest, NearerOfTwoOverlappingBubblesWinsWhateverTheIndex) {
    struct Pair {
        int nearCell[3], farCell[3];
    };
    // Along the axis the near bubble has the higher index; above it, the lower one (the ray
    // through (0, 1, 2) climbs to meet (0, 2, -2)).
    const Pair pairs[] = {{{2, 2, 4}, {2, 2, 0}}, {{2, 3, 4}, {2, 4, 0}}};
    for (const Pair& pr : pairs) {
        makeEmptyBoard(&board);
        const Touch t =
            touchOn(world(pr.nearCell[0]), world(pr.nearCell[1]), world(pr.nearCell[2]));
        putBubble(&board, pr.farCell[0], pr.farCell[1], pr.farCell[2], kColorRed);
        Block* farBlock = cell(pr.farCell[0], pr.farCell[1], pr.farCell[2]);
        ASSERT_EQ(pickAt(t, &board), farBlock) << "the two must overlap at the touch";
        putBubble(&board, pr.nearCell[0], pr.nearCell[1], pr.nearCell[2], kColorBlue);
        EXPECT_EQ(pickAt(t, &board), cell(pr.nearCell[0], pr.nearCell[1], pr.nearCell[2]));
    }
}

TEST_F(PickingTest, PoppedAndBurstingBubblesAreNeverPicked) {
    makeRestingBoard(&board, 3);
    const Touch centre{kWidth / 2, kHeight / 2};
    cell(2, 2, 4)->state.flags = kBlockPopped | kBlockBursting; // still drawn, bursting
    cell(2, 2, 3)->state.flags = kBlockPopped;                  // gone
    EXPECT_EQ(pickAt(centre, &board), cell(2, 2, 2));
    // With the whole column gone the central ray passes between the neighbours.
    for (int z = 0; z < 3; ++z)
        cell(2, 2, z)->state.flags = kBlockPopped | kBlockBursting;
    EXPECT_EQ(pickAt(centre, &board), nullptr);
}

TEST_F(PickingTest, SlidingBubbleIsPickedWhereItIsDrawn) {
    putBubble(&board, 2, 2, 4, kColorGreen);
    Block* b = cell(2, 2, 4);
    b->state.offset[1] = 1.0f; // dropped one cell, still drawn a unit above it
    b->state.flags = kBlockMoving | kBlockFalling;
    EXPECT_EQ(pickAt(touchOn(0, 0, 2), &board), nullptr);
    EXPECT_EQ(pickAt(touchOn(0, 1, 2), &board), b);
}

TEST_F(PickingTest, ShrunkenBubbleIsPickedOnlyWithinItsRadius) {
    putBubble(&board, 2, 2, 4, kColorYellow);
    Block* b = cell(2, 2, 4);
    const Touch inner = touchOn(0.2, 0, 2), outer = touchOn(0.4, 0, 2);
    EXPECT_EQ(pickAt(inner, &board), b);
    EXPECT_EQ(pickAt(outer, &board), b);
    for (float& s : b->state.scale)
        s = 0.6f; // radius 0.3
    EXPECT_EQ(pickAt(inner, &board), b);
    EXPECT_EQ(pickAt(outer, &board), nullptr);
    for (float& s : b->state.scale)
        s = 0.0f;
    EXPECT_EQ(pickAt({kWidth / 2 + 1, kHeight / 2}, &board), nullptr);
}

TEST_F(PickingTest, BackgroundAndFailedUnProjectionPickNothing) {
    EXPECT_EQ(pickAt({kWidth / 2, kHeight / 2}, &board), nullptr); // empty board
    makeRestingBoard(&board, 5);
    EXPECT_EQ(pickAt({3, 3}, &board), nullptr);
    EXPECT_EQ(pickAt({kWidth - 3, kHeight - 3}, &board), nullptr);
    EXPECT_EQ(pickAt({kWidth / 2, 20}, &board), nullptr);
    EXPECT_EQ(pickBlock(kWidth / 2, kHeight / 2, nullptr, eyePos), nullptr);

    // A projection that cannot be inverted: no bubble rather than a guess.
    const float singular[16] = {};
    float mv[16];
    mat_identity(mv);
    const int vp[4] = {0, 0, kWidth, kHeight};
    EXPECT_EQ(pickBlockWithMatrices(kWidth / 2, kHeight / 2, &board, eyePos, vp, mv, singular),
              nullptr);
}

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
        const Clip c = toClip(centre);
        const double e[3] = {c.x / proj[0], c.y / proj[5], -c.w};
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

// A seeded board with gaps, shrunken and sliding bubbles, optionally turned part-way.
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
        int compared = 0, skipped = 0, hits = 0;
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
                if (got) {
                    ++hits;
                    distinct.insert(got);
                }
            }
        // The comparison covers both outcomes and reaches well into the cube.
        EXPECT_GT(hits, compared / 5);
        EXPECT_LT(hits, compared);
        EXPECT_LT(skipped, compared / 10);
        EXPECT_GT(distinct.size(), 50u);
    }
}

TEST_F(PickingTest, DoubleDensitySurfacePicksTheSameBubbles) {
    // A content scale of 2: the same point in view units, twice the pixels.
    makeMessyBoard(&board, 9, 0, 20);
    Block* atScale1[kHeight / 8][kWidth / 8];
    for (int j = 0; j < kHeight / 8; ++j)
        for (int i = 0; i < kWidth / 8; ++i)
            atScale1[j][i] = pickBlock(8 * i, 8 * j, &board, eyePos);
    ASSERT_TRUE(setUpCamera(2.0f * kWidth, 2.0f * kHeight));
    int hits = 0;
    for (int j = 0; j < kHeight / 8; ++j)
        for (int i = 0; i < kWidth / 8; ++i) {
            Block* got = pickBlock(16 * i, 16 * j, &board, eyePos);
            EXPECT_EQ(got, atScale1[j][i]) << 8 * i << "," << 8 * j;
            hits += got != nullptr;
        }
    EXPECT_GT(hits, 100);
}

TEST(RayIntersectSphere, HitsMissesAndExits) {
    const float untouchedHit[3] = {-7, -7, -7};
    float hit[3];
    auto reset = [&] { std::memcpy(hit, untouchedHit, sizeof hit); };
    auto isUntouched = [&] { return std::memcmp(hit, untouchedHit, sizeof hit) == 0; };
    const float centre[3] = {0, 0, 0};
    const float down[3] = {0, 0, -1}, up[3] = {0, 0, 1};

    // In front: the near surface.
    const float front[3] = {0, 0, 10};
    reset();
    ASSERT_EQ(rayIntersectSphere(hit, front, down, centre, 1.0f), 1);
    EXPECT_FLOAT_EQ(hit[2], 1.0f);

    // Behind the ray's start, and beside the ray.
    reset();
    EXPECT_EQ(rayIntersectSphere(hit, front, up, centre, 1.0f), 0);
    EXPECT_TRUE(isUntouched());
    const float beside[3] = {1.5f, 0, 10};
    EXPECT_EQ(rayIntersectSphere(hit, beside, down, centre, 1.0f), 0);
    EXPECT_TRUE(isUntouched());

    // Grazing exactly at the rim counts, at the tangent point.
    const float origin[3] = {0, 0, 0}, along[3] = {1, 0, 0}, offCentre[3] = {5, 1, 0};
    ASSERT_EQ(rayIntersectSphere(hit, origin, along, offCentre, 1.0f), 1);
    EXPECT_FLOAT_EQ(hit[0], 5.0f);
    EXPECT_FLOAT_EQ(hit[1], 0.0f);
    reset();
    EXPECT_EQ(rayIntersectSphere(hit, origin, along, offCentre, 0.999f), 0);
    EXPECT_TRUE(isUntouched());

    // From inside, forward or backward of the centre, and from the surface: the exit point.
    ASSERT_EQ(rayIntersectSphere(hit, centre, up, centre, 2.0f), 1);
    EXPECT_FLOAT_EQ(hit[2], 2.0f);
    const float insideAhead[3] = {0, 0, 0.5f};
    ASSERT_EQ(rayIntersectSphere(hit, insideAhead, up, centre, 1.0f), 1);
    EXPECT_FLOAT_EQ(hit[2], 1.0f);
    ASSERT_EQ(rayIntersectSphere(hit, insideAhead, down, centre, 1.0f), 1);
    EXPECT_FLOAT_EQ(hit[2], -1.0f);
    const float onSurface[3] = {0, 0, 1};
    ASSERT_EQ(rayIntersectSphere(hit, onSurface, down, centre, 1.0f), 1);
    EXPECT_FLOAT_EQ(hit[2], -1.0f);
}

} // namespace
