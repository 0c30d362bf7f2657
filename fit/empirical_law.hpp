#pragma once
// The empirical law epsilon(P) = eps0 + lambda (P - Pc)^nu as functions of its parameters
// t = {eps0, lambda, Pc, nu}: the strain, the compressibility K = -d(epsilon)/dP, their gradients
// in the parameters, and the parts a fit of it needs.
#include <array>
#include <vector>

#include "fit/polynomial_fit.hpp"

double strainOf(const std::vector<double>& t, double p);
// d(epsilon)/d(eps0, lambda, Pc, nu) at p. At P = Pc, which only a Pc fixed on its bound reaches,
// the strain is eps0 whatever the other parameters.
std::array<double, 4> strainGradient(const std::vector<double>& t, double p);
double compressibilityOf(const std::vector<double>& t, double p);
// dK/d(eps0, lambda, Pc, nu) at p.
std::array<double, 4> compressibilityGradient(const std::vector<double>& t, double p);

// eps0 and lambda by weighted linear least squares for a fixed Pc and nu; the sum of squares
// (infinite where there is no finite solution). The powers are taken of (P - Pc) / range, so that a
// large nu cannot overflow them; they are left in xs, and lambda times range^nu in scaledLambda,
// for the residuals.
double linearPart(const std::vector<FitPoint>& points, const std::vector<double>& w, double pc, double nu,
                  double range, double& eps0, double& lambda, std::vector<double>& xs, double& scaledLambda);
double linearPart(const std::vector<FitPoint>& points, const std::vector<double>& w, double pc, double nu,
                  double range, double& eps0, double& lambda);

// The slope of the strain over the point's own esd of P, P - sigma to P + sigma (from Pc at
// most): the slope at P itself is infinite at Pc when nu < 1, and an effective variance from it
// would take the lowest point out of the fit. 0 without an esd.
double slopeOverEsd(const std::vector<double>& t, double p, double sigma);
