#pragma once
// Directions of the principal axes: angles to the Cartesian axes and to the crystal axes, with
// esds from the direction moved along its signed esds.
#include <array>
#include <optional>

#include "LIBRARIES/math/eigen.hpp"
#include "LIBRARIES/math/mat3.hpp"

struct AxisAngles {
    std::array<float, 3> toXyz{};     // degrees, to +X, +Y, +Z
    std::array<float, 3> toXyzEsd{};
    std::array<float, 3> toAbc{};     // degrees, to +A, +B, +C
    std::array<float, 3> toAbcEsd{};
};

// Axis m (1 to 3) has no direction when the decomposition found a multiple root and m is not
// its distinct axis, or when its eigenvector is zero.
bool isCircularSection(const Mat3& eigenVectors, EigenFlag eigenFlag, int m);

// Degrees between a unit direction on X, Y, Z and the crystal axes a, b, c (the rows of sMatrix).
std::array<float, 3> anglesToCrystalAxes(const Vec3& direction, const Mat3& sMatrix);

// Angles of axis m. sMatrix rows are the crystal axes of the reference cell on X, Y, Z.
AxisAngles principalAxisAngles(const Mat3& eigenVectors, const Mat3& eigenVectorEsds, const Mat3& sMatrix, int m);

// [uvw] of a direction on X, Y, Z in the cell whose S-matrix rows are a, b, c: direction =
// u a + v b + w c, scaled so that the component largest in magnitude is +1 or -1.
std::array<double, 3> uvwOf(const Vec3& direction, const Mat3& sMatrix);
// The same with the S-matrix's inverse given (none: all zero).
std::array<double, 3> uvwOf(const Vec3& direction, const std::optional<Mat3>& sMatrixInverse);
