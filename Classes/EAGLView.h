// A view whose content is an OpenGL ES 1.1 surface: its own context, a frame buffer with a colour
// render buffer on the view's layer (and a depth buffer on request), presenting and resizing.
// Platform headers only; no SDL.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gl/GLContext.h"
#include "platform/gl/GLLayer.h"
#include "platform/ui/View.h"

class EAGLView;

class EAGLViewDelegate {
public:
    virtual ~EAGLViewDelegate() = default;
    // After every surface creation, the first one included.
    virtual void didResizeEAGLSurfaceForView(EAGLView* view) = 0;
};

class EAGLView : public View {
public:
    // nullptr, with one log line, when there is no context (no screen, no OpenGL ES 1.1, no
    // frame buffer extension) or the first surface cannot be made.
    static std::unique_ptr<EAGLView> initWithFrame(const Rect& frame);
    static std::unique_ptr<EAGLView> initWithFrame(const Rect& frame, std::uint32_t pixelFormat);
    static std::unique_ptr<EAGLView> initWithFrame(const Rect& frame, std::uint32_t pixelFormat,
                                                   std::uint32_t depthFormat,
                                                   bool preserveBackbuffer);
    ~EAGLView() override;

    std::uint32_t pixelFormat() const { return _format; }
    std::uint32_t depthFormat() const { return _depthFormat; }
    bool autoresizesSurface() const { return _autoresize; }
    GLContext* context() const { return _context.get(); }
    std::uint32_t framebuffer() const { return _framebuffer; }
    Size surfaceSize() const { return _size; }
    EAGLViewDelegate* delegate() const { return _delegate; }
    void setDelegate(EAGLViewDelegate* delegate) { _delegate = delegate; }
    GLLayer* layer() const { return _layer.get(); }
    // The render buffers' GL names, 0 when none.
    std::uint32_t renderbuffer() const { return _renderbuffer; }
    std::uint32_t depthBuffer() const { return _depthBuffer; }

    // Re-creates the buffers when autoresizing and the size in pixels has changed.
    void layoutSubviews() override;
    // Stores the flag; a true one lays the view out at once.
    void setAutoresizesEAGLSurface(bool autoresize);
    void setAutoresizesSurface(bool autoresize) { _autoresize = autoresize; }

    void setCurrentContext(); // the view's context stays current for the caller's drawing
    bool isCurrentContext() const;
    void clearCurrentContext();
    // Presents the colour buffer; it stays bound afterwards. The current context is kept.
    void swapBuffers();
    // The same when only the surface pixels in `changed` (from the bottom-left) have changed
    // since the last presented picture.
    void swapBuffers(const Rect& changed);
    // The same for several changed parts (count > 0).
    void swapBuffers(const Rect* changed, int count);

    // View points to surface pixels, no axis flipped.
    Point convertPointFromViewToSurface(Point point) const;
    Rect convertRectFromViewToSurface(const Rect& rect) const;

    // The colour render buffer as RGBA rows, top row first (surface width x height x 4 bytes).
    // For tests and screenshots; keeps the current context and frame buffer binding.
    bool readPixels(std::vector<std::uint8_t>& rgba) const;

protected:
    // Everything the factories do but drop the view: a subclass's factory builds itself through
    // this and gives up when initialised() is false (the line is logged already).
    EAGLView(const Rect& frame, std::uint32_t pixelFormat, std::uint32_t depthFormat,
             bool preserveBackbuffer);
    bool initialised() const { return initialised_; }

    bool createSurface();
    void destroySurface();

    void windowGeometryDidChange() override;

private:
    std::uint32_t _format;
    std::uint32_t _depthFormat;
    bool _autoresize = false;
    std::unique_ptr<GLContext> _context;
    std::uint32_t _framebuffer = 0;
    std::uint32_t _renderbuffer = 0;
    std::uint32_t _depthBuffer = 0;
    Size _size;
    bool _hasBeenCurrent = false;
    EAGLViewDelegate* _delegate = nullptr;

    std::unique_ptr<GLLayer> _layer; // the view's drawable; follows the view's geometry
    bool initialised_ = false;
};
