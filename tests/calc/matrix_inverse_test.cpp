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

Mat3 product(const Mat3& a, const Mat3& b) {
    Mat3 p;
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j)
            for (int k = 1; k <= 3; ++k) p(i, j) += a(i, k) * b(k, j);
    return p;
}

TEST(Minv, IdentityAndPermutations) {
    Mat3 inverse;
    EXPECT_EQ(MINV(Mat3::identity(), inverse), 1.0f);
    EXPECT_EQ(inverse, Mat3::identity());

    const Mat3 swap12 = fromRows({{{0, 1, 0}, {1, 0, 0}, {0, 0, 1}}});  // odd
    EXPECT_EQ(MINV(swap12, inverse), -1.0f);
    EXPECT_EQ(inverse, swap12);
    const Mat3 cycle = fromRows({{{0, 1, 0}, {0, 0, 1}, {1, 0, 0}}});  // even
    EXPECT_EQ(MINV(cycle, inverse), 1.0f);
    EXPECT_EQ(inverse, fromRows({{{0, 0, 1}, {1, 0, 0}, {0, 1, 0}}}));  // the transpose
}

TEST(Minv, DiagonalNeedsNoExchange) {
    LuMatrix lu;
    lu(1, 1) = 2;
    lu(2, 2) = 3;
    lu(3, 3) = 4;
    PivotList pivots{};
    float parity = 0;
    int singular = -1;
    LUDCMP(lu, pivots, 3, parity, singular);
    EXPECT_EQ(singular, 0);
    EXPECT_EQ(parity, 1.0f);
    EXPECT_EQ(pivots[0], 1);
    EXPECT_EQ(pivots[1], 2);
    EXPECT_EQ(pivots[2], 3);
    Mat3 inverse;
    EXPECT_EQ(MINV(fromRows({{{2, 0, 0}, {0, 3, 0}, {0, 0, 4}}}), inverse), 24.0f);
}

TEST(Minv, TieGoesToTheLaterRow) {
    // Rows (2, 1) and (1, 1) both have a figure of merit of exactly 1 at the first step.
    LuMatrix lu;
    lu(1, 1) = 2;
    lu(1, 2) = 1;
    lu(2, 1) = 1;
    lu(2, 2) = 1;
    PivotList pivots{};
    float parity = 0;
    int singular = -1;
    LUDCMP(lu, pivots, 2, parity, singular);
    EXPECT_EQ(singular, 0);
    EXPECT_EQ(pivots[0], 2);
    EXPECT_EQ(parity, -1.0f);
    EXPECT_EQ(parity * lu(1, 1) * lu(2, 2), 1.0f);  // the determinant
}

TEST(Minv, ZeroRowLeavesTheInverseUntouched) {
    Mat3 inverse = fromRows({{{7, 7, 7}, {7, 7, 7}, {7, 7, 7}}});
    const Mat3 before = inverse;
    EXPECT_EQ(MINV(fromRows({{{1, 2, 3}, {0, 0, 0}, {4, 5, 6}}}), inverse), 0.0f);
    EXPECT_EQ(inverse, before);
}

TEST(Minv, EqualRowsUseTheTinyPivot) {
    Mat3 inverse;
    const float det = MINV(fromRows({{{1, 2, 3}, {1, 2, 3}, {0, 1, 5}}}), inverse);
    EXPECT_NE(det, 0.0f);
    EXPECT_LT(std::fabs(det), 1e-18f);
    EXPECT_GT(std::fabs(inverse(1, 1)) + std::fabs(inverse(1, 2)) + std::fabs(inverse(3, 3)), 1e18f);
}

TEST(Minv, ProductWithInverseIsIdentity) {
    const Mat3 s = fromRows({{{6.10207f, 0.79038f, 0.59666f}, {0.0f, 10.54549f, 2.46031f}, {0.0f, 0.0f, 17.41192f}}});
    Mat3 inverse;
    const float det = MINV(s, inverse);
    EXPECT_NEAR(det, 6.10207f * 10.54549f * 17.41192f, 1e-2f);
    const Mat3 p = product(s, inverse);
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) EXPECT_NEAR(p(i, j), i == j ? 1.0f : 0.0f, 1e-6f);
}

TEST(Lubksb, LeadingZerosOfTheRightHandSide) {
    LuMatrix lu;
    const float rows[3][3] = {{4, 1, 2}, {1, 5, 1}, {2, 1, 6}};
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) lu(i, j) = rows[i - 1][j - 1];
    PivotList pivots{};
    float parity = 0;
    int singular = 0;
    LUDCMP(lu, pivots, 3, parity, singular);
    RightHandSide b{0, 0, 1};
    LUBKSB(lu, pivots, 3, b);
    // Check A x = (0, 0, 1).
    for (int i = 0; i < 3; ++i) {
        const float sum = rows[i][0] * b[0] + rows[i][1] * b[1] + rows[i][2] * b[2];
        EXPECT_NEAR(sum, i == 2 ? 1.0f : 0.0f, 1e-6f);
    }
}

}  // namespace
