#include "LIBRARIES/math/eigen.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>

namespace {

Mat3 diag(float a, float b, float c) {
    Mat3 t;
    t(1, 1) = a;
    t(2, 2) = b;
    t(3, 3) = c;
    return t;
}

void expectRow(const Mat3& e, int m, const Vec3& expected) {
    SCOPED_TRACE(::testing::Message() << "row " << m);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(e(m, c + 1), expected[c], 1.0e-6f);
}

struct DiagonalCase {
    const char* name;
    Mat3 tensor;
    std::array<float, 3> values;
    std::array<Vec3, 3> rows;  // sign and order follow from which row pair each vector came from
};

TEST(Eigen, DiagonalTensorsGiveSignedAxesInAscendingOrder) {
    const DiagonalCase cases[] = {
        {"diag(1,2,3)", diag(1, 2, 3), {1, 2, 3}, {{{1, 0, 0}, {0, -1, 0}, {0, 0, -1}}}},
        {"diag(3,2,1)", diag(3, 2, 1), {1, 2, 3}, {{{0, 0, 1}, {0, -1, 0}, {1, 0, 0}}}},
        // Strain-sized elements: accepted only once the tolerance has come down far enough.
        {"diag(1e-4,2e-4,3e-4)", diag(1e-4f, 2e-4f, 3e-4f), {1e-4f, 2e-4f, 3e-4f},
         {{{1, 0, 0}, {0, -1, 0}, {0, 0, -1}}}},
    };
    for (const DiagonalCase& c : cases) {
        SCOPED_TRACE(c.name);
        const EigenResult r = eigenSystemOf(c.tensor);
        EXPECT_EQ(r.eigenFlag, EigenFlag::distinct);
        for (int m = 0; m < 3; ++m) EXPECT_NEAR(r.eigenValues[m], c.values[m], 1.0e-6f * c.values[2]);
        for (int m = 1; m <= 3; ++m) expectRow(r.eigenVectors, m, c.rows[m - 1]);
    }
}

Mat3 withOffDiagonal(Mat3 t, int i, int j, float value) {
    t(i, j) = t(j, i) = value;
    return t;
}

struct DoubleRootCase {
    const char* name;
    Mat3 tensor;
    int flag;                    // 1: double root above the distinct one, 3: below
    std::array<float, 3> values;
    Vec3 distinctAxis;           // the only normalized row; the double root's rows are zero or noise
};

TEST(Eigen, DoubleRootNormalizesOnlyTheDistinctAxis) {
    const float h = 0.70710677f;
    const DoubleRootCase cases[] = {
        {"diag(1,2,2)", diag(1, 2, 2), 1, {1, 2, 2}, {1, 0, 0}},
        {"diag(1,1,2)", diag(1, 1, 2), 3, {1, 1, 2}, {0, 0, 1}},
        {"diag(1,3,3)", diag(1, 3, 3), 1, {1, 3, 3}, {1, 0, 0}},  // raw cross product (4, 0, 0)
        {"rotated (1,1,3)", withOffDiagonal(diag(2, 2, 1), 1, 2, 1), 3, {1, 1, 3}, {h, h, 0}},
        {"strain-sized (1,3,3)e-3", withOffDiagonal(diag(2e-3f, 2e-3f, 3e-3f), 1, 2, 1e-3f), 1,
         {1e-3f, 3e-3f, 3e-3f}, {h, -h, 0}},
    };
    for (const DoubleRootCase& c : cases) {
        SCOPED_TRACE(c.name);
        const EigenResult r = eigenSystemOf(c.tensor);
        ASSERT_EQ(static_cast<int>(r.eigenFlag), c.flag);
        for (int m = 0; m < 3; ++m) EXPECT_NEAR(r.eigenValues[m], c.values[m], 1.0e-6f * c.values[2]);
        const int distinct = c.flag;
        for (int m = 1; m <= 3; ++m)
            expectRow(r.eigenVectors, m, m == distinct ? c.distinctAxis : Vec3{0, 0, 0});
    }
}

TEST(Eigen, TripleRootKeepsTheIdentity) {
    for (float v : {1.0f, 0.0f}) {
        SCOPED_TRACE(v);
        const EigenResult r = eigenSystemOf(diag(v, v, v));
        EXPECT_EQ(r.eigenFlag, EigenFlag::tripleRoot);
        EXPECT_EQ(r.eigenValues, (std::array<float, 3>{v, v, v}));
        EXPECT_EQ(r.eigenVectors, Mat3::identity());
    }
}

Mat3 symmetric(float a11, float a22, float a33, float a12, float a13, float a23) {
    Mat3 t = diag(a11, a22, a33);
    t(1, 2) = t(2, 1) = a12;
    t(1, 3) = t(3, 1) = a13;
    t(2, 3) = t(3, 2) = a23;
    return t;
}

float residual(const Mat3& a, float lambda, const Vec3& v) {
    float largest = 0.0f;
    for (int i = 1; i <= 3; ++i)
        largest = std::max(largest, std::fabs(a(i, 1) * v[0] + a(i, 2) * v[1] + a(i, 3) * v[2] - lambda * v[i - 1]));
    return largest;
}

struct NearlyEqualCase {
    const char* name;
    Mat3 tensor;
    std::array<double, 3> values;  // ascending, worked out independently
};

// Two roots a few per cent of the spread apart are distinct roots with their own directions.
TEST(Eigen, NearlyEqualRootsKeepTheirValuesAndDirections) {
    // Monoclinic strain: e22 along Y, the XZ block by the quadratic formula.
    const double c = (0.00219321 + -0.00337279) / 2, h = (0.00219321 - -0.00337279) / 2;
    const double radius = std::sqrt(h * h + 0.00117342 * 0.00117342);
    const NearlyEqualCase cases[] = {
        {"diag(0.001998,0.002018,0.001428)", diag(0.001998f, 0.002018f, 0.001428f), {0.001428, 0.001998, 0.002018}},
        {"monoclinic, 0.002279 and 0.002430", symmetric(0.00219321f, 0.00227928f, -0.00337279f, 0, 0.00117342f, 0),
         {c - radius, 0.00227928, c + radius}},
        {"1 % of the spread", diag(1.0f, 1.01f, 2.0f), {1.0, 1.01, 2.0}},
    };
    for (const NearlyEqualCase& k : cases) {
        SCOPED_TRACE(k.name);
        const EigenResult r = eigenSystemOf(k.tensor);
        ASSERT_EQ(r.eigenFlag, EigenFlag::distinct);
        const double spread = k.values[2] - k.values[0];
        for (int m = 0; m < 3; ++m) {
            EXPECT_NEAR(r.eigenValues[m], k.values[m], 1.0e-5 * spread);
            const Vec3 v = row(r.eigenVectors, m + 1);
            EXPECT_NEAR(v[0] * v[0] + v[1] * v[1] + v[2] * v[2], 1.0f, 1.0e-5f);
            EXPECT_LE(residual(k.tensor, r.eigenValues[m], v), 1.0e-4f * spread);
        }
    }
    // The diagonal tensor's axes are Z, X and Y.
    const EigenResult r = eigenSystemOf(cases[0].tensor);
    EXPECT_NEAR(std::fabs(r.eigenVectors(1, 3)), 1.0f, 1.0e-6f);
    EXPECT_NEAR(std::fabs(r.eigenVectors(2, 1)), 1.0f, 1.0e-6f);
    EXPECT_NEAR(std::fabs(r.eigenVectors(3, 2)), 1.0f, 1.0e-6f);
}

struct RoundedUpCase {
    const char* name;
    Mat3 tensor;
    double tolerance;  // how far each value may be from 1
};

// For these tensors rounding in the invariants makes the discriminant positive (well beyond the
// double-root limit), which no symmetric tensor has: their roots are nearly equal and come from
// the double-root formulas, never as zeros.
TEST(Eigen, PositiveDiscriminantFromRoundingStillGivesTheRoots) {
    const float e = 1.0e-5f;
    const RoundedUpCase cases[] = {
        // I + e (J - I): a true double root 1 - e and the single root 1 + 2e along (1, 1, 1).
        {"I + 1e-5 off the diagonal", symmetric(1, 1, 1, e, e, e), 3.0e-5},
        {"I + 2e-5 off the diagonal", symmetric(1, 1, 1, 2 * e, 2 * e, 2 * e), 5.0e-5},
        // Roots 1 - 1.4e-6, 1, 1 + 1.4e-6: nearly a triple root.
        {"near-triple root", symmetric(1, 1, 1, 0.1f * e, 0, 0.1f * e), 1.0e-5},
    };
    for (const RoundedUpCase& k : cases) {
        SCOPED_TRACE(k.name);
        const EigenResult r = eigenSystemOf(k.tensor);
        ASSERT_TRUE(r.eigenFlag == EigenFlag::doubleRootAbove || r.eigenFlag == EigenFlag::doubleRootBelow);
        EXPECT_LE(r.eigenValues[0], r.eigenValues[1]);
        EXPECT_LE(r.eigenValues[1], r.eigenValues[2]);
        for (float value : r.eigenValues) EXPECT_NEAR(value, 1.0, k.tolerance);
        EXPECT_NEAR(r.eigenValues[0] + r.eigenValues[1] + r.eigenValues[2], 3.0f, 1.0e-6f);
        const Vec3 single = row(r.eigenVectors, static_cast<int>(r.eigenFlag));
        EXPECT_NEAR(single[0] * single[0] + single[1] * single[1] + single[2] * single[2], 1.0f, 1.0e-5f);
    }
    // The double root and the single root of I + e (J - I), and the single root's axis. The roots
    // carry the rounding of the invariants (here some 4e-7, 1 % of the gap), the axis about a degree.
    const EigenResult r = eigenSystemOf(cases[0].tensor);
    ASSERT_EQ(r.eigenFlag, EigenFlag::doubleRootBelow);
    EXPECT_NEAR(r.eigenValues[0], 1.0 - 1.0e-5, 1.0e-6);
    EXPECT_NEAR(r.eigenValues[2], 1.0 + 2.0e-5, 1.0e-6);
    const float third = 0.57735026f;
    for (int c = 1; c <= 3; ++c) EXPECT_NEAR(std::fabs(r.eigenVectors(3, c)), third, 0.03f);
}

// Roots a few 1e-6 of the spread apart, just outside the double-root limit: the arc cosine's
// argument comes out a little beyond 1 and must be held at 1, not give NaN.
TEST(Eigen, ArcCosineArgumentBeyondOneIsHeld) {
    const Mat3 tensors[] = {diag(0.002f, 0.00200000405f, 0.001f), diag(0.001002f, 0.00100200402f, 0.002f)};
    for (const Mat3& t : tensors) {
        const EigenResult r = eigenSystemOf(t);
        std::array<float, 3> expected = {t(1, 1), t(2, 2), t(3, 3)};
        std::sort(expected.begin(), expected.end());
        for (int m = 0; m < 3; ++m) EXPECT_NEAR(r.eigenValues[m], expected[m], 5.0e-9f) << m;
    }
}

// A rotation about the unit axis u by the angle t (radians), as columns: column k is where axis k goes.
std::array<Vec3, 3> rotationColumns(std::array<double, 3> u, double t) {
    const double n = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
    for (double& x : u) x /= n;
    const double c = std::cos(t), s = std::sin(t), k = 1.0 - c;
    const double r[3][3] = {{c + u[0] * u[0] * k, u[0] * u[1] * k - u[2] * s, u[0] * u[2] * k + u[1] * s},
                            {u[1] * u[0] * k + u[2] * s, c + u[1] * u[1] * k, u[1] * u[2] * k - u[0] * s},
                            {u[2] * u[0] * k - u[1] * s, u[2] * u[1] * k + u[0] * s, c + u[2] * u[2] * k}};
    std::array<Vec3, 3> columns;
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) columns[j][i] = static_cast<float>(r[i][j]);
    return columns;
}

