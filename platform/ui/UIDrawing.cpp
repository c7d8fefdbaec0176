// Widget drawing on GL ES 1.1: gradient meshes over corner masks, so that corners stay smooth at
// any size, and the shapes, cards and glyphs the views draw.
#include "platform/ui/UIDrawing.h"

#include <algorithm>
#include <cmath>

#include "platform/gl/GLExtensions.h"

namespace {

// A rectangle cut in nine by its corner radius, the corners from `mask` (none: square), coloured
// row by row from the gradient so that hard stops stay hard.
void drawNineSlice(const Rect& r, float radius, const Gradient& fill, const UITexture* mask) {
    const float w = r.size.width;
    const float h = r.size.height;
    if (w <= 0.0f || h <= 0.0f || fill.count == 0) return;
    const float x0 = r.origin.x;
    const float y0 = r.origin.y;
    const float rad = mask ? std::clamp(radius, 0.0f, std::min(w, h) * 0.5f) : 0.0f;
    if (rad <= 0.0f) mask = nullptr;

    float ys[4 + Gradient::kMaxStops] = {y0, y0 + rad, y0 + h - rad, y0 + h};
    int yCount = 4;
    for (int i = 0; i < fill.count; ++i)
        ys[yCount++] = y0 + std::clamp(fill.at[i], 0.0f, 1.0f) * h;
    for (int i = 1; i < yCount; ++i) // a handful of values: insertion sort
        for (int j = i; j > 0 && ys[j] < ys[j - 1]; --j)
            std::swap(ys[j], ys[j - 1]);

    constexpr int kMaxRows = 2 * (4 + Gradient::kMaxStops);
    GLfloat vertices[kMaxRows * 4 * 2];
    GLfloat texCoords[kMaxRows * 4 * 2];
    GLfloat colors[kMaxRows * 4 * 4];
    GLushort indices[(kMaxRows - 1) * 3 * 6];
    const float xs[4] = {x0, x0 + rad, x0 + w - rad, x0 + w};
    const float us[4] = {0.0f, 0.5f, 0.5f, 1.0f};
    int rows = 0;
    const auto addRow = [&](float y, Color c) {
        float v = 0.5f;
        if (rad > 0.0f && y < y0 + rad) v = 0.5f * (y - y0) / rad;
        if (rad > 0.0f && y > y0 + h - rad) v = 0.5f + 0.5f * (y - (y0 + h - rad)) / rad;
        for (int col = 0; col < 4; ++col) {
            const int i = rows * 4 + col;
            vertices[2 * i] = xs[col];
            vertices[2 * i + 1] = y;
            texCoords[2 * i] = mask ? us[col] : 0.5f;
            texCoords[2 * i + 1] = v;
            colors[4 * i] = c.r * c.a;
            colors[4 * i + 1] = c.g * c.a;
            colors[4 * i + 2] = c.b * c.a;
            colors[4 * i + 3] = c.a;
        }
        ++rows;
    };
    for (int i = 0; i < yCount; ++i) {
        const float t = (ys[i] - y0) / h;
        const Color above = fill.colorAt(t, false);
        const Color below = fill.colorAt(t, true);
        addRow(ys[i], above);
        if (above.r != below.r || above.g != below.g || above.b != below.b || above.a != below.a)
            addRow(ys[i], below);
    }
    int indexCount = 0;
    for (int row = 0; row + 1 < rows; ++row)
        for (int col = 0; col < 3; ++col) {
            const auto a = static_cast<GLushort>(row * 4 + col);
            const auto b = static_cast<GLushort>(a + 4);
            const GLushort quad[6] = {a,
                                      b,
                                      static_cast<GLushort>(a + 1),
                                      static_cast<GLushort>(a + 1),
                                      b,
                                      static_cast<GLushort>(b + 1)};
            std::copy_n(quad, 6, indices + indexCount);
            indexCount += 6;
        }
    // A plain fill samples the middle of the disk mask, opaque white: every drawing here then
    // has one GL state, and a software renderer compiles one shader for all of them instead of
    // one per state (each some 40 ms at the first start).
    if (!mask) mask = diskMask();
    if (mask) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, mask->name);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, 0, texCoords);
    } else {
        glDisable(GL_TEXTURE_2D);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_FLOAT, 0, colors);
    glVertexPointer(2, GL_FLOAT, 0, vertices);
    glDrawElements(GL_TRIANGLES, indexCount, GL_UNSIGNED_SHORT, indices);
    glDisableClientState(GL_COLOR_ARRAY);
}

GLint savedBlendSrc = GL_ONE;
GLint savedBlendDst = GL_ZERO;

} // namespace

void uiBegin() {
    glGetIntegerv(GL_BLEND_SRC, &savedBlendSrc);
    glGetIntegerv(GL_BLEND_DST, &savedBlendDst);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA); // everything here is premultiplied
}

void uiEnd() {
    glBlendFunc(static_cast<GLenum>(savedBlendSrc), static_cast<GLenum>(savedBlendDst));
    glDisable(GL_BLEND);
}

void uiFillRect(const Rect& rect, const Gradient& fill) {
    drawNineSlice(rect, 0.0f, fill, nullptr);
}

void uiFillRoundedRect(const Rect& rect, float radius, const Gradient& fill) {
    drawNineSlice(rect, radius, fill, radius > 0.0f ? diskMask() : nullptr);
}

void uiStrokeRoundedRect(const Rect& rect, float radius, float lineWidth, Color color) {
    if (lineWidth <= 0.0f) return;
    const float rad = std::max(radius, lineWidth * 1.5f);
    drawNineSlice(rect, rad, Gradient::solid(color), ringMask(lineWidth / rad));
}

void uiFillSoftRect(const Rect& rect, float blur, Color color) {
    drawNineSlice(rect, blur, Gradient::solid(color), blur > 0.0f ? softMask() : nullptr);
}

void uiDrawCard(const Rect& r, const CardLook& look) {
    const Rect shadow{{r.origin.x - 8.0f, r.origin.y - 4.0f},
                      {r.size.width + 16.0f, r.size.height + 16.0f}};
    uiFillSoftRect(shadow, 16.0f, {0.0f, 0.0f, 0.0f, look.shadowAlpha});
    uiFillRoundedRect(r, look.radius, look.fill);
    const Rect gloss{{r.origin.x + 2.0f, r.origin.y + 2.0f},
                     {r.size.width - 4.0f, look.glossHeight}};
    uiFillRoundedRect(
        gloss, look.radius - 2.0f,
        Gradient::vertical({1.0f, 1.0f, 1.0f, look.glossAlpha}, {1.0f, 1.0f, 1.0f, 0.0f}));
    uiStrokeRoundedRect(r, look.radius, 2.0f, {1.0f, 1.0f, 1.0f, 0.85f});
}

void uiDrawGlyph(Glyph glyph, const Rect& rect, Color color) {
    if (const UITexture* mask = glyphMask(glyph)) uiDrawTexture(*mask, rect, color);
}
