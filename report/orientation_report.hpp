#pragma once
#include "LIBRARIES/math/mat3.hpp"
#include "calc/run_state.hpp"

// The opening of one calculation: both cells with P, T and esds, their reciprocal cells, the
// axial convention, the angles between the Cartesian and crystal axes, and both S-matrices.
// firstPoint and secondPoint number data points from 1.
void WRITE_ORIENTATION(RunState& state, int firstPoint, int secondPoint, const Mat3& sMatrix1, const Mat3& sMatrix2);
