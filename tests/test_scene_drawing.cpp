// Scene drawing checked on rendered pixels: real OpenGL ES 1.1 into an off-screen frame buffer,
// solid test textures, and positions projected by hand with the camera's published numbers.
#include "render/SceneDrawing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <numeric>
#include <vector>

#include "Classes/PuzzleView.h"
#include "platform/media/ImageDecoder.h"
#include "platform/media/Resources.h"
#include "render/Textures.h"
#include "sim/Boards.h"
#include "support/GLTest.h"

namespace {

constexpr Rgba kBlack{0, 0, 0, 255};
constexpr Rgba kWhite{255, 255, 255, 255};
constexpr Rgba kTransparent{0, 0, 0, 0};
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

bool isIdentity(GLenum which) {
    float m[16];
    glGetFloatv(which, m);
    for (int i = 0; i < 16; ++i)
        if (m[i] != (i % 5 == 0 ? 1.0f : 0.0f)) return false;
    return true;
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
    // built here from the published numbers (eye at z = 7.55, 60 degrees vertically).
    void useTarget(int w, int h) {
        target.reset();
        target = std::make_unique<OffscreenTarget>(w, h);
        width = w;
        height = h;
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
        glDisable(GL_DITHER);
        glShadeModel(GL_FLAT);
        glEnable(GL_TEXTURE_2D);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
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
        snapshot();
    }

    // A texture of w x h texels given row by row from the image's top, sampled nearest.
    GLuint texture(int w, int h, std::initializer_list<Rgba> texels) {
        std::vector<std::uint8_t> bytes;
        for (const Rgba& t : texels)
            bytes.insert(bytes.end(),
                         {static_cast<std::uint8_t>(t.r), static_cast<std::uint8_t>(t.g),
                          static_cast<std::uint8_t>(t.b), static_cast<std::uint8_t>(t.a)});
        GLuint id = 0;
        glGenTextures(1, &id);
        glBindTexture(GL_TEXTURE_2D, id);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        textures.push_back(id);
        return id;
    }
    GLuint solid(Rgba c) { return texture(1, 1, {c}); }

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

    void snapshot() { target->read(); }
    Rgba at(int x, int y) const { return target->at(x, y); }
    // The pixel under a world point; points must be on screen.
    Rgba atWorld(float x, float y, float z) const {
        const Win w = cameraToWindow(x, y, z, width, height);
        return at(static_cast<int>(w.x), static_cast<int>(w.y));
    }
    double pixelsPerUnit(float z) const { return cameraPixelsPerUnit(z, height); }
    double windowY(float y, float z) const { return cameraToWindow(0, y, z, width, height).y; }

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

    // The coloured runs along a row, each with its first and last pixel.
    struct Run {
        int first, last;
        Rgba colour;
    };
    std::vector<Run> runsAlongRow(int y) const {
        std::vector<Run> runs;
        for (int x = 0; x < width; ++x) {
            const Rgba c = at(x, y);
            if (looksLike(c, kBlack, 8)) continue;
            if (!runs.empty() && runs.back().last == x - 1 && looksLike(runs.back().colour, c, 8))
                runs.back().last = x;
            else
                runs.push_back({x, x, c});
        }
        return runs;
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
        snapshot();
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

// Each pass restores what it changes: the backgrounds leave the projection selected, drawPuzzle
// the modelview at identity, and drawPuzzle counts the frame.
TEST_F(SceneDrawingTest, EveryPassRestoresTheStateItChanges) {
    makeRestingBoard(&board, 7);
    sortDrawIndex();
    for (int n = 0; n < kNumShadows; ++n)
        board.shadows[n] = Shadow{1, 0, {0, -2, 0}, {1, 1, 1}};
    board.flags = kPuzzleShowScore;
    board.blocks[10].state.flags = kBlockSelected | kBlockAnchor;
    board.blocks[20].state.flags = kBlockPopped | kBlockBursting;
    board.blocks[20].state.frame = 2;
    board.frame = 41;
    float before[16], after[16];
    glGetFloatv(GL_PROJECTION_MATRIX, before);
    const struct {
        void (*pass)(Puzzle*);
        GLint mode;
    } passes[] = {{[](Puzzle*) { fillBackground(); }, GL_PROJECTION},
                  {[](Puzzle*) { drawBackground(); }, GL_PROJECTION},
                  {drawPuzzle, GL_MODELVIEW}};
    for (const auto& [pass, mode] : passes) {
        glMatrixMode(GL_MODELVIEW);
        pass(&board);
        EXPECT_EQ(glInt(GL_MATRIX_MODE), mode);
        EXPECT_EQ(glInt(GL_SHADE_MODEL), GL_FLAT);
        EXPECT_EQ(glInt(GL_PROJECTION_STACK_DEPTH), 1);
        EXPECT_EQ(glInt(GL_MODELVIEW_STACK_DEPTH), 1);
        glGetFloatv(GL_PROJECTION_MATRIX, after);
        EXPECT_EQ(0, std::memcmp(before, after, sizeof after));
        EXPECT_TRUE(isIdentity(GL_MODELVIEW_MATRIX));
        for (GLenum cap : {GL_TEXTURE_2D, GL_BLEND, GL_TEXTURE_COORD_ARRAY, GL_VERTEX_ARRAY})
            EXPECT_TRUE(glIsEnabled(cap)) << cap;
        EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY));
    }
    EXPECT_EQ(board.frame, 42u);
}

// ---------------------------------------------------------------------------------------------
// Numbers

TEST_F(SceneDrawingTest, NumbersAreCentredWithNarrowOnes) {
    // 320 pixels a unit in both directions, origin at the centre of the target. Glyph textures
    // whose left half is opaque show each glyph as [pen - 0.275, pen), so a run's right edge
    // is the pen position of its glyph.
    const Rgba red{255, 0, 0, 255}, green{0, 255, 0, 255};
    oneTexId = texture(2, 1, {red, kTransparent});
    zeroTexId = texture(2, 1, {green, kTransparent});
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(-0.5f, 0.5f, -0.75f, 0.75f, -10.0f, 10.0f);
    glMatrixMode(GL_MODELVIEW);
    const double unit = 320.0;
    auto centreOf = [&](int px) { return (px + 0.5) / unit - 0.5; };

    struct Case {
        int value;
        std::vector<double> pens;
        std::vector<Rgba> colours;
    };
    const Case cases[] = {{0, {-0.005}, {green}},
                          {11, {-0.1775, 0.1975}, {red, red}},
                          {10, {-0.1925, 0.1825}, {red, green}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        clear(kBlack);
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        drawNumber(0.0f, 0.0f, 0.0f, c.value);
        snapshot();
        const std::vector<Run> runs = runsAlongRow(height / 2);
        ASSERT_EQ(runs.size(), c.pens.size());
        for (std::size_t i = 0; i < runs.size(); ++i) {
            // The pen lies between the last covered pixel centre and the next one.
            EXPECT_LT(centreOf(runs[i].last), c.pens[i]);
            EXPECT_GE(centreOf(runs[i].last + 1), c.pens[i]);
            EXPECT_NEAR(runs[i].last - runs[i].first + 1, 0.275 * unit, 1.0);
            EXPECT_TRUE(looksLike(runs[i].colour, c.colours[i]));
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Bubbles

TEST_F(SceneDrawingTest, EachColourShowsItsTextureAtTheProjectedCentre) {
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
}

TEST_F(SceneDrawingTest, DrawOrderDecidesWhatCovers) {
    put(2, 2, 0, kColorRed);  // far
    put(2, 2, 4, kColorBlue); // near, on the same line of sight
    draw();
    EXPECT_TRUE(looksLike(atWorld(0, 0, 2), kBallColours[kColorBlue]));

    std::reverse(std::begin(board.drawIndex), std::end(board.drawIndex));
    draw();
    EXPECT_TRUE(looksLike(atWorld(0, 0, 2), kBallColours[kColorRed]));
}

TEST_F(SceneDrawingTest, DeadCellsAreSkippedAndBurstingBubblesKeepTheirPaddedScale) {
    put(1, 2, 4, kColorRed, kBlockPopped); // dead: burst over
    BlockState& bursting = put(3, 2, 4, kColorGreen, kBlockPopped | kBlockBursting);
    bursting.frame = -4; // waiting for its turn: no cloud yet
    bursting.scale[0] = bursting.scale[1] = bursting.scale[2] = 0.5f;
    put(2, 0, 4, kColorBlue);
    draw();
    EXPECT_TRUE(looksLike(atWorld(-1, 0, 2), kBlack));
    EXPECT_TRUE(looksLike(atWorld(1, 0, 2), kBallColours[kColorGreen]));

    // Side of a drawn bubble: its scale + 0.04 world units.
    const double unit = pixelsPerUnit(2.0f);
    const int cx = width / 2 + static_cast<int>(unit), cy = height / 2;
    EXPECT_NEAR(runThrough(cx, cy, kBallColours[kColorGreen], true), 0.54 * unit, 1.0);
    EXPECT_NEAR(runThrough(cx, cy, kBallColours[kColorGreen], false), 0.54 * unit, 1.0);
    const int by = static_cast<int>(windowY(-2.0f, 2.0f));
    EXPECT_NEAR(runThrough(width / 2, by, kBallColours[kColorBlue], true), 1.04 * unit, 1.0);
}

TEST_F(SceneDrawingTest, BurstCloudAppearsFromFrameZeroAndTurnsWithTheBubble) {
    BlockState& s = put(2, 2, 4, kColorRed, kBlockPopped | kBlockBursting);
    // Below the centre lies the largest puff (offset (0, -0.12), side 0.21) until the cloud
    // is turned; a quarter turn brings the middle puff above, half a turn the largest one.
    const float below = -0.15f, above = 0.15f;
    struct Case {
        int frame;
        float angle;
        Rgba below, above;
    };
    const Rgba red = kBallColours[kColorRed];
    for (const Case& c : {Case{-1, 0.0f, red, red}, Case{0, 0.0f, kCloud, red},
                          Case{3, 90.0f, red, kCloud}, Case{3, 180.0f, red, kCloud}}) {
        SCOPED_TRACE(c.angle);
        s.frame = c.frame;
        s.rotation[0] = c.angle;
        draw();
        EXPECT_TRUE(looksLike(atWorld(0.0f, below, 2.0f), c.below));
        EXPECT_TRUE(looksLike(atWorld(0.0f, above, 2.0f), c.above));
    }
    // The puffs grow as the bubble shrinks: at scale 0.2 the largest covers the centre.
    s.frame = 5;
    s.rotation[0] = 0.0f;
    s.scale[0] = s.scale[1] = s.scale[2] = 0.2f;
    draw();
    EXPECT_TRUE(looksLike(atWorld(0.0f, 0.0f, 2.0f), kCloud));
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
    // Without a selection shown nothing fades.
    board.flags = 0;
    hintState = 1;
    draw();
    EXPECT_TRUE(looksLike(atWorld(-2, 2, 2), kBallColours[kColorBlue]));
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

TEST_F(SceneDrawingTest, ShadowsNarrowWithTheHeightOfTheColumnsLowestBubble) {
    // Floor lines of equal depth are rows on screen, so widths are measured along the row of
    // the shadow's centre line z + 0.5 and its depth along a column.
    const Rgba grey = scaled(kWhite, 0.35 * 0.2);
    struct Case {
        float lowestY, scale, width;
    };
    for (const Case& c :
         {Case{-2.0f, 1.0f, 1.0f}, Case{2.0f, 1.0f, 0.6f}, Case{-2.0f, 1.2f, 0.8f}}) {
        SCOPED_TRACE(c.lowestY);
        emptyBoard();
        shadow(2, 2, c.lowestY, 0).scale[0] = c.scale;
        draw();
        const int row = static_cast<int>(windowY(-3.0f, 0.5f));
        EXPECT_NEAR(runThrough(width / 2, row, grey, true), c.width * pixelsPerUnit(0.5f), 1.5);
        const double depth = windowY(-3.0f, 0.0f) - windowY(-3.0f, 1.0f);
        EXPECT_NEAR(runThrough(width / 2, row, grey, false), depth, 1.5);
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

    // A colour outside the table gives a white score.
    board.blocks[cellIndex(1, 2, 2)].state.color = 12;
    draw();
    EXPECT_TRUE(looksLike(atWorld(-1.77f, 0.425f, 0.5f), kWhite));

    // Selected but no anchor: no speech bubble.
    board.blocks[cellIndex(1, 2, 2)].state.flags = kBlockSelected;
    draw();
    EXPECT_TRUE(looksLike(atWorld(-2.3f, 0.35f, 0.5f), kBlack));
}

// ---------------------------------------------------------------------------------------------
// The game view

class PuzzleViewTest : public SceneDrawingTest {
protected:
    // The view's picture, turned bottom row first as the other tests read them.
    void snapshotView(const PuzzleView& view) {
        std::vector<std::uint8_t> rgba;
        ASSERT_TRUE(view.readPixels(rgba));
        ASSERT_EQ(rgba.size(), static_cast<std::size_t>(width * height * 4));
        target->pixels.resize(rgba.size());
        const std::size_t row = static_cast<std::size_t>(width) * 4;
        for (int y = 0; y < height; ++y)
            std::memcpy(&target->pixels[static_cast<std::size_t>(y) * row],
                        &rgba[static_cast<std::size_t>(height - 1 - y) * row], row);
    }
    // Mean of the 2 x 2 texels at the centre of a shipped image: what a quad shows in its middle.
    static Rgba imageCentre(const char* name) {
        const DecodedImage image = decodePngFile(resourcePath(name));
        if (image.empty()) return kTransparent;
        int sum[4] = {};
        for (int y = image.height / 2 - 1; y <= image.height / 2; ++y)
            for (int x = image.width / 2 - 1; x <= image.width / 2; ++x)
                for (int c = 0; c < 4; ++c)
                    sum[c] += image.pixels.get()[(y * image.width + x) * 4 + c];
        return {sum[0] / 4, sum[1] / 4, sum[2] / 4, sum[3] / 4};
    }
};

TEST_F(PuzzleViewTest, ConstructionSetsTheGameStateCameraAndFirstBoard) {
    float camera[16], m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, camera); // the fixture's camera for the same 320 x 480
    puzzle.flags = 0;
    bgTexId = spotTexId = 0;

    const std::unique_ptr<PuzzleView> view = PuzzleView::initWithFrame({{0, 0}, {320, 480}});
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->isCurrentContext());
    for (GLenum cap : {GL_DEPTH_TEST, GL_CULL_FACE, GL_DITHER, GL_COLOR_ARRAY})
        EXPECT_FALSE(glIsEnabled(cap)) << cap;
    for (GLenum cap : {GL_TEXTURE_2D, GL_BLEND, GL_VERTEX_ARRAY, GL_TEXTURE_COORD_ARRAY})
        EXPECT_TRUE(glIsEnabled(cap)) << cap;
    EXPECT_EQ(glInt(GL_BLEND_SRC), GL_SRC_ALPHA);
    EXPECT_EQ(glInt(GL_BLEND_DST), GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_EQ(glInt(GL_SHADE_MODEL), GL_FLAT);
    GLfloat clearColour[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
    EXPECT_EQ(clearColour[0] + clearColour[1] + clearColour[2] + clearColour[3], 4.0f);
    EXPECT_TRUE(isIdentity(GL_MODELVIEW_MATRIX));
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(m[i], camera[i], 1e-5 * (1.0 + std::fabs(camera[i]))) << i;

    EXPECT_TRUE(puzzle.flags & kPuzzleStarting); // a new board is dropping in
    EXPECT_NE(bgTexId, 0u);                      // the first and the last of the images
    EXPECT_NE(spotTexId, 0u);
    snapshotView(*view); // the first frame is the background alone
    EXPECT_TRUE(looksLike(at(width / 2, 0), {178, 180, 179, 255}));
    EXPECT_TRUE(looksLike(at(width / 2, height / 2), kWhite));
}

TEST_F(PuzzleViewTest, FramesShowTheShippedBubbleImagesOnceTheBoardHasLanded) {
    const char* images[kNumColors] = {"red_bubble64x64-1.png",   "blue_bubble64x64-1.png",
                                      "green_bubble64x64-1.png", "yellow_bubble64x64-1.png",
                                      "pink_bubble64x64-1.png",  "orange_bubble64x64-1.png",
                                      "white_bubble64x64-1.png"};
    const std::unique_ptr<PuzzleView> view = PuzzleView::initWithFrame({{0, 0}, {320, 480}});
    ASSERT_NE(view, nullptr);
    std::uint32_t frames = 0;
    for (; (puzzle.flags & kPuzzleStarting) && frames < 500; ++frames)
        view->drawFrame();
    ASSERT_FALSE(puzzle.flags & kPuzzleStarting);
    view->drawFrame();
    EXPECT_EQ(puzzle.frame, frames + 1);
    EXPECT_TRUE(isIdentity(GL_MODELVIEW_MATRIX));
    snapshotView(*view);
    for (int x = 0; x < 5; ++x)
        for (int y = 0; y < 5; ++y) {
            const int color = puzzle.blocks[cellIndex(x, y, 4)].state.color;
            EXPECT_TRUE(looksLike(atWorld(cell(x), cell(y), 2.0f), imageCentre(images[color]), 16))
                << x << "," << y << " " << images[color];
        }
}

TEST_F(PuzzleViewTest, WithoutASurfaceThereIsNoViewAndNoNewBoard) {
    LogCapture log;
    screenClose(); // the next test opens it again
    puzzle.flags = 0;
    EXPECT_EQ(PuzzleView::initWithFrame({{0, 0}, {320, 480}}), nullptr);
    EXPECT_EQ(puzzle.flags, 0u);
    EXPECT_GE(log.lines.size(), 1u);
}

} // namespace
