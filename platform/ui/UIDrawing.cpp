// Widget drawing on GL ES 1.1: gradient meshes over corner masks (mipmapped, so corners stay smooth
// at any size), glyph masks painted once on the CPU, and textures tied to the screen's identity.
#include "platform/ui/UIDrawing.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "platform/base/Log.h"
#include "platform/gl/GLExtensions.h"
#include "platform/gl/Screen.h"
#include "platform/gl/Screen.h"
#include "platform/media/Resources.h"

// ---- Colours and gradients ----

Color mixColor(Color from, Color to, float t) {
    return {from.r + (to.r - from.r) * t, from.g + (to.g - from.g) * t,
            from.b + (to.b - from.b) * t, from.a + (to.a - from.a) * t};
}

Color scaleColor(Color c, float k) {
    return {std::clamp(c.r * k, 0.0f, 1.0f), std::clamp(c.g * k, 0.0f, 1.0f),
            std::clamp(c.b * k, 0.0f, 1.0f), c.a};
}

Color withAlpha(Color c, float alpha) {
    c.a = alpha;
    return c;
}

Gradient Gradient::solid(Color c) {
    return Gradient{}.stop(0.0f, c);
}

Gradient Gradient::vertical(Color top, Color bottom) {
    return Gradient{}.stop(0.0f, top).stop(1.0f, bottom);
}

Gradient& Gradient::stop(float position, Color c) {
    if (count < kMaxStops) {
        at[count] = position;
        color[count] = c;
        ++count;
    }
    return *this;
}

Color Gradient::colorAt(float t, bool below) const {
    if (count == 0) return Color::clearColor();
    if (t < at[0] || (t == at[0] && !below)) return color[0];
    for (int i = 0; i + 1 < count; ++i) {
        const bool inSegment =
            below ? (t >= at[i] && t < at[i + 1]) : (t > at[i] && t <= at[i + 1]);
        if (!inSegment) continue;
        const float span = at[i + 1] - at[i];
        return span > 0.0f ? mixColor(color[i], color[i + 1], (t - at[i]) / span) : color[i + 1];
    }
    return color[count - 1];
}

float uiSnap(float points, float scale) {
    return scale > 0.0f ? std::round(points * scale) / scale : points;
}

// ---- Textures ----

namespace {

std::uint32_t currentScreen() {
    SDL_Window* window = screenWindow();
    return window ? SDL_GetWindowID(window) : 0;
}

int powerOfTwoAtLeast(int n) {
    int p = 1;
    while (p < n)
        p <<= 1;
    return p;
}

// The next mipmap level of premultiplied RGBA: each pixel the rounded mean of (up to) two by two.
// Made here rather than by GL_GENERATE_MIPMAP, which makes a software renderer compile a blit
// shader: most of the start-up time otherwise.
std::vector<unsigned char> halveImage(const unsigned char* src, int width, int height) {
    const int w = std::max(1, width / 2);
    const int h = std::max(1, height / 2);
    const int dx = width > 1 ? 1 : 0;
    const int dy = height > 1 ? 1 : 0;
    std::vector<unsigned char> out(std::size_t(w) * std::size_t(h) * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const unsigned char* a = src + (std::size_t(2 * y) * std::size_t(width) + 2 * x) * 4;
            const unsigned char* b = a + dx * 4;
            const unsigned char* c = a + std::size_t(dy) * std::size_t(width) * 4;
            const unsigned char* d = c + dx * 4;
            unsigned char* o = out.data() + (std::size_t(y) * std::size_t(w) + x) * 4;
            for (int k = 0; k < 4; ++k)
                o[k] = static_cast<unsigned char>((a[k] + b[k] + c[k] + d[k] + 2) / 4);
        }
    return out;
}

// Level 0 and, when asked, every smaller level down to 1 x 1; the first GL error, or none.
GLenum uploadLevels(const unsigned char* pixels, int width, int height, bool mipmaps) {
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    GLenum error = glGetError();
    std::vector<unsigned char> level;
    for (GLint n = 1; mipmaps && error == GL_NO_ERROR && (width > 1 || height > 1); ++n) {
        level = halveImage(pixels, width, height);
        width = std::max(1, width / 2);
        height = std::max(1, height / 2);
        pixels = level.data();
        glTexImage2D(GL_TEXTURE_2D, n, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     pixels);
        error = glGetError();
    }
    return error;
}

} // namespace

