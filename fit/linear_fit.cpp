#include "fit/linear_fit.hpp"

#include <cmath>

LinearFit fitLine(const std::vector<FitPoint>& points, double origin, bool pressure, FitWeights mode) {
    return fitLine(FitPoints{points.size(), [&points](std::size_t i) { return points[i]; }}, origin, pressure, mode);
}

LinearFit fitLine(const FitPoints& points, double origin, bool pressure, FitWeights mode) {
    LinearFit fit;
    fit.line = fitPolynomial(points, 1, origin, mode);
    if (!fit.line.status.ok) return fit;
    const std::vector<double>& c = fit.line.coefficients;
    fit.coefficient = pressure ? -c[1] : c[1];
    fit.esd = fit.line.covariance.esd(1);
    // q = c0 + c1 (x - origin) = (c0 - c1 origin) + c1 x.
    fit.intercept = c[0] - c[1] * origin;
    const double gradient[] = {1.0, -origin};
    fit.interceptEsd = fit.line.covariance.esdOf(gradient);
    return fit;
}
