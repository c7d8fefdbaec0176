// Camera and projection on a real OpenGL ES 1.1 context (offscreen screen): matrices read back
// from GL against hand-derived figures, and points un-projected onto the near and far planes.
// (Un-projection at every point the game needs is the picking suite's brute-force comparison.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "math/Camera.h"
#include "support/GLTest.h"

namespace {

// Every element of `m` is the identity's, except those listed.
void expectIdentityExcept(const float m[16], std::initializer_list<int> skip) {
    for (int i = 0; i < 16; ++i)
        if (std::find(skip.begin(), skip.end(), i) == skip.end()) {
            EXPECT_EQ(m[i], i % 5 == 0 ? 1.0f : 0.0f) << "element " << i;
        }
}

class CameraTest : public GLTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(GLTest::SetUp());
        glViewport(0, 0, kWidth, kHeight);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    float mv[16], proj[16];
    void read() {
        glGetFloatv(GL_MODELVIEW_MATRIX, mv);
        glGetFloatv(GL_PROJECTION_MATRIX, proj);
    }
};

TEST_F(CameraTest, LookAtMovesTheEyeToTheOriginFacingTheCentre) {
    // An oblique eye and a long up vector: the eye goes to the origin, the centre onto the -z
    // axis at its distance, and the up direction into the upper half of the y-z plane.
    gluLookAt(3.0f, 4.0f, 5.0f, 1.0f, -1.0f, 0.0f, 0.0f, 5.0f, 0.0f);
    read();
    auto apply = [&](float x, float y, float z, double out[3]) {
        for (int r = 0; r < 3; ++r)
            out[r] = mv[r] * x + mv[4 + r] * y + mv[8 + r] * z + mv[12 + r];
    };
    double e[3], c[3], up[3];
    apply(3.0f, 4.0f, 5.0f, e);
    apply(1.0f, -1.0f, 0.0f, c);
    apply(3.0f, 5.0f, 5.0f, up); // one unit above the eye
    const double want[3][3] = {{0, 0, 0}, {0, 0, -std::sqrt(54.0)}, {0, up[1], up[2]}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(e[i], want[0][i], 1e-5);
        EXPECT_NEAR(c[i], want[1][i], 1e-5);
        EXPECT_NEAR(up[i], want[2][i], 1e-5);
    }
    EXPECT_GT(up[1], 0.0);
    EXPECT_NEAR(up[1] * up[1] + up[2] * up[2], 1.0, 1e-5); // no scaling
}

TEST_F(CameraTest, SetUpCameraPlacesTheNearAndFarPlanesOnTheAxis) {
    for (int scale = 1; scale <= 2; ++scale) {
        SCOPED_TRACE(scale);
        const int w = kWidth * scale, h = kHeight * scale;
        ASSERT_TRUE(setUpCamera(float(w), float(h)));
        GLint vp[4];
        glGetIntegerv(GL_VIEWPORT, vp);
        EXPECT_TRUE(vp[2] == w && vp[3] == h && glInt(GL_MATRIX_MODE) == GL_MODELVIEW);
        read();
        expectIdentityExcept(mv, {});
        const struct {
            float winX, winY, winZ;
            double x, y, z, tolerance;
        } points[] = {
            {float(w) / 2, float(h) / 2, 0.0f, 0, 0, 6.55, 1e-4},
            {float(w) / 2, float(h) / 2, 1.0f, 0, 0, 7.55 - 1000.0, 1.0},
            // The top-right corner on the near plane: tan(30) up, tan(30) * 2/3 across.
            {float(w), float(h), 0.0f, std::tan(M_PI / 6) * 2 / 3, std::tan(M_PI / 6), 6.55, 1e-4}};
        for (const auto& p : points) {
            float x, y, z;
            ASSERT_EQ(gluUnProject(&x, &y, &z, p.winX, p.winY, p.winZ, mv, proj, vp), 1);
            EXPECT_NEAR(x, p.x, 1e-2);
            EXPECT_NEAR(y, p.y, 1e-2);
            EXPECT_NEAR(z, p.z, p.tolerance);
        }
    }
}

} // namespace
