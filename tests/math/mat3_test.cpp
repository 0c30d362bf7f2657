// The 3 x 3 matrix in double precision beside the single-precision one the calculations use.
#include <gtest/gtest.h>

#include "LIBRARIES/math/mat3.hpp"

namespace {

TEST(Mat3d, ProductTransposeAndSymmetricMatrixInDoublePrecision) {
    // Entries single precision cannot hold: 1 + 2^-40 survives only in double.
    const double fine = 1.0 + std::ldexp(1.0, -40);
    const Mat3d s = symmetricMatrix<double>({fine, 2.0, 3.0, 0.5, -1.0, 4.0});
    EXPECT_EQ(s(1, 1), fine);
    EXPECT_EQ(s(2, 1), 0.5);
    EXPECT_EQ(s(3, 1), -1.0);
    EXPECT_EQ(s(3, 2), 4.0);
    EXPECT_EQ(transpose(s), s);
    Mat3d a;
    a(1, 2) = 2.0;
    a(2, 3) = 3.0;
    a(3, 1) = fine;
    // (a s)(1, 1) = a(1, 2) s(2, 1) = 1; (a s)(3, 1) = a(3, 1) s(1, 1) = fine^2.
    const Mat3d p = a * s;
    EXPECT_EQ(p(1, 1), 1.0);
    EXPECT_EQ(p(3, 1), fine * fine);
    EXPECT_EQ(row(p, 1)[0], 1.0);
    EXPECT_EQ(column(Mat3d::identity() * s, 3), column(s, 3));
    // The float matrix is the same template: its product rounds each step in single precision.
    Mat3 f = Mat3::identity();
    f(1, 2) = 1.0f / 3.0f;
    EXPECT_EQ((f * f)(1, 2), 1.0f / 3.0f + 1.0f / 3.0f);
}

}  // namespace
