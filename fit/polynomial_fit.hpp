#pragma once
// Weighted least-squares polynomials in x, with effective-variance weights.
#include <cstddef>
#include <functional>
#include <vector>

#include "fit/fit_points.hpp"
#include "fit/fit_result.hpp"

// q(x) as a polynomial of the given order in (x - origin). Each point is weighted by 1/sigma^2 with
// the effective variance sigma^2 = sigY^2 + (q'(x) sigX)^2, q' from the fit before, iterated until
// the coefficients settle. The covariance is scaled by chi2 / dof. Fails, with the reason, when
// there are not order + 2 points, not order + 1 distinct x, or no finite solution.
PolynomialFit fitPolynomial(const std::vector<FitPoint>& points, int order, double origin, FitWeights mode);
// The same from points given one at a time.
PolynomialFit fitPolynomial(const FitPoints& points, int order, double origin, FitWeights mode);
