// Scene drawing on OpenGL ES 1.1 client-side arrays from static tables, recorded into a draw
// list that the caller draws whole or in part. Depends on the model, the camera's gluOrtho2D
// and the texture names; no SDL.
#include "render/SceneDrawing.h"

#include <cstdio>
#include <cstring>
#include <iterator>

#include "math/Camera.h"
#include "platform/gl/GLExtensions.h"
#include "render/DrawList.h"
#include "render/Textures.h"

namespace {

// The unit quad, a four-vertex triangle strip facing +z; t = 0 is the image's top edge. Three
// identical copies, one per user, so that each pass owns the arrays it points GL at.
const GLfloat ballVerts[] = {0.5f, 0.5f,  0.0f, -0.5f, 0.5f,  0.0f,
                             0.5f, -0.5f, 0.0f, -0.5f, -0.5f, 0.0f};
const GLfloat ballTexCoords[] = {1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 1.0f};
const GLfloat spotVerts[] = {0.5f, 0.5f,  0.0f, -0.5f, 0.5f,  0.0f,
                             0.5f, -0.5f, 0.0f, -0.5f, -0.5f, 0.0f};
const GLfloat spotTexCoords[] = {1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 1.0f};
const GLfloat verts[] = {0.5f, 0.5f,  0.0f, -0.5f, 0.5f,  0.0f,
                         0.5f, -0.5f, 0.0f, -0.5f, -0.5f, 0.0f};
const GLfloat texCoords[] = {1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 1.0f};

// The three puffs of a burst cloud, relative to the bubble before the cloud's own turn. A puff's
// side is (1 - the bubble's scale) + its size, so the cloud grows as the bubble shrinks.
const GLfloat cloudOffset[3][3] = {
    {-0.21f, 0.2f, 0.0f}, {0.165f, 0.0f, 0.0f}, {0.0f, -0.12f, 0.0f}};
const GLfloat cloudSize[3] = {0.05f, 0.11f, 0.21f};

// Colour of the selection's score by the anchor bubble's colour index; index 6 and any value
// outside the table are white.
const GLfloat scoreTints[kNumColors][3] = {
    {0.65f, 0.15f, 0.15f}, // red
    {0.25f, 0.55f, 0.95f}, // blue
    {0.15f, 0.65f, 0.15f}, // green
    {0.7f, 0.7f, 0.15f},   // yellow
    {0.8f, 0.3f, 0.85f},   // purple
    {0.98f, 0.69f, 0.16f}, // orange
    {1.0f, 1.0f, 1.0f},    // white
};

constexpr double kBubblePadding = 0.04; // drawn a little larger than the cell so neighbours touch
constexpr float kGlyphScale = 0.55f;
constexpr float kFloorY = -3.0f;
constexpr float kFadedAlpha = 0.15f; // bubbles outside the selection while hints are on

constexpr float kScoreX = 0.0f, kScoreY = 2.657f, kScoreZ = 2.5f; // above and in front of the cube

// The texture globals are read at draw time: they are loaded after the program starts.
GLuint bubbleTexture(std::int32_t color) {
    switch (color) {
    case kColorRed:
        return redBallTexId;
    case kColorBlue:
        return blueBallTexId;
    case kColorGreen:
        return greenBallTexId;
    case kColorYellow:
        return yellowBallTexId;
    case kColorOrange:
        return orangeBallTexId;
    case kColorWhite:
        return whiteBallTexId;
    default:
        return purpleBallTexId; // purple, and anything unexpected
    }
}

GLuint glyphTexture(char c) {
    switch (c) {
    case '1':
        return oneTexId;
    case '2':
        return twoTexId;
    case '3':
        return threeTexId;
    case '4':
        return fourTexId;
    case '5':
        return fiveTexId;
    case '6':
        return sixTexId;
    case '7':
        return sevenTexId;
    case '8':
        return eightTexId;
    case '9':
        return nineTexId;
    default:
        return zeroTexId; // "0", and the sign of a negative value
    }
}

// "1" is narrower than the other glyphs.
float glyphAdvance(char c) {
    return c == '1' ? 0.375f : 0.405f;
}

// The sums are formed in double and rounded once, so that a bubble's size does not depend on
// how the compiler keeps intermediates.
float padded(float scale) {
    return static_cast<float>(scale + kBubblePadding);
}

void orthoOverViewport() {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluOrtho2D(0.0f, 1.0f, 0.0f, 1.0f);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

// Leaves GL_PROJECTION selected; the frame selects the modelview again before the board.
void endOrthoOverViewport() {
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
}

// The three puffs over a bursting bubble, in the list's current colour.
void recordCloud(DrawList& list, const Block& b) {
    float centre[3];
    calcBlockPosition(centre, &b);
    list.pushMatrix();
    list.translate(centre[0], centre[1], centre[2]);
    list.rotate(b.state.rotation[0], 0.0f, 0.0f, 1.0f);
    list.texture(cloudTexId);
    for (int k = 0; k < 3; ++k) {
        list.pushMatrix();
        list.translate(cloudOffset[k][0], cloudOffset[k][1], cloudOffset[k][2]);
        list.scale(static_cast<float>((1.0 - b.state.scale[0]) + cloudSize[k]),
                   static_cast<float>((1.0 - b.state.scale[1]) + cloudSize[k]),
                   static_cast<float>((1.0 - b.state.scale[2]) + cloudSize[k]));
        list.arrays(verts, texCoords, 4);
        list.popMatrix();
    }
    list.popMatrix();
}

// The speech bubble with the selection's score beside the anchor bubble, at the anchor's cell
// (its animation offset is ignored, so the bubble does not pulse with the group).
void recordSpeechBubble(DrawList& list, const Puzzle* p, const Block& a) {
    float x = static_cast<float>(a.position[0] - 0.75);
    if (x < -2.0f) x = static_cast<float>(x + 0.75); // near the left face: over the bubble instead
    const float y = static_cast<float>(a.position[1] + 0.35);
    const float z = static_cast<float>(0.5 + a.position[2]);

    list.pushMatrix();
    list.translate(x, y, z);
    list.scale(1.5f, 1.5f, 0.0f);
    list.color(1.0f, 1.0f, 1.0f, 1.0f);
    list.texture(saysTexId);
    list.arrays(verts, texCoords, 4);
    list.popMatrix();

    const std::int32_t color = a.state.color;
    const GLfloat* tint =
        (color >= 0 && color < kNumColors) ? scoreTints[color] : scoreTints[kColorWhite];
    list.color(tint[0], tint[1], tint[2], 1.0f);
    recordNumber(list, static_cast<float>(x - 0.015), static_cast<float>(y + 0.075), z,
                 static_cast<int>(p->selectScore));
}

// The arrays above, in the order they lie in the scene's buffer object.
const GLfloat* const kBufferedArrays[] = {ballVerts,     ballTexCoords, spotVerts,
                                          spotTexCoords, verts,         texCoords};
const std::size_t kBufferedSizes[] = {sizeof ballVerts,     sizeof ballTexCoords, sizeof spotVerts,
                                      sizeof spotTexCoords, sizeof verts,         sizeof texCoords};

} // namespace

GLuint makeSceneArrayBuffer() {
    GLubyte data[sizeof ballVerts + sizeof ballTexCoords + sizeof spotVerts + sizeof spotTexCoords +
                 sizeof verts + sizeof texCoords];
    std::size_t at = 0;
    for (std::size_t i = 0; i < std::size(kBufferedArrays); ++i) {
        std::memcpy(data + at, kBufferedArrays[i], kBufferedSizes[i]);
        at += kBufferedSizes[i];
    }
    while (glGetError() != GL_NO_ERROR) {
    }
    GLuint buffer = 0;
    glGenBuffers(1, &buffer);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(sizeof data), data, GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    if (buffer != 0 && glGetError() != GL_NO_ERROR) {
        glDeleteBuffers(1, &buffer);
        buffer = 0;
    }
    return buffer;
}

GLintptr sceneArrayOffset(const GLfloat* array) {
    GLintptr at = 0;
    for (std::size_t i = 0; i < std::size(kBufferedArrays); ++i) {
        if (kBufferedArrays[i] == array) return at;
        at += static_cast<GLintptr>(kBufferedSizes[i]);
    }
    return -1;
}

void setUpSceneState() {
    // Nothing is depth-tested: the board is drawn far to near.
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DITHER);
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glShadeModel(GL_FLAT);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
}

