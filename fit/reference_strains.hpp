#pragma once
// The strain of every point of a series against the reference point (the first), with the run's
// strain measure and axial set, and the principal strains followed along the series.
#include <array>
#include <vector>

#include "LIBRARIES/math/mat3.hpp"
#include "calc/axis_matching.hpp"
#include "calc/options.hpp"
#include "calc/series.hpp"

struct PointStrain {
    double x = 0.0;  // T or P
    double sigX = 0.0;
    Mat3 strain;  // against the reference point; the reference point's own is zero
    Mat3 strainEsd;
    // The principal strains along the three tracks, with esds and directions (for orthorhombic
    // and higher: the diagonal, along X, Y, Z).
    std::array<double, 3> principal{};
    std::array<double, 3> principalEsd{};
    AxisDirections directions;
    // Edges and volume of the point's cell, with esds.
    std::array<double, 3> edges{};
    std::array<double, 3> edgeEsds{};
    double volume = 0.0;
    double volumeEsd = 0.0;
};

struct ReferenceStrains {
    int reference = 1;  // from 1
    bool principalAxes = true;
    Mat3 referenceSMatrix;
    std::vector<PointStrain> points;  // in series order
};

ReferenceStrains strainsAgainstReference(const Series& series, const RunOptions& options);
