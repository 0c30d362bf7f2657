#pragma once
// What a crystal system imposes: on the cells as they are read, on every tensor, and on the
// parameter moves of the esd estimate.
#include <span>

#include "LIBRARIES/math/mat3.hpp"
#include "calc/options.hpp"
#include "calc/series.hpp"

// The cell constraints on one data point: monoclinic alpha = gamma = 90 (unique axis b),
// orthorhombic all 90, tetragonal also b = a, trigonal and hexagonal b = a and gamma = 120,
// cubic a = b = c. The esds follow.
void applyCrystalSystem(DataPoint& point, CrystalSystem system);

// The tensor constraints, in place: monoclinic keeps the unique axis along Y; orthorhombic and
// higher are diagonal; uniaxial systems average 11 and 22, cubic all three.
void constrainTensor(Mat3& t, CrystalSystem system);

// Whether the crystal system makes the tensor components along Cartesian axes i and j (1 to 3,
// i != j) equal: 11 = 22 for tetragonal, trigonal and hexagonal, all three for cubic. Principal
// axes of the lower systems are never equal by symmetry.
bool equalBySymmetry(CrystalSystem system, int i, int j);

// One group of cell parameters moved together by the esd estimate: parameters that the crystal
// system makes equal move as one.
enum class Move { a, b, c, alpha, beta, gamma, aWithB, abcTogether };
std::span<const Move> perturbationMoves(CrystalSystem system);
