// The GL surface view on real OpenGL ES 1.1 (offscreen): surface sizes, bindings, resizing,
// refusals, conversions, presenting into the window and the failure messages.
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

const Rgba kRed{255, 0, 0, 255}, kBlue{0, 0, 255, 255}, kGreen{0, 255, 0, 255},
    kBlack{0, 0, 0, 255};

// Clears the view's whole surface, with its context current and its frame buffer bound.
void fill(EAGLView& view, float r, float g, float b) {
    view.setCurrentContext();
    glBindFramebufferOES(GL_FRAMEBUFFER_OES, view.framebuffer());
    glDisable(GL_SCISSOR_TEST);
    glClearColor(r, g, b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

// Blue below GL row `split`, red from it up, over the whole surface.
void fillBlueUnderRed(EAGLView& view, int split) {
    fill(view, 0, 0, 1);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, split, 10000, 10000);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
}

class CountingDelegate : public EAGLViewDelegate {
public:
    void didResizeEAGLSurfaceForView(EAGLView* view) override {
        ++calls;
        lastView = view;
        lastSize = view->surfaceSize();
    }
    int calls = 0;
    EAGLView* lastView = nullptr;
    Size lastSize;
};

class EAGLViewTest : public GLTest {
protected:
    LogCapture log;
};

TEST_F(EAGLViewTest, SurfaceIsTheLayerBoundsRoundedHalfAwayFromZeroAtAnyScale) {
    auto view = EAGLView::initWithFrame({{0, 44}, {320, 372.4f}});
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->pixelFormat(), static_cast<std::uint32_t>(GL_RGB565_OES));
    EXPECT_TRUE(view->layer()->drawableProperties().retainedBacking);
    ASSERT_TRUE(view->isCurrentContext()); // creation leaves the view's context current
    EXPECT_EQ(glCheckFramebufferStatusOES(GL_FRAMEBUFFER_OES), GL_FRAMEBUFFER_COMPLETE_OES);
    EXPECT_EQ(renderbufferSize(view->renderbuffer()), (std::array<GLint, 2>{320, 372}));
    EXPECT_EQ(view->surfaceSize().height, 372.0f);

    auto half = EAGLView::initWithFrame({{0, 0}, {100.5f, 50.49f}});
    ASSERT_NE(half, nullptr);
    EXPECT_EQ(renderbufferSize(half->renderbuffer()), (std::array<GLint, 2>{101, 50}));
    half->setAutoresizesEAGLSurface(true);
    half->setContentScale(2.0f); // two pixels per point, rounded the same way
    half->setCurrentContext();
    EXPECT_EQ(renderbufferSize(half->renderbuffer()), (std::array<GLint, 2>{201, 101}));
    EXPECT_EQ(half->surfaceSize().width, 201.0f);

    // The conversions map the bounds onto the surface, at either scale.
    view->setBounds({{10, 20}, {320, 372.4f}});
    for (const float scale : {1.0f, 2.0f}) {
        view->setAutoresizesEAGLSurface(true);
        view->setContentScale(scale);
        const Size s = view->surfaceSize();
        EXPECT_EQ(s.height, scale == 1.0f ? 372.0f : 745.0f);
        const Point origin = view->convertPointFromViewToSurface({10, 20});
        const Point corner = view->convertPointFromViewToSurface({330, 392.4f});
        EXPECT_FLOAT_EQ(origin.x, 0.0f);
        EXPECT_FLOAT_EQ(origin.y, 0.0f);
        EXPECT_FLOAT_EQ(corner.x, s.width);
        EXPECT_FLOAT_EQ(corner.y, s.height);
        const Rect quarter = view->convertRectFromViewToSurface({{170, 20}, {80, 93.1f}});
        EXPECT_FLOAT_EQ(quarter.origin.x, s.width / 2);
        EXPECT_FLOAT_EQ(quarter.size.width, s.width / 4);
        EXPECT_NEAR(quarter.size.height, s.height / 4, 1e-3);
    }
}

