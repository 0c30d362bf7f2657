#pragma once
// Closed-form eigen decomposition of a 3 x 3 symmetric tensor.
#include <array>

#include "LIBRARIES/math/mat3.hpp"

// How the roots fell. The codes are the decomposition's own: for a double root, the number of
// the one axis that keeps a direction.
enum class EigenFlag {
    distinct = 0,
    doubleRootAbove = 1,  // roots 2 and 3 are one; axis 1 is distinct
    doubleRootBelow = 3,  // roots 1 and 2 are one; axis 3 is distinct
    tripleRoot = 4,       // isotropic: no axis has a direction
};

// Whether axis m (1 to 3) has a direction of its own under this flag.
constexpr bool hasOwnDirection(EigenFlag flag, int m) {
    switch (flag) {
        case EigenFlag::distinct: return true;
        case EigenFlag::doubleRootAbove: return m == 1;
        case EigenFlag::doubleRootBelow: return m == 3;
        case EigenFlag::tripleRoot: return false;
    }
    return false;
}

struct EigenResult {
    std::array<float, 3> eigenValues{};
    Mat3 eigenVectors;  // row m = eigenvector of eigenValues[m-1]
    EigenFlag eigenFlag = EigenFlag::distinct;
};

// Eigenvalues from the roots of the characteristic cubic, eigenvectors from cross products of the
// rows of A - lambda I. No iteration, no allocation. For a double root the two rows of the
// double root are unnormalized and carry no defined direction.
EigenResult eigenSystemOf(const Mat3& tensor);
