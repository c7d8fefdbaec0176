// The rendering-context stand-in on SDL: OpenGL ES 1.1 contexts on the screen's window sharing
// one set of objects, layer storage for render buffers, and the copy of a presented render
// buffer into its layer's picture.
#include "platform/gl/GLContext.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/base/Log.h"
#include "platform/gl/GLExtensions.h"
#include "platform/gl/GLLayer.h"
#include "platform/gl/Screen.h"

namespace {

// Never destroyed, so that contexts that outlive static destruction can still leave it.
std::vector<GLContext*>& liveContexts() {
    static auto* all = new std::vector<GLContext*>;
    return *all;
}

int nextPowerOfTwo(int n) {
    int p = 1;
    while (p < n)
        p *= 2;
    return p;
}

// A texture of texW x texH pixels for a layer's picture, or 0 when GL refuses. Restores the
// active unit's binding.
GLuint makePictureTexture(int texW, int texH) {
    GLint oldTexture = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &oldTexture);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    // Nearest: at one texel per pixel a picture shows exactly as it was drawn.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, texW, texH, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(oldTexture));
    if (glGetError() != GL_NO_ERROR) {
        glDeleteTextures(1, &texture);
        return 0;
    }
    return texture;
}

} // namespace

GLContext::GLContext(SDL_Window* window, std::uint32_t windowId, void* sdlContext,
                     bool ownsSdlContext)
    : window_(window), windowId_(windowId), sdlContext_(sdlContext),
      ownsSdlContext_(ownsSdlContext) {
    liveContexts().push_back(this);
}

std::unique_ptr<GLContext> GLContext::create(int api) {
    if (api != kGLContextAPIOpenGLES1) {
        platformLog("cannot create an OpenGL ES context for API %d: only API 1 exists", api);
        return nullptr;
    }
    SDL_Window* window = screenWindow();
    if (!window) {
        platformLog("cannot create an OpenGL ES context: no screen is open");
        return nullptr;
    }
    const SavedGLContext saved;
    // SDL shares with whatever is current: make it the screen's own context, so that every
    // context, and the compositor, sees the same textures.
    if (SDL_GL_MakeCurrent(window, screenDefaultContext()) != 0) {
        platformLog("cannot create an OpenGL ES context: %s", SDL_GetError());
        saved.restore();
        return nullptr;
    }
    const std::uint32_t windowId = SDL_GetWindowID(window);
    const bool screenContextTaken =
        std::any_of(liveContexts().begin(), liveContexts().end(), [&](const GLContext* c) {
            return c->sdlContext_ == screenDefaultContext() && c->windowId_ == windowId;
        });
    if (!screenContextTaken) {
        screenRestoreInitialState();
        saved.restore();
        return std::unique_ptr<GLContext>(
            new GLContext(window, windowId, screenDefaultContext(), false));
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 1);
    SDL_GLContext sdlContext = SDL_GL_CreateContext(window); // current if made
    SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 0);
    if (!sdlContext) {
        platformLog("cannot create an OpenGL ES 1.1 context: %s", SDL_GetError());
        saved.restore();
        return nullptr;
    }
    const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    const char* lack = nullptr;
    if (!version || std::strncmp(version, "OpenGL ES-C", 11) != 0)
        lack = "OpenGL ES 1.1";
    else if (!SDL_GL_ExtensionSupported("GL_OES_framebuffer_object") || !glGenFramebuffersOES)
        lack = "GL_OES_framebuffer_object";
    if (lack) {
        SDL_GL_DeleteContext(sdlContext);
        saved.restore();
        platformLog("cannot create an OpenGL ES context: the driver lacks %s", lack);
        return nullptr;
    }
    saved.restore();
    return std::unique_ptr<GLContext>(new GLContext(window, windowId, sdlContext, true));
}

