#include "fit/linear_fit.hpp"

#include <cmath>

LinearFit fitLine(const std::vector<FitPoint>& points, double origin, bool pressure, FitWeights mode) {
    LinearFit fit;
    fit.line = fitPolynomial(points, 1, origin, mode);
    if (!fit.line.status.ok) return fit;
    const std::vector<double>& c = fit.line.coefficients;
    const std::vector<double>& v = fit.line.covariance;  // 2 x 2
    fit.coefficient = pressure ? -c[1] : c[1];
    fit.esd = std::sqrt(v[3]);
    // q = c0 + c1 (x - origin) = (c0 - c1 origin) + c1 x.
    fit.intercept = c[0] - c[1] * origin;
    fit.interceptEsd = std::sqrt(std::max(0.0, v[0] + origin * origin * v[3] - 2.0 * origin * v[1]));
    return fit;
}