bool UITexture::live() const {
    return name != 0 && screen != 0 && screen == currentScreen();
}

bool uiMakeTexture(UITexture& out, const unsigned char* rgba, int width, int height, bool mipmaps) {
    uiReleaseTexture(out);
    if (!rgba || width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide)
        return false;
    const int texWidth = powerOfTwoAtLeast(width);
    const int texHeight = powerOfTwoAtLeast(height);
    // Mipmaps are made from the whole texture: pad it with transparent pixels.
    std::vector<unsigned char> padded;
    const unsigned char* pixels = rgba;
    if (texWidth != width || texHeight != height) {
        padded.assign(std::size_t(texWidth) * std::size_t(texHeight) * 4, 0);
        for (int y = 0; y < height; ++y)
            std::copy_n(rgba + std::size_t(y) * std::size_t(width) * 4, std::size_t(width) * 4,
                        padded.data() + std::size_t(y) * std::size_t(texWidth) * 4);
        pixels = padded.data();
    }
    GLint oldTexture = 0;
    GLint oldAlignment = 4;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &oldTexture);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &oldAlignment);
    while (glGetError() != GL_NO_ERROR) {
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                    mipmaps ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    const GLenum error = uploadLevels(pixels, texWidth, texHeight, mipmaps);
    glPixelStorei(GL_UNPACK_ALIGNMENT, oldAlignment);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(oldTexture));
    if (name == 0 || error != GL_NO_ERROR) {
        if (name) glDeleteTextures(1, &name);
        platformLog("cannot make a %dx%d texture for the view layer (GL error 0x%x)", width, height,
                    error);
        return false;
    }
    out = {name, currentScreen(), width, height, texWidth, texHeight};
    return true;
}

void uiReleaseTexture(UITexture& texture) {
    if (texture.live()) {
        if (SDL_GL_GetCurrentContext() && SDL_GL_GetCurrentWindow() == screenWindow()) {
            glDeleteTextures(1, &texture.name); // every context on the screen shares it
        } else {
            const SavedGLContext saved;
            if (screenMakeDefaultCurrent()) glDeleteTextures(1, &texture.name);
            saved.restore();
        }
    }
    texture = UITexture{};
}

namespace {

void drawTexturedQuad(GLuint name, const Rect& r, float s, float t, Color tint) {
    const float x0 = r.origin.x;
    const float y0 = r.origin.y;
    const float x1 = x0 + r.size.width;
    const float y1 = y0 + r.size.height;
    const GLfloat vertices[] = {x0, y0, x0, y1, x1, y0, x1, y1};
    const GLfloat texCoords[] = {0.0f, 0.0f, 0.0f, t, s, 0.0f, s, t};
    // The colour as an array, like the fills', so that both share one state.
    const Color c = {tint.r * tint.a, tint.g * tint.a, tint.b * tint.a, tint.a};
    const GLfloat colors[] = {c.r, c.g, c.b, c.a, c.r, c.g, c.b, c.a,
                              c.r, c.g, c.b, c.a, c.r, c.g, c.b, c.a};
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_FLOAT, 0, colors);
    glVertexPointer(2, GL_FLOAT, 0, vertices);
    glTexCoordPointer(2, GL_FLOAT, 0, texCoords);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glDisableClientState(GL_COLOR_ARRAY);
}

} // namespace

void uiDrawTexture(const UITexture& texture, const Rect& rect, Color tint) {
    if (!texture.live()) return;
    drawTexturedQuad(texture.name, rect,
                     static_cast<float>(texture.width) / static_cast<float>(texture.textureWidth),
                     static_cast<float>(texture.height) / static_cast<float>(texture.textureHeight),
                     tint);
}

// ---- Masks: white coverage on a 64 x 64 square, premultiplied ----

