#include "calc/matrix_inverse.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace {

Mat3 fromRows(std::array<std::array<float, 3>, 3> rows) {
    Mat3 m;
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) m(i, j) = rows[i - 1][j - 1];
    return m;
}

// The determinant from the decomposition: the parity times the pivots.
float determinantOf(const LuDecomposition& d, int n) {
    float det = d.parity;
    for (int j = 1; j <= n; ++j) det *= d.lu(j, j);
    return det;
}

TEST(Minv, IdentityAndPermutations) {
    EXPECT_EQ(matrixInverse(Mat3::identity()), Mat3::identity());

    const Mat3 swap12 = fromRows({{{0, 1, 0}, {1, 0, 0}, {0, 0, 1}}});  // odd
    EXPECT_EQ(luDecompose(swap12, 3)->parity, -1.0f);
    EXPECT_EQ(matrixInverse(swap12), swap12);
    const Mat3 cycle = fromRows({{{0, 1, 0}, {0, 0, 1}, {1, 0, 0}}});  // even
    EXPECT_EQ(luDecompose(cycle, 3)->parity, 1.0f);
    EXPECT_EQ(matrixInverse(cycle), fromRows({{{0, 0, 1}, {1, 0, 0}, {0, 1, 0}}}));  // the transpose
}

TEST(Minv, DiagonalNeedsNoExchange) {
    const Mat3 diagonal = fromRows({{{2, 0, 0}, {0, 3, 0}, {0, 0, 4}}});
    const auto lu = luDecompose(diagonal, 3);
    ASSERT_TRUE(lu);
    EXPECT_EQ(lu->parity, 1.0f);
    EXPECT_EQ(lu->pivots, (std::array<int, 3>{1, 2, 3}));
    EXPECT_EQ(determinantOf(*lu, 3), 24.0f);
}

TEST(Minv, TieGoesToTheLaterRow) {
    // Rows (2, 1) and (1, 1) both have a figure of merit of exactly 1 at the first step.
    const auto lu = luDecompose(fromRows({{{2, 1, 0}, {1, 1, 0}, {0, 0, 0}}}), 2);
    ASSERT_TRUE(lu);
    EXPECT_EQ(lu->pivots[0], 2);
    EXPECT_EQ(lu->parity, -1.0f);
    EXPECT_EQ(determinantOf(*lu, 2), 1.0f);
}

TEST(Minv, ZeroRowHasNoInverse) {
    EXPECT_FALSE(matrixInverse(fromRows({{{1, 2, 3}, {0, 0, 0}, {4, 5, 6}}})));
    EXPECT_FALSE(luDecompose(fromRows({{{1, 2, 3}, {0, 0, 0}, {4, 5, 6}}}), 3));
}

TEST(Minv, EqualRowsUseTheTinyPivot) {
    const Mat3 a = fromRows({{{1, 2, 3}, {1, 2, 3}, {0, 1, 5}}});
    const auto lu = luDecompose(a, 3);
    ASSERT_TRUE(lu);
    const float det = determinantOf(*lu, 3);
    EXPECT_NE(det, 0.0f);
    EXPECT_LT(std::fabs(det), 1e-18f);
    const auto inverse = matrixInverse(a);
    ASSERT_TRUE(inverse);
    EXPECT_GT(std::fabs((*inverse)(1, 1)) + std::fabs((*inverse)(1, 2)) + std::fabs((*inverse)(3, 3)), 1e18f);
}

TEST(Minv, ProductWithInverseIsIdentity) {
    const Mat3 s = fromRows({{{6.10207f, 0.79038f, 0.59666f}, {0.0f, 10.54549f, 2.46031f}, {0.0f, 0.0f, 17.41192f}}});
    const auto inverse = matrixInverse(s);
    ASSERT_TRUE(inverse);
    EXPECT_NEAR(determinantOf(*luDecompose(s, 3), 3), 6.10207f * 10.54549f * 17.41192f, 1e-2f);
    const Mat3 p = s * *inverse;
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) EXPECT_NEAR(p(i, j), i == j ? 1.0f : 0.0f, 1e-6f);
}

TEST(Lubksb, LeadingZerosOfTheRightHandSide) {
    const float rows[3][3] = {{4, 1, 2}, {1, 5, 1}, {2, 1, 6}};
    const auto lu = luDecompose(fromRows({{{4, 1, 2}, {1, 5, 1}, {2, 1, 6}}}), 3);
    ASSERT_TRUE(lu);
    Vec3 b{0, 0, 1};
    luSolve(*lu, 3, b);
    // Check A x = (0, 0, 1).
    for (int i = 0; i < 3; ++i) {
        const float sum = rows[i][0] * b[0] + rows[i][1] * b[1] + rows[i][2] * b[2];
        EXPECT_NEAR(sum, i == 2 ? 1.0f : 0.0f, 1e-6f);
    }
}

}  // namespace
