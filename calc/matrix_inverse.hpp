#pragma once
// Matrix inversion by LU decomposition (Crout's method with implicit partial pivoting).
#include <array>
#include <optional>

#include "LIBRARIES/math/mat3.hpp"

struct LuDecomposition {
    Mat3 lu;                    // L below the diagonal (unit diagonal implied), U on and above it
    std::array<int, 3> pivots{};  // element j-1: the row exchanged with row j at step j
    float parity = 1.0f;        // +1 or -1: the sign of the row permutation
};

// Decomposes the leading n x n block (n at most 3); nothing when one of its rows is all zero.
std::optional<LuDecomposition> luDecompose(const Mat3& a, int n);

// Solves A x = b for one right-hand side, b in and x out.
void luSolve(const LuDecomposition& lu, int n, Vec3& rhs);

// The inverse of a 3 x 3 matrix; nothing for a matrix with a zero row. A matrix that is singular
// without a zero row gets a tiny pivot in place of zero and an inverse with huge elements.
std::optional<Mat3> matrixInverse(const Mat3& matrix);
