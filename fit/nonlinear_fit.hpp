#pragma once
// Nonlinear weighted least squares by GSL's trust-region solver (Levenberg-Marquardt), with the
// covariance of the parameters at the solution.
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "fit/covariance.hpp"

struct NonlinearProblem {
    std::size_t points = 0;
    std::size_t parameters = 0;
    // The weighted residuals (obs - calc) / sigma at the parameters; false where the parameters
    // lie outside the model's domain (a negative volume, say).
    std::function<bool(const std::vector<double>& parameters, std::span<double> residuals)> residuals;
    // Optionally the Jacobian of the residuals, d residual_i / d parameter_j row by row (points x
    // parameters), at parameters where the residuals can be evaluated; without it the solver takes
    // forward differences, and the covariance central differences.
    std::function<void(const std::vector<double>& parameters, std::span<double> jacobian)> jacobian;
    // A typical magnitude of each parameter, for the steps of the numerical derivatives.
    std::vector<double> typical;
    std::size_t maxIterations = 200;
};

struct NonlinearSolution {
    bool ok = false;
    std::string reason;  // why not: "no convergence", "singular covariance", ...
    std::vector<double> parameters;
    // (J^T J)^-1 of the weighted residuals, not scaled; from the solver's Jacobian, so approximate:
    // covarianceAt gives it precisely.
    Covariance covariance;
    double chi2 = 0.0;               // sum of the squared weighted residuals
    int iterations = 0;
};

NonlinearSolution solveLeastSquares(const NonlinearProblem& problem, const std::vector<double>& start);

// The same minimum from a start already close to it (the solution of a slightly different
// weighting, say): Gauss-Newton steps while each lowers the sum, the trust region when one does
// not or they do not settle. Its covariance is exact at the solution.
NonlinearSolution refineLeastSquares(const NonlinearProblem& problem, const std::vector<double>& start);

// The problem linearised at some parameters: the covariance (J^T J)^-1 of the weighted residuals
// (J from the problem's Jacobian, or by central differences) and the Gauss-Newton step; none when the residuals cannot be
// evaluated there or J^T J is singular.
struct Linearisation {
    Covariance covariance;
    std::vector<double> step;
};
std::optional<Linearisation> linearise(const NonlinearProblem& problem, const std::vector<double>& parameters);

// The covariance (J^T J)^-1 of the weighted residuals at the parameters, J as linearise takes it;
// empty when the residuals cannot be evaluated there or J^T J is singular.
Covariance covarianceAt(const NonlinearProblem& problem, const std::vector<double>& parameters);
