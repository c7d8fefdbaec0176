#include "platform/draw/UITexture.h"

#include <SDL.h>

#include <algorithm>
#include <vector>

#include "platform/base/Log.h"
#include "platform/gl/GLExtensions.h"
#include "platform/gl/Screen.h"
#include "platform/media/ImageDecoder.h"

std::uint32_t uiCurrentScreen() {
    SDL_Window* window = screenWindow();
    return window ? SDL_GetWindowID(window) : 0;
}

namespace {

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
    return name != 0 && screen != 0 && screen == uiCurrentScreen();
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
    out = {name, uiCurrentScreen(), width, height, texWidth, texHeight};
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
