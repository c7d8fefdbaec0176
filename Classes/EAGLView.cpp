// The OpenGL ES surface view: context, frame buffer and render buffers on the view's layer,
// presenting, resizing and point conversion. Platform headers only; no SDL.
#include "Classes/EAGLView.h"

#include <algorithm>

#include "platform/base/Log.h"
#include "platform/gl/GLExtensions.h"

std::unique_ptr<EAGLView> EAGLView::initWithFrame(const Rect& frame) {
    return initWithFrame(frame, GL_RGB565_OES, 0, false);
}

std::unique_ptr<EAGLView> EAGLView::initWithFrame(const Rect& frame, std::uint32_t pixelFormat) {
    return initWithFrame(frame, pixelFormat, 0, false);
}

std::unique_ptr<EAGLView> EAGLView::initWithFrame(const Rect& frame, std::uint32_t pixelFormat,
                                                  std::uint32_t depthFormat,
                                                  bool preserveBackbuffer) {
    std::unique_ptr<EAGLView> view(
        new EAGLView(frame, pixelFormat, depthFormat, preserveBackbuffer));
    if (!view->initialised()) return nullptr;
    return view;
}

// The drawable is always RGBA8 with retained backing, whatever format and preserve flag were
// asked for; the format is only recorded.
EAGLView::EAGLView(const Rect& frame, std::uint32_t pixelFormat, std::uint32_t depthFormat,
                   bool /*preserveBackbuffer*/)
    : View(frame), _format(pixelFormat), _depthFormat(depthFormat),
      _layer(std::make_unique<GLLayer>()) {
    windowGeometryDidChange();
    _layer->setDrawableProperties({true, GLColorFormat::RGBA8});
    _context = GLContext::create(kGLContextAPIOpenGLES1);
    if (!_context) return; // the context logged why
    if (!createSurface()) {
        platformLog("cannot make the OpenGL ES surface of a %gx%g view", frame.size.width,
                    frame.size.height);
        return;
    }
    initialised_ = true;
}

EAGLView::~EAGLView() {
    destroySurface();
    _context.reset();
}

void EAGLView::windowGeometryDidChange() {
    if (!_layer) return;
    _layer->setBounds(bounds());
    _layer->setContentScale(contentScale());
    _layer->setWindowFrame(convertRectToWindow(bounds()));
    _layer->setHidden(isHiddenInWindow());
}

bool EAGLView::createSurface() {
    if (!_context || !GLContext::setCurrentContext(_context.get())) return false;
    const Size newSize = _layer->pixelSize();
    GLint oldRenderbuffer = 0;
    GLint oldFramebuffer = 0;
    glGetIntegerv(GL_RENDERBUFFER_BINDING_OES, &oldRenderbuffer);
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &oldFramebuffer);

    glGenRenderbuffersOES(1, &_renderbuffer);
    glBindRenderbufferOES(GL_RENDERBUFFER_OES, _renderbuffer);
    if (!_context->renderbufferStorage(_layer.get())) {
        glDeleteRenderbuffersOES(1, &_renderbuffer);
        _renderbuffer = 0; // a stale name could later delete someone else's buffer
        glBindRenderbufferOES(GL_RENDERBUFFER_OES, static_cast<GLuint>(oldRenderbuffer));
        return false;
    }

    glGenFramebuffersOES(1, &_framebuffer);
    glBindFramebufferOES(GL_FRAMEBUFFER_OES, _framebuffer);
    glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_RENDERBUFFER_OES,
                                 _renderbuffer);
    const auto width = static_cast<GLsizei>(newSize.width);
    const auto height = static_cast<GLsizei>(newSize.height);
    if (_depthFormat != 0) {
        glGenRenderbuffersOES(1, &_depthBuffer);
        glBindRenderbufferOES(GL_RENDERBUFFER_OES, _depthBuffer);
        glRenderbufferStorageOES(GL_RENDERBUFFER_OES, _depthFormat, width, height);
        glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_DEPTH_ATTACHMENT_OES,
                                     GL_RENDERBUFFER_OES, _depthBuffer);
    }
    // A depth format the driver refuses leaves a frame buffer nothing can draw into: say so
    // rather than hand it out.
    if (glCheckFramebufferStatusOES(GL_FRAMEBUFFER_OES) != GL_FRAMEBUFFER_COMPLETE_OES) {
        if (_depthBuffer) glDeleteRenderbuffersOES(1, &_depthBuffer);
        glDeleteRenderbuffersOES(1, &_renderbuffer);
        glDeleteFramebuffersOES(1, &_framebuffer);
        _depthBuffer = _renderbuffer = _framebuffer = 0;
        glBindFramebufferOES(GL_FRAMEBUFFER_OES, static_cast<GLuint>(oldFramebuffer));
        glBindRenderbufferOES(GL_RENDERBUFFER_OES, static_cast<GLuint>(oldRenderbuffer));
        return false;
    }

    _size = newSize;
    if (!_hasBeenCurrent) {
        glViewport(0, 0, width, height);
        glScissor(0, 0, width, height);
        _hasBeenCurrent = true; // the new frame buffer stays bound for the first drawing
    } else {
        glBindFramebufferOES(GL_FRAMEBUFFER_OES, static_cast<GLuint>(oldFramebuffer));
    }
    glBindRenderbufferOES(GL_RENDERBUFFER_OES, static_cast<GLuint>(oldRenderbuffer));
    if (_delegate) _delegate->didResizeEAGLSurfaceForView(this);
    return true;
}

