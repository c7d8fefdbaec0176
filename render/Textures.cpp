// Texture loading: decode a resource, upload it and its box-filtered reductions, keep the names.
// Platform headers and OpenGL ES 1.1 only.
#include "render/Textures.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "platform/base/Log.h"
#include "platform/media/ImageDecoder.h"
#include "platform/media/Resources.h"

GLuint bgTexId = 0;
GLuint redBallTexId = 0;
GLuint blueBallTexId = 0;
GLuint greenBallTexId = 0;
GLuint yellowBallTexId = 0;
GLuint purpleBallTexId = 0;
GLuint whiteBallTexId = 0;
GLuint orangeBallTexId = 0;
GLuint zeroTexId = 0;
GLuint oneTexId = 0;
GLuint twoTexId = 0;
GLuint threeTexId = 0;
GLuint fourTexId = 0;
GLuint fiveTexId = 0;
GLuint sixTexId = 0;
GLuint sevenTexId = 0;
GLuint eightTexId = 0;
GLuint nineTexId = 0;
GLuint cloudTexId = 0;
GLuint saysTexId = 0;
GLuint spotTexId = 0;

namespace {

struct TextureSource {
    const char* name;
    GLuint* texture;
    int startLevel;
    int stopLevel;
    const char* symbolName = nullptr; // the bubble with its colour's symbol
};

// Level 0 alone: the minification filter is linear, so smaller levels would never be sampled
// and would only take memory (the digits' three and the spot's two: a seventh of the textures').
const TextureSource kTextureSources[] = {
    {"bg32x32.png", &bgTexId, 0, 0},
    {"red_bubble64x64-1.png", &redBallTexId, 0, 0, "red_bubble_symbol64x64-1.png"},
    {"blue_bubble64x64-1.png", &blueBallTexId, 0, 0, "blue_bubble_symbol64x64-1.png"},
    {"green_bubble64x64-1.png", &greenBallTexId, 0, 0, "green_bubble_symbol64x64-1.png"},
    {"yellow_bubble64x64-1.png", &yellowBallTexId, 0, 0, "yellow_bubble_symbol64x64-1.png"},
    {"pink_bubble64x64-1.png", &purpleBallTexId, 0, 0, "pink_bubble_symbol64x64-1.png"},
    {"white_bubble64x64-1.png", &whiteBallTexId, 0, 0, "white_bubble_symbol64x64-1.png"},
    {"orange_bubble64x64-1.png", &orangeBallTexId, 0, 0, "orange_bubble_symbol64x64-1.png"},
    {"zero64x64-6.png", &zeroTexId, 0, 0},
    {"one64x64-6.png", &oneTexId, 0, 0},
    {"two64x64-6.png", &twoTexId, 0, 0},
    {"three64x64-6.png", &threeTexId, 0, 0},
    {"four64x64-6.png", &fourTexId, 0, 0},
    {"five64x64-6.png", &fiveTexId, 0, 0},
    {"six64x64-6.png", &sixTexId, 0, 0},
    {"seven64x64-6.png", &sevenTexId, 0, 0},
    {"eight64x64-6.png", &eightTexId, 0, 0},
    {"nine64x64-6.png", &nineTexId, 0, 0},
    {"cloud64x64.png", &cloudTexId, 0, 0},
    {"says64x64.png", &saysTexId, 0, 0},
    {"spot64x64.png", &spotTexId, 0, 0},
};

TexImage2DFunc texImage2DHook = nullptr;
bool bubbleSymbols = false;

void upload(GLint level, int w, int h, const unsigned char* rgba) {
    (texImage2DHook ? texImage2DHook : glTexImage2D)(GL_TEXTURE_2D, level, GL_RGBA, w, h, 0,
                                                     GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}

// Earlier errors are not this loader's to report; GL keeps at most one per kind.
void clearGLErrors() {
    for (int i = 0; i < 8 && glGetError() != GL_NO_ERROR; ++i)
        continue;
}

bool isPowerOfTwo(int n) {
    return n > 0 && (n & (n - 1)) == 0;
}

// Whether the current context takes textures of any size; OpenGL ES 1.1 itself takes only powers
// of two, which the 3x images (3 × 2^n pixels) never are.
bool anySizeTextures() {
    const auto* all = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    constexpr const char* kName = "GL_OES_texture_npot";
    for (const char* at = all ? std::strstr(all, kName) : nullptr; at;
         at = std::strstr(at + 1, kName)) {
        const char end = at[std::strlen(kName)];
        if ((at == all || at[-1] == ' ') && (end == ' ' || end == '\0')) return true;
    }
    return false;
}

unsigned char mean(unsigned sum, unsigned count) {
    return static_cast<unsigned char>(sum / count);
}

} // namespace

void setTexImage2DHook(TexImage2DFunc hook) {
    texImage2DHook = hook;
}

bool reduceImage(const unsigned char* src, unsigned char* dst, int* w, int* h) {
    const std::size_t sw = std::size_t(*w), sh = std::size_t(*h);
    if (sw > 1 && sh > 1) {
        const std::size_t dw = sw / 2, dh = sh / 2;
        // Output pixel i reads only input pixels at i or later, so dst may be src.
        for (std::size_t y = 0; y < dh; ++y) {
            for (std::size_t x = 0; x < dw; ++x) {
                const unsigned char* a = src + (2 * y * sw + 2 * x) * 4;
                const unsigned char* c = a + sw * 4;
                unsigned char* out = dst + (y * dw + x) * 4;
                for (int k = 0; k < 4; ++k)
                    out[k] = mean(unsigned(a[k] + a[k + 4] + c[k] + c[k + 4]), 4);
            }
        }
        *w = int(dw);
        *h = int(dh);
        return true;
    }
    if (sw > 1 || sh > 1) {
        // A single row or column: neighbours along it are adjacent in memory either way.
        const std::size_t n = std::max(sw, sh) / 2;
        for (std::size_t i = 0; i < n; ++i) {
            const unsigned char* a = src + i * 8;
            unsigned char* out = dst + i * 4;
            for (int k = 0; k < 4; ++k)
                out[k] = mean(unsigned(a[k] + a[k + 4]), 2);
        }
        (sw > 1 ? *w : *h) = int(n);
        return true;
    }
    return false;
}

void setBubbleSymbols(bool on) {
    bubbleSymbols = on;
}

bool bubbleSymbolsShown() {
    return bubbleSymbols;
}

GLuint loadTextureFromResource(const std::string& name, int startLevel, int stopLevel,
                               float scale) {
    // Without textures of any size the 2x image is the finest that loads.
    const bool anySize = anySizeTextures();
    std::string whyNot;
    const std::string path =
        scaledResourcePath(name, anySize ? scale : std::min(scale, 2.0f), nullptr, &whyNot);
    if (path.empty()) {
        platformLog("cannot load texture \"%s\": %s", name.c_str(), whyNot.c_str());
        return 0;
    }
    const DecodedImage image = decodePngFile(path);
    if (image.empty()) return 0; // the decoder has said why
    int w = image.width, h = image.height;
    // The reductions of other sizes drop odd rows and columns, as GL's own level sizes do.
    if (!anySize && (!isPowerOfTwo(w) || !isPowerOfTwo(h))) {
        platformLog("cannot load texture \"%s\": %dx%d, sides must be powers of two", name.c_str(),
                    w, h);
        return 0;
    }

    GLuint texture = 0;
    glGenTextures(1, &texture);
    if (texture == 0) {
        platformLog("cannot load texture \"%s\": no texture name (no current GL context?)",
                    name.c_str());
        return 0;
    }
    GLint maxSide = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
    if (w > maxSide || h > maxSide) {
        glDeleteTextures(1, &texture);
        platformLog("cannot load texture \"%s\": %dx%d, over the GL limit of %d", name.c_str(), w,
                    h, int(maxSide));
        return 0;
    }
    glBindTexture(GL_TEXTURE_2D, texture);

    // One scratch buffer takes every reduction, the later ones in place. Its size,
    // (w/2)*(h/2)*4 + 4, would be too small for the first halving of an image one pixel wide or
    // high, which keeps half of the other side: that case gets what it needs.
    std::size_t scratchBytes = std::size_t(w / 2) * std::size_t(h / 2) * 4 + 4;
    scratchBytes = std::max(scratchBytes,
                            std::size_t(std::max(w / 2, 1)) * std::size_t(std::max(h / 2, 1)) * 4);
    auto* scratch = static_cast<unsigned char*>(std::malloc(scratchBytes));
    if (!scratch)
        platformLog("texture \"%s\": no memory for its smaller levels, level 0 only", name.c_str());

    int level = 0;
    if (startLevel >= 0) {
        clearGLErrors();
        upload(0, w, h, image.pixels.get());
        const GLenum error = glGetError();
        if (error != GL_NO_ERROR) {
            std::free(scratch);
            glDeleteTextures(1, &texture);
            platformLog("cannot load texture \"%s\": uploading %dx%d failed (GL error 0x%04x)",
                        name.c_str(), w, h, unsigned(error));
            return 0;
        }
        level = 1;
    }
    const unsigned char* current = image.pixels.get();
    while (scratch && reduceImage(current, scratch, &w, &h)) {
        current = scratch;
        if (level >= startLevel) {
            if (level > stopLevel) break;
            upload(level, w, h, scratch);
        }
        ++level;
    }
    std::free(scratch);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    return texture;
}

void loadTextures(float scale) {
    for (const TextureSource& source : kTextureSources) {
        const char* name = bubbleSymbols && source.symbolName ? source.symbolName : source.name;
        *source.texture = loadTextureFromResource(name, source.startLevel, source.stopLevel, scale);
    }
}

void deleteTextures() {
    for (const TextureSource& source : kTextureSources) {
        if (*source.texture != 0) glDeleteTextures(1, source.texture);
        *source.texture = 0;
    }
}

bool TextureSet::loadFor(float scale) {
    // A window resized within one image scale keeps its textures.
    if (scale_ > 0.0f && imageScaleFor(scale) == imageScaleFor(scale_)) return false;
    reload(scale);
    return true;
}

bool TextureSet::setSymbols(bool on) {
    if (on == bubbleSymbolsShown()) return false;
    setBubbleSymbols(on);
    if (scale_ <= 0.0f) return false;
    reload(scale_);
    return true;
}

void TextureSet::reload(float scale) {
    if (scale_ > 0.0f) deleteTextures();
    loadTextures(scale);
    scale_ = scale;
}
