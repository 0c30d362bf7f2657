#pragma once
// A straight line through (x, q) and the coefficient it gives.
#include <vector>

#include "fit/fit_result.hpp"
#include "fit/polynomial_fit.hpp"

// The line through the points; origin is the reference point's x (it changes nothing but the
// conditioning). The coefficient is the slope, or minus the slope for a pressure series.
LinearFit fitLine(const std::vector<FitPoint>& points, double origin, bool pressure, FitWeights mode);
LinearFit fitLine(const FitPoints& points, double origin, bool pressure, FitWeights mode);