GLContext::~GLContext() {
    const auto forget = [](GLLayer* layer, GLContext*) { layer->dropBacking(); };
    if (isLive()) {
        const SavedGLContext saved;
        if (setCurrentContext(this)) {
            GLLayer::forEachBackedBy(
                this, [](GLLayer* layer, GLContext* self) { self->releaseLayer(layer); });
            if (readFramebuffer_) glDeleteFramebuffersOES(1, &readFramebuffer_);
        }
        GLLayer::forEachBackedBy(this, forget);
        // Deleting the current context leaves none current; any other is given back.
        if (!saved.is(this))
            saved.restore();
        else if (!ownsSdlContext_)
            setCurrentContext(nullptr);
    } else {
        GLLayer::forEachBackedBy(this, forget); // their objects went with the old screen
    }
    if (ownsSdlContext_) SDL_GL_DeleteContext(static_cast<SDL_GLContext>(sdlContext_));
    auto& all = liveContexts();
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

bool GLContext::isLive() const {
    SDL_Window* window = screenWindow();
    return window && window == window_ && SDL_GetWindowID(window) == windowId_;
}

bool GLContext::setCurrentContext(GLContext* context) {
    if (!context) return SDL_GL_MakeCurrent(SDL_GL_GetCurrentWindow(), nullptr) == 0;
    if (!context->isLive()) return false;
    return SDL_GL_MakeCurrent(context->window_, context->sdlContext_) == 0;
}

GLContext* GLContext::currentContext() {
    void* current = SDL_GL_GetCurrentContext();
    if (!current) return nullptr;
    for (GLContext* context : liveContexts())
        if (context->sdlContext_ == current) return context;
    return nullptr;
}

void GLContext::releaseLayer(GLLayer* layer) {
    if (layer->texture_) glDeleteTextures(1, &layer->texture_);
    layer->dropBacking();
}

bool GLContext::renderbufferStorage(GLLayer* layer) {
    if (!layer || currentContext() != this) return false;
    GLint renderbuffer = 0;
    glGetIntegerv(GL_RENDERBUFFER_BINDING_OES, &renderbuffer);
    if (renderbuffer == 0) return false;
    const Size pixels = layer->pixelSize();
    if (!(pixels.width >= 1.0f && pixels.height >= 1.0f)) return false; // also refuses NaN
    GLint maxRenderbuffer = 0;
    GLint maxTexture = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE_OES, &maxRenderbuffer);
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTexture);
    if (pixels.width > static_cast<float>(maxRenderbuffer) ||
        pixels.height > static_cast<float>(maxRenderbuffer))
        return false;
    const int width = static_cast<int>(pixels.width);
    const int height = static_cast<int>(pixels.height);
    // The picture's own size where the driver takes any size (at scale 2 the game view would
    // otherwise take a 1024 x 1024 texture for 640 x 744 pixels), else the next powers of two.
    const bool anySize = SDL_GL_ExtensionSupported("GL_OES_texture_npot");
    const int texW = anySize ? width : nextPowerOfTwo(width);
    const int texH = anySize ? height : nextPowerOfTwo(height);
    if (texW > maxTexture || texH > maxTexture) return false;

    glDrainErrors();
    if (!readFramebuffer_) glGenFramebuffersOES(1, &readFramebuffer_);
    if (!readFramebuffer_) return false;
    // The picture's texture is made before the storage so that a refusal changes nothing.
    const bool reuse = layer->texture_ && layer->backingContext_ &&
                       layer->backingContext_->isLive() && layer->textureWidth_ == texW &&
                       layer->textureHeight_ == texH;
    const GLuint texture = reuse ? layer->texture_ : makePictureTexture(texW, texH);
    if (!texture) return false;
    // Drawn straight into the picture where the driver can: no second buffer, no copy a frame.
    const bool storageIsTexture = anySize && glRenderbufferStorageFromTexture(texture);
    if (!storageIsTexture)
        glRenderbufferStorageOES(GL_RENDERBUFFER_OES, GL_RGBA8_OES, width, height);
    if (glGetError() != GL_NO_ERROR) {
        if (!reuse) glDeleteTextures(1, &texture);
        return false;
    }

    // One render buffer feeds one layer: a layer it fed before lets go of it.
    const auto id = static_cast<std::uint32_t>(renderbuffer);
    for (GLLayer* other = GLLayer::backedBy(this, id); other && other != layer;
         other = GLLayer::backedBy(this, id))
        releaseLayer(other);
    if (!reuse) {
        // All live contexts share objects, so this one may delete the old picture.
        if (layer->texture_ && layer->backingContext_ && layer->backingContext_->isLive())
            glDeleteTextures(1, &layer->texture_);
        layer->texture_ = texture;
        layer->textureWidth_ = texW;
        layer->textureHeight_ = texH;
    }
    layer->backingContext_ = this;
    layer->backingRenderbuffer_ = id;
    layer->backingWindowId_ = windowId_;
    layer->pixelWidth_ = width;
    layer->pixelHeight_ = height;
    layer->presented_ = false;
    layer->storageIsTexture_ = storageIsTexture;
    return true;
}

bool GLContext::presentRenderbuffer() {
    return presentRenderbuffer(Rect{{0.0f, 0.0f}, {1e9f, 1e9f}});
}

