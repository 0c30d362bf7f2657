#pragma once
// The crystal-system constraints on a second-rank tensor.
#include "LIBRARIES/math/mat3.hpp"

// crystalSystem: 0 none (no change at all), 1 monoclinic (unique axis along Y), 2 orthorhombic,
// 3 tetragonal, 4 trigonal or hexagonal, 5 cubic.
void FIX_TENSOR(Mat3& t, int crystalSystem);
