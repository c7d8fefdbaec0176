// The GL surface view on real OpenGL ES 1.1 (offscreen): surface sizes, resizing, refusals and
// the failure messages. (Its pictures are read back and presented in the game view's suite.)
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "Classes/EAGLView.h"
#include "support/GLTest.h"
#include "support/Harness.h"

namespace {

using Box = std::array<GLint, 4>;
Box getBox(GLenum name) {
    Box box{};
    glGetIntegerv(name, box.data());
    return box;
}

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

TEST_F(EAGLViewTest, SurfaceIsTheBoundsRoundedHalfAwayFromZeroAtAnyScaleAndPointsMapOntoIt) {
    auto view = EAGLView::initWithFrame({{0, 44}, {320, 372.4f}});
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(view->isCurrentContext()); // creation leaves the view's context current
    EXPECT_EQ(glCheckFramebufferStatusOES(GL_FRAMEBUFFER_OES), GL_FRAMEBUFFER_COMPLETE_OES);
    EXPECT_EQ(renderbufferSize(view->renderbuffer()), (std::array<GLint, 2>{320, 372}));
    EXPECT_EQ(getBox(GL_VIEWPORT), (Box{0, 0, 320, 372}));
    auto half = EAGLView::initWithFrame({{0, 0}, {100.5f, 50.49f}});
    ASSERT_NE(half, nullptr);
    EXPECT_EQ(renderbufferSize(half->renderbuffer()), (std::array<GLint, 2>{101, 50}));
    half->setAutoresizesEAGLSurface(true);
    half->setContentScale(2.0f); // two pixels per point, rounded the same way
    half->setCurrentContext();
    EXPECT_EQ(renderbufferSize(half->renderbuffer()), (std::array<GLint, 2>{201, 101}));

    view->setBounds({{10, 20}, {320, 372.4f}});
    for (const float scale : {1.0f, 2.0f}) {
        view->setAutoresizesEAGLSurface(true);
        view->setContentScale(scale);
        const Size s = view->surfaceSize();
        EXPECT_EQ(s.height, scale == 1.0f ? 372.0f : 745.0f);
        const Point corner = view->convertPointFromViewToSurface({330, 392.4f});
        const Rect quarter = view->convertRectFromViewToSurface({{170, 20}, {80, 93.1f}});
        EXPECT_TRUE(corner.x == s.width && corner.y == s.height) << scale;
        EXPECT_FLOAT_EQ(quarter.origin.x, s.width / 2);
        EXPECT_FLOAT_EQ(quarter.origin.y, 0.0f);
        EXPECT_NEAR(quarter.size.height, s.height / 4, 1e-3);
    }
}

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
    EXPECT_EQ(GLContext::create(2), nullptr);
    EXPECT_EQ(log.lines.size(), 4u);
}

} // namespace