TEST_F(EAGLViewTest, PixelsComeBackTopRowFirstAndDepthIsKeptOnlyWhenAskedFor) {
    auto view = EAGLView::initWithFrame({{0, 0}, {40, 30}});
    ASSERT_NE(view, nullptr);
    fillBlueUnderRed(*view, 15); // red in GL's upper half
    std::vector<std::uint8_t> rgba;
    ASSERT_TRUE(view->readPixels(rgba));
    ASSERT_EQ(rgba.size(), 40u * 30u * 4u);
    EXPECT_EQ(pixelAt(rgba, 40, 0, 0), kRed);
    EXPECT_EQ(pixelAt(rgba, 40, 39, 14), kRed);
    EXPECT_EQ(pixelAt(rgba, 40, 0, 15), kBlue);
    EXPECT_EQ(pixelAt(rgba, 40, 39, 29), kBlue);

    // Draw a near red square, then a far green one: only a depth buffer keeps the red.
    const auto nearThenFar = [&rgba](EAGLView& v) {
        fill(v, 0, 0, 0);
        glClear(GL_DEPTH_BUFFER_BIT);
        glEnable(GL_DEPTH_TEST);
        glDisable(GL_TEXTURE_2D);
        glEnableClientState(GL_VERTEX_ARRAY);
        for (const float z : {-0.5f, 0.5f}) {
            const GLfloat quad[] = {-1, -1, z, 1, -1, z, -1, 1, z, 1, 1, z};
            glColor4f(z < 0 ? 1.0f : 0.0f, z < 0 ? 0.0f : 1.0f, 0, 1);
            glVertexPointer(3, GL_FLOAT, 0, quad);
            glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
        }
        glDisable(GL_DEPTH_TEST);
        EXPECT_TRUE(v.readPixels(rgba));
        return pixelAt(rgba, 64, 32, 32);
    };
    auto flat = EAGLView::initWithFrame({{0, 0}, {64, 64}}, GL_RGB565_OES);
    ASSERT_NE(flat, nullptr);
    EXPECT_EQ(flat->depthBuffer(), 0u);
    EXPECT_EQ(nearThenFar(*flat), kGreen);
    auto deep =
        EAGLView::initWithFrame({{0, 0}, {64, 64}}, GL_RGB565_OES, GL_DEPTH_COMPONENT16_OES, false);
    ASSERT_NE(deep, nullptr);
    EXPECT_EQ(renderbufferSize(deep->depthBuffer()), (std::array<GLint, 2>{64, 64}));
    EXPECT_EQ(nearThenFar(*deep), kRed);
}