// offset I + R diag(values) R^T, every element summed in single precision, less offset I. With an
// offset of 1 this is how a strain comes about: elements near 1 less the identity, good to some
// 1e-7, which parts equal values by more than the double-root limit of the discriminant.
Mat3 rotated(const std::array<Vec3, 3>& columns, const std::array<float, 3>& values, float offset = 0.0f) {
    Mat3 t;
    for (int i = 0; i < 3; ++i)
        for (int j = i; j < 3; ++j) {
            float sum = i == j ? offset : 0.0f;
            for (int k = 0; k < 3; ++k) sum += columns[k][i] * values[k] * columns[k][j];
            if (i == j) sum -= offset;
            t(i + 1, j + 1) = t(j + 1, i + 1) = sum;
        }
    return t;
}

float dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

struct RotatedCase {
    const char* name;
    std::array<double, 3> axis;   // of the rotation, turned through ten angles from 0.1 to 2.8 radians
    std::array<float, 3> values;  // of the columns of the rotation
    float offset;                 // 1 for a strain formed as above
    int flag;                     // what eigenSystemOf must find: 0 three roots, 1 or 3 a double root
};

// Rotated diagonal tensors whose equal values rounding has parted (three distinct roots to the
// discriminant): they are one double root, the mean of the two, whose distinct axis is the
// third column of the rotation. Values apart by more than 1e-6 (1 + the largest) stay distinct.
TEST(Eigen, RoundingDoesNotPartADoubleRoot) {
    const RotatedCase cases[] = {
        {"strain, double root below", {1, 2, 3}, {-0.0021f, -0.0021f, 0.0015f}, 1, 3},
        {"strain, double root above", {-2, 1, 0.5}, {0.002f, 0.002f, -0.001f}, 1, 1},
        {"strain, about the 3-fold axis", {1, 1, 1}, {0.0008f, 0.0008f, -0.0043f}, 1, 1},
        {"near 1, double root below", {0.3, -1, 2}, {1.0f, 1.0f, 1.01f}, 0, 3},
        {"strain, 5e-7 apart", {1, 2, 3}, {0.002f, 0.0020005f, -0.001f}, 1, 1},
        {"strain, 5e-6 apart", {1, 2, 3}, {0.002f, 0.002005f, -0.001f}, 1, 0},
        {"unit scale, 1e-4 apart", {0.3, -1, 2}, {1.0f, 1.0001f, 2.5f}, 0, 0},
    };
    for (const RotatedCase& k : cases) {
        for (int turn = 0; turn < 10; ++turn) {
            const double angle = 0.1 + 0.3 * turn;
            SCOPED_TRACE(::testing::Message() << k.name << ", angle " << angle);
            const auto columns = rotationColumns(k.axis, angle);
            const Mat3 tensor = rotated(columns, k.values, k.offset);
            const EigenResult r = eigenSystemOf(tensor);
            ASSERT_EQ(static_cast<int>(r.eigenFlag), k.flag);
            std::array<float, 3> expected = k.values;
            std::sort(expected.begin(), expected.end());
            if (k.flag != 0) {
                const int pair = k.flag == 1 ? 1 : 0;  // first index of the double root: its value is the pair's mean
                expected[pair] = expected[pair + 1] = (expected[pair] + expected[pair + 1]) / 2.0f;
                EXPECT_EQ(r.eigenValues[pair], r.eigenValues[pair + 1]);
            }
            // The rounding of the elements, and for three roots the single-precision arc cosine's
            // error, which near a double root reaches a few 1e-5 of the spread.
            const float spread = expected[2] - expected[0];
            const float tolerance = 3.0e-7f * (1.0f + std::fabs(expected[2])) + (k.flag == 0 ? 1.0e-4f * spread : 0.0f);
            for (int m = 0; m < 3; ++m) EXPECT_NEAR(r.eigenValues[m], expected[m], tolerance) << m;
            if (k.flag == 0) continue;
            // The distinct root's axis is the third column, within 0.1 degrees.
            const Vec3 axis = row(r.eigenVectors, k.flag);
            EXPECT_NEAR(dot(axis, axis), 1.0f, 1.0e-6f);
            EXPECT_NEAR(std::fabs(dot(axis, columns[2])), 1.0f, 1.0e-6f);
        }
    }
}

