#pragma once
// Reciprocal cells and the S-matrix that ties a cell to one of three Cartesian axial systems.
#include <array>

#include "LIBRARIES/math/mat3.hpp"
#include "calc/options.hpp"

using Cell = std::array<float, 6>;  // a, b, c, alpha, beta, gamma (degrees)

constexpr float kDegToRad = 0.017453292f;  // pi/180 in single precision

// a*, b*, c* and alpha*, beta*, gamma* in radians, through the inverse of the metric tensor.
Cell CELL_TO_RECIP(const Cell& directCell);

// Row i of the S-matrix is crystal axis i (a, b, c) as a vector on X, Y, Z:
// X//a* Z//c, Y//b Z//c*, or X//a* Y//b.
Mat3 CALC_SMATRIX(const Cell& directCell, AxialSet axisConvention);