TEST_F(EAGLViewTest, FirstCreationSetsUpAndOnlyAutoresizingReCreatesRestoringBindings) {
    auto view = EAGLView::initWithFrame({{0, 0}, {320, 372.4f}});
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(view->isCurrentContext());
    EXPECT_EQ(glInt(GL_FRAMEBUFFER_BINDING_OES), static_cast<GLint>(view->framebuffer()));
    EXPECT_EQ(glInt(GL_RENDERBUFFER_BINDING_OES), 0);
    EXPECT_EQ(getBox(GL_VIEWPORT), (Box{0, 0, 320, 372}));
    EXPECT_EQ(getBox(GL_SCISSOR_BOX), (Box{0, 0, 320, 372}));

    CountingDelegate delegate;
    view->setDelegate(&delegate);
    view->setFrame({{0, 0}, {100, 50}});
    view->layoutSubviews();            // not autoresizing: the surface stays
    view->setAutoresizesSurface(true); // stores only
    EXPECT_TRUE(view->autoresizesSurface());
    EXPECT_EQ(delegate.calls, 0);
    EXPECT_EQ(renderbufferSize(view->renderbuffer()), (std::array<GLint, 2>{320, 372}));

    GLuint mine = 0;
    glGenRenderbuffersOES(1, &mine);
    glBindRenderbufferOES(GL_RENDERBUFFER_OES, mine);
    glBindFramebufferOES(GL_FRAMEBUFFER_OES, 0);
    glViewport(1, 2, 3, 4);
    glScissor(5, 6, 7, 8);
    view->setAutoresizesEAGLSurface(true); // lays out at once
    EXPECT_EQ(delegate.calls, 1);
    EXPECT_EQ(delegate.lastView, view.get());
    EXPECT_EQ(delegate.lastSize.width, 100.0f);
    EXPECT_EQ(delegate.lastSize.height, 50.0f);
    EXPECT_EQ(glInt(GL_FRAMEBUFFER_BINDING_OES), 0);
    EXPECT_EQ(glInt(GL_RENDERBUFFER_BINDING_OES), static_cast<GLint>(mine));
    EXPECT_EQ(getBox(GL_VIEWPORT), (Box{1, 2, 3, 4}));
    EXPECT_EQ(getBox(GL_SCISSOR_BOX), (Box{5, 6, 7, 8}));
    EXPECT_EQ(renderbufferSize(view->renderbuffer()), (std::array<GLint, 2>{100, 50}));
    view->layoutSubviews(); // the size in pixels is unchanged now
    EXPECT_EQ(delegate.calls, 1);
    glBindFramebufferOES(GL_FRAMEBUFFER_OES, view->framebuffer());
    EXPECT_EQ(glCheckFramebufferStatusOES(GL_FRAMEBUFFER_OES), GL_FRAMEBUFFER_COMPLETE_OES);
    glDeleteRenderbuffersOES(1, &mine);
}

TEST_F(EAGLViewTest, RefusedStorageLeavesNoBufferAndTheOldBinding) {
    auto view = EAGLView::initWithFrame({{0, 0}, {320, 372}});
    ASSERT_NE(view, nullptr);
    view->setAutoresizesEAGLSurface(true);
    GLuint mine = 0;
    glGenRenderbuffersOES(1, &mine);
    for (const Size bad : {Size{0, 100}, Size{100000, 10}}) {
        glBindRenderbufferOES(GL_RENDERBUFFER_OES, mine);
        view->setFrame({{0, 0}, bad});
        EXPECT_EQ(view->renderbuffer(), 0u);
        EXPECT_EQ(view->framebuffer(), 0u);
        EXPECT_EQ(glInt(GL_RENDERBUFFER_BINDING_OES), static_cast<GLint>(mine));
        EXPECT_EQ(view->surfaceSize().width, 320.0f); // the last good size
    }
    // Nothing to present now: the failure is told, and a good size brings the surface back.
    view->swapBuffers();
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0], "Failed to swap renderbuffer in -[EAGLView swapBuffers]");
    view->setFrame({{0, 0}, {64, 32}});
    EXPECT_EQ(renderbufferSize(view->renderbuffer()), (std::array<GLint, 2>{64, 32}));
    glDeleteRenderbuffersOES(1, &mine);

    // A view that never gets a surface never exists, and says why in one line.
    EXPECT_EQ(EAGLView::initWithFrame({{0, 0}, {0, 480}}), nullptr);
    EXPECT_EQ(log.lines.size(), 2u);
    EXPECT_EQ(EAGLView::initWithFrame({{0, 0}, {64, 64}}, GL_RGB565_OES, 0x1234, false), nullptr);
    EXPECT_EQ(log.lines.size(), 3u);
}

