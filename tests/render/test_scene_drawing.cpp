// Scene drawing checked on rendered pixels: real OpenGL ES 1.1 into an off-screen frame buffer,
// one-colour test textures, and positions projected by hand with the camera's published numbers.
#include "render/SceneDrawing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <numeric>
#include <vector>

#include "render/DrawList.h"
#include "render/Textures.h"
#include "sim/Boards.h"
#include "support/GLTest.h"

namespace {

constexpr Rgba kBlack{0, 0, 0, 255};
constexpr Rgba kWhite{255, 255, 255, 255};
// One colour per bubble texture, so that a pixel tells which texture covers it.
constexpr Rgba kBallColours[kNumColors] = {
    {255, 0, 0, 255},   {0, 0, 255, 255},   {0, 255, 0, 255},    {255, 255, 0, 255},
    {255, 0, 255, 255}, {255, 128, 0, 255}, {128, 128, 128, 255}};
constexpr Rgba kCloud{0, 255, 255, 255};
constexpr Rgba kSays{0, 128, 128, 255};

// World coordinate of grid index 0 ... 4.
float cell(int i) {
    return static_cast<float>(i - 2);
}

Rgba scaled(Rgba c, double k) {
    auto f = [k](int v) { return static_cast<int>(std::lround(v * k)); };
    return {f(c.r), f(c.g), f(c.b), 255};
}

class SceneDrawingTest : public GLTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(GLTest::SetUp());
        resetGameGlobals();
        makeTextures();
        useTarget(320, 480);
        emptyBoard();
    }
    void TearDown() override {
        target.reset();
        if (screenIsOpen() && !textures.empty())
            glDeleteTextures(static_cast<GLsizei>(textures.size()), textures.data());
        textures.clear();
        GLTest::TearDown();
    }

    // An RGBA8 frame buffer of w x h pixels, bound, with the game view's GL state and a camera
    // built here from the published numbers (eye at z = 7.55, 60 degrees vertically), so that a
    // wrong camera in the game shows.
    void useTarget(int w, int h) {
        target.reset();
        target = std::make_unique<OffscreenTarget>(w, h);
        width = w;
        height = h;
        setUpSceneState(); // the game view's
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        const float top = std::tan(30.0f * 3.14159265f / 180.0f); // at the near plane, 1.0 away
        glFrustumf(-top * float(w) / float(h), top * float(w) / float(h), -top, top, 1.0f, 1000.0f);
        glTranslatef(0.0f, 0.0f, -float(kEyeZ));
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        clear(kBlack);
    }
    void clear(Rgba c) {
        glClearColor(float(c.r) / 255, float(c.g) / 255, float(c.b) / 255, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    // Clears, draws the board and reads the picture back.
    void draw() {
        clear(kBlack);
        drawPuzzle(&board);
        target->read();
    }

    // A texture of one texel.
    GLuint solid(Rgba c) {
        const std::uint8_t texel[4] = {std::uint8_t(c.r), std::uint8_t(c.g), std::uint8_t(c.b),
                                       std::uint8_t(c.a)};
        GLuint id = 0;
        glGenTextures(1, &id);
        glBindTexture(GL_TEXTURE_2D, id);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
        textures.push_back(id);
        return id;
    }

    void makeTextures() {
        GLuint* balls[kNumColors] = {&redBallTexId,    &blueBallTexId,   &greenBallTexId,
                                     &yellowBallTexId, &purpleBallTexId, &orangeBallTexId,
                                     &whiteBallTexId};
        for (int c = 0; c < kNumColors; ++c)
            *balls[c] = solid(kBallColours[c]);
        for (GLuint* digit : {&zeroTexId, &oneTexId, &twoTexId, &threeTexId, &fourTexId, &fiveTexId,
                              &sixTexId, &sevenTexId, &eightTexId, &nineTexId})
            *digit = solid(kWhite);
        cloudTexId = solid(kCloud);
        saysTexId = solid(kSays);
        spotTexId = solid(kWhite);
        bgTexId = solid(kWhite);
    }

    Rgba at(int x, int y) const { return target->at(x, y); }
    // The pixel under a world point; points must be on screen.
    Rgba atWorld(float x, float y, float z) const {
        const Win w = cameraToWindow(x, y, z, width, height);
        return at(static_cast<int>(w.x), static_cast<int>(w.y));
    }

    // Length of the run of pixels around (x, y) along a row (or a column) that match `c`.
    int runThrough(int x, int y, Rgba c, bool alongRow) const {
        int lo = alongRow ? x : y, hi = lo;
        auto matches = [&](int i) {
            return alongRow ? (i >= 0 && i < width && looksLike(at(i, y), c, 3))
                            : (i >= 0 && i < height && looksLike(at(x, i), c, 3));
        };
        if (!matches(lo)) return 0;
        while (matches(lo - 1))
            --lo;
        while (matches(hi + 1))
            ++hi;
        return hi - lo + 1;
    }

    void emptyBoard() {
        makeEmptyBoard(&board);
        std::memset(board.shadows, 0, sizeof board.shadows);
        sortDrawIndex();
    }
    // Far to near, as the frame update leaves it.
    void sortDrawIndex() {
        std::iota(std::begin(board.drawIndex), std::end(board.drawIndex), 0u);
        std::stable_sort(std::begin(board.drawIndex), std::end(board.drawIndex),
                         [this](std::uint32_t a, std::uint32_t b) {
                             return board.blocks[a].position[2] < board.blocks[b].position[2];
                         });
    }
    BlockState& put(int x, int y, int z, int color, std::uint32_t flags = 0) {
        putBubble(&board, x, y, z, color);
        BlockState& s = board.blocks[cellIndex(x, y, z)].state;
        s.flags = flags;
        return s;
    }
    Shadow& shadow(int x, int z, float lowestY, std::uint8_t selected) {
        Shadow& s = board.shadows[5 * x + z];
        s = Shadow{1, selected, {cell(x), lowestY, cell(z)}, {1.0f, 1.0f, 1.0f}};
        return s;
    }

    std::unique_ptr<OffscreenTarget> target;
    int width = 0, height = 0;
    std::vector<GLuint> textures;
    Puzzle board{};
};

// ---------------------------------------------------------------------------------------------
// Backgrounds

TEST_F(SceneDrawingTest, GradientRunsFromGreyAtTheBottomToWhiteAt35PercentAtAnyScale) {
    for (int scale : {1, 2}) {
        SCOPED_TRACE(scale);
        useTarget(320 * scale, 480 * scale);
        fillBackground();
        target->read();
        const int row35 = static_cast<int>(0.35 * height);
        for (int x : {0, width / 2, width - 1}) { // the camera's projection does not matter
            EXPECT_TRUE(looksLike(at(x, 0), {178, 180, 179, 255}));
            EXPECT_TRUE(looksLike(at(x, row35 / 2), {216, 217, 216, 255}, 3)); // smooth in between
            EXPECT_TRUE(looksLike(at(x, row35), {254, 254, 254, 255}));
            EXPECT_TRUE(looksLike(at(x, (row35 + height) / 2), kWhite));
            EXPECT_TRUE(looksLike(at(x, height - 1), kWhite));
        }
    }
}

// The draw list builds each modelview on the CPU; it must be GL's own, bit for bit, for the
// turns, scales and moves the scene makes (clouds turn by any angle, shadows lie flat, the
// speech bubble has no depth), and so must the pixels.
TEST_F(SceneDrawingTest, TheDrawListsMatricesAreExactlyGLsOwn) {
    static const GLfloat quad[] = {0.5f, 0.5f, 0.0f, -0.5f, 0.5f,  0.0f,
                                   0.5f, -0.5f, 0.0f, -0.5f, -0.5f, 0.0f};
    static const GLfloat uv[] = {1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 1.0f};
    DrawList list;
    list.begin();
    list.texture(cloudTexId);
    glBindTexture(GL_TEXTURE_2D, cloudTexId);
    glVertexPointer(3, GL_FLOAT, 0, quad);
    glTexCoordPointer(2, GL_FLOAT, 0, uv);
    auto move = [&](const float t[3], float angle, const float axis[3], const float s[3]) {
        glPushMatrix();
        glTranslatef(t[0], t[1], t[2]);
        glRotatef(angle, axis[0], axis[1], axis[2]);
        glScalef(s[0], s[1], s[2]);
        glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
        GLfloat byGL[16], byList[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, byGL);
        glPopMatrix();
        list.pushMatrix();
        list.translate(t[0], t[1], t[2]);
        list.rotate(angle, axis[0], axis[1], axis[2]);
        list.scale(s[0], s[1], s[2]);
        list.arrays(quad, uv, 4);
        list.modelview(byList);
        list.popMatrix();
        EXPECT_EQ(std::memcmp(byGL, byList, sizeof byGL), 0) << angle;
    };
    const float z[3] = {0, 0, 1}, x[3] = {1, 0, 0}, y[3] = {0, 1, 0};
    for (float a = -180.0f; a <= 180.0f; a += 7.0f) {
        const float t[3] = {a / 100.0f, 0.3f, 1.7f}, s[3] = {0.21f, 0.83f, 0.21f};
        move(t, a, z, s);
        move(t, a, y, s);
    }
    const float floor[3] = {1.0f, -3.0f, 2.5f}, wide[3] = {1.37f, 1.0f, 1.0f};
    move(floor, 90.0f, x, wide);
    const float says[3] = {-1.75f, 0.35f, 2.5f}, flat[3] = {1.5f, 1.5f, 0.0f};
    move(says, 0.0f, z, flat);
    target->read();
    const std::vector<std::uint8_t> byGL = target->pixels;
    clear(kBlack);
    list.draw(list.viewport());
    target->read();
    EXPECT_TRUE(target->pixels == byGL);
    EXPECT_TRUE(looksLike(atWorld(0.04f, 0.3f, 1.7f), kCloud)); // something was drawn
}

// ---------------------------------------------------------------------------------------------
// Bubbles

TEST_F(SceneDrawingTest, EachColourShowsItsTextureAtItsCentreInDrawOrderAtItsSize) {
    for (int scale : {1, 2}) {
        SCOPED_TRACE(scale);
        useTarget(320 * scale, 480 * scale);
        emptyBoard();
        // Front face, colours 0 ... 6 and one outside the table, which draws purple.
        const int colours[] = {0, 1, 2, 3, 4, 5, 6, 9};
        for (int i = 0; i < 8; ++i)
            put(i % 4, i / 4, 4, colours[i]);
        draw();
        for (int i = 0; i < 8; ++i) {
            const Rgba want = kBallColours[colours[i] < kNumColors ? colours[i] : kColorPurple];
            EXPECT_TRUE(looksLike(atWorld(cell(i % 4), cell(i / 4), 2.0f), want)) << "bubble " << i;
        }
    }
    // The later in the draw order covers, whatever the depth.
    emptyBoard();
    put(2, 2, 0, kColorRed);  // far
    put(2, 2, 4, kColorBlue); // near, on the same line of sight
    draw();
    EXPECT_TRUE(looksLike(atWorld(0, 0, 2), kBallColours[kColorBlue]));
    std::reverse(std::begin(board.drawIndex), std::end(board.drawIndex));
    draw();
    EXPECT_TRUE(looksLike(atWorld(0, 0, 2), kBallColours[kColorRed]));

    // A dead cell shows nothing; a drawn bubble's side is its scale + 0.04 world units, also
    // while it waits for its turn to burst.
    emptyBoard();
    put(1, 2, 4, kColorRed, kBlockPopped);
    BlockState& bursting = put(3, 2, 4, kColorGreen, kBlockPopped | kBlockBursting);
    bursting.frame = -4; // no cloud yet
    bursting.scale[0] = bursting.scale[1] = bursting.scale[2] = 0.5f;
    put(2, 0, 4, kColorBlue);
    draw();
    EXPECT_TRUE(looksLike(atWorld(-1, 0, 2), kBlack));
    const double unit = cameraPixelsPerUnit(2.0f, height);
    const int cx = width / 2 + static_cast<int>(unit), cy = height / 2;
    EXPECT_NEAR(runThrough(cx, cy, kBallColours[kColorGreen], true), 0.54 * unit, 1.0);
    EXPECT_NEAR(runThrough(cx, cy, kBallColours[kColorGreen], false), 0.54 * unit, 1.0);
    const int by = static_cast<int>(cameraToWindow(0, -2.0f, 2.0f, width, height).y);
    EXPECT_NEAR(runThrough(width / 2, by, kBallColours[kColorBlue], true), 1.04 * unit, 1.0);
}

TEST_F(SceneDrawingTest, HintsFadeEverythingOutsideTheSelection) {
    board.flags = kPuzzleShowScore;
    board.selectScore = 1;
    put(4, 0, 4, kColorRed, kBlockSelected | kBlockAnchor);
    put(4, 4, 4, kColorRed, kBlockSelected);
    put(0, 4, 4, kColorBlue);
    for (int hints : {1, 0}) {
        SCOPED_TRACE(hints);
        hintState = hints;
        draw();
        EXPECT_TRUE(looksLike(atWorld(2, 2, 2), kBallColours[kColorRed]));
        EXPECT_TRUE(
            looksLike(atWorld(-2, 2, 2), scaled(kBallColours[kColorBlue], hints ? 0.15 : 1.0)));
        // The speech bubble and its score appear either way.
        EXPECT_TRUE(looksLike(atWorld(1.25f - 0.6f, -2 + 0.35f - 0.6f, 2.5f), kSays));
    }
}

// ---------------------------------------------------------------------------------------------
// Shadows

TEST_F(SceneDrawingTest, ShadowsDarkenTheSelectionsColumnsOnlyWithHintsOn) {
    shadow(1, 2, -2.0f, 1); // world x = -1, z = 0: holds a selected bubble
    shadow(3, 2, -2.0f, 0); // world x = 1
    struct Case {
        int hints;
        std::uint32_t flags;
        double selected, other; // grey times alpha, over black
    };
    for (const Case& c : {Case{1, kPuzzleShowScore, 0.4 * 0.35, 0.3 * 0.05},
                          Case{0, kPuzzleShowScore, 0.35 * 0.2, 0.35 * 0.2},
                          Case{1, 0, 0.35 * 0.2, 0.35 * 0.2}, Case{1, kPuzzleStarting, 0, 0}}) {
        SCOPED_TRACE(testing::Message() << c.hints << " " << c.flags);
        hintState = c.hints;
        board.flags = c.flags;
        draw();
        EXPECT_TRUE(looksLike(atWorld(-1, -3, 0.5f), scaled(kWhite, c.selected)));
        EXPECT_TRUE(looksLike(atWorld(1, -3, 0.5f), scaled(kWhite, c.other)));
    }
}

// ---------------------------------------------------------------------------------------------
// Score, speech bubble, state

TEST_F(SceneDrawingTest, ScoreTurnsRedWhenTheGameIsOver) {
    board.score = 11;
    for (bool over : {false, true}) {
        SCOPED_TRACE(over);
        board.flags = over ? kPuzzleGameOver : 0;
        draw();
        const Rgba want = over ? Rgba{230, 77, 77, 255} : kWhite;
        EXPECT_TRUE(looksLike(atWorld(-0.1775f, 2.657f, 2.5f), want));
        EXPECT_TRUE(looksLike(atWorld(0.1975f + 0.1f, 2.657f, 2.5f), want));
    }
}

TEST_F(SceneDrawingTest, SpeechBubbleSitsLeftOfTheAnchorExceptAtTheLeftFace) {
    board.flags = kPuzzleShowScore;
    board.selectScore = 4;
    hintState = 0;
    // Anchor at x = -2: the bubble moves over it, x = -2.0 (spans -2.75 ... -1.25).
    put(0, 2, 2, kColorBlue, kBlockSelected | kBlockAnchor);
    draw();
    EXPECT_TRUE(looksLike(atWorld(-1.4f, 0.35f, 0.5f), kSays));
    // The group's score in the anchor's tint, on the speech bubble.
    EXPECT_TRUE(looksLike(atWorld(-2.02f, 0.425f, 0.5f), {64, 140, 242, 255}));

    // Anchor at x = -1: to its left, x = -1.75 (spans -2.5 ... -1.0).
    emptyBoard();
    board.flags = kPuzzleShowScore;
    board.selectScore = 4;
    put(1, 2, 2, kColorYellow, kBlockSelected | kBlockAnchor);
    draw();
    EXPECT_TRUE(looksLike(atWorld(-2.3f, 0.35f, 0.5f), kSays));
    EXPECT_TRUE(looksLike(atWorld(-0.6f, 0.35f, 0.5f), kBallColours[kColorYellow]));
    EXPECT_TRUE(looksLike(atWorld(-1.77f, 0.425f, 0.5f), {179, 179, 38, 255}));

    // Selected but no anchor: no speech bubble.
    board.blocks[cellIndex(1, 2, 2)].state.flags = kBlockSelected;
    draw();
    EXPECT_TRUE(looksLike(atWorld(-2.3f, 0.35f, 0.5f), kBlack));
}

} // namespace
