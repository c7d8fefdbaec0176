// The rendering context: an OpenGL ES 1.1 context on the screen's window
// that gives a layer's storage to a render buffer and presents it into the window. SDL stays in
// the .cpp; nothing game-specific.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/base/Geometry.h"
#include "platform/gl/Screen.h"

struct SDL_Window;
class GLLayer;

// The one rendering API there is: OpenGL ES 1.x.
constexpr int kGLContextAPIOpenGLES1 = 1;

// Every GLContext shares textures and buffers with the screen's own context and with each other,
// so that the window's compositor can show what any of them presented. The first one made on a
// screen is the screen's own context itself, with the state of a new context: in software each
// context holds its own renderer state and compiled shaders (some 7 MiB at scale 2), and the
// compositor puts back every state it changes.
class GLContext {
public:
    // A context on the open screen, not made current. nullptr with one log line when there is no
    // screen, the API is not 1, or the context lacks OpenGL ES 1.1 or GL_OES_framebuffer_object.
    static std::unique_ptr<GLContext> create(int api);
    ~GLContext();
    GLContext(const GLContext&) = delete;
    GLContext& operator=(const GLContext&) = delete;

    int api() const { return kGLContextAPIOpenGLES1; }
    // False once the screen it was made on has been closed: it can no longer be made current.
    bool isLive() const;

    // Makes the context current on this thread (nullptr: none). False on failure, with the
    // previous context possibly no longer current.
    static bool setCurrentContext(GLContext* context);
    // The current GLContext, or nullptr when none is current or the current one is not a
    // GLContext (the screen's own, say).
    static GLContext* currentContext();

    // Gives the render buffer bound to GL_RENDERBUFFER_OES in this (current) context RGBA8 storage
    // of the layer's size in pixels, and ties the two together for presentRenderbuffer(). False,
    // with the render buffer unchanged, when this context is not current, no render buffer is
    // bound, there is no layer, its size is zero or too large, or GL refuses. Clears any pending
    // GL error first.
    bool renderbufferStorage(GLLayer* layer);

    // Shows the render buffer bound to GL_RENDERBUFFER_OES in its layer's place in the window and
    // swaps the window. False when this context is not current or lost, the bound render buffer
    // got no layer storage (or it has changed since), or GL fails. Every binding it uses is
    // restored; the render buffer's contents stay as they were.
    bool presentRenderbuffer();
    // The same, when only the pixels in `changed` (x, y from the bottom-left, as GL counts them)
    // differ from the picture last presented: only they are copied.
    bool presentRenderbuffer(const Rect& changed);
    // The same for several parts that differ (count > 0), which the window may show apart.
    bool presentRenderbuffer(const Rect* changed, int count);

private:
    GLContext(SDL_Window* window, std::uint32_t windowId, void* sdlContext, bool ownsSdlContext);
    void releaseLayer(GLLayer* layer); // drops the layer's picture; this context must be current
    // Copies the render buffer's pixels x0 <= x < x1, y0 <= y < y1 into the layer's picture,
    // where the two are not one storage; every binding is restored.
    bool copyIntoPicture(std::uint32_t renderbuffer, const GLLayer& layer, int x0, int y0, int x1,
                         int y1);

    SDL_Window* window_;
    std::uint32_t windowId_; // SDL window ids are never reused, unlike addresses
    void* sdlContext_;
    bool ownsSdlContext_; // false for the screen's own context, which the screen deletes
    std::uint32_t readFramebuffer_ = 0; // for copying a presented render buffer

    friend class GLLayer;
    friend class SavedGLContext;
};
