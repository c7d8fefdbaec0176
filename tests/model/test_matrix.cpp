// The vector and matrix library against references built separately in double: explicit axis
// rotations and a * inv(a) = identity. (Quarter turns are checked against the cube's re-gridding,
// products through the unprojection round trip, cross products through gluLookAt and picking.)
#include "math/Matrix.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>

namespace {

using Mat = std::array<float, 16>;   // column-major, like the library
using DMat = std::array<double, 16>; // the same layout in double, for references

DMat product(const DMat& a, const DMat& b) {
    DMat out{};
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            for (int k = 0; k < 4; ++k)
                out[4 * c + r] += a[4 * k + r] * b[4 * c + k];
    return out;
}

DMat widen(const Mat& m) {
    DMat out{};
    for (int i = 0; i < 16; ++i)
        out[i] = m[i];
    return out;
}

// Right-handed rotation by deg degrees about axis 0 (x), 1 (y) or 2 (z), element by element.
DMat axisRotation(int axis, double deg) {
    const double c = std::cos(deg * M_PI / 180), s = std::sin(deg * M_PI / 180);
    const int i = (axis + 1) % 3, j = (axis + 2) % 3; // the plane turned: i toward j
    DMat m{};
    m[0] = m[5] = m[10] = m[15] = 1.0;
    m[4 * i + i] = m[4 * j + j] = c;
    m[4 * i + j] = s;  // row j, column i
    m[4 * j + i] = -s; // row i, column j
    return m;
}

double maxDifference(const DMat& a, const DMat& b) {
    double worst = 0.0;
    for (int i = 0; i < 16; ++i)
        worst = std::fmax(worst, std::fabs(a[i] - b[i]));
    return worst;
}

// Elements of magnitude `low` ... `high`, either sign.
Mat randomMatrix(std::mt19937& gen, float low = 0.0f, float high = 2.0f) {
    std::uniform_real_distribution<float> dist(low, high);
    Mat m;
    for (float& e : m)
        e = gen() % 2 ? dist(gen) : -dist(gen);
    return m;
}

const DMat kIdentity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

} // namespace

TEST(QuatRotate, MatchesProductOfAxisRotationsOverGrid) {
    for (int a0 = -360; a0 <= 360; a0 += 15)
        for (int a1 = -360; a1 <= 360; a1 += 15)
            for (int a2 = -360; a2 <= 360; a2 += 15) {
                Mat m;
                mat_quatRotate(m.data(), float(a0), float(a1), float(a2));
                const DMat expected = product(product(axisRotation(0, -a1), axisRotation(1, -a2)),
                                              axisRotation(2, a0));
                ASSERT_LT(maxDifference(widen(m), expected), 2e-6) << a0 << " " << a1 << " " << a2;
            }
}

TEST(MatInvert, ARegularMatrixTimesItsInverseIsTheIdentityAlsoInPlace) {
    std::mt19937 gen(20240601u);
    for (int trial = 0; trial < 300; ++trial) {
        // Diagonally dominant, hence regular, without small pivots; every other one with rows 0
        // and 1 swapped so that the first element is zero and the inversion must pivot.
        Mat a = randomMatrix(gen, 0.5f, 1.0f);
        for (int k = 0; k < 4; ++k)
            a[5 * k] = a[5 * k] < 0 ? a[5 * k] - 4.0f : a[5 * k] + 4.0f;
        if (trial % 2) {
            a[1] = 0.0f; // row 1, column 0
            for (int c = 0; c < 4; ++c)
                std::swap(a[4 * c], a[4 * c + 1]);
        }
        Mat inv, inPlace = a;
        ASSERT_EQ(mat_invert(inv.data(), a.data()), 1) << "trial " << trial;
        EXPECT_LT(maxDifference(product(widen(a), widen(inv)), kIdentity), 1e-4) << trial;
        EXPECT_LT(maxDifference(product(widen(inv), widen(a)), kIdentity), 1e-4) << trial;
        ASSERT_EQ(mat_invert(inPlace.data(), inPlace.data()), 1);
        EXPECT_EQ(inPlace, inv) << "in-place inversion differs, trial " << trial;
    }
}

TEST(MatInvert, AMatrixWithAZeroRowOrColumnIsRefusedAsSingular) {
    std::mt19937 gen(20240602u);
    for (int line = 0; line < 4; ++line) {
        Mat zeroRow = randomMatrix(gen), zeroColumn = randomMatrix(gen), out;
        for (int k = 0; k < 4; ++k)
            zeroRow[4 * k + line] = zeroColumn[4 * line + k] = 0.0f;
        EXPECT_EQ(mat_invert(out.data(), zeroRow.data()), 0) << "row " << line;
        EXPECT_EQ(mat_invert(out.data(), zeroColumn.data()), 0) << "column " << line;
    }
}
