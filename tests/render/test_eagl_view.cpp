// The GL surface view on real OpenGL ES 1.1 (offscreen): resizing, refusals and the failure
// messages. (Its pictures, also at scale 2, are read back and touched in the game view's suite.)
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "Classes/EAGLView.h"
#include "support/GLTest.h"
#include "support/Harness.h"

namespace {

// Size of a render buffer as GL reports it, in the current context.
std::array<GLint, 2> renderbufferSize(GLuint renderbuffer) {
    const GLint old = glInt(GL_RENDERBUFFER_BINDING_OES);
    glBindRenderbufferOES(GL_RENDERBUFFER_OES, renderbuffer);
    std::array<GLint, 2> size{};
    glGetRenderbufferParameterivOES(GL_RENDERBUFFER_OES, GL_RENDERBUFFER_WIDTH_OES, &size[0]);
    glGetRenderbufferParameterivOES(GL_RENDERBUFFER_OES, GL_RENDERBUFFER_HEIGHT_OES, &size[1]);
    glBindRenderbufferOES(GL_RENDERBUFFER_OES, static_cast<GLuint>(old));
    return size;
}

class CountingDelegate : public EAGLViewDelegate {
public:
    void didResizeEAGLSurfaceForView(EAGLView* view) override {
        sizes.push_back(view->surfaceSize());
    }
    std::vector<Size> sizes;
};

class EAGLViewTest : public GLTest {
protected:
    LogCapture log;
};

TEST_F(EAGLViewTest, OnlyAutoresizingReCreatesTheSurfaceAndRefusedSizesAreTold) {
    auto view = EAGLView::initWithFrame({{0, 0}, {320, 372.4f}});
    ASSERT_NE(view, nullptr);
    CountingDelegate delegate;
    view->setDelegate(&delegate);
    view->setFrame({{0, 0}, {100, 50}});
    view->layoutSubviews(); // not autoresizing: the surface stays
    EXPECT_EQ(renderbufferSize(view->renderbuffer()), (std::array<GLint, 2>{320, 372}));
    view->setAutoresizesEAGLSurface(true); // lays out at once
    view->layoutSubviews();                // the size in pixels is unchanged now
    ASSERT_EQ(delegate.sizes.size(), 1u);
    EXPECT_TRUE(delegate.sizes[0].width == 100.0f && delegate.sizes[0].height == 50.0f);
    EXPECT_EQ(renderbufferSize(view->renderbuffer()), (std::array<GLint, 2>{100, 50}));

    // Sizes GL refuses leave no buffer and the last good size; presenting then is told.
    for (const Size bad : {Size{0, 100}, Size{100000, 10}}) {
        view->setFrame({{0, 0}, bad});
        EXPECT_EQ(view->renderbuffer() + view->framebuffer(), 0u);
        EXPECT_EQ(view->surfaceSize().width, 100.0f);
    }
    view->swapBuffers();
    EXPECT_EQ(log.lines,
              std::vector<std::string>{"Failed to swap renderbuffer in -[EAGLView swapBuffers]"});
    view->setFrame({{0, 0}, {64, 32}});
    EXPECT_EQ(renderbufferSize(view->renderbuffer()), (std::array<GLint, 2>{64, 32}));
    // A view that never gets a surface never exists, and says why in one line.
    EXPECT_EQ(EAGLView::initWithFrame({{0, 0}, {0, 480}}), nullptr);
    EXPECT_EQ(EAGLView::initWithFrame({{0, 0}, {64, 64}}, GL_RGB565_OES, 0x1234, false), nullptr);
    EXPECT_EQ(log.lines.size(), 3u);
}

TEST_F(EAGLViewTest, ContextFailuresAreLoggedNotFatal) {
    auto view = EAGLView::initWithFrame({{0, 0}, {32, 32}});
    ASSERT_NE(view, nullptr);
    view->clearCurrentContext();
    EXPECT_EQ(GLContext::currentContext(), nullptr);
    screenClose(); // the view's context goes with the screen
    view->setCurrentContext();
    view->swapBuffers();
    EXPECT_EQ(log.lines,
              (std::vector<std::string>{"Failed to set current context",
                                        "Failed to swap renderbuffer in -[EAGLView swapBuffers]"}));
    EXPECT_FALSE(windowCompose());
    view.reset(); // tear-down without a screen is quiet and safe
    EXPECT_EQ(EAGLView::initWithFrame({{0, 0}, {32, 32}}), nullptr);
    EXPECT_EQ(log.lines.size(), 3u);
}

} // namespace
