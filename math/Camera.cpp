// The camera and the GLU-named projection functions on the OpenGL ES 1.1 matrix calls and the
// game's own matrix code. GL and the standard library only; no SDL.
#include "math/Camera.h"

#include <GLES/gl.h>

#include <cmath>

#include "math/Matrix.h"

const float eyePos[3] = {0.0f, 0.0f, 7.55f};
const float fieldOfView = 60.0f;

namespace {

// Single-precision pi, the same constant the rotation code uses.
constexpr float kPi = 3.14159274f;

// Far enough for any screen; also keeps the truncation to int defined.
constexpr float kMaxSurfacePx = 65536.0f;

} // namespace

void gluLookAt(float eyeX, float eyeY, float eyeZ, float centerX, float centerY, float centerZ,
               float upX, float upY, float upZ) {
    float f[3] = {centerX - eyeX, centerY - eyeY, centerZ - eyeZ};
    const float up[3] = {upX, upY, upZ};
    vec_normalize(f);
    float s[3];
    vec_cross(s, f, up);
    vec_normalize(s);
    float u[3];
    vec_cross(u, s, f);

    float m[16];
    mat_identity(m);
    m[0] = s[0];
    m[4] = s[1];
    m[8] = s[2];
    m[1] = u[0];
    m[5] = u[1];
    m[9] = u[2];
    m[2] = -f[0];
    m[6] = -f[1];
    m[10] = -f[2];
    glMultMatrixf(m);
    glTranslatef(-eyeX, -eyeY, -eyeZ);
}

void gluPerspective(float fovy, float aspect, float zNear, float zFar) {
    const float a = fovy * 0.5f * kPi / 180.0f;
    const float depth = zFar - zNear;
    const float sine = sinf(a);
    if (depth == 0.0f || sine == 0.0f || aspect == 0.0f) return;
    const float cot = cosf(a) / sine;

    float m[16];
    mat_identity(m);
    m[0] = cot / aspect;
    m[5] = cot;
    m[10] = -(zFar + zNear) / depth;
    m[11] = -1.0f;
    m[14] = zFar * (zNear * -2.0f) / depth;
    m[15] = 0.0f;
    glMultMatrixf(m);
}

void gluOrtho2D(float left, float right, float bottom, float top) {
    glOrthof(left, right, bottom, top, -1.0f, 1000.0f);
}

int gluUnProject(float* objX, float* objY, float* objZ, float winX, float winY, float winZ,
                 const float modelview[16], const float projection[16], const int viewport[4]) {
    // An empty viewport would divide by zero below and hand back NaN as a success.
    if (viewport[2] == 0 || viewport[3] == 0) return 0;

    float m[16];
    mat_mult(m, projection, modelview);
    if (!mat_invert(m, m)) return 0;

    const float tx = (winX - static_cast<float>(viewport[0])) / static_cast<float>(viewport[2]);
    const float ty = (winY - static_cast<float>(viewport[1])) / static_cast<float>(viewport[3]);
    const float p[4] = {tx + tx - 1.0f, ty + ty - 1.0f, winZ + winZ - 1.0f, 1.0f};
    float q[4];
    mat_multv4(q, m, p);
    if (q[3] == 0.0f) return 0;

    const float x = q[0] / q[3];
    const float y = q[1] / q[3];
    const float z = q[2] / q[3];
    // A nearly singular product can still overflow; that is no point either.
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return 0;
    *objX = x;
    *objY = y;
    *objZ = z;
    return 1;
}

bool setUpCamera(float widthPx, float heightPx) {
    if (!(widthPx >= 1.0f && heightPx >= 1.0f && widthPx <= kMaxSurfacePx &&
          heightPx <= kMaxSurfacePx))
        return false;
    const float aspect = widthPx / heightPx;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glViewport(0, 0, static_cast<GLsizei>(widthPx), static_cast<GLsizei>(heightPx));
    gluPerspective(fieldOfView, aspect, 1.0f, 1000.0f);
    gluLookAt(eyePos[0], eyePos[1], eyePos[2], 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    return true;
}