namespace {

constexpr int kMask = 64;
constexpr float kMaskRadius = 32.0f;

struct Masks {
    std::uint32_t screen = 0;
    UITexture disk;
    UITexture soft;
    UITexture refresh;
    UITexture info;
    UITexture pause;
    UITexture gear;
    struct Ring {
        int key = -1; // line width / radius in 64ths
        UITexture texture;
    };
    Ring rings[8];
    int nextRing = 0;
    bool failed = false; // GL refused one: no more tries (and log lines) on this screen
};

Masks& masks() {
    static Masks m;
    const std::uint32_t screen = currentScreen();
    if (m.screen != screen) { // the old screen took its textures with it
        m = Masks{};
        m.screen = screen;
    }
    return m;
}

template <typename Coverage> bool makeMask(UITexture& out, Coverage coverage) {
    if (masks().failed) return false;
    static unsigned char pixels[kMask * kMask * 4];
    for (int y = 0; y < kMask; ++y)
        for (int x = 0; x < kMask; ++x) {
            const float c = std::clamp(coverage(float(x) + 0.5f, float(y) + 0.5f), 0.0f, 1.0f);
            const auto v = static_cast<unsigned char>(std::lround(c * 255.0f));
            unsigned char* p = pixels + (y * kMask + x) * 4;
            p[0] = p[1] = p[2] = p[3] = v;
        }
    if (uiMakeTexture(out, pixels, kMask, kMask, true)) return true;
    masks().failed = true;
    return false;
}

// Area of a disk of radius r (centred on the mask) over the pixel at distance d, to a pixel.
float diskCoverage(float d, float r) {
    return std::clamp(r + 0.5f - d, 0.0f, 1.0f);
}

float distanceFromCentre(float x, float y) {
    return std::hypot(x - kMaskRadius, y - kMaskRadius);
}

// Four by four samples of a shape given as an inside test.
template <typename Inside> float supersample(float x, float y, Inside inside) {
    int hits = 0;
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i)
            hits +=
                inside(x - 0.5f + (float(i) + 0.5f) / 4.0f, y - 0.5f + (float(j) + 0.5f) / 4.0f);
    return float(hits) / 16.0f;
}

bool inTriangle(float px, float py, const float (&t)[6]) {
    const auto side = [&](int a, int b) {
        return (t[2 * b] - t[2 * a]) * (py - t[2 * a + 1]) -
               (t[2 * b + 1] - t[2 * a + 1]) * (px - t[2 * a]);
    };
    const float s0 = side(0, 1);
    const float s1 = side(1, 2);
    const float s2 = side(2, 0);
    return (s0 >= 0 && s1 >= 0 && s2 >= 0) || (s0 <= 0 && s1 <= 0 && s2 <= 0);
}

bool inCapsule(float px, float py, float x, float ya, float yb, float r) {
    const float cy = std::clamp(py, ya, yb);
    return std::hypot(px - x, py - cy) <= r;
}

// A circular arrow turning clockwise, its head at the top pointing right.
bool insideRefresh(float x, float y) {
    constexpr float cx = 32.0f;
    constexpr float cy = 35.0f;
    const float d = std::hypot(x - cx, y - cy);
    const float angle = std::atan2(y - cy, x - cx) * 57.29578f; // clockwise, y downward
    const bool onArc = std::fabs(d - 18.5f) <= 3.8f && !(angle > -90.0f && angle < -38.0f);
    static const float head[6] = {30.5f, 5.0f, 30.5f, 28.0f, 44.5f, 16.5f};
    return onArc || inTriangle(x, y, head);
}

// A ring with a lower-case i.
bool insideInfo(float x, float y) {
    const float d = std::hypot(x - 32.0f, y - 32.0f);
    const bool ring = d <= 30.0f && d >= 25.0f;
    const bool dot = std::hypot(x - 32.0f, y - 18.5f) <= 4.3f;
    const bool stem = inCapsule(x, y, 32.0f, 28.5f, 44.0f, 3.6f);
    return ring || dot || stem;
}

// Two upright bars, as media players show pause.
bool insidePause(float x, float y) {
    return inCapsule(x, y, 23.0f, 17.0f, 47.0f, 5.5f) || inCapsule(x, y, 41.0f, 17.0f, 47.0f, 5.5f);
}

// A cog wheel of eight teeth round a hole, as settings are drawn.
bool insideGear(float x, float y) {
    const float d = std::hypot(x - 32.0f, y - 32.0f);
    if (d < 8.5f || d > 29.0f) return false;
    if (d <= 21.0f) return true;
    // Outside the wheel, the teeth: four bars 9 units wide through the centre, 45 degrees apart.
    for (int k = 0; k < 4; ++k) {
        const float angle = static_cast<float>(k) * 0.7853982f;
        if (std::fabs((y - 32.0f) * std::cos(angle) - (x - 32.0f) * std::sin(angle)) <= 4.5f)
            return true;
    }
    return false;
}

const UITexture* diskMask() {
    Masks& m = masks();
    if (!m.disk.live() && !makeMask(m.disk, [](float x, float y) {
            return diskCoverage(distanceFromCentre(x, y), kMaskRadius);
        }))
        return nullptr;
    return &m.disk;
}

