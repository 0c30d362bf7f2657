#pragma once
// Least-squares weights from the esds of the points.
#include <cmath>
#include <span>
#include <vector>

#include "fit/fit_result.hpp"

// 1/sigma^2 for each point. With no esds at all (every sigma 0), or with FitWeights::none, every
// weight is 1. A point without an esd among points with esds takes the median esd of the others,
// so that it neither dominates the fit nor drops out of it.
std::vector<double> weightsOf(const std::vector<double>& sigmas, FitWeights mode);

// The esd of y with the esd of x carried through the local slope dy/dx (effective variance):
// sqrt(sigY^2 + (slope sigX)^2). Taken for every point of every weighting pass, so std::hypot,
// several times as slow, only where the squares could overflow (a pass from wild parameters).
inline double effectiveEsd(double sigY, double slope, double sigX) {
    const double fromX = std::fabs(slope * sigX);
    const double larger = std::fmax(std::fabs(sigY), fromX);
    if (!(larger < 1e150)) return std::hypot(sigY, fromX);
    return std::sqrt(sigY * sigY + fromX * fromX);
}

// Whether any sigma is above 0.
bool anyEsd(std::span<const double> sigmas);
