// Tests of the vector and matrix library against references built separately in double: explicit
// axis rotations, naive matrix products and a * inv(a) = identity. (The quarter turns against the
// cube's re-gridding are checked with the turns.)
#include "math/Matrix.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <random>

namespace {

using Mat = std::array<float, 16>;   // column-major, like the library
using DMat = std::array<double, 16>; // the same layout in double, for references

constexpr double kDegree = 3.14159265358979323846 / 180.0;

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

// Right-handed rotation by deg degrees about axis 0 (x), 1 (y) or 2 (z), written element by
// element: row r, column c at 4c + r.
DMat axisRotation(int axis, double deg) {
    const double c = std::cos(deg * kDegree), s = std::sin(deg * kDegree);
    const int i = (axis + 1) % 3, j = (axis + 2) % 3; // the plane turned: i toward j
    DMat m{};
    m[0] = m[5] = m[10] = m[15] = 1.0;
    m[4 * i + i] = c;
    m[4 * j + j] = c;
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

Mat randomMatrix(std::mt19937& gen) {
    std::uniform_real_distribution<float> dist(-2.0f, 2.0f);
    Mat m;
    for (float& e : m)
        e = dist(gen);
    return m;
}

// Determinant in double by cofactor expansion, to skip nearly singular random matrices.
double determinant(const DMat& m, int size = 4, const int* rows = nullptr) {
    static const int kAll[4] = {0, 1, 2, 3};
    if (!rows) rows = kAll;
    const int col = 4 - size;
    if (size == 1) return m[4 * col + rows[0]];
    double det = 0.0, sign = 1.0;
    for (int k = 0; k < size; ++k) {
        int rest[3], n = 0;
        for (int q = 0; q < size; ++q)
            if (q != k) rest[n++] = rows[q];
        det += sign * m[4 * col + rows[k]] * determinant(m, size - 1, rest);
        sign = -sign;
    }
    return det;
}

} // namespace

TEST(QuatRotate, MatchesProductOfAxisRotationsOverGrid) {
    double worst = 0.0;
    char where[64] = "";
    for (int a0 = -360; a0 <= 360; a0 += 15)
        for (int a1 = -360; a1 <= 360; a1 += 15)
            for (int a2 = -360; a2 <= 360; a2 += 15) {
                Mat m;
                mat_quatRotate(m.data(), float(a0), float(a1), float(a2));
                const DMat expected = product(product(axisRotation(0, -a1), axisRotation(1, -a2)),
                                              axisRotation(2, a0));
                const double diff = maxDifference(widen(m), expected);
                if (diff > worst) {
                    worst = diff;
                    std::snprintf(where, sizeof where, "(%d, %d, %d)", a0, a1, a2);
                }
            }
    EXPECT_LT(worst, 2e-6) << "worst at " << where;

    Mat m;
    mat_quatRotate(m.data(), 0.0f, 0.0f, 0.0f);
    const Mat identity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    EXPECT_EQ(m, identity);
}

TEST(MatInvert, RandomRegularMatricesGiveIdentityProducts) {
    std::mt19937 gen(20240601u);
    const DMat identity = widen({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
    int tested = 0;
    for (int trial = 0; tested < 300; ++trial) {
        Mat a = randomMatrix(gen);
        if (trial % 2) a[0] = 0.0f; // half of them must pivot away from the first row
        if (std::fabs(determinant(widen(a))) < 0.5) continue;
        ++tested;
        Mat inv;
        ASSERT_EQ(mat_invert(inv.data(), a.data()), 1) << "trial " << trial;
        EXPECT_LT(maxDifference(product(widen(a), widen(inv)), identity), 1e-4) << trial;
        EXPECT_LT(maxDifference(product(widen(inv), widen(a)), identity), 1e-4) << trial;

        Mat inPlace = a;
        ASSERT_EQ(mat_invert(inPlace.data(), inPlace.data()), 1);
        EXPECT_EQ(inPlace, inv) << "in-place inversion differs, trial " << trial;
    }
}

TEST(MatInvert, ZeroRowOrColumnIsSingular) {
    std::mt19937 gen(7u);
    for (int line = 0; line < 4; ++line) {
        Mat zeroRow = randomMatrix(gen), zeroColumn = randomMatrix(gen);
        for (int k = 0; k < 4; ++k) {
            zeroRow[4 * k + line] = 0.0f;
            zeroColumn[4 * line + k] = 0.0f;
        }
        Mat out;
        EXPECT_EQ(mat_invert(out.data(), zeroRow.data()), 0) << "row " << line;
        EXPECT_EQ(mat_invert(out.data(), zeroColumn.data()), 0) << "column " << line;
    }
}

TEST(MatMult, MatchesNaiveDoubleProducts) {
    std::mt19937 gen(99u);
    for (int trial = 0; trial < 100; ++trial) {
        const Mat a = randomMatrix(gen), b = randomMatrix(gen);
        Mat ab;
        mat_mult(ab.data(), a.data(), b.data());
        EXPECT_LT(maxDifference(widen(ab), product(widen(a), widen(b))), 1e-5) << trial;

        // mat_multv4 is the same product with b's first column.
        float v[4] = {b[0], b[1], b[2], b[3]}, out[4];
        mat_multv4(out, a.data(), v);
        for (int r = 0; r < 4; ++r)
            EXPECT_NEAR(out[r], ab[r], 1e-5f) << trial;
    }
}

TEST(MatMultv3, AppliesAffinePartAndIgnoresRowThree) {
    std::mt19937 gen(3u);
    Mat m = randomMatrix(gen);
    const float v[3] = {0.5f, -1.25f, 2.0f};
    float first[3], second[3];
    mat_multv3(first, m.data(), v);
    for (int r = 0; r < 3; ++r) {
        const double expected =
            double(v[0]) * m[r] + double(v[1]) * m[4 + r] + double(v[2]) * m[8 + r] + m[12 + r];
        EXPECT_NEAR(first[r], expected, 1e-5) << r;
    }
    // A projective bottom row (as in a perspective matrix) changes nothing: no division by w.
    m[3] = 5.0f, m[7] = -3.0f, m[11] = -1.0f, m[15] = 0.0f;
    mat_multv3(second, m.data(), v);
    for (int r = 0; r < 3; ++r)
        EXPECT_EQ(first[r], second[r]) << r;
}

// Cross products and differences are checked through gluLookAt and picking.
TEST(Vectors, NormalizeKeepsTheZeroVectorAndLengthIsTheSquaredRoot) {
    float zero[3] = {0.0f, 0.0f, 0.0f};
    vec_normalize(zero); // stays zero rather than turning into NaN
    EXPECT_TRUE(zero[0] == 0.0f && zero[1] == 0.0f && zero[2] == 0.0f);
    float v[3] = {3.0f, 0.0f, 4.0f};
    vec_normalize(v);
    EXPECT_FLOAT_EQ(v[0], 0.6f);
    EXPECT_EQ(v[1], 0.0f);
    EXPECT_FLOAT_EQ(v[2], 0.8f);
    // The square of the float root: one step below 2, where a plain sum of squares gives 2.
    const float diagonal[3] = {0.0f, 1.0f, 1.0f};
    EXPECT_EQ(vec_length_squared(diagonal), std::nextafter(2.0f, 0.0f));
}
