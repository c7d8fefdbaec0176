// Vectors and 4x4 column-major matrices over plain float arrays: the cube's rotation, the camera's
// matrices and the ray tests of picking. Standard library only (<cmath>); no GL.
#include "math/Matrix.h"

#include <cmath>

namespace {

// Single-precision pi, so that angles convert the same way everywhere in the game.
constexpr float kPi = 3.14159274f;

} // namespace

void mat_identity(float m[16]) {
    for (int i = 0; i < 16; ++i)
        m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

void vec_add(float out[3], const float a[3], const float b[3]) {
    out[0] = a[0] + b[0];
    out[1] = a[1] + b[1];
    out[2] = a[2] + b[2];
}

void vec_sub(float out[3], const float a[3], const float b[3]) {
    out[0] = a[0] - b[0];
    out[1] = a[1] - b[1];
    out[2] = a[2] - b[2];
}

void vec_scale(float out[3], const float v[3], float s) {
    out[0] = s * v[0];
    out[1] = s * v[1];
    out[2] = s * v[2];
}

float vec_dot(const float a[3], const float b[3]) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

void vec_cross(float out[3], const float a[3], const float b[3]) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

float vec_length(const float v[3]) {
    return sqrtf(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

// The root is taken and squared again, not the bare sum of squares, so the value rounds exactly
// as vec_length(v) * vec_length(v) does.
float vec_length_squared(const float v[3]) {
    const float length = vec_length(v);
    return length * length;
}

void vec_normalize(float v[3]) {
    const float length = vec_length(v);
    if (length == 0.0f) return;
    v[0] /= length;
    v[1] /= length;
    v[2] /= length;
}

void mat_mult(float out[16], const float a[16], const float b[16]) {
    for (int i = 0; i < 16; ++i) {
        const int c = i / 4;
        const int r = i % 4;
        out[i] = a[r] * b[4 * c] + a[4 + r] * b[4 * c + 1] + a[8 + r] * b[4 * c + 2] +
                 a[12 + r] * b[4 * c + 3];
    }
}

void mat_multv4(float out[4], const float m[16], const float v[4]) {
    for (int r = 0; r < 4; ++r)
        out[r] = v[0] * m[r] + v[1] * m[4 + r] + v[2] * m[8 + r] + v[3] * m[12 + r];
}

void mat_multv3(float out[3], const float m[16], const float v[3]) {
    for (int r = 0; r < 3; ++r)
        out[r] = v[0] * m[r] + v[1] * m[4 + r] + v[2] * m[8 + r] + m[12 + r];
}

void mat_quatRotate(float m[16], float rot0, float rot1, float rot2) {
    // Only the first half angle is negated: with the element layout below this turns by +rot0
    // about z but by -rot1 and -rot2 about x and y.
    const float h0 = ((rot0 * kPi) / 180.0f) * -0.5f;
    const float h1 = ((rot1 * kPi) / 180.0f) * 0.5f;
    const float h2 = ((rot2 * kPi) / 180.0f) * 0.5f;
    const float c0 = cosf(h0), s0 = sinf(h0);
    const float c1 = cosf(h1), s1 = sinf(h1);
    const float c2 = cosf(h2), s2 = sinf(h2);

    float w = c1 * c2 * c0 + s1 * s2 * s0;
    float x = s1 * c2 * c0 - c1 * s2 * s0;
    float y = c0 * c1 * s2 + s0 * s1 * c2;
    float z = s0 * c1 * c2 - c0 * s1 * s2;

    const float n = x * x + y * y + z * z + w * w;
    const float f = n > 0.0f ? static_cast<float>(1.0 / std::sqrt(static_cast<double>(n))) : 1.0f;
    x *= f;
    y *= f;
    z *= f;
    w *= f;

    const float x2 = x + x, y2 = y + y, z2 = z + z;
    const float xx = x * x2, yy = y * y2, zz = z * z2;
    const float xy = x * y2, xz = x * z2, yz = y * z2;
    const float wx = w * x2, wy = w * y2, wz = w * z2;

    m[0] = 1.0f - (yy + zz);
    m[1] = xy - wz;
    m[2] = xz + wy;
    m[3] = 0.0f;
    m[4] = xy + wz;
    m[5] = 1.0f - (xx + zz);
    m[6] = yz - wx;
    m[7] = 0.0f;
    m[8] = xz - wy;
    m[9] = yz + wx;
    m[10] = 1.0f - (xx + yy);
    m[11] = 0.0f;
    m[12] = 0.0f;
    m[13] = 0.0f;
    m[14] = 0.0f;
    m[15] = 1.0f;
}

// Gauss-Jordan elimination with partial pivoting. The working array holds the transpose of the
// column-major input; inversion commutes with transposition, so out comes back column-major too.
int mat_invert(float out[16], const float in[16]) {
    float t[4][4];
    for (int r = 0; r < 4; ++r)
        for (int k = 0; k < 4; ++k)
            t[r][k] = in[4 * r + k];
    mat_identity(out); // only now, so that out may be the same array as in

    for (int i = 0; i < 4; ++i) {
        // Each candidate is measured against the diagonal, not the best so far: the last row
        // that beats the diagonal wins. Any non-zero pivot is correct; the choice moves only
        // rounding.
        int p = i;
        for (int r = i + 1; r < 4; ++r)
            if (std::fabs(t[r][i]) > std::fabs(t[i][i])) p = r;
        if (p != i) {
            for (int k = 0; k < 4; ++k) {
                const float tk = t[i][k];
                t[i][k] = t[p][k];
                t[p][k] = tk;
                const float ok = out[4 * i + k];
                out[4 * i + k] = out[4 * p + k];
                out[4 * p + k] = ok;
            }
        }
        if (t[i][i] == 0.0f) return 0;

        const float pivot = t[i][i];
        for (int k = 0; k < 4; ++k) {
            t[i][k] /= pivot;
            out[4 * i + k] /= pivot;
        }
        for (int r = 0; r < 4; ++r) {
            if (r == i) continue;
            const float factor = t[r][i];
            for (int k = 0; k < 4; ++k) {
                t[r][k] -= t[i][k] * factor;
                out[4 * r + k] -= out[4 * i + k] * factor;
            }
        }
    }
    return 1;
}
