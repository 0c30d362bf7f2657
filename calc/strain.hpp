#pragma once
// The strain tensor that carries the first cell of a pair into the second.
#include "LIBRARIES/math/mat3.hpp"
#include "calc/options.hpp"

// s1 and s2 are the S-matrices of the first and second cell.
Mat3 strainBetween(StrainType strainType, const Mat3& s1, const Mat3& s2);