const UITexture* softMask() {
    Masks& m = masks();
    if (!m.soft.live() && !makeMask(m.soft, [](float x, float y) {
            const float t = std::clamp(distanceFromCentre(x, y) / kMaskRadius, 0.0f, 1.0f);
            const float u = 1.0f - t;
            return u * u * (3.0f - 2.0f * u);
        }))
        return nullptr;
    return &m.soft;
}

const UITexture* ringMask(float ratio) {
    Masks& m = masks();
    const int key = std::clamp(static_cast<int>(std::lround(ratio * 64.0f)), 1, 63);
    for (auto& ring : m.rings)
        if (ring.key == key && ring.texture.live()) return &ring.texture;
    Masks::Ring& slot = m.rings[m.nextRing];
    m.nextRing = (m.nextRing + 1) % 8;
    const float inner = kMaskRadius * (1.0f - static_cast<float>(key) / 64.0f);
    slot.key = key;
    if (!makeMask(slot.texture, [inner](float x, float y) {
            const float d = distanceFromCentre(x, y);
            return diskCoverage(d, kMaskRadius) - diskCoverage(d, inner);
        })) {
        slot.key = -1;
        return nullptr;
    }
    return &slot.texture;
}

const UITexture* glyphMask(Glyph glyph) {
    Masks& m = masks();
    bool (*inside)(float, float) = insidePause;
    UITexture* t = &m.pause;
    if (glyph == Glyph::Refresh) {
        inside = insideRefresh;
        t = &m.refresh;
    } else if (glyph == Glyph::Info) {
        inside = insideInfo;
        t = &m.info;
    } else if (glyph == Glyph::Gear) {
        inside = insideGear;
        t = &m.gear;
    }
    if (t->live()) return t;
    const bool ok = makeMask(*t, [inside](float x, float y) { return supersample(x, y, inside); });
    return ok ? t : nullptr;
}

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
    uiFillRoundedRect(gloss, look.radius - 2.0f,
                      Gradient::vertical({1.0f, 1.0f, 1.0f, look.glossAlpha},
                                         {1.0f, 1.0f, 1.0f, 0.0f}));
    uiStrokeRoundedRect(r, look.radius, 2.0f, {1.0f, 1.0f, 1.0f, 0.85f});
}

void uiDrawGlyph(Glyph glyph, const Rect& rect, Color color) {
    if (const UITexture* mask = glyphMask(glyph)) uiDrawTexture(*mask, rect, color);
}

// ---- Images ----

std::shared_ptr<Image> Image::imageNamed(const std::string& name) {
    std::string whyNot;
    int pixelScale = 1;
    const std::string path = scaledResourcePath(name, windowContentScale(), &pixelScale, &whyNot);
    if (path.empty()) {
        platformLog("no image named %s: %s", name.c_str(), whyNot.c_str());
        return nullptr;
    }
    DecodedImage pixels = decodePngFile(path); // logs its own line on failure
    if (pixels.empty()) return nullptr;
    return std::shared_ptr<Image>(new Image(name, std::move(pixels), pixelScale));
}

Image::~Image() {
    uiReleaseTexture(texture_);
}

Size Image::pointSize() const {
    const auto k = static_cast<float>(pixelScale_);
    return {static_cast<float>(pixels_.width) / k, static_cast<float>(pixels_.height) / k};
}

void Image::draw(const Rect& rect, float alpha) const {
    const float scale = windowContentScale();
    if (scale != chosenFor_) { // the window's scale changed: perhaps another variant fits
        chosenFor_ = scale;
        int pixelScale = 1;
        const std::string path = scaledResourcePath(name_, scale, &pixelScale);
        if (pixelScale != pixelScale_ && !path.empty()) {
            if (DecodedImage pixels = decodePngFile(path); !pixels.empty()) {
                pixels_ = std::move(pixels);
                pixelScale_ = pixelScale;
                uiReleaseTexture(texture_);
                failedOn_ = 0;
            }
        }
    }
    if (!texture_.live()) {
        if (failedOn_ != 0 && failedOn_ == currentScreen()) return; // logged once already
        if (!uiMakeTexture(texture_, pixels_.pixels.get(), pixels_.width, pixels_.height, true)) {
            failedOn_ = currentScreen();
            return;
        }
    }
    uiDrawTexture(texture_, rect, {1.0f, 1.0f, 1.0f, alpha});
}