// Roots that agree to within 1e-6 of the strain scale, or far below it, are one: an isotropic
// tensor with the trace's mean as its value and no axes (the identity).
TEST(Eigen, RootsTooCloseToPartAreIsotropic) {
    const struct {
        const char* name;
        Mat3 tensor;
    } cases[] = {
        {"strain, three values 4e-7 apart", rotated(rotationColumns({1, 2, 3}, 0.7), {0.001f, 0.0010004f, 0.0010008f}, 1)},
        {"one element of 6e-8 (two identical cells, one last-digit slip)", diag(0, 0, 5.96e-8f)},
        {"values 1e-20, 2e-20, 3e-20", diag(1e-20f, 2e-20f, 3e-20f)},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        const EigenResult r = eigenSystemOf(k.tensor);
        EXPECT_EQ(r.eigenFlag, EigenFlag::tripleRoot);
        const float mean = (k.tensor(1, 1) + k.tensor(2, 2) + k.tensor(3, 3)) / 3.0f;
        for (float value : r.eigenValues) EXPECT_NEAR(value, mean, 1.0e-6f * std::fabs(mean));
        EXPECT_EQ(r.eigenVectors, Mat3::identity());
    }
}

// Random strain-like tensors: A v = lambda v, ascending values, orthonormal right-handed rows.
TEST(Eigen, RandomStrainTensorsSatisfyTheEigenEquation) {
    std::mt19937 engine(20240517u);  // the engine's sequence is fixed by the standard
    auto element = [&engine] { return static_cast<float>((static_cast<double>(engine()) / 4294967296.0 * 2.0 - 1.0) * 1.0e-3); };

    int distinct = 0;
    constexpr int kTensors = 300;
    for (int n = 0; n < kTensors; ++n) {
        Mat3 a;
        for (int i = 1; i <= 3; ++i)
            for (int j = i; j <= 3; ++j) a(i, j) = a(j, i) = element();
        const EigenResult r = eigenSystemOf(a);
        if (r.eigenFlag != EigenFlag::distinct) continue;
        ++distinct;
        SCOPED_TRACE(n);

        float norm = 0.0f;  // Frobenius norm sets the scale of the tolerances
        for (float x : a.v) norm += x * x;
        norm = std::sqrt(norm);
        // Single-precision rows of A - lambda I fix a direction only to about 1e-7 of norm / gap.
        const float gap = std::min(r.eigenValues[1] - r.eigenValues[0], r.eigenValues[2] - r.eigenValues[1]);
        const float orthogonality = 2.0e-5f + 1.0e-6f * norm / gap;

        EXPECT_LE(r.eigenValues[0], r.eigenValues[1]);
        EXPECT_LE(r.eigenValues[1], r.eigenValues[2]);
        EXPECT_NEAR(r.eigenValues[0] + r.eigenValues[1] + r.eigenValues[2], a(1, 1) + a(2, 2) + a(3, 3),
                    1.0e-5f * norm);
        for (int m = 1; m <= 3; ++m) {
            const Vec3 v = row(r.eigenVectors, m);
            for (int i = 1; i <= 3; ++i) {
                const float av = a(i, 1) * v[0] + a(i, 2) * v[1] + a(i, 3) * v[2];
                EXPECT_NEAR(av, r.eigenValues[m - 1] * v[i - 1], 1.0e-5f * norm);
            }
            for (int k = 1; k <= 3; ++k) {
                const Vec3 w = row(r.eigenVectors, k);
                EXPECT_NEAR(v[0] * w[0] + v[1] * w[1] + v[2] * w[2], m == k ? 1.0f : 0.0f, orthogonality);
            }
        }
    }
    // No two roots of these tensors agree to within 1e-5 of their spread, so none is a double root;
    // two of them (108 and 145) have roots within 4 % of it.
    EXPECT_EQ(distinct, kTensors);
}

}  // namespace