void EAGLView::destroySurface() {
    const SavedGLContext saved;
    const bool wasCurrent = saved.is(_context.get());
    if (!_context || (!wasCurrent && !GLContext::setCurrentContext(_context.get()))) {
        // No context, or it went with its screen: the names are gone with it.
        _depthBuffer = _renderbuffer = _framebuffer = 0;
        saved.restore();
        return;
    }
    if (_depthFormat != 0) {
        glDeleteRenderbuffersOES(1, &_depthBuffer);
        _depthBuffer = 0;
    }
    glDeleteRenderbuffersOES(1, &_renderbuffer);
    _renderbuffer = 0;
    glDeleteFramebuffersOES(1, &_framebuffer);
    _framebuffer = 0;
    if (!wasCurrent) saved.restore();
}

void EAGLView::layoutSubviews() {
    if (!_autoresize || !_layer) return;
    const Size pixels = _layer->pixelSize();
    if (pixels.width != _size.width || pixels.height != _size.height) {
        destroySurface();
        createSurface();
    }
}

void EAGLView::setAutoresizesEAGLSurface(bool autoresize) {
    _autoresize = autoresize;
    if (_autoresize) layoutSubviews();
}

void EAGLView::setCurrentContext() {
    if (!_context || !GLContext::setCurrentContext(_context.get()))
        platformLog("Failed to set current context\n");
}

bool EAGLView::isCurrentContext() const {
    return _context && GLContext::currentContext() == _context.get();
}

void EAGLView::clearCurrentContext() {
    if (!GLContext::setCurrentContext(nullptr))
        platformLog("Failed to clear current context in %s\n", "-[EAGLView clearCurrentContext]");
}

void EAGLView::swapBuffers() {
    swapBuffers(Rect{{0.0f, 0.0f}, _size});
}

void EAGLView::swapBuffers(const Rect& changed) {
    swapBuffers(&changed, 1);
}

void EAGLView::swapBuffers(const Rect* changed, int count) {
    const SavedGLContext saved;
    const bool wasCurrent = saved.is(_context.get());
    bool presented = _context && (wasCurrent || GLContext::setCurrentContext(_context.get()));
    if (presented) {
        glBindRenderbufferOES(GL_RENDERBUFFER_OES, _renderbuffer);
        presented = _context->presentRenderbuffer(changed, count);
    }
    if (!presented) platformLog("Failed to swap renderbuffer in %s\n", "-[EAGLView swapBuffers]");
    if (!wasCurrent) saved.restore();
}

// A zero-sized view maps everything to 0 rather than to infinities.
Point EAGLView::convertPointFromViewToSurface(Point point) const {
    const Rect& b = bounds();
    return {b.size.width != 0.0f ? (point.x - b.origin.x) / b.size.width * _size.width : 0.0f,
            b.size.height != 0.0f ? (point.y - b.origin.y) / b.size.height * _size.height : 0.0f};
}

Rect EAGLView::convertRectFromViewToSurface(const Rect& rect) const {
    const Rect& b = bounds();
    return {convertPointFromViewToSurface(rect.origin),
            {b.size.width != 0.0f ? rect.size.width / b.size.width * _size.width : 0.0f,
             b.size.height != 0.0f ? rect.size.height / b.size.height * _size.height : 0.0f}};
}

bool EAGLView::readPixels(std::vector<std::uint8_t>& rgba) const {
    if (!_context || !_framebuffer) return false;
    const SavedGLContext saved;
    const bool wasCurrent = saved.is(_context.get());
    if (!wasCurrent && !GLContext::setCurrentContext(_context.get())) {
        saved.restore();
        return false;
    }
    const int width = static_cast<int>(_size.width);
    const int height = static_cast<int>(_size.height);
    const std::size_t row = static_cast<std::size_t>(width) * 4;
    rgba.assign(row * static_cast<std::size_t>(height), 0);
    GLint oldFramebuffer = 0;
    GLint oldAlignment = 4;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &oldFramebuffer);
    glGetIntegerv(GL_PACK_ALIGNMENT, &oldAlignment);
    while (glGetError() != GL_NO_ERROR) {
    }
    glBindFramebufferOES(GL_FRAMEBUFFER_OES, _framebuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 4); // rows of whole words, never padded
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    const bool ok = glGetError() == GL_NO_ERROR;
    glPixelStorei(GL_PACK_ALIGNMENT, oldAlignment);
    glBindFramebufferOES(GL_FRAMEBUFFER_OES, static_cast<GLuint>(oldFramebuffer));
    if (!wasCurrent) saved.restore();
    // GL reads bottom row first.
    for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(rgba.begin() + static_cast<std::ptrdiff_t>(row) * top,
                         rgba.begin() + static_cast<std::ptrdiff_t>(row) * (top + 1),
                         rgba.begin() + static_cast<std::ptrdiff_t>(row) * bottom);
    return ok;
}
