// Camera and projection on a real OpenGL ES 1.1 context (offscreen screen): matrices read back
// from GL against hand-derived figures, and un-projection against a double-precision projection.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "math/Camera.h"
#include "support/GLTest.h"

namespace {

void expectIdentityExcept(const float m[16], std::initializer_list<int> skip) {
    for (int i = 0; i < 16; ++i) {
        if (std::find(skip.begin(), skip.end(), i) == skip.end()) {
            EXPECT_EQ(m[i], i % 5 == 0 ? 1.0f : 0.0f) << "element " << i;
        }
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
    static void read(float mv[16], float proj[16]) {
        glGetFloatv(GL_MODELVIEW_MATRIX, mv);
        glGetFloatv(GL_PROJECTION_MATRIX, proj);
    }
};

TEST_F(CameraTest, PerspectiveMatchesTheClosedFormAndMultipliesOrLeavesTheMatrix) {
    glMatrixMode(GL_PROJECTION);
    gluPerspective(60.0f, 320.0f / 480.0f, 1.0f, 1000.0f);
    float m[16], again[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    const double cot30 = std::sqrt(3.0);
    EXPECT_NEAR(m[0], cot30 * 1.5, 2e-6);
    EXPECT_NEAR(m[5], cot30, 2e-6);
    EXPECT_NEAR(m[10], -1001.0 / 999.0, 1e-6);
    EXPECT_EQ(m[11], -1.0f);
    EXPECT_NEAR(m[14], -2000.0 / 999.0, 1e-6);
    EXPECT_EQ(m[15], 0.0f);
    expectIdentityExcept(m, {0, 5, 10, 11, 14, 15});

    // It multiplies the current matrix: under a scale of 2 the first three rows double.
    glLoadIdentity();
    glScalef(2.0f, 2.0f, 2.0f);
    gluPerspective(60.0f, 320.0f / 480.0f, 1.0f, 1000.0f);
    glGetFloatv(GL_PROJECTION_MATRIX, again);
    for (int i = 0; i < 16; ++i)
        EXPECT_FLOAT_EQ(again[i], i % 4 == 3 ? m[i] : 2.0f * m[i]);

    // No depth range, no aspect or a zero sine leave the matrix alone.
    gluPerspective(60.0f, 1.5f, 5.0f, 5.0f);
    gluPerspective(60.0f, 0.0f, 1.0f, 1000.0f);
    gluPerspective(0.0f, 1.5f, 1.0f, 1000.0f);
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    EXPECT_EQ(std::memcmp(m, again, sizeof m), 0);
}

TEST_F(CameraTest, LookAtMovesTheEyeToTheOriginFacingTheCentre) {
    gluLookAt(0.0f, 0.0f, 7.55f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f); // the game's: no turn
    float m[16], proj[16];
    read(m, proj);
    EXPECT_EQ(m[14], -7.55f);
    expectIdentityExcept(m, {14});

    // An oblique eye and a long up vector: the eye goes to the origin, the centre onto the -z
    // axis at its distance, and the up direction into the upper half of the y-z plane.
    glLoadIdentity();
    gluLookAt(3.0f, 4.0f, 5.0f, 1.0f, -1.0f, 0.0f, 0.0f, 5.0f, 0.0f);
    read(m, proj);
    auto apply = [&](float x, float y, float z, double out[3]) {
        for (int r = 0; r < 3; ++r)
            out[r] = m[r] * x + m[4 + r] * y + m[8 + r] * z + m[12 + r];
    };
    double e[3], c[3], up[3];
    apply(3.0f, 4.0f, 5.0f, e);
    apply(1.0f, -1.0f, 0.0f, c);
    apply(3.0f, 5.0f, 5.0f, up); // one unit above the eye
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(e[i], 0.0, 1e-5);
    EXPECT_NEAR(c[0], 0.0, 1e-5);
    EXPECT_NEAR(c[1], 0.0, 1e-5);
    EXPECT_NEAR(c[2], -std::sqrt(4.0 + 25.0 + 25.0), 1e-5);
    EXPECT_NEAR(up[0], 0.0, 1e-5);
    EXPECT_GT(up[1], 0.0);
    EXPECT_NEAR(up[1] * up[1] + (up[2] - e[2]) * (up[2] - e[2]), 1.0, 1e-5); // no scaling
}

TEST_F(CameraTest, SetUpCameraPlacesTheNearAndFarPlanesOnTheAxisOrRefusesAnEmptySurface) {
    for (int scale = 1; scale <= 2; ++scale) {
        SCOPED_TRACE(scale);
        const int w = kWidth * scale, h = kHeight * scale;
        ASSERT_TRUE(setUpCamera(float(w), float(h)));
        GLint vp[4];
        glGetIntegerv(GL_VIEWPORT, vp);
        EXPECT_EQ(glInt(GL_MATRIX_MODE), GL_MODELVIEW);
        EXPECT_EQ(vp[2], w);
        EXPECT_EQ(vp[3], h);
        float mv[16], proj[16];
        read(mv, proj);
        expectIdentityExcept(mv, {});

        float x = 99, y = 99, z = 99;
        ASSERT_EQ(gluUnProject(&x, &y, &z, float(w / 2), float(h / 2), 0.0f, mv, proj, vp), 1);
        EXPECT_NEAR(x, 0.0, 1e-5);
        EXPECT_NEAR(y, 0.0, 1e-5);
        EXPECT_NEAR(z, 6.55, 1e-4);
        ASSERT_EQ(gluUnProject(&x, &y, &z, float(w / 2), float(h / 2), 1.0f, mv, proj, vp), 1);
        EXPECT_NEAR(x, 0.0, 1e-2);
        EXPECT_NEAR(y, 0.0, 1e-2);
        EXPECT_NEAR(z, 7.55 - 1000.0, 1.0);
        // The viewport's top-right corner on the near plane: tan(30) up, tan(30) * 2/3 across.
        ASSERT_EQ(gluUnProject(&x, &y, &z, float(w), float(h), 0.0f, mv, proj, vp), 1);
        EXPECT_NEAR(y, std::tan(M_PI / 6), 1e-5);
        EXPECT_NEAR(x, std::tan(M_PI / 6) * 2.0 / 3.0, 1e-5);
    }

    float before[16], after[16];
    glGetFloatv(GL_PROJECTION_MATRIX, before);
    EXPECT_FALSE(setUpCamera(0.0f, 480.0f));
    EXPECT_FALSE(setUpCamera(320.0f, 0.5f));
    EXPECT_FALSE(setUpCamera(NAN, 480.0f));
    glGetFloatv(GL_PROJECTION_MATRIX, after);
    EXPECT_EQ(std::memcmp(before, after, sizeof before), 0);
    GLint vp[4];
    glGetIntegerv(GL_VIEWPORT, vp);
    EXPECT_EQ(vp[2], 2 * kWidth);
}

TEST_F(CameraTest, UnProjectInvertsProjectionOverAGridAndOnlyReadsTheMatrices) {
    // A turned, shifted modelview and an offset viewport, so that a wrong product order or a
    // viewport mix-up shows.
    setUpCamera(float(kWidth), float(kHeight));
    glRotatef(35.0f, 1.0f, 2.0f, 0.5f);
    glTranslatef(0.3f, -0.2f, 0.1f);
    float mv[16], proj[16], mvCopy[16], projCopy[16];
    read(mv, proj);
    std::memcpy(mvCopy, mv, sizeof mv);
    std::memcpy(projCopy, proj, sizeof proj);
    const int vp[4] = {10, 20, 300, 400};
    for (float px = -3.0f; px <= 3.0f; px += 0.75f)
        for (float py = -3.0f; py <= 3.0f; py += 0.75f)
            for (float pz = -3.0f; pz <= 3.0f; pz += 1.5f) {
                const Win w = project(px, py, pz, mv, proj, vp);
                float x, y, z;
                ASSERT_EQ(
                    gluUnProject(&x, &y, &z, float(w.x), float(w.y), float(w.z), mv, proj, vp), 1);
                EXPECT_NEAR(x, px, 2e-3) << px << " " << py << " " << pz;
                EXPECT_NEAR(y, py, 2e-3) << px << " " << py << " " << pz;
                EXPECT_NEAR(z, pz, 2e-3) << px << " " << py << " " << pz;
            }
    EXPECT_EQ(std::memcmp(mv, mvCopy, sizeof mv), 0);
    EXPECT_EQ(std::memcmp(proj, projCopy, sizeof proj), 0);
}

TEST_F(CameraTest, UnProjectFailuresWriteNothing) {
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const float singular[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}; // flattens z
    // Row 3 = (0, 0, -1, 1): its inverse has row 3 = (0, 0, 1, 1), so w = 2 winZ, and the
    // near-plane point winZ = 0 lies at infinity.
    const float atInfinity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, -1, 0, 0, 0, 1};
    const int vp[4] = {0, 0, kWidth, kHeight}, emptyVp[4] = {0, 0, 0, kHeight};
    struct Case {
        float winX, winZ;
        const float *mv, *proj;
        const int* vp;
    };
    const Case failures[] = {
        {100, 0.5f, singular, identity, vp},
        {100, 0.5f, identity, singular, vp},
        {100, 0.0f, identity, atInfinity, vp},
        {100, 0.5f, identity, identity, emptyVp},
        {3.0e38f, std::ldexp(1.0f, -25), identity, atInfinity, vp}, // w = 2^-24: overflows
    };
    float x = 11, y = 12, z = 13;
    for (const Case& c : failures) {
        EXPECT_EQ(gluUnProject(&x, &y, &z, c.winX, 100, c.winZ, c.mv, c.proj, c.vp), 0);
        EXPECT_TRUE(x == 11 && y == 12 && z == 13) << c.winX << " " << c.winZ;
    }
    // The same matrix is fine away from that plane: p = (0, 0, 0.5, 1) comes back with w = 1.5.
    ASSERT_EQ(gluUnProject(&x, &y, &z, 160, 240, 0.75f, identity, atInfinity, vp), 1);
    EXPECT_EQ(x, 0.0f);
    EXPECT_EQ(y, 0.0f);
    EXPECT_FLOAT_EQ(z, 1.0f / 3.0f);
}

} // namespace
