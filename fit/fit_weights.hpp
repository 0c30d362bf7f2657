#pragma once
// Least-squares weights from the esds of the points.
#include <vector>

#include "fit/fit_result.hpp"

// 1/sigma^2 for each point. With no esds at all (every sigma 0), or with FitWeights::none, every
// weight is 1. A point without an esd among points with esds takes the median esd of the others,
// so that it neither dominates the fit nor drops out of it.
std::vector<double> weightsOf(const std::vector<double>& sigmas, FitWeights mode);

// Whether any sigma is above 0.
bool anyEsd(const std::vector<double>& sigmas);
