#pragma once
// The representation surface of a second-rank tensor T: along each unit direction n the value
// nᵀ·T·n, drawn at that distance from the origin. Its sections through pairs of principal axes
// and a grid of it for a 3-D view.
#include <array>

#include "LIBRARIES/math/mat3.hpp"
#include "calc/axis_matching.hpp"
#include "plots/data/plot_data.hpp"

// nᵀ·T·n.
float normalValue(const Mat3& tensor, const Vec3& n);

// The section through axes[first] and axes[second], `steps` points round it and the first again.
SurfaceSection sectionOf(const Mat3& tensor, const std::array<Vec3, 3>& axes, int first, int second,
                         const std::array<Vec3, 3>& crystalAxes, int steps);

// Fills the surface's grid: `rows` directions from +Z to -Z and `columns` round Z, the first
// column repeated at the end so that the grid closes.
void fillMesh(const Mat3& tensor, int rows, int columns, SurfaceData& surface);