void fillBackground() {
    // Grey-beige at the bottom edge, near-white at 35 % of the height, white above.
    static const GLfloat bgVerts[] = {0.0f, 0.0f,  0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.35f, 0.0f,
                                      1.0f, 0.35f, 0.0f, 0.0f, 1.0f, 0.0f, 1.0f, 1.0f,  0.0f};
    static const GLfloat beige[] = {
        0.698f,  0.7059f, 0.702f,  1.0f, 0.698f,  0.7059f, 0.702f,  1.0f,
        0.9961f, 0.9961f, 0.9961f, 1.0f, 0.9961f, 0.9961f, 0.9961f, 1.0f,
        1.0f,    1.0f,    1.0f,    1.0f, 1.0f,    1.0f,    1.0f,    1.0f,
    };
    glVertexPointer(3, GL_FLOAT, 0, bgVerts);
    glColorPointer(4, GL_FLOAT, 0, beige);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glShadeModel(GL_SMOOTH);

    orthoOverViewport();
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 6);
    endOrthoOverViewport();

    glShadeModel(GL_FLAT);
    glEnable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
}

void drawBackground() {
    // s runs 20 -> 0 across and t 30 -> 0 up the screen: the tile repeats 20 x 30 times.
    static const GLfloat bgVerts[] = {0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f,
                                      0.0f, 1.0f, 0.0f, 1.0f, 1.0f, 0.0f};
    static const GLfloat texCoords[] = {20.0f, 30.0f, 0.0f, 30.0f, 20.0f, 0.0f, 0.0f, 0.0f};
    glVertexPointer(3, GL_FLOAT, 0, bgVerts);
    glTexCoordPointer(2, GL_FLOAT, 0, texCoords);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glDisable(GL_BLEND);
    glBindTexture(GL_TEXTURE_2D, bgTexId);

    orthoOverViewport();
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    endOrthoOverViewport();

    glEnable(GL_BLEND);
}

