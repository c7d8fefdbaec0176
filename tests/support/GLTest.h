// Scaffolding of the suites that draw: one hidden OpenGL ES 1.1 screen, an off-screen RGBA8 frame
// buffer with read-back, pixel comparison, and the game's camera written out in double precision.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "Harness.h"
#include "platform/gl/GLExtensions.h"
#include "platform/gl/Screen.h"

// A hidden 320 x 480 screen, opened for the first test and again after a test that closed it.
// Every test starts with its default context current and must leave no GL error behind.
class GLTest : public ::testing::Test {
protected:
    static constexpr int kWidth = 320, kHeight = 480;
    static void TearDownTestSuite() { screenClose(); }
    void SetUp() override {
        if (!screenIsOpen()) {
            ASSERT_TRUE(screenOpen({"test", kWidth, kHeight, false})) << "no OpenGL ES 1.1";
        }
        ASSERT_TRUE(screenMakeDefaultCurrent());
    }
    void TearDown() override {
        if (screenIsOpen()) {
            EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        }
    }
};

inline GLint glInt(GLenum name) {
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

inline Rgba pixelAt(const std::vector<std::uint8_t>& rgba, int width, int x, int y) {
    const std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
    return {p[0], p[1], p[2], p[3]};
}

// Colour within `tolerance` per channel; alpha is not compared.
inline ::testing::AssertionResult looksLike(Rgba got, Rgba want, int tolerance = 2) {
    if (std::abs(got.r - want.r) <= tolerance && std::abs(got.g - want.g) <= tolerance &&
        std::abs(got.b - want.b) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "got (" << got.r << ", " << got.g << ", " << got.b << "), want (" << want.r << ", "
           << want.g << ", " << want.b << ") within " << tolerance;
}

// An RGBA8 colour buffer of w x h pixels, bound as the frame buffer while it lives.
class OffscreenTarget {
public:
    OffscreenTarget(int w, int h) : width(w), height(h) {
        glGenRenderbuffersOES(1, &renderbuffer_);
        glBindRenderbufferOES(GL_RENDERBUFFER_OES, renderbuffer_);
        glRenderbufferStorageOES(GL_RENDERBUFFER_OES, GL_RGBA8_OES, w, h);
        glGenFramebuffersOES(1, &framebuffer_);
        glBindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer_);
        glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES,
                                     GL_RENDERBUFFER_OES, renderbuffer_);
        EXPECT_EQ(glCheckFramebufferStatusOES(GL_FRAMEBUFFER_OES), GL_FRAMEBUFFER_COMPLETE_OES);
        glViewport(0, 0, w, h);
    }
    ~OffscreenTarget() {
        if (!screenIsOpen()) return; // the names went with the screen
        glDeleteFramebuffersOES(1, &framebuffer_);
        glDeleteRenderbuffersOES(1, &renderbuffer_);
    }
    OffscreenTarget(const OffscreenTarget&) = delete;
    OffscreenTarget& operator=(const OffscreenTarget&) = delete;

    void read() { // bottom row first, as GL numbers them
        pixels.assign(static_cast<std::size_t>(width) * height * 4, 0);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    }
    Rgba at(int x, int y) const { return pixelAt(pixels, width, x, y); }

    const int width, height;
    std::vector<std::uint8_t> pixels;

private:
    GLuint framebuffer_ = 0, renderbuffer_ = 0;
};

// Window coordinates (bottom-left origin) and depth of an object point.
struct Win {
    double x, y, z;
};

// The game's camera from its published numbers alone: the eye at (0, 0, 7.55) looking down -z,
// 60 degrees vertically, onto a viewport of w x h pixels.
constexpr double kEyeZ = 7.55;
inline double cameraPixelsPerUnit(double z, double h) {
    return h / (2.0 * (kEyeZ - z) * std::tan(M_PI / 6));
}
inline Win cameraToWindow(double x, double y, double z, double w, double h) {
    const double k = cameraPixelsPerUnit(z, h);
    return {w / 2 + x * k, h / 2 + y * k, 0.0};
}
