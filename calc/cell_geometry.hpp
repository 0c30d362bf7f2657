#pragma once
// Reciprocal cells and the S-matrix that ties a cell to one of three Cartesian axial systems.
#include "LIBRARIES/math/mat3.hpp"
#include "calc/options.hpp"
#include "calc/unit_cell.hpp"

// a*, b*, c* and alpha*, beta*, gamma* in radians, through the inverse of the metric tensor.
CellParametersRadians reciprocalCellOf(const CellParameters& directCell);

// Row i of the S-matrix is crystal axis i (a, b, c) as a vector on X, Y, Z:
// X//a* Z//c, Y//b Z//c*, or X//a* Y//b.
Mat3 crystalAxesMatrix(const CellParameters& directCell, AxialSet axisConvention);
