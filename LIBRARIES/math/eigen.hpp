#pragma once
// Closed-form eigen decomposition of a 3 x 3 symmetric tensor.
#include <array>

#include "LIBRARIES/math/mat3.hpp"

struct EigenResult {
    std::array<float, 3> eigenValues{};
    Mat3 eigenVectors;  // row m = eigenvector of eigenValues[m-1]
    int eigenFlag = 0;  // 0 distinct, 1 double root above, 3 double root below, 4 triple root
};

// Eigenvalues from the roots of the characteristic cubic, eigenvectors from cross products of the
// rows of A - lambda I. No iteration, no allocation. For eigenFlag 1 and 3 the two rows of the
// double root are unnormalized and carry no defined direction.
EigenResult EIGEN(const Mat3& tensor);
