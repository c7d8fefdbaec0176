// Bubbles projected to the screen with the camera's matrices, picked as a click on their centre
// pixel is, and the cursor's ring drawn as two annuli in pixels. Model, math and GL only.
#include "render/BoardCursor.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "math/Camera.h"
#include "platform/gl/GLExtensions.h"
#include "render/BlockPicking.h"
#include "render/DrawList.h"

namespace {

constexpr int kRingSegments = 40;
constexpr float kBubblePadding = 0.04f; // as the scene draws a bubble, a little over its cell

using Camera = ScreenCamera;

Camera currentCamera() {
    return currentScreenCamera();
}

// Column-major m times (v, 1).
void transform(float out[4], const float m[16], const float v[4]) {
    for (int r = 0; r < 4; ++r)
        out[r] = m[r] * v[0] + m[4 + r] * v[1] + m[8 + r] * v[2] + m[12 + r] * v[3];
}

// A world point to viewport pixels; false behind the eye.
bool project(const Camera& c, const float world[3], float* x, float* y) {
    const float v[4] = {world[0], world[1], world[2], 1.0f};
    float eye[4];
    float clip[4];
    transform(eye, c.modelview, v);
    transform(clip, c.projection, eye);
    if (!(clip[3] > 0.0f)) return false;
    *x = static_cast<float>(c.viewport[0]) +
         static_cast<float>(c.viewport[2]) * (clip[0] / clip[3] + 1.0f) * 0.5f;
    *y = static_cast<float>(c.viewport[1]) +
         static_cast<float>(c.viewport[3]) * (clip[1] / clip[3] + 1.0f) * 0.5f;
    return true;
}

// The bubble faces the viewer: at rest, its drawn edge lies half its padded size to the right of
// its centre. (The ring keeps to the rest size while a selected bubble pulses.)
bool projectBubble(const Camera& c, const Block& b, float* x, float* y, float* radius) {
    float centre[3];
    calcBlockPosition(centre, &b);
    float edge[3] = {centre[0] + 0.5f * (1.0f + kBubblePadding), centre[1], centre[2]};
    float ex = 0.0f;
    float ey = 0.0f;
    if (!project(c, centre, x, y) || !project(c, edge, &ex, &ey)) return false;
    *radius = std::hypot(ex - *x, ey - *y);
    return true;
}

// An annulus between radii r0 < r1 around (x, y), in the current colour.
void drawAnnulus(float x, float y, float r0, float r1) {
    GLfloat verts[(kRingSegments + 1) * 4];
    for (int i = 0; i <= kRingSegments; ++i) {
        const float a = 2.0f * std::numbers::pi_v<float> * static_cast<float>(i) / kRingSegments;
        const float cx = std::cos(a);
        const float sy = std::sin(a);
        verts[i * 4 + 0] = x + r1 * cx;
        verts[i * 4 + 1] = y + r1 * sy;
        verts[i * 4 + 2] = x + r0 * cx;
        verts[i * 4 + 3] = y + r0 * sy;
    }
    glVertexPointer(2, GL_FLOAT, 0, verts);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, (kRingSegments + 1) * 2);
}

} // namespace

ScreenCamera currentScreenCamera() {
    ScreenCamera c{};
    glGetIntegerv(GL_VIEWPORT, c.viewport);
    glGetFloatv(GL_MODELVIEW_MATRIX, c.modelview);
    glGetFloatv(GL_PROJECTION_MATRIX, c.projection);
    return c;
}

int screenBubbles(const Puzzle* p, const float eye[3], ScreenBubble out[kNumBlocks]) {
    return screenBubbles(p, eye, currentScreenCamera(), out);
}

int screenBubbles(const Puzzle* p, const float eye[3], const ScreenCamera& c,
                  ScreenBubble out[kNumBlocks]) {
    if (!p) return 0;
    // Picking only reads the board; it takes it non-const for the game's own touch.
    auto* board = const_cast<Puzzle*>(p);
    int count = 0;
    for (int n = 0; n < kNumBlocks; ++n) {
        const Block& b = p->blocks[n];
        float x = 0.0f;
        float y = 0.0f;
        float radius = 0.0f;
        if (!isLive(b.state) || !projectBubble(c, b, &x, &y, &radius)) continue;
        ScreenBubble& s = out[count++];
        s = {n, static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y)), false};
        s.reachable = pickBlockWithMatrices(s.x, s.y, board, eye, c.viewport, c.modelview,
                                            c.projection) == &b;
    }
    return count;
}

namespace {

// params: the centre x, y, the bubble's radius, the line's and the edge's widths, in viewport
// pixels.
bool ringGeometry(const Puzzle* p, int cell, float params[DrawList::kCustomParams]) {
    if (!p || cell < 0 || cell >= kNumBlocks || !isLive(p->blocks[cell].state)) return false;
    const Camera c = currentCamera();
    float x = 0.0f;
    float y = 0.0f;
    float r = 0.0f;
    if (!projectBubble(c, p->blocks[cell], &x, &y, &r)) return false;
    // Widths follow the bubble's size, so the ring reads alike at every scale and window size.
    const float line = std::fmax(1.5f, 0.09f * r);
    const float edge = std::fmax(1.0f, 0.05f * r);
    const float out[DrawList::kCustomParams] = {x, y, r, line, edge, 0.0f};
    std::copy(out, out + DrawList::kCustomParams, params);
    return true;
}

void drawRing(const float* params) {
    const float x = params[0];
    const float y = params[1];
    const float r = params[2];
    const float line = params[3];
    const float edge = params[4];
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluOrtho2D(static_cast<float>(viewport[0]), static_cast<float>(viewport[0] + viewport[2]),
               static_cast<float>(viewport[1]), static_cast<float>(viewport[1] + viewport[3]));
    glMatrixMode(GL_MODELVIEW);
    glDisable(GL_TEXTURE_2D);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glColor4f(0.08f, 0.08f, 0.12f, 0.85f);
    drawAnnulus(x, y, r + 1.0f - edge, r + 1.0f + line + edge);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    drawAnnulus(x, y, r + 1.0f, r + 1.0f + line);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnable(GL_TEXTURE_2D);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

} // namespace

void recordCursorRing(DrawList& list, const Puzzle* p, int cell) {
    float params[DrawList::kCustomParams];
    if (!ringGeometry(p, cell, params)) return;
    const float reach = params[2] + 2.0f + params[3] + params[4]; // the outer edge, and a pixel
    const PixelBox all = list.viewport();
    PixelBox box;
    box.x0 = std::max(all.x0, static_cast<int>(std::floor(params[0] - reach)) - 1);
    box.y0 = std::max(all.y0, static_cast<int>(std::floor(params[1] - reach)) - 1);
    box.x1 = std::min(all.x1, static_cast<int>(std::ceil(params[0] + reach)) + 1);
    box.y1 = std::min(all.y1, static_cast<int>(std::ceil(params[1] + reach)) + 1);
    list.custom(drawRing, params, box);
}