TEST_F(EAGLViewTest, PresentShowsThePictureAtTheViewsPlaceInTheWindow) {
    View window({{0, 0}, {320, 480}});
    View content({{0, 20}, {320, 460}}); // below a status bar
    window.addSubview(&content);
    auto view = EAGLView::initWithFrame({{0, 44}, {320, 372}});
    ASSERT_NE(view, nullptr);
    content.addSubview(view.get()); // window y 64 ... 436
    fillBlueUnderRed(*view, 186);
    WindowShot s = composeWindow();
    ASSERT_EQ(s.width, 320);
    ASSERT_EQ(s.height, 480);
    EXPECT_EQ(s.at(160, 100), kBlack); // nothing presented yet

    // Presenting from another view's context gives that context back.
    auto other = EAGLView::initWithFrame({{0, 0}, {8, 8}});
    ASSERT_NE(other, nullptr);
    other->setHidden(true);
    other->setCurrentContext();
    view->swapBuffers();
    EXPECT_TRUE(other->isCurrentContext());
    EXPECT_TRUE(log.lines.empty());

    fill(*view, 0, 1, 0); // drawn, not presented: the window keeps the last picture
    s = composeWindow();
    const struct {
        int x, y;
        Rgba colour;
    } expected[] = {{160, 63, kBlack}, {160, 64, kRed},   {0, 249, kRed},
                    {319, 250, kBlue}, {160, 435, kBlue}, {160, 436, kBlack}};
    for (const auto& e : expected)
        EXPECT_EQ(s.at(e.x, e.y), e.colour) << e.x << "," << e.y;
    content.setHidden(true); // a hidden view shows nothing
    EXPECT_EQ(composeWindow().at(160, 100), kBlack);
}

TEST_F(EAGLViewTest, ContextFailuresAreLoggedNotFatal) {
    auto view = EAGLView::initWithFrame({{0, 0}, {32, 32}});
    ASSERT_NE(view, nullptr);
    view->clearCurrentContext();
    EXPECT_FALSE(view->isCurrentContext());
    EXPECT_EQ(GLContext::currentContext(), nullptr);
    EXPECT_TRUE(log.lines.empty());

    screenClose(); // the view's context goes with the screen
    view->setCurrentContext();
    view->swapBuffers();
    ASSERT_EQ(log.lines.size(), 2u);
    EXPECT_EQ(log.lines[0], "Failed to set current context");
    EXPECT_EQ(log.lines[1], "Failed to swap renderbuffer in -[EAGLView swapBuffers]");
    EXPECT_FALSE(windowCompose());
    view.reset(); // tear-down without a screen is quiet and safe
    EXPECT_EQ(log.lines.size(), 2u);

    EXPECT_EQ(EAGLView::initWithFrame({{0, 0}, {32, 32}}), nullptr);
    EXPECT_EQ(log.lines.size(), 3u);
    EXPECT_EQ(GLContext::create(2), nullptr);
    EXPECT_EQ(log.lines.size(), 4u);
}

TEST(ViewTest, TreeGeometryAndVisibility) {
    View window({{0, 0}, {320, 480}});
    View panel({{10, 50}, {200, 200}});
    panel.setBounds({{5, 7}, {200, 200}}); // scrolled content
    View leaf({{20, 30}, {40, 40}});
    window.addSubview(&panel);
    panel.addSubview(&leaf);
    const Rect r = leaf.convertRectToWindow(leaf.bounds());
    EXPECT_FLOAT_EQ(r.origin.x, 10 - 5 + 20);
    EXPECT_FLOAT_EQ(r.origin.y, 50 - 7 + 30);
    EXPECT_FLOAT_EQ(r.size.width, 40);
    EXPECT_FLOAT_EQ(panel.frame().origin.x, 10); // bounds moved, frame stayed

    panel.setHidden(true);
    EXPECT_TRUE(leaf.isHiddenInWindow());
    EXPECT_FALSE(leaf.isHidden());

    {
        View top({{0, 0}, {1, 1}});
        window.addSubview(&top);
        window.addSubview(&panel); // re-adding moves it on top
        ASSERT_EQ(window.subviews().size(), 2u);
        EXPECT_EQ(window.subviews()[0], &top);
        EXPECT_EQ(window.subviews()[1], &panel);
        leaf.addSubview(&window); // a cycle is refused
        EXPECT_EQ(window.superview(), nullptr);
    }
    EXPECT_EQ(window.subviews().size(), 1u); // a destroyed view leaves its superview
}

} // namespace
