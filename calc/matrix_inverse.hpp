#pragma once
// Matrix inversion by LU decomposition (Crout's method with implicit partial pivoting).
#include <array>

#include "LIBRARIES/math/mat3.hpp"

// Work matrix of leading dimension 6, 1-based, stored column by column.
struct LuMatrix {
    std::array<float, 36> v{};
    float& operator()(int i, int j) { return v[(j - 1) * 6 + (i - 1)]; }
    float operator()(int i, int j) const { return v[(j - 1) * 6 + (i - 1)]; }
};
using PivotList = std::array<int, 6>;   // element j-1: the row exchanged with row j at step j
using RightHandSide = std::array<float, 6>;

// Decomposes the leading n x n block in place. singular is 1 (and lu untouched) when a row is all zero.
void LUDCMP(LuMatrix& lu, PivotList& pivots, int n, float& parity, int& singular);

// Solves A x = b for one right-hand side, b in and x out.
void LUBKSB(const LuMatrix& lu, const PivotList& pivots, int n, RightHandSide& rhs);

// Inverts a 3 x 3 matrix and returns its determinant. A matrix with a zero row returns 0 and
// leaves `inverse` as it was.
float MINV(const Mat3& matrix, Mat3& inverse);
