// The GL surface view on real OpenGL ES 1.1 (offscreen): surface sizes, resizing that restores
// the caller's bindings, refusals, pixels read back and presented into the window, and the
// failure messages.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "Classes/EAGLView.h"
#include "support/GLTest.h"
#include "support/Harness.h"
#include "support/Views.h"

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

const Rgba kRed{255, 0, 0, 255}, kBlue{0, 0, 255, 255}, kBlack{0, 0, 0, 255};

// Blue below GL row `split`, red from it up, over the view's whole surface.
void fillBlueUnderRed(EAGLView& view, int split) {
    view.setCurrentContext();
    glBindFramebufferOES(GL_FRAMEBUFFER_OES, view.framebuffer());
    glEnable(GL_SCISSOR_TEST);
    for (int part = 0; part < 2; ++part) {
        glScissor(0, part ? split : 0, 10000, part ? 10000 : split);
        glClearColor(float(part), 0, float(1 - part), 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glDisable(GL_SCISSOR_TEST);
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

TEST_F(EAGLViewTest, OnlyAutoresizingReCreatesTheSurfaceAndItRestoresTheCallersBindings) {
    auto view = EAGLView::initWithFrame({{0, 0}, {320, 372.4f}});
    ASSERT_NE(view, nullptr);
    CountingDelegate delegate;
    view->setDelegate(&delegate);
    view->setFrame({{0, 0}, {100, 50}});
    view->layoutSubviews(); // not autoresizing: the surface stays
    EXPECT_EQ(renderbufferSize(view->renderbuffer()), (std::array<GLint, 2>{320, 372}));

    GLuint mine = 0;
    glGenRenderbuffersOES(1, &mine);
    glBindRenderbufferOES(GL_RENDERBUFFER_OES, mine);
    glBindFramebufferOES(GL_FRAMEBUFFER_OES, 0);
    glViewport(1, 2, 3, 4);
    glScissor(5, 6, 7, 8);
    view->setAutoresizesEAGLSurface(true); // lays out at once
    view->layoutSubviews();                // the size in pixels is unchanged now
    ASSERT_EQ(delegate.sizes.size(), 1u);
    EXPECT_TRUE(delegate.sizes[0].width == 100.0f && delegate.sizes[0].height == 50.0f);
    EXPECT_EQ(glInt(GL_FRAMEBUFFER_BINDING_OES), 0);
    EXPECT_EQ(glInt(GL_RENDERBUFFER_BINDING_OES), static_cast<GLint>(mine));
    EXPECT_EQ(getBox(GL_VIEWPORT), (Box{1, 2, 3, 4}));
    EXPECT_EQ(getBox(GL_SCISSOR_BOX), (Box{5, 6, 7, 8}));
    EXPECT_EQ(renderbufferSize(view->renderbuffer()), (std::array<GLint, 2>{100, 50}));

    // Sizes GL refuses leave no buffer, the caller's binding and the last good size.
    for (const Size bad : {Size{0, 100}, Size{100000, 10}}) {
        view->setFrame({{0, 0}, bad});
        EXPECT_EQ(view->renderbuffer() + view->framebuffer(), 0u);
        EXPECT_EQ(glInt(GL_RENDERBUFFER_BINDING_OES), static_cast<GLint>(mine));
        EXPECT_EQ(view->surfaceSize().width, 100.0f);
    }
    // Nothing to present now: the failure is told, and a good size brings the surface back.
    view->swapBuffers();
    EXPECT_EQ(log.lines,
              std::vector<std::string>{"Failed to swap renderbuffer in -[EAGLView swapBuffers]"});
    view->setFrame({{0, 0}, {64, 32}});
    EXPECT_EQ(renderbufferSize(view->renderbuffer()), (std::array<GLint, 2>{64, 32}));
    glDeleteRenderbuffersOES(1, &mine);

    // A view that never gets a surface never exists, and says why in one line.
    EXPECT_EQ(EAGLView::initWithFrame({{0, 0}, {0, 480}}), nullptr);
    EXPECT_EQ(EAGLView::initWithFrame({{0, 0}, {64, 64}}, GL_RGB565_OES, 0x1234, false), nullptr);
    EXPECT_EQ(log.lines.size(), 3u);
}

TEST_F(EAGLViewTest, PixelsReadBackTopRowFirstAndPresentAtTheViewsPlaceInTheWindow) {
    View window({{0, 0}, {320, 480}});
    View content({{0, 20}, {320, 460}}); // below a status bar
    window.addSubview(&content);
    auto view = EAGLView::initWithFrame({{0, 44}, {320, 372}});
    ASSERT_NE(view, nullptr);
    content.addSubview(view.get()); // window y 64 ... 436
    fillBlueUnderRed(*view, 186);
    std::vector<std::uint8_t> rgba;
    ASSERT_TRUE(view->readPixels(rgba));
    EXPECT_EQ(pixelAt(rgba, 320, 0, 185), kRed);
    EXPECT_EQ(pixelAt(rgba, 320, 319, 186), kBlue);
    EXPECT_EQ(composeWindow().at(160, 100), kBlack); // nothing presented yet

    // Presenting from another view's context gives that context back.
    auto other = EAGLView::initWithFrame({{0, 0}, {8, 8}});
    ASSERT_NE(other, nullptr);
    other->setHidden(true);
    other->setCurrentContext();
    view->swapBuffers();
    EXPECT_TRUE(other->isCurrentContext());
    fillBlueUnderRed(*view, 0); // drawn, not presented: the window keeps the last picture
    const WindowShot s = composeWindow();
    const struct {
        int x, y;
        Rgba colour;
    } expected[] = {{160, 63, kBlack}, {160, 64, kRed},   {0, 249, kRed},
                    {319, 250, kBlue}, {160, 435, kBlue}, {160, 436, kBlack}};
    for (const auto& e : expected)
        EXPECT_EQ(s.at(e.x, e.y), e.colour) << e.x << "," << e.y;
    content.setHidden(true); // a hidden view shows nothing
    EXPECT_EQ(composeWindow().at(160, 100), kBlack);
    EXPECT_TRUE(log.lines.empty());
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