bool GLContext::presentRenderbuffer(const Rect& changed) {
    return presentRenderbuffer(&changed, 1);
}

bool GLContext::presentRenderbuffer(const Rect* changed, int count) {
    if (!isLive() || currentContext() != this || count <= 0) return false;
    GLint renderbuffer = 0;
    glGetIntegerv(GL_RENDERBUFFER_BINDING_OES, &renderbuffer);
    GLLayer* layer =
        renderbuffer ? GLLayer::backedBy(this, static_cast<std::uint32_t>(renderbuffer)) : nullptr;
    if (!layer || !layer->texture_) return false;
    // Its storage may have been replaced behind the layer's back since.
    GLint width = 0;
    GLint height = 0;
    glGetRenderbufferParameterivOES(GL_RENDERBUFFER_OES, GL_RENDERBUFFER_WIDTH_OES, &width);
    glGetRenderbufferParameterivOES(GL_RENDERBUFFER_OES, GL_RENDERBUFFER_HEIGHT_OES, &height);
    if (width != layer->pixelWidth_ || height != layer->pixelHeight_) return false;

    // A picture never presented is shown whole; else only the changed pixels, which keeps a
    // small change cheap.
    const bool whole = !layer->presented_;
    std::vector<Rect> parts;
    parts.reserve(static_cast<std::size_t>(count));
    int x0 = width, y0 = height, x1 = 0, y1 = 0; // all the parts
    for (int i = 0; i < count && !whole; ++i) {
        const Rect& c = changed[i];
        const int px0 = std::clamp(static_cast<int>(std::floor(c.origin.x)), 0, width);
        const int py0 = std::clamp(static_cast<int>(std::floor(c.origin.y)), 0, height);
        const int px1 =
            std::clamp(static_cast<int>(std::ceil(c.origin.x + c.size.width)), px0, width);
        const int py1 =
            std::clamp(static_cast<int>(std::ceil(c.origin.y + c.size.height)), py0, height);
        // Nothing changed: the window still hears of it, at the place given.
        if ((px1 == px0 || py1 == py0) && (i + 1 < count || !parts.empty())) continue;
        parts.push_back({{static_cast<float>(px0), static_cast<float>(py0)},
                         {static_cast<float>(px1 - px0), static_cast<float>(py1 - py0)}});
        x0 = std::min(x0, px0);
        y0 = std::min(y0, py0);
        x1 = std::max(x1, px1);
        y1 = std::max(y1, py1);
    }
    if (whole) x0 = y0 = 0, x1 = width, y1 = height;
    if (!layer->storageIsTexture_ && !copyIntoPicture(static_cast<GLuint>(renderbuffer), *layer, x0,
                                                      y0, std::max(x0, x1), std::max(y0, y1)))
        return false;
    glFlush(); // the compositor reads the picture next, maybe from another context
    layer->presented_ = true;
    // Even a picture changed whole changes only its own place in the window.
    if (whole) return windowPresent();
    return windowPresentLayerChanges(*layer, parts.data(), static_cast<int>(parts.size()));
}

bool GLContext::copyIntoPicture(std::uint32_t renderbuffer, const GLLayer& layer, int x0, int y0,
                                int x1, int y1) {
    glDrainErrors();
    GLint oldFramebuffer = 0;
    GLint oldActiveTexture = 0;
    GLint oldTexture = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &oldFramebuffer);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &oldActiveTexture);
    glActiveTexture(GL_TEXTURE0);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &oldTexture);

    glBindFramebufferOES(GL_FRAMEBUFFER_OES, readFramebuffer_);
    glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_RENDERBUFFER_OES,
                                 renderbuffer);
    const bool ok = glCheckFramebufferStatusOES(GL_FRAMEBUFFER_OES) == GL_FRAMEBUFFER_COMPLETE_OES;
    if (ok) {
        glBindTexture(GL_TEXTURE_2D, layer.texture_);
        if (x1 > x0 && y1 > y0)
            glCopyTexSubImage2D(GL_TEXTURE_2D, 0, x0, y0, x0, y0, x1 - x0, y1 - y0);
    }
    glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_RENDERBUFFER_OES,
                                 0);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(oldTexture));
    glActiveTexture(static_cast<GLenum>(oldActiveTexture));
    glBindFramebufferOES(GL_FRAMEBUFFER_OES, static_cast<GLuint>(oldFramebuffer));
    return ok && glGetError() == GL_NO_ERROR;
}

bool SavedGLContext::is(const GLContext* context) const {
    return context && sdlContext_ == context->sdlContext_;
}
