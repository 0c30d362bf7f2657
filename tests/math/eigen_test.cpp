#include "LIBRARIES/math/eigen.hpp"

#include <gtest/gtest.h>

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

Vec3 row(const Mat3& e, int m) { return {e(m, 1), e(m, 2), e(m, 3)}; }

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
        const EigenResult r = EIGEN(c.tensor);
        EXPECT_EQ(r.eigenFlag, 0);
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
        const EigenResult r = EIGEN(c.tensor);
        ASSERT_EQ(r.eigenFlag, c.flag);
        for (int m = 0; m < 3; ++m) EXPECT_NEAR(r.eigenValues[m], c.values[m], 1.0e-6f * c.values[2]);
        const int distinct = c.flag;
        for (int m = 1; m <= 3; ++m)
            expectRow(r.eigenVectors, m, m == distinct ? c.distinctAxis : Vec3{0, 0, 0});
    }
}

TEST(Eigen, TripleRootKeepsTheIdentity) {
    for (float v : {1.0f, 0.0f}) {
        SCOPED_TRACE(v);
        const EigenResult r = EIGEN(diag(v, v, v));
        EXPECT_EQ(r.eigenFlag, 4);
        EXPECT_EQ(r.eigenValues, (std::array<float, 3>{v, v, v}));
        EXPECT_EQ(r.eigenVectors, Mat3::identity());
    }
}

TEST(Eigen, UnderflowingProductsGiveZeroRowsNotNaN) {
    const EigenResult r = EIGEN(diag(1e-20f, 2e-20f, 3e-20f));
    EXPECT_EQ(r.eigenFlag, 0);
    EXPECT_NEAR(r.eigenValues[2], 3e-20f, 1e-26f);
    for (int m = 1; m <= 3; ++m) expectRow(r.eigenVectors, m, {0, 0, 0});
    for (float x : r.eigenVectors.v) EXPECT_EQ(x, 0.0f);  // exactly zero, not a subnormal remnant
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
        const EigenResult r = EIGEN(a);
        if (r.eigenFlag != 0) continue;
        ++distinct;
        SCOPED_TRACE(n);

        float norm = 0.0f;  // Frobenius norm sets the scale of the tolerances
        for (float x : a.v) norm += x * x;
        norm = std::sqrt(norm);

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
                EXPECT_NEAR(v[0] * w[0] + v[1] * w[1] + v[2] * w[2], m == k ? 1.0f : 0.0f, 2.0e-5f);
            }
        }
    }
    // Random tensors almost never have close roots; nearly all must take the general path.
    EXPECT_GE(distinct, kTensors * 95 / 100);
}

}  // namespace
