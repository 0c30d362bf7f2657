#pragma once
// The strain tensor as a polynomial in x, component by component, and the property tensor (its
// derivative) with its principal axes anywhere.
#include <optional>
#include <vector>

#include "fit/fit_result.hpp"
#include "fit/reference_strains.hpp"

// Fits each of the six components to the given order and evaluates the property tensor at each
// distinct measured x, then at each of `at`.
TensorFit fitTensor(const ReferenceStrains& strains, int order, bool pressure, const std::vector<double>& at,
                    FitWeights mode);

// [uvw] of a direction on X, Y, Z in the cell whose S-matrix rows are a, b, c: direction =
// u a + v b + w c, scaled so that the component largest in magnitude is +1 or -1.
std::array<double, 3> uvwOf(const Vec3& direction, const Mat3& sMatrix);
// The same with the S-matrix's inverse given (none: all zero).
std::array<double, 3> uvwOf(const Vec3& direction, const std::optional<Mat3>& sMatrixInverse);