void recordPuzzle(DrawList& list, Puzzle* p) {
    if (p->flags & kPuzzleGameOver)
        list.color(0.9f, 0.3f, 0.3f, 1.0f); // the final score is red
    else
        list.color(1.0f, 1.0f, 1.0f, 1.0f);
    recordNumber(list, kScoreX, kScoreY, kScoreZ, static_cast<int>(p->score));

    recordShadows(list, p);

    const bool showScore = (p->flags & kPuzzleShowScore) != 0;
    int anchor = -1; // drawing-order index of the anchor bubble

    // Far to near: without a depth test the order alone decides what covers what.
    for (int n = 0; n < kNumBlocks; ++n) {
        const Block& b = p->blocks[p->drawIndex[n]];
        if (isDead(b.state)) continue;

        float centre[3];
        calcBlockPosition(centre, &b);
        list.pushMatrix();
        list.translate(centre[0], centre[1], centre[2]);
        list.scale(padded(b.state.scale[0]), padded(b.state.scale[1]), padded(b.state.scale[2]));

        if (showScore) {
            // With hints on, everything outside the selection fades. Without a selection the
            // colour stays what the shadows (or, without them, the score) left.
            const bool selected = (b.state.flags & kBlockSelected) != 0;
            list.color(1.0f, 1.0f, 1.0f, (hintState == 0 || selected) ? 1.0f : kFadedAlpha);
            if (selected && (b.state.flags & kBlockAnchor)) anchor = n;
        }
        list.texture(bubbleTexture(b.state.color));
        list.arrays(ballVerts, ballTexCoords, 4);
        list.popMatrix();

        // From its turn in the burst on, a bursting bubble also shows its cloud.
        if ((b.state.flags & kBlockBursting) && b.state.frame >= 0) recordCloud(list, b);
    }

    if (showScore && anchor >= 0) recordSpeechBubble(list, p, p->blocks[p->drawIndex[anchor]]);

    ++p->frame;
}

void recordShadows(DrawList& list, const Puzzle* p) {
    if (p->flags & kPuzzleStarting) return; // the board is still dropping in

    list.texture(spotTexId);
    // While a selection is shown with hints on, only the selection's columns keep a shadow.
    const bool emphasis = hintState != 0 && (p->flags & kPuzzleShowScore);

    for (const Shadow& s : p->shadows) {
        if (!s.valid) continue;
        list.pushMatrix();
        list.translate(s.position[0], kFloorY, static_cast<float>(0.5 + s.position[2]));
        list.rotate(90.0f, 1.0f, 0.0f, 0.0f); // flat on the floor
        // Narrower the higher the column's lowest bubble: 1.0 from the bottom layer, 0.6 from
        // the top one, and narrower still as the column's bubbles grow.
        const float f = static_cast<float>(1.0 + (s.position[1] + 2.0) / -10.0);
        const float sx = static_cast<float>((f + 1.0) - s.scale[0]);
        list.scale(sx, 1.0f, 1.0f);
        if (emphasis) {
            if (s.selected)
                list.color(0.4f, 0.4f, 0.4f, 0.35f);
            else
                list.color(0.3f, 0.3f, 0.3f, 0.05f);
        } else {
            list.color(0.35f, 0.35f, 0.35f, 0.2f);
        }
        list.arrays(spotVerts, spotTexCoords, 4);
        list.popMatrix();
    }
    list.color(1.0f, 1.0f, 1.0f, 1.0f);
}

void recordNumber(DrawList& list, float x, float y, float z, int value) {
    char text[12]; // "-2147483648" and its terminator; formatting here allocates nothing
    std::snprintf(text, sizeof text, "%d", value);

    float width = 0.0f;
    for (const char* c = text; *c; ++c)
        width += glyphAdvance(*c);
    float pen = static_cast<float>(x - (width - 0.395) * 0.5);

    for (const char* c = text; *c; ++c) {
        list.pushMatrix();
        list.texture(glyphTexture(*c));
        list.translate(pen, y, z);
        list.scale(kGlyphScale, kGlyphScale, kGlyphScale);
        list.arrays(verts, texCoords, 4);
        list.popMatrix();
        pen += glyphAdvance(*c);
    }
}

namespace {} // namespace

void drawPuzzle(Puzzle* p) {
    static DrawList list; // its storage is kept from call to call
    list.begin();
    recordPuzzle(list, p);
    list.draw(list.viewport());
}
