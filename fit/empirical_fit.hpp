#pragma once
// epsilon(P) = eps0 + lambda (P - Pc)^nu for each principal axis of a pressure series (the axes
// followed by direction), Pc below the lowest pressure, and the compressibility
// K(P) = -d(epsilon)/dP = -lambda nu (P - Pc)^(nu - 1) at every measured P.
#include <memory>
#include <vector>

#include "fit/fit_result.hpp"
#include "fit/polynomial_fit.hpp"
#include "calc/series_axes.hpp"

// One axis: P as x, the strain as y, with esds; axis is the track number (1 to 3). The fit keeps
// a copy of the points.
EmpiricalFit fitEmpiricalAxis(const std::vector<FitPoint>& points, int axis, FitWeights mode);

// Each principal axis of the series; the fits keep a view of the axes to remake their residuals.
std::vector<EmpiricalFit> fitEmpirical(const std::shared_ptr<const SeriesAxes>& axes, FitWeights mode);
