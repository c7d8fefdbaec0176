// The GL surface view on real OpenGL ES 1.1 (offscreen): resizing, refusals and the failure
// messages. (Its pictures, also at scale 2, are read back and touched in the game view's suite.)
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "Classes/EAGLView.h"
#include "platform/gl/GLLayer.h"
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

// The view's context is the screen's own, which the window's compositor draws with: a view
// that leaves any state set must find it again after a composition, and the composition must
// show its picture as drawn whatever that state is. The picture is the texture the window
// composes, with no copy between.
TEST_F(EAGLViewTest, TheWindowComposesInTheViewsContextAndGivesItsStateBack) {
    auto view = EAGLView::initWithFrame({{0, 0}, {32, 32}});
    ASSERT_NE(view, nullptr);
    view->setCurrentContext();
    ASSERT_TRUE(screenMakeDefaultCurrent());
    EXPECT_TRUE(view->isCurrentContext()) << "the view's context is a second one";
    EXPECT_TRUE(view->layer()->drawsIntoPicture());

    // Left half red, right half blue.
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(16, 0, 16, 32);
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    // State that would spoil the compositor's drawing if it drew with it.
    const GLfloat texture[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0.25f, 0.5f, 0, 1};
    const GLfloat projection[16] = {2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 1, 0, 0.5f, 0, 0, 1};
    const GLfloat colours[8] = {};
    glMatrixMode(GL_TEXTURE);
    glLoadMatrixf(texture);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(projection);
    glColorMask(GL_TRUE, GL_FALSE, GL_TRUE, GL_TRUE);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_NEVER, 0.5f);
    glEnable(GL_LIGHTING);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_FRONT_AND_BACK);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glColor4f(0.25f, 0.5f, 0.75f, 1.0f);
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_FLOAT, 0, colours);
    const GLint framebuffer = glInt(GL_FRAMEBUFFER_BINDING_OES);
    view->swapBuffers(); // composes the window

    std::vector<std::uint8_t> window;
    int w = 0, h = 0;
    ASSERT_TRUE(windowReadPixels(window, w, h));
    EXPECT_TRUE(looksLike(pixelAt(window, w, 4, 4), {255, 0, 0, 255}, 0));
    EXPECT_TRUE(looksLike(pixelAt(window, w, 28, 28), {0, 0, 255, 255}, 0));
    EXPECT_TRUE(looksLike(pixelAt(window, w, 40, 4), {0, 0, 0, 255}, 0));

    GLfloat matrix[16] = {};
    glGetFloatv(GL_TEXTURE_MATRIX, matrix);
    EXPECT_TRUE(std::equal(matrix, matrix + 16, texture));
    glGetFloatv(GL_PROJECTION_MATRIX, matrix);
    EXPECT_TRUE(std::equal(matrix, matrix + 16, projection));
    EXPECT_EQ(glInt(GL_MATRIX_MODE), GL_PROJECTION);
    GLboolean mask[4] = {};
    glGetBooleanv(GL_COLOR_WRITEMASK, mask);
    EXPECT_EQ(mask[1], GL_FALSE);
    EXPECT_EQ(mask[2], GL_TRUE);
    EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST) && glIsEnabled(GL_LIGHTING) &&
                glIsEnabled(GL_CULL_FACE) && glIsEnabled(GL_SCISSOR_TEST));
    EXPECT_EQ(glInt(GL_ALPHA_TEST_FUNC), GL_NEVER);
    EXPECT_EQ(glInt(GL_CULL_FACE_MODE), GL_FRONT_AND_BACK);
    EXPECT_EQ(glInt(GL_BLEND_SRC), GL_SRC_ALPHA);
    EXPECT_EQ(glInt(GL_BLEND_DST), GL_ONE);
    GLint scissor[4] = {};
    glGetIntegerv(GL_SCISSOR_BOX, scissor);
    EXPECT_EQ(scissor[0], 16);
    GLfloat colour[4] = {};
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[2], 0.75f);
    GLfloat clear[4] = {};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(clear[2], 1.0f);
    void* pointer = nullptr;
    glGetPointerv(GL_COLOR_ARRAY_POINTER, &pointer);
    EXPECT_EQ(pointer, static_cast<const void*>(colours));
    EXPECT_TRUE(glIsEnabled(GL_COLOR_ARRAY));
    EXPECT_EQ(glInt(GL_FRAMEBUFFER_BINDING_OES), framebuffer);
    view.reset();
    screenRestoreInitialState(); // the screen's context serves the next tests
}

} // namespace
